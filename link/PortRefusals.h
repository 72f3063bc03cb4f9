// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ports that exist but would not open, and how to say so: busy (another program holds it) or
// no access (this user may not open it; on Linux the dialout group gives access).

#include "SerialPort.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kolmaris {

struct RefusedPort {
    uint8_t number = 0;
    PortError error = PortError::AccessDenied;  // AccessDenied (busy) or NoAccess
    bool operator==(const RefusedPort&) const = default;
};

// What the user can do about a port without access.
inline constexpr const char* kNoAccessFix =
    "add the user to the dialout group (sudo usermod -aG dialout $USER) and log in again";

// "busy: another program holds it", "no access: add the user to the dialout group ...".
std::string RefusalText(PortError error);

// "busy: COM 97 (/dev/pts/3); no access: COM 1 (/dev/ttyS0), COM 2 (/dev/ttyS1) - add the user
// to the dialout group ..."; empty when nothing was refused.
std::string DescribeRefusedPorts(const std::vector<RefusedPort>& ports);

}  // namespace kolmaris
