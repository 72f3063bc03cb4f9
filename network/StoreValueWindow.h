// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run the channel and IQRF mode windows share: store the new value into every target,
// elements from the highest MESH address down and the terminal last, asking what to do with an
// element that keeps refusing; then reset the MESH (or the single element) and the terminal so
// that the value takes effect. The two windows differ in their value list, requests and texts.

#include "TargetWindow.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kolmaris {

struct StoreValueTexts {
    const char* storeElement;     // "%d": the address
    const char* storeTerminal;
    const char* skipQuestion;     // "%1": the entry
    MessageButtons skipButtons;
    MessageResult skipRetry, skipIgnore;  // any other answer aborts
    const char* resetMesh;
    const char* resetElement;     // followed by the address
    const char* meshResetFailed;
    const char* terminalResetFailed;
    const char* failedElement;    // followed by the entry
    const char* repeatAdvice;
    const char* finished;
};

struct StoreValueRequests {
    uint32_t (*read)(StepLink&, Network, uint8_t);
    uint32_t (*store)(StepLink&, Network, uint8_t, uint8_t);
    uint8_t ElementSlot::*modelField;  // the terminal's field that becomes unknown once it accepts
};

class StoreValueWindow : public TargetWindow {
    Q_OBJECT
public:
    struct Controls {
        QLabel* TextLB;
        QComboBox* MeshAdrCB;
        QComboBox* ValueCB;
        QPushButton* UlozitBT;
        QPushButton* ZavritBT;
    };

    StoreValueWindow(Session& session, const StoreValueTexts& texts, const StoreValueRequests& requests,
                     QWidget* parent = nullptr);

public slots:
    void FormShow() override;
    void FormHide() override;
    void UlozitBTClick();
    void ProcesTimerTimer() override;

protected:
    // Set by the window once its layout is up.
    void SetControls(const Controls& controls);
    // The value list as the show procedure leaves it, before the terminal's value is selected.
    virtual void FillValues(QComboBox& /*ValueCB*/) {}

private:
    void StoreStep();
    void StorePoll();
    void ResetPoll(int sendStep, bool& resetFailed, int positiveNext);
    void AskSkip();
    void Finish();

    const StoreValueTexts& texts_;
    StoreValueRequests requests_;
    Controls c_{};
    bool allTargets_ = false;
    uint8_t newValue_ = 0;
    int changedCount_ = 0;
    bool meshResetFailed_ = false;
    bool terminalResetFailed_ = false;
};

}  // namespace kolmaris
