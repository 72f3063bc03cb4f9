// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The options of kolmaris-terminal-sim, its help text and its exit codes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kolmaris {

enum ExitCode : int {
    kExitOk = 0,        // stopped by a signal, or --help / --dump-scenario done
    kExitUsage = 2,     // bad command line
    kExitScenario = 3,  // scenario file unreadable or invalid
    kExitPort = 4,      // no port number to register
    kExitPty = 5,       // pseudo-terminal failure
};

struct SimOptions {
    int port = 0;  // 0: the first free number
    std::optional<std::string> scenarioFile;
    bool baudPacing = false;
    std::optional<uint64_t> seed;
    bool dumpScenario = false;
    bool help = false;
};

struct ParsedCommandLine {
    std::optional<SimOptions> options;  // set on success
    std::string error;                  // one line, set on failure
};

// `args` without the program name.
ParsedCommandLine ParseCommandLine(std::span<const char* const> args);

// `portDirectory` is where links go on this machine (empty when there is none);
// `scenarioNames` are the scenarios that ship with the simulator.
std::string HelpText(const std::filesystem::path& portDirectory, const std::vector<std::string>& scenarioNames);

// The error for a --scenario NAME that is neither a file nor a shipped scenario.
std::string UnknownScenarioText(const std::string& name, const std::filesystem::path& scenarioDirectory,
                                const std::vector<std::string>& scenarioNames);

}  // namespace kolmaris
