// SPDX-License-Identifier: GPL-3.0-or-later
// The radon history window reading a year of hourly records of 16 probes (140 160 rows) from an
// SQLite archive into its chart: the window shown on the first probe, then each further probe
// chosen in turn, every chart painted. The archive is filled first (not timed).
//
//   bench_history_chart
//
// Prints "history-first-probe MS", "history-all-probes MS" (the 16 probes, every row read and
// drawn) and "history-all-probes-climate MS" (the same with temperature and humidity shown).

#include "Dialogs.h"
#include "QtDialogs.h"
#include "Session.h"
#include "SimulatedPort.h"
#include "SimulatedTerminal.h"
#include "StationArchive.h"
#include "StepLink.h"
#include "TRadonHistoryWND.h"

#include <QApplication>
#include <QCheckBox>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using namespace kolmaris;

namespace {

constexpr int kProbes = 16;
constexpr int kHours = 8760;
constexpr TerminalTime kYearStart = 757'386'000;  // 1 January 2024 on the terminal's clock

history::ArchiveBatch Year()
{
    history::ArchiveBatch batch;
    for (int probe = 1; probe <= kProbes; ++probe)
        for (int hour = 0; hour < kHours; ++hour) {
            const double day = std::sin(hour * 2 * M_PI / 24), season = std::cos(hour * 2 * M_PI / kHours);
            const auto radon = static_cast<std::uint32_t>(150 + 40 * probe * (1 + season) + 60 * day + (hour * 37 % 50));
            batch.AddRadon({probe, kYearStart + static_cast<TerminalTime>(hour) * 3600, radon, radon * 3, radon * 2,
                            radon, radon / 2, static_cast<int>(15 + 5 * season + 2 * day),
                            static_cast<int>(50 - 10 * season), 128});
        }
    return batch;
}

// Every probe of the list chosen in turn, the chart painted each time; milliseconds.
qint64 AllProbes(TRadonHistoryWND& window)
{
    auto* probes = window.findChild<QComboBox*>("ProbeCB");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < probes->count(); ++i) {
        probes->setCurrentIndex(i);
        window.ProbeCBChange();
        QCoreApplication::processEvents();
        window.ChartView()->grab();
    }
    return timer.elapsed();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir dir;
    const std::string location = dir.filePath("archive.sqlite").toStdString();
    {
        history::StationArchive archive;
        history::StoreResult result;
        std::string error;
        if (!archive.Open(location, error) || !archive.Store("bench", Year(), result, error)) {
            std::fprintf(stderr, "cannot fill %s: %s\n", location.c_str(), error.c_str());
            return 2;
        }
        std::printf("archive-rows %d\n", result.radon.added);
    }

    Scenario scenario = DefaultScenario();
    scenario.memory.days = 0;
    SimulatedTerminal terminal(scenario);
    SimulatedPort line(terminal, 1);
    StepLink link(line.Port(), line.GetClock());
    QtDialogs dialogs;
    Session session(link, dialogs);
    session.archiveLocation = location;
    session.station = "bench";
    TRadonHistoryWND window(session);
    window.resize(1200, 800);

    QElapsedTimer timer;
    timer.start();
    window.show();
    window.FormShow();
    QCoreApplication::processEvents();
    window.ChartView()->grab();
    std::printf("history-first-probe %lld\n", static_cast<long long>(timer.elapsed()));
    std::printf("history-all-probes %lld\n", static_cast<long long>(AllProbes(window)));
    window.findChild<QCheckBox*>("TemperatureCB")->setChecked(true);
    window.findChild<QCheckBox*>("HumidityCB")->setChecked(true);
    std::printf("history-all-probes-climate %lld\n", static_cast<long long>(AllProbes(window)));
    return 0;
}
