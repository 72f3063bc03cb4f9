// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The compressed 16-bit count form the probes use for large values: below 32768 the count
// itself; above, bit 15 set, a 4-bit exponent e and an 11-bit mantissa m standing for
// (0x800 | m) << (e + 4). Encoding truncates to the 12 significant bits the form keeps.

#include <bit>
#include <cstdint>

namespace kolmaris::sim {

inline constexpr uint32_t kLargestCount = 0xFFFu << 19;

constexpr uint16_t EncodeCount(uint32_t count)
{
    if (count < 0x8000)
        return static_cast<uint16_t>(count);
    if (count > kLargestCount)
        count = kLargestCount;
    const int exponent = static_cast<int>(std::bit_width(count)) - 16;  // 0 for 2^15 .. 2^16 - 1
    const uint32_t mantissa = (count >> (exponent + 4)) & 0x7FF;
    return static_cast<uint16_t>(0x8000 | (exponent << 11) | mantissa);
}

}  // namespace kolmaris::sim
