// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "MeshOverviewReader.h"
#include "ProbeAccess.h"
#include "Requests.h"
#include "TerminalCommands.h"
#include "TickPacer.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <optional>

namespace kolmaris::cli {

namespace {

constexpr uint32_t kTickMs = kPollPauseMs;
constexpr uint32_t kStopPollMs = 200;
constexpr int kStopPolls = 50;  // about 10 s for a query in progress to end
constexpr uint16_t kKindNotRead = 0x8000;
constexpr uint16_t kFunctionBits = 0x0007;
constexpr float kHighestVoltage = 5.0f;

// One row of the table: the terminal (address 0) or an element, unknown values empty.
struct MeshRow {
    uint8_t address = 0;
    std::optional<uint8_t> function;
    std::optional<uint8_t> power;
    std::optional<OverviewRssi> rssi;
    std::optional<float> voltage;
    std::optional<uint8_t> p2p;
    bool complete = true;
};

std::optional<uint8_t> Known(uint8_t value)
{
    return value == kUnknown ? std::nullopt : std::optional<uint8_t>(value);
}

MeshRow RowOf(const MeshOverviewReader& reader, const MeasuringSystem& model, uint8_t address)
{
    const ElementSlot& slot = model.ElementTable[address];
    MeshRow row;
    row.address = address;
    if (address != 0 && !(slot.status.kind & kKindNotRead))
        row.function = static_cast<uint8_t>(slot.status.kind & kFunctionBits);
    row.power = Known(slot.power);
    row.rssi = reader.Rssi(address);
    if (slot.status.voltage <= kHighestVoltage)
        row.voltage = slot.status.voltage;
    row.p2p = Known(slot.p2pAddress);
    row.complete = reader.RowComplete(address);
    return row;
}

template <class T>
std::string Text(const std::optional<T>& value, const char* unknown)
{
    return value ? std::to_string(*value) : unknown;
}

std::string VoltageText(const std::optional<float>& volts, const char* unknown, bool unit)
{
    if (!volts)
        return unknown;
    char text[16];
    std::snprintf(text, sizeof text, unit ? "%0.2f V" : "%0.2f", static_cast<double>(*volts));
    return text;
}

std::string RssiText(const std::optional<OverviewRssi>& rssi, const char* unknown, const char* separator)
{
    if (!rssi)
        return std::string(unknown) + separator + unknown;
    return std::to_string(rssi->element) + separator + Text(rssi->local, unknown);
}

std::string FunctionText(const MeshRow& row)
{
    if (row.address == 0)
        return "terminal";
    return row.function ? FunctionName(*row.function) : "...";
}

std::string Name(uint8_t address)
{
    char text[8];
    std::snprintf(text, sizeof text, "B%02d", address);
    return address == 0 ? "Term" : text;
}

void PrintText(std::ostream& out, const std::vector<MeshRow>& rows, std::optional<uint8_t> hops,
               std::optional<uint8_t> channel)
{
    out << "RF channel: " << Text(channel, "...") << "   Number of hops: " << Text(hops, "...") << "\n";
    char line[128];
    std::snprintf(line, sizeof line, "%-6s%-14s%-7s%-9s%-10s%s", "MESH", "Function", "Power", "RSSI", "Voltage", "P2P");
    out << line << "\n";
    for (const MeshRow& row : rows) {
        std::snprintf(line, sizeof line, "%-6s%-14s%-7s%-9s%-10s%-5s%s", Name(row.address).c_str(),
                      FunctionText(row).c_str(), Text(row.power, "...").c_str(),
                      row.address == 0 ? "" : RssiText(row.rssi, "...", "/").c_str(),
                      VoltageText(row.voltage, "...", true).c_str(), Text(row.p2p, "...").c_str(),
                      row.complete ? "" : "incomplete");
        std::string text = line;
        text.erase(text.find_last_not_of(' ') + 1);
        out << text << "\n";
    }
}

void PrintCsv(std::ostream& out, const std::vector<MeshRow>& rows, std::optional<uint8_t> hops,
              std::optional<uint8_t> channel)
{
    out << "address,function,power,rssi,terminal_rssi,voltage,p2p,channel,hops,complete\n";
    for (const MeshRow& row : rows) {
        const bool terminal = row.address == 0;
        out << int(row.address) << ',' << FunctionText(row) << ',' << Text(row.power, "") << ','
            << (terminal ? "," : RssiText(row.rssi, "", ",")) << ',' << VoltageText(row.voltage, "", false) << ','
            << Text(row.p2p, "") << ',' << (terminal ? Text(channel, "") : "") << ','
            << (terminal ? Text(hops, "") : "") << ',' << (row.complete ? "yes" : "no") << "\n";
    }
}

template <class T>
nlohmann::ordered_json Json(const std::optional<T>& value)
{
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

// To the hundredth, as the text shows it.
nlohmann::ordered_json VoltageJson(const std::optional<float>& volts)
{
    return volts ? nlohmann::ordered_json(std::round(static_cast<double>(*volts) * 100.0) / 100.0)
                 : nlohmann::ordered_json(nullptr);
}

void PrintJson(std::ostream& out, const std::vector<MeshRow>& rows, std::optional<uint8_t> hops,
               std::optional<uint8_t> channel)
{
    const MeshRow& terminal = rows.front();
    nlohmann::ordered_json elements = nlohmann::ordered_json::array();
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const MeshRow& row = rows[i];
        elements.push_back({{"address", row.address},
                            {"function", row.function ? nlohmann::ordered_json(FunctionName(*row.function)) : nullptr},
                            {"function_code", Json(row.function)},
                            {"power", Json(row.power)},
                            {"rssi", row.rssi ? nlohmann::ordered_json(row.rssi->element) : nullptr},
                            {"terminal_rssi", row.rssi ? Json(row.rssi->local) : nullptr},
                            {"voltage", VoltageJson(row.voltage)},
                            {"p2p", Json(row.p2p)},
                            {"complete", row.complete}});
    }
    const nlohmann::ordered_json document{{"coordinator",
                                           {{"channel", Json(channel)},
                                            {"hops", Json(hops)},
                                            {"power", Json(terminal.power)},
                                            {"voltage", VoltageJson(terminal.voltage)},
                                            {"p2p", Json(terminal.p2p)},
                                            {"complete", terminal.complete}}},
                                          {"elements", elements}};
    out << document.dump(2) << '\n';
}

// Waits until the terminal reports its acquisition stopped. False when it does not.
bool WaitForStop(StepLink& link, int attempts)
{
    for (int poll = 0; poll < kStopPolls; ++poll) {
        uint8_t state = 0;
        uint32_t countdown = 0;
        uint32_t period = 0;
        uint16_t cycles = 0;
        if (Retried(attempts, [&] { return ReadAcquisitionState(link, state, countdown, period, cycles); }) == kOk &&
            !(state & 0x01))
            return true;
        link.GetClock().SleepMs(kStopPollMs);
    }
    return false;
}

}  // namespace

Exit RunMesh(StepLink& link, int attempts, OutputFormat format, CommandIo& io)
{
    MeasuringSystem model;
    if (const ExchangeResult map = ReadBondedList(link, attempts, model); !map.Ok()) {
        ReportError(io.err, "cannot read the bonding map: " + map.Text());
        return Exit::Failed;
    }
    std::vector<uint8_t> addresses;
    for (const uint8_t address : model.BondedList) {
        if (address == 0)
            break;
        addresses.push_back(address);
    }
    AcquisitionPause acquisition;
    std::string error;
    if (!acquisition.Stop(link, attempts, error)) {
        ReportError(io.err, error);
        return Exit::Failed;
    }
    if (acquisition.WasRunning() && !WaitForStop(link, attempts)) {
        ReportError(io.err, "data acquisition did not stop");
        acquisition.Resume(link, attempts);
        return Exit::Failed;
    }

    MeshOverviewReader reader;
    reader.events.progress = [&io, &reader](const std::string& text) {
        io.progress.Show(reader.Step() / static_cast<double>(MeshOverviewReader::kEnd), text);
    };
    reader.Start(addresses, attempts);
    TickPacer pacer(link.GetClock(), kTickMs);
    bool interrupted = false;
    for (;;) {
        if (io.stopRequested()) {
            interrupted = true;
            break;
        }
        pacer.Begin();
        if (reader.Tick(link, model) != MeshOverviewReader::TickResult::Running)
            break;
        pacer.Wait(kTickMs);
    }
    io.progress.Finish();
    if (const std::string resumed = acquisition.Resume(link, attempts); !resumed.empty())
        ReportError(io.err, resumed);
    if (interrupted) {
        ReportError(io.err, "interrupted");
        return Exit::Interrupted;
    }

    std::vector<MeshRow> rows{RowOf(reader, model, 0)};
    for (const uint8_t address : addresses)
        rows.push_back(RowOf(reader, model, address));
    const std::optional<uint8_t> channel = Known(model.ElementTable[0].channel);
    switch (format) {
        case OutputFormat::Text:
            PrintText(io.out, rows, reader.Hops(), channel);
            break;
        case OutputFormat::Csv:
            PrintCsv(io.out, rows, reader.Hops(), channel);
            break;
        case OutputFormat::Json:
            PrintJson(io.out, rows, reader.Hops(), channel);
            break;
    }
    io.out.flush();
    if (reader.TerminalSilent()) {
        ReportError(io.err, "the terminal stopped answering; the values it did not give are marked incomplete");
        return Exit::Failed;
    }
    bool complete = !reader.ReadFailed();
    for (const MeshRow& row : rows)
        complete = complete && row.complete;
    if (complete)
        return Exit::Ok;
    ReportError(io.err, "some values could not be read; their rows are marked incomplete");
    return Exit::Failed;
}

}  // namespace kolmaris::cli
