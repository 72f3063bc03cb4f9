// SPDX-License-Identifier: GPL-3.0-or-later
#include "TargetWindow.h"

#include "Session.h"

#include <QComboBox>
#include <QTimer>

#include <algorithm>

namespace kolmaris {

namespace {

constexpr int kProcesTimerMs = 200;

}  // namespace

TargetWindow::TargetWindow(Session& session, QWidget* parent)
    : ToolWindow(session, parent), steps_(session.settings), procesTimer_(new QTimer(this))
{
    SetUpTimer(procesTimer_, "ProcesTimer", kProcesTimerMs, &TargetWindow::ProcesTimerTimer);
    KeepEnterHarmless();
}

void TargetWindow::FormHide()
{
    procesTimer_->stop();
}

bool TargetWindow::FillTargets(QComboBox& MeshAdrCB)
{
    RelayedAnswer map;
    if (!OpeningExchange([](StepLink& link) { return RequestBondingMap(link, Network::Local, 0); }, map))
        return false;
    bonded_ = BondedAddresses(map);
    MeshAdrCB.clear();
    MeshAdrCB.addItem(QStringLiteral("All"));
    MeshAdrCB.addItem(QStringLiteral("Term"));
    for (const uint8_t address : bonded_)
        MeshAdrCB.addItem(QString::number(address));
    return true;
}

int TargetWindow::PresetItem(uint8_t target) const
{
    if (target == kPresetAll)
        return ItemAll;
    if (target == kPresetTerminal)
        return ItemTerminal;
    const auto found = std::find(bonded_.begin(), bonded_.end(), target);
    // An address no longer bonded leaves the selection as it is.
    return found == bonded_.end() ? -1 : ItemTerminal + 1 + static_cast<int>(found - bonded_.begin());
}

bool TargetWindow::BuildTargetList(int item, bool descending, bool terminalFirst)
{
    targets_.clear();
    targetIndex_ = 0;
    const bool all = item == ItemAll;
    if (item == ItemTerminal) {
        targets_.push_back(kTerminalTarget);
    } else if (!all) {
        if (item > ItemTerminal && item - ItemTerminal - 1 < static_cast<int>(bonded_.size()))
            targets_.push_back(bonded_[item - ItemTerminal - 1]);
    } else {
        if (terminalFirst)
            targets_.push_back(kTerminalTarget);
        if (descending)
            targets_.insert(targets_.end(), bonded_.rbegin(), bonded_.rend());
        else
            targets_.insert(targets_.end(), bonded_.begin(), bonded_.end());
        if (!terminalFirst)
            targets_.push_back(kTerminalTarget);
    }
    targets_.push_back(0);
    return all;
}

ElementSlot& TargetWindow::SlotOf(uint8_t target)
{
    return session_.model.ElementTable[target == kTerminalTarget || target >= kTableSlots ? 0 : target];
}

void TargetWindow::Send(uint32_t result, int next, int finishStep)
{
    if (!steps_.Send(result, next, finishStep) && steps_.Step == finishStep)
        failed_ = true;
}

bool TargetWindow::PollAnswer(int finishStep)
{
    switch (steps_.PollOnly(session_.link, answer_, finishStep)) {
        case StepAnswer::Failed:
            if (steps_.Step == finishStep)
                failed_ = true;
            return false;
        case StepAnswer::Incomplete:
            return false;
        case StepAnswer::Error:
        case StepAnswer::Complete:
            return true;
    }
    return false;
}

}  // namespace kolmaris
