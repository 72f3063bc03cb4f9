// The terminal memory download, done with the program's commands and its data store, against
// the simulated terminal: the store must hold exactly what the terminal wrote.
#include "DataStore.h"
#include "SimLink.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

using namespace kolmaris;
using kolmaris::testing::QuietScenario;
using kolmaris::testing::SimLink;
using Kind = MemoryRecordInfo::Kind;

namespace {

// A command tried until it succeeds, at most `attempts` times.
template <class Command>
uint32_t Retried(int attempts, Command command)
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
Download DownloadMemory(SimLink& s, TDataStore& store, int attempts = 5, uint64_t tickMs = 0)
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
void ExpectSame(const TDataStore& store, const std::vector<MemoryRecordInfo>& records)
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

int Count(const std::vector<MemoryRecordInfo>& records, Kind kind)
{
    return static_cast<int>(std::count_if(records.begin(), records.end(), [kind](const auto& r) { return r.kind == kind; }));
}

}  // namespace

TEST(SimDownload, TwoWeeksBeforeTheRingWraps)
{
    SimLink s;  // the default scenario: two weeks of data
    ASSERT_FALSE(s.terminal.MemoryWrapped());
    TDataStore store;
    const Download d = DownloadMemory(s, store);
    EXPECT_EQ(d.end, kStoreEndOfData);
    EXPECT_EQ(d.bytesTotal, static_cast<int>(s.terminal.MemoryPointer()) + 1);

    const auto records = s.terminal.RecordsInMemory();
    ExpectSame(store, records);
    EXPECT_EQ(Count(records, Kind::Meteo), 14 * 96 + 2);  // one a query, and the start's own
    EXPECT_EQ(Count(records, Kind::Radon), 3 * 14 * 24);
    EXPECT_EQ(Count(records, Kind::Spectrum), 3 * 14 * 3);
    EXPECT_GT(Count(records, Kind::Event), 10);  // start, relay test, daily alarms of the cellar probe
    ASSERT_EQ(SetAcquisition(s.link, 0x2C), 0u);
}

TEST(SimDownload, AfterTheRingHasWrapped)
{
    auto scenario = kolmaris::DefaultScenario();
    scenario.memory.wrapped = true;
    SimLink s(scenario);
    ASSERT_TRUE(s.terminal.MemoryWrapped());
    const uint32_t pointer = s.terminal.MemoryPointer();
    EXPECT_EQ(s.terminal.Memory()[pointer], 0x80);  // the sync byte once the ring has wrapped

    TDataStore store;
    const Download d = DownloadMemory(s, store);
    EXPECT_EQ(d.end, kStoreEndOfData);
    EXPECT_EQ(d.bytesTotal, 0x1FFFF);
    const auto records = s.terminal.RecordsInMemory();
    ExpectSame(store, records);
    // The oldest record left is a whole one with an end mark below it.
    const uint32_t oldest = records.front().address;
    EXPECT_GE(s.terminal.Memory()[oldest == 1 ? 0x1FFFF : oldest - 1], 0x80);
    EXPECT_GT(store.TotalRadonRecords() + store.LocRecordCount(), 4000);
}

TEST(SimDownload, RecordingStaysOffWhileTimeRuns)
{
    auto scenario = QuietScenario(3.0);
    scenario.terminal.timeAcceleration = 600.0;  // a query every 1.5 s of reading
    SimLink s(scenario);
    TDataStore store;
    const Download d = DownloadMemory(s, store, 5, 10);
    EXPECT_EQ(d.end, kStoreEndOfData);
    ExpectSame(store, s.terminal.RecordsInMemory());

    // What was measured meanwhile is written once recording is on again.
    const uint32_t before = s.terminal.MemoryPointer();
    ASSERT_EQ(SetAcquisition(s.link, 0x2C), 0u);
    EXPECT_GT(s.terminal.MemoryPointer(), before);
    TDataStore again;
    EXPECT_EQ(DownloadMemory(s, again).end, kStoreEndOfData);
    ExpectSame(again, s.terminal.RecordsInMemory());
}

TEST(SimDownload, NoisyLineFailsTransactionsButNeverDeliversWrongData)
{
    auto scenario = QuietScenario(0.5);
    scenario.faults.corruptionRate = 0.01;
    scenario.seed = 7;
    SimLink s(scenario);
    ASSERT_EQ(Retried(20, [&] { return SetAcquisition(s.link, 0x00); }), 0u);
    ASSERT_EQ(Retried(20, [&] { return SetAcquisition(s.link, 0x2D); }), 0u);
    const std::vector<uint8_t> memory(s.terminal.Memory().begin(), s.terminal.Memory().end());

    int failures = 0;
    for (int i = 0; i < 400; ++i) {
        const uint32_t base = (static_cast<uint32_t>(i) * 0x1F0u) % 0x2000u;
        std::array<uint8_t, 16> piece{};
        uint32_t r = 0;
        int attempt = 0;
        while ((r = ReadTerminalMemory(s.link, base, piece)) != 0) {
            ++failures;
            EXPECT_TRUE(r == 22 || r == 0x2000E || r == 0x2000F) << r;
            ASSERT_LT(++attempt, 20) << "no retry succeeded";
        }
        ASSERT_TRUE(std::equal(piece.begin(), piece.end(), memory.begin() + base)) << "at " << base;
    }
    EXPECT_GT(failures, 40);

    // A whole download, a piece retried until it comes through.
    TDataStore store;
    const Download d = DownloadMemory(s, store, 30);
    EXPECT_EQ(d.end, kStoreEndOfData);
    EXPECT_GT(d.failedReads, 0);
    ExpectSame(store, s.terminal.RecordsInMemory());
}
