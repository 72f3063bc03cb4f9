// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "RSSI": measures the radio link between the terminal and one bonded element over and over:
// the signal strength the element received, then the terminal's own, then a pause the user
// sets. The selection may change while measuring; the next cycle follows it.

#include "ToolWindow.h"

#include <cstdint>
#include <memory>

class QTimer;

namespace Ui {
class TRssiBondWND;
}

namespace kolmaris {

class TRssiBondWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TRssiBondWND(Session& session, QWidget* parent = nullptr);
    ~TRssiBondWND() override;

    QTimer* RssiTimer() const { return RssiTimer_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void StartRssiBTClick();
    void RssiTimerTimer();

private:
    void Ask();
    void Judge();
    void Pause();

    std::unique_ptr<Ui::TRssiBondWND> ui_;
    QTimer* RssiTimer_;
    SendPollStep steps_;  // step 1 asks, step 2 waits for the answer
    RelayedAnswer answer_;
    uint8_t address_ = 0;  // of the current cycle
};

}  // namespace kolmaris
