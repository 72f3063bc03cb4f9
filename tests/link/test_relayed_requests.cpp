// SPDX-License-Identifier: GPL-3.0-or-later
#include "RelayedRequests.h"
#include "ScriptedTerminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

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

RelayedAnswer Poll(ScriptedTerminal& t, Bytes reply)
{
    t.Always(std::move(reply));
    RelayedAnswer answer;
    answer.data.fill(0xEE);
    EXPECT_EQ(PollRelayedReply(t.link, answer), 0u);
    EXPECT_TRUE(!t.requests.empty() && t.requests.back().payload == Bytes{0xC0} && t.requests.back().headerType == 2);
    return answer;
}

}  // namespace

TEST(RelayedRequests, RequestBodiesAndTheEighteenByteLimit)
{
    ScriptedTerminal t;
    t.Always({0x80});
    // The body of the one request a call sent.
    const auto sent = [&t](uint32_t result) {
        EXPECT_EQ(result, 0u);
        EXPECT_EQ(t.requests.size(), 1u);
        const Request r = t.requests.empty() ? Request{} : t.requests.back();
        t.requests.clear();
        EXPECT_EQ(r.headerType, 2);
        return r.payload;
    };
    EXPECT_EQ(sent(RequestBondingMap(t.link, Network::Mesh, 3)), (Bytes{0x80, 3, 0x50, 0xB1}));
    EXPECT_EQ(sent(RequestNodeInfo(t.link, Network::Mesh, 4)), (Bytes{0x80, 4, 0x50, 0x60}));
    EXPECT_EQ(sent(RequestReadCaption(t.link, Network::P2p, 0x12)), (Bytes{0x80, 0x12, 0xE2, 0xF0}));
    EXPECT_EQ(sent(RequestNodeReset(t.link, Network::P2p, 9)), (Bytes{0x80, 9, 0xCC, 0x3C}));
    EXPECT_EQ(sent(RequestBond(t.link, Network::Local, 0, 5)), (Bytes{0x80, 0, 0xC5, 5}));
    EXPECT_EQ(sent(RequestUnbond(t.link, Network::Local, 0, 7)), (Bytes{0x80, 0, 0x14, 7}));
    EXPECT_EQ(sent(RequestStoreChannel(t.link, Network::Mesh, 4, 52)), (Bytes{0x80, 4, 0x1B, 0x88, 52}));
    EXPECT_EQ(sent(RequestReadIqrfMode(t.link, Network::Local, 0)), (Bytes{0x80, 0, 0x71, 0xCC}));
    EXPECT_EQ(sent(RequestWritePower(t.link, Network::Mesh, 2, 5)), (Bytes{0x80, 2, 0x69, 0x99, 5}));
    EXPECT_EQ(sent(RequestRssi(t.link, Network::Spi, 1)), (Bytes{0x80, 1, 0x00, 0xC3}));
    // Probe control carries the time with flag bit 3, else the code 4B 6F 6C 6D.
    EXPECT_EQ(sent(RequestProbeControl(t.link, 7, 0x08, 0x11223344)),
              (Bytes{0x80, 7, 0x2E, 0x08, 0xF7, 0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(sent(RequestProbeControl(t.link, 7, 0x01, 0x11223344)),
              (Bytes{0x80, 7, 0x2E, 0x01, 0xFE, 0x4B, 0x6F, 0x6C, 0x6D}));
    EXPECT_EQ(sent(RequestSpectrumPart(t.link, 5, 0x1A5, 3)), (Bytes{0x80, 5, 0xB4, 0x31, 0xA5}));
    EXPECT_EQ(sent(RequestRecord(t.link, 5, 0x0102)), (Bytes{0x80, 5, 0x72, 0x01, 0x02}));
    EXPECT_EQ(sent(WriteProbeParameters(t.link, 5, 1, 2, 3, 0x0405, 0x0607, 8, 9)),
              (Bytes{0x80, 5, 0x39, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(sent(SetActuatorMode(t.link, 6, 2)), (Bytes{0x80, 6, 0x8D, 0xA0, 0x32, 0xCD}));
    EXPECT_EQ(sent(RequestActuatorData(t.link, 6)), (Bytes{0x80, 6, 0xD1}));
    EXPECT_EQ(sent(SendRelayed(t.link, Bytes(18, 0x01))).size(), 19u);

    t.port.ClearWritten();
    EXPECT_EQ(SendRelayed(t.link, Bytes(19, 0x01)), 11u);
    EXPECT_TRUE(t.port.Written().empty());
}

TEST(RelayedRequests, PollGivesCompletionErrorAndNoMoreDataThanTheReplyCarries)
{
    const struct {
        Bytes reply;
        bool complete;
        uint8_t error, length;
        Bytes carried;  // then zeros: nothing of an earlier answer stays
    } cases[] = {{{0x85, 0x83}, false, 0, 0, Bytes(27, 0xEE)},  // pending
                 {{0x85, 0x40}, true, 1, 0, Bytes(27, 0xEE)},   // valid but empty
                 {{0x85, 0x7F}, true, 2, 0, Bytes(27, 0xEE)},   // length 63 is invalid
                 {{0x85, 0x05}, true, 3, 0, Bytes(27, 0xEE)},   // not valid
                 {{0x85, 0x43, 0x0A, 0x0B, 0x0C}, true, 0, 3, {0x0A, 0x0B, 0x0C}},
                 {{0x85, 0x40 | 40, 0x31, 0x32, 0x33}, true, 4, 27, {0x31, 0x32, 0x33}},  // too long: 27
                 {{0x85, 0x40 | 12, 0x21, 0x22}, true, 0, 12, {0x21, 0x22}}};
    ScriptedTerminal t;
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.reply[1]));
        const auto a = Poll(t, c.reply);
        EXPECT_EQ(std::tie(a.complete, a.error, a.length), std::tie(c.complete, c.error, c.length));
        Bytes data = c.carried;
        data.resize(a.data.size());
        EXPECT_EQ(Bytes(a.data.begin(), a.data.end()), data);
    }

    // A status of the terminal is the answer error, the rest stays; a reply too short, or none, changes nothing.
    RelayedAnswer answer;
    answer.complete = true;
    answer.length = 9;
    t.Always({0x86, 0x43});
    EXPECT_EQ(PollRelayedReply(t.link, answer), 0u);
    for (const Bytes& reply : {Bytes{}, Bytes{0x85}}) {
        t.Always(reply);
        EXPECT_EQ(PollRelayedReply(t.link, answer), 0x2000Fu);
    }
    t.Silence();
    EXPECT_EQ(PollRelayedReply(t.link, answer), 22u);
    EXPECT_EQ(std::tie(answer.complete, answer.error, answer.length), std::make_tuple(true, 0x86, 9));
}

TEST(RelayedRequests, ReadCoordinatorRouting)
{
    ScriptedTerminal t;
    ServeRelayed(t, {{0x85, 0x83}, {0x85, 0x43, 0x00, 0x00, 0x2A}});
    uint8_t value = 0;
    ASSERT_EQ(ReadCoordinatorRouting(t.link, value), 0u);
    EXPECT_EQ(value, 0x2A);
    EXPECT_EQ(t.Payloads(), (std::vector<Bytes>{{0x80, 0x00, 0x71, 0xBB}, {0xC0}, {0xC0}}));
    EXPECT_EQ(t.clock.slept, 100u);

    // Precedence: answer error before the length check, length before nothing.
    ServeRelayed(t, {{0x85, 0x40}});
    EXPECT_EQ(ReadCoordinatorRouting(t.link, value), 1u);
    ServeRelayed(t, {{0x85, 0x42, 0x00, 0x00}});
    EXPECT_EQ(ReadCoordinatorRouting(t.link, value), 5u);

    // No acknowledgement: the request's time-out, and no poll.
    t.requests.clear();
    t.Silence();
    EXPECT_EQ(ReadCoordinatorRouting(t.link, value), 22u);
    EXPECT_EQ(t.requests.size(), 1u);

    // An answer that never completes: 100 polls 50 ms apart, then 22.
    t.requests.clear();
    t.clock.slept = 0;
    ServeRelayed(t, {{0x85, 0x83}});
    EXPECT_EQ(ReadCoordinatorRouting(t.link, value), 22u);
    EXPECT_EQ(t.requests.size(), 101u);
    EXPECT_EQ(t.clock.slept, 5000u);
    EXPECT_EQ(value, 0x2A);
}

TEST(RelayedRequests, WriteCoordinatorRoutingAndReadLocalRssi)
{
    ScriptedTerminal t;
    ServeRelayed(t, {{0x85, 0x42, 0x00, 0x00}});
    ASSERT_EQ(WriteCoordinatorRouting(t.link, 7), 0u);
    const std::vector<Bytes> writeThenStore{{0x80, 0x00, 0x99, 0xBB, 7}, {0xC0}, {0x80, 0x00, 0xEB, 0xBB, 7}, {0xC0}};
    EXPECT_EQ(t.Payloads(), writeThenStore);
    // A refused write returns its status byte and the store is not sent.
    t.requests.clear();
    ServeRelayed(t, {{0x85, 0x42, 0x00, 0x03}});
    EXPECT_EQ(WriteCoordinatorRouting(t.link, 7), 3u);
    EXPECT_EQ(t.requests.size(), 2u);
    ServeRelayed(t, {{0x85, 0x43, 0x00, 0x03, 0x00}});  // the length check comes first
    EXPECT_EQ(WriteCoordinatorRouting(t.link, 7), 5u);
    ServeRelayed(t, {{0x86}});  // a terminal status ends the wait with that status
    EXPECT_EQ(WriteCoordinatorRouting(t.link, 7), 0x86u);

    t.requests.clear();
    t.clock.slept = 0;
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
    const Bytes all(3, 0xFF), map{0x06, 0x00, 0x01};
    for (const uint8_t address : {0, 17})
        EXPECT_FALSE(IsAddressBonded(all, address));
    EXPECT_TRUE(IsAddressBonded(all, 1));
    EXPECT_FALSE(IsAddressBonded(Bytes{0xFF, 0xFF}, 16));  // bitmap too short

    std::array<uint8_t, 27> data;
    data.fill(0xEE);
    std::copy(map.begin(), map.end(), data.begin() + 2);
    ASSERT_TRUE(UnpackBondingMap(data));
    EXPECT_EQ(Bytes(data.begin() + 1, data.begin() + 19),
              (Bytes{0xEE, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0xEE}));
    Bytes tooShort(17, 0xFF);
    EXPECT_FALSE(UnpackBondingMap(tooShort));
    EXPECT_EQ(tooShort, Bytes(17, 0xFF));
}
