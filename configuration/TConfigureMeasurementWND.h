// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// System configuration: the terminal's query and battery times and sleep mode, clearing its
// measurement history, its clock beside the PC's (shown every 200 ms by `TimeTMR`) and setting
// it, and the function of a bonded element. Every change is one or two terminal commands sent
// from a button or list handler.

#include "ToolWindow.h"

#include <memory>

class QTimer;

namespace Ui {
class TConfigureMeasurementWND;
}

namespace kolmaris {

class TConfigureMeasurementWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TConfigureMeasurementWND(Session& session, QWidget* parent = nullptr);
    ~TConfigureMeasurementWND() override;

    QTimer* TimeTMR() const { return timeTmr_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void SaveTimerBTClick();
    void SaveHistoryBTClick();
    void TimeTMRTimer();
    void Button1Click();
    void Button2Click();
    void MeshAdrCBChange();
    void SetBTClick();

private:
    // Reads the timers and the sleep flag into their edits; false when the user gave up.
    bool ReadTimers();
    void Failed(const QString& text);

    std::unique_ptr<Ui::TConfigureMeasurementWND> ui_;
    QTimer* timeTmr_;
    bool FillTimeEdits = false;  // the next clock tick fills the time edits from the PC's clock
};

}  // namespace kolmaris
