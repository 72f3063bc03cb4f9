// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportSource.h"

#include "RadonCsv.h"

#include <algorithm>
#include <iterator>

namespace kolmaris::report {

namespace {

std::string Span(const ReportRequest& r)
{
    if (r.from == 0 && r.to == kLastTerminalTime)
        return "";
    return " from " + history::IsoTime(r.from) + " to " + history::IsoTime(r.to) + " (terminal time)";
}

}  // namespace

ReadResult ReadReportInput(history::StationArchive& archive, const ReportRequest& request, ReportInput& input,
                           std::string& error)
{
    history::ArchiveBatch rows;
    if (!archive.Rows(request.station, rows, error)) {
        error = "cannot read " + archive.Where() + ": " + error;
        return ReadResult::ArchiveFailed;
    }
    const auto inSpan = [&](TerminalTime t) { return t >= request.from && t <= request.to; };
    input = {};
    input.station = request.station;
    input.reference = request.reference;
    std::map<int, std::vector<history::RadonRow>> found;
    for (const history::RadonRow& r : rows.radon)  // by probe, oldest first
        if (inSpan(r.time))
            found[r.probe].push_back(r);
    const std::string where = "station \"" + request.station + "\" of " + archive.Where();
    if (found.empty()) {
        error = where + " holds no radon records" + Span(request);
        return ReadResult::NoRecords;
    }
    if (request.probes.empty()) {
        input.probes = std::move(found);
    } else {
        for (const int probe : request.probes) {
            const auto it = found.find(probe);
            if (it == found.end()) {
                std::string with;
                for (const auto& [address, probeRows] : found)
                    with += (with.empty() ? "" : ", ") + std::to_string(address);
                error = "probe " + std::to_string(probe) + " of " + where + " has no radon records" + Span(request) +
                        "; probes with records: " + with;
                return ReadResult::NoRecords;
            }
            input.probes[probe] = it->second;
        }
    }
    std::copy_if(rows.meteo.begin(), rows.meteo.end(), std::back_inserter(input.meteo),
                 [&](const history::MeteoRow& m) { return inSpan(m.time); });
    std::copy_if(rows.dia.begin(), rows.dia.end(), std::back_inserter(input.events),
                 [&](const history::DiaRow& e) { return inSpan(e.time); });
    return ReadResult::Ok;
}

}  // namespace kolmaris::report
