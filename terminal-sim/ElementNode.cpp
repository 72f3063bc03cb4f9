// SPDX-License-Identifier: GPL-3.0-or-later
#include "ElementNode.h"

#include "CountEncoding.h"
#include "SimRandom.h"

#include <algorithm>
#include <cmath>

namespace kolmaris::sim {
namespace {

// A scenario may give an element a power level above 7: a module that reports a level out of range.
constexpr int kHighestReportedPower = 15;
constexpr uint8_t kCmdProbeControl = 0x2E;
constexpr uint8_t kCmdProbeTime = 0xC6;
constexpr uint8_t kCmdData = 0xD1;
constexpr uint8_t kCmdSpectrumPart = 0xB4;
constexpr uint8_t kCmdRecord = 0x72;
constexpr uint8_t kCmdParameters = 0x65;
constexpr uint8_t kCmdWriteParameters = 0x39;
constexpr uint8_t kCmdActuatorMode = 0x8D;
constexpr uint8_t kActuatorModeTarget = 0xA0;
constexpr uint8_t kOsVersion = 0x43;
constexpr int kSpectrumParts = 6;
constexpr uint8_t kMaxDiscrimination = 95;

// The probe firmware's confirmation code for control commands without a clock.
constexpr uint8_t kControlCode[4] = {0x4B, 0x6F, 0x6C, 0x6D};

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, static_cast<uint16_t>(v >> 16));
    PutU16(out, static_cast<uint16_t>(v));
}

std::vector<uint8_t> Status(uint8_t rssi, uint8_t code)
{
    return {rssi, code};
}

uint16_t RadonField(uint32_t v)
{
    return v >= 0x8000 ? EncodeCount(v) : static_cast<uint16_t>(v);
}

}  // namespace

ElementNode::ElementNode(const ElementSetup& setup, const TerminalSetup& terminal, int index, uint64_t seed)
    : type(setup.type),
      p2p(static_cast<uint8_t>((setup.p2pAddress ? setup.p2pAddress : 0x20 + index) & 0x7F)),
      caption(setup.caption.substr(0, 16)),
      inRange(setup.inRange),
      rssi(std::min<uint8_t>(setup.rssi, 127)),
      meshAddress(setup.meshAddress <= 16 ? setup.meshAddress : 0),
      foreignMesh(meshAddress ? 0 : setup.foreignMeshAddress),
      voltage(setup.voltage),
      moduleId(static_cast<uint32_t>(Mix(seed ^ (0x4D4F44ull + static_cast<uint64_t>(index))))),
      relayMode(static_cast<uint8_t>(std::min<int>(setup.actuator.mode, 2))),
      relayFailure(setup.actuator.relayFailure),
      seed_(seed),
      index_(index)
{
    ram.channel = setup.channel.value_or(terminal.channel);
    ram.power = static_cast<uint8_t>(std::min<int>(setup.power, kHighestReportedPower));
    ram.mode = setup.iqrfMode.value_or(terminal.iqrfMode) & 3;
    eeprom = ram;
    if (type == ElementType::Probe)
        probe.emplace(setup.probe, seed, static_cast<uint64_t>(index) + 1);
    if (caption.empty()) {
        static const char* const names[] = {"", "Repeater", "Actuator", "Radon probe"};
        caption = names[static_cast<int>(type) & 3];
        if (meshAddress)
            caption += " " + std::to_string(meshAddress);
    }
}

void ElementNode::Reset()
{
    ram = eeprom;
    bondRequested = false;
}

void ElementNode::SetAutoDemand(bool on)
{
    const bool before = RelayOn();
    autoDemand = on;
    if (RelayOn() != before)
        ++switchCount;
}

uint8_t ElementNode::RawRelayFlags() const
{
    if (type != ElementType::Actuator)
        return 0;
    uint8_t f = 0;
    if (relayMode == 1)
        f |= 0x01;
    if (relayMode == 2)
        f |= 0x02;
    if (relayMode == 2 && autoDemand)
        f |= 0x04;
    if (RelayOn())
        f |= 0x08;
    return f;
}

uint16_t ElementNode::VoltageMillivolts(TerminalTime t) const
{
    const double v = voltage + 0.004 * Noise(seed_, 0x5600u + static_cast<uint64_t>(index_), t / 600);
    return static_cast<uint16_t>(std::clamp(std::lround(v * 1000.0), 0L, 65535L));
}

std::vector<uint8_t> ElementNode::NodeInfo(uint8_t answerRssi) const
{
    std::vector<uint8_t> out{answerRssi, p2p};
    PutU32(out, moduleId);
    out.push_back(kOsVersion);
    out.push_back(static_cast<uint8_t>(type));
    out.push_back(Bonded() ? 0x01 : 0x00);
    out.push_back(meshAddress ? meshAddress : foreignMesh);
    out.push_back(ram.channel);
    out.push_back(static_cast<uint8_t>(ram.power << 4 | ram.mode));
    return out;
}

std::vector<uint8_t> ElementNode::ElementData(uint8_t answerRssi, TerminalTime terminalTime) const
{
    std::vector<uint8_t> out{answerRssi, static_cast<uint8_t>(type)};
    uint16_t recordPointer = 0;
    uint16_t spectrumPointer = 0;
    if (probe) {
        PutU16(out, RadonField(probe->Radon()));
        PutU16(out, RadonField(probe->RadonLongTerm()));
        out.push_back(static_cast<uint8_t>(probe->Temperature()));
        const bool large = std::max(probe->Radon(), probe->RadonLongTerm()) >= 0x8000;
        out.push_back(static_cast<uint8_t>((large ? 0x80 : 0) | probe->Humidity()));
        PutU16(out, probe->Sum1());
        PutU16(out, static_cast<uint16_t>(probe->TotalCounts()));
        out.push_back(probe->HvCheck());
        recordPointer = probe->RecordPointer();
        spectrumPointer = probe->SpectrumPointer();
    } else {
        PutU16(out, type == ElementType::Actuator ? switchCount : 0);
        out.resize(13, 0);
    }
    out.push_back(static_cast<uint8_t>(recordPointer));      // 13
    out.push_back(static_cast<uint8_t>(spectrumPointer));    // 14
    PutU16(out, VoltageMillivolts(terminalTime));            // 15-16
    out.push_back(RawRelayFlags());                          // 17
    out.push_back(static_cast<uint8_t>(((recordPointer >> 8) & 0x1F) | (((spectrumPointer >> 8) & 0x03) << 5)));
    return out;
}

std::vector<uint8_t> ElementNode::Answer(std::span<const uint8_t> c, const AnswerContext& at)
{
    const uint8_t r = at.rssi;
    if (c.empty())
        return Status(r, kBadStructure);
    const uint8_t command = c[0];
    if (command == kCmdData)
        return ElementData(r, at.terminalTime);

    if (command == kCmdActuatorMode) {
        if (type != ElementType::Actuator)
            return Status(r, kBadCommandInMode);
        if (c.size() < 4 || c[1] != kActuatorModeTarget || (c[2] ^ c[3]) != 0xFF || (c[2] & 0xF0) != 0x30 ||
            (c[2] & 0x03) > 2)
            return Status(r, kBadStructure);
        const bool before = RelayOn();
        relayMode = c[2] & 0x03;
        if (RelayOn() != before)
            ++switchCount;
        return {r, kAnswerOk, c[2], RawRelayFlags()};
    }

    const bool probeCommand = command == kCmdProbeControl || command == kCmdProbeTime ||
                              command == kCmdSpectrumPart || command == kCmdRecord || command == kCmdParameters ||
                              command == kCmdWriteParameters;
    if (!probeCommand)
        return Status(r, kBadStructure);
    if (!probe)
        return Status(r, kBadCommandInMode);

    switch (command) {
    case kCmdProbeControl: {
        if (c.size() < 7 || (c[1] ^ c[2]) != 0xFF)
            return Status(r, kBadStructure);
        const uint8_t flags = c[1];
        const uint32_t time = uint32_t{c[3]} << 24 | uint32_t{c[4]} << 16 | uint32_t{c[5]} << 8 | c[6];
        if (!(flags & 0x08) && !std::equal(c.begin() + 3, c.begin() + 7, kControlCode))
            return Status(r, kBadStructure);
        probe->Control(flags, at.terminalTime, time, at.uptime);
        return Status(r, kAnswerOk);
    }
    case kCmdProbeTime: {
        std::vector<uint8_t> out{r};
        PutU32(out, probe->ProbeTime(at.terminalTime));
        if (probe->ReportsTotalCounts())
            PutU32(out, probe->TotalCounts());
        return out;
    }
    case kCmdSpectrumPart: {
        if (c.size() < 3)
            return Status(r, kBadStructure);
        const int pointer = ((c[1] & 0x01) << 8) | c[2];
        const int part = c[1] >> 4;
        if (part >= kSpectrumParts)
            return Status(r, kBadStructure);
        const Channels channels = probe->SpectrumAt(pointer).value_or(Channels{});
        std::vector<uint8_t> out;
        out.reserve(17);
        out.push_back(r);
        out.insert(out.end(), channels.begin() + part * 16, channels.begin() + part * 16 + 16);
        return out;
    }
    case kCmdRecord: {
        if (c.size() < 3)
            return Status(r, kBadStructure);
        const int number = (c[1] << 8) | c[2];
        if (number >= kRecordRing)
            return Status(r, kBadStructure);
        RecordBody body;
        body.fill(0xFF);  // a position never written reads as erased
        if (const auto held = probe->RecordAt(number))
            body = *held;
        std::vector<uint8_t> out;
        out.reserve(1 + body.size());
        out.push_back(r);
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
    case kCmdParameters: {
        const ProbeParameters& p = probe->Parameters();
        std::vector<uint8_t> out{r, p.discrimination1, p.discrimination2, p.discrimination3};
        PutU16(out, p.calibration);
        PutU16(out, p.limit);
        out.push_back(p.gain);
        out.push_back(p.recordMinutes);
        return out;
    }
    case kCmdWriteParameters: {
        if (c.size() < 10)
            return Status(r, kBadStructure);
        ProbeParameters p;
        p.discrimination1 = c[1];
        p.discrimination2 = c[2];
        p.discrimination3 = c[3];
        p.calibration = static_cast<uint16_t>(c[4] << 8 | c[5]);
        p.limit = static_cast<uint16_t>(c[6] << 8 | c[7]);
        p.gain = c[8];
        p.recordMinutes = c[9];
        if (std::max({p.discrimination1, p.discrimination2, p.discrimination3}) > kMaxDiscrimination ||
            p.recordMinutes == 0)
            return Status(r, kBadStructure);
        probe->SetParameters(p, at.uptime);
        return Status(r, kAnswerOk);
    }
    default:
        return Status(r, kBadStructure);
    }
}

}  // namespace kolmaris::sim
