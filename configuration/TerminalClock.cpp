// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalClock.h"

#include "TerminalCommands.h"

namespace kolmaris {

uint32_t CompareClocks(StepLink& link, ClockComparison& clocks)
{
    TerminalTime terminal = 0;
    if (const uint32_t error = ReadTerminalTime(link, terminal))
        return error;
    clocks.terminal = terminal;
    clocks.pc = PcTimeToTerminalTime();
    return kOk;
}

uint32_t SetTerminalClockFromPc(StepLink& link)
{
    return SetTerminalTime(link, PcTimeToTerminalTime());
}

}  // namespace kolmaris
