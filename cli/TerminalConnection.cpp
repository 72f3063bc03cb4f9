// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalConnection.h"

#include "PortDirectory.h"

namespace kolmaris::cli {

TerminalConnection::~TerminalConnection()
{
    link_.Disconnect();
}

std::string TerminalConnection::PortName(int number) const
{
    const auto device = DevicePathForPort(number);
    return device.empty() ? "COM " + std::to_string(number) : FormatPortEntry({number, device});
}

// Why the handshake on `name` failed: the port would not open, or nothing answered.
std::string TerminalConnection::Refusal(const std::string& name) const
{
    switch (port_.LastError()) {
        case PortError::AccessDenied:
            return name + " is busy: another program holds it";
        case PortError::NoAccess:
            return name + ": no access (permission denied); " + kNoAccessFix;
        case PortError::NotFound:
            return name + " has no device";
        case PortError::Other:
            return name + " cannot be opened";
        case PortError::None:
            break;
    }
    return "no terminal answers on " + name;
}

// The handshake on one port, tried `attempts` times: a byte lost on the line must not end the
// run. A port that does not open is not tried again.
bool TerminalConnection::Detect(int number, int attempts)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (link_.DetectTerminal(static_cast<uint8_t>(number)) == kOk)
            return true;
        if (port_.LastError() != PortError::None)
            break;
    }
    return false;
}

bool TerminalConnection::Connect(const CliOptions& options, std::string& error, std::ostream* log)
{
    link_.ReplyTimeout = options.timeout;
    if (log != nullptr)
        link_.SetLogSink([log](const LinkEvent& event) { *log << "link: " << FormatLinkEvent(event) << std::endl; });
    if (!options.device.empty()) {
        mapping_ = DeviceMapping::Map(options.device, error);
        if (!mapping_)
            return false;
        where_ = mapping_->Device().string();
        if (Detect(DeviceMapping::kPortNumber, options.attempts))
            return true;
        error = Refusal(where_);
        return false;
    }
    if (options.port != 0) {
        where_ = PortName(options.port);
        if (Detect(options.port, options.attempts))
            return true;
        error = Refusal(where_);
        return false;
    }
    // The scan is tried like a single port: a terminal on a busy machine may answer late once.
    for (int attempt = 0; attempt < options.attempts; ++attempt) {
        if (link_.Connect(0) == kOk) {
            where_ = PortName(link_.ConnectedPort);
            return true;
        }
    }
    error = "no terminal found on COM " + std::to_string(kFirstPort) + " to " + std::to_string(kLastPort);
    if (const std::string refused = DescribeRefusedPorts(link_.RefusedPorts()); !refused.empty())
        error += " (" + refused + ")";
    return false;
}

std::string TerminalConnection::StatsText() const
{
    return "Line: " + std::to_string(port_.BytesWritten()) + " bytes written, " + std::to_string(port_.BytesRead()) +
           " bytes read";
}

}  // namespace kolmaris::cli
