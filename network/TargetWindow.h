// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Base of the windows that write a radio setting into targets: the target selector
// `MeshAdrCB` ("All", "Term", then the bonded MESH addresses), the target list of a run, the
// one-shot preset, the process timer and the counters of its send and poll steps.

#include "Session.h"
#include "ToolWindow.h"

#include <cstdint>
#include <vector>

class QComboBox;
class QTimer;

namespace kolmaris {

// The terminal's entry in a target list.
inline constexpr uint8_t kTerminalTarget = 100;
// Preset targets.
inline constexpr uint8_t kPresetAll = 255;
inline constexpr uint8_t kPresetTerminal = 0;

class TargetWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit TargetWindow(Session& session, QWidget* parent = nullptr);

    // For the next showing only: select `value` and `target` (0 "Term", 255 "All", else a MESH
    // address).
    void Preset(uint8_t target, uint8_t value)
    {
        PresetTarget = target;
        PresetValue = value;
        PresetPending = true;
    }

    QTimer* ProcesTimer() const { return procesTimer_; }

    bool PresetPending = false;
    uint8_t PresetTarget = 0;
    uint8_t PresetValue = 0;

public slots:
    void FormHide() override;
    virtual void ProcesTimerTimer() = 0;

protected:
    enum Item { ItemAll = 0, ItemTerminal = 1 };

    // Reads the bonding map (the retry question on failure; a declined retry closes the
    // window) and fills `MeshAdrCB`. False when declined.
    bool FillTargets(QComboBox& MeshAdrCB);
    // The item of a preset target.
    int PresetItem(uint8_t target) const;
    // TargetList from the selected item: the address, or 100 for "Term"; for "All" the bonded
    // addresses (`descending` from 16, else ascending) with 100 last, or first when
    // `terminalFirst`. Closed by 0. True for "All".
    bool BuildTargetList(int item, bool descending, bool terminalFirst);
    uint8_t CurrentTarget() const { return targetIndex_ < targets_.size() ? targets_[targetIndex_] : 0; }
    bool AnyBonded() const { return !bonded_.empty(); }
    // The model's slot of a target (0 for the terminal).
    ElementSlot& SlotOf(uint8_t target);

    // The request of a target: MESH and its address, or local with address byte 100.
    template <class Request, class... Args>
    uint32_t ToTarget(uint8_t target, Request request, Args... args)
    {
        return target == kTerminalTarget ? request(session_.link, Network::Local, kTerminalTarget, args...)
                                         : request(session_.link, Network::Mesh, target, args...);
    }
    // A send step; a give-up sets `failed_` and moves to `finishStep`.
    void Send(uint32_t result, int next, int finishStep);
    // Polls the current request's answer. Failed polls count in AttemptNo (give-up: `failed_`
    // and `finishStep`). True with a complete answer in `answer_`, which may carry an error.
    bool PollAnswer(int finishStep);
    // A complete answer without error that is a positive answer to a write.
    bool Positive() const { return answer_.error == 0 && IsPositiveAnswer(answer_); }

    SendPollStep steps_;
    RelayedAnswer answer_;
    std::vector<uint8_t> targets_{0};
    std::size_t targetIndex_ = 0;
    bool failed_ = false;

private:
    QTimer* procesTimer_;
    std::vector<uint8_t> bonded_;
};

}  // namespace kolmaris
