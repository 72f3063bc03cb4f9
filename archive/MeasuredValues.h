// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Conversions and text forms of the measured values; the texts use '.' whatever the locale.

#include <cstdint>
#include <string>

#include "Records.h"

namespace kolmaris {

// printf "%0.<decimals>f" as in the C locale.
std::string FormatFixed(double value, int decimals);

// Terminal meteo values.
double TerminalTemperature(std::uint16_t raw);             // deg C from tenths of a kelvin, may be negative
double TerminalHumidity(std::uint16_t raw);                // %
double AccumulatorVoltage(std::uint16_t raw);              // V
std::string FormatTerminalTemperature(std::uint16_t raw);  // "%0.1f"
std::string FormatTerminalHumidity(std::uint16_t raw);     // "%0.1f"
std::string FormatAccumulatorVoltage(std::uint16_t raw);   // "%0.2f"

// Radon probe values of a radon record.
int ProbeTemperature(const RadonRecord& record);  // signed byte
int ProbeHumidity(const RadonRecord& record);     // bits 0-6 of the flags byte
int ProbeHV(const RadonRecord& record);
bool HasCompressedCounts(const RadonRecord& record);

}  // namespace kolmaris
