#pragma once

// Builds terminal data-memory images in memory order and turns them into the backwards stream
// the download feeds to the store.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "DataStore.h"

namespace kolmaris::test {

using Bytes = std::vector<std::uint8_t>;

// One record as it lies in memory: length, data, length.
inline Bytes Framed(const Bytes& data)
{
    Bytes frame{static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(static_cast<std::uint8_t>(data.size()));
    return frame;
}

// Memory from the end mark (oldest) through the records to the sync byte at the write pointer,
// read backwards.
inline Bytes Backwards(std::initializer_list<Bytes> recordsOldestFirst)
{
    Bytes memory{0x80};
    for (const Bytes& r : recordsOldestFirst) {
        const Bytes frame = Framed(r);
        memory.insert(memory.end(), frame.begin(), frame.end());
    }
    memory.push_back(0xFF);
    std::reverse(memory.begin(), memory.end());
    return memory;
}

inline Bytes Radon(std::uint8_t slot, std::uint32_t time, std::uint8_t fill = 0)
{
    Bytes r(18, fill);
    r[0] = slot;
    r[1] = static_cast<std::uint8_t>(time >> 24);
    r[2] = static_cast<std::uint8_t>(time >> 16);
    r[3] = static_cast<std::uint8_t>(time >> 8);
    r[4] = static_cast<std::uint8_t>(time);
    return r;
}

inline Bytes SpectrumData(std::uint8_t slot, std::uint8_t firstChannel)
{
    Bytes s(97);
    s[0] = slot;
    for (int i = 1; i <= 96; ++i)
        s[i] = static_cast<std::uint8_t>(firstChannel + i - 1);
    return s;
}

inline Bytes Meteo(std::uint32_t time, std::uint16_t pressure = 1013, std::uint16_t temperature = 2932,
                   std::uint16_t humidity = 455, std::uint16_t voltage = 1234)
{
    return {static_cast<std::uint8_t>(time >> 24),       static_cast<std::uint8_t>(time >> 16),
            static_cast<std::uint8_t>(time >> 8),        static_cast<std::uint8_t>(time),
            static_cast<std::uint8_t>(pressure >> 8),    static_cast<std::uint8_t>(pressure),
            static_cast<std::uint8_t>(temperature >> 8), static_cast<std::uint8_t>(temperature),
            static_cast<std::uint8_t>(humidity >> 8),    static_cast<std::uint8_t>(humidity),
            static_cast<std::uint8_t>(voltage >> 8),     static_cast<std::uint8_t>(voltage)};
}

// Event bytes m0 m1 m2 in memory order.
inline Bytes ElementEvent(std::uint8_t meshAddress, std::uint8_t code, std::uint16_t lowTime)
{
    return {static_cast<std::uint8_t>((meshAddress - 1) << 4 | (lowTime >> 8 & 0x0F)),
            static_cast<std::uint8_t>(lowTime), code};
}

inline Bytes TerminalEvent(std::uint8_t type, std::uint16_t lowTime)
{
    return {static_cast<std::uint8_t>(type << 4 | (lowTime >> 8 & 0x0F)), static_cast<std::uint8_t>(lowTime), 0xFC};
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
