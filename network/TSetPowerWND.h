// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Power settings": reads the RF power (0..7) of one target and writes a new level into one
// element, the terminal, or the terminal and every bonded element, into RAM and then EEPROM.

#include "TargetWindow.h"

#include <memory>

namespace Ui {
class TSetPowerWND;
}

namespace kolmaris {

class TSetPowerWND : public TargetWindow {
    Q_OBJECT
public:
    explicit TSetPowerWND(Session& session, QWidget* parent = nullptr);
    ~TSetPowerWND() override;

public slots:
    void FormShow() override;
    void FormHide() override;
    void MeshAdrCBChange();
    void NacistBTClick();
    void UlozitBTClick();
    void ProcesTimerTimer() override;

private:
    QString TargetText(const char* elementFormat, const char* terminalText) const;
    void FinishReading();
    void FinishWriting();

    std::unique_ptr<Ui::TSetPowerWND> ui_;
    uint8_t newValue_ = 0;
};

}  // namespace kolmaris
