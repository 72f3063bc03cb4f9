// SPDX-License-Identifier: GPL-3.0-or-later
#include "CountFormat.h"

#include "Records.h"

namespace kolmaris {

std::uint32_t DecodeCount(std::uint16_t value)
{
    if (value < 0x8000)
        return value;
    const unsigned exponent = (value >> 11) & 0x0F;
    const std::uint32_t mantissa = 0x800u | (value & 0x7FFu);
    return mantissa << (exponent + 4);
}

std::string FormatEngineering(std::uint32_t value)
{
    if (value < 32768)
        return std::to_string(value);
    const std::uint64_t v = value;  // the rounding term may carry past 32 bits
    const std::uint64_t rounding = v >= 1000000000  ? 500000
                                   : v >= 100000000 ? 50000
                                   : v >= 10000000  ? 5000
                                   : v >= 1000000   ? 500
                                   : v >= 100000    ? 50
                                                    : 5;
    const std::string digits = std::to_string(v + rounding);  // at least 5 digits
    const std::size_t n = digits.size();
    const std::size_t group = (n - 1) / 3;
    const std::size_t before = (n - 1) % 3 + 1;
    return digits.substr(0, before) + '.' + digits.substr(before, 4 - before) + " kMG"[group];
}

std::string FormatCount(std::uint16_t value, std::uint8_t formatFlags, bool engineering)
{
    if ((formatFlags & kCompressedCountsFlag) == 0)
        return std::to_string(value);
    const std::uint32_t count = DecodeCount(value);
    return engineering ? FormatEngineering(count) : std::to_string(count);
}

std::string FormatCountBE(std::span<const std::uint8_t, 2> bytes, std::uint8_t formatFlags, bool engineering)
{
    return FormatCount(ReadU16BE(bytes), formatFlags, engineering);
}

}  // namespace kolmaris
