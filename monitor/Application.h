// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The running program: the real serial port and clock, the one link, the dialogs, the
// session, and every window, created once with the main window first.

#include "Clock.h"
#include "QtDialogs.h"
#include "QtSerialPort.h"
#include "Session.h"
#include "StepLink.h"
#include "ToolWindows.h"

#include <memory>

namespace kolmaris {

class TMainWND;

inline constexpr char kApplicationTitle[] = "Kolmaris";
inline constexpr char kApplicationVersion[] = KOLMARIS_VERSION;

class Application {
public:
    // Needs the QApplication to exist.
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void Show();
    TMainWND& MainWindow() { return *mainWindow_; }
    const ToolWindows& Windows() const { return windows_; }
    QtDialogs& Dialogs() { return dialogs_; }

private:
    QtSerialPort port_;
    SteadyClock clock_;
    StepLink link_{port_, clock_};
    QtDialogs dialogs_;
    Session session_{link_, dialogs_};
    std::unique_ptr<TMainWND> mainWindow_;  // owns the tool windows as its children
    ToolWindows windows_;
};

}  // namespace kolmaris
