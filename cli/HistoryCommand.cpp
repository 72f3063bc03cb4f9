#include "Commands.h"

#include "RadonCsv.h"
#include "RadonStatistics.h"
#include "StoreReport.h"

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

std::string JsonString(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
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
    out << "Station \"" << o.station << "\", probe " << o.probe << ", radon records from " << IsoTime(o.since)
        << " to " << IsoTime(o.until) << " (terminal time)\n";
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

void Json(const CliOptions& o, const std::vector<history::RadonRow>& rows, const history::RadonStatistics& s,
          std::ostream& out)
{
    out << "{\"station\": " << JsonString(o.station) << ", \"probe\": " << o.probe << ", \"from\": \""
        << IsoTime(o.since, 'T') << "\", \"to\": \"" << IsoTime(o.until, 'T') << "\",\n \"statistics\": {\"records\": "
        << s.count;
    if (s.count > 0)
        out << ", \"mean\": " << Decimal(s.mean, 3) << ", \"min\": " << s.min << ", \"max\": " << s.max
            << ", \"reference_level\": " << o.reference << ", \"hours_above\": " << Decimal(s.hoursAbove, 4);
    out << "},\n \"records\": [";
    const char* separator = "\n  ";
    for (const history::RadonRow& r : rows) {
        out << separator << "{\"time\": \"" << IsoTime(r.time, 'T') << "\", \"radon\": " << r.radon
            << ", \"sum1\": " << r.sum1 << ", \"sum2\": " << r.sum2 << ", \"sum3\": " << r.sum3
            << ", \"sum4\": " << r.sum4 << ", \"temperature\": " << r.temperature << ", \"humidity\": " << r.humidity
            << ", \"hv\": " << r.hv << '}';
        separator = ",\n  ";
    }
    out << "]}\n";
}

}  // namespace

Exit RunHistory(const CliOptions& options, CommandIo& io)
{
    if (!CheckStation(options.station, io))
        return Exit::Usage;
    history::StationArchive archive;
    if (!OpenArchive(archive, options.archive, io))
        return Exit::Archive;
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
