#pragma once
// The terminal memory download done with the program's commands into its data store, and
// the comparison of the store with the records the simulated terminal holds.

#include "DataStore.h"
#include "SimLink.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

namespace kolmaris::testing {

using Kind = MemoryRecordInfo::Kind;

// A command tried until it succeeds, at most `attempts` times.
template <class Command>
inline uint32_t Retried(int attempts, Command command)
{
    uint32_t r = 0;
    for (int i = 0; i < attempts; ++i)
        if ((r = command()) == 0)
            break;
    return r;
}

struct Download {
    StoreError end = kStoreDone;
    int pieces = 0;
    int failedReads = 0;
    int bytesTotal = 0;
};

// The download's steps: recording off, the write pointer, then pieces of up to 16 bytes
// going backwards, each fed from its last byte to its first (never the byte at address 0),
// wrapping from 0 to 0x1FFFF, until the store meets the end mark. A piece is tried
// `attempts` times. Recording is left off for the caller to inspect the memory.
inline Download DownloadMemory(SimLink& s, TDataStore& store, int attempts = 5, uint64_t tickMs = 0)
{
    Download d;
    EXPECT_EQ(Retried(attempts, [&] { return SetAcquisition(s.link, 0x2D); }), 0u);
    int32_t pointer = -1;
    EXPECT_EQ(Retried(attempts, [&] { return ReadMemoryPointer(s.link, pointer); }), 0u);
    EXPECT_GE(pointer, 0);
    store.ClearAll();
    uint32_t address = static_cast<uint32_t>(pointer);
    int tries = 0;
    while (d.end == kStoreDone && d.pieces < 20000) {
        s.port.AdvanceMs(tickMs);
        const uint32_t base = address & ~0x0Fu;
        const uint32_t n = address - base + 1;
        std::array<uint8_t, 16> piece{};
        if (ReadTerminalMemory(s.link, base, std::span<uint8_t>(piece.data(), n)) != 0) {
            ++d.failedReads;
            if (++tries >= attempts) {
                ADD_FAILURE() << "piece at " << base << " failed " << tries << " times";
                return d;
            }
            continue;
        }
        tries = 0;
        ++d.pieces;
        if (d.bytesTotal == 0)
            d.bytesTotal = piece[n - 1] == 0xFF ? static_cast<int>(address + 1) : 0x1FFFF;
        for (uint32_t i = n; i-- > 0 && d.end == kStoreDone;)
            if (base + i != 0)
                d.end = store.FeedByte(piece[i]);
        address = base == 0 ? 0x1FFFF : base - 1;
    }
    return d;
}

// Compares the store with the records the terminal holds, newest first in every list.
inline void ExpectSame(const TDataStore& store, const std::vector<MemoryRecordInfo>& records)
{
    std::map<int, std::vector<const MemoryRecordInfo*>> radon, spectra;
    std::vector<const MemoryRecordInfo*> meteo, events;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        switch (it->kind) {
        case Kind::Radon: radon[it->bytes[0]].push_back(&*it); break;
        case Kind::Spectrum: spectra[it->bytes[0]].push_back(&*it); break;
        case Kind::Meteo: meteo.push_back(&*it); break;
        case Kind::Event: events.push_back(&*it); break;
        }
    }
    int totalRadon = 0, totalSpectra = 0;
    for (int slot = 0; slot < 16; ++slot) {
        const auto& r = radon[slot];
        const auto& sp = spectra[slot];
        totalRadon += static_cast<int>(r.size());
        totalSpectra += static_cast<int>(sp.size());
        ASSERT_EQ(store.RadonRecordCount(slot), static_cast<int>(r.size())) << "slot " << slot;
        ASSERT_EQ(store.SpectrumCount(slot), static_cast<int>(sp.size())) << "slot " << slot;
        for (std::size_t i = 0; i < r.size(); ++i) {
            RadonRecord got{};
            ASSERT_EQ(store.GetRadonRecord(slot, static_cast<int>(i), got), 0u);
            ASSERT_TRUE(std::equal(got.begin(), got.end(), r[i]->bytes.begin())) << "radon " << slot << "/" << i;
        }
        for (std::size_t i = 0; i < sp.size(); ++i) {
            SpectrumChannels got{};
            ASSERT_EQ(store.GetSpectrumChannels(slot, static_cast<int>(i), got), 0u);
            ASSERT_TRUE(std::equal(got.begin(), got.end(), sp[i]->bytes.begin() + 1)) << "spectrum " << i;
            ASSERT_EQ(store.GetSpectrumTime(slot, static_cast<int>(i)), sp[i]->time) << "spectrum " << i;
        }
    }
    EXPECT_EQ(store.TotalRadonRecords(), totalRadon);
    EXPECT_EQ(store.TotalSpectra(), totalSpectra);

    ASSERT_EQ(store.LocRecordCount(), static_cast<int>(meteo.size()));
    for (std::size_t i = 0; i < meteo.size(); ++i) {
        LocRecord got{};
        ASSERT_EQ(store.GetLocRecord(static_cast<int>(i), got), 0u);
        ASSERT_TRUE(std::equal(got.begin(), got.end(), meteo[i]->bytes.begin())) << "meteo " << i;
    }
    ASSERT_EQ(store.DiaEventCount(), static_cast<int>(events.size()));
    for (std::size_t i = 0; i < events.size(); ++i) {
        DiaEvent got{};
        ASSERT_EQ(store.GetDiaEvent(static_cast<int>(i), got), 0u);
        const auto& m = events[i]->bytes;
        const bool terminal = m[2] == 0xFC;
        EXPECT_EQ(U32At<0>(got), events[i]->time) << "event " << i;
        EXPECT_EQ(got[4], terminal ? 0 : (m[0] >> 4) + 1) << "event " << i;
        EXPECT_EQ(got[5], terminal ? m[0] >> 4 : m[2]) << "event " << i;
    }
}

}  // namespace kolmaris::testing
