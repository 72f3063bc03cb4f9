// SPDX-License-Identifier: GPL-3.0-or-later
#include "StepCodec.h"

#include <algorithm>

namespace kolmaris {
namespace {

constexpr std::array<uint8_t, 16> kCrcNibbleTable{0x00, 0x9D, 0x23, 0xBE, 0x46, 0xDB, 0x65, 0xF8,
                                                  0x8C, 0x11, 0xAF, 0x32, 0xCA, 0x57, 0xE9, 0x74};

// Unpacked body: header, payload and CRC.
constexpr std::size_t kMaxBody = 2 + kMaxReplyPayload;

}  // namespace

uint8_t FrameCrc(const uint8_t* bytes, std::size_t count)
{
    uint8_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t c = crc ^ bytes[i];
        c = kCrcNibbleTable[c & 0x0F] ^ (c >> 4);
        crc = kCrcNibbleTable[c & 0x0F] ^ (c >> 4);
    }
    return crc;
}

std::optional<std::size_t> EncodeFrameWithEnd(std::span<const uint8_t> payload, uint8_t headerType, uint8_t endByte,
                                              uint8_t* out)
{
    if (payload.size() > kMaxReplyPayload)
        return std::nullopt;

    std::array<uint8_t, kMaxBody> body{};
    std::size_t n = 0;
    body[n++] = static_cast<uint8_t>(((headerType & 3) << 6) + payload.size());
    for (const uint8_t b : payload)
        body[n++] = b;
    body[n] = FrameCrc(body.data(), n);
    ++n;

    std::size_t pos = 0;
    out[pos++] = kFrameStart;
    // Groups of seven: a collector holding the top bits, then the bytes with bit 7 cleared.
    for (std::size_t group = 0; group < n; group += 7) {
        const std::size_t collectorAt = pos++;
        uint8_t collector = 0;
        uint8_t mask = 1;
        for (std::size_t i = group; i < std::min(n, group + 7); ++i, mask <<= 1) {
            out[pos++] = body[i] & 0x7F;
            if (body[i] & 0x80)
                collector |= mask;
        }
        out[collectorAt] = collector;
    }
    out[pos++] = endByte;
    return pos;
}

uint32_t EncodeFrame(const uint8_t* payload, uint8_t length, uint8_t headerType, uint8_t& toggle, uint8_t* out,
                     std::size_t& frameLength)
{
    if (length > kMaxRequestPayload)
        return kErrPayloadTooLong;
    const auto size = EncodeFrameWithEnd({payload, length}, headerType, kRequestEnd[toggle & 1], out);
    frameLength = *size;
    toggle = (toggle & 1) ^ 1;
    return 0;
}

uint32_t DecodeFrame(const uint8_t* frame, std::size_t length, uint8_t expectedEnd, std::optional<uint8_t> headerType,
                     uint8_t* out, std::size_t& payloadLength, uint8_t* actualHeaderType)
{
    if (length < 2 || frame[length - 1] != expectedEnd)
        return kErrEndByte;

    // Unpack what lies between the start and end bytes.
    std::array<uint8_t, kReceiveBufferBytes> body{};
    std::size_t n = 0;
    uint8_t collector = 0;
    int position = 7;  // forces a collector first
    for (std::size_t i = 1; i + 1 < length && n < body.size(); ++i) {
        if (position == 7) {
            collector = frame[i];
            position = 0;
            continue;
        }
        body[n++] = static_cast<uint8_t>((frame[i] & 0x7F) | (((collector >> position) & 1) << 7));
        ++position;
    }

    if (n < 2 || FrameCrc(body.data(), n) != 0)
        return kErrCrcOrLength;
    const uint8_t type = body[0] >> 6;
    if (headerType && type != *headerType)
        return kErrHeaderType;
    if (n - 2 != (body[0] & 0x3F) || n - 2 > kMaxReplyPayload)
        return kErrCrcOrLength;

    std::copy_n(body.begin() + 1, n - 2, out);
    payloadLength = n - 2;
    if (actualHeaderType)
        *actualHeaderType = type;
    return 0;
}

std::optional<std::span<const uint8_t>> FrameReceiver::Feed(uint8_t b, uint8_t expectedEnd)
{
    if (fill_ >= buffer_.size()) {
        fill_ = 0;
        return std::nullopt;
    }
    if (b < 0x80) {
        buffer_[fill_++] = b;
        return std::nullopt;
    }
    std::optional<std::span<const uint8_t>> complete;
    if (b == expectedEnd && fill_ > 0) {
        buffer_[fill_++] = b;
        if (buffer_[0] == kFrameStart) {
            std::copy_n(buffer_.begin(), fill_, frame_.begin());
            complete = std::span<const uint8_t>(frame_.data(), fill_);
        }
    }
    fill_ = 0;
    if (b == kFrameStart)
        buffer_[fill_++] = b;
    return complete;
}

std::size_t FrameReceiver::BytesToComplete() const
{
    constexpr std::size_t kShortestFrame = 5;  // start, collector, header, CRC, end
    constexpr std::size_t kHeaderAt = 2;
    if (fill_ == 0)
        return kShortestFrame;
    if (buffer_[0] != kFrameStart)
        return 1;
    if (fill_ <= kHeaderAt)
        return kShortestFrame - fill_;
    const std::size_t payload = (buffer_[kHeaderAt] | ((buffer_[1] & 1) << 7)) & 0x3F;
    const std::size_t unpacked = payload + 2;
    const std::size_t frame = 2 + unpacked + (unpacked + 6) / 7;
    return frame > fill_ && frame <= buffer_.size() ? frame - fill_ : 1;
}

}  // namespace kolmaris
