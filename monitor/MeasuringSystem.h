// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's picture of the measuring system: the element table (index = MESH address,
// 0 = the terminal), the bonded addresses, the selector list texts, the acquisition state and
// the alarm text. One instance, shared by every window through the session.

#include "ElementStatus.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kolmaris {

inline constexpr int kTableSlots = 17;       // 0 = terminal, 1..16 = MESH addresses
inline constexpr uint8_t kUnknown = 0xFF;    // P2P address, channel, power, flags not known
inline constexpr uint16_t kElementKindAtStart = 0x80C8;  // function 0, failed contacts 3
inline constexpr uint16_t kTerminalKindAtStart = 8;
inline constexpr float kVoltageAtStart = 1000.0f;
inline constexpr float kMinValidVoltage = 0.001f;       // below: no data
inline constexpr float kTerminalLowVoltage = 3.295f;
inline constexpr float kElementLowVoltage = 3.095f;

struct ElementSlot {
    std::string caption;  // up to 16 characters
    uint8_t p2pAddress = kUnknown;
    uint8_t channel = kUnknown;  // slot 0: the coordinator's channel
    uint8_t power = kUnknown;    // 0..7
    uint8_t iqrfMode = 0;        // slot 0 only
    ElementStatus status;        // kind, values, voltage, normalised status flags
};

class MeasuringSystem {
public:
    MeasuringSystem();

    // Empties the caption; P2P address, channel, power and flags unknown; kind 0x80C8
    // (8 for slot 0); voltage 1000 V. The other fields keep their values.
    void ResetElementSlot(int slot);
    // Forgets what the tool windows learnt over the radio (caption, P2P address, channel, power)
    // of every slot: after a new connection the terminal may be another one.
    void ForgetRadioFacts();

    // Fills BondedList from a bonding-map answer's data unpacked with UnpackBondingMap.
    void SetBondedList(std::span<const uint8_t> unpackedAnswer);
    // A copy in which only the terminal and the addresses of BondedList keep their function:
    // its lists and alarms cover the elements bonded now. The other slots keep their values.
    MeasuringSystem BondedOnly() const;
    // Addresses 1..16 whose function code is `function`, each followed by "\n".
    std::string ListText(uint8_t function) const;

    // Alarm steps; each appends its text (with "\n\n" before it when the text is not empty).
    void AppendOutOfRangeAlarm(std::string& text) const;
    void AppendLowBatteryAlarm(std::string& text) const;
    void AppendRelayFailureAlarm(std::string& text) const;

    std::array<ElementSlot, kTableSlots> ElementTable;
    std::array<uint8_t, kTableSlots> BondedList{};  // ascending, ended by 0
    std::string ProbeListText;
    std::string ActuatorListText;
    bool AcquisitionRunning = false;
    uint32_t QueryPeriod = 0;     // seconds
    uint32_t QueryCountdown = 0;  // seconds
    uint8_t RelayMode = 0;
    bool FanActive = false;
    std::string AlarmText;
    uint16_t FirmwareVersion = 0;  // high byte major, low byte minor
};

}  // namespace kolmaris
