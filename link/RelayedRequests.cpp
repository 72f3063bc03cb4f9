// SPDX-License-Identifier: GPL-3.0-or-later
#include "RelayedRequests.h"

#include <algorithm>
#include <initializer_list>

namespace kolmaris {
namespace {

constexpr uint8_t kRelayMarker = 0x80;
constexpr uint8_t kPollMarker = 0xC0;
constexpr uint8_t kAnswerMarker = 0x85;
constexpr uint8_t kStatusPending = 0x80;
constexpr uint8_t kStatusValid = 0x40;
constexpr uint8_t kStatusLength = 0x3F;
constexpr uint8_t kLengthInvalid = 63;

// IQRF commands without a parameter.
constexpr uint8_t kCmdNodeInfo = 0x60;
constexpr uint8_t kCmdCaption = 0xF0;
constexpr uint8_t kCmdReset = 0x3C;
constexpr uint8_t kCmdBondingMap = 0xB1;
constexpr uint8_t kCmdRssi = 0xC3;

// Element commands.
constexpr uint8_t kElemProbeControl = 0x2E;
constexpr uint8_t kElemProbeTime = 0xC6;
constexpr uint8_t kElemData = 0xD1;
constexpr uint8_t kElemSpectrumPart = 0xB4;
constexpr uint8_t kElemRecord = 0x72;
constexpr uint8_t kElemProbeParameters = 0x65;
constexpr uint8_t kElemWriteProbeParameters = 0x39;
constexpr uint8_t kElemActuatorMode = 0x8D;
constexpr uint8_t kActuatorModeTarget = 0xA0;

constexpr uint8_t kFlagSetClock = 0x08;

uint32_t Relay(StepLink& link, std::initializer_list<uint8_t> body)
{
    return SendRelayed(link, std::span<const uint8_t>(body.begin(), body.size()));
}

uint8_t NetOp(Network net, uint8_t op)
{
    return static_cast<uint8_t>(NetCode[static_cast<uint8_t>(net) & 0x03] ^ op);
}

uint8_t High(uint16_t value)
{
    return static_cast<uint8_t>(value >> 8);
}

uint8_t Low(uint16_t value)
{
    return static_cast<uint8_t>(value);
}

// Pauses, then polls, until the answer is complete. The poll's failure, the answer
// error, or 22 when the answer is still incomplete after kMaxCompositePolls polls.
uint32_t AwaitAnswer(StepLink& link, RelayedAnswer& answer)
{
    for (int poll = 0; poll < kMaxCompositePolls; ++poll) {
        link.GetClock().SleepMs(kPollPauseMs);
        if (const uint32_t error = PollRelayedReply(link, answer))
            return error;
        if (answer.error)
            return answer.error;
        if (answer.complete)
            return kOk;
    }
    return kErrTimeout;
}

// Sends a relayed request and waits for its complete answer.
uint32_t Exchange(StepLink& link, std::initializer_list<uint8_t> body, RelayedAnswer& answer)
{
    if (const uint32_t error = Relay(link, body))
        return error;
    return AwaitAnswer(link, answer);
}

}  // namespace

uint32_t SendRelayed(StepLink& link, std::span<const uint8_t> body)
{
    if (body.size() > kMaxRelayedBody)
        return kErrPayloadTooLong & 0xFF;
    std::array<uint8_t, kMaxRelayedBody + 1> payload{kRelayMarker};
    std::copy(body.begin(), body.end(), payload.begin() + 1);
    return link.Transact(kHeaderRelayed, std::span<const uint8_t>(payload.data(), body.size() + 1));
}

uint32_t PollRelayedReply(StepLink& link, RelayedAnswer& answer)
{
    const std::array<uint8_t, 1> poll{kPollMarker};
    if (const uint32_t error = link.Transact(kHeaderRelayed, poll))
        return error;
    const auto reply = link.Reply().Bytes();
    if (reply.empty())
        return kErrCrcOrLength;
    if (reply[0] != kAnswerMarker) {
        answer.error = reply[0];  // a status of the terminal
        return kOk;
    }
    if (reply.size() < 2)
        return kErrCrcOrLength;

    const uint8_t status = reply[1];
    answer.error = 0;
    if (status & kStatusPending) {
        answer.complete = false;
        return kOk;
    }
    answer.complete = true;
    if (!(status & kStatusValid)) {
        answer.error = kAnswerNotValid;
        return kOk;
    }
    answer.length = status & kStatusLength;
    if (answer.length == 0) {
        answer.error = kAnswerEmpty;
        return kOk;
    }
    if (answer.length == kLengthInvalid) {
        answer.error = kAnswerInvalidLength;
        answer.length = 0;  // no answer data: the length stays within the data buffer
        return kOk;
    }
    if (answer.length > kMaxAnswerData) {
        answer.error = kAnswerTooLong;
        answer.length = kMaxAnswerData;
    }
    // No further than the reply goes; nothing of an earlier answer stays behind.
    const auto carried = reply.subspan(2, std::min<std::size_t>(answer.length, reply.size() - 2));
    const auto end = std::copy(carried.begin(), carried.end(), answer.data.begin());
    std::fill(end, answer.data.end(), 0);
    return kOk;
}

uint32_t RequestNodeInfo(StepLink& link, Network net, uint8_t addr)
{
    return Relay(link, {addr, NetOp(net, OpCode::Plain), kCmdNodeInfo});
}

uint32_t RequestReadCaption(StepLink& link, Network net, uint8_t addr)
{
    return Relay(link, {addr, NetOp(net, OpCode::ReadCaption), kCmdCaption});
}

uint32_t RequestNodeReset(StepLink& link, Network net, uint8_t addr)
{
    return Relay(link, {addr, NetOp(net, OpCode::Reset), kCmdReset});
}

uint32_t RequestBond(StepLink& link, Network net, uint8_t addr, uint8_t newAddress)
{
    return Relay(link, {addr, NetOp(net, OpCode::Bond), newAddress});
}

uint32_t RequestUnbond(StepLink& link, Network net, uint8_t addr, uint8_t bondedAddress)
{
    return Relay(link, {addr, NetOp(net, OpCode::Unbond), bondedAddress});
}

uint32_t RequestBondingMap(StepLink& link, Network net, uint8_t addr)
{
    return Relay(link, {addr, NetOp(net, OpCode::Plain), kCmdBondingMap});
}

uint32_t RequestWriteChannel(StepLink& link, Network net, uint8_t addr, uint8_t channel)
{
    return Relay(link, {addr, NetOp(net, OpCode::WriteParameter), kParamChannel, channel});
}

uint32_t RequestReadChannel(StepLink& link, Network net, uint8_t addr)
{
    return Relay(link, {addr, NetOp(net, OpCode::ReadParameter), kParamChannel});
}

uint32_t RequestStoreChannel(StepLink& link, Network net, uint8_t addr, uint8_t channel)
{
    return Relay(link, {addr, NetOp(net, OpCode::StoreParameter), kParamChannel, channel});
}

uint32_t RequestReadIqrfMode(StepLink& link, Network net, uint8_t addr)
{
    return Relay(link, {addr, NetOp(net, OpCode::ReadParameter), kParamIqrfMode});
}

uint32_t RequestStoreIqrfMode(StepLink& link, Network net, uint8_t addr, uint8_t mode)
{
    return Relay(link, {addr, NetOp(net, OpCode::StoreParameter), kParamIqrfMode, mode});
}

uint32_t RequestWritePower(StepLink& link, Network net, uint8_t addr, uint8_t power)
{
    return Relay(link, {addr, NetOp(net, OpCode::WriteParameter), kParamPower, power});
}

uint32_t RequestReadPower(StepLink& link, Network net, uint8_t addr)
{
    return Relay(link, {addr, NetOp(net, OpCode::ReadParameter), kParamPower});
}

uint32_t RequestStorePower(StepLink& link, Network net, uint8_t addr, uint8_t power)
{
    return Relay(link, {addr, NetOp(net, OpCode::StoreParameter), kParamPower, power});
}

uint32_t RequestRssi(StepLink& link, Network net, uint8_t addr)
{
    return Relay(link, {addr, NetOp(net, OpCode::Plain), kCmdRssi});
}

uint32_t RequestProbeControl(StepLink& link, uint8_t addr, uint8_t flags, uint32_t time)
{
    const uint8_t check = static_cast<uint8_t>(~flags);
    if (flags & kFlagSetClock) {
        return Relay(link,
                     {addr, kElemProbeControl, flags, check, static_cast<uint8_t>(time >> 24),
                      static_cast<uint8_t>(time >> 16), static_cast<uint8_t>(time >> 8), static_cast<uint8_t>(time)});
    }
    return Relay(link, {addr, kElemProbeControl, flags, check, ProbeControlCode[0], ProbeControlCode[1],
                        ProbeControlCode[2], ProbeControlCode[3]});
}

uint32_t RequestProbeTime(StepLink& link, uint8_t addr)
{
    return Relay(link, {addr, kElemProbeTime});
}

uint32_t RequestElementData(StepLink& link, uint8_t addr)
{
    return Relay(link, {addr, kElemData});
}

uint32_t RequestActuatorData(StepLink& link, uint8_t addr)
{
    return RequestElementData(link, addr);
}

uint32_t RequestSpectrumPart(StepLink& link, uint8_t addr, uint16_t pointer, uint8_t part)
{
    const uint8_t first = static_cast<uint8_t>(((pointer >> 8) & 0x01) | (part << 4));
    return Relay(link, {addr, kElemSpectrumPart, first, Low(pointer)});
}

uint32_t RequestRecord(StepLink& link, uint8_t addr, uint16_t record)
{
    return Relay(link, {addr, kElemRecord, High(record), Low(record)});
}

uint32_t RequestProbeParameters(StepLink& link, uint8_t addr)
{
    return Relay(link, {addr, kElemProbeParameters});
}

uint32_t WriteProbeParameters(StepLink& link, uint8_t addr, uint8_t b1, uint8_t b2, uint8_t b3, uint16_t w1,
                              uint16_t w2, uint8_t b4, uint8_t b5)
{
    return Relay(link, {addr, kElemWriteProbeParameters, b1, b2, b3, High(w1), Low(w1), High(w2), Low(w2), b4, b5});
}

uint32_t SetActuatorMode(StepLink& link, uint8_t addr, uint8_t mode)
{
    const uint8_t code = static_cast<uint8_t>(0x30 | (mode & 0x03));
    return Relay(link, {addr, kElemActuatorMode, kActuatorModeTarget, code, static_cast<uint8_t>(~code)});
}

uint32_t ReadCoordinatorRouting(StepLink& link, uint8_t& value)
{
    RelayedAnswer answer;
    if (const uint32_t error =
            Exchange(link, {0x00, NetOp(Network::Local, OpCode::ReadParameter), kParamRouting}, answer))
        return error;
    if (answer.length != 3)
        return kAnswerUnexpectedLength;
    value = answer.data[2];
    return kOk;
}

uint32_t WriteCoordinatorRouting(StepLink& link, uint8_t value)
{
    for (const uint8_t op : {OpCode::WriteParameter, OpCode::StoreParameter}) {
        RelayedAnswer answer;
        if (const uint32_t error = Exchange(link, {0x00, NetOp(Network::Local, op), kParamRouting, value}, answer))
            return error;
        if (answer.length != 2)
            return kAnswerUnexpectedLength;
        if (answer.data[1] != 0)
            return answer.data[1];
    }
    return kOk;
}

uint32_t ReadLocalRssi(StepLink& link, uint8_t& rssi)
{
    RelayedAnswer answer;
    if (const uint32_t error = RequestBondingMap(link, Network::Local, 0))
        return error;
    if (const uint32_t error = AwaitAnswer(link, answer))
        return error;
    rssi = answer.data[0] & 0x7F;
    return kOk;
}

bool IsAddressBonded(std::span<const uint8_t> bitmap, uint8_t address)
{
    if (address < 1 || address > 16)
        return false;
    const std::size_t index = address >> 3;
    return index < bitmap.size() && ((bitmap[index] >> (address & 7)) & 1);
}

bool UnpackBondingMap(std::span<uint8_t> data)
{
    constexpr std::size_t kFirst = 2;
    constexpr std::size_t kAddresses = 16;
    if (data.size() < kFirst + kAddresses)
        return false;
    // Bits 1 to 16 live in bytes 2 to 4, which the loop overwrites.
    const std::array<uint8_t, 3> bitmap{data[kFirst], data[kFirst + 1], data[kFirst + 2]};
    for (std::size_t i = 0; i < kAddresses; ++i) {
        const auto address = static_cast<uint8_t>(i + 1);
        data[kFirst + i] = IsAddressBonded(bitmap, address) ? address : 0;
    }
    return true;
}

}  // namespace kolmaris
