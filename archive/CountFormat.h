// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kolmaris {

// Expands a compressed 16-bit count: below 0x8000 the value itself, else
// (0x800 | mantissa) << (exponent + 4) with exponent = bits 14-11, mantissa = bits 10-0.
std::uint32_t DecodeCount(std::uint16_t value);

// Plain below 32768, else four significant digits and a letter: 32768 -> "32.77k".
std::string FormatEngineering(std::uint32_t value);

// Plain number unless bit 7 of `formatFlags` marks the value as compressed; a compressed value is
// expanded and printed with FormatEngineering when `engineering` is set.
std::string FormatCount(std::uint16_t value, std::uint8_t formatFlags, bool engineering);
std::string FormatCountBE(std::span<const std::uint8_t, 2> bytes, std::uint8_t formatFlags, bool engineering);

}  // namespace kolmaris
