// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSetIqrfModeWND.h"

#include "Session.h"
#include "ui_TSetIqrfModeWND.h"

namespace kolmaris {

namespace {

const StoreValueTexts kModeTexts{
    .storeElement = "Writing RF mode into the element No. %d",
    .storeTerminal = "Writing RF mode into the terminal\n",
    .skipQuestion = "Cannot set RF mode in the element No. %1! Check the functionality of this element. If you select "
                    "'Continue', this element\n will be skipped and after setting new RF mode into the terminal the "
                    "communication with this element will be lost.",
    .skipButtons = MessageButtons::CancelTryContinue,
    .skipRetry = MessageResult::TryAgain,
    .skipIgnore = MessageResult::Continue,
    .resetMesh = "Resetting MESH..",
    .resetElement = "Resetting element No.",
    .meshResetFailed = "New RF mode is successfully set into terminal and all the elements,\nbut MESH reset failed. "
                       "Reset the elements and terminal manually, or repeat this action.",
    .terminalResetFailed = "New RF mode is successfully set into all the elements.\nTerminal reset failed, but it can be "
                           "done manually.",
    .failedElement = "Setting new RF mode failed in the element No. ",
    .repeatAdvice = "\nAs RF mode was already changed in some elements it is strongly recommended to repeat the action!",
    .finished = "Writing finished successfully",
};

}  // namespace

TSetIqrfModeWND::TSetIqrfModeWND(Session& session, QWidget* parent)
    : StoreValueWindow(session, kModeTexts, {RequestReadIqrfMode, RequestStoreIqrfMode, &ElementSlot::iqrfMode},
                       parent),
      ui_(std::make_unique<Ui::TSetIqrfModeWND>())
{
    ui_->setupUi(this);
    SetControls({ui_->TextLB, ui_->MeshAdrCB, ui_->IqrfModeCB, ui_->UlozitBT, ui_->ZavritBT});
}

TSetIqrfModeWND::~TSetIqrfModeWND() = default;

void TSetIqrfModeWND::FormShow()
{
    ui_->UlozitBT->setVisible(session_.serviceMode);
    StoreValueWindow::FormShow();
}

}  // namespace kolmaris
