// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Add bond": searches a range of RF channels for a new element, reads its caption, bonds it at
// a free MESH address the user picks, checks the bond, moves the element to the terminal's own
// channel and puts the terminal back on that channel.

#include "ToolWindow.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QTimer;

namespace Ui {
class TAddBondWND;
}

namespace kolmaris {

class TAddBondWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TAddBondWND(Session& session, QWidget* parent = nullptr);
    ~TAddBondWND() override;

    QTimer* AddBondTimer() const { return AddBondTimer_; }
    uint8_t TerminalChannel() const { return TerminalChannel_; }
    uint8_t HomeChannel() const { return HomeChannel_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void VyhledatBTClick();
    void AddBondBTClick();
    void AddBondTimerTimer();

private:
    void NextChannel();
    void ReportSearch();
    void Finish();
    void ShowBondChoice(bool shown);
    // An opening exchange whose answer must also be `usable`; an unusable one asks again.
    bool ReadUsable(const RelayedSend& send, const std::function<bool(const RelayedAnswer&)>& usable,
                    RelayedAnswer& answer);
    // Puts the terminal back on HomeChannel when it is elsewhere (blocking, with the retry question).
    void RestoreHomeChannel();

    std::unique_ptr<Ui::TAddBondWND> ui_;
    QTimer* AddBondTimer_;
    SendPollStep steps_;
    RelayedAnswer answer_;

    int ResultCode = 0;
    uint8_t StartChannel = 0;
    uint8_t StopChannel = 0;
    uint8_t ScanChannel = 0;
    uint8_t TerminalChannel_ = 0;
    uint8_t HomeChannel_ = 0;
    uint8_t FoundP2P = 0xFF;
    bool FoundBonded = false;
    uint8_t FoundMeshAdr = 0;
    std::string FoundCaption;
    uint8_t NewMeshAdr = 0;
};

}  // namespace kolmaris
