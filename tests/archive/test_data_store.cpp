// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "DataStore.h"
#include "StreamBuilder.h"

namespace kolmaris {
namespace {

using namespace kolmaris::test;
using Results = std::vector<StoreError>;

std::uint32_t EventTime(const TDataStore& store, int index)
{
    DiaEvent e{};
    EXPECT_EQ(store.GetDiaEvent(index, e), 0u);
    return std::uint32_t{e[0]} << 24 | std::uint32_t{e[1]} << 16 | std::uint32_t{e[2]} << 8 | e[3];
}

TEST(DataStore, OneEventBetweenSyncAndEndMark)
{
    TDataStore store;
    // Element 3 (slot 2), code 0xF9, low time 0x567; memory m0 m1 m2 = 0x25 0x67 0xF9.
    EXPECT_EQ(FeedAll(store, {0xFF, 0x03, 0xF9, 0x67, 0x25, 0x03, 0x80}), (Results{0, 0, 0, 0, 0, 0, 1}));
    DiaEvent e{};
    ASSERT_EQ(store.DiaEventCount(), 1);
    ASSERT_EQ(store.GetDiaEvent(0, e), 0u);
    EXPECT_EQ(e, (DiaEvent{0x00, 0x00, 0x05, 0x67, 3, 0xF9}));

    store.ClearAll();
    // Terminal event (m2 = 0xFC) of type 12 with low time 0x1AB.
    EXPECT_EQ(FeedUntilResult(store, {0xFF, 0x03, 0xFC, 0xAB, 0xC1, 0x03, 0x80}), 1u);
    ASSERT_EQ(store.GetDiaEvent(0, e), 0u);
    EXPECT_EQ(e, (DiaEvent{0x00, 0x00, 0x01, 0xAB, 0, 12}));
}

TEST(DataStore, FramingFailuresAreStickyUntilClearAll)
{
    // Each stream follows a ClearAll, which drops a half frame and waits for the sync byte again.
    const std::pair<Bytes, Results> cases[] = {
        {{0xFF, 12, 1, 2, 3}, {0, 0, 0, 0, 0}},                   // half a frame
        {{0xFF, 98}, {0, 4}},                                     // length above 97
        {{0xFF, 5, 1, 2, 3, 4, 5, 5}, {0, 0, 0, 0, 0, 0, 0, 2}},  // no record of 5 bytes
        {{0xFF, 0, 0}, {0, 0, 2}},
        {{0xFF, 3, 1, 2, 3, 4, 3, 0xF9, 0x67, 0x25, 3}, {0, 0, 0, 0, 0, 8, 8, 8, 8, 8, 8}},  // bad trailer
        {{0x80, 0x80}, {0, 1}},                                                              // the end mark
        {{0x03, 0xFF, 0x03}, {32, 32, 32}}};                                                 // no sync byte
    TDataStore store;
    for (const auto& [stream, results] : cases) {
        store.ClearAll();
        EXPECT_EQ(FeedAll(store, stream), results);
        EXPECT_EQ(store.DiaEventCount(), 0);
    }
}

TEST(DataStore, StreamRecordsKeepMemoryOrderNewestFirst)
{
    TDataStore store;
    const Bytes older = Radon(2, 1000, 0x11), newer = Radon(2, 2000, 0x22);
    EXPECT_EQ(FeedUntilResult(store, Backwards({older, Meteo(0x12345678, 990, 2700, 500, 1310), newer})), 1u);
    ASSERT_EQ(store.RadonRecordCount(2), 2);
    EXPECT_EQ(store.TotalRadonRecords(), 2);
    RadonRecord r{};
    ASSERT_EQ(store.GetRadonRecord(2, 0, r), 0u);
    EXPECT_EQ(Bytes(r.begin(), r.end()), newer);
    ASSERT_EQ(store.GetRadonRecord(2, 1, r), 0u);
    EXPECT_EQ(Bytes(r.begin(), r.end()), older);

    LocRecord m{};
    ASSERT_EQ(store.GetLocRecord(0, m), 0u);
    EXPECT_EQ(m, (LocRecord{0x12, 0x34, 0x56, 0x78, 0x03, 0xDE, 0x0A, 0x8C, 0x01, 0xF4, 0x05, 0x1E}));
    EXPECT_EQ(store.LastLocTime(), 0x12345678u);
}

TEST(DataStore, SpectrumTakesTimeOfRadonRecordStoredBeforeIt)
{
    TDataStore store;
    // Memory: R (slot 2, t 1000), R of slot 3, S (slot 2), R (slot 2, t 2000), S5, R5 (slot 5).
    EXPECT_EQ(FeedUntilResult(store, Backwards({Radon(2, 1000), Radon(3, 700), SpectrumData(2, 10), Radon(2, 2000),
                                                SpectrumData(5, 50), Radon(5, 3000)})),
              1u);
    EXPECT_EQ(store.GetSpectrumTime(2, 0), 1000u);
    EXPECT_EQ(store.GetSpectrumChannel(2, 0, 0), 10);
    EXPECT_EQ(store.GetSpectrumChannel(2, 0, 95), 105);
    // S5 follows R5 in the stream and no older record of slot 5 comes: it keeps R5's time.
    EXPECT_EQ(store.GetSpectrumTime(5, 0), 3000u);

    // Two spectra back to back: only the older one is timed by R(400).
    TDataStore twice;
    EXPECT_EQ(FeedUntilResult(twice, Backwards({Radon(1, 400), SpectrumData(1, 1), SpectrumData(1, 2), Radon(1, 900)})),
              1u);
    EXPECT_EQ(twice.GetSpectrumTime(1, 0), 900u);
    EXPECT_EQ(twice.GetSpectrumTime(1, 1), 400u);

    // A probe reading adds newest first in memory order and does not retime.
    TDataStore probe;
    EXPECT_EQ(AddRadon(probe, Radon(4, 9000)), 0u);
    EXPECT_EQ(AddSpectrum(probe, SpectrumData(4, 7)), 0u);
    EXPECT_EQ(AddRadon(probe, Radon(4, 8000)), 0u);
    EXPECT_EQ(probe.GetSpectrumTime(4, 0), 9000u);
    EXPECT_EQ(probe.GetSpectrumChannel(4, 0, 0), 7);
    RadonRecord r{};
    ASSERT_EQ(probe.GetRadonRecord(4, 1, r), 0u);
    EXPECT_EQ(Bytes(r.begin(), r.end()), Radon(4, 8000));
}

TEST(DataStore, EventsTakeHighTimeBitsFromMeteoRecords)
{
    TDataStore store;
    // Memory: event low 0xABC, meteo 0x0F000, meteo 0x12FFF, event low 0xFF0, event low 0xFFF (newest).
    // Read backwards, element events come before the older meteo record that completes them.
    EXPECT_EQ(FeedUntilResult(store, Backwards({ElementEvent(16, 0xFF, 0xABC), Meteo(0x0F000), Meteo(0x12FFF),
                                                ElementEvent(1, 0xF8, 0xFF0), ElementEvent(2, 0x05, 0xFFF)})),
              1u);
    ASSERT_EQ(store.DiaEventCount(), 3);
    EXPECT_EQ(EventTime(store, 0), 0x12FFFu);  // not before the meteo record: unchanged
    EXPECT_EQ(EventTime(store, 1), 0x13FF0u);  // 0x12FF0 is before it: +4096
    DiaEvent e{};
    ASSERT_EQ(store.GetDiaEvent(2, e), 0u);
    EXPECT_EQ(e, (DiaEvent{0, 0, 0x0A, 0xBC, 16, 0xFF}));  // no older meteo record: low bits only
    EXPECT_EQ(store.LastLocTime(), 0x0F000u);

    // Acquisition starts take them from the newer meteo record: memory start 0x010, start 0x003, meteo 0x12005.
    TDataStore starts, alone;
    EXPECT_EQ(FeedUntilResult(starts, Backwards({Meteo(0x01000), TerminalEvent(15, 0x010), TerminalEvent(15, 0x003),
                                                 Meteo(0x12005)})),
              1u);
    EXPECT_EQ(EventTime(starts, 0), 0x12003u);
    EXPECT_EQ(EventTime(starts, 1), 0x11010u);  // 0x12010 is after the meteo record: -4096
    // Without a meteo record it does not wrap below zero.
    EXPECT_EQ(FeedUntilResult(alone, Backwards({TerminalEvent(15, 0x010)})), 1u);
    EXPECT_EQ(EventTime(alone, 0), 0x010u);
}

TEST(DataStore, GettersRejectOutOfRangeArguments)
{
    TDataStore store;
    EXPECT_EQ(FeedUntilResult(store, Backwards({Radon(0, 77), SpectrumData(0, 1), Meteo(1), ElementEvent(1, 0xF8, 1)})),
              1u);
    RadonRecord r{};
    SpectrumChannels channels{};
    LocRecord m{};
    DiaEvent e{};
    for (const auto& [slot, index] : {std::pair{0, 1}, {0, -1}, {16, 0}, {-1, 0}}) {
        EXPECT_EQ(store.GetRadonRecord(slot, index, r), 64u) << slot << index;
        EXPECT_EQ(store.GetSpectrumChannels(slot, index, channels), 64u) << slot << index;
        EXPECT_EQ(store.GetSpectrumTime(slot, index), 64u) << slot << index;
    }
    for (const auto& [index, channel] : {std::pair{0, 96}, {0, -1}, {1, 0}})
        EXPECT_EQ(store.GetSpectrumChannel(0, index, channel), 64) << index << channel;
    EXPECT_EQ(store.GetSpectrumChannel(0, 0, 95), 96);
    EXPECT_EQ(store.GetLocRecord(1, m) + store.GetDiaEvent(1, e), 128u);
    EXPECT_EQ(store.SpectrumCount(16) + store.RadonRecordCount(-1), 0);
}

TEST(DataStore, SlotAbove15OrRecordLimitIsRefusedAndChangesNothing)
{
    TDataStore store(2);
    EXPECT_EQ(AddRadon(store, Radon(16, 5000)), 16u);
    EXPECT_EQ(AddSpectrum(store, SpectrumData(200, 1)), 16u);
    EXPECT_EQ(FeedUntilResult(store, Backwards({Radon(16, 5000)})), 16u);
    EXPECT_EQ(store.TotalRadonRecords() + store.TotalSpectra(), 0);

    EXPECT_EQ(AddRadon(store, Radon(3, 100)), 0u);
    EXPECT_EQ(AddRadon(store, Radon(3, 100)), 0u);
    EXPECT_EQ(AddRadon(store, Radon(3, 100)), 128u);
    EXPECT_EQ(AddSpectrum(store, SpectrumData(3, 0)), 128u);
    EXPECT_EQ(store.RadonRecordCount(3), 2);
    EXPECT_EQ(store.TotalSpectra(), 0);

    // From the stream: the pending event stays uncompleted when the meteo record is refused.
    store.ClearAll();
    EXPECT_EQ(FeedUntilResult(store, Backwards({Meteo(0x70000), Radon(1, 0x5000), ElementEvent(1, 0xF8, 0x123)})),
              128u);
    EXPECT_EQ(store.DiaEventCount(), 1);
    EXPECT_EQ(store.RadonRecordCount(1), 1);
    EXPECT_EQ(store.LocRecordCount(), 0);
    EXPECT_EQ(EventTime(store, 0), 0x123u);
    EXPECT_EQ(store.FeedByte(0x03), 128u);

    // A refused radon record does not retime a pending spectrum.
    store.ClearAll();
    EXPECT_EQ(FeedUntilResult(store, Backwards({Radon(6, 0x900), SpectrumData(6, 0), Radon(6, 0x800)})), 128u);
    EXPECT_EQ(store.GetSpectrumTime(6, 0), 0x800u);
    EXPECT_EQ(store.RadonRecordCount(6), 1);
}

TEST(DataStore, ClearingKeepsTimesAndOtherSlots)
{
    TDataStore store;
    EXPECT_EQ(FeedUntilResult(store, Backwards({Radon(0, 10), SpectrumData(0, 1), Radon(1, 20), SpectrumData(1, 1),
                                                Meteo(0x4242)})),
              1u);
    store.ClearRadonRecords(0);
    store.ClearSpectra(1);
    store.ClearSpectra(16);
    store.ClearRadonRecords(-1);
    EXPECT_EQ(std::make_tuple(store.RadonRecordCount(0), store.SpectrumCount(0), store.RadonRecordCount(1),
                              store.SpectrumCount(1), store.TotalRadonRecords(), store.TotalSpectra()),
              std::make_tuple(0, 1, 1, 0, 1, 1));

    store.ClearAll();
    EXPECT_EQ(store.TotalRadonRecords() + store.TotalSpectra() + store.LocRecordCount(), 0);
    EXPECT_EQ(store.LastLocTime(), 0x4242u);
    // The slot's last probe time survives too and becomes a new spectrum's provisional time.
    EXPECT_EQ(AddSpectrum(store, SpectrumData(1, 0)), 0u);
    EXPECT_EQ(store.GetSpectrumTime(1, 0), 20u);
}

}  // namespace
}  // namespace kolmaris
