// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated terminal: bytes from the program in, bytes the terminal would send out,
// and a clock of its own that the caller advances. Behind the line it keeps the terminal's
// state, its 128 KiB data memory and the MESH of elements the scenario describes.

#include "Scenario.h"
#include "TerminalTime.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace kolmaris {

// A record the terminal holds in its data memory, as the download should find it.
struct MemoryRecordInfo {
    enum class Kind : uint8_t { Radon, Spectrum, Meteo, Event };
    Kind kind = Kind::Meteo;
    std::vector<uint8_t> bytes;   // the L data bytes, memory order
    TerminalTime time = 0;        // its complete time (a spectrum: that of its radon record)
    uint32_t address = 0;         // address of the leading length byte
};

// A node's bond and RF channel as the simulated radio holds them.
struct SimulatedNode {
    uint8_t meshAddress = 0;    // bond to this terminal; 0: none
    uint8_t foreignMesh = 0;    // bond to another MESH; 0: none
    uint8_t channel = 0;        // running
    uint8_t storedChannel = 0;  // EEPROM
};

class SimulatedTerminal {
public:
    explicit SimulatedTerminal(const Scenario& scenario);
    ~SimulatedTerminal();
    SimulatedTerminal(const SimulatedTerminal&) = delete;
    SimulatedTerminal& operator=(const SimulatedTerminal&) = delete;

    // Bytes the program wrote. Answers are queued at once for TakeOutput.
    void Receive(std::span<const uint8_t> bytesFromProgram);
    // Everything the terminal has sent since the last call.
    std::vector<uint8_t> TakeOutput();

    // Advances the driving clock; the terminal's own time runs `timeAcceleration` times faster.
    void AdvanceMs(uint64_t ms);
    uint64_t NowMs() const;

    // Introspection for tests, the pty program and demonstrations.
    TerminalTime Time() const;
    uint32_t MemoryPointer() const;
    bool MemoryWrapped() const;
    std::span<const uint8_t> Memory() const;            // 0x20000 bytes
    std::vector<MemoryRecordInfo> RecordsInMemory() const;  // oldest first
    bool AcquisitionRunning() const;
    bool RecordingOn() const;
    uint8_t Channel() const;                             // the coordinator's channel in RAM
    bool Bonded(uint8_t meshAddress) const;              // in the coordinator's bonding table
    uint8_t SlotFunction(uint8_t meshAddress) const;     // function the terminal assigns, 1..16
    std::optional<SimulatedNode> Node(uint8_t p2p) const;
    uint64_t FramesReceived() const;                     // decoded requests, answered or not
    const Scenario& GetScenario() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kolmaris
