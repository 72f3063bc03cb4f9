// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeasuredValues.h"

#include <charconv>
#include <system_error>

namespace kolmaris {

std::string FormatFixed(double value, int decimals)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc{})
        return {};
    return std::string(buffer, result.ptr);
}

double TerminalTemperature(std::uint16_t raw)
{
    return (static_cast<int>(raw) - 2732) * 0.1;
}
double TerminalHumidity(std::uint16_t raw)
{
    return raw * 0.1;
}
double AccumulatorVoltage(std::uint16_t raw)
{
    return raw * 0.01;
}

std::string FormatTerminalTemperature(std::uint16_t raw)
{
    return FormatFixed(TerminalTemperature(raw), 1);
}
std::string FormatTerminalHumidity(std::uint16_t raw)
{
    return FormatFixed(TerminalHumidity(raw), 1);
}
std::string FormatAccumulatorVoltage(std::uint16_t raw)
{
    return FormatFixed(AccumulatorVoltage(raw), 2);
}

int ProbeTemperature(const RadonRecord& record)
{
    return static_cast<std::int8_t>(record[RadonOffset::Temperature]);
}
int ProbeHumidity(const RadonRecord& record)
{
    return record[RadonOffset::Flags] & kHumidityMask;
}
int ProbeHV(const RadonRecord& record)
{
    return record[RadonOffset::HV];
}
bool HasCompressedCounts(const RadonRecord& record)
{
    return (record[RadonOffset::Flags] & kCompressedCountsFlag) != 0;
}

}  // namespace kolmaris
