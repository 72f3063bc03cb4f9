// SPDX-License-Identifier: GPL-3.0-or-later
#include "TLocsWND.h"

#include "DataStore.h"
#include "MeasuredValues.h"
#include "TerminalTime.h"
#include "ui_TLocsWND.h"

namespace kolmaris {

TLocsWND::TLocsWND(Session& session, TDataStore& store, QWidget* parent)
    : GrowingTableWindow(session, parent), ui_(std::make_unique<Ui::TLocsWND>()), store_(store)
{
    ui_->setupUi(this);
    SetUpTable({
        .scrollBox = ui_->ScrollBox1,
        .columns = {ui_->IdLB, ui_->CasLB, ui_->TlakLB, ui_->TemperLB, ui_->HumidityLB, ui_->AccuLB},
        .titleRow = ui_->TitleRow,
        .titles = {ui_->IdTitleLB, ui_->CasTitleLB, ui_->TlakTitleLB, ui_->TemperTitleLB, ui_->HumidityTitleLB,
                   ui_->AccuTitleLB},
        .LoadFromCB = ui_->LoadFromCB,
        .SkocitBT = ui_->SkocitBT,
        .Button1 = ui_->Button1,
    });
}

TLocsWND::~TLocsWND() = default;

QStringList TLocsWND::DrawLocLine(int index, const LocRecord& record)
{
    return {
        QString::number(index + 1),
        QString::fromStdString(FormatTimeBE(Bytes4At<LocOffset::Time>(record), true, false)),
        QString::number(U16At<LocOffset::Pressure>(record)),
        QString::fromStdString(FormatTerminalTemperature(U16At<LocOffset::Temperature>(record))),
        QString::fromStdString(FormatTerminalHumidity(U16At<LocOffset::Humidity>(record))),
        QString::fromStdString(FormatAccumulatorVoltage(U16At<LocOffset::Voltage>(record))),
    };
}

int TLocsWND::RecordCount() const
{
    return store_.LocRecordCount();
}

QStringList TLocsWND::RowTexts(int index) const
{
    LocRecord record{};
    if (store_.GetLocRecord(index, record) != kStoreDone)
        return {QString::number(index + 1)};
    return DrawLocLine(index, record);
}

}  // namespace kolmaris
