// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status of one element as the terminal keeps it, its flag bits and its radon values.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kolmaris {

// Element function codes, in the order of every function selector.
inline constexpr uint8_t kFunctionNone = 0;
inline constexpr uint8_t kFunctionRepeater = 1;
inline constexpr uint8_t kFunctionActuator = 2;
inline constexpr uint8_t kFunctionProbe = 3;

// Failed radio contacts at which an element counts as out of RF range.
inline constexpr uint8_t kOutOfRangeContacts = 3;

// Status flag bits after NormaliseFlags.
inline constexpr uint8_t kFlagManualOn = 0x01;       // manual mode: relay commanded on
inline constexpr uint8_t kFlagAutomatic = 0x02;      // automatic mode
inline constexpr uint8_t kFlagAutoDemand = 0x04;     // automatic mode: relay demanded on
inline constexpr uint8_t kFlagRelayFailure = 0x08;   // actual relay state differs from the demanded one
inline constexpr uint8_t kFlagRelayOn = 0x10;        // relay actually on
inline constexpr uint8_t kFlagNoCharger = 0x20;      // terminal: charger not connected
inline constexpr uint8_t kFlagAdministrator = 0x40;  // terminal
inline constexpr uint8_t kFlagHostRs232 = 0x80;      // terminal: host channel RS232 (clear: USB)

// Relay modes, as sent by SetRelayMode and derived from the flags.
inline constexpr uint8_t kRelayOff = 0;
inline constexpr uint8_t kRelayOn = 1;
inline constexpr uint8_t kRelayAuto = 2;

// A status reply carries at least this many bytes.
inline constexpr std::size_t kElementStatusReplyBytes = 20;

struct ElementStatus {
    uint16_t kind = 0;  // bits 0-2 function code, bits 6-7 failed contacts
    uint32_t valueA = 0;
    uint32_t valueB = 0;
    uint32_t radon = 0;          // short-term, Bq/m3
    uint32_t radonLongTerm = 0;  // Bq/m3
    int32_t temperature = 0;     // degrees Celsius
    uint32_t humidity = 0;       // percent relative humidity
    uint8_t largeValues = 0;     // 1: the radon fields came compressed
    uint32_t valueC = 0;
    uint8_t hvCheck = 0;      // probe high-voltage check, raw
    uint8_t statusFlags = 0;  // normalised
    uint8_t flagD = 0;
    float voltage = 0.0f;  // supply voltage, V
};

uint8_t FunctionCode(uint16_t kind);
uint8_t FailedContacts(uint16_t kind);

// Turns the flags as the terminal sends them into the form every caller uses:
// bit 4 = relay actually on, bit 3 = relay failure; the other bits stay.
void NormaliseFlags(uint8_t& flags);

// kRelayAuto, kRelayOn or kRelayOff.
uint8_t RelayModeFromFlags(uint8_t flags);

// A radon value in the compressed 16-bit form.
uint32_t ExpandRadon(uint16_t raw);

// Decodes a status reply (byte 0 first). 0, or 0x2000F for a reply shorter than
// 20 bytes; `status` is written only on success.
uint32_t DecodeElementStatus(std::span<const uint8_t> reply, ElementStatus& status);

}  // namespace kolmaris
