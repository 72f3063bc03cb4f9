// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// printf-style formatting into a std::string, for the short texts of the Qt-free code.

#include <cstdio>
#include <string>

namespace kolmaris {

template <class... Args>
std::string Printf(const char* format, Args... args)
{
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace kolmaris
