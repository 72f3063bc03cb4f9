// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What this process has of its system: its id, its environment, a private temporary directory.

#include <filesystem>
#include <optional>
#include <string>

namespace kolmaris::platform {

unsigned long ProcessId();

// Sets the variable, or removes it when `value` is empty (no value at all).
void SetEnvironmentValue(const char* name, const std::optional<std::string>& value);

// A new directory of this process's own below the system's temporary directory, its name
// starting with `prefix`; empty when none could be made.
std::filesystem::path MakeTemporaryDirectory(const char* prefix);

}  // namespace kolmaris::platform
