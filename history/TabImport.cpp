// SPDX-License-Identifier: GPL-3.0-or-later
#include "TabImport.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "SaveAll.h"
#include "TabWriters.h"

namespace kolmaris::history {

namespace {

namespace fs = std::filesystem;

enum class Kind { Radon, Spectrum, Meteo, Dia };

struct FileKind {
    Kind kind;
    int probe = 0;
};

std::optional<FileKind> KindOf(const std::string& name)
{
    if (name == kDiaFileName)
        return FileKind{Kind::Dia};
    if (name == kLocFileName)
        return FileKind{Kind::Meteo};
    for (int slot = 0; slot < kProbeSlots; ++slot) {
        if (name == RadonFileName(slot))
            return FileKind{Kind::Radon, slot + 1};
        if (name == SpectrumFileName(slot))
            return FileKind{Kind::Spectrum, slot + 1};
    }
    return std::nullopt;
}

// The header line the writers put first, without its line end.
std::string Header(Kind kind)
{
    const TDataStore empty;
    std::ostringstream out;
    switch (kind) {
        case Kind::Radon: WriteRadonFile(out, false, empty, 0, 0); break;
        case Kind::Spectrum: WriteSpectrumFile(out, false, empty, 0, 0); break;
        case Kind::Meteo: WriteLocFile(out, false, empty); break;
        case Kind::Dia: WriteDiaFile(out, false, empty); break;
    }
    std::string header = out.str();
    return header.substr(0, header.find("\r\n"));
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

// A whole number from `low` to `high`.
bool Number(const std::string& text, long long low, long long high, long long& value)
{
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && at == end && value >= low && value <= high;
}

// "dd.mm.yyyy hh:mm" as the writers put it.
bool Time(const std::string& text, TerminalTime& time)
{
    if (text.size() != 16 || text[2] != '.' || text[5] != '.' || text[10] != ' ' || text[13] != ':' ||
        text.compare(6, 2, "20") != 0)
        return false;
    long long day, month, year, hour, minute;
    if (!Number(text.substr(0, 2), 1, 31, day) || !Number(text.substr(3, 2), 1, 12, month) ||
        !Number(text.substr(8, 2), 0, 99, year) || !Number(text.substr(11, 2), 0, 23, hour) ||
        !Number(text.substr(14, 2), 0, 59, minute))
        return false;
    const TimeFields fields{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                            static_cast<int>(hour), static_cast<int>(minute), 0};
    // FieldsToTime rolls 29 February over into March: such a day is no date here.
    return FieldsToTime(fields, time) == kFieldsOk && TimeToFields(time).day == fields.day;
}

class LineReader {
public:
    LineReader(Kind kind, int probe, ArchiveBatch& batch) : kind_(kind), probe_(probe), batch_(batch) {}

    // Empty when the line reads; else what is wrong with it.
    std::string Read(const std::string& line)
    {
        const std::vector<std::string> f = Split(line);
        switch (kind_) {
            case Kind::Radon: return Radon(f);
            case Kind::Spectrum: return Spectrum(f);
            case Kind::Meteo: return Meteo(f);
            case Kind::Dia: return Dia(f);
        }
        return {};
    }

private:
    static std::string Fields(const std::vector<std::string>& f, std::size_t expected)
    {
        return f.size() == expected ? std::string()
                                    : std::to_string(f.size()) + " fields where " + std::to_string(expected) +
                                          " belong";
    }

    std::string Radon(const std::vector<std::string>& f)
    {
        if (std::string e = Fields(f, 10); !e.empty())
            return e;
        RadonRow row{probe_};
        long long v[8];
        const long long low[8] = {0, 0, 0, 0, 0, -128, 0, 0};
        const long long high[8] = {UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, 127, 127, 255};
        if (!Time(f[1], row.time))
            return "bad time \"" + f[1] + "\"";
        for (int i = 0; i < 8; ++i)
            if (!Number(f[2 + i], low[i], high[i], v[i]))
                return "bad value \"" + f[2 + i] + "\" in column " + std::to_string(3 + i);
        row.radon = static_cast<std::uint32_t>(v[0]);
        row.sum1 = static_cast<std::uint32_t>(v[1]);
        row.sum2 = static_cast<std::uint32_t>(v[2]);
        row.sum3 = static_cast<std::uint32_t>(v[3]);
        row.sum4 = static_cast<std::uint32_t>(v[4]);
        row.temperature = static_cast<int>(v[5]);
        row.humidity = static_cast<int>(v[6]);
        row.hv = static_cast<int>(v[7]);
        batch_.AddRadon(row);
        return {};
    }

    std::string Spectrum(const std::vector<std::string>& f)
    {
        if (std::string e = Fields(f, kSpectrumChannels + 1); !e.empty())
            return e;
        SpectrumRow row{probe_};
        if (!Time(f[0], row.time))
            return "bad time \"" + f[0] + "\"";
        for (std::size_t c = 0; c < kSpectrumChannels; ++c) {
            long long v = 0;
            if (!Number(f[c + 1], 0, 255, v))
                return "bad value \"" + f[c + 1] + "\" in column " + std::to_string(c + 2);
            row.channels[c] = static_cast<std::uint8_t>(v);
        }
        batch_.AddSpectrum(row);
        return {};
    }

    std::string Meteo(const std::vector<std::string>& f)
    {
        if (std::string e = Fields(f, 6); !e.empty())
            return e;
        MeteoRow row;
        long long pressure = 0;
        if (!Time(f[1], row.time))
            return "bad time \"" + f[1] + "\"";
        if (!Number(f[2], 0, UINT16_MAX, pressure))
            return "bad pressure \"" + f[2] + "\"";
        row.pressure = static_cast<int>(pressure);
        if (!ParseFixed(f[3], 1, row.temperature) || !ParseFixed(f[4], 1, row.humidity) ||
            !ParseFixed(f[5], 2, row.voltage))
            return "bad value in \"" + f[3] + "\t" + f[4] + "\t" + f[5] + "\"";
        batch_.AddMeteo(row);
        return {};
    }

    std::string Dia(const std::vector<std::string>& f)
    {
        if (std::string e = Fields(f, 5); !e.empty())
            return e;
        DiaRow row;
        long long element = 0, code = 0;
        if (!Time(f[1], row.time))
            return "bad time \"" + f[1] + "\"";
        if (f[2] != "Term" && !Number(f[2], 1, kProbeSlots, element))
            return "bad element \"" + f[2] + "\"";
        const char* end = f[3].data() + f[3].size();
        const auto [at, ec] = std::from_chars(f[3].data(), end, code, 16);
        if (f[3].size() != 2 || ec != std::errc() || at != end)
            return "bad code \"" + f[3] + "\"";
        row.element = static_cast<int>(element);
        row.code = static_cast<int>(code);
        batch_.AddDia(row);
        return {};
    }

    Kind kind_;
    int probe_;
    ArchiveBatch& batch_;
};

}  // namespace

bool ImportTabFile(const fs::path& file, ArchiveBatch& batch, std::string& error)
{
    const std::string name = file.filename().string();
    const std::optional<FileKind> kind = KindOf(name);
    if (!kind) {
        error = file.string() + ": not a file this program writes (RDN_n.tab, SPC_n.tab, TERM.tab, DIA.tab)";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file.string() + ": cannot be read";
        return false;
    }
    LineReader reader(kind->kind, kind->probe, batch);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const auto fail = [&](const std::string& what) {
            error = file.string() + ", line " + std::to_string(number) + ": " + what;
            return false;
        };
        if (line.empty() || line.back() != '\r')
            return fail("the line does not end with CR LF");
        line.pop_back();
        if (number == 1) {
            if (line != Header(kind->kind))
                return fail(kind->kind == Kind::Spectrum && line.starts_with("block")
                                ? "spectra labelled by block number carry no time"
                                : "not the header of " + name);
            continue;
        }
        if (const std::string what = reader.Read(line); !what.empty())
            return fail(what);
    }
    if (in.bad() || number == 0) {
        error = file.string() + (in.bad() ? ": cannot be read" : ": empty");
        return false;
    }
    return true;
}

bool ImportTabPaths(const std::vector<fs::path>& paths, ArchiveBatch& batch, std::string& error)
{
    for (const fs::path& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            if (!fs::exists(path, ec)) {
                error = path.string() + ": no such file or directory";
                return false;
            }
            if (!ImportTabFile(path, batch, error))
                return false;
            continue;
        }
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(path, ec))
            if (entry.path().extension() == ".tab")
                files.push_back(entry.path());
        if (ec) {
            error = path.string() + ": cannot be listed";
            return false;
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files)
            if (!ImportTabFile(file, batch, error))
                return false;
    }
    return true;
}

}  // namespace kolmaris::history
