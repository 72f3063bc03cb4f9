// SPDX-License-Identifier: GPL-3.0-or-later
#include "StopSignals.h"

#include "Console.h"
#include "ExitCodes.h"

#include <atomic>
#include <cstdlib>

namespace kolmaris::cli {

namespace {

// Lock-free, so the signal handler (or Windows' control thread) may touch them.
std::atomic<bool> deferring = false;
std::atomic<bool> requested = false;

void OnStop()
{
    if (!deferring || requested)
        std::_Exit(static_cast<int>(Exit::Interrupted));
    requested = true;
}

}  // namespace

void InstallStopHandlers()
{
    platform::InstallStopHandler(OnStop);  // also: a closed output must not end a run half way
}

void DeferStop(bool defer)
{
    deferring = defer;
}

bool StopRequested()
{
    return requested;
}

StopAtOnce::StopAtOnce() : deferred_(deferring)
{
    deferring = false;
}

StopAtOnce::~StopAtOnce()
{
    deferring = deferred_;
}

}  // namespace kolmaris::cli
