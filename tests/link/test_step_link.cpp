// SPDX-License-Identifier: GPL-3.0-or-later
// The STEP frames: their coding, the receiver, and the link's exchanges and detection of a terminal.
#include "ScriptedTerminal.h"
#include "StepCodec.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

using namespace kolmaris;
using kolmaris::testing::FakeClock;
using kolmaris::testing::ScriptedTerminal;
using Bytes = std::vector<uint8_t>;

namespace {

// The decode result, with the payload when it is 0.
std::pair<uint32_t, Bytes> Decode(const Bytes& frame, uint8_t end, std::optional<uint8_t> type)
{
    Bytes out(21);
    std::size_t n = 0;
    const uint32_t r = DecodeFrame(frame.data(), frame.size(), end, type, out.data(), n);
    out.resize(r == 0 ? n : 0);
    return {r, out};
}

// Feeds every byte; returns the frame the last byte completed, if any.
std::optional<Bytes> Feed(FrameReceiver& rx, const Bytes& bytes, uint8_t end = 0x97)
{
    std::optional<std::span<const uint8_t>> done;
    for (const uint8_t b : bytes)
        done = rx.Feed(b, end);
    return done ? std::optional(Bytes(done->begin(), done->end())) : std::nullopt;
}

}  // namespace

TEST(EncodeFrame, PacksSevenBytesPerCollectorAndTogglesTheEndByte)
{
    const struct {
        Bytes payload;
        uint8_t type;
        Bytes frame;
    } cases[] = {{{}, 1, {0xD1, 0x00, 0x40, 0x46, 0xA3}},  // header 0x40, CRC 0x46: no top bits
                 {{}, 2, {0xD1, 0x03, 0x00, 0x0C, 0x9A}},  // header 0x80, CRC 0x8C: both in the collector
                 // 5 payload bytes: 7 unpacked bytes, one collector; 6 bytes: a second collector for the CRC.
                 {{0x81, 0x02, 0x83, 0x04, 0xFF}, 0, {0xD1, 0x2A, 0x05, 0x01, 0x02, 0x03, 0x04, 0x7F, 0x62, 0xA3}},
                 {{1, 2, 3, 4, 5, 6}, 0, {0xD1, 0x00, 0x06, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x00, 0x0E, 0x9A}}};
    uint8_t toggle = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame.size());
        const uint8_t before = toggle;
        Bytes out(26);
        std::size_t n = 0;
        ASSERT_EQ(EncodeFrame(c.payload.data(), uint8_t(c.payload.size()), c.type, toggle, out.data(), n), 0u);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + n), c.frame);
        EXPECT_EQ(toggle, before ^ 1);
    }

    // 20 bytes are refused with nothing touched; 19 make the longest request, 26 bytes.
    Bytes payload(20, 0x11), out(26, 0xEE);
    std::size_t n = 0;
    EXPECT_EQ(EncodeFrame(payload.data(), 20, 1, toggle, out.data(), n), 0x2000Bu);
    EXPECT_EQ(toggle, 0);
    EXPECT_EQ(out, Bytes(26, 0xEE));
    EXPECT_EQ(EncodeFrame(payload.data(), 19, 2, toggle, out.data(), n), 0u);
    EXPECT_EQ(n, 26u);
}

TEST(DecodeFrame, RoundTripsEveryLengthAndType)
{
    for (uint8_t type = 0; type < 4; ++type)
        for (std::size_t len = 0; len <= 21; ++len) {
            Bytes payload(len);
            for (std::size_t i = 0; i < len; ++i)
                payload[i] = static_cast<uint8_t>(i * 37 + type * 101 + 0x80 * (i % 2));
            EXPECT_EQ(Decode(ScriptedTerminal::Frame(payload, type, 0x97), 0x97, type), std::make_pair(0u, payload));
        }
}

TEST(DecodeFrame, ReportsWrongTypeCrcLengthAndEnd)
{
    const Bytes frame = ScriptedTerminal::Frame({0x3F, 0x01, 0x02}, 1, 0xAE);
    EXPECT_EQ(Decode(frame, 0xAE, 2).first, 0x2000Eu);  // right CRC, other type
    EXPECT_EQ(Decode(frame, 0x97, 1).first, 1u);        // not the expected end byte
    auto corrupt = frame;
    corrupt[3] ^= 0x01;
    EXPECT_EQ(Decode(corrupt, 0xAE, 1).first, 0x2000Fu);

    // Header 0x45 claims 5 bytes, 3 follow, the CRC is right (its top bit in the collector).
    const uint8_t body[] = {0x45, 0x3F, 0x01, 0x02};
    const uint8_t crc = FrameCrc(body, 4);
    const Bytes lying{0xD1, uint8_t((crc >> 7) << 4), 0x45, 0x3F, 0x01, 0x02, uint8_t(crc & 0x7F), 0xAE};
    EXPECT_EQ(Decode(lying, 0xAE, 1).first, 0x2000Fu);
    // Nothing between start and end, or only a collector.
    EXPECT_EQ(Decode({0xD1, 0xAE}, 0xAE, 1).first, 0x2000Fu);
    EXPECT_EQ(Decode({0xD1, 0x00, 0xAE}, 0xAE, 1).first, 0x2000Fu);
}

TEST(FrameReceiver, EndByteStartByteAndOverflow)
{
    const Bytes frame = ScriptedTerminal::Frame({1, 2, 3}, 1, 0x97);
    FrameReceiver rx;
    EXPECT_EQ(Feed(rx, frame), frame);
    // While 0xAE is expected the frame is dropped with everything gathered.
    EXPECT_FALSE(Feed(rx, frame, 0xAE));
    EXPECT_EQ(rx.Fill(), 0u);
    // Half a frame, then a fresh start byte: only the second frame counts.
    Feed(rx, {0xD1, 0x05, 0x11});
    EXPECT_EQ(Feed(rx, frame), frame);
    // Bytes without a start byte before the end are not a frame.
    EXPECT_FALSE(Feed(rx, {0x01, 0x97}));
    // 29 bytes fill the buffer; the 30th is dropped with them.
    Feed(rx, {0xD1});
    Feed(rx, Bytes(28, 0x01));
    EXPECT_EQ(rx.Fill(), 29u);
    EXPECT_FALSE(Feed(rx, {0x97}));
    EXPECT_EQ(rx.Fill(), 0u);
    // Another high byte discards the gathering.
    Feed(rx, {0xD1, 0x01, 0xA3});
    EXPECT_EQ(rx.Fill(), 0u);
}

const uint8_t kRequest[] = {0x3A};

TEST(StepLink, TransactionWritesWakeByteAndFrameAndWaitsTheConfiguredTime)
{
    ScriptedTerminal t;
    t.Always({0x3F, 0x12, 0x34});
    const uint8_t request[] = {0x3F};
    EXPECT_EQ(t.link.Transact(1, request), 0u);
    // 0xFF, then D1, collector (the CRC 0xA0 has its top bit), header 0x41, 0x3F, CRC, end.
    EXPECT_EQ(t.port.Written(), (Bytes{0xFF, 0xD1, 0x04, 0x41, 0x3F, 0x20, 0xA3}));
    EXPECT_EQ(t.link.ReplyLength, 3);
    EXPECT_EQ(t.link.Reply().U16(1), 0x1234);
    EXPECT_FALSE(t.link.Reply().U16(2));

    // A time-out keeps the old reply and the link.
    t.Silence();
    t.link.ReplyTimeout = 300;
    const uint64_t start = t.clock.now;
    EXPECT_EQ(t.link.Transact(1, request), 22u);
    EXPECT_EQ(t.link.LinkError, 22u);
    EXPECT_GE(t.clock.now - start, 300u);
    EXPECT_LT(t.clock.now - start, 310u);
    EXPECT_EQ(t.link.Reply().U16(1), 0x1234);
    EXPECT_EQ(t.link.ConnectedPort, ScriptedTerminal::kPort);
}

TEST(StepLink, OnlyTheReplyPairedWithTheRequestEndIsAccepted)
{
    ScriptedTerminal t;  // pairs A3 with 97 and 9A with AE
    t.Always({0x3A, 1});
    EXPECT_EQ(t.link.Transact(1, kRequest), 0u);
    EXPECT_EQ(t.port.Written().back(), 0xA3);
    EXPECT_EQ(t.link.Transact(1, kRequest), 0u);
    EXPECT_EQ(t.port.Written().back(), 0x9A);

    // The wrong partner: 0xAE to an A3 request, then 0x97 to a 9A one.
    t.Silence();
    t.port.Deliver(ScriptedTerminal::Frame({0x3A, 2}, 1, 0xAE));
    EXPECT_EQ(t.link.Transact(1, kRequest), 22u);
    t.port.Deliver(ScriptedTerminal::Frame({0x3A, 3}, 1, 0x97));
    EXPECT_EQ(t.link.Transact(1, kRequest), 22u);
    // So the late answer to the last request (0xAE) is skipped by the next wait (0x97).
    t.port.Deliver(ScriptedTerminal::Frame({0x3A, 4}, 1, 0xAE));
    t.Always({0x3A, 5});
    EXPECT_EQ(t.link.Transact(1, kRequest), 0u);
    EXPECT_EQ(t.link.Reply().U8(1), 5);

    // A paired reply of another header type, or with a bad CRC, is an error.
    std::vector<uint8_t> answer = ScriptedTerminal::Frame({0x3A}, 2, 0xAE);
    t.Respond([&](const kolmaris::testing::Request&) -> std::optional<Bytes> {
        t.port.Deliver(answer);
        return std::nullopt;
    });
    EXPECT_EQ(t.link.Transact(1, kRequest), 0x2000Eu);
    answer = ScriptedTerminal::Frame({0x3A, 0x01}, 1, 0x97);
    answer[2] ^= 0x04;
    EXPECT_EQ(t.link.Transact(1, kRequest), 0x2000Fu);
}

TEST(StepLink, SendFailures)
{
    ScriptedTerminal t;
    const Bytes payload(20, 0x01);  // overlong: nothing sent, toggle kept
    EXPECT_EQ(t.link.SendRequest(payload.data(), 20), 0x2000Bu);
    EXPECT_EQ(t.link.Transact(1, payload), 11u);
    EXPECT_TRUE(t.port.Written().empty());
    EXPECT_EQ(t.link.EndToggle(), 0);

    t.port.LimitWrites(1);  // 0xFF goes out, the frame is cut: the link stays
    EXPECT_EQ(t.link.Transact(1, kRequest), 7u);
    EXPECT_EQ(t.link.ConnectedPort, ScriptedTerminal::kPort);
    t.port.LimitWrites(0);  // the wake byte fails: the link is dropped
    EXPECT_EQ(t.link.Transact(1, kRequest), 7u);
    EXPECT_EQ(t.link.ConnectedPort, 0);
    EXPECT_FALSE(t.port.IsOpen());
}

TEST(StepLink, WhatWaitsBeforeARequestAndAnAnswerToAnotherAreRefused)
{
    ScriptedTerminal t;
    t.Silence();
    // A well-formed answer to this very request, but there before it was sent.
    t.port.Deliver(ScriptedTerminal::Frame({0x3A, 1}, 1, 0x97));
    EXPECT_EQ(t.link.Transact(1, kRequest), 22u);

    // During the wait: first the late answer to a version request, then the right one.
    t.Respond([&](const kolmaris::testing::Request&) {
        t.port.Deliver(ScriptedTerminal::Frame({0x3F, 9}, 1, 0xAE));
        return std::optional(Bytes{0x3A, 5});
    });
    EXPECT_EQ(t.link.Transact(1, kRequest), 0u);
    EXPECT_EQ(t.link.Reply().U8(1), 5);
    EXPECT_EQ(t.link.StaleReplies(), 1u);
}

TEST(StepLink, ResetPurgesAndForgetsAPartialFrame)
{
    ScriptedTerminal t;
    t.link.HeaderType = 1;
    const auto frame = ScriptedTerminal::Frame({0x3A, 1}, 1, 0xAE);  // toggle 0 expects 0xAE
    for (const bool reset : {false, true}) {
        t.link.ReplyFlag = false;
        const int purges = t.port.PurgeCount();
        for (std::size_t i = 0; i < frame.size(); ++i) {
            if (reset && i == 2)
                t.link.ReceiveByte(0, true);
            t.link.ReceiveByte(frame[i]);
        }
        EXPECT_EQ(t.link.ReplyFlag, !reset);
        EXPECT_EQ(t.port.PurgeCount(), purges + reset);
    }
}

namespace {

// A port with terminals answering the handshake on some COM numbers.
struct Bench {
    FakeClock clock;
    MemorySerialPort port;
    StepLink link{port, clock};
    std::map<uint8_t, std::pair<Bytes, Bytes>> answers;  // port -> (hello answer, empty-frame answer)

    Bench()
    {
        port.SetEmptyReadHook([this] { clock.now += 5; });
        port.SetPeer([this](std::span<const uint8_t> bytes) {
            const auto it = answers.find(port.OpenedPort());
            const Bytes sent(bytes.begin(), bytes.end());
            if (it != answers.end() && sent == Bytes{0xFF, 0xE8})
                port.Deliver(it->second.first);
            else if (it != answers.end() && sent == Bytes{0xD1, 0x9A})
                port.Deliver(it->second.second);
        });
    }
    void Terminal(uint8_t at, Bytes hello = {0xE5}, Bytes second = {0xAE})
    {
        port.AddDevice(at);
        answers[at] = {std::move(hello), std::move(second)};
    }
};

}  // namespace

TEST(DetectTerminal, AcceptsEachHelloByteAndOnlyTheLastByteCounts)
{
    for (const uint8_t hello : {0xE5, 0x97, 0xAE}) {
        SCOPED_TRACE(int(hello));
        Bench b;
        b.Terminal(4, {0x00, hello}, {0x12, 0xAE});
        EXPECT_EQ(b.link.DetectTerminal(4), 0u);
        EXPECT_EQ(b.link.ConnectedPort, 4);
        EXPECT_EQ(b.link.EndToggle(), 0);
        EXPECT_EQ(b.clock.slept, 100u);
        const auto& s = b.port.Settings();
        EXPECT_EQ(std::tie(s.baud, s.byteSize, s.stopBits, s.parityCheck), std::make_tuple(19200u, 8, 1, false));
        EXPECT_EQ(b.port.Written(), (Bytes{0xFF, 0xE8, 0xD1, 0x9A}));

        // Disconnect clears the port even when closing fails.
        b.port.SetCloseFails(true);
        EXPECT_EQ(b.link.Disconnect(), 1u);
        EXPECT_EQ(b.link.ConnectedPort, 0);
        b.port.SetCloseFails(false);
        EXPECT_EQ(b.link.Disconnect(), 0u);
        EXPECT_FALSE(b.port.IsOpen());
    }
}

TEST(DetectTerminal, RefusesWrongOrMissingAnswersAndClosesThePort)
{
    // Silent on the hello, last hello byte wrong, silent on the empty frame, last byte of it wrong.
    const std::pair<Bytes, Bytes> cases[] = {
        {{}, {0xAE}}, {{0xE5, 0x00}, {0xAE}}, {{0xE5}, {}}, {{0xE5}, {0xAE, 0x01}}, {{0xE5}, {0x97}}};
    for (const auto& [hello, second] : cases) {
        SCOPED_TRACE(hello.size() * 10 + second.size());
        Bench b;
        b.Terminal(4, hello, second);
        EXPECT_EQ(b.link.DetectTerminal(4), 0x20001u);
        EXPECT_EQ(b.link.ConnectedPort, 0);
        EXPECT_FALSE(b.port.IsOpen());
    }
    Bench missing;
    EXPECT_EQ(missing.link.DetectTerminal(9), 0x20001u);
    EXPECT_EQ(missing.clock.slept, 0u);
    Bench shortWrite;
    shortWrite.Terminal(4);
    shortWrite.port.LimitWrites(1);
    EXPECT_EQ(shortWrite.link.DetectTerminal(4), 0x20007u);
    EXPECT_FALSE(shortWrite.port.IsOpen());
}

TEST(DetectTerminal, TheSecondHandshakeAnswerIsAwaitedUpToTheReplyTimeout)
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

TEST(Connect, ScansFromOneAndStopsAtTheFirstTerminalOrTriesOnlyTheConfiguredPort)
{
    for (const uint8_t configured : {0, 9}) {
        Bench b;
        b.port.AddDevice(2);
        b.port.AddDevice(5);
        b.Terminal(7);
        b.Terminal(9);
        EXPECT_EQ(b.link.Connect(configured), 0u);
        EXPECT_EQ(b.link.ConnectedPort, configured ? 9 : 7);
        EXPECT_EQ(b.port.OpenCount(), configured ? 1 : 3);  // 2, 5 and 7; 9 never tried
    }
    Bench none;
    EXPECT_EQ(none.link.Connect(0), 0x20001u);
    EXPECT_EQ(none.link.ConnectedPort, 0);
}

namespace {

// Bytes the terminal puts on the line once the fake clock reaches their time.
struct LateBytes {
    std::vector<std::pair<uint64_t, Bytes>> due;
    void Hook(ScriptedTerminal& t)
    {
        t.port.SetEmptyReadHook([&t, this] {
            t.clock.now += 5;
            for (auto it = due.begin(); it != due.end();) {
                if (it->first > t.clock.now) {
                    ++it;
                    continue;
                }
                t.port.Deliver(it->second);
                it = due.erase(it);
            }
        });
    }
};

}  // namespace

TEST(StepLink, AfterAFailedExchangeTheLineFallsQuietBeforeTheNextRequest)
{
    // The reply to the first request comes 10 ms after its time-out; the second request meets a
    // spoilt reply; the third is answered after 30 ms. Were the late reply still on its way when
    // the third request goes out, its end byte would pair with it and its echo match.
    ScriptedTerminal t;
    LateBytes late;
    late.Hook(t);
    int request = 0;
    t.Respond([&](const kolmaris::testing::Request&) -> std::optional<Bytes> {
        ++request;
        if (request == 1)
            late.due.push_back({t.clock.now + 210, ScriptedTerminal::Frame({0x3A, 1}, 1, 0x97)});
        if (request == 2) {
            Bytes spoilt = ScriptedTerminal::Frame({0x3A, 2}, 1, 0xAE);
            spoilt[3] ^= 0x04;
            t.port.Deliver(spoilt);
        }
        if (request == 3)
            late.due.push_back({t.clock.now + 30, ScriptedTerminal::Frame({0x3A, 3}, 1, 0x97)});
        return std::nullopt;
    });
    EXPECT_EQ(t.link.Transact(1, kRequest), 22u);
    EXPECT_EQ(t.link.Transact(1, kRequest), 0x2000Fu);
    EXPECT_EQ(t.link.Transact(1, kRequest), 0u);
    EXPECT_EQ(t.link.Reply().U8(1), 3);
}

TEST(StepLink, TheLogHasALinePerExchangeWithRetriesTimeOutsAndDroppedReplies)
{
    ScriptedTerminal t;
    std::vector<std::string> lines;
    t.link.SetLogSink([&](const LinkEvent& e) { lines.push_back(FormatLinkEvent(e)); });
    t.Always({0x3A, 5});
    EXPECT_EQ(t.link.Transact(1, kRequest), 0u);
    t.Silence();
    EXPECT_EQ(t.link.Transact(1, kRequest), 22u);
    // The repeat is answered, after a late answer to another request that is dropped.
    t.Respond([&](const kolmaris::testing::Request&) {
        t.port.Deliver(ScriptedTerminal::Frame({0x3F, 9}, 1, 0x97));
        return std::optional(Bytes{0x3A, 6});
    });
    EXPECT_EQ(t.link.Transact(1, kRequest), 0u);
    const uint8_t other[] = {0x3F, 0x01};
    t.port.LimitWrites(3);
    EXPECT_EQ(t.link.Transact(1, other), 7u);
    EXPECT_EQ(lines, (std::vector<std::string>{"request 1 3A -> reply 3A 05 (0 ms)",
                                               "request 1 3A -> time-out after 200 ms",
                                               "reply 3F 09 dropped: it answers another request",
                                               "request 1 3A (retry) -> reply 3A 06 (0 ms)",
                                               "request 1 3F 01 -> write failed"}));
}

TEST(Connect, NamesThePortsThatExistButWouldNotOpen)
{
    kolmaris::testing::TempDir portDirectory(true);  // no links: COM n is its device of the table
    Bench b;
    std::vector<std::string> lines;
    b.link.SetLogSink([&](const LinkEvent& e) { lines.push_back(FormatLinkEvent(e)); });
    b.port.AddDevice(2, true);
    b.port.AddRefusingDevice(5, PortError::NoAccess);
    b.port.AddDevice(6);
    EXPECT_EQ(b.link.Connect(0), 0x20001u);
    const std::vector<RefusedPort> refused{{2, PortError::AccessDenied}, {5, PortError::NoAccess}};
    EXPECT_EQ(b.link.RefusedPorts(), refused);
    const std::string fix = "add the user to the dialout group (sudo usermod -aG dialout $USER) and log in again";
    EXPECT_EQ(lines, (std::vector<std::string>{"handshake COM 2: busy: another program holds it",
                                               "handshake COM 5: no access: " + fix,
                                               "handshake COM 6: no terminal answers"}));
#ifdef _WIN32
    EXPECT_EQ(DescribeRefusedPorts(refused), "busy: COM 2; no access: COM 5 - " + fix);  // Windows' names: numbers
#else
    EXPECT_EQ(DescribeRefusedPorts(refused), "busy: COM 2 (/dev/ttyS1); no access: COM 5 (/dev/ttyS4) - " + fix);
#endif

    // The next scan tells only of its own refusals.
    b.port.RemoveDevice(2);
    b.port.RemoveDevice(5);
    b.Terminal(7);
    EXPECT_EQ(b.link.Connect(0), 0u);
    EXPECT_TRUE(b.link.RefusedPorts().empty());
}
