// SPDX-License-Identifier: GPL-3.0-or-later
#include "TabWriters.h"

#include <cstdio>
#include <string>

#include "CountFormat.h"
#include "DiaEventText.h"
#include "MeasuredValues.h"

namespace kolmaris {
namespace {

constexpr const char* kEol = "\r\n";

// The degree sign is the single byte 0xB0.
constexpr const char* kRadonHeader =
    "record\ttime\tradon[Bq/m3]\tsum1\tsum2\tsum3\tsum4\ttemperature[\xB0"
    "C]\thumidity[%]\tHV\r\n";
constexpr const char* kLocHeader =
    "record\ttime\tpressure[hPa]\ttemperature[\xB0"
    "C]\thumidity[%]\tvoltage[V]\r\n";
constexpr const char* kDiaHeader = "record\ttime\tmesh\toutput\tcomment\r\n";

std::string TimeText(std::span<const std::uint8_t, 4> bytes)
{
    return FormatTimeBE(bytes, true, false);
}

std::string Hex2(std::uint8_t value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
    return text;
}

void WriteLine(std::ostream& out, const std::string& line)
{
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

}  // namespace

void WriteRadonFile(std::ostream& out, bool append, const TDataStore& store, int probeSlot, int numberOffset)
{
    if (!append)
        out << kRadonHeader;
    for (int i = store.RadonRecordCount(probeSlot) - 1; i >= 0; --i) {
        RadonRecord r{};
        if (store.GetRadonRecord(probeSlot, i, r) != kStoreDone)
            continue;
        const std::uint8_t flags = r[RadonOffset::Flags];
        std::string line = std::to_string(numberOffset + i + 1);
        line += '\t' + TimeText(Bytes4At<RadonOffset::Time>(r));
        line += '\t' + FormatCountBE(Bytes2At<RadonOffset::Radon>(r), flags, false);
        line += '\t' + FormatCountBE(Bytes2At<RadonOffset::Sum1>(r), flags, false);
        line += '\t' + FormatCountBE(Bytes2At<RadonOffset::Sum2>(r), flags, false);
        line += '\t' + FormatCountBE(Bytes2At<RadonOffset::Sum3>(r), flags, false);
        line += '\t' + FormatCountBE(Bytes2At<RadonOffset::Sum4>(r), flags, false);
        line += '\t' + std::to_string(ProbeTemperature(r));
        line += '\t' + std::to_string(ProbeHumidity(r));
        line += '\t' + std::to_string(ProbeHV(r));
        line += kEol;
        WriteLine(out, line);
    }
}

void WriteSpectrumFile(std::ostream& out, bool append, const TDataStore& store, int probeSlot, int firstBlock)
{
    const bool timeMode = firstBlock == 0;
    if (!append) {
        std::string header = timeMode ? " time \\ channel" : "block \\ channel";
        for (std::size_t channel = 1; channel <= kSpectrumChannels; ++channel)
            header += '\t' + std::to_string(channel);
        header += kEol;
        WriteLine(out, header);
    }
    const int count = store.SpectrumCount(probeSlot);
    for (int i = 0; i < count; ++i) {
        SpectrumChannels channels{};
        if (store.GetSpectrumChannels(probeSlot, i, channels) != kStoreDone)
            continue;
        std::string line;
        if (timeMode)
            line = FormatTime(store.GetSpectrumTime(probeSlot, i), true, false);
        else
            line = std::to_string(firstBlock + i);
        for (std::uint8_t value : channels)
            line += '\t' + std::to_string(value);
        line += kEol;
        WriteLine(out, line);
    }
}

void WriteLocFile(std::ostream& out, bool append, const TDataStore& store)
{
    if (!append)
        out << kLocHeader;
    for (int i = store.LocRecordCount() - 1; i >= 0; --i) {
        LocRecord r{};
        if (store.GetLocRecord(i, r) != kStoreDone)
            continue;
        std::string line = std::to_string(i + 1);
        line += '\t' + TimeText(Bytes4At<LocOffset::Time>(r));
        line += '\t' + std::to_string(U16At<LocOffset::Pressure>(r));
        line += '\t' + FormatTerminalTemperature(U16At<LocOffset::Temperature>(r));
        line += '\t' + FormatTerminalHumidity(U16At<LocOffset::Humidity>(r));
        line += '\t' + FormatAccumulatorVoltage(U16At<LocOffset::Voltage>(r));
        line += kEol;
        WriteLine(out, line);
    }
}

void WriteDiaFile(std::ostream& out, bool append, const TDataStore& store)
{
    if (!append)
        out << kDiaHeader;
    for (int i = store.DiaEventCount() - 1; i >= 0; --i) {
        DiaEvent e{};
        if (store.GetDiaEvent(i, e) != kStoreDone)
            continue;
        const std::uint8_t element = e[DiaOffset::Element];
        const std::uint8_t code = e[DiaOffset::Code];
        std::string line = std::to_string(i + 1);
        line += '\t' + TimeText(Bytes4At<DiaOffset::Time>(e));
        line += '\t' + (element == 0 ? std::string("Term") : std::to_string(element));
        line += '\t' + Hex2(code);
        line += '\t' + DiaEventText(element, code);
        line += kEol;
        WriteLine(out, line);
    }
}

}  // namespace kolmaris
