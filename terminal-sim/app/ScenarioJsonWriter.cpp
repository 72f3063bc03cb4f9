// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a scenario as a complete, readable file: keys in the order of the settings, two
// spaces of indentation, short arrays of numbers on one line.
#include "ScenarioJson.h"

#include "TerminalTime.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <variant>
#include <vector>

namespace kolmaris {
namespace {

constexpr uint64_t kExactIntegerLimit = uint64_t{1} << 53;

struct Node;
using Members = std::vector<std::pair<std::string, Node>>;
using Items = std::vector<Node>;

// A JSON value whose scalars are already rendered.
struct Node {
    std::variant<std::string, Members, Items> value;
};

Node Raw(std::string text)
{
    return {std::move(text)};
}

Node Text(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return Raw(out + "\"");
}

Node Int(int64_t value)
{
    return Raw(std::to_string(value));
}

Node Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "\"0x%0*X\"", digits, value);
    return Raw(text);
}

Node Bool(bool value)
{
    return Raw(value ? "true" : "false");
}

// Ten significant digits: the settings' own precision, without binary noise.
Node Real(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return Raw(text);
}

// "YYYY-MM-DD hh:mm:ss" on the terminal's clock.
Node Date(TerminalTime time)
{
    if (time > kLastTerminalTime)
        return Int(time);
    const TimeFields f = TimeToFields(time);
    char text[32];
    std::snprintf(text, sizeof text, "\"%04d-%02d-%02d %02d:%02d:%02d\"", 2000 + f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    return Raw(text);
}

template <class T>
Node OptionalInt(const std::optional<T>& value)
{
    return value ? Int(*value) : Raw("null");
}

Node Environment(const EnvironmentSetup& e)
{
    return {Members{{"pressureHpa", Real(e.pressureHpa)},
                    {"temperatureC", Real(e.temperatureC)},
                    {"humidityPercent", Real(e.humidityPercent)}}};
}

Node Terminal(const TerminalSetup& t)
{
    return {Members{
        {"startTime", Date(t.startTime)},
        {"firmwareVersion", Hex(t.firmwareVersion, 4)},
        {"channel", Int(t.channel)},
        {"power", Int(t.power)},
        {"iqrfMode", Int(t.iqrfMode)},
        {"routingHops", Int(t.routingHops)},
        {"p2pAddress", Int(t.p2pAddress)},
        {"rssi", Int(t.rssi)},
        {"acquisitionRunning", Bool(t.acquisitionRunning)},
        {"recordingOn", Bool(t.recordingOn)},
        {"sleep", Bool(t.sleep)},
        {"queryPeriod", Int(t.queryPeriod)},
        {"batteryCycles", Int(t.batteryCycles)},
        {"relayMode", Int(t.relayMode)},
        {"relayFailure", Bool(t.relayFailure)},
        {"relayRadonLevel", Int(t.relayRadonLevel)},
        {"supplyVoltage", Real(t.supplyVoltage)},
        {"chargerConnected", Bool(t.chargerConnected)},
        {"administrator", Bool(t.administrator)},
        {"hostRs232", Bool(t.hostRs232)},
        {"environment", Environment(t.environment)},
        {"timeAcceleration", Real(t.timeAcceleration)},
    }};
}

Node Probe(const ProbeSetup& p)
{
    return {Members{
        {"discrimination1", Int(p.discrimination1)},
        {"discrimination2", Int(p.discrimination2)},
        {"discrimination3", Int(p.discrimination3)},
        {"calibration", Int(p.calibration)},
        {"limit", Int(p.limit)},
        {"gain", Int(p.gain)},
        {"recordMinutes", Int(p.recordMinutes)},
        {"radonLevel", Int(p.radonLevel)},
        {"recordsPrefill", Int(p.recordsPrefill)},
        {"spectraPrefill", Int(p.spectraPrefill)},
        {"totalCounts", Int(p.totalCounts)},
        {"reportsTotalCounts", Bool(p.reportsTotalCounts)},
    }};
}

const char* TypeName(ElementType type)
{
    switch (type) {
        case ElementType::Repeater:
            return "repeater";
        case ElementType::Actuator:
            return "actuator";
        default:
            return "probe";
    }
}

// The settings of the other element types are left out.
Node Element(const ElementSetup& e)
{
    Members m{
        {"type", Text(TypeName(e.type))},
        {"meshAddress", Int(e.meshAddress)},
        {"function", OptionalInt(e.function)},
        {"p2pAddress", Int(e.p2pAddress)},
        {"caption", Text(e.caption)},
        {"channel", OptionalInt(e.channel)},
        {"power", Int(e.power)},
        {"iqrfMode", OptionalInt(e.iqrfMode)},
        {"inRange", Bool(e.inRange)},
        {"rssi", Int(e.rssi)},
        {"foreignMeshAddress", Int(e.foreignMeshAddress)},
        {"voltage", Real(e.voltage)},
    };
    if (e.type == ElementType::Probe)
        m.emplace_back("probe", Probe(e.probe));
    if (e.type == ElementType::Actuator)
        m.emplace_back("actuator", Node{Members{{"mode", Int(e.actuator.mode)},
                                                {"relayFailure", Bool(e.actuator.relayFailure)}}});
    return {std::move(m)};
}

const char* KindName(AnswerFaultKind kind)
{
    switch (kind) {
        case AnswerFaultKind::Busy:
            return "busy";
        case AnswerFaultKind::WrongLength:
            return "wrongLength";
        case AnswerFaultKind::Invalid:
            return "invalid";
        default:
            return "refused";
    }
}

Node Faults(const FaultSetup& f)
{
    Items refused;
    for (const uint8_t code : f.refusedCommands)
        refused.push_back(Hex(code, 2));
    Items answerFaults;
    for (const AnswerFault& a : f.answerFaults) {
        answerFaults.push_back({Members{{"kind", Text(KindName(a.kind))},
                                        {"address", Int(a.address)},
                                        {"command", a.command < 0 ? Int(a.command) : Hex(unsigned(a.command), 2)},
                                        {"count", Int(a.count)}}});
    }
    return {Members{
        {"refusedCommands", {std::move(refused)}},
        {"answerFaults", {std::move(answerFaults)}},
        {"pollsBeforeCompletion", Int(f.pollsBeforeCompletion)},
        {"corruptionRate", Real(f.corruptionRate)},
        {"lossRate", Real(f.lossRate)},
        {"stopAnsweringAfter", Int(f.stopAnsweringAfter)},
        {"holdRepliesAfter", Int(f.holdRepliesAfter)},
        {"holdRepliesMs", Int(f.holdRepliesMs)},
        {"holdLosesReplies", Bool(f.holdLosesReplies)},
        {"baudPacing", Bool(f.baudPacing)},
    }};
}

bool IsScalar(const Node& n)
{
    return std::holds_alternative<std::string>(n.value);
}

void Print(const Node& node, int indent, std::string& out)
{
    const std::string pad(static_cast<std::size_t>(indent + 2), ' ');
    const std::string closePad(static_cast<std::size_t>(indent), ' ');
    if (const auto* scalar = std::get_if<std::string>(&node.value)) {
        out += *scalar;
    } else if (const auto* members = std::get_if<Members>(&node.value)) {
        out += "{";
        for (std::size_t i = 0; i < members->size(); ++i) {
            out += (i == 0 ? "\n" : ",\n") + pad + "\"" + (*members)[i].first + "\": ";
            Print((*members)[i].second, indent + 2, out);
        }
        out += members->empty() ? "}" : "\n" + closePad + "}";
    } else {
        const auto& items = std::get<Items>(node.value);
        const bool inline_ = std::all_of(items.begin(), items.end(), IsScalar);
        out += "[";
        for (std::size_t i = 0; i < items.size(); ++i) {
            out += inline_ ? (i == 0 ? "" : ", ") : (i == 0 ? "\n" : ",\n") + pad;
            Print(items[i], indent + 2, out);
        }
        out += inline_ || items.empty() ? "]" : "\n" + closePad + "]";
    }
}

}  // namespace

std::string ScenarioToJson(const Scenario& scenario)
{
    Items elements;
    for (const ElementSetup& e : scenario.elements)
        elements.push_back(Element(e));
    const Node seed = scenario.seed < kExactIntegerLimit ? Int(static_cast<int64_t>(scenario.seed))
                                                         : Text(std::to_string(scenario.seed));
    const Node top{Members{
        {"name", Text(scenario.name)},
        {"seed", seed},
        {"terminal", Terminal(scenario.terminal)},
        {"elements", {std::move(elements)}},
        {"memory", {Members{{"days", Real(scenario.memory.days)}, {"wrapped", Bool(scenario.memory.wrapped)}}}},
        {"faults", Faults(scenario.faults)},
    }};
    std::string out;
    Print(top, 0, out);
    return out + "\n";
}

}  // namespace kolmaris
