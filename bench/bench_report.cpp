// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement report of a year of hourly records of 16 probes (140 160 rows) from an SQLite
// archive: read, computed and written as a PDF (17 pages) and as JSON, as kolmaris-cli report
// does. The archive is filled first (not timed).
//
//   bench_report
//
// Prints "report-pdf MS" and "report-json MS".

#include "ReportCommand.h"
#include "StationArchive.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <sstream>

using namespace kolmaris;

namespace {

constexpr int kProbes = 16;
constexpr int kHours = 8760;
constexpr TerminalTime kYearStart = 757'386'000;  // 1 January 2024 on the terminal's clock

history::ArchiveBatch Year()
{
    history::ArchiveBatch batch;
    for (int hour = 0; hour < kHours; ++hour) {
        const double day = std::sin(hour * 2 * M_PI / 24), season = std::cos(hour * 2 * M_PI / kHours);
        const TerminalTime time = kYearStart + static_cast<TerminalTime>(hour) * 3600;
        for (int probe = 1; probe <= kProbes; ++probe) {
            const auto radon = static_cast<std::uint32_t>(150 + 40 * probe * (1 + season) + 60 * day + (hour * 37 % 50));
            batch.AddRadon({probe, time, radon, radon * 54, radon * 32, radon * 16, radon * 5,
                            static_cast<int>(15 + 5 * season + 2 * day), static_cast<int>(50 - 10 * season), 128});
        }
        batch.AddMeteo({time, 980 + hour % 20, 200 + static_cast<int>(50 * season), 450 + hour % 100, 1250});
        if (hour % 24 == 0)
            batch.AddDia({time + 60, 0, hour % 48 == 0 ? 12 : 13});
    }
    return batch;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTemporaryDir dir;
    cli::ReportOptions options;
    options.station = "bench";
    options.archive = dir.filePath("archive.sqlite").toStdString();
    {
        history::StationArchive archive;
        history::StoreResult result;
        std::string error;
        if (!archive.Open(options.archive, error) || !archive.Store("bench", Year(), result, error)) {
            std::fprintf(stderr, "cannot fill %s: %s\n", options.archive.c_str(), error.c_str());
            return 2;
        }
        std::printf("archive-rows %d\n", result.radon.added);
    }
    std::ostringstream out, err;
    cli::ProgressBar progress(err, false);
    cli::CommandIo io{out, err, progress};
    for (const bool json : {false, true}) {
        options.json = json;
        options.out = dir.filePath(json ? "report.json" : "report.pdf").toStdString();
        QElapsedTimer timer;
        timer.start();
        if (cli::RunReport(options, io, PcTimeToTerminalTime()) != cli::Exit::Ok) {
            std::fprintf(stderr, "%s", err.str().c_str());
            return 2;
        }
        std::printf("report-%s %lld\n", json ? "json" : "pdf", static_cast<long long>(timer.elapsed()));
    }
    return 0;
}
