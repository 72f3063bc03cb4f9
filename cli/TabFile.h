// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes one ".tab" file anew; an old one is replaced only by a complete new one.

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace kolmaris::cli {

// False, with the one-line `error` and the old file untouched, when it cannot be written in full.
bool WriteTabFile(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write,
                  std::string& error);

}  // namespace kolmaris::cli
