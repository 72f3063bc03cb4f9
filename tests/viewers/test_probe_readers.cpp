// SPDX-License-Identifier: GPL-3.0-or-later
// The probe record and spectrum reading machines against the simulated terminal, ticked 200 ms
// apart: pointers, ring positions, the warnings, retries, the progress texts and the store.

#include "DataStore.h"
#include "ProbeRecordReader.h"
#include "ProbeSpectrumReader.h"
#include "RelayedRequests.h"
#include "Scenarios.h"
#include "SimulatedPort.h"
#include "SimulatedTerminal.h"
#include "StepLink.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kolmaris::testing {
namespace {

// The link wired to a simulated terminal in memory, connected.
struct SimLink {
    explicit SimLink(const Scenario& s) : terminal(s), port(terminal, 3), link(port.Port(), port.GetClock())
    {
        EXPECT_EQ(link.DetectTerminal(3), 0u);
    }

    // Sends a relayed request and polls (50 ms apart) until the answer is complete: its data
    // bytes, or nothing on any failure.
    std::vector<uint8_t> Ask(const std::function<uint32_t(StepLink&)>& send)
    {
        RelayedAnswer a;
        for (int n = send(link) == 0 ? 1 : 51; n <= 50 && !a.error && !a.complete; ++n) {
            port.GetClock().SleepMs(50);
            a = RelayedAnswer{};
            if (PollRelayedReply(link, a) != 0)
                return {};
        }
        if (a.error != 0 || !a.complete)
            return {};
        return {a.data.begin(), a.data.begin() + a.length};
    }

    SimulatedTerminal terminal;
    SimulatedPort port;
    StepLink link;
};

struct ReaderRun {
    int ticks = 0;
    std::vector<std::string> texts;  // each status text once, in the order shown
};

// A reader of probe 1 on a simulated terminal, ticked 200 ms apart.
template <class Reader>
struct Rig {
    explicit Rig(const Scenario& s, int storeLimit = TDataStore::kDefaultRecordLimit) : sim(s), store(storeLimit) {}

    // Reads from `first` to `last` to the end, with the status texts it showed.
    ReaderRun Read(int first, int last, int attempts = 3, bool waitForStop = false)
    {
        ReaderRun run;
        EXPECT_TRUE(reader.Start(1, first, last, attempts, waitForStop));
        for (bool going = true; going && run.ticks < 20000; ++run.ticks) {
            sim.port.AdvanceMs(200);
            going = reader.Tick(sim.link, store);
            if (run.texts.empty() || run.texts.back() != reader.StatusText())
                run.texts.push_back(reader.StatusText());
        }
        EXPECT_FALSE(reader.Running()) << "reading still running after " << run.ticks << " ticks";
        return run;
    }

    SimLink sim;
    TDataStore store;
    Reader reader;
};

bool Shown(const ReaderRun& run, const std::string& text)
{
    return std::find(run.texts.begin(), run.texts.end(), text) != run.texts.end();
}

// Bytes 1-17 of the records at ring positions, asked of probe 1 directly, newest first.
std::vector<std::vector<uint8_t>> RecordsAt(SimLink& sim, std::initializer_list<int> positions)
{
    std::vector<std::vector<uint8_t>> records;
    for (const int position : positions) {
        auto data = sim.Ask([&](StepLink& l) { return RequestRecord(l, 1, static_cast<uint16_t>(position)); });
        EXPECT_EQ(data.size(), 18u);
        records.emplace_back(data.begin() + (data.empty() ? 0 : 1), data.end());  // without the signal strength
    }
    return records;
}

// The items of slot 0 in the store, newest first: bytes 1-17 of each radon record, or the
// channels of each spectrum.
std::vector<std::vector<uint8_t>> Stored(const TDataStore& store, bool spectra = false)
{
    std::vector<std::vector<uint8_t>> items;
    RadonRecord r{};
    SpectrumChannels c{};
    for (int i = 0; i < (spectra ? store.SpectrumCount(0) : store.RadonRecordCount(0)); ++i) {
        EXPECT_EQ(spectra ? store.GetSpectrumChannels(0, i, c) : store.GetRadonRecord(0, i, r), kStoreDone);
        items.push_back(spectra ? std::vector<uint8_t>(c.begin(), c.end())
                                : std::vector<uint8_t>(r.begin() + 1, r.end()));
    }
    return items;
}

TEST(ProbeRecordReader, RangeBeyondTheRecordsReadsWhatThereIsAndWarns)
{
    Rig<ProbeRecordReader> r(ProbeRings(250, 3));
    auto& [sim, store, reader] = r;
    std::vector<int> numbers;
    int tableEmptied = 0;
    reader.events.recordRead = [&](int n, const RadonRecord& record) { numbers.push_back(record[0] == 0 ? n : -n); };
    reader.events.pointersRead = [&] { ++tableEmptied; };
    const ReaderRun run = r.Read(1, 4096);
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(std::make_tuple(reader.StartPointer(), reader.Last(), reader.RecordsRead()),
              std::make_tuple(250, 250, 250));
    EXPECT_EQ(tableEmptied, 1);
    ASSERT_EQ(numbers.size(), 250u);
    EXPECT_EQ(numbers.front(), 1);
    EXPECT_EQ(numbers.back(), 250);
    EXPECT_EQ(reader.Warnings(), std::vector<std::string>{"Less records in memory than requested."});
    // Newest first: record 1 at position 249, record 250 at position 0.
    const auto stored = Stored(store);
    ASSERT_EQ(stored.size(), 250u);
    EXPECT_EQ((std::vector{stored[0], stored[124], stored[249]}), RecordsAt(sim, {249, 125, 0}));
    // Status texts: pointers, progress from 0 % by 0.4 % steps, the pointer check, the end.
    ASSERT_GE(run.texts.size(), 4u);
    EXPECT_EQ(std::vector(run.texts.begin(), run.texts.begin() + 3),
              (std::vector<std::string>{"", "Reading current pointers..", "Data recording (finished 0%)"}));
    EXPECT_TRUE(Shown(run, "Data recording (finished 50%)"));
    EXPECT_TRUE(Shown(run, "Data recording (finished 100%)"));  // 99.6 with one record to go
    EXPECT_EQ(std::vector(run.texts.end() - 2, run.texts.end()),
              (std::vector<std::string>{"Pointer checking..", "Finished..."}));
}

TEST(ProbeRecordReader, PointerZeroReadsNothingAndClearsTheSlot)
{
    Rig<ProbeRecordReader> r(ProbeRings(0, 0));
    auto& [sim, store, reader] = r;
    ASSERT_EQ(store.AddRadonRecord(RadonRecord{}, false), kStoreDone);
    bool begun = false;
    reader.events.readingBegun = [&] { begun = true; };
    r.Read(1, 1);
    EXPECT_TRUE(begun);
    EXPECT_FALSE(reader.Failed() || reader.LessRecords());
    EXPECT_TRUE(reader.NotAvailable());
    EXPECT_EQ(reader.RecordsRead() + store.RadonRecordCount(0), 0);
    EXPECT_EQ(reader.StatusText(), "Finished...");
    EXPECT_EQ(reader.Warnings(), std::vector<std::string>{"Requested records not available yet."});
}

TEST(ProbeRecordReader, WrappedRingIsReadDownwardsAcrossZero)
{
    Rig<ProbeRecordReader> r(ProbeRings(4096 + 5, 0));  // P = 0x1005: next write at position 5
    auto& [sim, store, reader] = r;
    r.Read(1, 8);
    EXPECT_EQ(reader.StartPointer(), 0x1005);
    EXPECT_TRUE(reader.Warnings().empty());
    EXPECT_EQ(Stored(store), RecordsAt(sim, {4, 3, 2, 1, 0, 4095, 4094, 4093}));
    EXPECT_EQ(reader.RingIndex(), 4092);

    // The oldest records of a full ring sit just above the write position.
    r.Read(4095, 4096);
    EXPECT_EQ(Stored(store), RecordsAt(sim, {6, 5}));
}

TEST(ProbeRecordReader, BadAnswersAreRetriedUpToTheAttemptCountThenFail)
{
    Scenario s = ProbeRings(250, 0);
    // Record 1: two answers one byte short, then a busy element, then the record.
    s.faults.answerFaults = {{AnswerFaultKind::WrongLength, 1, 0x72, 2}, {AnswerFaultKind::Busy, 1, 0x72, 1}};
    Rig<ProbeRecordReader> good(s);
    const ReaderRun run = good.Read(1, 2, 4);
    EXPECT_FALSE(good.reader.Failed());
    EXPECT_EQ(good.reader.ErrorCount(), 0) << "a good answer starts the count again";
    EXPECT_EQ(Stored(good.store), RecordsAt(good.sim, {249, 248}));
    // A short answer's code is its data byte 1: the first byte of the record's time.
    const std::string code = std::to_string(RecordsAt(good.sim, {249})[0][0]);
    for (const std::string& text : {"#2 >" + code, "#3 >" + code, std::string("#4 >254")})
        EXPECT_TRUE(Shown(run, "Data recording (finished 0%) " + text)) << text;

    s.faults.answerFaults = {{AnswerFaultKind::Busy, 1, 0x72, 1}, {AnswerFaultKind::Invalid, 1, 0x72, -1}};
    Rig<ProbeRecordReader> bad(s);
    EXPECT_TRUE(Shown(bad.Read(1, 10, 2), "Data recording (finished 0%) #2 >254"));
    EXPECT_TRUE(bad.reader.Failed());
    EXPECT_EQ(std::make_tuple(bad.reader.ErrorCount(), bad.reader.LastErrorCode(), bad.reader.RecordsRead()),
              std::make_tuple(2, 2, 0));
    EXPECT_EQ(bad.reader.StatusText(), "Action failed");
    EXPECT_TRUE(bad.reader.Warnings().empty());
}

TEST(ProbeRecordReader, FullStoreEndsWithTheMemoryError)
{
    Rig<ProbeRecordReader> r(ProbeRings(250, 0), 3);
    r.Read(1, 10);
    EXPECT_TRUE(r.reader.Failed());
    EXPECT_EQ(std::make_tuple(r.reader.RecordsRead(), r.reader.StoreResult()), std::make_tuple(3, 128u));
    EXPECT_EQ(r.reader.StatusText(), "Action failed, memory error - 128");
}

TEST(ProbeRecordReader, WaitsForTheAcquisitionStopAndNoticesNewRecords)
{
    Scenario s = ProbeRings(250, 0, true);
    s.terminal.timeAcceleration = 3600.0;  // a record every second of the line
    Rig<ProbeRecordReader> r(s);
    int stopped = 0;
    r.reader.events.acquisitionStopped = [&] { ++stopped; };

    // Reading while acquisition runs: the probe closes records under the reading.
    r.Read(1, 5);
    EXPECT_TRUE(r.sim.terminal.AcquisitionRunning());
    EXPECT_EQ(r.reader.Warnings(), std::vector<std::string>{"Buffer contents changed during reading."});
    EXPECT_EQ(stopped, 0);

    // Waiting for the stop: step 0 sends the stop itself until the terminal reports it.
    r.Read(1, 5, 3, true);
    EXPECT_EQ(stopped, 1);
    EXPECT_FALSE(r.sim.terminal.AcquisitionRunning());
    EXPECT_TRUE(r.reader.Warnings().empty());
}

// The channels of the buffers at ring positions, asked of probe 1 part by part, newest first.
std::vector<std::vector<uint8_t>> BuffersAt(SimLink& sim, std::initializer_list<int> positions)
{
    std::vector<std::vector<uint8_t>> buffers;
    for (const int position : positions) {
        buffers.emplace_back();
        for (uint8_t part = 0; part < 6; ++part) {
            const auto data = sim.Ask([&](StepLink& l) { return RequestSpectrumPart(l, 1, uint16_t(position), part); });
            EXPECT_EQ(data.size(), 17u);
            buffers.back().insert(buffers.back().end(), data.begin() + (data.empty() ? 0 : 1), data.end());
        }
    }
    return buffers;
}

TEST(ProbeSpectrumReader, FewerBuffersThanRequestedAreReadDownFromThePointer)
{
    Rig<ProbeSpectrumReader> r(ProbeRings(40, 4));  // S = 4
    std::vector<int> numbers;
    r.reader.events.spectrumRead = [&](int n) { numbers.push_back(n); };
    r.Read(1, 10);
    EXPECT_FALSE(r.reader.Failed());
    EXPECT_EQ(std::make_tuple(r.reader.StartPointer(), r.reader.LessRecords(), r.reader.Last()),
              std::make_tuple(4, true, 5));
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Stored(r.store, true), BuffersAt(r.sim, {4, 3, 2, 1, 0}));
    EXPECT_NE(Stored(r.store, true)[1], std::vector<uint8_t>(96, 0));
    EXPECT_EQ(r.reader.StatusText(), "Finished...");
    EXPECT_EQ(r.reader.Warnings(), std::vector<std::string>{"Memory contains less records than requested."});
}

TEST(ProbeSpectrumReader, FullStoreEndsWithTheMemoryError)
{
    Rig<ProbeSpectrumReader> r(ProbeRings(40, 10), 3);
    r.Read(1, 10);
    EXPECT_TRUE(r.reader.Failed());
    EXPECT_EQ(r.reader.StatusText(), "Action failed, memory error - 128");
}

TEST(ProbeSpectrumReader, WrappedRingContinuesAt511)
{
    Rig<ProbeSpectrumReader> r(ProbeRings(40, 512));  // S = 0x200: newest at position 0
    r.Read(1, 3);
    EXPECT_EQ(r.reader.StartPointer(), 0x200);
    EXPECT_TRUE(r.reader.Warnings().empty());
    EXPECT_EQ(Stored(r.store, true), BuffersAt(r.sim, {0, 511, 510}));
    // Buffer 512 of a wrapped ring sits just above the newest.
    r.Read(512, 512);
    EXPECT_EQ(Stored(r.store, true), BuffersAt(r.sim, {1}));
}

TEST(ProbeSpectrumReader, ProgressCountsParts)
{
    Rig<ProbeSpectrumReader> r(ProbeRings(40, 20));
    const ReaderRun run = r.Read(3, 4);
    // Two buffers, twelve parts: 100 - 11/12 * 100 = 8.3 after the first part.
    std::vector<std::string> expected{"", "Reading current pointers.."};
    for (int part = 0; part < 12; ++part)
        expected.push_back("Data recording (done: " + std::to_string((part * 100 + 6) / 12) + "%)");
    expected.insert(expected.end(), {"Pointer checking..", "Finished..."});
    EXPECT_EQ(run.texts, expected);
    EXPECT_EQ(Stored(r.store, true), BuffersAt(r.sim, {18, 17}));
}

// The retries themselves are the record reader's (the machine both share).
TEST(ProbeSpectrumReader, BadAnswersAreRetried)
{
    Scenario s = ProbeRings(40, 20);
    s.faults.answerFaults.push_back({AnswerFaultKind::WrongLength, 1, 0xB4, 2});
    Rig<ProbeSpectrumReader> r(s);
    const ReaderRun run = r.Read(1, 1);
    EXPECT_FALSE(r.reader.Failed());
    EXPECT_TRUE(Shown(run, "Data recording (done: 0%) #2"));
    EXPECT_TRUE(Shown(run, "Data recording (done: 0%) #3"));
    EXPECT_EQ(Stored(r.store, true), BuffersAt(r.sim, {20}));
}

}  // namespace
}  // namespace kolmaris::testing
