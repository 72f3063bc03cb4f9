// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ctrl-C and SIGTERM (on Windows Ctrl-C, Ctrl-Break and closing the console). Normally they end
// the program at once. While a run that has changed the terminal's state is deferring them (a
// download with recording switched off, a probe reading with acquisition stopped), they only ask
// the run to stop, so that it can put the terminal back as the window would before the program
// exits; a second one ends the program at once.

namespace kolmaris::cli {

void InstallStopHandlers();
void DeferStop(bool defer);
// A stop was asked for while deferring.
bool StopRequested();

// While it lives, a stop signal ends the program at once also in a run that defers them: around
// work that leaves the terminal as it is and may wait long (the archive's database).
class StopAtOnce {
public:
    StopAtOnce();
    ~StopAtOnce();
    StopAtOnce(const StopAtOnce&) = delete;
    StopAtOnce& operator=(const StopAtOnce&) = delete;

private:
    bool deferred_;
};

}  // namespace kolmaris::cli
