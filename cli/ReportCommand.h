// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kolmaris-cli report: a station's radon measurement report from the archive, as an A4 PDF or as
// JSON. The command reads its own options.

#include "Commands.h"
#include "RadonStatistics.h"
#include "TerminalTime.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kolmaris::cli {

struct ReportOptions {
    bool help = false;
    std::string station = "default";
    std::vector<int> probes;  // empty: every probe with records
    TerminalTime from = 0, to = kLastTerminalTime;
    int reference = static_cast<int>(history::kDefaultReferenceLevel);
    std::string archive;  // empty: the default file
    std::string out;      // the file; JSON without it goes to stdout
    bool json = false;
};

struct ParsedReportOptions {
    std::optional<ReportOptions> options;
    std::string error;  // one line, when the options are wrong
};

// `args`: what follows "report".
ParsedReportOptions ParseReportOptions(std::span<const char* const> args);
std::string ReportHelp();

// The report of `options`, made at `created`; a PDF needs a QGuiApplication.
Exit RunReport(const ReportOptions& options, CommandIo& io, TerminalTime created);

// The whole command for main(), argv[1] being "report": its own application, a QGuiApplication on
// the offscreen platform for a PDF (no display needed), a QCoreApplication otherwise.
int ReportMain(int argc, char** argv);

}  // namespace kolmaris::cli
