// SPDX-License-Identifier: GPL-3.0-or-later
#include "TConfigureMeasurementWND.h"

#include "ui_TConfigureMeasurementWND.h"

#include "DecimalInput.h"
#include "FunctionAssign.h"
#include "Session.h"
#include "TerminalClock.h"
#include "TerminalCommands.h"

#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kTimeTmrMs = 200;
constexpr int kShortestQuery = 240;
constexpr int kLongestQuery = 32400;
constexpr int kFewestCycles = 1;
constexpr int kMostCycles = 256;
constexpr uint8_t kStateSleep = 0x02;

int Decimal(const QLineEdit* edit)
{
    return ReadDecimal(edit->text().toStdString());
}

// The name of the field FieldsToTime refused, as the warning names it.
QString FieldName(int result)
{
    switch (result) {
        case kFieldsBadYear:
            return QStringLiteral("year");
        case kFieldsBadMonth:
            return QStringLiteral("month");
        case kFieldsBadDay:
            return QStringLiteral("day");
        case kFieldsBadHour:
            return QStringLiteral("hour");
        default:
            return QStringLiteral("minute");
    }
}

}  // namespace

TConfigureMeasurementWND::TConfigureMeasurementWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent), ui_(std::make_unique<Ui::TConfigureMeasurementWND>()), timeTmr_(new QTimer(this))
{
    ui_->setupUi(this);
    SetUpTimer(timeTmr_, "TimeTMR", kTimeTmrMs, &TConfigureMeasurementWND::TimeTMRTimer);
    connect(ui_->SaveTimerBT, &QPushButton::clicked, this, &TConfigureMeasurementWND::SaveTimerBTClick);
    connect(ui_->SaveHistoryBT, &QPushButton::clicked, this, &TConfigureMeasurementWND::SaveHistoryBTClick);
    connect(ui_->Button1, &QPushButton::clicked, this, &TConfigureMeasurementWND::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TConfigureMeasurementWND::Button2Click);
    connect(ui_->MeshAdrCB, &QComboBox::activated, this, &TConfigureMeasurementWND::MeshAdrCBChange);
    connect(ui_->SetBT, &QPushButton::clicked, this, &TConfigureMeasurementWND::SetBTClick);
    // A function chosen by hand may be saved even when the element's could not be read.
    connect(ui_->ModeCB, &QComboBox::activated, this, [this] { ui_->SetBT->setEnabled(ui_->MeshAdrCB->isEnabled()); });
    connect(ui_->ZavritBT, &QPushButton::clicked, this, &QDialog::accept);
}

TConfigureMeasurementWND::~TConfigureMeasurementWND() = default;

bool TConfigureMeasurementWND::ReadTimers()
{
    uint8_t flags = 0;
    uint32_t countdown = 0;
    uint32_t period = 0;
    uint16_t cycles = 0;
    while (ReadAcquisitionState(session_.link, flags, countdown, period, cycles) != kOk) {
        if (!AskTryAgain(session_, this))
            return false;
    }
    session_.model.QueryPeriod = period;
    ui_->QueryTimeED->setText(QString::number(period));
    ui_->BattimeED->setText(QString::number(cycles));  // a 0 from the terminal reads as 256
    ui_->SleepCB->setChecked((flags & kStateSleep) != 0);
    return true;
}

void TConfigureMeasurementWND::FormShow()
{
    if (!ReadTimers()) {
        CloseLater();
        return;
    }
    const MeshListResult list = FillMeshAddressList(session_, this, *ui_->MeshAdrCB);
    if (list == MeshListResult::Declined) {
        CloseLater();
        return;
    }
    const bool bonded = list == MeshListResult::Filled;
    ui_->MeshAdrCB->setEnabled(bonded);
    ui_->SetBT->setEnabled(bonded);
    if (bonded)
        MeshAdrCBChange();
    FillTimeEdits = true;
    timeTmr_->start();
}

void TConfigureMeasurementWND::FormHide()
{
    timeTmr_->stop();
}

void TConfigureMeasurementWND::Failed(const QString& text)
{
    Message(QStringLiteral("Error!"), text, MessageButtons::Ok, MessageIcon::Error);
}

void TConfigureMeasurementWND::SaveTimerBTClick()
{
    const int query = Decimal(ui_->QueryTimeED);
    const int cycles = Decimal(ui_->BattimeED);
    if (query < kShortestQuery || query > kLongestQuery) {
        Message(QStringLiteral("Error!"), QStringLiteral("Query time can be from 240 to 32400 only!"),
                MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    if (cycles < kFewestCycles || cycles > kMostCycles) {
        Message(QStringLiteral("Error!"), QStringLiteral("Battime can be from 1 to 256 cycles only!"),
                MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    // The sleep mode is set only once the timers are written.
    StepLink& link = session_.link;
    const bool saved = WriteAcquisitionSettings(link, static_cast<uint16_t>(query), static_cast<uint16_t>(cycles)) ==
                           kOk &&
                       SetAcquisition(link, ui_->SleepCB->isChecked() ? kAcquisitionSleepOn : kAcquisitionSleepOff) ==
                           kOk;
    if (!saved) {
        Failed(QStringLiteral("Command disabled!"));
        return;
    }
    session_.model.QueryPeriod = static_cast<uint32_t>(query);
    Message(QStringLiteral("Message"), QStringLiteral("Successfully saved!"), MessageButtons::Ok,
            MessageIcon::Information);
}

void TConfigureMeasurementWND::SaveHistoryBTClick()
{
    if (!ui_->EraseHistoryCB->isChecked())
        return;
    if (SetAcquisition(session_.link, kAcquisitionClearHistory) != kOk) {
        Failed(QStringLiteral("Command disabled!"));
        return;
    }
    Message(QStringLiteral("Message"), QStringLiteral("Successfully cleared."), MessageButtons::Ok,
            MessageIcon::Information);
    ui_->EraseHistoryCB->setChecked(false);
}

void TConfigureMeasurementWND::TimeTMRTimer()
{
    TerminalTime terminal = 0;
    if (ReadTerminalTime(session_.link, terminal) == kOk)
        ui_->TermLB->setText(QString::fromStdString(FormatTime(terminal, true, true)));
    const TerminalTime pc = PcTimeToTerminalTime();
    ui_->PcLB->setText(QString::fromStdString(FormatTime(pc, true, true)));
    if (!FillTimeEdits)
        return;
    FillTimeEdits = false;
    const TimeFields f = TimeToFields(pc);
    ui_->DenED->setText(QString::number(f.day));
    ui_->MesED->setText(QString::number(f.month));
    ui_->RokED->setText(QString::number(f.year));
    ui_->HodED->setText(QString::number(f.hour));
    ui_->MinED->setText(QString::number(f.minute));
}

void TConfigureMeasurementWND::Button1Click()
{
    if (SetTerminalClockFromPc(session_.link) != kOk)
        Failed(QStringLiteral("New terminal time writing failed!"));
}

void TConfigureMeasurementWND::Button2Click()
{
    TimeFields fields;
    fields.day = Decimal(ui_->DenED);
    fields.month = Decimal(ui_->MesED);
    fields.year = Decimal(ui_->RokED);
    fields.hour = Decimal(ui_->HodED);
    fields.minute = Decimal(ui_->MinED);
    fields.second = 0;
    TerminalTime time = 0;
    int result = FieldsToTime(fields, time);
    // The fields roll over (31 February gives 3 March): a day its month lacks is refused.
    if (result == kFieldsOk && TimeToFields(time).day != fields.day)
        result = kFieldsBadDay;
    if (result != kFieldsOk) {
        Message(QStringLiteral("Warning!"), QStringLiteral("Wrong value in the %1 field!").arg(FieldName(result)),
                MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    if (SetTerminalTime(session_.link, time) != kOk)
        Failed(QStringLiteral("New terminal time writing failed!"));
}

// A function the terminal does not report (or a code beyond the list) leaves the list blank
// and "Save" off until a function is chosen, so that nothing is saved unseen.
void TConfigureMeasurementWND::MeshAdrCBChange()
{
    const auto address = SelectedAddress(ui_->MeshAdrCB->currentText());
    const auto function = address ? ReadFunction(session_, *address) : std::nullopt;
    const bool known = function && *function < kFunctionCodes;
    ui_->ModeCB->setCurrentIndex(known ? *function : -1);
    ui_->SetBT->setEnabled(known);
}

void TConfigureMeasurementWND::SetBTClick()
{
    const auto address = SelectedAddress(ui_->MeshAdrCB->currentText());
    const int function = ui_->ModeCB->currentIndex();
    if (!address || function < 0)
        return;
    AssignFunction(session_, this, *address, static_cast<uint8_t>(function),
                   QStringLiteral("Assignment of the element %1 was updated successfully."));
}

}  // namespace kolmaris
