// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What stands behind the terminal's serial line: its clock, data acquisition (query
// period and countdown, sleep flag, battery-time cycles), the relay, the sensors, the
// per-slot element status table it fills at each query, the data memory it records into,
// and the MESH it reaches through its IQRF module.
//
// At each query the terminal writes a meteo record, contacts every bonded element that
// has a function, collects the radon records (and closed spectra) the probes made since
// the last contact, counts failed contacts up to 3 (out of range), switches the relays in
// Auto and logs diagnostic events for what changed.

#include "AnswerFaults.h"
#include "DataMemory.h"
#include "ElementNode.h"
#include "Environment.h"
#include "MemoryRecorder.h"
#include "MeshNetwork.h"
#include "RelaySlot.h"
#include "Scenario.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kolmaris::sim {

inline constexpr std::size_t kStatusReplyBytes = 20;
inline constexpr uint8_t kOutOfRange = 3;

class TerminalCore {
public:
    explicit TerminalCore(const Scenario& scenario);
    TerminalCore(const TerminalCore&) = delete;
    TerminalCore& operator=(const TerminalCore&) = delete;

    // Time.
    void Advance(uint64_t terminalMs);
    TerminalTime Now() const { return TimeAt(UptimeSeconds()); }
    uint64_t UptimeSeconds() const { return uptimeMs_ / 1000; }
    void SetTime(TerminalTime time);

    // Acquisition. False: the terminal refuses.
    bool SetAcquisition(uint8_t code);
    bool WriteAcquisitionSettings(uint16_t period, uint8_t cycles);
    uint8_t StateFlags() const;
    uint16_t QueryPeriod() const { return period_; }
    uint16_t Countdown() const;
    uint8_t BatteryCycles() const { return static_cast<uint8_t>(cycles_ & 0xFF); }
    uint16_t QueriesDone() const { return static_cast<uint16_t>(queries_); }
    bool Running() const { return running_; }

    uint16_t FirmwareVersion() const { return scenario_.terminal.firmwareVersion; }

    // Relay and flags.
    bool SetRelayMode(uint8_t argument);
    uint8_t RawFlags() const;

    // Sensors: a trigger latches a reading, a read returns the latch.
    bool StartMeasurement(uint8_t which);
    uint16_t VoltageCentivolts() const { return voltageLatch_; }
    const MeteoValues& EnvironmentLatch() const { return environmentLatch_; }

    // Element status table, slots 0..15.
    std::array<uint8_t, kStatusReplyBytes> StatusReply(uint8_t slot) const;
    bool SetFunction(uint8_t slot, uint8_t function);

    // Data memory: the pointer is unknown while the memory is being erased.
    std::optional<uint32_t> MemoryPointer() const;
    uint8_t MemoryByte(uint32_t address) const;

    // Relayed requests.
    void Relay(std::span<const uint8_t> body);
    std::vector<uint8_t> Poll() { return slot_.Poll(); }

    // Inspection.
    const DataMemory& Memory() const { return memory_; }
    bool Recording() const { return recorder_.Recording(); }
    const MeshNetwork& Mesh() const { return mesh_; }
    const std::vector<ElementNode>& Nodes() const { return nodes_; }

private:
    struct SlotStatus {
        uint8_t function = 0;
        uint8_t failures = kOutOfRange;
        bool contacted = false;
        bool relayFailureSeen = false;
        bool functionMismatchSeen = false;
        uint16_t valueA = 0;
        uint16_t valueB = 0;
        uint16_t valueC = 0;
        uint32_t radon = 0;
        uint32_t radonLongTerm = 0;
        int8_t temperature = 0;
        uint8_t humidity = 0;
        uint8_t byte18 = 0;
        uint16_t millivolts = 0;
        uint8_t rssi = 0;
        bool onBattery = false;
    };

    TerminalTime TimeAt(uint64_t uptime) const;
    void RunProbes(uint64_t uptime);
    void Query(bool record);
    void Contact(uint8_t address, SlotStatus& s, ElementNode& node, bool record, bool voltageDue);
    void StartAcquisition(bool fresh);
    void StopAcquisition();
    void Prefill(const Scenario& scenario);

    Scenario scenario_;
    uint64_t uptimeMs_ = 0;
    int64_t timeBase_ = 0;  // terminal time at uptime 0

    Environment environment_;
    DataMemory memory_;
    MemoryRecorder recorder_;
    std::vector<ElementNode> nodes_;
    std::vector<uint64_t> collected_;  // last record serial collected, per node
    MeshNetwork mesh_;
    RelaySlot slot_;
    AnswerFaults faults_;
    std::array<SlotStatus, kMeshAddresses> status_{};

    bool running_ = false;
    bool sleep_ = false;
    uint16_t period_;
    uint16_t cycles_;
    uint64_t nextQuery_ = 0;
    uint64_t pausedCountdown_ = 0;
    uint64_t queries_ = 0;
    uint64_t lastQueryMs_ = 0;
    bool hadQuery_ = false;
    bool contactFailed_ = false;
    bool alarm_ = false;
    uint64_t erasedUntilMs_ = 0;

    uint8_t relayMode_;
    bool relayFailure_;
    bool relayDemandAuto_ = false;
    uint32_t relayLevel_;

    uint16_t voltageLatch_ = 0;
    MeteoValues environmentLatch_{};
};

}  // namespace kolmaris::sim
