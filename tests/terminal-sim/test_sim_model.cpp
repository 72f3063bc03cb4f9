// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated terminal's data-memory ring, which every download test takes as the truth: whole
// records between end marks, across the wrap; and its refusal of requests outside its ranges.
#include "DataMemory.h"
#include "SimulatedPort.h"
#include "SimulatedTerminal.h"
#include "StepLink.h"

#include <gtest/gtest.h>

using namespace kolmaris;
using Bytes = std::vector<uint8_t>;
using Kind = MemoryRecordInfo::Kind;

TEST(SimModel, RingKeepsWholeRecordsWithEndMarksAcrossTheWrap)
{
    using sim::DataMemory;
    using sim::MemoryRecord;
    DataMemory memory;
    EXPECT_EQ(memory.Pointer(), 1u);
    EXPECT_EQ(memory.At(1), 0xFF);
    EXPECT_FALSE(memory.Append({{Kind::Radon, Bytes(0x1FFFF, 0), 0}}));

    auto meteo = MemoryRecord{Kind::Meteo, Bytes(12, 0x11), 0};
    auto radon = MemoryRecord{Kind::Radon, Bytes(18, 0x22), 0};
    auto event = MemoryRecord{Kind::Event, Bytes(3, 0x33), 0};
    const std::vector<std::vector<MemoryRecord>> cycle = {{meteo}, {radon}, {radon}, {event}, {radon}, {event}};
    int afterWrap = 0;
    for (int i = 0; afterWrap < 2000; ++i) {
        ASSERT_TRUE(memory.Append(cycle[i % cycle.size()]));
        ASSERT_EQ(memory.At(memory.Pointer()), memory.Wrapped() ? 0x80 : 0xFF);
        if (!memory.Wrapped() || ++afterWrap % 37 != 0)
            continue;
        // Below the oldest record lies an end mark; no event is left without a meteo record before it.
        const auto records = memory.Records();
        const uint32_t oldest = records.front().address;
        ASSERT_GE(memory.At(oldest == 1 ? 0x1FFFF : oldest - 1), 0x80) << i;
        ASSERT_EQ(records.front().kind, Kind::Meteo) << i;
        ASSERT_EQ(memory.At(0), 0x01);
    }
    EXPECT_GT(memory.UsedBytes(), 0x1FFFFu - 200);
}

TEST(SimModel, RequestsOutsideTheTerminalsRangesAreRefused)
{
    SimulatedTerminal terminal(DefaultScenario());
    SimulatedPort line(terminal, 1);
    StepLink link{line.Port(), line.GetClock()};
    ASSERT_EQ(link.DetectTerminal(1), kOk);
    struct Case {
        uint8_t header;
        std::vector<uint8_t> payload;
        bool answered;
    };
    const std::vector<Case> cases = {
        {kHeaderCommand, {0x3D, 15}, true},  {kHeaderCommand, {0x3D, 16}, false},  // status of probe slot 1..16
        {kHeaderMemory, {0xE0, 0, 1}, true}, {kHeaderMemory, {0xC0, 0, 1}, false},  // memory read opcode
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.payload));
        EXPECT_EQ(link.Transact(c.header, c.payload) == kOk, c.answered);
    }
}
