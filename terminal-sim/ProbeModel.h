// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A radon probe: it closes a radon record every record time while data acquisition runs,
// keeps the last 4096 in a ring, and accumulates a spectrum of 96 channels that it closes
// every 8 records into a ring of 512 buffers (the buffer at the spectrum pointer is the one
// still filling). It has its own clock, its parameters and a total-count register.

#include "Scenario.h"
#include "TerminalTime.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>

namespace kolmaris::sim {

inline constexpr int kRecordRing = 4096;
inline constexpr int kSpectrumRing = 512;
inline constexpr int kRecordsPerSpectrum = 8;
inline constexpr std::size_t kChannels = 96;

using Channels = std::array<uint8_t, kChannels>;
using RecordBody = std::array<uint8_t, 17>;  // bytes 1..17 of a radon record

struct ProbeParameters {
    uint8_t discrimination1 = 0;
    uint8_t discrimination2 = 0;
    uint8_t discrimination3 = 0;
    uint16_t calibration = 0;
    uint16_t limit = 0;
    uint8_t gain = 0;
    uint8_t recordMinutes = 60;
};

// A closed record as the terminal collects it.
struct ClosedRecord {
    uint64_t serial = 0;  // counts every record the probe ever closed
    RecordBody body{};
    std::optional<Channels> spectrum;  // the buffer this record closed
};

class ProbeModel {
public:
    ProbeModel(const ProbeSetup& setup, uint64_t seed, uint64_t id);

    // Closes the records due up to `uptime` (seconds); `timeAt` gives the terminal's time
    // at an uptime. Only while measuring.
    template <class TimeAt>
    void RunUntil(uint64_t uptime, TimeAt timeAt)
    {
        while (measuring_ && nextRecord_ <= uptime) {
            CloseRecord(ProbeTime(timeAt(nextRecord_)));
            nextRecord_ += RecordSeconds();
        }
    }
    void StartMeasuring(uint64_t uptime);
    void StopMeasuring(uint64_t uptime);

    // Record ring: P (next position, bit 12 once wrapped) and the record at a position.
    uint16_t RecordPointer() const;
    std::optional<RecordBody> RecordAt(int position) const;
    // Spectrum ring: S (position of the filling buffer, bit 9 once wrapped) and a buffer.
    uint16_t SpectrumPointer() const;
    std::optional<Channels> SpectrumAt(int position) const;

    // Records closed after serial `after`, oldest first (as far as the ring still holds them).
    std::deque<ClosedRecord> RecordsAfter(uint64_t after) const;
    uint64_t LastSerial() const { return serial_; }

    // Control command bits; `time` is used for 0x08.
    void Control(uint8_t flags, TerminalTime terminalTime, TerminalTime time, uint64_t uptime);
    const ProbeParameters& Parameters() const { return params_; }
    void SetParameters(const ProbeParameters& p, uint64_t uptime);
    TerminalTime ProbeTime(TerminalTime terminalTime) const;
    uint32_t TotalCounts() const { return totalCounts_; }
    bool ReportsTotalCounts() const { return reportsTotalCounts_; }

    // Latest values (from the newest record).
    uint32_t Radon() const { return radon_; }
    uint32_t RadonLongTerm() const;
    int8_t Temperature() const { return temperature_; }
    uint8_t Humidity() const { return humidity_; }
    uint8_t HvCheck() const { return hv_; }
    uint16_t Sum1() const { return sum1_; }

    // Shapes the rings as a scenario asks: `records` records and `spectra` closed buffers,
    // made up back in time from `oldest` where more are needed than were measured.
    void ShapeRings(int records, int spectra, TerminalTime oldest);

private:
    uint64_t RecordSeconds() const { return uint64_t{params_.recordMinutes ? params_.recordMinutes : 1u} * 60; }
    RecordBody Measure(TerminalTime probeTime, uint64_t noiseKey);
    void CloseRecord(TerminalTime probeTime);
    void PushRecord(const ClosedRecord& r);
    void PushSpectrum(const Channels& c);
    void ClearRecords();
    void ClearSpectra();

    uint64_t seed_;
    uint64_t id_;
    uint32_t level_;
    ProbeParameters params_;
    bool reportsTotalCounts_;
    int64_t clockOffset_ = 0;
    uint32_t totalCounts_;

    bool measuring_ = false;
    uint64_t nextRecord_ = 0;
    uint64_t pausedRemaining_ = 0;
    uint64_t serial_ = 0;

    std::deque<ClosedRecord> records_;  // oldest first, at most kRecordRing
    int recordWrite_ = 0;
    bool recordsWrapped_ = false;

    std::deque<Channels> spectra_;      // closed buffers, oldest first, at most kSpectrumRing - 1
    Channels filling_{};
    int spectrumAt_ = 0;
    bool spectraWrapped_ = false;
    int recordsInBuffer_ = 0;

    uint32_t radon_ = 0;
    std::deque<uint32_t> recentRadon_;
    int8_t temperature_ = 0;
    uint8_t humidity_ = 0;
    uint8_t hv_ = 0;
    uint16_t sum1_ = 0;
};

}  // namespace kolmaris::sim
