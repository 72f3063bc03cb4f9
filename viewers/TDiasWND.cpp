// SPDX-License-Identifier: GPL-3.0-or-later
#include "TDiasWND.h"

#include "DataStore.h"
#include "DiaEventText.h"
#include "TerminalTime.h"
#include "ui_TDiasWND.h"

namespace kolmaris {

TDiasWND::TDiasWND(Session& session, TDataStore& store, QWidget* parent)
    : GrowingTableWindow(session, parent), ui_(std::make_unique<Ui::TDiasWND>()), store_(store)
{
    ui_->setupUi(this);
    SetUpTable({
        .scrollBox = ui_->ScrollBox1,
        .columns = {ui_->IdLB, ui_->CasLB, ui_->MeshLB, ui_->OutputLB, ui_->MeaningLB},
        .titleRow = ui_->TitleRow,
        .titles = {ui_->IdTitleLB, ui_->CasTitleLB, ui_->MeshTitleLB, ui_->OutputTitleLB, ui_->MeaningTitleLB},
        .LoadFromCB = ui_->LoadFromCB,
        .SkocitBT = ui_->SkocitBT,
        .Button1 = ui_->Button1,
    });
}

TDiasWND::~TDiasWND() = default;

QStringList TDiasWND::DrawDiaLine(int index, const DiaEvent& event)
{
    const std::uint8_t element = event[DiaOffset::Element];
    const std::uint8_t code = event[DiaOffset::Code];
    return {
        QString::number(index + 1),
        QString::fromStdString(FormatTimeBE(Bytes4At<DiaOffset::Time>(event), true, false)),
        element == 0 ? QStringLiteral("Term") : QString::number(element),
        QString::asprintf("%02X", static_cast<unsigned>(code)),
        QString::fromStdString(DiaEventText(element, code)),
    };
}

int TDiasWND::RecordCount() const
{
    return store_.DiaEventCount();
}

QStringList TDiasWND::RowTexts(int index) const
{
    DiaEvent event{};
    if (store_.GetDiaEvent(index, event) != kStoreDone)
        return {QString::number(index + 1)};
    return DrawDiaLine(index, event);
}

}  // namespace kolmaris
