// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against a terminal found by automatic detection (the simulated terminal on a
// pseudo-terminal, paced at 19200 baud): the time from start to the first live values, the
// duration of single polling ticks, and the CPU the connected program uses while idle.
//
//   bench_main_window [--ticks N] [--idle-seconds S]
//
// Prints "start-to-live MS", "tick-median MS", "tick-worst MS", "idle-cpu PERCENT" and
// "idle-wakeups PER-SECOND" (times the idle program slept and was woken) lines.

#include "Application.h"
#include "ConfigFile.h"
#include "TMainWND.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Times the process went to sleep and was woken (voluntary context switches).
long Wakeups()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

// Runs the event loop until `done` holds or `limitMs` passes; false on the time-out.
template <class Done>
bool RunUntil(Done done, int limitMs)
{
    QElapsedTimer since;
    since.start();
    while (!done()) {
        if (since.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer start;
    start.start();
    int ticks = 100;
    int idleSeconds = 30;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--ticks") == 0)
            ticks = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--idle-seconds") == 0)
            idleSeconds = std::max(1, std::atoi(argv[i + 1]));
    }
    QApplication app(argc, argv);
    // Automatic detection, and no "cannot read configuration" box when the file is missing.
    const std::filesystem::path config =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / kolmaris::kConfigFileName;
    if (!std::filesystem::exists(config))
        kolmaris::SaveConfig(config, kolmaris::LinkSettings{});
    kolmaris::Application application;
    application.Show();
    kolmaris::TMainWND& window = application.MainWindow();
    const auto* temperature = window.findChild<QLabel*>(QStringLiteral("MainTemperLB"));
    if (!temperature || !RunUntil([&] { return temperature->text() != QStringLiteral("..."); }, 20000)) {
        std::fprintf(stderr, "bench_main_window: no live values within 20 s\n");
        return 1;
    }
    std::printf("start-to-live %lld\n", static_cast<long long>(start.elapsed()));

    // Single ticks, called the way the timer calls them, with the timer's pause between them.
    const int interval = window.Timer1()->interval();
    window.Timer1()->stop();
    std::vector<double> durations;
    for (int i = 0; i < ticks; ++i) {
        const auto before = std::chrono::steady_clock::now();
        window.Timer1Timer();
        durations.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
        RunUntil([] { return false; }, interval);
    }
    std::sort(durations.begin(), durations.end());
    std::printf("tick-median %.1f\ntick-worst %.1f\n", durations[durations.size() / 2], durations.back());

    window.Timer1()->start(interval);
    const double cpuBefore = CpuSeconds();
    const long wakeupsBefore = Wakeups();
    QElapsedTimer idle;
    idle.start();
    QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double seconds = static_cast<double>(idle.elapsed()) / 1000.0;
    std::printf("idle-cpu %.2f\n", 100.0 * (CpuSeconds() - cpuBefore) / seconds);
    std::printf("idle-wakeups %.0f\n", static_cast<double>(Wakeups() - wakeupsBefore) / seconds);
    return 0;
}
