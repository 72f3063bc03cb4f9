// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Radon records as text: the time as "2026-12-07 10:15" and the records as CSV (times in ISO 8601
// with the terminal's offset), the same for the command line and the history window. Qt-free.

#include <ostream>
#include <string>
#include <vector>

#include "ArchiveRows.h"

namespace kolmaris::history {

// On the terminal's clock, to the minute.
std::string IsoTime(TerminalTime time);

// A header line, then one line per record.
void WriteRadonCsv(const std::vector<RadonRow>& rows, std::ostream& out);

}  // namespace kolmaris::history
