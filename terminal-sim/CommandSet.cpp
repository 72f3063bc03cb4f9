// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandSet.h"

#include <algorithm>

namespace kolmaris::sim {
namespace {

constexpr uint8_t kHeaderMemory = 0;
constexpr uint8_t kHeaderCommand = 1;
constexpr uint8_t kHeaderRelayed = 2;

constexpr uint8_t kMemoryRead = 0xE0;
constexpr uint8_t kRelayMarker = 0x80;
constexpr uint8_t kPollMarker = 0xC0;

constexpr uint8_t kStartMeasurement = 0xB8;
constexpr uint8_t kReadVoltage = 0x38;
constexpr uint8_t kReadEnvironment = 0x39;
constexpr uint8_t kReadVersion = 0x3F;
constexpr uint8_t kReadTime = 0x3A;
constexpr uint8_t kSetTime = 0xBA;
constexpr uint8_t kSetRelayMode = 0xBB;
constexpr uint8_t kReadFlags = 0x3B;
constexpr uint8_t kWriteSettings = 0xBC;
constexpr uint8_t kReadState = 0x3C;
constexpr uint8_t kReadPointer = 0x3E;
constexpr uint8_t kReadStatus = 0x3D;
constexpr uint8_t kSetAcquisition = 0xBE;
constexpr uint8_t kSetFunction = 0xBD;

constexpr uint8_t kNoPointer = 0x80;

// Identification that precedes the firmware version in the version reply.
constexpr uint8_t kIdent[5] = {'K', 'R', 'T', 0x01, 0x00};

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

Frame Refusal(uint8_t opcode)
{
    return {kRefusalHeaderType, {opcode, 0xFF}};
}

Frame Reply(uint8_t headerType, std::vector<uint8_t> payload)
{
    return {headerType, std::move(payload)};
}

std::optional<Frame> MemoryRead(TerminalCore& core, const std::vector<uint8_t>& p)
{
    if (p.size() != 3 || (p[0] & 0xE0) != kMemoryRead)
        return Refusal(p.empty() ? 0 : p[0]);
    const uint32_t address = ((p[0] & 0x10) ? 0x10000u : 0u) | uint32_t{p[1]} << 8 | p[2];
    const uint32_t count = (p[0] & 0x0F) + 1u;
    std::vector<uint8_t> out{p[0]};
    for (uint32_t i = 0; i < count; ++i)
        out.push_back(core.MemoryByte(address + i));
    return Reply(kHeaderMemory, std::move(out));
}

// Every command of type 1, with `p[0]` the opcode. Nothing: refused.
std::optional<std::vector<uint8_t>> Command(TerminalCore& core, const std::vector<uint8_t>& p)
{
    const uint8_t op = p[0];
    const std::size_t n = p.size();
    std::vector<uint8_t> out{op};
    switch (op) {
    case kStartMeasurement:
        if (n < 2 || !core.StartMeasurement(p[1]))
            return std::nullopt;
        return out;
    case kReadVoltage:
        PutU16(out, core.VoltageCentivolts());
        return out;
    case kReadEnvironment: {
        const MeteoValues& m = core.EnvironmentLatch();
        PutU16(out, m.pressure);
        PutU16(out, m.temperature);
        PutU16(out, m.humidity);
        return out;
    }
    case kReadVersion:
        out.insert(out.end(), std::begin(kIdent), std::end(kIdent));
        PutU16(out, core.FirmwareVersion());
        return out;
    case kReadTime: {
        const TerminalTime t = core.Now();
        PutU16(out, static_cast<uint16_t>(t >> 16));
        PutU16(out, static_cast<uint16_t>(t));
        return out;
    }
    case kSetTime:
        if (n < 5)
            return std::nullopt;
        core.SetTime(uint32_t{p[1]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 8 | p[4]);
        return out;
    case kSetRelayMode:
        if (n < 2 || !core.SetRelayMode(p[1]))
            return std::nullopt;
        return out;
    case kReadFlags:
        out.push_back(core.RawFlags());
        return out;
    case kWriteSettings:
        if (n < 4 || !core.WriteAcquisitionSettings(static_cast<uint16_t>(p[1] << 8 | p[2]), p[3]))
            return std::nullopt;
        return out;
    case kReadState:
        out.push_back(core.StateFlags());
        PutU16(out, core.QueryPeriod());
        PutU16(out, core.Countdown());
        PutU16(out, core.QueriesDone());
        out.push_back(core.BatteryCycles());
        return out;
    case kReadPointer: {
        const auto pointer = core.MemoryPointer();
        if (!pointer) {
            out.insert(out.end(), {kNoPointer, 0xFF, 0xFF});
            return out;
        }
        out.push_back(static_cast<uint8_t>((*pointer >> 16) & 0x01));
        PutU16(out, static_cast<uint16_t>(*pointer));
        return out;
    }
    case kReadStatus: {
        if (n < 2 || p[1] > 15)
            return std::nullopt;
        const auto status = core.StatusReply(p[1]);
        return std::vector<uint8_t>(status.begin(), status.end());
    }
    case kSetAcquisition:
        if (n < 2 || !core.SetAcquisition(p[1]))
            return std::nullopt;
        return out;
    case kSetFunction:
        if (n < 2 || !core.SetFunction(p[1] & 0x0F, p[1] >> 4))
            return std::nullopt;
        return out;
    default:
        return std::nullopt;
    }
}

std::optional<Frame> Relayed(TerminalCore& core, const std::vector<uint8_t>& p)
{
    if (p[0] == kPollMarker && p.size() == 1)
        return Reply(kHeaderRelayed, core.Poll());
    if (p[0] == kRelayMarker && p.size() >= 3) {
        core.Relay(std::span<const uint8_t>(p).subspan(1));
        return Reply(kHeaderRelayed, {kRelayMarker, static_cast<uint8_t>(p.size() - 1)});
    }
    return Refusal(p[0]);
}

}  // namespace

std::optional<Frame> AnswerRequest(TerminalCore& core, const Frame& request,
                                   const std::vector<uint8_t>& refusedOpcodes)
{
    const auto& p = request.payload;
    if (p.empty())
        return std::nullopt;
    switch (request.headerType) {
    case kHeaderMemory:
        return MemoryRead(core, p);
    case kHeaderCommand: {
        if (std::find(refusedOpcodes.begin(), refusedOpcodes.end(), p[0]) != refusedOpcodes.end())
            return Refusal(p[0]);
        auto reply = Command(core, p);
        if (!reply)
            return Refusal(p[0]);
        return Reply(kHeaderCommand, std::move(*reply));
    }
    case kHeaderRelayed:
        return Relayed(core, p);
    default:
        return std::nullopt;
    }
}

}  // namespace kolmaris::sim
