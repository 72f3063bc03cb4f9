// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include "MeasuringSystem.h"
#include "Printf.h"
#include "Requests.h"
#include "TerminalCommands.h"
#include "TerminalTime.h"

#include <algorithm>

namespace kolmaris::cli {

namespace {

// The terminal needs a moment between the start of a measurement and its reading: the main
// window reads one polling tick later.
constexpr uint32_t kMeasurementMs = 200;

constexpr uint8_t kStateRunning = 0x01;
constexpr uint8_t kStateSleep = 0x02;
constexpr uint8_t kTerminalFlagsKept = 0x1F;

// What the status lines share: the link, the model the answers go into, the first failure.
struct StatusReport {
    StepLink& link;
    int attempts;
    CommandIo& io;
    MeasuringSystem model;
    std::string firstFailure;

    uint32_t Request(const std::function<uint32_t()>& command) { return Retried(attempts, command); }

    void Failed(const std::string& what)
    {
        if (firstFailure.empty())
            firstFailure = what;
    }

    // One line: the label, then the value, or "no answer" when the request failed.
    void Line(const char* label, uint32_t result, const std::string& value)
    {
        io.out << Printf("%-14s", label) << (result == kOk ? value : "no answer") << '\n';
        if (result != kOk)
            Failed(std::string(label) + " " + ResultText(result));
    }

    Exit Finish()
    {
        io.out.flush();
        if (firstFailure.empty())
            return Exit::Ok;
        ReportError(io.err, "the terminal did not answer every request; first: " + firstFailure);
        return Exit::Failed;
    }
};

void TerminalLines(StatusReport& r)
{
    StepLink& link = r.link;
    StartEnvironmentMeasurement(link);
    StartVoltageMeasurement(link);
    link.GetClock().SleepMs(kMeasurementMs);

    uint32_t time = 0;
    const uint32_t timeRead = r.Request([&] { return ReadTerminalTime(link, time); });
    r.Line("Clock:", timeRead, TerminalTimeText(time, true));

    float& volts = r.model.ElementTable[0].status.voltage;
    const uint32_t voltageRead = r.Request([&] { return ReadTerminalVoltage(link, volts); });
    r.Line("Voltage:", voltageRead, Printf("%0.2f V", volts));

    uint32_t pressure = 0;
    float temperature = 0;
    float humidity = 0;
    const uint32_t environmentRead =
        r.Request([&] { return ReadTerminalEnvironment(link, pressure, temperature, humidity); });
    r.Line("Temperature:", environmentRead, Printf("%0.1f \u00B0C", temperature));
    r.Line("Pressure:", environmentRead, Printf("%d hPa", static_cast<int>(pressure)));
    r.Line("Humidity:", environmentRead, Printf("%0.1f %%", humidity));

    uint8_t state = 0;
    uint32_t countdown = 0;
    uint32_t period = 0;
    uint16_t cycles = 0;
    const uint32_t stateRead = r.Request([&] { return ReadAcquisitionState(link, state, countdown, period, cycles); });
    std::string acquisition = (state & kStateRunning)
                                  ? Printf("running, next query in %u s (query period %u s)", countdown, period)
                                  : std::string("stopped");
    if (state & kStateSleep)
        acquisition += ", sleep mode";
    r.Line("Acquisition:", stateRead, acquisition);

    uint8_t flags = 0;
    if (const uint32_t flagsRead = r.Request([&] { return ReadTerminalFlags(link, flags); }); flagsRead == kOk)
        r.model.ElementTable[0].status.statusFlags = flags & kTerminalFlagsKept;
    else
        r.Failed("Flags: " + ResultText(flagsRead));
}

// The bonded elements, each with its function, read into the model as the polling loop does.
void ElementLines(StatusReport& r)
{
    const ExchangeResult map = ReadBondedList(r.link, r.attempts, r.model);
    if (!map.Ok()) {
        r.io.out << "Elements:     no answer\n";
        r.Failed("Bonding map: " + map.Text());
        return;
    }
    int bonded = 0;
    while (bonded < kTableSlots && r.model.BondedList[bonded] != 0)
        ++bonded;
    r.io.out << Printf("%-14s%d bonded", "Elements:", bonded) << '\n';
    for (int i = 0; i < bonded; ++i) {
        const uint8_t address = r.model.BondedList[i];
        ElementStatus& status = r.model.ElementTable[address].status;
        const uint32_t read = r.Request([&] { return ReadElementStatus(r.link, address, status); });
        std::string state;
        if (read != kOk) {
            state = "no answer";
            r.Failed("Element " + std::to_string(address) + ": " + ResultText(read));
        } else if (FailedContacts(status.kind) >= kOutOfRangeContacts) {
            state = FunctionName(FunctionCode(status.kind)) + ", out of RF range";
        } else {
            state = FunctionName(FunctionCode(status.kind));
            if (status.voltage >= kMinValidVoltage)
                state += Printf(", %0.2f V", status.voltage);
        }
        r.io.out << Printf("  %2d  ", address) << state << '\n';
    }
}

// The alarm texts the main window's error panel would show, one line each.
void AlarmLines(StatusReport& r)
{
    std::string& text = r.model.AlarmText;
    r.model.AppendOutOfRangeAlarm(text);
    r.model.AppendLowBatteryAlarm(text);
    r.model.AppendRelayFailureAlarm(text);
    if (text.empty()) {
        r.io.out << "Alarms:       none\n";
        return;
    }
    r.io.out << "Alarms:\n";
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        const std::string line = text.substr(begin, end - begin);
        r.io.out << (line.empty() ? "" : "  ") << line << '\n';
        begin = end + 1;
    }
}

}  // namespace

Exit RunStatus(StepLink& link, const std::string& where, int attempts, CommandIo& io)
{
    StatusReport report{link, attempts, io, {}, {}};
    uint16_t version = 0;
    const uint32_t versionRead = report.Request([&] { return ReadTerminalVersion(link, version); });
    if (versionRead != kOk) {
        ReportError(io.err, "the terminal on " + where + " does not answer: " + ResultText(versionRead));
        return Exit::Failed;
    }
    io.out << Printf("%-14s", "Terminal:") << where << '\n';
    io.out << Printf("%-14s%d.%02d", "Firmware:", version >> 8, version & 0xFF) << '\n';
    TerminalLines(report);
    ElementLines(report);
    AlarmLines(report);
    return report.Finish();
}

}  // namespace kolmaris::cli
