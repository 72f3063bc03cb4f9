// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveRows.h"

#include <cctype>
#include <charconv>
#include <limits>

#include "CountFormat.h"
#include "MeasuredValues.h"

namespace kolmaris::history {

namespace {

// Event times below this carry only the twelve bits the memory keeps of them.
constexpr TerminalTime kFirstDatedTime = 0x1000;

std::uint32_t Count(const RadonRecord& r, std::span<const std::uint8_t, 2> field)
{
    const std::uint16_t value = ReadU16BE(field);
    return HasCompressedCounts(r) ? DecodeCount(value) : value;
}

// Meteo values as the files give them, so both sources round alike.
int Fixed(const std::string& text, int decimals)
{
    int value = 0;
    ParseFixed(text, decimals, value);
    return value;
}

}  // namespace

TerminalTime ToMinute(TerminalTime time)
{
    return time - time % 60;
}

bool ParseFixed(const std::string& text, int decimals, int& value)
{
    std::string digits = text;
    const auto point = text.find('.');
    if (decimals == 0 ? point != std::string::npos
                      : point == std::string::npos || text.size() - point - 1 != static_cast<std::size_t>(decimals))
        return false;
    if (point != std::string::npos) {
        digits.erase(point, 1);
        if (point == 0 || !std::isdigit(static_cast<unsigned char>(text[point - 1])))
            return false;
    }
    long long parsed = 0;
    const char* end = digits.data() + digits.size();
    const auto [at, ec] = std::from_chars(digits.data(), end, parsed);
    if (digits.empty() || ec != std::errc() || at != end || parsed < std::numeric_limits<int>::min() ||
        parsed > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(parsed);
    return true;
}

void ArchiveBatch::AddRadon(const RadonRow& row)
{
    radon.push_back(row);
}

void ArchiveBatch::AddSpectrum(const SpectrumRow& row)
{
    // A spectrum takes the time of the radon record of its slot stored before it; the oldest one
    // in memory may have lost that record and carries the newer spectrum's time, or none.
    const bool sameAsNewer = !spectra.empty() && spectra.back().probe == row.probe && spectra.back().time == row.time;
    if (row.time == 0 || sameAsNewer) {
        ++undated;
        return;
    }
    spectra.push_back(row);
}

void ArchiveBatch::AddMeteo(const MeteoRow& row)
{
    meteo.push_back(row);
}

void ArchiveBatch::AddDia(const DiaRow& row)
{
    if (row.time < kFirstDatedTime) {
        ++undated;
        return;
    }
    dia.push_back(row);
}

StoreCounts StoreCounts::Of(const TDataStore& store)
{
    StoreCounts c;
    for (int slot = 0; slot < kProbeSlots; ++slot) {
        c.radon[static_cast<std::size_t>(slot)] = store.RadonRecordCount(slot);
        c.spectra[static_cast<std::size_t>(slot)] = store.SpectrumCount(slot);
    }
    c.meteo = store.LocRecordCount();
    c.dia = store.DiaEventCount();
    return c;
}

bool StoreCounts::NotAbove(const StoreCounts& other) const
{
    for (std::size_t i = 0; i < radon.size(); ++i)
        if (radon[i] > other.radon[i] || spectra[i] > other.spectra[i])
            return false;
    return meteo <= other.meteo && dia <= other.dia;
}

int StoreCounts::Total() const
{
    int n = meteo + dia;
    for (std::size_t i = 0; i < radon.size(); ++i)
        n += radon[i] + spectra[i];
    return n;
}

ArchiveBatch BatchFromStore(const TDataStore& store, const StoreCounts& from)
{
    ArchiveBatch batch;
    for (int slot = 0; slot < kProbeSlots; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        for (int i = from.radon[s]; i < store.RadonRecordCount(slot); ++i) {
            RadonRecord r{};
            if (store.GetRadonRecord(slot, i, r) != kStoreDone)
                continue;
            batch.AddRadon({slot + 1, ToMinute(U32At<RadonOffset::Time>(r)), Count(r, Bytes2At<RadonOffset::Radon>(r)),
                            Count(r, Bytes2At<RadonOffset::Sum1>(r)), Count(r, Bytes2At<RadonOffset::Sum2>(r)),
                            Count(r, Bytes2At<RadonOffset::Sum3>(r)), Count(r, Bytes2At<RadonOffset::Sum4>(r)),
                            ProbeTemperature(r), ProbeHumidity(r), ProbeHV(r)});
        }
        for (int i = from.spectra[s]; i < store.SpectrumCount(slot); ++i) {
            SpectrumRow row{slot + 1, ToMinute(store.GetSpectrumTime(slot, i)), {}};
            if (store.GetSpectrumChannels(slot, i, row.channels) == kStoreDone)
                batch.AddSpectrum(row);
        }
    }
    for (int i = from.meteo; i < store.LocRecordCount(); ++i) {
        LocRecord r{};
        if (store.GetLocRecord(i, r) != kStoreDone)
            continue;
        batch.AddMeteo({ToMinute(U32At<LocOffset::Time>(r)), U16At<LocOffset::Pressure>(r),
                        Fixed(FormatTerminalTemperature(U16At<LocOffset::Temperature>(r)), 1),
                        Fixed(FormatTerminalHumidity(U16At<LocOffset::Humidity>(r)), 1),
                        Fixed(FormatAccumulatorVoltage(U16At<LocOffset::Voltage>(r)), 2)});
    }
    for (int i = from.dia; i < store.DiaEventCount(); ++i) {
        DiaEvent e{};
        if (store.GetDiaEvent(i, e) == kStoreDone)
            batch.AddDia({ToMinute(U32At<DiaOffset::Time>(e)), e[DiaOffset::Element], e[DiaOffset::Code]});
    }
    return batch;
}

}  // namespace kolmaris::history
