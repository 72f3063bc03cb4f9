// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "RadonCsv.h"
#include "RadonStatistics.h"
#include "StoreReport.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace kolmaris::cli {

namespace {

using history::IsoTime;

std::string Decimal(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void StatisticsText(const history::RadonStatistics& s, int reference, std::ostream& out)
{
    out << "Records: " << s.count << '\n';
    if (s.count == 0)
        return;
    out << "Mean: " << Decimal(s.mean, 1) << " Bq/m3\n"
        << "Minimum: " << s.min << " Bq/m3\n"
        << "Maximum: " << s.max << " Bq/m3\n"
        << "Hours above " << reference << " Bq/m3: " << Decimal(s.hoursAbove, 2) << '\n';
}

void Text(const CliOptions& o, const std::vector<history::RadonRow>& rows, const history::RadonStatistics& s,
          std::ostream& out)
{
    out << "Station \"" << o.station << "\", probe " << o.probe << ", radon records from " << IsoTime(o.since) << " to "
        << IsoTime(o.until) << " (terminal time, " << kTerminalTimeZone << ")\n";
    if (!rows.empty())
        out << "time              radon[Bq/m3]  temperature[C]  humidity[%]\n";
    for (const history::RadonRow& r : rows) {
        char line[96];
        std::snprintf(line, sizeof line, "%s  %12u  %14d  %11d\n", IsoTime(r.time).c_str(), r.radon, r.temperature,
                      r.humidity);
        out << line;
    }
    StatisticsText(s, o.reference, out);
}

double Rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

void Json(const CliOptions& o, const std::vector<history::RadonRow>& rows, const history::RadonStatistics& s,
          std::ostream& out)
{
    nlohmann::ordered_json statistics{{"records", s.count}};
    if (s.count > 0) {
        statistics["mean"] = Rounded(s.mean, 3);
        statistics["min"] = s.min;
        statistics["max"] = s.max;
        statistics["reference_level"] = o.reference;
        statistics["hours_above"] = Rounded(s.hoursAbove, 4);
    }
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (const history::RadonRow& r : rows)
        records.push_back({{"time", FormatIsoTime(r.time)},
                           {"radon", r.radon},
                           {"sum1", r.sum1},
                           {"sum2", r.sum2},
                           {"sum3", r.sum3},
                           {"sum4", r.sum4},
                           {"temperature", r.temperature},
                           {"humidity", r.humidity},
                           {"hv", r.hv}});
    const nlohmann::ordered_json document{{"station", o.station},           {"probe", o.probe},
                                          {"from", FormatIsoTime(o.since)}, {"to", FormatIsoTime(o.until)},
                                          {"statistics", statistics},       {"records", records}};
    // A station name that is no UTF-8 is written with replacement characters, not refused.
    out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// The station named must be one the archive holds, exactly: a name mistyped would give
// "Records: 0" as if the probe had measured nothing. Anything but Ok is said in one line.
Exit CheckStation(history::StationArchive& archive, const std::string& station, CommandIo& io)
{
    std::map<std::string, history::StationContent> content;
    std::string error;
    if (!archive.Content(content, error)) {
        ReportError(io.err, "cannot read " + archive.Where() + ": " + error);
        return Exit::Archive;
    }
    if (content.contains(station))
        return Exit::Ok;
    std::string names;
    for (const auto& [name, held] : content)
        names += (names.empty() ? "\"" : ", \"") + name + '"';
    ReportError(io.err, "the archive " + archive.Where() + " holds no station \"" + station + "\"; " +
                            (names.empty() ? std::string("it holds no stations yet") : "its stations: " + names));
    return Exit::Usage;
}

}  // namespace

Exit RunHistory(const CliOptions& options, CommandIo& io)
{
    if (!CheckStation(options.station, io))
        return Exit::Usage;
    history::StationArchive archive;
    if (!OpenArchive(archive, options.archive, io))
        return Exit::Archive;
    if (const Exit station = CheckStation(archive, options.station, io); station != Exit::Ok)
        return station;
    std::vector<history::RadonRow> rows;
    std::string error;
    if (!archive.RadonRecords(options.station, options.probe, options.since, options.until, rows, error)) {
        ReportError(io.err, "cannot read " + archive.Where() + ": " + error);
        return Exit::Archive;
    }
    const auto stats = history::ComputeStatistics(rows, static_cast<std::uint32_t>(options.reference));
    switch (options.format) {
        case OutputFormat::Text:
            Text(options, rows, stats, io.out);
            break;
        case OutputFormat::Csv:
            // The statistics go beside the table, which stays plain CSV.
            history::WriteRadonCsv(rows, io.out);
            StatisticsText(stats, options.reference, io.err);
            break;
        case OutputFormat::Json:
            Json(options, rows, stats, io.out);
            break;
    }
    io.out.flush();
    return Exit::Ok;
}

}  // namespace kolmaris::cli
