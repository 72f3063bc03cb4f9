// SPDX-License-Identifier: GPL-3.0-or-later
#include "Console.h"

#include <csignal>
#include <initializer_list>

#include <unistd.h>

namespace kolmaris::platform {
namespace {

void (*stopHandler)() = nullptr;

extern "C" void OnStopSignal(int)
{
    stopHandler();
}

}  // namespace

bool IsTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

void UseUtf8Console() {}

void InstallStopHandler(void (*onStop)())
{
    stopHandler = onStop;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace kolmaris::platform
