// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSetPowerWND.h"

#include "Session.h"
#include "ui_TSetPowerWND.h"

#include <QTimer>

#include <algorithm>

namespace kolmaris {

namespace {

constexpr uint8_t kMaxPower = 7;
constexpr uint8_t kPowerAnswer = 3;
constexpr int kReadEnd = 9;
constexpr int kWriteEnd = 19;

}  // namespace

TSetPowerWND::TSetPowerWND(Session& session, QWidget* parent)
    : TargetWindow(session, parent), ui_(std::make_unique<Ui::TSetPowerWND>())
{
    ui_->setupUi(this);
    connect(ui_->MeshAdrCB, &QComboBox::currentIndexChanged, this, &TSetPowerWND::MeshAdrCBChange);
    connect(ui_->NacistBT, &QPushButton::clicked, this, &TSetPowerWND::NacistBTClick);
    connect(ui_->UlozitBT, &QPushButton::clicked, this, &TSetPowerWND::UlozitBTClick);
    connect(ui_->ZavritBT, &QPushButton::clicked, this, &QDialog::reject);
}

TSetPowerWND::~TSetPowerWND() = default;

void TSetPowerWND::FormShow()
{
    ui_->TextLB->setText(QStringLiteral("Ready..."));
    ui_->NacistBT->setEnabled(true);
    ui_->UlozitBT->setEnabled(true);
    ui_->ZavritBT->setEnabled(true);
    ui_->VykonCB->setEnabled(true);
    if (!FillTargets(*ui_->MeshAdrCB))
        return;
    ui_->MeshAdrCB->setCurrentIndex(AnyBonded() ? ItemTerminal + 1 : ItemTerminal);
    if (PresetPending) {
        PresetPending = false;
        ui_->VykonCB->setCurrentIndex(std::min(PresetValue, kMaxPower));
        if (const int item = PresetItem(PresetTarget); item >= 0)
            ui_->MeshAdrCB->setCurrentIndex(item);
    }
}

// Closing the window stops a run where it is; the next showing offers "Read" and "Save" again.
void TSetPowerWND::FormHide()
{
    TargetWindow::FormHide();
    ui_->NacistBT->setText(QStringLiteral("Read"));
    ui_->UlozitBT->setText(QStringLiteral("Save"));
}

void TSetPowerWND::MeshAdrCBChange()
{
    // During a run "Read" is either its Stop button or disabled; a new selection changes neither.
    if (ProcesTimer()->isActive())
        return;
    ui_->NacistBT->setEnabled(ui_->MeshAdrCB->currentIndex() != ItemAll);
}

void TSetPowerWND::NacistBTClick()
{
    if (ProcesTimer()->isActive()) {
        ui_->NacistBT->setText(QStringLiteral("Read"));
        ProcesTimer()->stop();
        ui_->TextLB->setText(QStringLiteral("Reading interrupted..."));
        MeshAdrCBChange();
        ui_->UlozitBT->setEnabled(true);
        ui_->ZavritBT->setEnabled(true);
        return;
    }
    if (ui_->MeshAdrCB->currentIndex() < ItemTerminal)
        return;
    BuildTargetList(ui_->MeshAdrCB->currentIndex(), false, true);
    steps_.Step = 1;
    ui_->NacistBT->setText(QStringLiteral("Stop"));
    ui_->UlozitBT->setEnabled(false);
    ui_->ZavritBT->setEnabled(false);
    ProcesTimer()->start();
}

void TSetPowerWND::UlozitBTClick()
{
    if (ProcesTimer()->isActive()) {
        ui_->UlozitBT->setText(QStringLiteral("Save"));
        ProcesTimer()->stop();
        ui_->TextLB->setText(QStringLiteral("Saving interrupted..."));
        MeshAdrCBChange();
        ui_->ZavritBT->setEnabled(true);
        ui_->VykonCB->setEnabled(true);
        return;
    }
    if (ui_->MeshAdrCB->currentIndex() < 0)
        return;
    BuildTargetList(ui_->MeshAdrCB->currentIndex(), false, true);
    steps_.Step = 10;
    ui_->UlozitBT->setText(QStringLiteral("Stop"));
    ui_->NacistBT->setEnabled(false);
    ui_->ZavritBT->setEnabled(false);
    ProcesTimer()->start();
}

QString TSetPowerWND::TargetText(const char* elementFormat, const char* terminalText) const
{
    const uint8_t target = CurrentTarget();
    return steps_.Text(target == kTerminalTarget ? QString::fromUtf8(terminalText)
                                                 : QString::asprintf(elementFormat, target));
}

void TSetPowerWND::ProcesTimerTimer()
{
    switch (steps_.Step) {
        case 1:
            targetIndex_ = 0;
            failed_ = false;
            steps_.Start(2);
            break;
        case 2:
            ui_->TextLB->setText(TargetText("Reading power \u2013 element No. %d", "Reading terminal power"));
            Send(ToTarget(CurrentTarget(), RequestReadPower), 3, kReadEnd);
            break;
        case 3:
            if (!PollAnswer(kReadEnd))
                break;
            if (answer_.error == 0 && answer_.length == kPowerAnswer) {
                steps_.RepeatNo = 0;
                const uint8_t level = answer_.data[2] > kMaxPower ? 0 : answer_.data[2];
                ui_->VykonCB->setCurrentIndex(level);
                SlotOf(CurrentTarget()).power = level;
                steps_.Step = kReadEnd;
            } else if (!steps_.Refused(2, kReadEnd)) {
                failed_ = true;
            }
            break;
        case kReadEnd:
            FinishReading();
            break;
        case 10:
            newValue_ = static_cast<uint8_t>(std::max(0, ui_->VykonCB->currentIndex()));
            ui_->VykonCB->setEnabled(false);
            targetIndex_ = 0;
            failed_ = false;
            steps_.Start(11);
            break;
        case 11:
            if (CurrentTarget() == 0) {
                steps_.Step = kWriteEnd;
                break;
            }
            ui_->TextLB->setText(TargetText(" RAM power writing\nelement No. %d", "Terminal RAM power writing\n"));
            Send(ToTarget(CurrentTarget(), RequestWritePower, newValue_), 12, kWriteEnd);
            break;
        case 12:
            if (!PollAnswer(kWriteEnd))
                break;
            if (Positive()) {
                SlotOf(CurrentTarget()).power = newValue_;
                steps_.RepeatNo = 0;
                steps_.Step = 13;
            } else if (!steps_.Refused(11, kWriteEnd)) {
                failed_ = true;
            }
            break;
        case 13:
            ui_->TextLB->setText(TargetText("EEPROM power writing\nelement No. %d", " Terminal EEPROM power writing\n"));
            Send(ToTarget(CurrentTarget(), RequestStorePower, newValue_), 14, kWriteEnd);
            break;
        case 14:
            if (!PollAnswer(kWriteEnd))
                break;
            if (Positive()) {
                ++targetIndex_;
                steps_.RepeatNo = 0;
                steps_.Step = 11;
            } else if (!steps_.Refused(13, kWriteEnd)) {
                failed_ = true;
            }
            break;
        case kWriteEnd:
            FinishWriting();
            break;
        default:
            StepProtocolError(ProcesTimer(), MessageIcon::Exclamation);
            break;
    }
}

void TSetPowerWND::FinishReading()
{
    ProcesTimer()->stop();
    ui_->NacistBT->setText(QStringLiteral("Read"));
    MeshAdrCBChange();
    ui_->UlozitBT->setEnabled(true);
    ui_->ZavritBT->setEnabled(true);
    if (!failed_) {
        ui_->TextLB->setText(QStringLiteral("Reading finished successfully"));
        return;
    }
    ui_->TextLB->setText(QStringLiteral("Action failed"));
    Message(QStringLiteral("Error!"), QString::asprintf(" Reading power failed in the element No. %d!", CurrentTarget()),
            MessageButtons::Ok, MessageIcon::Error);
}

void TSetPowerWND::FinishWriting()
{
    ui_->VykonCB->setEnabled(true);
    ProcesTimer()->stop();
    ui_->UlozitBT->setText(QStringLiteral("Save"));
    MeshAdrCBChange();
    ui_->ZavritBT->setEnabled(true);
    if (!failed_) {
        ui_->TextLB->setText(QStringLiteral(" Writing finished successfully "));
        return;
    }
    ui_->TextLB->setText(QStringLiteral("Action failed"));
    Message(QStringLiteral("Error!"), QString::asprintf(" Writing RF power failed in the element No. %d!", CurrentTarget()),
            MessageButtons::Ok, MessageIcon::Error);
}

}  // namespace kolmaris
