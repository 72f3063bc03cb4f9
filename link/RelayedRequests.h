// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Requests the terminal relays over IQRF to its own module or to the elements, the
// polled answers, three blocking composite operations and the bonding-map utilities.

#include "StepLink.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kolmaris {

// Network selector of IQRF network requests.
enum class Network : uint8_t { Local = 0, Mesh = 1, P2p = 2, Spi = 3 };

inline constexpr std::array<uint8_t, 4> NetCode{0xA0, 0x50, 0x90, 0x00};

// Operations, XORed with the network's code.
namespace OpCode {
inline constexpr uint8_t Plain = 0x00;           // node info, bonding map, RSSI
inline constexpr uint8_t ReadParameter = 0xD1;   // RAM
inline constexpr uint8_t WriteParameter = 0x39;  // RAM
inline constexpr uint8_t StoreParameter = 0x4B;  // RAM and EEPROM
inline constexpr uint8_t ReadCaption = 0x72;
inline constexpr uint8_t Bond = 0x65;
inline constexpr uint8_t Unbond = 0xB4;
inline constexpr uint8_t Reset = 0x5C;
}  // namespace OpCode

// Parameters of the read, write and store operations.
inline constexpr uint8_t kParamChannel = 0x88;
inline constexpr uint8_t kParamPower = 0x99;
inline constexpr uint8_t kParamIqrfMode = 0xCC;
inline constexpr uint8_t kParamRouting = 0xBB;

inline constexpr std::size_t kMaxRelayedBody = 18;
inline constexpr std::size_t kMaxAnswerData = 27;

// Answer errors of a polled answer (other values: a status byte of the terminal).
inline constexpr uint8_t kAnswerEmpty = 1;
inline constexpr uint8_t kAnswerInvalidLength = 2;
inline constexpr uint8_t kAnswerNotValid = 3;
inline constexpr uint8_t kAnswerTooLong = 4;
inline constexpr uint8_t kAnswerUnexpectedLength = 5;

// Sent in place of the time by RequestProbeControl when flag bit 3 is clear.
inline constexpr uint8_t kProbeCode0 = 0x4B;
inline constexpr uint8_t kProbeCode1 = 0x6F;
inline constexpr uint8_t kProbeCode2 = 0x6C;
inline constexpr uint8_t kProbeCode3 = 0x6D;
inline constexpr std::array<uint8_t, 4> ProbeControlCode{kProbeCode0, kProbeCode1, kProbeCode2, kProbeCode3};

// Polls a composite operation makes before it gives up with 22 (about 5 s of pauses).
inline constexpr int kMaxCompositePolls = 100;
inline constexpr uint32_t kPollPauseMs = 50;

struct RelayedAnswer {
    bool complete = false;
    uint8_t error = 0;   // answer error
    uint8_t length = 0;  // data length
    std::array<uint8_t, kMaxAnswerData> data{};
};

// Header type 2, payload 0x80 + body (at most 18 bytes). 0, the low byte of a send
// error, or the acknowledgement's link error.
uint32_t SendRelayed(StepLink& link, std::span<const uint8_t> body);

// Fetches the answer to the last relayed request. Returns 0 or a link error (0x2000F for
// a reply too short to hold its marker and status); on a link error nothing is written.
// A terminal status instead of an answer sets only answer.error. Answer data are copied
// only as far as the reply carries them; the rest of answer.data is zeroed.
uint32_t PollRelayedReply(StepLink& link, RelayedAnswer& answer);

// IQRF network requests.
uint32_t RequestNodeInfo(StepLink& link, Network net, uint8_t addr);
uint32_t RequestReadCaption(StepLink& link, Network net, uint8_t addr);
uint32_t RequestNodeReset(StepLink& link, Network net, uint8_t addr);
uint32_t RequestBond(StepLink& link, Network net, uint8_t addr, uint8_t newAddress);
uint32_t RequestUnbond(StepLink& link, Network net, uint8_t addr, uint8_t bondedAddress);
uint32_t RequestBondingMap(StepLink& link, Network net, uint8_t addr);
uint32_t RequestWriteChannel(StepLink& link, Network net, uint8_t addr, uint8_t channel);
uint32_t RequestReadChannel(StepLink& link, Network net, uint8_t addr);
uint32_t RequestStoreChannel(StepLink& link, Network net, uint8_t addr, uint8_t channel);
uint32_t RequestReadIqrfMode(StepLink& link, Network net, uint8_t addr);
uint32_t RequestStoreIqrfMode(StepLink& link, Network net, uint8_t addr, uint8_t mode);
uint32_t RequestWritePower(StepLink& link, Network net, uint8_t addr, uint8_t power);
uint32_t RequestReadPower(StepLink& link, Network net, uint8_t addr);
uint32_t RequestStorePower(StepLink& link, Network net, uint8_t addr, uint8_t power);
uint32_t RequestRssi(StepLink& link, Network net, uint8_t addr);

// Element requests, to a MESH address.
// Flag bit 3 sets the probe's clock to `time`; otherwise ProbeControlCode goes in its place.
uint32_t RequestProbeControl(StepLink& link, uint8_t addr, uint8_t flags, uint32_t time);
uint32_t RequestProbeTime(StepLink& link, uint8_t addr);
uint32_t RequestElementData(StepLink& link, uint8_t addr);
uint32_t RequestActuatorData(StepLink& link, uint8_t addr);
// `pointer` is 9 bits.
uint32_t RequestSpectrumPart(StepLink& link, uint8_t addr, uint16_t pointer, uint8_t part);
uint32_t RequestRecord(StepLink& link, uint8_t addr, uint16_t record);
uint32_t RequestProbeParameters(StepLink& link, uint8_t addr);
uint32_t WriteProbeParameters(StepLink& link, uint8_t addr, uint8_t b1, uint8_t b2, uint8_t b3, uint16_t w1,
                              uint16_t w2, uint8_t b4, uint8_t b5);
uint32_t SetActuatorMode(StepLink& link, uint8_t addr, uint8_t mode);

// Blocking composite operations on the coordinator. Each returns, in this order, a
// transport failure, the answer error, 5 for an answer of the wrong length, the value
// check; 22 when no complete answer came within kMaxCompositePolls polls.
uint32_t ReadCoordinatorRouting(StepLink& link, uint8_t& value);
uint32_t WriteCoordinatorRouting(StepLink& link, uint8_t value);
// The signal strength on the terminal's side, from the coordinator's bonding map.
uint32_t ReadLocalRssi(StepLink& link, uint8_t& rssi);

// `bitmap` starts at data byte 2 of a bonding-map answer (bit k: address k bonded).
// False for addresses outside 1 to 16 and for bits beyond the bitmap.
bool IsAddressBonded(std::span<const uint8_t> bitmap, uint8_t address);

// Rewrites data bytes 2 to 17 of a bonding-map answer: byte 2 + i = i + 1 when address
// i + 1 is bonded, else 0. False, nothing written, for a buffer shorter than 18 bytes.
bool UnpackBondingMap(std::span<uint8_t> data);

}  // namespace kolmaris
