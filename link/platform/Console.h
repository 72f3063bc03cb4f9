// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console and the requests to stop that reach a console program: Ctrl-C and SIGTERM on
// Linux; Ctrl-C, Ctrl-Break, closing the console and logging off on Windows.

#include <cstdio>

namespace kolmaris::platform {

// True when `stream` is a terminal or console (and not a file or pipe).
bool IsTerminal(std::FILE* stream);

// Lets a console show the program's UTF-8 texts ("°C"); Linux terminals already do.
void UseUtf8Console();

// `onStop` runs on every request to stop: in a signal handler on Linux, on a thread of its
// own on Windows; it may only touch lock-free atomics and end the process. A closed output
// (SIGPIPE) no longer ends the program.
void InstallStopHandler(void (*onStop)());

}  // namespace kolmaris::platform
