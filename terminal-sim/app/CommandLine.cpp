// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <charconv>
#include <string_view>

namespace kolmaris {
namespace {

template <class T>
std::optional<T> ParseNumber(std::string_view text)
{
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The names as a comma-separated list, wrapped into lines of at most 80 columns that begin
// with `indent` spaces; "none" when there is none.
std::string NameList(const std::vector<std::string>& names, std::size_t indent)
{
    if (names.empty())
        return std::string(indent, ' ') + "none\n";
    std::string text, line(indent, ' ');
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string item = names[i] + (i + 1 < names.size() ? "," : "");
        if (line.size() > indent && line.size() + 1 + item.size() > 80) {
            text += line + "\n";
            line = std::string(indent, ' ');
        }
        line += (line.size() > indent ? " " : "") + item;
    }
    return text + line + "\n";
}

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const char* const> args)
{
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i] != nullptr ? args[i] : "";
        std::optional<std::string_view> attached;  // --option=value
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            attached = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        const auto value = [&]() -> std::optional<std::string_view> {
            if (attached)
                return attached;
            if (i + 1 < args.size() && args[i + 1] != nullptr && !std::string_view(args[i + 1]).starts_with("--"))
                return std::string_view(args[++i]);
            return std::nullopt;
        };
        const auto flag = [&](bool& field) {
            field = true;
            return !attached;
        };
        const std::string name(arg);

        if (arg == "--port") {
            const auto v = value();
            const auto port = v ? ParseNumber<int>(*v) : std::nullopt;
            if (!port || *port < 1 || *port > 255)
                return {std::nullopt, "--port needs a number from 1 to 255" +
                                          (v ? ", not \"" + std::string(*v) + "\"" : std::string())};
            options.port = *port;
        } else if (arg == "--scenario") {
            const auto v = value();
            if (!v || v->empty())
                return {std::nullopt, "--scenario needs a file name"};
            options.scenarioFile = std::string(*v);
        } else if (arg == "--seed") {
            const auto v = value();
            options.seed = v ? ParseNumber<uint64_t>(*v) : std::nullopt;
            if (!options.seed)
                return {std::nullopt, "--seed needs a number from 0 to 18446744073709551615" +
                                          (v ? ", not \"" + std::string(*v) + "\"" : std::string())};
        } else if (arg == "--baud-pacing") {
            if (!flag(options.baudPacing))
                return {std::nullopt, name + " takes no value"};
        } else if (arg == "--dump-scenario") {
            if (!flag(options.dumpScenario))
                return {std::nullopt, name + " takes no value"};
        } else if (arg == "--help" || arg == "-h") {
            if (!flag(options.help))
                return {std::nullopt, name + " takes no value"};
        } else {
            return {std::nullopt, "unknown option \"" + std::string(args[i] != nullptr ? args[i] : "") + "\""};
        }
    }
    return {options, {}};
}

std::string HelpText(const std::filesystem::path& portDirectory, const std::vector<std::string>& scenarioNames)
{
    const std::string here = portDirectory.empty() ? "none: neither XDG_RUNTIME_DIR nor HOME is set"
                                                   : portDirectory.string();
    return "Usage: kolmaris-terminal-sim [options]\n"
           "\n"
           "Serves a simulated terminal, with the MESH of elements a scenario describes, on a\n"
           "pseudo-terminal and registers it as a COM port number, so that the program finds it\n"
           "like a terminal on a serial line. Runs until Ctrl-C (SIGINT), SIGTERM or SIGHUP, then\n"
           "removes its port link and exits.\n"
           "\n"
           "Options:\n"
           "  --port N         register as COM N (1-255); default: the first free number from 97.\n"
           "                   COM 1-96 stand for /dev/ttyS*, /dev/ttyUSB* and /dev/ttyACM*;\n"
           "                   the simulator hides such a device while it runs.\n"
           "  --scenario FILE  the system to simulate, from a JSON scenario file, or the name\n"
           "                   of a scenario that ships with the simulator (full-mesh); default:\n"
           "                   the built-in one (3 radon probes, an actuator, a repeater, two\n"
           "                   weeks of data in the memory)\n"
           "  --baud-pacing    deliver bytes no faster than 19200 baud carries them (1920 bytes\n"
           "                   a second), both ways; also on when the scenario sets\n"
           "                   faults.baudPacing\n"
           "  --seed N         seed of the simulation's randomness (0-18446744073709551615),\n"
           "                   in place of the scenario's\n"
           "  --dump-scenario  print the scenario that would run as a complete JSON file, every\n"
           "                   key written out, and exit; a starting point for your own\n"
           "  -h, --help       print this help and exit\n"
           "\n"
           "Port directory:\n"
           "  COM N is the link COM<N> in $XDG_RUNTIME_DIR/kolmaris/ports, or in\n"
           "  ~/.local/state/kolmaris/ports without XDG_RUNTIME_DIR; here:\n"
           "  " + here + "\n"
           "  The link points to the pseudo-terminal (/dev/pts/...). It is removed on exit;\n"
           "  a link left by a killed simulator is replaced when its number is used again.\n"
           "\n"
           "Scenario files:\n"
           "  JSON objects in which every key is optional; \"base\": \"empty\" starts from a\n"
           "  terminal without elements instead of the built-in system. The scenarios that\n"
           "  ship with the simulator are in share/kolmaris/scenarios of its installation\n"
           "  (/usr/share/kolmaris/scenarios from the Debian package); --scenario takes their\n"
           "  names, with or without .json:\n" +
           NameList(scenarioNames, 4) +
           "  default is the built-in system written out in full: a start for your own.\n"
           "\n"
           "Exit status:\n"
           "  0  stopped by a signal, or --help or --dump-scenario done\n"
           "  2  bad command line\n"
           "  3  the scenario file cannot be read or is not valid\n"
           "  4  no port number: the number asked for is taken, none is free, or there is no\n"
           "     port directory\n"
           "  5  the pseudo-terminal cannot be opened, or failed while running\n";
}

std::string UnknownScenarioText(const std::string& name, const std::filesystem::path& scenarioDirectory,
                                const std::vector<std::string>& scenarioNames)
{
    if (scenarioDirectory.empty())
        return "no scenario file \"" + name + "\", and no shipped scenarios were found (share/kolmaris/scenarios)";
    std::string text = "no scenario file \"" + name + "\", nor a scenario of that name in " +
                       scenarioDirectory.string() + "; there are: ";
    for (std::size_t i = 0; i < scenarioNames.size(); ++i)
        text += (i > 0 ? ", " : "") + scenarioNames[i];
    return scenarioNames.empty() ? text + "none" : text;
}

}  // namespace kolmaris
