#include "StepCodec.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kolmaris;

namespace {

std::vector<uint8_t> Encode(const std::vector<uint8_t>& payload, uint8_t type, uint8_t& toggle)
{
    std::vector<uint8_t> out(26, 0xEE);
    std::size_t n = 0;
    EXPECT_EQ(EncodeFrame(payload.data(), static_cast<uint8_t>(payload.size()), type, toggle, out.data(), n), 0u);
    out.resize(n);
    return out;
}

struct Decoded {
    uint32_t result;
    std::vector<uint8_t> payload;
};

Decoded Decode(const std::vector<uint8_t>& frame, uint8_t end, uint8_t type)
{
    std::vector<uint8_t> out(21);
    std::size_t n = 0;
    const uint32_t r = DecodeFrame(frame.data(), frame.size(), end, type, out.data(), n);
    out.resize(r == 0 ? n : 0);
    return {r, out};
}

}  // namespace

TEST(FrameCrc, MatchesOneWireCrcAndChecksToZero)
{
    // CRC-8/MAXIM check value of "123456789".
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(FrameCrc(digits, 9), 0xA1);
    EXPECT_EQ(FrameCrc(nullptr, 0), 0x00);
    const uint8_t withCrc[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0xA1};
    EXPECT_EQ(FrameCrc(withCrc, 10), 0x00);
}

TEST(EncodeFrame, EmptyPayloadIsCollectorHeaderCrc)
{
    uint8_t toggle = 0;
    // Header 0x40 (type 1, length 0), CRC 0x46; no top bits.
    EXPECT_EQ(Encode({}, 1, toggle), (std::vector<uint8_t>{0xD1, 0x00, 0x40, 0x46, 0xA3}));
    EXPECT_EQ(toggle, 1);
    // Header 0x80 (type 2), CRC 0x8C: both top bits go to the collector.
    EXPECT_EQ(Encode({}, 2, toggle), (std::vector<uint8_t>{0xD1, 0x03, 0x00, 0x0C, 0x9A}));
    EXPECT_EQ(toggle, 0);
}

TEST(EncodeFrame, SevenBytesFillOneGroupEightNeedASecondCollector)
{
    uint8_t toggle = 0;
    // 5 payload bytes: 7 unpacked bytes, one collector, 8 packed bytes.
    EXPECT_EQ(Encode({0x81, 0x02, 0x83, 0x04, 0xFF}, 0, toggle),
              (std::vector<uint8_t>{0xD1, 0x2A, 0x05, 0x01, 0x02, 0x03, 0x04, 0x7F, 0x62, 0xA3}));
    // 6 payload bytes: a second collector with the CRC alone.
    EXPECT_EQ(Encode({1, 2, 3, 4, 5, 6}, 0, toggle),
              (std::vector<uint8_t>{0xD1, 0x00, 0x06, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x00, 0x0E, 0x9A}));
}

TEST(EncodeFrame, RefusesTwentyBytesAndLeavesToggle)
{
    uint8_t toggle = 1;
    std::vector<uint8_t> payload(20, 0x11);
    std::vector<uint8_t> out(26, 0xEE);
    std::size_t n = 99;
    EXPECT_EQ(EncodeFrame(payload.data(), 20, 1, toggle, out.data(), n), 0x2000Bu);
    EXPECT_EQ(toggle, 1);
    EXPECT_EQ(n, 99u);
    EXPECT_EQ(out, std::vector<uint8_t>(26, 0xEE));
    // 19 bytes is the largest request: 26 bytes on the wire.
    EXPECT_EQ(Encode(std::vector<uint8_t>(19, 0xAA), 2, toggle).size(), 26u);
}

TEST(DecodeFrame, RoundTripsEveryLengthAndType)
{
    for (uint8_t type = 0; type < 4; ++type)
        for (std::size_t len = 0; len <= 21; ++len) {
            std::vector<uint8_t> payload(len);
            for (std::size_t i = 0; i < len; ++i)
                payload[i] = static_cast<uint8_t>(i * 37 + type * 101 + 0x80 * (i % 2));
            std::vector<uint8_t> frame(29);
            const auto n = EncodeFrameWithEnd(payload, type, 0x97, frame.data());
            ASSERT_TRUE(n);
            frame.resize(*n);
            const auto d = Decode(frame, 0x97, type);
            EXPECT_EQ(d.result, 0u);
            EXPECT_EQ(d.payload, payload);
        }
}

TEST(DecodeFrame, ReportsWrongTypeCrcLengthAndEnd)
{
    std::vector<uint8_t> frame(26);
    frame.resize(*EncodeFrameWithEnd(std::vector<uint8_t>{0x3F, 0x01, 0x02}, 1, 0xAE, frame.data()));

    EXPECT_EQ(Decode(frame, 0xAE, 2).result, 0x2000Eu);  // right CRC, other type
    EXPECT_EQ(Decode(frame, 0x97, 1).result, 1u);        // not the expected end byte

    auto corrupt = frame;
    corrupt[3] ^= 0x01;
    EXPECT_EQ(Decode(corrupt, 0xAE, 1).result, 0x2000Fu);

    // A header whose length field disagrees with the body, with a correct CRC.
    std::vector<uint8_t> body{0x45, 0x3F, 0x01, 0x02};  // claims 5 bytes, carries 3
    body.push_back(FrameCrc(body.data(), body.size()));
    std::vector<uint8_t> lying{0xD1, 0};
    for (std::size_t i = 0; i < body.size(); ++i) {
        lying[1] |= static_cast<uint8_t>((body[i] >> 7) << i);
        lying.push_back(body[i] & 0x7F);
    }
    lying.push_back(0xAE);
    EXPECT_EQ(Decode(lying, 0xAE, 1).result, 0x2000Fu);

    // Nothing between start and end, or only a collector.
    EXPECT_EQ(Decode({0xD1, 0xAE}, 0xAE, 1).result, 0x2000Fu);
    EXPECT_EQ(Decode({0xD1, 0x00, 0xAE}, 0xAE, 1).result, 0x2000Fu);
}

TEST(FrameReceiver, CompletesOnlyOnTheExpectedEndByte)
{
    std::vector<uint8_t> frame(26);
    frame.resize(*EncodeFrameWithEnd(std::vector<uint8_t>{1, 2, 3}, 1, 0x97, frame.data()));

    FrameReceiver rx;
    std::optional<std::span<const uint8_t>> done;
    for (const uint8_t b : frame)
        done = rx.Feed(b, 0x97);
    ASSERT_TRUE(done);
    EXPECT_EQ(std::vector<uint8_t>(done->begin(), done->end()), frame);

    // The same frame while 0xAE is expected is dropped with everything gathered.
    for (const uint8_t b : frame)
        EXPECT_FALSE(rx.Feed(b, 0xAE));
    EXPECT_EQ(rx.Fill(), 0u);
}

TEST(FrameReceiver, StartByteRestartsAndOverflowEmpties)
{
    std::vector<uint8_t> frame(26);
    frame.resize(*EncodeFrameWithEnd(std::vector<uint8_t>{9}, 1, 0x97, frame.data()));

    FrameReceiver rx;
    // Half a frame, then a fresh start byte: only the second frame counts.
    rx.Feed(0xD1, 0x97);
    rx.Feed(0x05, 0x97);
    rx.Feed(0x11, 0x97);
    std::optional<std::span<const uint8_t>> done;
    for (const uint8_t b : frame)
        done = rx.Feed(b, 0x97);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->size(), frame.size());

    // Bytes without a start byte before the end are not a frame.
    rx.Feed(0x01, 0x97);
    EXPECT_FALSE(rx.Feed(0x97, 0x97));

    // 29 bytes fill the buffer; the 30th is dropped with them.
    rx.Feed(0xD1, 0x97);
    for (int i = 0; i < 28; ++i)
        rx.Feed(0x01, 0x97);
    EXPECT_EQ(rx.Fill(), 29u);
    EXPECT_FALSE(rx.Feed(0x97, 0x97));
    EXPECT_EQ(rx.Fill(), 0u);

    // Another high byte discards the gathering.
    rx.Feed(0xD1, 0x97);
    rx.Feed(0x01, 0x97);
    rx.Feed(0xA3, 0x97);
    EXPECT_EQ(rx.Fill(), 0u);
}

TEST(FrameReceiver, AnyByteSequenceStaysInBounds)
{
    // Random streams with start and end bytes sprinkled in: whatever completes must decode
    // without reading or writing outside the buffers (checked by the sanitizer build).
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    FrameReceiver rx;
    int frames = 0;
    for (int i = 0; i < 200000; ++i) {
        uint8_t b = next();
        if (b % 7 == 0)
            b = 0xD1;
        else if (b % 11 == 0)
            b = 0x97;
        if (const auto f = rx.Feed(b, 0x97)) {
            ++frames;
            std::vector<uint8_t> out(21);
            std::size_t n = 0;
            const uint32_t r = DecodeFrame(f->data(), f->size(), 0x97, std::nullopt, out.data(), n);
            if (r == 0) {
                EXPECT_LE(n, 21u);
            }
        }
    }
    EXPECT_GT(frames, 0);
}
