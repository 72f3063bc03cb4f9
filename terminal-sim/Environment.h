// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The terminal's own sensors: pressure, temperature and humidity drifting slowly around the
// scenario's base values (a daily swing, a weather swing of a few days, a little noise),
// and the supply voltage. Readings depend only on the time, so a value read twice at the
// same second is the same.

#include "MemoryRecorder.h"
#include "Scenario.h"

#include <cstdint>

namespace kolmaris::sim {

class Environment {
public:
    Environment(const TerminalSetup& setup, uint64_t seed)
        : base_(setup.environment), voltage_(setup.supplyVoltage), seed_(seed)
    {
    }

    double PressureHpa(TerminalTime t) const;
    double TemperatureC(TerminalTime t) const;
    double HumidityPercent(TerminalTime t) const;
    double SupplyVoltage(TerminalTime t) const;

    // The readings in the units the terminal stores and sends.
    MeteoValues Reading(TerminalTime t) const;

private:
    EnvironmentSetup base_;
    double voltage_;
    uint64_t seed_;
};

// Daily swing, peaking in the afternoon: -1 .. 1.
double DailySwing(TerminalTime t, double phase = 0.0);

}  // namespace kolmaris::sim
