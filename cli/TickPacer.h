// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paces the ticks of a step machine the way the windows' timers do. The timer runs with a
// period: a tick whose exchange took longer than the period is followed at once by the next, a
// shorter one waits for the rest of the period. A tick that asks for another pause sets a new
// period, which starts the timer afresh: the whole new pause is waited from the tick's end.
// Sleeps go through the link's clock.

#include "Clock.h"

#include <cstdint>

namespace kolmaris::cli {

class TickPacer {
public:
    // `periodMs`: the period the timer is started with.
    TickPacer(Clock& clock, uint32_t periodMs) : clock_(clock), period_(periodMs) {}

    // A tick begins now.
    void Begin() { began_ = clock_.NowMs(); }
    // Waits before the next tick; `pauseMs` is the pause the tick asked for.
    void Wait(uint32_t pauseMs);

private:
    Clock& clock_;
    uint32_t period_;
    uint64_t began_ = 0;
};

}  // namespace kolmaris::cli
