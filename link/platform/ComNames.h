// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows' names of serial ports: "COM1" to "COM255", opened as "\\.\COMn" (the only form
// that reaches COM10 and above).

#include <string>
#include <string_view>

namespace kolmaris::platform {

// The number of a port name as Windows lists it ("COM7" is 7, "com7" too); 0 for any other
// name, a number outside 1-255 or one with leading zeros.
int ComPortNumber(std::string_view name);

// "\\.\COM7" for 7; empty outside 1-255.
std::string ComDevicePath(int port);

}  // namespace kolmaris::platform
