// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help texts of kolmaris-cli and of each of its commands.

#include "CommandLine.h"

#include <filesystem>
#include <string>

namespace kolmaris::cli {

// `portDirectory` is where COM links live on this machine (empty when there is none).
std::string ProgramHelp(const std::filesystem::path& portDirectory);
std::string CommandHelp(Command command, const std::filesystem::path& portDirectory);

}  // namespace kolmaris::cli
