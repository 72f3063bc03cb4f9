// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes the terminal's records into its data memory in the layouts the program reads:
// radon records with their spectra, meteo records, and diagnostic events that keep only
// the low 12 bits of their time. An event is dated by the nearest older meteo record, so
// one is written first whenever the last lies more than 4095 s back (or ahead, after the
// clock was set back); a start-of-acquisition event is dated by the meteo record written
// right after it. While recording is off the records wait in a small queue and are
// written when it is switched on again.

#include "DataMemory.h"
#include "TerminalTime.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace kolmaris::sim {

inline constexpr std::size_t kRadonBytes = 18;
inline constexpr std::size_t kSpectrumBytes = 97;
inline constexpr std::size_t kMeteoBytes = 12;
inline constexpr uint8_t kTerminalEventCode = 0xFC;
inline constexpr uint8_t kStartEventType = 15;
inline constexpr std::size_t kQueuedGroups = 256;

struct MeteoValues {
    uint16_t pressure = 0;       // hPa
    uint16_t temperature = 0;    // tenths of a kelvin
    uint16_t humidity = 0;       // tenths of a percent
    uint16_t voltage = 0;        // hundredths of a volt
};

class MemoryRecorder {
public:
    // `meteoAt` gives the terminal's readings for an anchoring meteo record.
    MemoryRecorder(DataMemory& memory, std::function<MeteoValues(TerminalTime)> meteoAt)
        : memory_(memory), meteoAt_(std::move(meteoAt))
    {
    }

    void SetRecording(bool on);
    bool Recording() const { return recording_; }
    // Forgets what lies in the memory (after it was erased).
    void Reset();

    void Meteo(TerminalTime time, const MeteoValues& values);
    // An element's event (MESH address 1..16) with its answer code.
    void ElementEvent(TerminalTime time, uint8_t meshAddress, uint8_t code);
    // A terminal event of type 0..14.
    void TerminalEvent(TerminalTime time, uint8_t type);
    // Start of data acquisition, with the meteo record that dates it.
    void StartEvent(TerminalTime time);
    // A radon record (18 bytes, memory order) and the spectrum it closed, if any.
    void ProbeRecord(const std::array<uint8_t, kRadonBytes>& record,
                     const std::optional<std::array<uint8_t, kSpectrumBytes>>& spectrum);

private:
    void Event(TerminalTime time, uint8_t m0High, uint8_t code);
    void Write(std::vector<MemoryRecord> group);
    MemoryRecord MeteoRecord(TerminalTime time, const MeteoValues& values);

    DataMemory& memory_;
    std::function<MeteoValues(TerminalTime)> meteoAt_;
    bool recording_ = true;
    std::deque<std::vector<MemoryRecord>> queue_;
    std::optional<TerminalTime> lastMeteo_;
};

}  // namespace kolmaris::sim
