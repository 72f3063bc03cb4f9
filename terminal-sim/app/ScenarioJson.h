// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scenario files: a JSON object describing the simulated system. Every key is optional.
// "base" picks the starting point, "default" (the built-in system, when missing) or "empty"
// (no elements, every setting at its plain default); the other keys override it. An
// "elements" array replaces the starting point's elements as a whole; each element starts
// from the plain element defaults. Without a "name" the scenario is named after the file.
// Integers may be written as numbers or as strings ("0x020E", "18446744073709551615");
// "terminal.startTime" also takes "YYYY-MM-DD hh:mm:ss" on the terminal's clock, or "now".
// Unknown keys, wrong types and values out of range are errors naming the key.

#include "Scenario.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kolmaris {

// Keep the files small enough to read by hand and the simulation light.
inline constexpr std::size_t kMaxScenarioElements = 64;
inline constexpr double kMaxPrefillDays = 365.0;

struct ScenarioLoad {
    std::optional<Scenario> scenario;  // set on success
    std::string error;                 // one line naming the source, set on failure
};

// `source` names the text in messages; its stem is the name when the text gives none.
ScenarioLoad ParseScenarioJson(std::string_view json, const std::string& source);
ScenarioLoad LoadScenarioFile(const std::filesystem::path& file);

// The complete file for `scenario`, every key written; ParseScenarioJson reads it back.
std::string ScenarioToJson(const Scenario& scenario);

}  // namespace kolmaris
