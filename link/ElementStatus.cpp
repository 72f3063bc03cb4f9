// SPDX-License-Identifier: GPL-3.0-or-later
#include "ElementStatus.h"

#include "StepCodec.h"

namespace kolmaris {

uint8_t FunctionCode(uint16_t kind)
{
    return static_cast<uint8_t>(kind & 0x07);
}

uint8_t FailedContacts(uint16_t kind)
{
    return static_cast<uint8_t>((kind >> 6) & 0x03);
}

void NormaliseFlags(uint8_t& flags)
{
    // Raw bits: 0 manual on, 1 automatic, 2 automatic demand, 3 relay actually on.
    const bool relayOn = flags & 0x08;
    const bool demanded = (flags & kFlagAutomatic) ? (flags & kFlagAutoDemand) : (flags & kFlagManualOn);
    flags &= static_cast<uint8_t>(~(kFlagRelayOn | kFlagRelayFailure));
    if (relayOn)
        flags |= kFlagRelayOn;
    if (relayOn != demanded)
        flags |= kFlagRelayFailure;
}

uint8_t RelayModeFromFlags(uint8_t flags)
{
    if (flags & kFlagAutomatic)
        return kRelayAuto;
    return (flags & kFlagManualOn) ? kRelayOn : kRelayOff;
}

uint32_t ExpandRadon(uint16_t raw)
{
    if (raw < 0x8000)
        return raw;
    const uint32_t mantissa = (raw & 0x7FFu) | 0x800u;
    return mantissa << (((raw >> 11) & 0x0F) + 4);
}

uint32_t DecodeElementStatus(std::span<const uint8_t> reply, ElementStatus& status)
{
    if (reply.size() < kElementStatusReplyBytes)
        return kErrCrcOrLength;
    const auto u16 = [&reply](std::size_t at) { return static_cast<uint16_t>((reply[at] << 8) | reply[at + 1]); };

    ElementStatus s;
    s.voltage = static_cast<float>(u16(16)) / 1000.0f;
    s.kind = reply[1];
    s.valueA = u16(2);
    s.valueB = u16(4);
    s.radon = u16(6);
    s.radonLongTerm = u16(12);
    s.largeValues = reply[9] >> 7;
    s.humidity = reply[9] & 0x7F;
    s.flagD = reply[19] >> 7;
    if (s.largeValues) {
        s.radon = ExpandRadon(static_cast<uint16_t>(s.radon));
        s.radonLongTerm = ExpandRadon(static_cast<uint16_t>(s.radonLongTerm));
    }
    s.temperature = static_cast<int8_t>(reply[8]);
    s.valueC = u16(10);
    s.hvCheck = reply[18];
    s.statusFlags = reply[18];
    NormaliseFlags(s.statusFlags);
    status = s;
    return 0;
}

}  // namespace kolmaris
