// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of the station archive: the records of the data store in measured units, with their
// times kept to the minute as the program's files keep them, so that a download stored directly
// and its tab files imported give the same rows. Qt-free.

#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <vector>

#include "DataStore.h"

namespace kolmaris::history {

struct RadonRow {
    int probe = 1;  // MESH address 1..16
    TerminalTime time = 0;
    std::uint32_t radon = 0;  // Bq/m3, expanded when the record's counts are compressed
    std::uint32_t sum1 = 0, sum2 = 0, sum3 = 0, sum4 = 0;
    int temperature = 0;  // deg C
    int humidity = 0;     // %
    int hv = 0;
    auto operator<=>(const RadonRow&) const = default;
};

struct SpectrumRow {
    int probe = 1;
    TerminalTime time = 0;
    SpectrumChannels channels{};
    auto operator<=>(const SpectrumRow&) const = default;
};

struct MeteoRow {
    TerminalTime time = 0;
    int pressure = 0;     // hPa
    int temperature = 0;  // tenths of a deg C
    int humidity = 0;     // tenths of a %
    int voltage = 0;      // hundredths of a volt
    auto operator<=>(const MeteoRow&) const = default;
};

struct DiaRow {
    TerminalTime time = 0;
    int element = 0;  // 0 terminal, 1..16 MESH address
    int code = 0;
    auto operator<=>(const DiaRow&) const = default;
};

// What one import brings. Records whose time the memory does not tell (a spectrum without its own
// radon record, an event older than every meteo record) are left out and counted.
class ArchiveBatch {
public:
    void AddRadon(const RadonRow& row);
    // Newest first per probe, as the store and the spectrum files hold them.
    void AddSpectrum(const SpectrumRow& row);
    void AddMeteo(const MeteoRow& row);
    void AddDia(const DiaRow& row);

    std::vector<RadonRow> radon;
    std::vector<SpectrumRow> spectra;
    std::vector<MeteoRow> meteo;
    std::vector<DiaRow> dia;
    int undated = 0;
    // Read from the terminal's memory (newest first, as BatchFromStore gives them) down to its end,
    // or down to the records of the last such download: the archive then holds every record the
    // memory holds below the first meteo record.
    bool wholeMemory = false;

    std::size_t Size() const { return radon.size() + spectra.size() + meteo.size() + dia.size(); }
};

TerminalTime ToMinute(TerminalTime time);

// Tenths, hundredths, ...: "-12.3" with 1 decimal gives -123. False unless the text has exactly
// `decimals` digits after its point (none and no point for 0) and fits an int.
bool ParseFixed(const std::string& text, int decimals, int& value);

// How many records each list of a store holds; the lists grow at their ends as a download reads on.
struct StoreCounts {
    std::array<int, kProbeSlots> radon{}, spectra{};
    int meteo = 0, dia = 0;

    static StoreCounts Of(const TDataStore& store);
    // No list holds more than in `other`.
    bool NotAbove(const StoreCounts& other) const;
    int Total() const;
};

// The records of the store past `from` (by default every record).
ArchiveBatch BatchFromStore(const TDataStore& store, const StoreCounts& from = {});

}  // namespace kolmaris::history
