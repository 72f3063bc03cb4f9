// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names are UTF-8 inside the program. These convert at the edge to the system's path type
// (wide on Windows), so "Zürich-Süd" stays itself on both systems.

#include <filesystem>
#include <string>
#include <string_view>

namespace kolmaris {

inline std::filesystem::path PathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace kolmaris
