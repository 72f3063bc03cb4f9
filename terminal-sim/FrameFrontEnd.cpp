// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameFrontEnd.h"

#include "StepCodec.h"

#include <array>

namespace kolmaris::sim {
namespace {

constexpr uint8_t kLeadByte = 0xFF;
// Start byte, a packed 19-byte request and its end byte.
constexpr std::size_t kMaxRequestFrame = 26;

bool IsRequestEnd(uint8_t b)
{
    return b == kRequestEnd[0] || b == kRequestEnd[1];
}

}  // namespace

uint8_t PairedEnd(uint8_t requestEnd)
{
    return requestEnd == kRequestEnd[0] ? kReplyEndForRequestEnd[0] : kReplyEndForRequestEnd[1];
}

std::vector<uint8_t> EncodeReply(const Frame& reply, uint8_t endByte)
{
    std::vector<uint8_t> out(kReceiveBufferBytes);
    const auto length = EncodeFrameWithEnd(reply.payload, reply.headerType, endByte, out.data());
    out.resize(length.value_or(0));
    return out;
}

std::vector<uint8_t> FrameFrontEnd::Feed(std::span<const uint8_t> bytes)
{
    std::vector<uint8_t> out;
    for (const uint8_t b : bytes) {
        const bool afterFF = afterFF_;
        afterFF_ = b == kLeadByte;
        if (b == kLeadByte) {
            frame_.clear();
        } else if (afterFF && b == kHandshakeProbe) {
            out.push_back(kHandshakeReady);
        } else if (b == kFrameStart) {
            frame_.assign(1, b);
        } else if (b < 0x80) {
            if (frame_.empty())
                continue;
            if (frame_.size() + 1 >= kMaxRequestFrame)
                frame_.clear();
            else
                frame_.push_back(b);
        } else if (IsRequestEnd(b) && !frame_.empty()) {
            EndOfFrame(b, out);
            frame_.clear();
        } else {
            frame_.clear();
        }
    }
    return out;
}

void FrameFrontEnd::EndOfFrame(uint8_t endByte, std::vector<uint8_t>& out)
{
    const uint8_t replyEnd = PairedEnd(endByte);
    if (frame_.size() == 1) {  // the bare start and end of the detection handshake
        out.push_back(replyEnd);
        return;
    }
    frame_.push_back(endByte);
    std::array<uint8_t, kMaxReplyPayload> payload{};
    std::size_t length = 0;
    uint8_t headerType = 0;
    if (DecodeFrame(frame_.data(), frame_.size(), endByte, std::nullopt, payload.data(), length, &headerType) != 0)
        return;
    if (length > kMaxRequestPayload)
        return;
    const auto reply = handler_(Frame{headerType, {payload.begin(), payload.begin() + length}});
    if (!reply || reply->payload.size() > kMaxReplyPayload)
        return;
    const auto frame = EncodeReply(*reply, replyEnd);
    out.insert(out.end(), frame.begin(), frame.end());
}

}  // namespace kolmaris::sim
