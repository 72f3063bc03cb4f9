// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortRefusals.h"

#include "PortDirectory.h"

namespace kolmaris {

namespace {

std::string PortName(uint8_t number)
{
    const auto device = DevicePathForPort(number);
    return device.empty() ? "COM " + std::to_string(number) : FormatPortEntry({number, device});
}

std::string Names(const std::vector<RefusedPort>& ports, PortError error)
{
    std::string names;
    for (const RefusedPort& port : ports) {
        if (port.error != error)
            continue;
        if (!names.empty())
            names += ", ";
        names += PortName(port.number);
    }
    return names;
}

}  // namespace

std::string RefusalText(PortError error)
{
    if (error == PortError::NoAccess)
        return std::string("no access: ") + kNoAccessFix;
    return "busy: another program holds it";
}

std::string DescribeRefusedPorts(const std::vector<RefusedPort>& ports)
{
    const std::string busy = Names(ports, PortError::AccessDenied);
    const std::string denied = Names(ports, PortError::NoAccess);
    std::string text = busy.empty() ? "" : "busy: " + busy;
    if (!denied.empty())
        text += std::string(text.empty() ? "" : "; ") + "no access: " + denied + " - " + kNoAccessFix;
    return text;
}

}  // namespace kolmaris
