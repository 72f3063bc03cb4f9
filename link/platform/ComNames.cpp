// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComNames.h"

#include <charconv>

namespace kolmaris::platform {

int ComPortNumber(std::string_view name)
{
    if (name.size() < 4 || name.size() > 6)
        return 0;
    for (int i = 0; i < 3; ++i) {
        if ((name[i] & ~0x20) != "COM"[i])
            return 0;
    }
    const std::string_view digits = name.substr(3);
    int port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (error != std::errc() || end != digits.data() + digits.size() || digits[0] == '0')
        return 0;
    return port >= 1 && port <= 255 ? port : 0;
}

std::string ComDevicePath(int port)
{
    if (port < 1 || port > 255)
        return {};
    return "\\\\.\\COM" + std::to_string(port);
}

}  // namespace kolmaris::platform
