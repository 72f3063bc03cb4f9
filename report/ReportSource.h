// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a measurement report covers, and its rows read from the station archive.

#include <string>
#include <vector>

#include "ReportFigures.h"
#include "StationArchive.h"

namespace kolmaris::report {

struct ReportRequest {
    std::string station = history::StationArchive::kDefaultStation;
    std::vector<int> probes;  // MESH addresses; empty: every probe with records in the span
    TerminalTime from = 0, to = kLastTerminalTime;  // both included
    std::uint32_t reference = 300;
};

enum class ReadResult { Ok, ArchiveFailed, NoRecords };

// The radon records, meteo records and diagnostic events of `request`; `error` says why not when
// the archive cannot be read or holds no radon record of the request (or of a probe it names).
ReadResult ReadReportInput(history::StationArchive& archive, const ReportRequest& request, ReportInput& input,
                           std::string& error);

}  // namespace kolmaris::report
