// SPDX-License-Identifier: GPL-3.0-or-later
// The link's frame receiver on an arbitrary byte stream, the reply flag and buffer checked
// after every frame, and DecodeFrame on the input taken as one frame. The first byte picks
// the expected end byte and the header type.
#include "ReplyDecoders.h"
#include "ScriptedTerminal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kolmaris;
    using fuzz::Check;
    if (size == 0)
        return 0;
    const uint8_t expectedEnd = kExpectedReplyEnd[data[0] & 1];
    const std::optional<uint8_t> header = data[0] & 2 ? std::optional<uint8_t>(data[0] >> 6) : std::nullopt;

    std::array<uint8_t, kMaxReplyPayload> payload{};
    std::size_t length = 0;
    if (DecodeFrame(data + 1, size - 1, expectedEnd, header, payload.data(), length) == kOk)
        Check(length <= kMaxReplyPayload);

    FrameReceiver receiver;
    testing::ScriptedTerminal terminal;
    StepLink& link = terminal.link;
    link.HeaderType = data[0] >> 6;
    for (std::size_t i = 1; i < size; ++i) {
        if (const auto frame = receiver.Feed(data[i], expectedEnd))
            Check(frame->size() >= 2 && frame->size() <= kReceiveBufferBytes && frame->front() == kFrameStart &&
                  frame->back() == expectedEnd);
        Check(receiver.Fill() <= kReceiveBufferBytes);
        link.ReplyFlag = false;
        link.ReplyLength = 0;
        link.ReceiveByte(data[i]);
        if (link.ReplyFlag && link.LinkError == kOk)
            Check(link.ReplyLength <= kMaxReplyPayload && link.Reply().Size() <= link.ReplyBuffer.size());
        Check(!link.ReplyFlag || link.LinkError != kOk || data[i] == kExpectedReplyEnd[link.EndToggle()]);
    }
    return 0;
}
