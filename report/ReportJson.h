// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The figures of a measurement report as JSON: snake_case keys, times ISO 8601 with the terminal's
// offset, concentrations in Bq/m3. Qt-free.

#include <string>

#include "ReportFigures.h"

namespace kolmaris::report {

// Indented, ending with a newline.
std::string ReportJson(const Report& report);

}  // namespace kolmaris::report
