#pragma once
// Paces the ticks of a step machine the way a timer does: a tick's pause counts from the
// moment the tick began, so an exchange that took longer than the pause is followed at once
// by the next tick, and a shorter one waits for the rest. Sleeps go through the link's clock.

#include "Clock.h"

#include <cstdint>

namespace kolmaris::cli {

class TickPacer {
public:
    explicit TickPacer(Clock& clock) : clock_(clock) {}

    // A tick begins now.
    void Begin() { began_ = clock_.NowMs(); }
    // Sleeps until `pauseMs` after the tick began.
    void Wait(uint32_t pauseMs);

private:
    Clock& clock_;
    uint64_t began_ = 0;
};

}  // namespace kolmaris::cli
