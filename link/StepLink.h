// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link to the terminal: one port, one outstanding request, one set of link globals.
// Every transaction is synchronous: send one frame, wait for the paired reply or the time-out.
// A reply is taken only when it can belong to the request waiting for it: what arrived before
// the request is dropped, the line falls quiet after a failed exchange before the next request
// goes out, and byte 0 of a reply must echo the request's first byte (polls aside).

#include "Clock.h"
#include "LinkLog.h"
#include "PortRefusals.h"
#include "SerialPort.h"
#include "StepCodec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kolmaris {

inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kErrTimeout = 22;
inline constexpr uint32_t kErrNoTerminal = 0x20001;
inline constexpr uint32_t kErrWriteFailed = 0x20007;
inline constexpr uint32_t kErrMemoryAddress = 0x80002;

inline constexpr uint8_t kHeaderMemory = 0;
inline constexpr uint8_t kHeaderCommand = 1;
inline constexpr uint8_t kHeaderRelayed = 2;

inline constexpr uint32_t kDefaultReplyTimeoutMs = 200;
inline constexpr uint32_t kHandshakeWaitMs = 50;
// The poll of a relayed answer: its reply starts with 0x85 or a status, not with an echo.
inline constexpr uint8_t kPollRequest = 0xC0;
// Empty reads in a row (5 ms each on a serial port) that count as a quiet line.
inline constexpr int kQuietReads = 4;
// Bytes a settling line may still deliver before the next request goes out anyway.
inline constexpr int kMaxSettleBytes = 4096;

// Bounds-checked view of a reply payload: reads fail cleanly past the end.
class ReplyReader {
public:
    explicit ReplyReader(std::span<const uint8_t> payload) : payload_(payload) {}
    std::size_t Size() const { return payload_.size(); }
    bool Has(std::size_t count) const { return payload_.size() >= count; }
    std::optional<uint8_t> U8(std::size_t at) const;
    std::optional<uint16_t> U16(std::size_t at) const;  // big-endian
    std::optional<uint32_t> U32(std::size_t at) const;  // big-endian
    std::span<const uint8_t> Bytes() const { return payload_; }

private:
    std::span<const uint8_t> payload_;
};

class StepLink {
public:
    StepLink(SerialPort& port, Clock& clock) : port_(port), clock_(clock) {}

    // Link globals.
    uint8_t ConnectedPort = 0;
    uint32_t ReplyTimeout = kDefaultReplyTimeoutMs;
    uint8_t HeaderType = 0;
    bool ReplyFlag = false;
    uint32_t LinkError = 0;
    std::array<uint8_t, kMaxReplyPayload> ReplyBuffer{};
    uint8_t ReplyLength = 0;

    // Writes 0xFF and the frame. 0, 0x20007 or 0x2000B. A failed 0xFF drops the link.
    uint32_t SendRequest(const uint8_t* payload, uint8_t length);
    // Feeds received bytes to the receiver until a reply is decoded or ReplyTimeout passes.
    // Returns LinkError: 0, 22, 0x2000E or 0x2000F.
    uint32_t WaitReply();
    // Handshake on `port`: 0 (ConnectedPort set), 0x20001 or 0x20007. Each answer is awaited
    // 50 ms; once the first has shown a terminal, the second up to ReplyTimeout when nothing at
    // all has come by then (a port without a terminal still costs only 50 ms).
    uint32_t DetectTerminal(uint8_t port);
    // The configured port, or the present ports of 1..255 in order when it is 0. Returns the
    // last result.
    uint32_t Connect(uint8_t configuredPort);
    // The ports of the last Connect that exist but would not open (busy or without access).
    const std::vector<RefusedPort>& RefusedPorts() const { return refused_; }
    // 0 if the port closed, 1 if it refused; ConnectedPort is 0 either way.
    uint32_t Disconnect();
    // One received byte; `reset` empties the receiver and purges the port instead.
    void ReceiveByte(uint8_t b, bool reset = false);

    // One command transaction: header type, clear LinkError, send, wait.
    // Returns the low byte of a send error, else LinkError.
    uint32_t Transact(uint8_t headerType, std::span<const uint8_t> payload);
    ReplyReader Reply() const { return ReplyReader({ReplyBuffer.data(), ReplyLength}); }

    uint8_t EndToggle() const { return toggle_; }
    // Well-formed replies refused because byte 0 did not echo the request.
    uint64_t StaleReplies() const { return staleReplies_; }
    // Exchanges in a row that ended without any reply frame: the terminal stopped answering.
    int SilentExchanges() const { return silentExchanges_; }
    SerialPort& Port() { return port_; }
    // Every exchange, handshake and dropped reply goes to `sink` (none: nothing is logged).
    void SetLogSink(LinkLogSink sink) { log_ = std::move(sink); }
    Clock& GetClock() { return clock_; }

private:
    uint8_t DrainKeepLast(uint8_t fallback, std::optional<uint64_t> lateUntilTimeoutFrom);
    void SettleLine();
    uint32_t Handshake(uint8_t port);
    void LogExchange(uint32_t result, uint64_t elapsedMs);

    SerialPort& port_;
    Clock& clock_;
    uint8_t toggle_ = 0;
    FrameReceiver receiver_;
    std::optional<uint8_t> echo_;  // byte 0 the awaited reply must carry
    bool unsettled_ = false;       // a late reply may be on its way: settle before the next request
    bool recovering_ = false;      // the last exchange failed
    uint64_t staleReplies_ = 0;
    int silentExchanges_ = 0;
    std::vector<RefusedPort> refused_;
    LinkLogSink log_;
    std::vector<uint8_t> request_;  // payload of the request in flight, kept for the log
    bool retry_ = false;            // it repeats the request that failed before it
};

}  // namespace kolmaris
