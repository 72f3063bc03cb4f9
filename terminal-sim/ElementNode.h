// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One IQRF node of the MESH: its radio parameters (running values and the EEPROM copy
// that a reset brings back), its P2P address, caption and bond, and what it is built as:
// a radon probe, an actuator or a repeater. It answers the element commands relayed to it.

#include "ProbeModel.h"
#include "Scenario.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kolmaris::sim {

// Status codes an element or the coordinator puts in answer byte 1.
inline constexpr uint8_t kAnswerOk = 0x00;
inline constexpr uint8_t kBadAddress = 0xF1;
inline constexpr uint8_t kBadCommandInMode = 0xF3;
inline constexpr uint8_t kBadStructure = 0xF4;
inline constexpr uint8_t kRelayFailureCode = 0xFA;
inline constexpr uint8_t kStateOk = 0xF8;
inline constexpr uint8_t kBusy = 0xFE;
inline constexpr uint8_t kNoAnswer = 0xFF;

struct RadioParameters {
    uint8_t channel = 0;
    uint8_t power = 7;
    uint8_t mode = 0;
};

// What the element needs to know about the moment it answers.
struct AnswerContext {
    uint8_t rssi = 0;                // signal strength the element received the request with
    uint64_t uptime = 0;             // seconds
    TerminalTime terminalTime = 0;
};

class ElementNode {
public:
    ElementNode(const ElementSetup& setup, const TerminalSetup& terminal, int index, uint64_t seed);

    ElementType type;
    uint8_t p2p;
    std::string caption;
    RadioParameters ram;
    RadioParameters eeprom;
    bool inRange;
    uint8_t rssi;
    uint8_t meshAddress;      // bond to this terminal; 0: none
    uint8_t foreignMesh;      // bond to another MESH; 0: none
    bool bondRequested = false;
    double voltage;
    uint32_t moduleId;
    std::optional<ProbeModel> probe;

    // Actuator relay.
    uint8_t relayMode = 0;       // 0 Off, 1 On, 2 Auto
    bool relayFailure = false;   // the contact stays open
    bool autoDemand = false;     // set by the terminal in Auto
    uint16_t switchCount = 0;
    void SetAutoDemand(bool on);
    bool RelayDemanded() const { return relayMode == 1 || (relayMode == 2 && autoDemand); }
    bool RelayOn() const { return RelayDemanded() && !relayFailure; }
    uint8_t RawRelayFlags() const;

    bool Bonded() const { return meshAddress != 0 || foreignMesh != 0; }
    // The running radio parameters return to the stored ones; a bond request is forgotten.
    void Reset();

    // Answer data to an element command (body from the command byte on).
    std::vector<uint8_t> Answer(std::span<const uint8_t> command, const AnswerContext& at);
    // The 19-byte current-data answer.
    std::vector<uint8_t> ElementData(uint8_t answerRssi, TerminalTime terminalTime) const;
    // The 12-byte node-info answer.
    std::vector<uint8_t> NodeInfo(uint8_t answerRssi) const;
    uint16_t VoltageMillivolts(TerminalTime t) const;

private:
    uint64_t seed_;
    int index_;
};

}  // namespace kolmaris::sim
