// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalCore.h"

#include "CountEncoding.h"

#include <algorithm>
#include <cmath>

namespace kolmaris::sim {
namespace {

constexpr uint8_t kStop = 0x00;
constexpr uint8_t kRecordingOn = 0x2C;
constexpr uint8_t kRecordingOff = 0x2D;
constexpr uint8_t kClearHistory = 0x5A;
constexpr uint8_t kSleepOff = 0x86;
constexpr uint8_t kSleepOn = 0x87;
constexpr uint8_t kContinue = 0xB4;
constexpr uint8_t kStartNew = 0xB5;

constexpr uint8_t kEventAlarmOff = 12;
constexpr uint8_t kEventAlarmOn = 13;
constexpr uint8_t kEventStop = 14;
constexpr uint8_t kRelayTestsFailed = 7;

constexpr uint8_t kRestartMeasurement = 0x04;
constexpr uint16_t kShortestPeriod = 240;
constexpr uint16_t kLongestPeriod = 32400;
constexpr uint64_t kEraseMs = 2000;
constexpr uint64_t kQueryFlagMs = 2000;
constexpr uint64_t kDay = 86400;

uint8_t FunctionOf(const ElementNode& node, const ElementSetup& setup)
{
    return std::min<uint8_t>(setup.function.value_or(static_cast<uint8_t>(node.type)), 7);
}

void PutU16(std::array<uint8_t, kStatusReplyBytes>& out, std::size_t at, uint16_t v)
{
    out[at] = static_cast<uint8_t>(v >> 8);
    out[at + 1] = static_cast<uint8_t>(v);
}

}  // namespace

TerminalCore::TerminalCore(const Scenario& scenario)
    : scenario_(scenario),
      environment_(scenario.terminal, scenario.seed),
      recorder_(memory_, [this](TerminalTime t) { return environment_.Reading(t); }),
      nodes_([&] {
          std::vector<ElementNode> nodes;
          std::array<bool, kMeshAddresses + 1> taken{};
          for (std::size_t i = 0; i < scenario.elements.size(); ++i) {
              ElementSetup setup = scenario.elements[i];
              if (setup.meshAddress > kMeshAddresses || taken[setup.meshAddress])
                  setup.meshAddress = 0;  // one element per address
              taken[setup.meshAddress] = setup.meshAddress != 0;
              nodes.emplace_back(setup, scenario.terminal, static_cast<int>(i), scenario.seed);
          }
          return nodes;
      }()),
      collected_(nodes_.size(), 0),
      mesh_(scenario.terminal, nodes_, scenario.seed),
      faults_(scenario.faults.answerFaults),
      period_(std::max<uint16_t>(scenario.terminal.queryPeriod, 1)),
      cycles_(std::clamp<uint16_t>(scenario.terminal.batteryCycles, 1, 256)),
      relayMode_(std::min<uint8_t>(scenario.terminal.relayMode, 2)),
      relayFailure_(scenario.terminal.relayFailure),
      relayLevel_(scenario.terminal.relayRadonLevel)
{
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        const uint8_t a = nodes_[i].meshAddress;
        if (a >= 1)
            status_[a - 1].function = FunctionOf(nodes_[i], scenario.elements[i]);
    }
    Prefill(scenario);
}

void TerminalCore::Prefill(const Scenario& scenario)
{
    double days = std::max(0.0, scenario.memory.days);
    if (scenario.memory.wrapped) {
        // Bytes a day: meteo records, probe records with their share of a spectrum, a few events.
        double perDay = 14.0 * kDay / period_ + 60.0;
        for (const ElementNode& n : nodes_)
            if (n.probe && n.meshAddress && status_[n.meshAddress - 1].function == 3)
                perDay += (20.0 + 99.0 / kRecordsPerSpectrum) * 1440.0 / std::max<uint8_t>(n.probe->Parameters().recordMinutes, 1);
        days = std::max(days, 1.3 * kRingBytes / perDay);
    }
    const auto prefill = static_cast<uint64_t>(days * kDay);
    timeBase_ = static_cast<int64_t>(scenario.terminal.startTime) - static_cast<int64_t>(prefill);

    if (prefill > 0) {
        StartAcquisition(true);
        Advance(prefill * 1000);
    }
    sleep_ = scenario.terminal.sleep;
    if (scenario.terminal.acquisitionRunning)
        StartAcquisition(false);
    else
        StopAcquisition();
    recorder_.SetRecording(scenario.terminal.recordingOn);
    if (!hadQuery_)
        Query(false);

    const TerminalTime oldest = TimeAt(0);
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].probe) {
            const ProbeSetup& p = scenario.elements[i].probe;
            nodes_[i].probe->ShapeRings(p.recordsPrefill, p.spectraPrefill, oldest);
        }
    }
}

TerminalTime TerminalCore::TimeAt(uint64_t uptime) const
{
    const int64_t t = timeBase_ + static_cast<int64_t>(uptime);
    return static_cast<TerminalTime>(std::clamp<int64_t>(t, 0, 0xFFFFFFFFll));
}

void TerminalCore::SetTime(TerminalTime time)
{
    timeBase_ = static_cast<int64_t>(time) - static_cast<int64_t>(UptimeSeconds());
}

void TerminalCore::RunProbes(uint64_t uptime)
{
    for (ElementNode& n : nodes_)
        if (n.probe)
            n.probe->RunUntil(uptime, [this](uint64_t u) { return TimeAt(u); });
}

void TerminalCore::Advance(uint64_t terminalMs)
{
    const uint64_t target = uptimeMs_ + terminalMs;
    while (running_ && nextQuery_ * 1000 <= target) {
        RunProbes(nextQuery_);
        uptimeMs_ = std::max(uptimeMs_, nextQuery_ * 1000);
        Query(true);
        nextQuery_ += period_;
    }
    uptimeMs_ = target;
    RunProbes(UptimeSeconds());
}

void TerminalCore::Contact(uint8_t address, SlotStatus& s, ElementNode& node, bool record, bool voltageDue)
{
    const TerminalTime t = Now();
    if (s.failures >= kOutOfRange && s.contacted && record)
        recorder_.ElementEvent(t, address, kStateOk);
    s.failures = 0;
    s.contacted = true;
    s.rssi = mesh_.CoordinatorRssi(node);
    s.onBattery = node.type != ElementType::Actuator;

    const bool probeSlot = s.function == 3;
    const bool actuatorSlot = s.function == 2;
    const bool mismatch = (probeSlot && node.type != ElementType::Probe) ||
                          (actuatorSlot && node.type != ElementType::Actuator);
    if (mismatch) {
        if (!s.functionMismatchSeen && record)
            recorder_.ElementEvent(t, address, kBadCommandInMode);
        s.functionMismatchSeen = true;
        s.valueA = s.valueB = s.valueC = 0;
        s.radon = s.radonLongTerm = 0;
        s.temperature = 0;
        s.humidity = 0;
        s.byte18 = 0;
    } else if (probeSlot) {
        s.functionMismatchSeen = false;
        ProbeModel& p = *node.probe;
        if (record) {
            const auto index = static_cast<std::size_t>(&node - nodes_.data());
            for (const ClosedRecord& r : p.RecordsAfter(collected_[index])) {
                std::array<uint8_t, kRadonBytes> bytes{static_cast<uint8_t>(address - 1)};
                std::copy(r.body.begin(), r.body.end(), bytes.begin() + 1);
                std::optional<std::array<uint8_t, kSpectrumBytes>> spectrum;
                if (r.spectrum) {
                    spectrum.emplace();
                    (*spectrum)[0] = static_cast<uint8_t>(address - 1);
                    std::copy(r.spectrum->begin(), r.spectrum->end(), spectrum->begin() + 1);
                }
                recorder_.ProbeRecord(bytes, spectrum);
            }
            collected_[index] = p.LastSerial();
        }
        s.valueA = p.RecordPointer();
        s.valueB = p.SpectrumPointer();
        s.valueC = p.Sum1();
        s.radon = p.Radon();
        s.radonLongTerm = p.RadonLongTerm();
        s.temperature = p.Temperature();
        s.humidity = p.Humidity();
        s.byte18 = p.HvCheck();
    } else if (actuatorSlot) {
        s.functionMismatchSeen = false;
        node.SetAutoDemand(alarm_);
        const bool failing = node.RelayDemanded() && !node.RelayOn();
        if (failing && !s.relayFailureSeen && record)
            recorder_.ElementEvent(t, address, kRelayFailureCode);
        s.relayFailureSeen = failing;
        s.valueA = node.switchCount;
        s.byte18 = node.RawRelayFlags();
    }
    if (probeSlot || voltageDue || s.millivolts == 0)
        s.millivolts = node.VoltageMillivolts(t);
}

void TerminalCore::Query(bool record)
{
    const TerminalTime t = Now();
    hadQuery_ = true;
    if (record) {
        ++queries_;
        lastQueryMs_ = uptimeMs_;
    }
    environmentLatch_ = environment_.Reading(t);
    voltageLatch_ = environmentLatch_.voltage;
    if (record)
        recorder_.Meteo(t, environmentLatch_);

    const bool voltageDue = cycles_ <= 1 || queries_ % cycles_ == 1 || !record;
    contactFailed_ = false;
    uint32_t highest = 0;
    // Probes and repeaters first, so that the relays follow this query's radon values.
    for (const bool actuators : {false, true}) {
        if (actuators) {
            const bool alarm = highest > relayLevel_;
            if (record && alarm != alarm_)
                recorder_.TerminalEvent(t, alarm ? kEventAlarmOn : kEventAlarmOff);
            alarm_ = alarm;
            relayDemandAuto_ = alarm;
        }
        for (uint8_t a = 1; a <= kMeshAddresses; ++a) {
            SlotStatus& s = status_[a - 1];
            if (!mesh_.IsBonded(a) || s.function == 0 || (s.function == 2) != actuators)
                continue;
            ElementNode* node = mesh_.Member(a);
            if (node && mesh_.Reachable(*node)) {
                Contact(a, s, *node, record, voltageDue);
                if (s.function == 3 && node->probe)
                    highest = std::max(highest, s.radon);
            } else {
                contactFailed_ = true;
                if (s.failures < kOutOfRange && ++s.failures == kOutOfRange && record)
                    recorder_.ElementEvent(t, a, kNoAnswer);
            }
        }
    }
}

void TerminalCore::StartAcquisition(bool fresh)
{
    if (running_ && !fresh)
        return;
    const uint64_t u = UptimeSeconds();
    const TerminalTime t = Now();
    const bool wasRunning = running_;
    running_ = true;
    for (ElementNode& n : nodes_) {
        if (!n.probe || !n.meshAddress)
            continue;
        if (fresh)
            n.probe->Control(kRestartMeasurement, t, t, u);
        n.probe->StartMeasuring(u);
    }
    if (!wasRunning) {
        recorder_.StartEvent(t);
        const bool relayTestFails = relayFailure_;
        recorder_.TerminalEvent(t, relayTestFails ? kRelayTestsFailed : 0);
    }
    if (fresh) {
        Query(true);
        nextQuery_ = u + period_;
    } else {
        nextQuery_ = u + (pausedCountdown_ ? pausedCountdown_ : period_);
    }
}

void TerminalCore::StopAcquisition()
{
    if (!running_)
        return;
    const uint64_t u = UptimeSeconds();
    pausedCountdown_ = nextQuery_ > u ? nextQuery_ - u : period_;
    running_ = false;
    for (ElementNode& n : nodes_)
        if (n.probe)
            n.probe->StopMeasuring(u);
    recorder_.TerminalEvent(Now(), kEventStop);
}

bool TerminalCore::SetAcquisition(uint8_t code)
{
    switch (code) {
    case kStop:
        StopAcquisition();
        return true;
    case kRecordingOn:
        recorder_.SetRecording(true);
        return true;
    case kRecordingOff:
        recorder_.SetRecording(false);
        return true;
    case kClearHistory:
        if (running_)
            return false;
        memory_.Erase();
        recorder_.Reset();
        erasedUntilMs_ = uptimeMs_ + kEraseMs;
        return true;
    case kSleepOff:
    case kSleepOn:
        sleep_ = code == kSleepOn;
        return true;
    case kContinue:
        StartAcquisition(false);
        return true;
    case kStartNew:
        StartAcquisition(true);
        return true;
    default:
        return false;
    }
}

bool TerminalCore::WriteAcquisitionSettings(uint16_t period, uint8_t cycles)
{
    if (period < kShortestPeriod || period > kLongestPeriod)
        return false;
    const uint64_t remaining = Countdown();
    period_ = period;
    cycles_ = cycles == 0 ? 256 : cycles;
    const uint64_t next = std::min<uint64_t>(remaining, period_);
    if (running_)
        nextQuery_ = UptimeSeconds() + next;
    else
        pausedCountdown_ = next;
    return true;
}

uint16_t TerminalCore::Countdown() const
{
    if (!running_)
        return static_cast<uint16_t>(std::min<uint64_t>(pausedCountdown_, 0xFFFF));
    const uint64_t u = UptimeSeconds();
    return static_cast<uint16_t>(std::min<uint64_t>(nextQuery_ > u ? nextQuery_ - u : 0, 0xFFFF));
}

uint8_t TerminalCore::StateFlags() const
{
    uint8_t f = 0;
    if (running_)
        f |= 0x01;
    if (sleep_)
        f |= 0x02;
    if (!recorder_.Recording())
        f |= 0x04;
    if (running_ && queries_ > 0 && uptimeMs_ < lastQueryMs_ + kQueryFlagMs)
        f |= 0x20;
    if (running_ && contactFailed_)
        f |= 0x40;
    return f;
}

bool TerminalCore::SetRelayMode(uint8_t argument)
{
    if ((argument & 0xF0) != 0x30 || (argument & 0x0F) > 2)
        return false;
    relayMode_ = argument & 0x0F;
    return true;
}

uint8_t TerminalCore::RawFlags() const
{
    const bool demanded = relayMode_ == 1 || (relayMode_ == 2 && relayDemandAuto_);
    uint8_t f = 0;
    if (relayMode_ == 1)
        f |= 0x01;
    if (relayMode_ == 2)
        f |= 0x02;
    if (relayMode_ == 2 && relayDemandAuto_)
        f |= 0x04;
    if (demanded && !relayFailure_)
        f |= 0x08;
    if (!scenario_.terminal.chargerConnected)
        f |= 0x20;
    if (scenario_.terminal.administrator)
        f |= 0x40;
    if (scenario_.terminal.hostRs232)
        f |= 0x80;
    return f;
}

bool TerminalCore::StartMeasurement(uint8_t which)
{
    const TerminalTime t = Now();
    if (which == 1) {
        voltageLatch_ = environment_.Reading(t).voltage;
        return true;
    }
    if (which == 2) {
        environmentLatch_ = environment_.Reading(t);
        return true;
    }
    return false;
}

std::array<uint8_t, kStatusReplyBytes> TerminalCore::StatusReply(uint8_t slot) const
{
    std::array<uint8_t, kStatusReplyBytes> out{0x3D};
    const SlotStatus& s = status_[slot & 0x0F];
    const bool bonded = mesh_.IsBonded(static_cast<uint8_t>((slot & 0x0F) + 1));
    const uint8_t failures = bonded ? s.failures : kOutOfRange;
    out[1] = static_cast<uint8_t>((s.function & 0x07) | (failures << 6));
    if (!bonded)
        return out;
    const bool large = std::max(s.radon, s.radonLongTerm) >= 0x8000;
    auto radon = [large](uint32_t v) { return large ? EncodeCount(v) : static_cast<uint16_t>(v); };
    PutU16(out, 2, s.valueA);
    PutU16(out, 4, s.valueB);
    PutU16(out, 6, radon(s.radon));
    out[8] = static_cast<uint8_t>(s.temperature);
    out[9] = static_cast<uint8_t>((large ? 0x80 : 0) | (s.humidity & 0x7F));
    PutU16(out, 10, s.valueC);
    PutU16(out, 12, radon(s.radonLongTerm));
    PutU16(out, 16, s.millivolts);
    out[18] = s.byte18;
    out[19] = static_cast<uint8_t>((s.onBattery ? 0x80 : 0) | (s.rssi & 0x7F));
    return out;
}

bool TerminalCore::SetFunction(uint8_t slot, uint8_t function)
{
    if (slot >= kMeshAddresses || function > 3)
        return false;
    SlotStatus& s = status_[slot];
    if (s.function != function) {
        s.function = function;
        s.functionMismatchSeen = false;
        s.relayFailureSeen = false;
    }
    return true;
}

std::optional<uint32_t> TerminalCore::MemoryPointer() const
{
    if (uptimeMs_ < erasedUntilMs_)
        return std::nullopt;
    return memory_.Pointer();
}

uint8_t TerminalCore::MemoryByte(uint32_t address) const
{
    return uptimeMs_ < erasedUntilMs_ ? 0xFF : memory_.At(address);
}

void TerminalCore::Relay(std::span<const uint8_t> body)
{
    const uint8_t address = body.empty() ? 0 : body[0];
    int command = -1;
    if (body.size() >= 2)
        command = IsNetworkRequest(body[1]) ? (body.size() >= 3 ? body[2] : -1) : body[1];

    std::optional<std::vector<uint8_t>> answer;
    const auto fault = faults_.Take(address, command);
    if (fault == AnswerFaultKind::Refused) {
        answer = std::vector<uint8_t>{mesh_.lastRssi, kBadStructure};
    } else if (fault == AnswerFaultKind::Busy) {
        answer = std::vector<uint8_t>{mesh_.lastRssi, kBusy};
    } else if (fault != AnswerFaultKind::Invalid) {
        answer = mesh_.Carry(body, UptimeSeconds(), Now());
        if (fault == AnswerFaultKind::WrongLength)
            answer->size() > 1 ? answer->pop_back() : answer->push_back(0);
    }
    slot_.Take(std::move(answer), scenario_.faults.pollsBeforeCompletion);
}

}  // namespace kolmaris::sim
