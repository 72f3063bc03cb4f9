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

}  // namespace
}  // namespace kolmaris
