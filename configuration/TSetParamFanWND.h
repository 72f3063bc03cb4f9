// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Actuator setting": reads and sets the relay mode (Off, On, Auto) of one actuator and shows
// whether its relay is on and whether it fails. The main window's actuator panel opens it with
// a preset: that actuator and its last known state, shown without an exchange.

#include "ToolWindow.h"

#include <cstdint>
#include <memory>

class QTimer;

namespace Ui {
class TSetParamFanWND;
}

namespace kolmaris {

class TSetParamFanWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TSetParamFanWND(Session& session, QWidget* parent = nullptr);
    ~TSetParamFanWND() override;

    // Used once, at the next showing: the actuator at `target` with its status flags `state`.
    void SetPreset(uint8_t target, uint8_t state);

    QTimer* ProcesTimer() const { return ProcesTimer_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void LoadBTClick();
    void SaveBTClick();
    void ProcesTimerTimer();

private:
    void StartAction(int step);
    // Poll of an action: a complete answer of `length` carries the flags at `flagsAt`.
    void PollStep(int sendStep, int endStep, uint8_t length, std::size_t flagsAt);
    // Stops the timer and enables the buttons; true when the action succeeded, else "Action failed".
    bool EndAction();
    void TakeFlags(uint8_t flags);
    void ShowMode();
    void ShowState(const QString& onText);
    // No mode checked, `stateText` as the state.
    void ShowNoState(const QString& stateText);

    std::unique_ptr<Ui::TSetParamFanWND> ui_;
    QTimer* ProcesTimer_;
    SendPollStep steps_;  // AttemptNo against 3; RepeatNo (wrong lengths) against AttemptCount
    uint8_t target_ = 0;
    uint8_t relayMode_ = 0;
    bool relayOn_ = false;
    bool relayFailure_ = false;
    bool ActionFailed = false;
    bool PresetPending = false;
    uint8_t PresetTarget = 0;
    uint8_t PresetState = 0;
};

}  // namespace kolmaris
