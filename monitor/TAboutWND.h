// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About window: versions, date, the maker, the connected terminal's firmware version, and
// the hidden code field that switches the service mode.

#include "ToolWindow.h"

#include <cstdint>
#include <memory>

namespace Ui {
class TAboutWND;
}

namespace kolmaris {

inline constexpr int kServiceAccessCode = 57190;

class TAboutWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TAboutWND(Session& session, QWidget* parent = nullptr);
    ~TAboutWND() override;

    // Written by the main window on every presence check: "Terminal FW version: %d.%02d",
    // major in the high byte; hidden when the check fails.
    void ShowFirmwareVersion(uint16_t version);
    void HideFirmwareVersion();

public slots:
    void FormShow() override;
    void FormActivate();
    void NazevLBCLick();
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::TAboutWND> ui_;
};

}  // namespace kolmaris
