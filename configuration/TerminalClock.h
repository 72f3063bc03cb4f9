// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The terminal's clock beside the PC's, both on the terminal's scale (seconds since 1 January
// 2000 in UTC+1), and setting the terminal's clock from the PC's: "Copy PC time" of the system
// configuration window and `kolmaris-cli clock` both run on this.

#include "StepLink.h"
#include "TerminalTime.h"

#include <cstdint>

namespace kolmaris {

struct ClockComparison {
    TerminalTime terminal = 0;
    TerminalTime pc = 0;  // read as the terminal's answer came in

    // Seconds the terminal is ahead of the PC; negative when it is behind.
    int64_t Difference() const { return static_cast<int64_t>(terminal) - static_cast<int64_t>(pc); }
};

// Reads the terminal's clock, then the PC's. 0 or the command's result code.
uint32_t CompareClocks(StepLink& link, ClockComparison& clocks);

// Sets the terminal's clock to the PC's. 0 or the command's result code.
uint32_t SetTerminalClockFromPc(StepLink& link);

}  // namespace kolmaris
