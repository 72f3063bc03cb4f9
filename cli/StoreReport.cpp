// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreReport.h"

#include "StationName.h"
#include "StopSignals.h"

#include <cstdio>

namespace kolmaris::cli {

namespace {

void KindLine(std::ostream& out, const char* kind, const history::KindCounts& c)
{
    char line[160];
    std::snprintf(line, sizeof line, "  %-20s%d new, %d already there", kind, c.added, c.present);
    out << line;
    if (c.conflicts > 0)
        out << ", " << c.conflicts << " differing (kept as they were)";
    out << '\n';
}

}  // namespace

bool CheckStation(const std::string& station, CommandIo& io)
{
    const std::string problem = history::StationNameProblem(station);
    if (problem.empty())
        return true;
    ReportError(io.err, "--station: " + problem);
    return false;
}

bool OpenArchive(history::StationArchive& archive, const std::string& location, CommandIo& io,
                 history::StationArchive::Use use)
{
    const StopAtOnce stop;
    std::string error;
    if (archive.Open(location, error, use))
        return true;
    ReportError(io.err, error);
    return false;
}

Exit StoreAndReport(history::StationArchive& archive, const std::string& station, const history::ArchiveBatch& batch,
                    CommandIo& io)
{
    history::StoreResult result;
    std::string error;
    const StopAtOnce stop;
    if (!archive.Store(station, batch, result, error)) {
        ReportError(io.err, error);
        return Exit::Archive;
    }
    io.out << "Archive " << archive.Where() << ", station \"" << station << "\": " << result.Added()
           << " new records\n";
    KindLine(io.out, "Radon records:", result.radon);
    KindLine(io.out, "Spectra:", result.spectra);
    KindLine(io.out, "Meteo records:", result.meteo);
    KindLine(io.out, "Diagnostic events:", result.dia);
    if (result.undated > 0)
        io.out << "  " << result.undated << " records without a known time left out\n";
    io.out.flush();
    if (result.Conflicts() > 0)
        ReportError(io.err, std::to_string(result.Conflicts()) +
                                " records differ from those the archive holds for the same time; the archive keeps "
                                "its own");
    return Exit::Ok;
}

}  // namespace kolmaris::cli
