// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Radon probes setting": reads the measuring parameters of one radon probe (discrimination
// thresholds, calibration, limit, gain, record time), writes them in service mode, reads the
// probe's clock and total counts, and opens the probe initialisation.

#include "ToolWindow.h"

#include <cstdint>
#include <memory>
#include <optional>

class QTimer;

namespace Ui {
class TSetParamSensorWND;
}

namespace kolmaris {

class TInitSensorWND;

// The parameters in the order they travel.
struct ProbeParams {
    uint8_t discrimination1 = 0;
    uint8_t discrimination2 = 0;
    uint8_t discrimination3 = 0;
    uint16_t calibration = 0;
    uint16_t limit = 0;
    uint8_t gain = 0;
    uint8_t recordTime = 0;  // minutes
};

class TSetParamSensorWND : public ToolWindow {
    Q_OBJECT
public:
    TSetParamSensorWND(Session& session, TInitSensorWND& initWindow, QWidget* parent = nullptr);
    ~TSetParamSensorWND() override;

    QTimer* ParamsTimer() const { return ParamsTimer_; }

    // What a complete answer to a request means.
    enum class Verdict { Taken, Busy, Failed };
    using Judge = Verdict (*)(const RelayedAnswer&);

public slots:
    void FormShow() override;
    void FormHide() override;
    void LoadBTClick();
    void SaveBTClick();
    void Button2Click();
    void Button1Click();
    void ParamsTimerTimer();

private:
    // Empties the parameter edits and the info values and disables Save until the selected
    // probe's values are read.
    void ForgetValues();
    // The edits as parameters; nothing, after a message naming the field, when one is out of range.
    std::optional<ProbeParams> ParamsFromEdits();
    void ShowParams(const ProbeParams& params);
    // The MESH address MeshAdrCB shows, 0 when none.
    int SelectedProbe() const;
    void StartAction(int step);
    void SetActionButtonsEnabled(bool enabled);
    // The poll step of an action: polls, then judges a complete answer. Taken: on to the end
    // step. Busy: sent again, three sends in all. Failed: the action fails.
    void PollStep(int sendStep, int endStep, Judge judge);
    // Stops the timer and enables the buttons; true when the action succeeded, else "Action failed".
    bool EndAction();

    std::unique_ptr<Ui::TSetParamSensorWND> ui_;
    TInitSensorWND& initWindow_;
    QTimer* ParamsTimer_;
    SendPollStep steps_;  // RepeatNo counts busy answers
    uint8_t target_ = 0;
    bool ActionFailed = false;
    RelayedAnswer answer_;
    ProbeParams writing_;
    int valuesOf_ = 0;  // the probe whose values the edits hold, 0 when they hold none read
};

}  // namespace kolmaris
