// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tool's one link to the terminal: the real serial port (counted), the steady clock and
// the STEP link, connected as the options say: to a device path, to a COM number, or by
// automatic detection over COM 1 to 255.

#include "CommandLine.h"
#include "CountingPort.h"
#include "DeviceMapping.h"
#include "SystemSerialPort.h"
#include "StepLink.h"

#include <memory>
#include <ostream>
#include <string>

namespace kolmaris::cli {

class TerminalConnection {
public:
    TerminalConnection() = default;
    ~TerminalConnection();
    TerminalConnection(const TerminalConnection&) = delete;
    TerminalConnection& operator=(const TerminalConnection&) = delete;

    // Runs the detection handshake (on a given port or device up to `attempts` times); false
    // with a one-line `error` when no terminal answers. Sets the reply time-out of the options.
    // With `log`, every exchange on the line is written there, one line each.
    bool Connect(const CliOptions& options, std::string& error, std::ostream* log = nullptr);

    StepLink& Link() { return link_; }
    // "COM 97 (/dev/pts/3)", or the device path given.
    const std::string& Where() const { return where_; }
    // "Line: N bytes written, M bytes read".
    std::string StatsText() const;

private:
    bool Detect(int number, int attempts);
    std::string PortName(int number) const;
    std::string Refusal(const std::string& name) const;

    SystemSerialPort device_;
    CountingPort port_{device_};
    SteadyClock clock_;
    StepLink link_{port_, clock_};
    std::unique_ptr<DeviceMapping> mapping_;
    std::string where_;
};

}  // namespace kolmaris::cli
