// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the link does on the line, told to a log sink as it happens: every exchange (request,
// reply or time-out, a repeat of a failed request marked), every detection handshake and the
// bytes dropped while waiting for a quiet line. The sink decides where the lines go.

#include "SerialPort.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kolmaris {

struct LinkEvent {
    enum class Kind {
        Exchange,   // a request and what came of it
        Handshake,  // a detection attempt on one port
        Settled,    // bytes dropped before a request, after a failed exchange
        StaleReply  // a well-formed reply that belongs to another request, dropped
    };
    Kind kind = Kind::Exchange;
    uint8_t headerType = 0;
    std::vector<uint8_t> request;  // payload of the request (Exchange)
    std::vector<uint8_t> reply;    // payload of the reply (Exchange when `result` is 0, StaleReply)
    uint32_t result = 0;           // the link's result code (Exchange, Handshake)
    bool retry = false;            // Exchange: the same request as the failed one before it
    uint64_t elapsedMs = 0;        // Exchange: from the request written to the reply or time-out
    uint8_t port = 0;              // Handshake: the COM number
    PortError portError = PortError::None;  // Handshake: why the port would not open
    std::size_t dropped = 0;       // Settled: bytes dropped
};

using LinkLogSink = std::function<void(const LinkEvent&)>;

// One line without a line end: "request 1 3F -> reply 3F 01 02 (23 ms)",
// "request 1 3F (retry) -> time-out after 200 ms", "handshake COM 97: terminal found".
std::string FormatLinkEvent(const LinkEvent& event);

}  // namespace kolmaris
