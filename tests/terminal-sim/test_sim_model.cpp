// The simulated terminal's own behaviour where it is not obvious: the line front end, the
// data-memory ring, dating of events, the relayed-request slot, faults and time.
#include "CountFormat.h"
#include "CountEncoding.h"
#include "DataMemory.h"
#include "Scenarios.h"
#include "SimulatedTerminal.h"
#include "StepCodec.h"

#include <gtest/gtest.h>

using namespace kolmaris;
using namespace kolmaris::testing;
using Bytes = std::vector<uint8_t>;
using Kind = MemoryRecordInfo::Kind;

namespace {

Bytes Frame(const Bytes& payload, uint8_t type, uint8_t end)
{
    Bytes frame(1 + kReceiveBufferBytes, 0xFF);
    const auto n = EncodeFrameWithEnd(payload, type, end, frame.data() + 1);
    frame.resize(1 + *n);
    return frame;
}

// Decodes a reply frame; returns its header type and payload.
std::pair<uint8_t, Bytes> Decode(const Bytes& reply)
{
    std::array<uint8_t, 21> payload{};
    std::size_t length = 0;
    uint8_t type = 0xFF;
    EXPECT_EQ(DecodeFrame(reply.data(), reply.size(), reply.back(), std::nullopt, payload.data(), length, &type), 0u);
    return {type, Bytes(payload.begin(), payload.begin() + static_cast<long>(length))};
}

Bytes Send(SimulatedTerminal& t, const Bytes& bytes)
{
    t.Receive(bytes);
    return t.TakeOutput();
}

}  // namespace

TEST(SimModel, LineFrontEnd)
{
    auto scenario = QuietDefaultScenario();
    scenario.terminal.acquisitionRunning = false;  // nothing recorded yet
    SimulatedTerminal t(scenario);
    EXPECT_EQ(Send(t, {0xFF, 0xE8}), (Bytes{0xE5}));
    EXPECT_EQ(Send(t, {0xD1, 0x9A}), (Bytes{0xAE}));
    EXPECT_EQ(Send(t, {0xD1, 0xA3}), (Bytes{0x97}));

    // The reply's end byte pairs with the request's; the header type is the request's.
    const Bytes a = Send(t, Frame({0x3A}, 1, 0xA3));
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a.front(), 0xD1);
    EXPECT_EQ(a.back(), 0x97);
    EXPECT_EQ(Decode(a), (std::pair<uint8_t, Bytes>{1, {0x3A, 0x2F, 0x61, 0x74, 0xA0}}));
    EXPECT_EQ(Send(t, Frame({0x3A}, 1, 0x9A)).back(), 0xAE);

    // A frame that does not decode gets no answer; a broken one is dropped at the next high byte.
    Bytes bad = Frame({0x3A}, 1, 0xA3);
    bad[3] ^= 0x01;
    EXPECT_TRUE(Send(t, bad).empty());
    Bytes cut = Frame({0x3A}, 1, 0xA3);
    cut.insert(cut.begin() + 3, 0xB0);
    EXPECT_TRUE(Send(t, cut).empty());
    // A refusal comes back with header type 3.
    EXPECT_EQ(Decode(Send(t, Frame({0x77}, 1, 0xA3))), (std::pair<uint8_t, Bytes>{3, {0x77, 0xFF}}));
    // A memory read answers with the requested bytes after the echo of its first byte.
    EXPECT_EQ(Decode(Send(t, Frame({0xE3, 0x00, 0x00}, 0, 0x9A))),
              (std::pair<uint8_t, Bytes>{0, {0xE3, 0x01, 0xFF, 0xFF, 0xFF}}));
}

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
