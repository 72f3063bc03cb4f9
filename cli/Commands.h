// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands of kolmaris-cli. Each writes its results to `out`, its errors and warnings
// as lines of their own to `err`, and returns the exit status.

#include "CommandLine.h"
#include "ExitCodes.h"
#include "ProgressBar.h"
#include "SerialPort.h"
#include "StepLink.h"
#include "TerminalTime.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace kolmaris::cli {

struct CommandIo {
    std::ostream& out;
    std::ostream& err;
    ProgressBar& progress;
    // True once the user asked to stop (Ctrl-C); long runs end as the window ends them.
    std::function<bool()> stopRequested = [] { return false; };
};

// A time of the terminal's clock as the text outputs show it: "01.03.2026 12:00 (UTC+01:00)".
inline std::string TerminalTimeText(TerminalTime time, bool seconds)
{
    return FormatTime(time, true, seconds) + " (" + kTerminalTimeZone + ")";
}

// Writes "kolmaris-cli: " and the line to `err`.
void ReportError(std::ostream& err, const std::string& line);

// The ports whose device opens, and the busy ones, as `port` opens them by number;
// `portDirectory` is where `port` finds its devices.
Exit RunPorts(SerialPort& port, const std::filesystem::path& portDirectory, std::ostream& out);

// `where` names the port the link is connected on.
Exit RunStatus(StepLink& link, const std::string& where, int attempts, CommandIo& io);

// Where a download also stores what it read: the archive (empty: the default file) and station.
struct ArchiveTarget {
    bool use = false;
    std::string location;
    std::string station = "default";
    bool newOnly = false;  // stop reading at the records the archive holds
};

// With `archive.use` the records read are also stored in the archive, which is opened first.
Exit RunDownload(StepLink& link, const std::filesystem::path& directory, int continues, CommandIo& io,
                 const ArchiveTarget& archive = {});

// records and spectra: the probe, range, file and attempts of `options`.
Exit RunRecords(StepLink& link, const CliOptions& options, CommandIo& io);
Exit RunSpectra(StepLink& link, const CliOptions& options, CommandIo& io);

// clock: the terminal's clock beside the PC's; with options.set it is set from the PC.
Exit RunClock(StepLink& link, const CliOptions& options, CommandIo& io);
// mesh: the MESH configuration as the overview window reads it, in `format`.
Exit RunMesh(StepLink& link, int attempts, OutputFormat format, CommandIo& io);

// archive stats and archive import; no terminal needed.
Exit RunArchive(const CliOptions& options, CommandIo& io);

// history: the radon records of a probe from the archive and their statistics.
Exit RunHistory(const CliOptions& options, CommandIo& io);

}  // namespace kolmaris::cli
