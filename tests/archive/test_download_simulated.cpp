// The download machine against the simulated terminal: the store must hold exactly the records
// the terminal wrote, dated as the terminal dated them.
#include <gtest/gtest.h>

#include "MemoryDownload.h"
#include "SimLink.h"

namespace kolmaris {
namespace {

using namespace kolmaris::testing;

TEST(SimulatedDownload, UnwrappedAndWrappedMemoryGiveWhatTheTerminalWrote)
{
    for (const bool wrapped : {false, true}) {
        Scenario scenario = DefaultScenario();
        scenario.memory.wrapped = wrapped;
        SimLink s(scenario);
        ASSERT_EQ(s.terminal.MemoryWrapped(), wrapped);
        const auto records = s.terminal.RecordsInMemory();
        TerminalDownload d;
        TDataStore store, expected;
        d.Start();
        d.Tick(s.link, store);
        EXPECT_FALSE(s.terminal.RecordingOn());
        RunDownload(d, s.link, store);
        EXPECT_EQ(d.Outcome(), DownloadOutcome::Completed) << wrapped;
        EXPECT_TRUE(s.terminal.RecordingOn());
        EXPECT_EQ(d.BytesTotal(), wrapped ? 0x1FFFF : static_cast<int>(s.terminal.MemoryPointer()) + 1);
        FillFromRecords(expected, records);
        EXPECT_GT(store.TotalRadonRecords(), 1000);
        EXPECT_EQ(Contents(store), Contents(expected));

        // Events carry only the low 12 bits of their time: the rest comes from the meteo records.
        int event = 0;
        for (auto r = records.rbegin(); r != records.rend(); ++r) {
            DiaEvent e{};
            if (r->kind == MemoryRecordInfo::Kind::Event && store.GetDiaEvent(event++, e) == kStoreDone) {
                EXPECT_EQ(U32At<0>(e), r->time) << "event " << event;
            }
        }
        EXPECT_EQ(event, store.DiaEventCount());
    }
}

}  // namespace
}  // namespace kolmaris
