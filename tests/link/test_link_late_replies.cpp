// Replies that belong to an earlier request are refused, a late handshake answer is awaited,
// and a poll's answer length never exceeds the data buffer.
#include "RelayedRequests.h"
#include "ScriptedTerminal.h"

#include <gtest/gtest.h>

namespace {

using namespace kolmaris;
using kolmaris::testing::Request;
using kolmaris::testing::ScriptedTerminal;
using Bytes = std::vector<uint8_t>;

const uint8_t kTime[] = {0x3A};

TEST(LateReplies, WhatWaitsBeforeARequestAndAnAnswerToAnotherAreRefused)
{
    ScriptedTerminal t;
    t.Silence();
    // A well-formed answer to this very request, but there before it was sent.
    t.port.Deliver(ScriptedTerminal::Frame({0x3A, 1}, 1, 0x97));
    EXPECT_EQ(t.link.Transact(1, kTime), 22u);

    // During the wait: first the late answer to a version request, then the right one.
    t.Respond([&](const Request&) {
        t.port.Deliver(ScriptedTerminal::Frame({0x3F, 9}, 1, 0xAE));
        return std::optional(Bytes{0x3A, 5});
    });
    EXPECT_EQ(t.link.Transact(1, kTime), 0u);
    EXPECT_EQ(t.link.Reply().U8(1), 5);
    EXPECT_EQ(t.link.StaleReplies(), 1u);
}

TEST(LateReplies, TheSecondHandshakeAnswerIsAwaitedUpToTheReplyTimeout)
{
    for (const uint64_t lateMs : {150, 250}) {
        ScriptedTerminal t;
        uint64_t due = 0;
        t.port.SetPeer([&](std::span<const uint8_t> b) { due = t.clock.now + (b.back() == 0xE8 ? 40 : lateMs); });
        t.port.SetEmptyReadHook([&] {
            t.clock.now += 5;
            if (due != 0 && t.clock.now >= due) {
                due = 0;
                t.port.Deliver({t.port.Written().back() == 0xE8 ? uint8_t{0xE5} : uint8_t{0xAE}});
            }
        });
        EXPECT_EQ(t.link.DetectTerminal(ScriptedTerminal::kPort), lateMs < 200 ? 0u : 0x20001u) << lateMs;
    }
}

TEST(LateReplies, AnInvalidPollAnswerLengthStaysWithinTheBuffer)
{
    ScriptedTerminal t;
    t.Always({0x85, 0x7F});
    RelayedAnswer answer;
    EXPECT_EQ(PollRelayedReply(t.link, answer), 0u);
    EXPECT_EQ(answer.error, 2);
    EXPECT_LE(answer.length, kMaxAnswerData);
}

}  // namespace
