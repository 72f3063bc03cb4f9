// The probe record reading machine against the simulated terminal: pointers, ring positions,
// the three warnings, retries and the store.

#include "ProbeReaderRun.h"
#include "ProbeRecordReader.h"
#include "ProbeSpectrumReader.h"
#include "TabWriters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace kolmaris::testing {
namespace {

// Bytes 1-17 of the record at a ring position, asked of probe 1 directly.
std::vector<uint8_t> RecordAt(SimLink& sim, int position)
{
    std::vector<uint8_t> data = sim.Ask([&](StepLink& l) { return RequestRecord(l, 1, static_cast<uint16_t>(position)); });
    EXPECT_EQ(data.size(), 18u);
    if (!data.empty())
        data.erase(data.begin());  // the signal strength
    return data;
}

std::vector<uint8_t> StoredBody(const TDataStore& store, int slot, int index)
{
    RadonRecord r{};
    EXPECT_EQ(store.GetRadonRecord(slot, index, r), kStoreDone);
    EXPECT_EQ(r[0], slot);
    return {r.begin() + 1, r.end()};
}

TEST(ProbeRecordReader, RangeBeyondTheRecordsReadsWhatThereIsAndWarns)
{
    SimLink sim(ProbeRings(250, 3));
    TDataStore store;
    ProbeRecordReader reader;
    std::vector<int> numbers;
    int tableEmptied = 0;
    reader.events.recordRead = [&](int n, const RadonRecord& r) {
        numbers.push_back(n);
        EXPECT_EQ(r[0], 0);
    };
    reader.events.pointersRead = [&] { ++tableEmptied; };

    ASSERT_TRUE(reader.Start(1, 1, 4096, 3, false));
    const ReaderRun run = RunReader(reader, sim, store);

    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(reader.StartPointer(), 250);
    EXPECT_EQ(reader.Last(), 250);
    EXPECT_EQ(reader.RecordsRead(), 250);
    EXPECT_EQ(store.RadonRecordCount(0), 250);
    EXPECT_EQ(tableEmptied, 1);
    ASSERT_EQ(numbers.size(), 250u);
    EXPECT_EQ(numbers.front(), 1);
    EXPECT_EQ(numbers.back(), 250);
    EXPECT_EQ(reader.StatusText(), "Finished...");
    EXPECT_EQ(reader.Warnings(), std::vector<std::string>{"Less records in memory than requested."});
    // Newest first: record 1 at position 249, record 250 at position 0.
    EXPECT_EQ(StoredBody(store, 0, 0), RecordAt(sim, 249));
    EXPECT_EQ(StoredBody(store, 0, 124), RecordAt(sim, 125));
    EXPECT_EQ(StoredBody(store, 0, 249), RecordAt(sim, 0));
    // Status texts: pointers, progress from 0 % by 0.4 % steps, the pointer check, the end.
    ASSERT_GE(run.texts.size(), 4u);
    EXPECT_EQ(run.texts[0], "");
    EXPECT_EQ(run.texts[1], "Reading current pointers..");
    EXPECT_EQ(run.texts[2], "Data recording (finished 0%)");
    EXPECT_TRUE(Shown(run, "Data recording (finished 50%)"));
    EXPECT_TRUE(Shown(run, "Data recording (finished 100%)"));  // 99.6 with one record to go
    EXPECT_EQ(run.texts[run.texts.size() - 2], "Pointer checking..");
    EXPECT_EQ(run.texts.back(), "Finished...");
}

TEST(ProbeRecordReader, PointerZeroReadsNothingAndClearsTheSlot)
{
    SimLink sim(ProbeRings(0, 0));
    TDataStore store;
    RadonRecord old{};
    ASSERT_EQ(store.AddRadonRecord(old, false), kStoreDone);
    ProbeRecordReader reader;
    bool begun = false;
    reader.events.readingBegun = [&] { begun = true; };
    reader.events.recordRead = [&](int, const RadonRecord&) { ADD_FAILURE() << "no record expected"; };

    ASSERT_TRUE(reader.Start(1, 1, 1, 3, false));
    RunReader(reader, sim, store);

    EXPECT_TRUE(begun);
    EXPECT_FALSE(reader.Failed());
    EXPECT_TRUE(reader.NotAvailable());
    EXPECT_FALSE(reader.LessRecords());
    EXPECT_EQ(reader.RecordsRead(), 0);
    EXPECT_EQ(store.RadonRecordCount(0), 0);
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
    EXPECT_FALSE(reader.LessRecords());
    EXPECT_TRUE(reader.Warnings().empty());
    ASSERT_EQ(store.RadonRecordCount(0), 8);
    const int positions[] = {4, 3, 2, 1, 0, 4095, 4094, 4093};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(StoredBody(store, 0, i), RecordAt(sim, positions[i])) << "record " << i + 1;
    EXPECT_EQ(reader.RingIndex(), 4092);

    // The oldest records of a full ring sit just above the write position.
    ASSERT_TRUE(reader.Start(1, 4095, 4096, 3, false));
    RunReader(reader, sim, store);
    ASSERT_EQ(store.RadonRecordCount(0), 2);
    EXPECT_EQ(StoredBody(store, 0, 0), RecordAt(sim, 6));
    EXPECT_EQ(StoredBody(store, 0, 1), RecordAt(sim, 5));
}

TEST(ProbeRecordReader, BadAnswersAreRetriedUpToTheAttemptCount)
{
    Scenario s = ProbeRings(250, 0);
    // Record 1: two answers one byte short, then a busy element, then the record.
    s.faults.answerFaults.push_back({AnswerFaultKind::WrongLength, 1, 0x72, 2});
    s.faults.answerFaults.push_back({AnswerFaultKind::Busy, 1, 0x72, 1});
    SimLink sim(s);
    TDataStore store;
    ProbeRecordReader reader;
    std::vector<int> numbers;
    reader.events.recordRead = [&](int n, const RadonRecord&) { numbers.push_back(n); };

    ASSERT_TRUE(reader.Start(1, 1, 2, 4, false));
    const ReaderRun run = RunReader(reader, sim, store);

    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(numbers, (std::vector<int>{1, 2}));
    EXPECT_EQ(StoredBody(store, 0, 0), RecordAt(sim, 249));
    EXPECT_EQ(StoredBody(store, 0, 1), RecordAt(sim, 248));
    // A short answer's code is its data byte 1: the first byte of the record's time.
    const std::string code = std::to_string(RecordAt(sim, 249)[0]);
    EXPECT_TRUE(Shown(run, "Data recording (finished 0%) #2 >" + code));
    EXPECT_TRUE(Shown(run, "Data recording (finished 0%) #3 >" + code));
    EXPECT_TRUE(Shown(run, "Data recording (finished 0%) #4 >254"));
    // A good answer starts the count again.
    EXPECT_TRUE(Shown(run, "Data recording (finished 50%)"));
    EXPECT_EQ(reader.ErrorCount(), 0);
}

TEST(ProbeRecordReader, AttemptCountOfBadAnswersEndsWithActionFailed)
{
    Scenario s = ProbeRings(250, 0);
    s.faults.answerFaults.push_back({AnswerFaultKind::Busy, 1, 0x72, 1});
    s.faults.answerFaults.push_back({AnswerFaultKind::Invalid, 1, 0x72, -1});
    SimLink sim(s);
    TDataStore store;
    ProbeRecordReader reader;
    ASSERT_TRUE(reader.Start(1, 1, 10, 2, false));
    const ReaderRun run = RunReader(reader, sim, store);

    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(reader.ErrorCount(), 2);
    EXPECT_EQ(reader.LastErrorCode(), 2);  // no valid answer
    EXPECT_TRUE(Shown(run, "Data recording (finished 0%) #2 >254"));
    EXPECT_EQ(reader.RecordsRead(), 0);
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
    EXPECT_EQ(reader.RecordsRead(), 3);
    EXPECT_EQ(reader.StoreResult(), 128u);
    EXPECT_EQ(reader.StatusText(), "Action failed, memory error - 128");
}

TEST(ProbeRecordReader, WaitsForTheAcquisitionStopAndNoticesNewRecords)
{
    Scenario s = ProbeRings(250, 0);
    s.terminal.acquisitionRunning = true;
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

TEST(ProbeReaders, RangeAndAddressAreChecked)
{
    ProbeRecordReader records;
    EXPECT_TRUE(ProbeRecordReader::ValidRange(1, 4096));
    EXPECT_FALSE(ProbeRecordReader::ValidRange(0, 10));
    EXPECT_FALSE(records.Start(17, 1, 1, 3, false));
    EXPECT_FALSE(records.Start(1, 5, 4, 3, false));
    EXPECT_FALSE(records.Running());
    ProbeSpectrumReader spectra;
    EXPECT_TRUE(ProbeSpectrumReader::ValidRange(1, 512));
    EXPECT_FALSE(ProbeSpectrumReader::ValidRange(1, 513));
    EXPECT_FALSE(spectra.Start(1, 0, 1, 3, false));
}

}  // namespace
}  // namespace kolmaris::testing
