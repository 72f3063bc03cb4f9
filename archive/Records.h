// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Layouts of the measured-data records, kept in the terminal's memory byte order.
// All multi-byte fields are big-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kolmaris {

inline constexpr int kProbeSlots = 16;  // ProbeSlot 0..15 = MESH address 1..16

// Radon record: slot, time, radon, temperature, flags/humidity, four sums, HV.
inline constexpr std::size_t kRadonRecordSize = 18;
using RadonRecord = std::array<std::uint8_t, kRadonRecordSize>;
namespace RadonOffset {
inline constexpr std::size_t Slot = 0;         // u8 ProbeSlot
inline constexpr std::size_t Time = 1;         // u32 TerminalTime
inline constexpr std::size_t Radon = 5;        // u16 count field, Bq/m3
inline constexpr std::size_t Temperature = 7;  // i8, deg C
inline constexpr std::size_t Flags = 8;        // bit 7 compressed counts, bits 0-6 humidity %
inline constexpr std::size_t Sum1 = 9;         // u16 count fields
inline constexpr std::size_t Sum2 = 11;
inline constexpr std::size_t Sum3 = 13;
inline constexpr std::size_t Sum4 = 15;
inline constexpr std::size_t HV = 17;  // u8
}  // namespace RadonOffset
inline constexpr std::uint8_t kCompressedCountsFlag = 0x80;
inline constexpr std::uint8_t kHumidityMask = 0x7F;

// Spectrum: slot and 96 one-byte channels as in memory, then the time the store attaches.
inline constexpr std::size_t kSpectrumChannels = 96;
inline constexpr std::size_t kSpectrumMemorySize = 1 + kSpectrumChannels;  // 97
inline constexpr std::size_t kSpectrumSize = kSpectrumMemorySize + 4;      // 101
using Spectrum = std::array<std::uint8_t, kSpectrumSize>;
using SpectrumChannels = std::array<std::uint8_t, kSpectrumChannels>;
namespace SpectrumOffset {
inline constexpr std::size_t Slot = 0;
inline constexpr std::size_t Channels = 1;  // channel 1 at offset 1, channel 96 at offset 96
inline constexpr std::size_t Time = 97;     // u32 TerminalTime
}  // namespace SpectrumOffset

// Meteo record of the terminal.
inline constexpr std::size_t kLocRecordSize = 12;
using LocRecord = std::array<std::uint8_t, kLocRecordSize>;
namespace LocOffset {
inline constexpr std::size_t Time = 0;         // u32 TerminalTime
inline constexpr std::size_t Pressure = 4;     // u16 hPa
inline constexpr std::size_t Temperature = 6;  // u16 tenths of a kelvin
inline constexpr std::size_t Humidity = 8;     // u16 tenths of a %
inline constexpr std::size_t Voltage = 10;     // u16 hundredths of a volt
}  // namespace LocOffset

// Diagnostic event as kept (three bytes in memory, completed by the store).
inline constexpr std::size_t kDiaEventMemorySize = 3;
inline constexpr std::size_t kDiaEventSize = 6;
using DiaEvent = std::array<std::uint8_t, kDiaEventSize>;
namespace DiaOffset {
inline constexpr std::size_t Time = 0;     // u32 TerminalTime
inline constexpr std::size_t Element = 4;  // 0 = terminal, 1..16 = MESH address
inline constexpr std::size_t Code = 5;     // element answer code, or terminal event type 0..15
}  // namespace DiaOffset
inline constexpr std::uint8_t kTerminalEventMark = 0xFC;  // m2 of a terminal event in memory
inline constexpr std::uint8_t kAcquisitionStartEvent = 15;

constexpr std::uint16_t ReadU16BE(std::span<const std::uint8_t, 2> b)
{
    return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

constexpr std::uint32_t ReadU32BE(std::span<const std::uint8_t, 4> b)
{
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

constexpr void WriteU32BE(std::span<std::uint8_t, 4> b, std::uint32_t v)
{
    b[0] = static_cast<std::uint8_t>(v >> 24);
    b[1] = static_cast<std::uint8_t>(v >> 16);
    b[2] = static_cast<std::uint8_t>(v >> 8);
    b[3] = static_cast<std::uint8_t>(v);
}

// Field views with the offset checked at compile time: U16At<RadonOffset::Radon>(record).
template <std::size_t Offset, std::size_t N>
constexpr std::span<const std::uint8_t, 2> Bytes2At(const std::array<std::uint8_t, N>& r)
{
    static_assert(Offset + 2 <= N);
    return std::span<const std::uint8_t, 2>(r.data() + Offset, 2);
}

template <std::size_t Offset, std::size_t N>
constexpr std::span<const std::uint8_t, 4> Bytes4At(const std::array<std::uint8_t, N>& r)
{
    static_assert(Offset + 4 <= N);
    return std::span<const std::uint8_t, 4>(r.data() + Offset, 4);
}

template <std::size_t Offset, std::size_t N>
constexpr std::uint16_t U16At(const std::array<std::uint8_t, N>& r)
{
    return ReadU16BE(Bytes2At<Offset>(r));
}

template <std::size_t Offset, std::size_t N>
constexpr std::uint32_t U32At(const std::array<std::uint8_t, N>& r)
{
    return ReadU32BE(Bytes4At<Offset>(r));
}

}  // namespace kolmaris
