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

}  // namespace
}  // namespace kolmaris
