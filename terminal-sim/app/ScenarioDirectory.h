// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scenario files that ship with the simulator, and the file a --scenario argument names.

#include <filesystem>
#include <string>
#include <vector>

namespace kolmaris {

// share/kolmaris/scenarios of the installation the running program belongs to; for a program
// run from its build tree, the source tree's terminal-sim/scenarios. Empty when neither exists.
std::filesystem::path ShippedScenarioDirectory();

// The names of the scenarios in `directory` (its .json files without the extension), sorted.
std::vector<std::string> ScenarioNames(const std::filesystem::path& directory);

// The file that --scenario ARGUMENT names: a file that exists as it stands, else a bare name
// (no directory part), with or without ".json", of a scenario in `directory`. An argument with
// a directory part comes back unchanged, so that reading it names what is missing; a bare name
// found nowhere gives an empty path.
std::filesystem::path ResolveScenarioFile(const std::string& argument, const std::filesystem::path& directory);

}  // namespace kolmaris
