// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Monotonic milliseconds and sleeps for the link; tests replace it with a clock they advance.

#include <cstdint>

namespace kolmaris {

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint64_t NowMs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
};

// std::chrono::steady_clock and a real sleep.
class SteadyClock final : public Clock {
public:
    uint64_t NowMs() override;
    void SleepMs(uint32_t ms) override;
};

}  // namespace kolmaris
