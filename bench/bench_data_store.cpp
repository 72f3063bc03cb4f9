// SPDX-License-Identifier: GPL-3.0-or-later
// FeedByte throughput over a full 128 KiB data memory, read backwards as the download does.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "DataStore.h"
#include "TabWriters.h"

#include <sstream>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMemorySize = 128 * 1024;
constexpr int kProbes = 6;
constexpr std::uint32_t kPeriod = 900;  // a query period of 15 minutes

void PutU16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}

void PutU32(Bytes& b, std::uint32_t v)
{
    PutU16(b, static_cast<std::uint16_t>(v >> 16));
    PutU16(b, static_cast<std::uint16_t>(v));
}

Bytes RadonRecord(std::uint8_t slot, std::uint32_t time, std::uint32_t seed)
{
    Bytes r{slot};
    PutU32(r, time);
    PutU16(r, static_cast<std::uint16_t>(0x8000 | (seed * 37 & 0x7FFF)));  // compressed radon
    r.push_back(static_cast<std::uint8_t>(18 + seed % 6));                 // temperature
    r.push_back(static_cast<std::uint8_t>(0x80 | (40 + seed % 20)));       // flag, humidity
    for (std::uint32_t i = 0; i < 4; ++i)
        PutU16(r, static_cast<std::uint16_t>(seed * (i + 3)));
    r.push_back(static_cast<std::uint8_t>(180 + seed % 50));  // HV
    return r;
}

Bytes Spectrum(std::uint8_t slot, std::uint32_t seed)
{
    Bytes s{slot};
    for (std::uint32_t ch = 0; ch < 96; ++ch)
        s.push_back(static_cast<std::uint8_t>(seed + ch * 7));
    return s;
}

Bytes MeteoRecord(std::uint32_t time, std::uint32_t seed)
{
    Bytes m;
    PutU32(m, time);
    PutU16(m, static_cast<std::uint16_t>(990 + seed % 40));
    PutU16(m, static_cast<std::uint16_t>(2880 + seed % 100));
    PutU16(m, static_cast<std::uint16_t>(400 + seed % 300));
    PutU16(m, static_cast<std::uint16_t>(1250 + seed % 80));
    return m;
}

Bytes DiaEvent(std::uint8_t slot, std::uint8_t code, std::uint32_t time)
{
    return {static_cast<std::uint8_t>(slot << 4 | (time >> 8 & 0x0F)), static_cast<std::uint8_t>(time), code};
}

// Memory from the end mark up to the sync byte at the write pointer, oldest record first:
// per period one radon record per probe, a spectrum after every fourth, a meteo record and now
// and then a diagnostic event. Returned in download order (backwards).
Bytes BackwardsMemoryImage()
{
    Bytes memory{0x80};
    auto put = [&memory](const Bytes& data) {
        if (memory.size() + data.size() + 3 > kMemorySize)
            return false;
        memory.push_back(static_cast<std::uint8_t>(data.size()));
        memory.insert(memory.end(), data.begin(), data.end());
        memory.push_back(static_cast<std::uint8_t>(data.size()));
        return true;
    };
    std::uint32_t time = 800000000;
    for (std::uint32_t period = 0;; ++period, time += kPeriod) {
        bool room = put(MeteoRecord(time, period));
        for (std::uint8_t slot = 0; room && slot < kProbes; ++slot) {
            room = put(RadonRecord(slot, time + 10 + slot, period + slot));
            if (room && period % 4 == 0)
                room = put(Spectrum(slot, period + slot));
        }
        if (room && period % 7 == 0)
            room = put(DiaEvent(period % kProbes, 0xF8, time + 60));
        if (room && period % 96 == 0)
            room = put(DiaEvent(0, 0xFC, time + 30));  // alarm type 0
        if (!room)
            break;
    }
    memory.push_back(0xFF);
    std::reverse(memory.begin(), memory.end());
    return memory;
}

void BM_FeedByteFullMemory(benchmark::State& state)
{
    const Bytes stream = BackwardsMemoryImage();
    kolmaris::TDataStore store;
    for (auto _ : state) {
        store.ClearAll();
        kolmaris::StoreError result = 0;
        for (std::uint8_t b : stream) {
            result = store.FeedByte(b);
            if (result != 0)
                break;
        }
        if (result != 1) {
            state.SkipWithError("stream did not end with the end mark");
            break;
        }
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(stream.size()));
    state.counters["records"] =
        store.TotalRadonRecords() + store.TotalSpectra() + store.LocRecordCount() + store.DiaEventCount();
}
BENCHMARK(BM_FeedByteFullMemory)->Unit(benchmark::kMillisecond);

// A full memory parsed and every tab file written (to memory), as a download ends.
void BM_ParseAndWriteFullMemory(benchmark::State& state)
{
    const Bytes stream = BackwardsMemoryImage();
    for (auto _ : state) {
        kolmaris::TDataStore store;
        for (std::uint8_t b : stream)
            if (store.FeedByte(b) != 0)
                break;
        std::ostringstream out;
        kolmaris::WriteDiaFile(out, false, store);
        kolmaris::WriteLocFile(out, false, store);
        for (int slot = 0; slot < kolmaris::kProbeSlots; ++slot) {
            kolmaris::WriteRadonFile(out, false, store, slot, 0);
            kolmaris::WriteSpectrumFile(out, false, store, slot, 0);
        }
        benchmark::DoNotOptimize(out.tellp());
    }
}
BENCHMARK(BM_ParseAndWriteFullMemory)->Unit(benchmark::kMillisecond);

}  // namespace
