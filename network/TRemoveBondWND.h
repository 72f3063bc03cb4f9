// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Remove bond": takes one element, or all elements, out of the MESH: deletes the bond in the
// element over the radio, takes its slot out of the measuring system, deletes the bond in the
// terminal and resets the model entry once the terminal has confirmed. "Read" fetches the
// element's P2P address.

#include "ToolWindow.h"

#include <cstdint>
#include <memory>

class QTimer;

namespace Ui {
class TRemoveBondWND;
}

namespace kolmaris {

class TRemoveBondWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TRemoveBondWND(Session& session, QWidget* parent = nullptr);
    ~TRemoveBondWND() override;

    QTimer* RemoveBondTimer() const { return RemoveBondTimer_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void MeshAdrCBChange();
    void NacistBTClick();
    void OdebratBTClick();
    void LokalneCBClick();
    void AllLocCBClick();
    void RemoveBondTimerTimer();

private:
    uint8_t SelectedAddress() const;
    // The next step follows at once.
    void SkipTo(int step);
    void DeleteLocalSlots();
    void ReportRead();
    void Finish();

    std::unique_ptr<Ui::TRemoveBondWND> ui_;
    QTimer* RemoveBondTimer_;
    SendPollStep steps_;
    RelayedAnswer answer_;

    // Enables or disables the controls a removal run must not see change.
    void EnableRemoveControls(bool enabled);

    int ResultCode = 0;
    uint8_t SelMeshAdr = 0;
    // The options, taken when a removal starts.
    bool TerminalOnly = false;
    bool RemoveAll = false;
};

}  // namespace kolmaris
