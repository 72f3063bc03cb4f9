// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSetParamFanWND.h"

#include "ActionSteps.h"
#include "DecimalInput.h"
#include "ElementStatus.h"
#include "Session.h"
#include "ui_TSetParamFanWND.h"

#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kProcesTimerMs = 200;
constexpr int kAttemptLimit = 3;  // failed transactions of a step
constexpr uint8_t kUnknownFlags = 0xFF;

enum Step { kRead = 1, kReadSend = 2, kReadPoll = 3, kReadEnd = 10, kSave = 20, kSaveSend = 21, kSavePoll = 22, kSaveEnd = 30 };

// The current data answer carries the raw flags at byte 17, the mode answer at byte 3.
constexpr uint8_t kDataLength = 19;
constexpr std::size_t kDataFlagsAt = 17;
constexpr uint8_t kModeLength = 4;
constexpr std::size_t kModeFlagsAt = 3;

const QColor kFailureColour(255, 0, 0);

void UncheckAll(std::initializer_list<QRadioButton*> buttons)
{
    for (QRadioButton* b : buttons) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

}  // namespace

TSetParamFanWND::TSetParamFanWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent),
      ui_(std::make_unique<Ui::TSetParamFanWND>()),
      ProcesTimer_(new QTimer(this)),
      steps_(kAttemptLimit)
{
    ui_->setupUi(this);
    SetUpTimer(ProcesTimer_, "ProcesTimer", kProcesTimerMs, &TSetParamFanWND::ProcesTimerTimer);
    connect(ui_->LoadBT, &QPushButton::clicked, this, &TSetParamFanWND::LoadBTClick);
    connect(ui_->SaveBT, &QPushButton::clicked, this, &TSetParamFanWND::SaveBTClick);
    connect(ui_->Button1, &QPushButton::clicked, this, &QDialog::reject);
    QPalette palette = ui_->CurrStateLB->palette();
    palette.setColor(QPalette::Window, kFailureColour);
    ui_->CurrStateLB->setPalette(palette);
}

TSetParamFanWND::~TSetParamFanWND() = default;

void TSetParamFanWND::SetPreset(uint8_t target, uint8_t state)
{
    PresetTarget = target;
    PresetState = state;
    PresetPending = true;
}

void TSetParamFanWND::FormShow()
{
    ui_->StatusLB->clear();
    // A run cut short by closing the window left the buttons disabled.
    ui_->LoadBT->setEnabled(true);
    ui_->SaveBT->setEnabled(true);
    const bool preset = PresetPending;
    PresetPending = false;
    if (!BuildMeshAdrCB(*ui_->MeshAdrCB, {FunctionSource::ElementStatus, kFunctionActuator},
                        QStringLiteral("No actuators bonded.")))
        return;
    const int item = ui_->MeshAdrCB->findText(QString::number(PresetTarget));
    // Without a preset (or with one for an element that is no actuator any more) nothing is
    // known of the selected actuator until it is read: what an earlier showing read may have
    // been another actuator's.
    if (!preset || item < 0) {
        ShowNoState(QString());
        return;
    }
    ui_->MeshAdrCB->setCurrentIndex(item);
    if (PresetState == kUnknownFlags) {  // the panel has no status of it yet
        ShowNoState(QStringLiteral("Unknown"));
        return;
    }
    TakeFlags(PresetState);
    ShowMode();
    ShowState(QStringLiteral("On"));
}

void TSetParamFanWND::FormHide()
{
    ProcesTimer_->stop();
}

void TSetParamFanWND::TakeFlags(uint8_t flags)
{
    relayMode_ = RelayModeFromFlags(flags);
    relayOn_ = (flags & kFlagRelayOn) != 0;
    relayFailure_ = (flags & kFlagRelayFailure) != 0;
}

void TSetParamFanWND::ShowMode()
{
    QRadioButton* const buttons[] = {ui_->FanOffRB, ui_->FanOnRB, ui_->FanAutoRB};
    buttons[relayMode_]->setChecked(true);
}

void TSetParamFanWND::ShowNoState(const QString& stateText)
{
    UncheckAll({ui_->FanOffRB, ui_->FanOnRB, ui_->FanAutoRB});
    ui_->CurrStateLB->setText(stateText);
    ui_->CurrStateLB->setAutoFillBackground(false);
}

void TSetParamFanWND::ShowState(const QString& onText)
{
    ui_->CurrStateLB->setText(relayOn_ ? onText : QStringLiteral("Off"));
    ui_->CurrStateLB->setAutoFillBackground(relayFailure_);
}

void TSetParamFanWND::StartAction(int step)
{
    const int address = ReadDecimal(ui_->MeshAdrCB->currentText().toStdString());
    if (address < 1 || address >= kTableSlots)
        return;
    target_ = static_cast<uint8_t>(address);
    steps_.Step = step;
    ui_->LoadBT->setEnabled(false);
    ui_->SaveBT->setEnabled(false);
    ProcesTimer_->start();
}

void TSetParamFanWND::LoadBTClick()
{
    StartAction(kRead);
}

void TSetParamFanWND::SaveBTClick()
{
    if (ui_->FanOffRB->isChecked())
        relayMode_ = kRelayOff;
    else if (ui_->FanOnRB->isChecked())
        relayMode_ = kRelayOn;
    else if (ui_->FanAutoRB->isChecked())
        relayMode_ = kRelayAuto;
    else {
        // A mode nobody chose for this actuator must not reach it.
        Message(QStringLiteral("Error!"), QStringLiteral("Choose Off, On or Auto first!"), MessageButtons::Ok,
                MessageIcon::Exclamation);
        return;
    }
    StartAction(kSave);
}

void TSetParamFanWND::PollStep(int sendStep, int endStep, uint8_t length, std::size_t flagsAt)
{
    RelayedAnswer answer;
    if (!PollActionStep(steps_, session_.link, answer, sendStep, endStep, ActionFailed))
        return;
    if (answer.length != length) {
        ActionFailed = !steps_.Refused(sendStep, endStep, session_.settings.attemptCount);
        return;
    }
    uint8_t flags = answer.data[flagsAt];
    NormaliseFlags(flags);
    session_.model.ElementTable[target_].status.statusFlags = flags;
    TakeFlags(flags);
    steps_.Step = endStep;
}

bool TSetParamFanWND::EndAction()
{
    ProcesTimer_->stop();
    ui_->LoadBT->setEnabled(true);
    ui_->SaveBT->setEnabled(true);
    if (!ReportActionEnd(*ui_->StatusLB, ActionFailed))
        return false;
    ShowState(QStringLiteral(" On"));
    return true;
}

void TSetParamFanWND::ProcesTimerTimer()
{
    StepLink& link = session_.link;
    switch (steps_.Step) {
    case kRead:
    case kSave:
        steps_.Start(steps_.Step + 1);
        ActionFailed = false;
        break;
    case kReadSend:
        ui_->StatusLB->setText(steps_.Text(QStringLiteral("Reading..")));
        SendActionStep(steps_, RequestActuatorData(link, target_), kReadEnd, ActionFailed);
        break;
    case kReadPoll:
        PollStep(kReadSend, kReadEnd, kDataLength, kDataFlagsAt);
        break;
    case kReadEnd:
        if (EndAction())
            ShowMode();
        break;
    case kSaveSend:
        ui_->StatusLB->setText(steps_.Text(QStringLiteral("Saving..")));
        SendActionStep(steps_, SetActuatorMode(link, target_, relayMode_), kSaveEnd, ActionFailed);
        break;
    case kSavePoll:
        PollStep(kSaveSend, kSaveEnd, kModeLength, kModeFlagsAt);
        break;
    case kSaveEnd:
        if (EndAction())
            Message(QStringLiteral("Message"), QStringLiteral("Actuator parameters successfully written."),
                    MessageButtons::Ok, MessageIcon::Information);
        break;
    default:
        StepProtocolError(ProcesTimer_);
        break;
    }
}

}  // namespace kolmaris
