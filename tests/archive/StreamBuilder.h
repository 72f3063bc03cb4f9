// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builds terminal data-memory images in memory order and turns them into the backwards stream
// the download feeds to the store.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "DataStore.h"

namespace kolmaris::test {

using Bytes = std::vector<std::uint8_t>;

// Memory from the end mark (oldest) through the records, each as length, data, length, to the
// sync byte at the write pointer, read backwards.
inline Bytes Backwards(const std::vector<Bytes>& recordsOldestFirst)
{
    Bytes memory{0x80};
    for (const Bytes& r : recordsOldestFirst) {
        memory.push_back(static_cast<std::uint8_t>(r.size()));
        memory.insert(memory.end(), r.begin(), r.end());
        memory.push_back(static_cast<std::uint8_t>(r.size()));
    }
    memory.push_back(0xFF);
    std::reverse(memory.begin(), memory.end());
    return memory;
}

inline Bytes Radon(std::uint8_t slot, std::uint32_t time, std::uint8_t fill = 0)
{
    Bytes r{slot, std::uint8_t(time >> 24), std::uint8_t(time >> 16), std::uint8_t(time >> 8), std::uint8_t(time)};
    r.resize(18, fill);
    return r;
}

// Channel n (1..96) holds firstChannel + n - 1.
inline Bytes SpectrumData(std::uint8_t slot, std::uint8_t firstChannel)
{
    Bytes s{slot};
    for (int i = 0; i < 96; ++i)
        s.push_back(static_cast<std::uint8_t>(firstChannel + i));
    return s;
}

inline Bytes Meteo(std::uint32_t time, std::uint16_t pressure = 1013, std::uint16_t temperature = 2932,
                   std::uint16_t humidity = 455, std::uint16_t voltage = 1234)
{
    Bytes m;
    for (const std::uint32_t word : {time >> 16, time & 0xFFFF, std::uint32_t{pressure}, std::uint32_t{temperature},
                                     std::uint32_t{humidity}, std::uint32_t{voltage}})
        m.insert(m.end(), {std::uint8_t(word >> 8), std::uint8_t(word)});
    return m;
}

// Event bytes m0 m1 m2 in memory order.
inline Bytes ElementEvent(std::uint8_t meshAddress, std::uint8_t code, std::uint16_t lowTime)
{
    return {static_cast<std::uint8_t>((meshAddress - 1) << 4 | (lowTime >> 8 & 0x0F)),
            static_cast<std::uint8_t>(lowTime), code};
}

inline Bytes TerminalEvent(std::uint8_t type, std::uint16_t lowTime)
{
    return ElementEvent(static_cast<std::uint8_t>(type + 1), 0xFC, lowTime);
}

// Records as a probe reading adds them (memory order).
inline StoreError AddRadon(TDataStore& store, const Bytes& r)
{
    return store.AddRadonRecord(std::span<const std::uint8_t, 18>(r.data(), 18), false);
}

inline StoreError AddSpectrum(TDataStore& store, const Bytes& s)
{
    return store.AddSpectrum(std::span<const std::uint8_t, 97>(s.data(), 97), false);
}

inline std::vector<StoreError> FeedAll(TDataStore& store, const Bytes& stream)
{
    std::vector<StoreError> results;
    for (std::uint8_t b : stream)
        results.push_back(store.FeedByte(b));
    return results;
}

// Feeds until the first non-zero result and returns it (0 when the stream ran out).
inline StoreError FeedUntilResult(TDataStore& store, const Bytes& stream)
{
    for (std::uint8_t b : stream)
        if (const StoreError e = store.FeedByte(b); e != 0)
            return e;
    return 0;
}

}  // namespace kolmaris::test
