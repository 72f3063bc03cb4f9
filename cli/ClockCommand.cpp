// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "Requests.h"
#include "TerminalClock.h"

#include <cstdio>
#include <cstdlib>

namespace kolmaris::cli {

namespace {

// The clocks as three lines; false (and the error reported) when the terminal's cannot be read.
bool PrintClocks(StepLink& link, int attempts, CommandIo& io, ClockComparison& clocks)
{
    const uint32_t read = Retried(attempts, [&] { return CompareClocks(link, clocks); });
    if (read != kOk) {
        ReportError(io.err, "the terminal's clock cannot be read: " + ResultText(read));
        return false;
    }
    char difference[32];
    std::snprintf(difference, sizeof difference, "%lld s", static_cast<long long>(clocks.Difference()));
    io.out << "Terminal:     " << TerminalTimeText(clocks.terminal, true) << '\n'
           << "PC:           " << TerminalTimeText(clocks.pc, true) << '\n'
           << "Difference:   " << difference << '\n';
    return true;
}

}  // namespace

Exit RunClock(StepLink& link, const CliOptions& options, CommandIo& io)
{
    ClockComparison clocks;
    if (!PrintClocks(link, options.attempts, io, clocks))
        return Exit::Failed;
    if (!options.set)
        return Exit::Ok;
    if (options.ifOff >= 0 && std::llabs(clocks.Difference()) <= options.ifOff) {
        io.out << "Not set:      within " << options.ifOff << " s\n";
        return Exit::Ok;
    }
    const uint32_t set = Retried(options.attempts, [&] { return SetTerminalClockFromPc(link); });
    if (set != kOk) {
        ReportError(io.err, "the terminal did not take the new time: " + ResultText(set));
        return Exit::Failed;
    }
    io.out << "Set:          from the PC\n";
    return PrintClocks(link, options.attempts, io, clocks) ? Exit::Ok : Exit::Failed;
}

}  // namespace kolmaris::cli
