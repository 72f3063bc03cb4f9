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

template <class Reader>
ReaderRun RunReader(Reader& reader, SimLink& sim, TDataStore& store)
{
    ReaderRun run;
    bool going = true;
    while (going && run.ticks < 20000) {
        sim.port.AdvanceMs(200);
        going = reader.Tick(sim.link, store);
        ++run.ticks;
        if (run.texts.empty() || run.texts.back() != reader.StatusText())
            run.texts.push_back(reader.StatusText());
    }
    EXPECT_FALSE(going) << "reading still running after " << run.ticks << " ticks";
    return run;
}

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

// Bytes 1-17 of the records of slot 0 in the store, newest first.
std::vector<std::vector<uint8_t>> Stored(const TDataStore& store)
{
    std::vector<std::vector<uint8_t>> records;
    RadonRecord r{};
    for (int i = 0; i < store.RadonRecordCount(0); ++i) {
        EXPECT_EQ(store.GetRadonRecord(0, i, r), kStoreDone);
        records.emplace_back(r.begin() + 1, r.end());
    }
    return records;
}

TEST(ProbeRecordReader, RangeBeyondTheRecordsReadsWhatThereIsAndWarns)
{
    SimLink sim(ProbeRings(250, 3));
    TDataStore store;
    ProbeRecordReader reader;
    std::vector<int> numbers;
    int tableEmptied = 0;
    reader.events.recordRead = [&](int n, const RadonRecord& r) { numbers.push_back(r[0] == 0 ? n : -n); };
    reader.events.pointersRead = [&] { ++tableEmptied; };

    ASSERT_TRUE(reader.Start(1, 1, 4096, 3, false));
    const ReaderRun run = RunReader(reader, sim, store);
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
    SimLink sim(ProbeRings(0, 0));
    TDataStore store;
    ASSERT_EQ(store.AddRadonRecord(RadonRecord{}, false), kStoreDone);
    ProbeRecordReader reader;
    bool begun = false;
    reader.events.readingBegun = [&] { begun = true; };
    ASSERT_TRUE(reader.Start(1, 1, 1, 3, false));
    RunReader(reader, sim, store);
    EXPECT_TRUE(begun);
    EXPECT_FALSE(reader.Failed() || reader.LessRecords());
    EXPECT_TRUE(reader.NotAvailable());
    EXPECT_EQ(reader.RecordsRead() + store.RadonRecordCount(0), 0);
    EXPECT_EQ(reader.StatusText(), "Finished...");
    EXPECT_EQ(reader.Warnings(), std::vector<std::string>{"Requested records not available yet."});
}

TEST(ProbeRecordReader, WrappedRingIsReadDownwardsAcrossZero)
{
    SimLink sim(ProbeRings(4096 + 5, 0));  // P = 0x1005: next write at position 5
    TDataStore store;
    ProbeRecordReader reader;
    ASSERT_TRUE(reader.Start(1, 1, 8, 3, false));
    RunReader(reader, sim, store);
    EXPECT_EQ(reader.StartPointer(), 0x1005);
    EXPECT_TRUE(reader.Warnings().empty());
    EXPECT_EQ(Stored(store), RecordsAt(sim, {4, 3, 2, 1, 0, 4095, 4094, 4093}));
    EXPECT_EQ(reader.RingIndex(), 4092);

    // The oldest records of a full ring sit just above the write position.
    ASSERT_TRUE(reader.Start(1, 4095, 4096, 3, false));
    RunReader(reader, sim, store);
    EXPECT_EQ(Stored(store), RecordsAt(sim, {6, 5}));
}

TEST(ProbeRecordReader, BadAnswersAreRetriedUpToTheAttemptCountThenFail)
{
    Scenario s = ProbeRings(250, 0);
    // Record 1: two answers one byte short, then a busy element, then the record.
    s.faults.answerFaults = {{AnswerFaultKind::WrongLength, 1, 0x72, 2}, {AnswerFaultKind::Busy, 1, 0x72, 1}};
    SimLink sim(s);
    TDataStore store;
    ProbeRecordReader reader;
    ASSERT_TRUE(reader.Start(1, 1, 2, 4, false));
    ReaderRun run = RunReader(reader, sim, store);
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(reader.ErrorCount(), 0) << "a good answer starts the count again";
    EXPECT_EQ(Stored(store), RecordsAt(sim, {249, 248}));
    // A short answer's code is its data byte 1: the first byte of the record's time.
    const std::string code = std::to_string(RecordsAt(sim, {249})[0][0]);
    for (const std::string& text : {"#2 >" + code, "#3 >" + code, std::string("#4 >254")})
        EXPECT_TRUE(Shown(run, "Data recording (finished 0%) " + text)) << text;

    s.faults.answerFaults = {{AnswerFaultKind::Busy, 1, 0x72, 1}, {AnswerFaultKind::Invalid, 1, 0x72, -1}};
    SimLink bad(s);
    ASSERT_TRUE(reader.Start(1, 1, 10, 2, false));
    run = RunReader(reader, bad, store);
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(std::make_tuple(reader.ErrorCount(), reader.LastErrorCode(), reader.RecordsRead()),
              std::make_tuple(2, 2, 0));
    EXPECT_TRUE(Shown(run, "Data recording (finished 0%) #2 >254"));
    EXPECT_EQ(reader.StatusText(), "Action failed");
    EXPECT_TRUE(reader.Warnings().empty());
}

TEST(ProbeRecordReader, FullStoreEndsWithTheMemoryError)
{
    SimLink sim(ProbeRings(250, 0));
    TDataStore store(3);
    ProbeRecordReader reader;
    ASSERT_TRUE(reader.Start(1, 1, 10, 3, false));
    RunReader(reader, sim, store);
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(std::make_tuple(reader.RecordsRead(), reader.StoreResult()), std::make_tuple(3, 128u));
    EXPECT_EQ(reader.StatusText(), "Action failed, memory error - 128");
}

TEST(ProbeRecordReader, WaitsForTheAcquisitionStopAndNoticesNewRecords)
{
    Scenario s = ProbeRings(250, 0, true);
    s.terminal.timeAcceleration = 3600.0;  // a record every second of the line
    SimLink sim(s);
    TDataStore store;
    ProbeRecordReader reader;
    int stopped = 0;
    reader.events.acquisitionStopped = [&] { ++stopped; };

    // Reading while acquisition runs: the probe closes records under the reading.
    ASSERT_TRUE(reader.Start(1, 1, 5, 3, false));
    RunReader(reader, sim, store);
    EXPECT_TRUE(sim.terminal.AcquisitionRunning());
    EXPECT_EQ(reader.Warnings(), std::vector<std::string>{"Buffer contents changed during reading."});
    EXPECT_EQ(stopped, 0);

    // Waiting for the stop: step 0 sends the stop itself until the terminal reports it.
    ASSERT_TRUE(reader.Start(1, 1, 5, 3, true));
    RunReader(reader, sim, store);
    EXPECT_EQ(stopped, 1);
    EXPECT_FALSE(sim.terminal.AcquisitionRunning());
    EXPECT_TRUE(reader.Warnings().empty());
}

// The 96 channels of the buffer at a ring position, asked of probe 1 part by part.
std::vector<uint8_t> BufferAt(SimLink& sim, int position)
{
    std::vector<uint8_t> channels;
    for (uint8_t part = 0; part < 6; ++part) {
        const std::vector<uint8_t> data =
            sim.Ask([&](StepLink& l) { return RequestSpectrumPart(l, 1, static_cast<uint16_t>(position), part); });
        EXPECT_EQ(data.size(), 17u);
        if (data.size() == 17)
            channels.insert(channels.end(), data.begin() + 1, data.end());
    }
    return channels;
}

std::vector<uint8_t> StoredChannels(const TDataStore& store, int index)
{
    SpectrumChannels c{};
    EXPECT_EQ(store.GetSpectrumChannels(0, index, c), kStoreDone);
    return {c.begin(), c.end()};
}

TEST(ProbeSpectrumReader, FewerBuffersThanRequestedAreReadDownFromThePointer)
{
    SimLink sim(ProbeRings(40, 4));  // S = 4
    TDataStore store;
    ProbeSpectrumReader reader;
    std::vector<int> numbers;
    reader.events.spectrumRead = [&](int n) { numbers.push_back(n); };
    ASSERT_TRUE(reader.Start(1, 1, 10, 3, false));
    RunReader(reader, sim, store);

    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(reader.StartPointer(), 4);
    EXPECT_TRUE(reader.LessRecords());
    EXPECT_EQ(reader.Last(), 5);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(store.SpectrumCount(0), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(StoredChannels(store, i), BufferAt(sim, 4 - i)) << "buffer " << i + 1;
    EXPECT_NE(StoredChannels(store, 1), std::vector<uint8_t>(96, 0));
    EXPECT_EQ(reader.StatusText(), "Finished...");
    EXPECT_EQ(reader.Warnings(), std::vector<std::string>{"Memory contains less records then requested."});
}

TEST(ProbeSpectrumReader, WrappedRingContinuesAt511)
{
    SimLink sim(ProbeRings(40, 512));  // S = 0x200: newest at position 0
    TDataStore store;
    ProbeSpectrumReader reader;
    ASSERT_TRUE(reader.Start(1, 1, 3, 3, false));
    RunReader(reader, sim, store);

    EXPECT_EQ(reader.StartPointer(), 0x200);
    EXPECT_TRUE(reader.Warnings().empty());
    ASSERT_EQ(store.SpectrumCount(0), 3);
    EXPECT_EQ(StoredChannels(store, 0), BufferAt(sim, 0));
    EXPECT_EQ(StoredChannels(store, 1), BufferAt(sim, 511));
    EXPECT_EQ(StoredChannels(store, 2), BufferAt(sim, 510));

    // Buffer 512 of a wrapped ring sits just above the newest.
    ASSERT_TRUE(reader.Start(1, 512, 512, 3, false));
    RunReader(reader, sim, store);
    ASSERT_EQ(store.SpectrumCount(0), 1);
    EXPECT_EQ(StoredChannels(store, 0), BufferAt(sim, 1));
}

TEST(ProbeSpectrumReader, ProgressCountsParts)
{
    SimLink sim(ProbeRings(40, 20));
    TDataStore store;
    ProbeSpectrumReader reader;
    ASSERT_TRUE(reader.Start(1, 3, 4, 3, false));
    const ReaderRun run = RunReader(reader, sim, store);

    // Two buffers, twelve parts: 100 - 11/12 * 100 = 8.3 after the first part.
    std::vector<std::string> expected{"", "Reading current pointers.."};
    for (int part = 0; part < 12; ++part)
        expected.push_back("Data recording (done: " + std::to_string((part * 100 + 6) / 12) + "%)");
    expected.insert(expected.end(), {"Pointer checking..", "Finished..."});
    EXPECT_EQ(run.texts, expected);
    EXPECT_EQ(StoredChannels(store, 0), BufferAt(sim, 20 - 2));
}

// The retries themselves are the record reader's (the machine both share).
TEST(ProbeSpectrumReader, BadAnswersAreRetried)
{
    Scenario s = ProbeRings(40, 20);
    s.faults.answerFaults.push_back({AnswerFaultKind::WrongLength, 1, 0xB4, 2});
    SimLink sim(s);
    TDataStore store;
    ProbeSpectrumReader reader;
    ASSERT_TRUE(reader.Start(1, 1, 1, 3, false));
    const ReaderRun run = RunReader(reader, sim, store);
    EXPECT_FALSE(reader.Failed());
    EXPECT_TRUE(Shown(run, "Data recording (done: 0%) #2"));
    EXPECT_TRUE(Shown(run, "Data recording (done: 0%) #3"));
    EXPECT_EQ(StoredChannels(store, 0), BufferAt(sim, 20));
}

}  // namespace
}  // namespace kolmaris::testing
