#include "ScriptedTerminal.h"

#include <gtest/gtest.h>

using namespace kolmaris;
using kolmaris::testing::FakeClock;
using kolmaris::testing::Request;
using kolmaris::testing::ScriptedTerminal;

namespace {

std::optional<std::vector<uint8_t>> Silent(const Request&)
{
    return std::nullopt;
}

}  // namespace

TEST(StepLink, TransactionWritesWakeByteAndFrameAndReadsTheReply)
{
    ScriptedTerminal t;
    t.Always({0x3F, 0x12, 0x34});
    const uint8_t request[] = {0x3F};
    EXPECT_EQ(t.link.Transact(1, request), 0u);
    // 0xFF, then D1, collector, header 0x41, 0x3F, CRC, end.
    ASSERT_EQ(t.port.Written().size(), 7u);
    EXPECT_EQ(t.port.Written()[0], 0xFF);
    EXPECT_EQ(t.port.Written()[1], 0xD1);
    EXPECT_EQ(t.port.Written()[3], 0x41);
    EXPECT_EQ(t.port.Written()[6], 0xA3);
    EXPECT_EQ(t.link.ReplyLength, 3);
    EXPECT_EQ(t.link.Reply().U16(1), 0x1234);
    EXPECT_FALSE(t.link.Reply().U16(2));
}

TEST(StepLink, EndBytesAlternateAndOnlyThePairedReplyIsAccepted)
{
    ScriptedTerminal t;
    const uint8_t request[] = {0x3A};
    // The fixture pairs A3 with 97 and 9A with AE.
    t.Always({0x3A, 1});
    EXPECT_EQ(t.link.Transact(1, request), 0u);
    EXPECT_EQ(t.port.Written().back(), 0xA3);
    EXPECT_EQ(t.link.Transact(1, request), 0u);
    EXPECT_EQ(t.port.Written().back(), 0x9A);

    // Now answer with the wrong partner: 0xAE to an A3 request, then 0x97 to a 9A one.
    t.Respond(Silent);
    t.port.Deliver(ScriptedTerminal::Frame({0x3A, 2}, 1, 0xAE));
    EXPECT_EQ(t.link.Transact(1, request), 22u);
    t.port.Deliver(ScriptedTerminal::Frame({0x3A, 3}, 1, 0x97));
    EXPECT_EQ(t.link.Transact(1, request), 22u);
}

TEST(StepLink, LateReplyIsDiscardedByTheNextWait)
{
    ScriptedTerminal t;
    const uint8_t request[] = {0x3A};
    t.Respond(Silent);
    EXPECT_EQ(t.link.Transact(1, request), 22u);  // request ended in A3
    // Its answer (0x97) arrives late, then the answer to the next request (0xAE).
    t.port.Deliver(ScriptedTerminal::Frame({0x3A, 0x01}, 1, 0x97));
    t.Respond([](const Request&) { return std::optional<std::vector<uint8_t>>({0x3A, 0x02}); });
    EXPECT_EQ(t.link.Transact(1, request), 0u);
    EXPECT_EQ(t.link.Reply().U8(1), 0x02);
}

TEST(StepLink, TimeoutWaitsTheConfiguredTimeAndKeepsTheOldReply)
{
    ScriptedTerminal t;
    t.Always({0x3A, 0x55});
    const uint8_t request[] = {0x3A};
    ASSERT_EQ(t.link.Transact(1, request), 0u);

    t.Respond(Silent);
    t.link.ReplyTimeout = 300;
    const uint64_t start = t.clock.now;
    EXPECT_EQ(t.link.Transact(1, request), 22u);
    EXPECT_EQ(t.link.LinkError, 22u);
    EXPECT_GE(t.clock.now - start, 300u);
    EXPECT_LT(t.clock.now - start, 310u);
    EXPECT_EQ(t.link.Reply().U8(1), 0x55);
    EXPECT_EQ(t.link.ConnectedPort, ScriptedTerminal::kPort);  // a time-out keeps the link
}

TEST(StepLink, ReplyOfAnotherHeaderTypeOrBadCrcIsAnError)
{
    ScriptedTerminal t;
    const uint8_t request[] = {0x3A};
    t.Respond(Silent);
    t.port.Deliver(ScriptedTerminal::Frame({0x3A}, 2, 0x97));
    EXPECT_EQ(t.link.Transact(1, request), 0x2000Eu);

    auto bad = ScriptedTerminal::Frame({0x3A, 0x01}, 1, 0xAE);
    bad[2] ^= 0x04;
    t.port.Deliver(bad);
    EXPECT_EQ(t.link.Transact(1, request), 0x2000Fu);
}

TEST(StepLink, OverlongPayloadSendsNothing)
{
    ScriptedTerminal t;
    const std::vector<uint8_t> payload(20, 0x01);
    EXPECT_EQ(t.link.SendRequest(payload.data(), 20), 0x2000Bu);
    EXPECT_EQ(t.link.Transact(1, payload), 11u);
    EXPECT_TRUE(t.port.Written().empty());
    EXPECT_EQ(t.link.EndToggle(), 0);
}

TEST(StepLink, FailedWakeByteDropsTheLinkShortFrameDoesNot)
{
    ScriptedTerminal t;
    const uint8_t request[] = {0x3A};

    t.port.LimitWrites(1);  // 0xFF goes out, the frame is cut
    EXPECT_EQ(t.link.Transact(1, request), 7u);
    EXPECT_EQ(t.link.ConnectedPort, ScriptedTerminal::kPort);

    t.port.LimitWrites(0);
    EXPECT_EQ(t.link.Transact(1, request), 7u);
    EXPECT_EQ(t.link.ConnectedPort, 0);
    EXPECT_FALSE(t.port.IsOpen());
}

TEST(StepLink, ResetPurgesAndForgetsAPartialFrame)
{
    ScriptedTerminal t;
    t.link.HeaderType = 1;
    // No request sent yet: the toggle is 0, so 0xAE ends the expected reply.
    const auto frame = ScriptedTerminal::Frame({0x3A, 1}, 1, 0xAE);
    for (int withReset = 0; withReset < 2; ++withReset) {
        t.link.ReplyFlag = false;
        const int purges = t.port.PurgeCount();
        t.link.ReceiveByte(frame[0]);
        t.link.ReceiveByte(frame[1]);
        if (withReset)
            t.link.ReceiveByte(0, true);
        for (std::size_t i = 2; i < frame.size(); ++i)
            t.link.ReceiveByte(frame[i]);
        EXPECT_EQ(t.link.ReplyFlag, !withReset);
        EXPECT_EQ(t.port.PurgeCount(), purges + withReset);
    }
}

namespace {

// A port with a terminal answering the handshake on some COM numbers.
struct Bench {
    FakeClock clock;
    MemorySerialPort port;
    StepLink link{port, clock};
    std::map<uint8_t, std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> answers;  // port -> (hello, empty frame)

    Bench()
    {
        port.SetEmptyReadHook([this] { clock.now += 5; });
        port.SetPeer([this](std::span<const uint8_t> bytes) {
            const auto it = answers.find(port.OpenedPort());
            if (it == answers.end() || bytes.size() != 2)
                return;
            if (bytes[0] == 0xFF && bytes[1] == 0xE8)
                port.Deliver(it->second.first);
            else if (bytes[0] == 0xD1 && bytes[1] == 0x9A)
                port.Deliver(it->second.second);
        });
    }
};

}  // namespace

TEST(DetectTerminal, AcceptsEachHelloByteAndOnlyTheLastByteCounts)
{
    for (const uint8_t hello : {0xE5, 0x97, 0xAE}) {
        Bench b;
        b.port.AddDevice(4);
        b.answers[4] = {{0x00, hello}, {0x12, 0xAE}};
        EXPECT_EQ(b.link.DetectTerminal(4), 0u) << int(hello);
        EXPECT_EQ(b.link.ConnectedPort, 4);
        EXPECT_EQ(b.link.EndToggle(), 0);
        EXPECT_EQ(b.clock.slept, 100u);
        EXPECT_EQ(b.port.Settings().baud, 19200u);
        EXPECT_EQ(b.port.Settings().byteSize, 8);
        EXPECT_EQ(b.port.Settings().stopBits, 1);
        EXPECT_FALSE(b.port.Settings().parityCheck);
        EXPECT_EQ(b.port.Written(), (std::vector<uint8_t>{0xFF, 0xE8, 0xD1, 0x9A}));
    }
}

TEST(DetectTerminal, RefusesWrongOrMissingAnswersAndClosesThePort)
{
    const std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> cases{
        {{}, {0xAE}},            // silent on the hello
        {{0xE5, 0x00}, {0xAE}},  // last hello byte wrong
        {{0xE5}, {}},            // silent on the empty frame
        {{0xE5}, {0xAE, 0x01}},  // last byte of the second answer wrong
        {{0xE5}, {0x97}},
    };
    for (const auto& answer : cases) {
        Bench b;
        b.port.AddDevice(4);
        b.answers[4] = answer;
        EXPECT_EQ(b.link.DetectTerminal(4), 0x20001u);
        EXPECT_EQ(b.link.ConnectedPort, 0);
        EXPECT_FALSE(b.port.IsOpen());
    }

    Bench missing;
    EXPECT_EQ(missing.link.DetectTerminal(9), 0x20001u);
    EXPECT_EQ(missing.clock.slept, 0u);

    Bench shortWrite;
    shortWrite.port.AddDevice(4);
    shortWrite.port.LimitWrites(1);
    EXPECT_EQ(shortWrite.link.DetectTerminal(4), 0x20007u);
    EXPECT_FALSE(shortWrite.port.IsOpen());
}

TEST(Connect, ScansFromOneAndStopsAtTheFirstTerminal)
{
    Bench b;
    for (const uint8_t p : {2, 5, 7, 9})
        b.port.AddDevice(p);
    b.answers[7] = {{0xE5}, {0xAE}};
    b.answers[9] = {{0xE5}, {0xAE}};
    EXPECT_EQ(b.link.Connect(0), 0u);
    EXPECT_EQ(b.link.ConnectedPort, 7);
    EXPECT_EQ(b.port.OpenCount(), 3);  // 2, 5 and 7; 9 never tried

    Bench configured;
    configured.port.AddDevice(7);
    configured.port.AddDevice(9);
    configured.answers[7] = {{0xE5}, {0xAE}};
    configured.answers[9] = {{0xE5}, {0xAE}};
    EXPECT_EQ(configured.link.Connect(9), 0u);
    EXPECT_EQ(configured.link.ConnectedPort, 9);
    EXPECT_EQ(configured.port.OpenCount(), 1);

    Bench none;
    EXPECT_EQ(none.link.Connect(0), 0x20001u);
    EXPECT_EQ(none.link.ConnectedPort, 0);
}

TEST(Disconnect, ClearsThePortEvenWhenCloseFails)
{
    Bench b;
    b.port.AddDevice(4);
    b.answers[4] = {{0xE5}, {0xAE}};
    ASSERT_EQ(b.link.DetectTerminal(4), 0u);
    b.port.SetCloseFails(true);
    EXPECT_EQ(b.link.Disconnect(), 1u);
    EXPECT_EQ(b.link.ConnectedPort, 0);
    b.port.SetCloseFails(false);
    EXPECT_EQ(b.link.Disconnect(), 0u);
    EXPECT_FALSE(b.port.IsOpen());
}
