// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSetParamSensorWND.h"

#include "ActionSteps.h"
#include "DecimalInput.h"
#include "ElementStatus.h"
#include "Session.h"
#include "TInitSensorWND.h"
#include "TerminalTime.h"
#include "ui_TSetParamSensorWND.h"

#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kParamsTimerMs = 200;
constexpr int kAttemptLimit = 3;  // failed transactions of a step
constexpr int kSendsWhenBusy = 3;  // a busy probe is asked this often in all
constexpr uint8_t kBusyStatus = 254;

enum Step {
    kRead = 1, kReadSend = 2, kReadPoll = 3, kReadEnd = 10,
    kWrite = 20, kWriteSend = 21, kWritePoll = 22, kWriteEnd = 30,
    kInfo = 40, kInfoSend = 41, kInfoPoll = 42, kInfoEnd = 49,
};

// Answer lengths: the parameters, the clock alone and the clock with the total counts.
constexpr uint8_t kParamsLength = 10;
constexpr uint8_t kClockLength = 5;
constexpr uint8_t kClockCountsLength = 9;
constexpr uint8_t kStatusLength = 2;

using Verdict = TSetParamSensorWND::Verdict;

Verdict JudgeParams(const RelayedAnswer& a)
{
    return a.length == kParamsLength ? Verdict::Taken : a.length == kStatusLength ? Verdict::Busy : Verdict::Failed;
}

Verdict JudgeWrite(const RelayedAnswer& a)
{
    if (a.length != kStatusLength)
        return Verdict::Failed;
    return a.data[1] == 0 ? Verdict::Taken : a.data[1] == kBusyStatus ? Verdict::Busy : Verdict::Failed;
}

Verdict JudgeInfo(const RelayedAnswer& a)
{
    if (a.length == kClockLength || a.length == kClockCountsLength)
        return Verdict::Taken;
    return a.length == kStatusLength ? Verdict::Busy : Verdict::Failed;
}

uint16_t U16(const RelayedAnswer& a, std::size_t at)
{
    return static_cast<uint16_t>(a.data[at] << 8 | a.data[at + 1]);
}

uint32_t U32(const RelayedAnswer& a, std::size_t at)
{
    return uint32_t{U16(a, at)} << 16 | U16(a, at + 2);
}

// A field that must lie in [low, high] before anything is sent.
struct FieldRule {
    QLineEdit* edit;
    int low;
    int high;
    const char* message;
};

}  // namespace

TSetParamSensorWND::TSetParamSensorWND(Session& session, TInitSensorWND& initWindow, QWidget* parent)
    : ToolWindow(session, parent),
      ui_(std::make_unique<Ui::TSetParamSensorWND>()),
      initWindow_(initWindow),
      ParamsTimer_(new QTimer(this)),
      steps_(kAttemptLimit)
{
    ui_->setupUi(this);
    SetUpTimer(ParamsTimer_, "ParamsTimer", kParamsTimerMs, &TSetParamSensorWND::ParamsTimerTimer);
    connect(ui_->LoadBT, &QPushButton::clicked, this, &TSetParamSensorWND::LoadBTClick);
    connect(ui_->SaveBT, &QPushButton::clicked, this, &TSetParamSensorWND::SaveBTClick);
    connect(ui_->Button2, &QPushButton::clicked, this, &TSetParamSensorWND::Button2Click);
    connect(ui_->Button1, &QPushButton::clicked, this, &TSetParamSensorWND::Button1Click);
    connect(ui_->CloseBT, &QPushButton::clicked, this, &QDialog::reject);
    // Another probe's values must not stay on show under this one's address, ready to be saved.
    connect(ui_->MeshAdrCB, &QComboBox::currentIndexChanged, this, &TSetParamSensorWND::ForgetValues);
}

TSetParamSensorWND::~TSetParamSensorWND() = default;

void TSetParamSensorWND::FormShow()
{
    ui_->StatusLB->clear();
    ui_->SaveBT->setVisible(session_.serviceMode);
    ForgetValues();
    // An action cut short by closing the window left the buttons disabled.
    SetActionButtonsEnabled(true);
    BuildMeshAdrCB(*ui_->MeshAdrCB, {FunctionSource::ElementStatus, kFunctionProbe},
                   QStringLiteral("No radon probes bonded."));
}

void TSetParamSensorWND::ForgetValues()
{
    valuesOf_ = 0;
    for (QLineEdit* edit : {ui_->Disc01ED, ui_->Disc02ED, ui_->Disc03ED, ui_->CalibrED, ui_->LimitED, ui_->ZiskED,
                            ui_->DelkaMerED})
        edit->clear();
    ui_->Label7->clear();
    ui_->Label9->clear();
    ui_->SaveBT->setEnabled(false);
}

int TSetParamSensorWND::SelectedProbe() const
{
    const int address = ReadDecimal(ui_->MeshAdrCB->currentText().toStdString());
    return address >= 1 && address < kTableSlots ? address : 0;
}

void TSetParamSensorWND::FormHide()
{
    ParamsTimer_->stop();
}

void TSetParamSensorWND::SetActionButtonsEnabled(bool enabled)
{
    for (QPushButton* button : {ui_->LoadBT, ui_->Button2, ui_->Button1})
        button->setEnabled(enabled);
    // Save writes what the edits hold: only once they hold the selected probe's values.
    ui_->SaveBT->setEnabled(enabled && valuesOf_ != 0 && valuesOf_ == SelectedProbe());
}

void TSetParamSensorWND::StartAction(int step)
{
    const int address = SelectedProbe();
    if (address == 0)
        return;
    target_ = static_cast<uint8_t>(address);
    steps_.Step = step;
    SetActionButtonsEnabled(false);
    ParamsTimer_->start();
}

void TSetParamSensorWND::LoadBTClick()
{
    StartAction(kRead);
}

void TSetParamSensorWND::SaveBTClick()
{
    if (const auto params = ParamsFromEdits()) {
        writing_ = *params;
        StartAction(kWrite);
    }
}

void TSetParamSensorWND::Button2Click()
{
    StartAction(kInfo);
}

void TSetParamSensorWND::Button1Click()
{
    initWindow_.exec();
}

std::optional<ProbeParams> TSetParamSensorWND::ParamsFromEdits()
{
    // Each value must fit its field on the wire; a probe refuses discrimination 96 and up, and
    // a record time travels as one byte, so 256 cannot reach it.
    const char* discrimination = "Discrimination must be less than 96!";
    const FieldRule rules[] = {
        {ui_->Disc01ED, 0, 95, discrimination},
        {ui_->Disc02ED, 0, 95, discrimination},
        {ui_->Disc03ED, 0, 95, discrimination},
        {ui_->DelkaMerED, 1, 255, "Measurement length must be between 1 and 256!"},
        {ui_->CalibrED, 0, 65535, "Calibration must be between 0 and 65535!"},
        {ui_->LimitED, 0, 65535, "Limit must be between 0 and 65535!"},
        {ui_->ZiskED, 0, 255, "Gain must be between 0 and 255!"},
    };
    for (const FieldRule& rule : rules) {
        const int value = ReadDecimal(rule.edit->text().toStdString());
        if (value < rule.low || value > rule.high) {
            Message(QStringLiteral("Error!"), QString::fromLatin1(rule.message), MessageButtons::Ok,
                    MessageIcon::Exclamation);
            return std::nullopt;
        }
    }
    const auto read = [](const QLineEdit* edit) { return ReadDecimal(edit->text().toStdString()); };
    ProbeParams p;
    p.discrimination1 = static_cast<uint8_t>(read(ui_->Disc01ED));
    p.discrimination2 = static_cast<uint8_t>(read(ui_->Disc02ED));
    p.discrimination3 = static_cast<uint8_t>(read(ui_->Disc03ED));
    p.calibration = static_cast<uint16_t>(read(ui_->CalibrED));
    p.limit = static_cast<uint16_t>(read(ui_->LimitED));
    p.gain = static_cast<uint8_t>(read(ui_->ZiskED));
    p.recordTime = static_cast<uint8_t>(read(ui_->DelkaMerED));
    return p;
}

void TSetParamSensorWND::ShowParams(const ProbeParams& p)
{
    ui_->Disc01ED->setText(QString::number(p.discrimination1));
    ui_->Disc02ED->setText(QString::number(p.discrimination2));
    ui_->Disc03ED->setText(QString::number(p.discrimination3));
    ui_->CalibrED->setText(QString::number(p.calibration));
    ui_->LimitED->setText(QString::number(p.limit));
    ui_->ZiskED->setText(QString::number(p.gain));
    ui_->DelkaMerED->setText(QString::number(p.recordTime));
}

void TSetParamSensorWND::PollStep(int sendStep, int endStep, Judge judge)
{
    if (!PollActionStep(steps_, session_.link, answer_, sendStep, endStep, ActionFailed))
        return;
    switch (judge(answer_)) {
    case Verdict::Taken:
        steps_.Step = endStep;
        break;
    case Verdict::Busy:
        ActionFailed = !steps_.Refused(sendStep, endStep, kSendsWhenBusy);
        break;
    case Verdict::Failed:
        ActionFailed = true;
        steps_.Step = endStep;
        break;
    }
}

bool TSetParamSensorWND::EndAction()
{
    ParamsTimer_->stop();
    SetActionButtonsEnabled(true);
    return ReportActionEnd(*ui_->StatusLB, ActionFailed);
}

void TSetParamSensorWND::ParamsTimerTimer()
{
    StepLink& link = session_.link;
    switch (steps_.Step) {
    case kRead:
    case kWrite:
    case kInfo:
        steps_.Start(steps_.Step + 1);
        ActionFailed = false;
        break;
    case kReadSend:
        ui_->StatusLB->setText(QStringLiteral("Reading.."));
        SendActionStep(steps_, RequestProbeParameters(link, target_), kReadEnd, ActionFailed);
        break;
    case kReadPoll:
        PollStep(kReadSend, kReadEnd, JudgeParams);
        break;
    case kReadEnd:
        // Values read for a probe no longer selected are not shown under another's address.
        if (!ActionFailed && target_ == SelectedProbe()) {
            ShowParams({answer_.data[1], answer_.data[2], answer_.data[3], U16(answer_, 4), U16(answer_, 6),
                        answer_.data[8], answer_.data[9]});
            valuesOf_ = target_;
        }
        EndAction();
        break;
    case kWriteSend:
        ui_->StatusLB->setText(QStringLiteral("Saving.."));
        SendActionStep(steps_,
                       WriteProbeParameters(link, target_, writing_.discrimination1, writing_.discrimination2,
                                            writing_.discrimination3, writing_.calibration, writing_.limit,
                                            writing_.gain, writing_.recordTime),
                       kWriteEnd, ActionFailed);
        break;
    case kWritePoll:
        PollStep(kWriteSend, kWriteEnd, JudgeWrite);
        break;
    case kWriteEnd:
        if (EndAction())
            Message(QStringLiteral("Message"), QStringLiteral("Probe parameters successfully written."),
                    MessageButtons::Ok, MessageIcon::Information);
        break;
    case kInfoSend:
        ui_->StatusLB->setText(QStringLiteral("Reading.."));
        SendActionStep(steps_, RequestProbeTime(link, target_), kInfoEnd, ActionFailed);
        break;
    case kInfoPoll:
        PollStep(kInfoSend, kInfoEnd, JudgeInfo);
        break;
    case kInfoEnd:
        if (EndAction() && target_ == SelectedProbe()) {
            ui_->Label7->setText(QString::fromStdString(FormatTime(U32(answer_, 1), true, true)));
            ui_->Label9->setText(answer_.length == kClockCountsLength ? QString::number(U32(answer_, 5))
                                                                      : QStringLiteral("Not implemented"));
        }
        break;
    default:
        StepProtocolError(ParamsTimer_);
        break;
    }
}

}  // namespace kolmaris
