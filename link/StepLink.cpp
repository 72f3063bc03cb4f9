// SPDX-License-Identifier: GPL-3.0-or-later
#include "StepLink.h"

#include <algorithm>
#include <array>

namespace kolmaris {

std::optional<uint8_t> ReplyReader::U8(std::size_t at) const
{
    if (at >= payload_.size())
        return std::nullopt;
    return payload_[at];
}

std::optional<uint16_t> ReplyReader::U16(std::size_t at) const
{
    if (at + 2 > payload_.size())
        return std::nullopt;
    return static_cast<uint16_t>((payload_[at] << 8) | payload_[at + 1]);
}

std::optional<uint32_t> ReplyReader::U32(std::size_t at) const
{
    if (at + 4 > payload_.size())
        return std::nullopt;
    return (uint32_t{payload_[at]} << 24) | (uint32_t{payload_[at + 1]} << 16) | (uint32_t{payload_[at + 2]} << 8) |
           uint32_t{payload_[at + 3]};
}

uint32_t StepLink::SendRequest(const uint8_t* payload, uint8_t length)
{
    // An overlong payload is refused before anything reaches the line.
    if (length > kMaxRequestPayload)
        return kErrPayloadTooLong;

    SettleLine();
    const uint8_t wake = 0xFF;
    if (port_.WriteBytes(&wake, 1) != 1) {
        Disconnect();
        return kErrWriteFailed;
    }

    std::array<uint8_t, kMaxFrameBytes> frame{};
    std::size_t frameLength = 0;
    if (const uint32_t error = EncodeFrame(payload, length, HeaderType, toggle_, frame.data(), frameLength))
        return error;

    ReplyFlag = false;
    if (log_) {
        const std::vector<uint8_t> request(payload, payload + length);
        retry_ = recovering_ && request == request_;
        request_ = request;
    }
    echo_.reset();
    if (length > 0 && payload[0] != kPollRequest)
        echo_ = payload[0];
    const auto written = port_.WriteBytes(frame.data(), static_cast<uint32_t>(frameLength));
    if (written < frameLength) {
        LogExchange(kErrWriteFailed, 0);
        return kErrWriteFailed;
    }
    return kOk;
}

void StepLink::LogExchange(uint32_t result, uint64_t elapsedMs)
{
    if (!log_)
        return;
    LinkEvent event;
    event.headerType = HeaderType;
    event.request = request_;
    if (result == kOk)
        event.reply.assign(ReplyBuffer.begin(), ReplyBuffer.begin() + ReplyLength);
    event.result = result;
    event.retry = retry_;
    event.elapsedMs = elapsedMs;
    log_(event);
}

// Drops what arrived since the last exchange; after a failed one, first lets the line fall
// quiet, so that a reply still on its way cannot be taken for the next request's.
void StepLink::SettleLine()
{
    if (unsettled_) {
        int quiet = 0;
        int drained = 0;
        while (quiet < kQuietReads && drained < kMaxSettleBytes) {
            if (port_.ByteAvailable()) {
                port_.TakeByte();
                ++drained;
                quiet = 0;
            } else {
                ++quiet;
            }
        }
        unsettled_ = false;
        if (log_ && drained > 0) {
            LinkEvent event;
            event.kind = LinkEvent::Kind::Settled;
            event.dropped = static_cast<std::size_t>(drained);
            log_(event);
        }
    }
    ReceiveByte(0, true);
}

uint32_t StepLink::WaitReply()
{
    const uint64_t start = clock_.NowMs();
    // The port sleeps until the rest of the frame can be there (or the time-out), then the bytes
    // come out of its buffer; an empty read blocks for up to its read time-out. No spinning.
    for (uint64_t elapsed = 0; !ReplyFlag && elapsed < ReplyTimeout; elapsed = clock_.NowMs() - start) {
        if (port_.AwaitBytes(receiver_.BytesToComplete(), static_cast<uint32_t>(ReplyTimeout - elapsed)) &&
            port_.ByteAvailable())
            ReceiveByte(port_.TakeByte());
    }
    if (!ReplyFlag)
        LinkError = kErrTimeout;
    silentExchanges_ = ReplyFlag ? 0 : silentExchanges_ + 1;
    LogExchange(LinkError, clock_.NowMs() - start);
    // After failures, replies to the failed requests may follow the one just taken: the line
    // falls quiet once more before the next request.
    if (LinkError != kOk || recovering_)
        unsettled_ = true;
    recovering_ = LinkError != kOk;
    return LinkError;
}

void StepLink::ReceiveByte(uint8_t b, bool reset)
{
    if (reset) {
        receiver_.Reset();
        port_.PurgePort();
        return;
    }
    const uint8_t expectedEnd = kExpectedReplyEnd[toggle_];
    const auto frame = receiver_.Feed(b, expectedEnd);
    if (!frame)
        return;
    std::array<uint8_t, kMaxReplyPayload> payload{};
    std::size_t length = 0;
    const uint32_t result = DecodeFrame(frame->data(), frame->size(), expectedEnd, HeaderType, payload.data(), length);
    if (result == kOk && echo_ && (length == 0 || payload[0] != *echo_)) {
        // The reply to another request, come late: not this one's.
        ++staleReplies_;
        unsettled_ = true;
        if (log_) {
            LinkEvent event;
            event.kind = LinkEvent::Kind::StaleReply;
            event.reply.assign(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length));
            log_(event);
        }
        return;
    }
    LinkError = result;
    if (result == kOk) {
        ReplyBuffer = payload;
        ReplyLength = static_cast<uint8_t>(length);
    }
    ReplyFlag = true;
}

// The last byte of an answer to the handshake, or `fallback` when none came. The answer is
// awaited for the handshake wait; given a start time, when nothing at all has come by then, until
// ReplyTimeout after it: a terminal served by a busy machine may be late.
uint8_t StepLink::DrainKeepLast(uint8_t fallback, std::optional<uint64_t> lateUntilTimeoutFrom)
{
    clock_.SleepMs(kHandshakeWaitMs);
    // Each empty read waits up to 5 ms; counting them bounds the wait on any clock.
    bool any = port_.ByteAvailable();
    for (uint32_t reads = 0; !any && lateUntilTimeoutFrom && reads < ReplyTimeout / 5 &&
                             clock_.NowMs() - *lateUntilTimeoutFrom < ReplyTimeout;
         ++reads)
        any = port_.ByteAvailable();
    uint8_t last = fallback;
    while (port_.ByteAvailable())
        last = port_.TakeByte();
    return last;
}

uint32_t StepLink::DetectTerminal(uint8_t port)
{
    const uint32_t result = Handshake(port);
    const PortError refusal = result == kOk ? PortError::None : port_.LastError();
    const RefusedPort refused{port, refusal};
    if ((refusal == PortError::AccessDenied || refusal == PortError::NoAccess) &&
        std::find(refused_.begin(), refused_.end(), refused) == refused_.end())
        refused_.push_back(refused);
    // A number without a device is not worth a line: the scan tries up to 255 of them.
    if (log_ && (result == kOk || port_.LastError() != PortError::NotFound)) {
        LinkEvent event;
        event.kind = LinkEvent::Kind::Handshake;
        event.port = port;
        event.result = result;
        event.portError = refusal;
        log_(event);
    }
    return result;
}

uint32_t StepLink::Handshake(uint8_t port)
{
    if (!port_.OpenPort(port, kLinkBaud, kLinkByteSize, kLinkStopBits, kLinkParity))
        return kErrNoTerminal;

    const std::array<uint8_t, 2> hello{0xFF, 0xE8};
    if (port_.WriteBytes(hello.data(), 2) != 2) {
        port_.ClosePort();
        return kErrWriteFailed;
    }
    const uint8_t first = DrainKeepLast(0xFF, std::nullopt);
    if (first != 0xE5 && first != 0x97 && first != 0xAE) {
        port_.ClosePort();
        return kErrNoTerminal;
    }

    // A bare start and end byte: an empty frame outside the codec; the toggle stays.
    const std::array<uint8_t, 2> empty{kFrameStart, 0x9A};
    const uint64_t sent = clock_.NowMs();
    if (port_.WriteBytes(empty.data(), 2) != 2) {
        port_.ClosePort();
        return kErrWriteFailed;
    }
    if (DrainKeepLast(kFrameStart, sent) != 0xAE) {
        port_.ClosePort();
        return kErrNoTerminal;
    }
    ConnectedPort = port;
    return kOk;
}

uint32_t StepLink::Connect(uint8_t configuredPort)
{
    refused_.clear();
    if (configuredPort != 0)
        return DetectTerminal(configuredPort);
    uint32_t result = kErrNoTerminal;
    for (const uint8_t port : port_.PresentPorts()) {
        result = DetectTerminal(port);
        if (result == kOk)
            break;
    }
    return result;
}

uint32_t StepLink::Disconnect()
{
    ConnectedPort = 0;
    return port_.ClosePort() ? 0 : 1;
}

uint32_t StepLink::Transact(uint8_t headerType, std::span<const uint8_t> payload)
{
    HeaderType = headerType;
    LinkError = kOk;
    if (payload.size() > kMaxRequestPayload)
        return kErrPayloadTooLong & 0xFF;
    const uint32_t sent = SendRequest(payload.data(), static_cast<uint8_t>(payload.size()));
    if (sent & 0xFF)
        return sent & 0xFF;
    return WaitReply();
}

}  // namespace kolmaris
