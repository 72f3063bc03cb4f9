// SPDX-License-Identifier: GPL-3.0-or-later
// The GUI-thread cost of one reconnection attempt of the main window when no terminal is
// anywhere: a polling tick that finds no link and connects with automatic port detection over
// the real ports of this machine. The figure is the processor time the GUI thread spends in the
// tick (median of the attempts), on standard output in one line; the tick's wall time, which
// also holds the 50 ms handshake wait of every present port without a terminal, follows on
// standard error.
//
//   bench_reconnect [ATTEMPTS]

#include "Application.h"
#include "TMainWND.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int attempts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    QApplication app(argc, argv);
    kolmaris::Application application;  // automatic detection: no port configured, no file read
    kolmaris::TMainWND& window = application.MainWindow();
    std::vector<double> cpu;
    std::vector<double> wall;
    for (int i = 0; i < attempts; ++i) {
        const double cpuStart = ThreadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        window.Timer1Timer();
        wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(ThreadCpuMs() - cpuStart);
    }
    std::printf("reconnection attempt, no terminal: %.1f ms\n", Median(cpu));
    std::fprintf(stderr, "wall time of the attempt (with handshake waits on present ports): %.1f ms\n", Median(wall));
    return 0;
}
