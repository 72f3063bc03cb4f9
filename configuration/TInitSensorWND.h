// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Probe initialisation": sends the initialisation command to one radon probe or to all of
// them: clear the spectrum and record memories, restart the measurement, copy the terminal's
// clock, or (service mode) reset the probe's processor or clear its total counts.

#include "ToolWindow.h"

#include <cstdint>
#include <memory>
#include <vector>

class QTimer;

namespace Ui {
class TInitSensorWND;
}

namespace kolmaris {

class TInitSensorWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TInitSensorWND(Session& session, QWidget* parent = nullptr);
    ~TInitSensorWND() override;

    QTimer* InitSensorTimer() const { return InitSensorTimer_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void InitSensorBTClick();
    void InitSensorTimerTimer();
    void CheckBox1Click();
    void CheckBox5Click();
    void CheckBox6Click();

private:
    void EndRun();
    // Before clearing a probe's memory or initialising more than one probe: one question naming
    // what will be lost. True to go on.
    bool ConfirmRun();
    uint8_t ControlFlagsFromBoxes() const;

    std::unique_ptr<Ui::TInitSensorWND> ui_;
    QTimer* InitSensorTimer_;
    SendPollStep steps_;
    std::vector<uint8_t> ProbeSet;    // MESH addresses of the radon probes, ascending
    std::vector<uint8_t> ProbeQueue;  // the addresses of this run
    std::size_t QueueNo = 0;
    bool InitFailed = false;
    uint8_t ControlFlags = 0;
};

}  // namespace kolmaris
