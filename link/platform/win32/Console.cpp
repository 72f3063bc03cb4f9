// SPDX-License-Identifier: GPL-3.0-or-later
#include "Console.h"

#include <io.h>
#include <windows.h>

namespace kolmaris::platform {
namespace {

void (*stopHandler)() = nullptr;

BOOL WINAPI OnConsoleControl(DWORD)
{
    stopHandler();
    return TRUE;  // handled: the run ends itself (closing the console still ends it afterwards)
}

}  // namespace

bool IsTerminal(std::FILE* stream)
{
    // _isatty also says yes for NUL; only a console has a console mode.
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

void UseUtf8Console()
{
    ::SetConsoleOutputCP(CP_UTF8);
}

void InstallStopHandler(void (*onStop)())
{
    stopHandler = onStop;
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace kolmaris::platform
