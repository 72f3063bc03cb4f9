// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "StoreReport.h"
#include "TabImport.h"

namespace kolmaris::cli {

namespace {

std::string Span(TerminalTime first, TerminalTime last)
{
    return FormatTime(first, true, false) + " to " + FormatTime(last, true, false) + ", " + kTerminalTimeZone;
}

Exit Stats(history::StationArchive& archive, CommandIo& io)
{
    std::map<std::string, history::StationContent> content;
    std::string error;
    if (!archive.Content(content, error)) {
        ReportError(io.err, "cannot read " + archive.Where() + ": " + error);
        return Exit::Archive;
    }
    io.out << "Archive " << archive.Where() << " (schema version " << archive.SchemaVersion() << ")\n";
    if (content.empty())
        io.out << "No records.\n";
    for (const auto& [station, s] : content) {
        io.out << "Station \"" << station << "\": " << s.meteoRecords << " meteo records";
        if (s.meteoRecords > 0)
            io.out << " (" << Span(s.first, s.last) << ")";
        io.out << ", " << s.diaEvents << " diagnostic events\n";
        for (const auto& [probe, p] : s.probes) {
            io.out << "  Probe " << probe << ": " << p.radonRecords << " radon records";
            if (p.radonRecords > 0)
                io.out << " (" << Span(p.first, p.last) << ")";
            io.out << ", " << p.spectra << " spectra\n";
        }
    }
    io.out.flush();
    return Exit::Ok;
}

Exit Import(history::StationArchive& archive, const CliOptions& options, CommandIo& io)
{
    history::ArchiveBatch batch;
    std::string error;
    const std::vector<std::filesystem::path> paths(options.paths.begin(), options.paths.end());
    if (!history::ImportTabPaths(paths, batch, error)) {
        ReportError(io.err, error);
        ReportError(io.err, "nothing imported");
        return Exit::Archive;
    }
    return StoreAndReport(archive, options.station, batch, io);
}

}  // namespace

Exit RunArchive(const CliOptions& options, CommandIo& io)
{
    const bool import = options.archiveAction == ArchiveAction::Import;
    if (import && !CheckStation(options.station, io))
        return Exit::Usage;
    history::StationArchive archive;
    if (!OpenArchive(archive, options.archive, io,
                     import ? history::StationArchive::Use::Write : history::StationArchive::Use::Read))
        return Exit::Archive;
    return import ? Import(archive, options, io) : Stats(archive, io);
}

}  // namespace kolmaris::cli
