// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreValueWindow.h"

#include "Session.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace kolmaris {

namespace {

constexpr uint8_t kWholeMesh = 255;
constexpr uint8_t kValueAnswer = 3;  // an answer that carries the value in byte 2

}  // namespace

StoreValueWindow::StoreValueWindow(Session& session, const StoreValueTexts& texts, const StoreValueRequests& requests,
                                   QWidget* parent)
    : TargetWindow(session, parent), texts_(texts), requests_(requests)
{
}

void StoreValueWindow::SetControls(const Controls& controls)
{
    c_ = controls;
    connect(c_.UlozitBT, &QPushButton::clicked, this, &StoreValueWindow::UlozitBTClick);
    connect(c_.ZavritBT, &QPushButton::clicked, this, &QDialog::reject);
}

void StoreValueWindow::FormShow()
{
    c_.TextLB->setText(QStringLiteral("Ready..."));
    c_.UlozitBT->setEnabled(true);
    c_.ZavritBT->setEnabled(true);
    c_.ValueCB->setEnabled(true);
    RelayedAnswer value;
    const auto read = requests_.read;
    if (!OpeningExchange([read](StepLink& link) { return read(link, Network::Local, 0); }, value))
        return;
    FillValues(*c_.ValueCB);
    // A short answer or a value the list does not hold selects nothing.
    c_.ValueCB->setCurrentIndex(value.length >= kValueAnswer && value.data[2] < c_.ValueCB->count() ? value.data[2]
                                                                                                    : -1);
    if (!FillTargets(*c_.MeshAdrCB))
        return;
    c_.MeshAdrCB->setCurrentIndex(ItemAll);
    if (PresetPending) {
        PresetPending = false;
        c_.ValueCB->setCurrentIndex(PresetValue < c_.ValueCB->count() ? PresetValue : -1);
        if (const int item = PresetItem(PresetTarget); item >= 0)
            c_.MeshAdrCB->setCurrentIndex(item);
    }
}

// Closing the window stops a run where it is; the next showing offers "Save" again, not "Stop".
void StoreValueWindow::FormHide()
{
    TargetWindow::FormHide();
    c_.UlozitBT->setText(QStringLiteral("Save"));
    c_.ZavritBT->setEnabled(true);
    c_.ValueCB->setEnabled(true);
}

void StoreValueWindow::UlozitBTClick()
{
    if (ProcesTimer()->isActive()) {
        c_.UlozitBT->setText(QStringLiteral("Save"));
        ProcesTimer()->stop();
        c_.TextLB->setText(QStringLiteral("Saving interrupted..."));
        c_.ZavritBT->setEnabled(true);
        c_.ValueCB->setEnabled(true);
        return;
    }
    // Nothing is written that the user has not chosen: the terminal may report a value the list
    // does not hold, which leaves the list without a selection.
    if (c_.ValueCB->currentIndex() < 0 || c_.MeshAdrCB->currentIndex() < 0) {
        c_.TextLB->setText(QStringLiteral("Select the new value and the target first."));
        return;
    }
    allTargets_ = BuildTargetList(c_.MeshAdrCB->currentIndex(), true, false);
    steps_.Step = 1;
    c_.UlozitBT->setText(QStringLiteral("Stop"));
    c_.ZavritBT->setEnabled(false);
    ProcesTimer()->start();
}

void StoreValueWindow::ProcesTimerTimer()
{
    StepLink& link = session_.link;
    switch (steps_.Step) {
        case 1:
            newValue_ = static_cast<uint8_t>(std::max(0, c_.ValueCB->currentIndex()));
            c_.ValueCB->setEnabled(false);
            targetIndex_ = 0;
            changedCount_ = 0;
            failed_ = meshResetFailed_ = terminalResetFailed_ = false;
            steps_.Start(2);
            break;
        case 2:
            StoreStep();
            break;
        case 3:
            StorePoll();
            break;
        case 4: {
            c_.TextLB->setText(steps_.Text(allTargets_ ? QString::fromUtf8(texts_.resetMesh)
                                                      : texts_.resetElement + QString::number(targets_[0])));
            Send(RequestNodeReset(link, Network::Mesh, allTargets_ ? kWholeMesh : targets_[0]), 5, 9);
            meshResetFailed_ = failed_;
            break;
        }
        case 5:
            ResetPoll(4, meshResetFailed_, targetIndex_ > 0 && targets_[targetIndex_ - 1] == kTerminalTarget ? 6 : 9);
            break;
        case 6:
            c_.TextLB->setText(steps_.Text(QStringLiteral("Resetting terminal..")));
            Send(RequestNodeReset(link, Network::Local, 0), 7, 9);
            terminalResetFailed_ = failed_;
            break;
        case 7:
            ResetPoll(6, terminalResetFailed_, 9);
            break;
        case 9:
            Finish();
            break;
        default:
            StepProtocolError(ProcesTimer(), MessageIcon::Exclamation);
            break;
    }
}

void StoreValueWindow::StoreStep()
{
    const uint8_t entry = CurrentTarget();
    if (entry == 0) {
        steps_.Step = targets_[0] == kTerminalTarget ? 6 : 4;
        return;
    }
    c_.TextLB->setText(steps_.Text(entry == kTerminalTarget ? QString::fromUtf8(texts_.storeTerminal)
                                                            : QString::asprintf(texts_.storeElement, entry)));
    Send(ToTarget(entry, requests_.store, newValue_), 3, 9);
}

void StoreValueWindow::StorePoll()
{
    if (!PollAnswer(9))
        return;
    if (answer_.error != 0) {
        if (!steps_.Refused(2, 9))
            failed_ = true;
        return;
    }
    if (Positive()) {
        steps_.RepeatNo = 0;
        if (CurrentTarget() == kTerminalTarget)
            session_.model.ElementTable[0].*requests_.modelField = kUnknown;
        ++targetIndex_;
        ++changedCount_;
        steps_.Step = 2;
        return;
    }
    if (steps_.Refused(2, 9))
        return;
    if (!allTargets_) {
        failed_ = true;
        return;
    }
    AskSkip();
}

void StoreValueWindow::AskSkip()
{
    ProcesTimer()->stop();
    const MessageResult answer =
        Message(QStringLiteral("Warning!"), QString::fromUtf8(texts_.skipQuestion).arg(CurrentTarget()),
                texts_.skipButtons, MessageIcon::Exclamation);
    if (answer == texts_.skipRetry) {
        steps_.RepeatNo = 0;
        steps_.Step = 2;
    } else if (answer == texts_.skipIgnore) {
        steps_.RepeatNo = 0;
        ++targetIndex_;
        steps_.Step = 2;
    } else {
        failed_ = true;
        steps_.Step = 9;
    }
    ProcesTimer()->start();
}

// A reset that cannot be done is reported as such, whether the terminal refused it or the
// line failed.
void StoreValueWindow::ResetPoll(int sendStep, bool& resetFailed, int positiveNext)
{
    if (!PollAnswer(9)) {
        resetFailed = failed_;
        return;
    }
    if (answer_.error == 0 && Positive()) {
        steps_.RepeatNo = 0;
        steps_.Step = positiveNext;
        return;
    }
    if (!steps_.Refused(sendStep, 9))
        failed_ = resetFailed = true;
}

void StoreValueWindow::Finish()
{
    c_.ValueCB->setEnabled(true);
    ProcesTimer()->stop();
    c_.UlozitBT->setText(QStringLiteral("Save"));
    c_.ZavritBT->setEnabled(true);
    if (!failed_) {
        c_.TextLB->setText(QString::fromUtf8(texts_.finished));
        return;
    }
    QString text;
    if (meshResetFailed_) {
        text = QString::fromUtf8(texts_.meshResetFailed);
    } else if (terminalResetFailed_) {
        text = QString::fromUtf8(texts_.terminalResetFailed);
    } else {
        text = texts_.failedElement + QString::number(CurrentTarget());
        if (changedCount_ > 0)
            text += QString::fromUtf8(texts_.repeatAdvice);
    }
    Message(QStringLiteral("Error!"), text, MessageButtons::Ok, MessageIcon::Error);
    c_.TextLB->setText(QStringLiteral("Action failed"));
}

}  // namespace kolmaris
