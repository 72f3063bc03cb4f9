// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Connects the link to a SimulatedTerminal inside one process: what the program writes is
// fed to the terminal and its answer is readable at once. No wall clock: an empty read
// advances the port's clock and the terminal by the 5 ms a real read would wait, and the
// link's sleeps advance both as well.

#include "Clock.h"
#include "MemorySerialPort.h"
#include "SimulatedTerminal.h"

#include <cstdint>

namespace kolmaris {

class SimulatedPort {
public:
    static constexpr uint32_t kEmptyReadMs = 5;

    // The terminal appears as COM `comPort`.
    explicit SimulatedPort(SimulatedTerminal& terminal, uint8_t comPort = 1);
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    SerialPort& Port() { return port_; }
    MemorySerialPort& Memory() { return port_; }
    // Milliseconds of the simulated line; sleeping advances the terminal too.
    Clock& GetClock() { return clock_; }
    uint8_t ComPort() const { return comPort_; }

    void AdvanceMs(uint64_t ms);

private:
    class LineClock final : public Clock {
    public:
        explicit LineClock(SimulatedPort& owner) : owner_(owner) {}
        uint64_t NowMs() override { return now; }
        void SleepMs(uint32_t ms) override { owner_.AdvanceMs(ms); }
        uint64_t now = 1'000'000;

    private:
        SimulatedPort& owner_;
    };

    SimulatedTerminal& terminal_;
    MemorySerialPort port_;
    LineClock clock_{*this};
    uint8_t comPort_;
};

}  // namespace kolmaris
