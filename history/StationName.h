// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one rule for station names, the same on SQLite and PostgreSQL: checked where a command
// starts, before any work, and again by the archive before it stores.

#include <string>

namespace kolmaris::history {

// The archive's column holds this many characters.
inline constexpr int kStationNameLimit = 100;

// Empty when `name` may name a station; else why not, in one line.
std::string StationNameProblem(const std::string& name);

}  // namespace kolmaris::history
