#include "ScriptedTerminal.h"
#include "StepCodec.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kolmaris;
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
