// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkLog.h"

#include "PortRefusals.h"
#include "Printf.h"
#include "StepLink.h"

namespace kolmaris {

namespace {

std::string Hex(const std::vector<uint8_t>& bytes)
{
    std::string text;
    for (const uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += Printf("%02X", b);
    }
    return text.empty() ? "(empty)" : text;
}

std::string Outcome(const LinkEvent& e)
{
    switch (e.result) {
        case kOk:
            return "reply " + Hex(e.reply) + Printf(" (%llu ms)", static_cast<unsigned long long>(e.elapsedMs));
        case kErrTimeout:
            return Printf("time-out after %llu ms", static_cast<unsigned long long>(e.elapsedMs));
        case kErrHeaderType:
            return "reply of another header type";
        case kErrCrcOrLength:
            return "reply with a wrong CRC or length";
        case kErrWriteFailed:
            return "write failed";
        default:
            return Printf("error 0x%X", e.result);
    }
}

}  // namespace

std::string FormatLinkEvent(const LinkEvent& e)
{
    switch (e.kind) {
        case LinkEvent::Kind::Exchange:
            return Printf("request %d ", int(e.headerType)) + Hex(e.request) + (e.retry ? " (retry)" : "") + " -> " +
                   Outcome(e);
        case LinkEvent::Kind::Handshake: {
            const std::string port = Printf("handshake COM %d: ", int(e.port));
            if (e.result == kOk)
                return port + "terminal found";
            if (e.portError == PortError::AccessDenied || e.portError == PortError::NoAccess)
                return port + RefusalText(e.portError);
            if (e.portError != PortError::None)
                return port + "does not open";
            return port + (e.result == kErrWriteFailed ? "write failed" : "no terminal answers");
        }
        case LinkEvent::Kind::Settled:
            return Printf("%zu late bytes dropped before the next request", e.dropped);
        case LinkEvent::Kind::StaleReply:
            return "reply " + Hex(e.reply) + " dropped: it answers another request";
    }
    return {};
}

}  // namespace kolmaris
