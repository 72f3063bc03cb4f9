#pragma once
// Ctrl-C and SIGTERM (on Windows Ctrl-C, Ctrl-Break and closing the console). Normally they end
// the program at once. While a run that has changed the terminal's state is deferring them (a
// download with recording switched off, a probe reading with acquisition stopped), they only ask
// the run to stop, so that it can put the terminal back as the window would before the program
// exits.

namespace kolmaris::cli {

void InstallStopHandlers();
void DeferStop(bool defer);
// A stop was asked for while deferring.
bool StopRequested();

}  // namespace kolmaris::cli
