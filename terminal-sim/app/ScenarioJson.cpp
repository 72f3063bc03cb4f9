// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScenarioJson.h"

#include "JsonFields.h"
#include "TerminalTime.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdio>
#include <set>

namespace kolmaris {
namespace {

constexpr int64_t kByte = 0xFF;
constexpr int64_t kWord = 0xFFFF;
constexpr int64_t kDoubleWord = 0xFFFF'FFFF;
constexpr int64_t kExactInteger = int64_t{1} << 53;
constexpr std::size_t kMaxCaption = 16;
constexpr std::size_t kMaxName = 64;
constexpr qint64 kMaxFileBytes = 1 << 20;

const std::vector<const char*> kBases{"default", "empty"};
const std::vector<const char*> kElementTypes{"repeater", "actuator", "probe"};
const std::vector<const char*> kFaultKinds{"refused", "busy", "wrongLength", "invalid"};

// Reads the object at `key` of `parent`, if there is one, with `read`, then checks its keys.
template <class Read>
void Section(JsonFields& parent, const char* key, std::string& error, Read read)
{
    if (const auto object = parent.Object(key)) {
        JsonFields fields(*object, parent.PathOf(key), error);
        read(fields);
        fields.Finish();
    }
}

// Calls `read` for each object of the array at `key`, with its path ("elements[2]").
template <class Read>
void EachObject(JsonFields& parent, const char* key, std::string& error, Read read)
{
    const auto array = parent.Array(key);
    if (!array)
        return;
    for (qsizetype i = 0; i < array->size() && error.empty(); ++i) {
        const std::string path = parent.PathOf(key) + "[" + std::to_string(i) + "]";
        const QJsonValue value = array->at(i);
        if (!value.isObject()) {
            parent.Fail(path, "expected an object, found " + DescribeJson(value));
            return;
        }
        const QJsonObject object = value.toObject();
        JsonFields fields(object, path, error);
        read(fields, path);
        fields.Finish();
    }
}

// "YYYY-MM-DD hh:mm:ss" on the terminal's clock; the day must exist in its month.
std::optional<TerminalTime> ParseDateTime(const std::string& text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second,
                    &tail) != 6 ||
        text.size() != 19)
        return std::nullopt;
    const TimeFields fields{year - 2000, month, day, hour, minute, second};
    TerminalTime time = 0;
    if (FieldsToTime(fields, time) != kFieldsOk)
        return std::nullopt;
    const TimeFields back = TimeToFields(time);
    if (back.month != month || back.day != day)
        return std::nullopt;
    return time;
}

// Seconds since 2000, "YYYY-MM-DD hh:mm:ss" or "now".
void ReadStartTime(JsonFields& f, TerminalTime& field)
{
    const auto value = f.Take("startTime");
    if (!value)
        return;
    std::optional<TerminalTime> time;
    if (const auto seconds = JsonInteger(*value)) {
        if (*seconds >= 0 && *seconds <= kLastTerminalTime)
            time = static_cast<TerminalTime>(*seconds);
    } else if (value->isString()) {
        const std::string text = value->toString().toStdString();
        time = text == "now" ? std::optional(PcTimeToTerminalTime()) : ParseDateTime(text);
    }
    if (time)
        field = *time;
    else
        f.Fail(f.PathOf("startTime"), "expected \"YYYY-MM-DD hh:mm:ss\" (2000-2099), \"now\" or seconds since 2000, "
                                      "found " + DescribeJson(*value));
}

void ReadTerminal(JsonFields& f, TerminalSetup& t, std::string& error)
{
    ReadStartTime(f, t.startTime);
    f.Integer("firmwareVersion", t.firmwareVersion, 0, kWord);
    f.Integer("channel", t.channel, 0, kByte);
    f.Integer("power", t.power, 0, 7);
    f.Integer("iqrfMode", t.iqrfMode, 0, 3);
    f.Integer("routingHops", t.routingHops, 0, 15);
    f.Integer("p2pAddress", t.p2pAddress, 0, 127);
    f.Integer("rssi", t.rssi, 0, 127);
    f.Boolean("acquisitionRunning", t.acquisitionRunning);
    f.Boolean("recordingOn", t.recordingOn);
    f.Boolean("sleep", t.sleep);
    f.Integer("queryPeriod", t.queryPeriod, 1, kWord);
    f.Integer("batteryCycles", t.batteryCycles, 1, 256);
    f.Integer("relayMode", t.relayMode, 0, 2);
    f.Boolean("relayFailure", t.relayFailure);
    f.Integer("relayRadonLevel", t.relayRadonLevel, 0, kDoubleWord);
    f.Number("supplyVoltage", t.supplyVoltage, 0.0, 20.0);
    f.Boolean("chargerConnected", t.chargerConnected);
    f.Boolean("administrator", t.administrator);
    f.Boolean("hostRs232", t.hostRs232);
    Section(f, "environment", error, [&](JsonFields& e) {
        e.Number("pressureHpa", t.environment.pressureHpa, 300.0, 1100.0);
        e.Number("temperatureC", t.environment.temperatureC, -40.0, 85.0);
        e.Number("humidityPercent", t.environment.humidityPercent, 0.0, 100.0);
    });
    f.Number("timeAcceleration", t.timeAcceleration, 0.001, 3600.0);
}

void ReadProbe(JsonFields& f, ProbeSetup& p)
{
    f.Integer("discrimination1", p.discrimination1, 0, kByte);
    f.Integer("discrimination2", p.discrimination2, 0, kByte);
    f.Integer("discrimination3", p.discrimination3, 0, kByte);
    f.Integer("calibration", p.calibration, 0, kWord);
    f.Integer("limit", p.limit, 0, kWord);
    f.Integer("gain", p.gain, 0, kByte);
    f.Integer("recordMinutes", p.recordMinutes, 1, kByte);
    f.Integer("radonLevel", p.radonLevel, 0, 100'000);
    f.Integer("recordsPrefill", p.recordsPrefill, -1, 4096);
    f.Integer("spectraPrefill", p.spectraPrefill, -1, 511);
    f.Integer("totalCounts", p.totalCounts, 0, kDoubleWord);
    f.Boolean("reportsTotalCounts", p.reportsTotalCounts);
}

void ReadElement(JsonFields& f, ElementSetup& e, std::string& error)
{
    if (const auto type = f.Choice("type", kElementTypes))
        e.type = static_cast<ElementType>(*type + 1);
    f.Integer("meshAddress", e.meshAddress, 0, 16);
    f.Integer("function", e.function, 0, 15);
    f.Integer("p2pAddress", e.p2pAddress, 0, 127);
    f.Text("caption", e.caption, kMaxCaption);
    f.Integer("channel", e.channel, 0, kByte);
    f.Integer("power", e.power, 0, 15);
    f.Integer("iqrfMode", e.iqrfMode, 0, 3);
    f.Boolean("inRange", e.inRange);
    f.Integer("rssi", e.rssi, 0, 127);
    f.Integer("foreignMeshAddress", e.foreignMeshAddress, 0, kByte);
    f.Number("voltage", e.voltage, 0.0, 20.0);
    Section(f, "probe", error, [&](JsonFields& p) { ReadProbe(p, e.probe); });
    Section(f, "actuator", error, [&](JsonFields& a) {
        a.Integer("mode", e.actuator.mode, 0, 2);
        a.Boolean("relayFailure", e.actuator.relayFailure);
    });
}

void ReadElements(JsonFields& f, std::vector<ElementSetup>& elements, std::string& error)
{
    if (!f.Array("elements") || f.Failed())
        return;
    std::vector<ElementSetup> read;
    std::set<int> addresses;
    EachObject(f, "elements", error, [&](JsonFields& fields, const std::string& path) {
        if (read.size() == kMaxScenarioElements) {
            fields.Fail(path, "more than " + std::to_string(kMaxScenarioElements) + " elements");
            return;
        }
        ElementSetup e;
        ReadElement(fields, e, error);
        if (e.meshAddress != 0 && !addresses.insert(e.meshAddress).second)
            fields.Fail(fields.PathOf("meshAddress"),
                        "MESH address " + std::to_string(e.meshAddress) + " is taken by an earlier element");
        read.push_back(e);
    });
    if (error.empty())
        elements = std::move(read);
}

void ReadFaults(JsonFields& f, FaultSetup& faults, std::string& error)
{
    if (const auto refused = f.Array("refusedCommands")) {
        std::vector<uint8_t> codes;
        for (qsizetype i = 0; i < refused->size(); ++i) {
            const std::string path = f.PathOf("refusedCommands") + "[" + std::to_string(i) + "]";
            if (const auto code = JsonIntegerAt(refused->at(i), path, 0, kByte, error))
                codes.push_back(static_cast<uint8_t>(*code));
        }
        faults.refusedCommands = codes;
    }
    if (f.Array("answerFaults")) {
        std::vector<AnswerFault> read;
        EachObject(f, "answerFaults", error, [&](JsonFields& a, const std::string&) {
            AnswerFault fault;
            if (const auto kind = a.Choice("kind", kFaultKinds))
                fault.kind = static_cast<AnswerFaultKind>(*kind);
            a.Integer("address", fault.address, 0, kByte);
            a.Integer("command", fault.command, -1, kByte);
            a.Integer("count", fault.count, -1, kExactInteger);
            read.push_back(fault);
        });
        faults.answerFaults = read;
    }
    f.Integer("pollsBeforeCompletion", faults.pollsBeforeCompletion, 0, 1000);
    f.Number("corruptionRate", faults.corruptionRate, 0.0, 1.0);
    f.Number("lossRate", faults.lossRate, 0.0, 1.0);
    f.Integer("stopAnsweringAfter", faults.stopAnsweringAfter, -1, kExactInteger);
    f.Integer("holdRepliesAfter", faults.holdRepliesAfter, -1, kExactInteger);
    f.Integer("holdRepliesMs", faults.holdRepliesMs, 0, 3'600'000);
    f.Boolean("holdLosesReplies", faults.holdLosesReplies);
    f.Boolean("baudPacing", faults.baudPacing);
}

std::string NameOf(const std::string& source)
{
    const std::string stem = std::filesystem::path(source).stem().string();
    return stem.empty() ? source : stem;
}

// The message is one line on a terminal: control characters from the file (C0, DEL and
// UTF-8-encoded C1) are written as escapes, so a key cannot break the line or send a sequence.
std::string EscapeControls(const std::string& text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F)
            out += std::string("\\x") + kHex[c >> 4] + kHex[c & 0xF];
        else if (c1) {
            const auto code = static_cast<unsigned char>(text[++i]);
            out += std::string("\\u00") + kHex[code >> 4] + kHex[code & 0xF];
        } else
            out += text[i];
    }
    return out;
}

ScenarioLoad Failure(const std::string& source, const std::string& message)
{
    return {std::nullopt, EscapeControls(source + ": " + message)};
}

// Line and column (from 1) of a byte offset.
std::string Position(std::string_view text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

}  // namespace

ScenarioLoad ParseScenarioJson(std::string_view json, const std::string& source)
{
    QJsonParseError parseError{};
    const auto document =
        QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const auto offset = static_cast<std::size_t>(std::max(0, parseError.offset));
        return Failure(source, "not valid JSON at offset " + std::to_string(offset) + " (" +
                                   Position(json, offset) + "): " + parseError.errorString().toStdString());
    }
    if (!document.isObject())
        return Failure(source, "expected a JSON object at the top, found " +
                                   std::string(document.isArray() ? "an array" : "nothing"));

    const QJsonObject top = document.object();
    std::string error;
    JsonFields f(top, "", error);
    const auto base = f.Choice("base", kBases);
    Scenario scenario = base.value_or(0) == 0 ? DefaultScenario() : Scenario{};
    scenario.name = NameOf(source);
    if (const auto description = f.Take("description"); description && !description->isString())
        f.Fail("description", "expected text, found " + DescribeJson(*description));
    f.Text("name", scenario.name, kMaxName, false);
    f.Unsigned64("seed", scenario.seed);
    Section(f, "terminal", error, [&](JsonFields& t) { ReadTerminal(t, scenario.terminal, error); });
    ReadElements(f, scenario.elements, error);
    Section(f, "memory", error, [&](JsonFields& m) {
        m.Number("days", scenario.memory.days, 0.0, kMaxPrefillDays);
        m.Boolean("wrapped", scenario.memory.wrapped);
    });
    Section(f, "faults", error, [&](JsonFields& faults) { ReadFaults(faults, scenario.faults, error); });
    f.Finish();
    if (!error.empty())
        return Failure(source, error);
    return {std::move(scenario), {}};
}

ScenarioLoad LoadScenarioFile(const std::filesystem::path& file)
{
    const std::string source = file.string();
    QFile in(QString::fromStdString(source));
    if (!in.open(QIODevice::ReadOnly))
        return Failure(source, "cannot read the file: " + in.errorString().toStdString());
    const QByteArray bytes = in.read(kMaxFileBytes + 1);
    if (in.error() != QFileDevice::NoError)
        return Failure(source, "cannot read the file: " + in.errorString().toStdString());
    if (bytes.size() > kMaxFileBytes)
        return Failure(source, "larger than " + std::to_string(kMaxFileBytes) + " bytes, not a scenario");
    return ParseScenarioJson(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), source);
}

}  // namespace kolmaris
