// The download machine against the simulated terminal: the store must hold exactly the records
// the terminal wrote, however the run is interrupted or the line spoils bytes.
#include <gtest/gtest.h>

#include "DownloadRun.h"
#include "ImageTerminal.h"
#include "MemoryDownload.h"

namespace kolmaris {
namespace {

using namespace kolmaris::testing;

Scenario WrappedScenario()
{
    Scenario s = DefaultScenario();
    s.memory.wrapped = true;
    return s;
}

TEST(SimulatedDownload, UnwrappedAndWrappedMemoryGiveWhatTheTerminalWrote)
{
    for (const bool wrapped : {false, true}) {
        SimLink s(wrapped ? WrappedScenario() : DefaultScenario());
        ASSERT_EQ(s.terminal.MemoryWrapped(), wrapped);
        const auto records = s.terminal.RecordsInMemory();
        const uint32_t pointer = s.terminal.MemoryPointer();
        TerminalDownload d;
        TDataStore store;
        d.Start();
        d.Tick(s.link, store);
        EXPECT_FALSE(s.terminal.RecordingOn());
        RunDownload(d, s.link, store);
        EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed) << wrapped;
        EXPECT_TRUE(s.terminal.RecordingOn());
        EXPECT_EQ(d.BytesTotal(), wrapped ? 0x1FFFF : static_cast<int>(pointer) + 1);
        ExpectSame(store, records);
        EXPECT_GT(store.TotalRadonRecords(), 1000);
    }
}

TEST(SimulatedDownload, InterruptedRunsContinueToTheSameResult)
{
    SimLink clean(WrappedScenario());
    TerminalDownload d;
    TDataStore reference;
    d.Start();
    RunDownload(d, clean.link, reference);
    ASSERT_EQ(d.Outcome(), DownloadOutcome::Completed);
    const int wholeBytes = d.BytesRead();

    // Interrupted again and again, and once by a dead line for a while.
    SimLink s(WrappedScenario());
    const auto records = s.terminal.RecordsInMemory();
    TDataStore store;
    d = TerminalDownload();
    int runs = 0;
    for (const int at : {3, 1, 500, 2, 2000, 7}) {
        d.Start();
        RunDownload(d, s.link, store, at);
        ++runs;
        ASSERT_EQ(d.Outcome(), DownloadOutcome::Interrupted) << at;
        EXPECT_STREQ(d.ButtonCaption(), "Continue");
        EXPECT_TRUE(s.terminal.RecordingOn());
    }
    d.Start();
    RunDownload(d, s.link, store);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed);
    EXPECT_EQ(d.BytesRead(), wholeBytes);
    EXPECT_EQ(Contents(store), Contents(reference));
    ExpectSame(store, records);
    EXPECT_EQ(runs, 6);
}

TEST(SimulatedDownload, NoisyLineGivesTheCleanResultWithRetriesAndContinue)
{
    // With these seeds some runs come through on retries alone, others need "Continue".
    int straight = 0, continued = 0;
    for (const uint64_t seed : {7u, 11u, 5u, 29u}) {
        Scenario scenario = DefaultScenario();
        scenario.memory.days = 4.0;
        scenario.faults.corruptionRate = 0.01;
        scenario.seed = seed;
        SimLink s(scenario);
        const auto records = s.terminal.RecordsInMemory();
        TerminalDownload d;
        TDataStore store;
        int runs = 0;
        int retries = 0;
        do {
            d.Start();
            const DownloadRun run = RunDownload(d, s.link, store);
            retries += static_cast<int>(std::count(run.pauses.begin(), run.pauses.end(), 500u));
            ++runs;
            if (d.Outcome() == DownloadOutcome::Suspended) {
                EXPECT_EQ(d.EndText(), "Action interrupted. Resolve the problem and click the button 'Continue'..");
            }
        } while (d.Outcome() != DownloadOutcome::Completed && runs < 20);
        EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed) << seed;
        (runs == 1 ? straight : continued) += 1;
        EXPECT_GT(retries, 10) << seed;
        ExpectSame(store, records);
    }
    EXPECT_GT(straight, 0);
    EXPECT_GT(continued, 0);
}

// The simulator's own memory with one length byte spoilt, served as an image: the run ends with
// the bad-data text and the store keeps exactly the records above the spoilt one.
TEST(SimulatedDownload, SpoiltLengthByteKeepsTheNewerRecords)
{
    Scenario scenario = DefaultScenario();
    scenario.memory.days = 3.0;
    SimLink s(scenario);
    const auto records = s.terminal.RecordsInMemory();
    ASSERT_GT(records.size(), 400u);
    const auto spoilt = std::find_if(records.begin() + static_cast<std::ptrdiff_t>(records.size() / 2), records.end(),
                                     [](const MemoryRecordInfo& r) { return r.kind == Kind::Radon; });
    ASSERT_NE(spoilt, records.end());

    ImageTerminal t;
    std::copy(s.terminal.Memory().begin(), s.terminal.Memory().end(), t.memory.begin());
    t.pointer = static_cast<int32_t>(s.terminal.MemoryPointer());
    t.memory[spoilt->address + 19] = 0x62;  // trailing length 98
    TerminalDownload d;
    TDataStore store;
    d.Start();
    RunDownload(d, t.Link(), store);
    EXPECT_EQ(d.Outcome(), DownloadOutcome::Failed);
    EXPECT_EQ(d.EndText(), "Action failed, probably bad data structure in EEPROM.");
    EXPECT_TRUE(t.recordingOn);

    std::vector<MemoryRecordInfo> newer(spoilt + 1, records.end());
    std::array<int, 16> radon{};
    int meteo = 0, events = 0, spectra = 0;
    for (const auto& r : newer) {
        if (r.kind == Kind::Radon)
            ++radon[r.bytes[0] & 0x0F];
        meteo += r.kind == Kind::Meteo;
        events += r.kind == Kind::Event;
        spectra += r.kind == Kind::Spectrum;
    }
    EXPECT_EQ(store.LocRecordCount(), meteo);
    EXPECT_EQ(store.DiaEventCount(), events);
    EXPECT_EQ(store.TotalSpectra(), spectra);
    for (int slot = 0; slot < 16; ++slot)
        ASSERT_EQ(store.RadonRecordCount(slot), radon[slot]) << slot;
    // The oldest radon record kept is the one just above the spoilt record.
    const auto above = std::find_if(spoilt + 1, records.end(), [](const auto& r) { return r.kind == Kind::Radon; });
    ASSERT_NE(above, records.end());
    const int slot = above->bytes[0];
    RadonRecord oldest{};
    ASSERT_EQ(store.GetRadonRecord(slot, store.RadonRecordCount(slot) - 1, oldest), 0u);
    EXPECT_TRUE(std::equal(oldest.begin(), oldest.end(), above->bytes.begin()));
}

}  // namespace
}  // namespace kolmaris
