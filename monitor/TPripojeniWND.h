// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link parameters dialog: COM port (or automatic detection), reply time-out and retry
// count. Showing it drops the link; the main window's timer reconnects after it closes.

#include "ToolWindow.h"

#include <memory>

class QLabel;
class QTimer;

namespace Ui {
class TPripojeniWND;
}

namespace kolmaris {

class TPripojeniWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TPripojeniWND(Session& session, QWidget* parent = nullptr);
    ~TPripojeniWND() override;

    // For the main window's menu entry: stops its polling timer (set to 200 ms) and empties
    // its status line, shows the dialog modally, restarts the timer whatever the result.
    int ExecWithPollingStopped(QTimer* pollingTimer, QLabel* statusLine);

public slots:
    void FormShow() override;
    void OkBTClick();
    void StornoBTClick();
    // Enter (13) acts as OK, Escape (27) as Close; true when the key was one of them.
    bool VybratPortCBKeyPress(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListPorts();

    std::unique_ptr<Ui::TPripojeniWND> ui_;
};

}  // namespace kolmaris
