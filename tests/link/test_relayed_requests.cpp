#include "RelayedRequests.h"
#include "ScriptedTerminal.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kolmaris;
using kolmaris::testing::Request;
using kolmaris::testing::ScriptedTerminal;
using Bytes = std::vector<uint8_t>;

namespace {

// Acknowledges relayed requests; answers polls from `polls` in turn, repeating the last.
void ServeRelayed(ScriptedTerminal& t, std::vector<Bytes> polls)
{
    t.Respond([polls, next = std::size_t{0}](const Request& r) mutable -> std::optional<Bytes> {
        if (r.payload.empty() || r.payload[0] != 0xC0)
            return Bytes{0x80};
        return polls[std::min(next++, polls.size() - 1)];
    });
}

RelayedAnswer Poll(ScriptedTerminal& t, Bytes reply, uint32_t expectedResult = 0)
{
    t.Always(std::move(reply));
    RelayedAnswer answer;
    answer.data.fill(0xEE);
    EXPECT_EQ(PollRelayedReply(t.link, answer), expectedResult);
    return answer;
}

}  // namespace

TEST(RelayedRequests, NetworkRequestBodies)
{
    ScriptedTerminal t;
    t.Always({0x80});
    EXPECT_EQ(RequestBondingMap(t.link, Network::Mesh, 3), 0u);
    EXPECT_EQ(RequestBondingMap(t.link, Network::Local, 0), 0u);
    RequestNodeInfo(t.link, Network::Mesh, 4);
    RequestReadCaption(t.link, Network::P2p, 0x12);
    RequestNodeReset(t.link, Network::P2p, 9);
    RequestBond(t.link, Network::Local, 0, 5);
    RequestUnbond(t.link, Network::Local, 0, 7);
    RequestStoreChannel(t.link, Network::Mesh, 4, 52);
    RequestReadIqrfMode(t.link, Network::Local, 0);
    RequestWritePower(t.link, Network::Mesh, 2, 5);
    RequestRssi(t.link, Network::Spi, 1);
    const std::vector<Bytes> expected{
        {0x80, 3, 0x50, 0xB1}, {0x80, 0, 0xA0, 0xB1},    {0x80, 4, 0x50, 0x60}, {0x80, 0x12, 0xE2, 0xF0},
        {0x80, 9, 0xCC, 0x3C}, {0x80, 0, 0xC5, 5},       {0x80, 0, 0x14, 7},    {0x80, 4, 0x1B, 0x88, 52},
        {0x80, 0, 0x71, 0xCC}, {0x80, 2, 0x69, 0x99, 5}, {0x80, 1, 0x00, 0xC3},
    };
    ASSERT_EQ(t.requests.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(t.requests[i].headerType, 2);
        EXPECT_EQ(t.requests[i].payload, expected[i]) << i;
    }
}

TEST(RelayedRequests, ElementRequestBodies)
{
    ScriptedTerminal t;
    t.Always({0x80});
    RequestProbeControl(t.link, 7, 0x08, 0x11223344);
    RequestProbeControl(t.link, 7, 0x01, 0x11223344);
    RequestSpectrumPart(t.link, 5, 0x1A5, 3);
    RequestRecord(t.link, 5, 0x0102);
    WriteProbeParameters(t.link, 5, 1, 2, 3, 0x0405, 0x0607, 8, 9);
    SetActuatorMode(t.link, 6, 2);
    RequestActuatorData(t.link, 6);
    const std::vector<Bytes> expected{
        {0x80, 7, 0x2E, 0x08, 0xF7, 0x11, 0x22, 0x33, 0x44},
        {0x80, 7, 0x2E, 0x01, 0xFE, 0x4B, 0x6F, 0x6C, 0x6D},
        {0x80, 5, 0xB4, 0x31, 0xA5},
        {0x80, 5, 0x72, 0x01, 0x02},
        {0x80, 5, 0x39, 1, 2, 3, 4, 5, 6, 7, 8, 9},
        {0x80, 6, 0x8D, 0xA0, 0x32, 0xCD},
        {0x80, 6, 0xD1},
    };
    ASSERT_EQ(t.requests.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(t.requests[i].payload, expected[i]) << i;
}

TEST(RelayedRequests, BodyLimitIsEighteenBytes)
{
    ScriptedTerminal t;
    t.Always({0x80});
    EXPECT_EQ(SendRelayed(t.link, Bytes(18, 0x01)), 0u);
    EXPECT_EQ(t.requests.back().payload.size(), 19u);
    t.port.ClearWritten();
    EXPECT_EQ(SendRelayed(t.link, Bytes(19, 0x01)), 11u);
    EXPECT_TRUE(t.port.Written().empty());
}

TEST(RelayedRequests, PollStatuses)
{
    ScriptedTerminal t;
    auto a = Poll(t, {0x85, 0x83});
    EXPECT_EQ(t.requests.back().payload, Bytes{0xC0});
    EXPECT_EQ(t.requests.back().headerType, 2);
    EXPECT_FALSE(a.complete);
    EXPECT_EQ(a.error, 0);

    a = Poll(t, {0x85, 0x43, 0x0A, 0x0B, 0x0C});
    EXPECT_TRUE(a.complete);
    EXPECT_EQ(a.error, 0);
    EXPECT_EQ(a.length, 3);
    EXPECT_EQ(a.data[0], 0x0A);
    EXPECT_EQ(a.data[2], 0x0C);
    EXPECT_EQ(a.data[3], 0x00);  // nothing stale past the answer

    a = Poll(t, {0x85, 0x40});
    EXPECT_TRUE(a.complete);
    EXPECT_EQ(a.error, 1);
    a = Poll(t, {0x85, 0x7F});
    EXPECT_EQ(a.error, 2);
    a = Poll(t, {0x85, 0x05});
    EXPECT_TRUE(a.complete);
    EXPECT_EQ(a.error, 3);
}

TEST(RelayedRequests, PollTerminalStatusTimeoutAndShortReplies)
{
    ScriptedTerminal t;
    RelayedAnswer answer;
    answer.complete = true;
    answer.length = 9;
    t.Always({0x86, 0x43});
    EXPECT_EQ(PollRelayedReply(t.link, answer), 0u);
    EXPECT_EQ(answer.error, 0x86);
    EXPECT_TRUE(answer.complete);
    EXPECT_EQ(answer.length, 9);

    for (const Bytes& reply : {Bytes{}, Bytes{0x85}}) {
        t.Always(reply);
        EXPECT_EQ(PollRelayedReply(t.link, answer), 0x2000Fu);
        EXPECT_EQ(answer.error, 0x86);
        EXPECT_EQ(answer.length, 9);
    }

    t.Respond([](const Request&) { return std::optional<Bytes>(); });
    EXPECT_EQ(PollRelayedReply(t.link, answer), 22u);
    EXPECT_TRUE(answer.complete);
    EXPECT_EQ(answer.error, 0x86);
}

TEST(RelayedRequests, ClaimedLengthBeyondTheReplyIsNotRead)
{
    ScriptedTerminal t;
    // A full reply of the scripted terminal: 17 data bytes, all copied.
    Bytes full{0x85, 0x40 | 17};
    for (uint8_t i = 1; i <= 17; ++i)
        full.push_back(i);
    auto a = Poll(t, full);
    EXPECT_EQ(a.data[16], 17);
    EXPECT_EQ(a.data[17], 0);

    // Shorter replies that claim more: only what they carry, nothing of the reply before.
    a = Poll(t, {0x85, 0x40 | 40, 0x31, 0x32, 0x33});
    EXPECT_EQ(a.error, 4);
    EXPECT_EQ(a.length, 27);
    EXPECT_EQ(a.data[2], 0x33);
    EXPECT_TRUE(std::all_of(a.data.begin() + 3, a.data.end(), [](uint8_t b) { return b == 0; }));

    a = Poll(t, {0x85, 0x40 | 12, 0x21, 0x22});
    EXPECT_EQ(a.error, 0);
    EXPECT_EQ(a.length, 12);
    EXPECT_EQ(a.data[1], 0x22);
    EXPECT_TRUE(std::all_of(a.data.begin() + 2, a.data.end(), [](uint8_t b) { return b == 0; }));
}

TEST(RelayedRequests, ReadCoordinatorRouting)
{
    ScriptedTerminal t;
    ServeRelayed(t, {{0x85, 0x83}, {0x85, 0x43, 0x00, 0x00, 0x2A}});
    uint8_t value = 0;
    ASSERT_EQ(ReadCoordinatorRouting(t.link, value), 0u);
    EXPECT_EQ(value, 0x2A);
    ASSERT_EQ(t.requests.size(), 3u);
    EXPECT_EQ(t.requests[0].payload, (Bytes{0x80, 0x00, 0x71, 0xBB}));
    EXPECT_EQ(t.requests[2].payload, Bytes{0xC0});
    EXPECT_EQ(t.clock.slept, 100u);

    // Precedence: answer error before the length check, length before nothing.
    ServeRelayed(t, {{0x85, 0x40}});
    EXPECT_EQ(ReadCoordinatorRouting(t.link, value), 1u);
    ServeRelayed(t, {{0x85, 0x42, 0x00, 0x00}});
    EXPECT_EQ(ReadCoordinatorRouting(t.link, value), 5u);
    EXPECT_EQ(value, 0x2A);

    // No acknowledgement: the request's time-out, and no poll.
    t.requests.clear();
    t.Respond([](const Request&) { return std::optional<Bytes>(); });
    EXPECT_EQ(ReadCoordinatorRouting(t.link, value), 22u);
    EXPECT_EQ(t.requests.size(), 1u);
}

TEST(RelayedRequests, CompositeGivesUpOnAnAnswerThatNeverCompletes)
{
    ScriptedTerminal t;
    ServeRelayed(t, {{0x85, 0x83}});
    uint8_t value = 0x11;
    EXPECT_EQ(ReadCoordinatorRouting(t.link, value), 22u);
    EXPECT_EQ(t.requests.size(), 101u);
    EXPECT_EQ(t.clock.slept, 5000u);
    EXPECT_EQ(value, 0x11);
}

TEST(RelayedRequests, WriteCoordinatorRouting)
{
    ScriptedTerminal t;
    ServeRelayed(t, {{0x85, 0x42, 0x00, 0x00}});
    ASSERT_EQ(WriteCoordinatorRouting(t.link, 7), 0u);
    ASSERT_EQ(t.requests.size(), 4u);
    EXPECT_EQ(t.requests[0].payload, (Bytes{0x80, 0x00, 0x99, 0xBB, 7}));
    EXPECT_EQ(t.requests[2].payload, (Bytes{0x80, 0x00, 0xEB, 0xBB, 7}));

    // A refused write returns its status byte and the store is not sent.
    t.requests.clear();
    ServeRelayed(t, {{0x85, 0x42, 0x00, 0x03}});
    EXPECT_EQ(WriteCoordinatorRouting(t.link, 7), 3u);
    EXPECT_EQ(t.requests.size(), 2u);
    // The length check comes before the value check.
    ServeRelayed(t, {{0x85, 0x43, 0x00, 0x03, 0x00}});
    EXPECT_EQ(WriteCoordinatorRouting(t.link, 7), 5u);
    // A terminal status ends the wait with that status.
    ServeRelayed(t, {{0x86}});
    EXPECT_EQ(WriteCoordinatorRouting(t.link, 7), 0x86u);
}

TEST(RelayedRequests, ReadLocalRssi)
{
    ScriptedTerminal t;
    ServeRelayed(t, {{0x85, 0x45, 0xB7, 0x02, 0x06, 0x00, 0x00}});
    uint8_t rssi = 0;
    ASSERT_EQ(ReadLocalRssi(t.link, rssi), 0u);
    EXPECT_EQ(rssi, 0x37);
    EXPECT_EQ(t.requests[0].payload, (Bytes{0x80, 0x00, 0xA0, 0xB1}));
    EXPECT_EQ(t.clock.slept, 50u);

    ServeRelayed(t, {{0x85, 0x05}});
    EXPECT_EQ(ReadLocalRssi(t.link, rssi), 3u);
    EXPECT_EQ(rssi, 0x37);
}

TEST(BondingMap, IsAddressBondedAndUnpack)
{
    const Bytes all(3, 0xFF);
    EXPECT_FALSE(IsAddressBonded(all, 0));
    EXPECT_FALSE(IsAddressBonded(all, 17));
    EXPECT_TRUE(IsAddressBonded(all, 1));
    EXPECT_TRUE(IsAddressBonded(all, 16));
    EXPECT_FALSE(IsAddressBonded(Bytes{0xFF, 0xFF}, 16));  // bitmap too short

    const Bytes map{0x06, 0x00, 0x01};
    EXPECT_TRUE(IsAddressBonded(map, 1));
    EXPECT_TRUE(IsAddressBonded(map, 2));
    EXPECT_FALSE(IsAddressBonded(map, 3));
    EXPECT_FALSE(IsAddressBonded(map, 8));
    EXPECT_TRUE(IsAddressBonded(map, 16));

    std::array<uint8_t, 27> data;
    data.fill(0xEE);
    data[2] = 0x06;
    data[3] = 0x00;
    data[4] = 0x01;
    ASSERT_TRUE(UnpackBondingMap(data));
    const Bytes expected{1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16};
    EXPECT_EQ(Bytes(data.begin() + 2, data.begin() + 18), expected);
    EXPECT_EQ(data[1], 0xEE);
    EXPECT_EQ(data[18], 0xEE);

    Bytes tooShort(17, 0xFF);
    EXPECT_FALSE(UnpackBondingMap(tooShort));
    EXPECT_EQ(tooShort, Bytes(17, 0xFF));
}
