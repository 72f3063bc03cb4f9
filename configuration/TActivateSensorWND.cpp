// SPDX-License-Identifier: GPL-3.0-or-later
#include "TActivateSensorWND.h"

#include "ui_TActivateSensorWND.h"

#include "FunctionAssign.h"

#include <QAbstractButton>

namespace kolmaris {

TActivateSensorWND::TActivateSensorWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent), ui_(std::make_unique<Ui::TActivateSensorWND>())
{
    ui_->setupUi(this);
    connect(ui_->MeshAdrCB, &QComboBox::activated, this, &TActivateSensorWND::MeshAdrCBChange);
    connect(ui_->SetBT, &QPushButton::clicked, this, &TActivateSensorWND::SetBTClick);
    connect(ui_->Button1, &QPushButton::clicked, this, &QDialog::reject);
    // A function chosen by hand may be assigned even when the element's could not be read.
    for (QAbstractButton* button : FunctionButtons())
        connect(button, &QAbstractButton::clicked, ui_->SetBT, [this] { ui_->SetBT->setEnabled(true); });
}

TActivateSensorWND::~TActivateSensorWND() = default;

std::array<QAbstractButton*, 4> TActivateSensorWND::FunctionButtons() const
{
    return {ui_->NoUseRB, ui_->RetransRB, ui_->FanRB, ui_->RnDetRB};
}

void TActivateSensorWND::FormShow()
{
    if (BuildMeshAdrCB(*ui_->MeshAdrCB, {}, QStringLiteral("No elements bonded.")))
        MeshAdrCBChange();
}

// An element whose function cannot be read, or is none of the four, shows no function, and
// "Assign" stays off until one is chosen, so that no code goes out unseen.
void TActivateSensorWND::MeshAdrCBChange()
{
    const auto address = SelectedAddress(ui_->MeshAdrCB->currentText());
    const auto function = address ? ReadFunction(session_, *address) : std::nullopt;
    const bool known = function && *function < kFunctionCodes;
    ui_->SetBT->setEnabled(known);
    if (known) {
        FunctionButtons()[*function]->setChecked(true);
        return;
    }
    // An auto-exclusive radio button cannot be unchecked by itself.
    for (QAbstractButton* button : FunctionButtons()) {
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
    }
}

void TActivateSensorWND::SetBTClick()
{
    const auto address = SelectedAddress(ui_->MeshAdrCB->currentText());
    if (!address)
        return;
    uint8_t function = 0;
    const auto buttons = FunctionButtons();
    for (uint8_t code = kFunctionCodes - 1; code > 0 && function == 0; --code) {
        if (buttons[code]->isChecked())
            function = code;
    }
    AssignFunction(session_, this, *address, function,
                   QStringLiteral("The assignment of the element %1 was updated successfully."));
}

}  // namespace kolmaris
