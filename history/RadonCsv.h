#pragma once
// Radon records as text: the time as "2026-12-07 10:15" and the records as CSV, the same for the
// command line and the history window. Qt-free.

#include <ostream>
#include <string>
#include <vector>

#include "ArchiveRows.h"

namespace kolmaris::history {

// On the terminal's clock; `between` separates date and time.
std::string IsoTime(TerminalTime time, char between = ' ');

// A header line, then one line per record.
void WriteRadonCsv(const std::vector<RadonRow>& rows, std::ostream& out);

}  // namespace kolmaris::history
