#include "StopSignals.h"

#include "ExitCodes.h"

#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace kolmaris::cli {

namespace {

volatile std::sig_atomic_t deferring = 0;
volatile std::sig_atomic_t requested = 0;

extern "C" void OnStopSignal(int)
{
    if (!deferring || requested)
        _exit(static_cast<int>(Exit::Interrupted));
    requested = 1;
}

}  // namespace

void InstallStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a closed output must not end a run half way
}

void DeferStop(bool defer)
{
    deferring = defer ? 1 : 0;
}

bool StopRequested()
{
    return requested != 0;
}

StopAtOnce::StopAtOnce() : deferred_(deferring != 0)
{
    deferring = 0;
}

StopAtOnce::~StopAtOnce()
{
    deferring = deferred_ ? 1 : 0;
}

}  // namespace kolmaris::cli
