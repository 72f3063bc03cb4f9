// SPDX-License-Identifier: GPL-3.0-or-later
#include "Environment.h"

#include "SimRandom.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kolmaris::sim {
namespace {

constexpr double kDay = 86400.0;
constexpr double kWeather = 4.3 * kDay;
constexpr uint64_t kPressureNoise = 0x5052;
constexpr uint64_t kTemperatureNoise = 0x5445;
constexpr uint64_t kHumidityNoise = 0x4855;
constexpr uint64_t kVoltageNoise = 0x564F;

uint16_t Round16(double v)
{
    return static_cast<uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
}

double Swing(TerminalTime t, double period, double phase)
{
    return std::sin(2.0 * std::numbers::pi * (static_cast<double>(t) / period + phase));
}

// Noise that changes once a minute.
double Jitter(uint64_t seed, uint64_t source, TerminalTime t)
{
    return Noise(seed, source, t / 60);
}

}  // namespace

double DailySwing(TerminalTime t, double phase)
{
    return Swing(t, kDay, phase - 0.375);  // highest at 15:00
}

double Environment::PressureHpa(TerminalTime t) const
{
    return base_.pressureHpa + 7.0 * Swing(t, kWeather, 0.0) + 0.4 * Jitter(seed_, kPressureNoise, t);
}

double Environment::TemperatureC(TerminalTime t) const
{
    return base_.temperatureC + 1.8 * DailySwing(t) + 0.6 * Swing(t, kWeather, 0.2) +
           0.1 * Jitter(seed_, kTemperatureNoise, t);
}

double Environment::HumidityPercent(TerminalTime t) const
{
    const double h = base_.humidityPercent - 6.0 * DailySwing(t) + 4.0 * Swing(t, kWeather, 0.5) +
                     0.5 * Jitter(seed_, kHumidityNoise, t);
    return std::clamp(h, 0.0, 100.0);
}

double Environment::SupplyVoltage(TerminalTime t) const
{
    return std::max(0.0, voltage_ + 0.01 * Jitter(seed_, kVoltageNoise, t));
}

MeteoValues Environment::Reading(TerminalTime t) const
{
    MeteoValues v;
    v.pressure = Round16(PressureHpa(t));
    v.temperature = Round16(TemperatureC(t) * 10.0 + 2732.0);
    v.humidity = Round16(HumidityPercent(t) * 10.0);
    v.voltage = Round16(SupplyVoltage(t) * 100.0);
    return v;
}

}  // namespace kolmaris::sim
