// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of kolmaris-cli: a command and its options.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "TerminalTime.h"

namespace kolmaris::cli {

enum class Command { Ports, Status, Download, Records, Spectra, Clock, Mesh, Archive, History };
enum class ArchiveAction { Stats, Import };
// How mesh and history print: --format.
enum class OutputFormat { Text, Csv, Json };

inline constexpr uint32_t kDefaultTimeoutMs = 200;
inline constexpr int kDefaultAttempts = 3;
inline constexpr int kDefaultContinues = 3;
inline constexpr int kMaxContinues = 100;
inline constexpr int kMaxClockOffset = 31622400;  // seconds in a leap year
inline constexpr int kDefaultReferenceLevel = 300;  // Bq/m3
inline constexpr int kMaxReferenceLevel = 1000000;

struct CliOptions {
    Command command = Command::Status;
    bool help = false;  // --help given: print the command's help, nothing else
    bool verbose = false;  // --verbose, -v: before the command or among its options

    // The link (status, download, records, spectra).
    int port = 0;        // --port N; 0: automatic detection over COM 1-255
    std::string device;  // --device PATH; empty: by number
    uint32_t timeout = kDefaultTimeoutMs;
    int attempts = kDefaultAttempts;
    bool stats = false;

    std::string out;                    // download: the directory; records, spectra: the file
    int continues = kDefaultContinues;  // download: automatic "Continue" after a suspended run

    // records, spectra
    int probe = 0;  // MESH address 1-16
    int from = 0;
    int to = 0;

    // clock
    bool set = false;  // --set: set the terminal's clock from the PC's
    int ifOff = -1;    // --if-off SECONDS: only when it is off by more; -1: always

    // The station archive (download --archive, archive, history).
    bool useArchive = false;         // download: --archive given
    std::string archive;             // --archive PATH|URL; empty: the default file
    std::string station = "default";  // --station NAME
    bool newOnly = false;            // download: --new-only
    ArchiveAction archiveAction = ArchiveAction::Stats;
    std::vector<std::string> paths;  // archive import: the directories and files

    // history, on the terminal's clock; --to DATE includes that whole day
    TerminalTime since = 0;
    TerminalTime until = kLastTerminalTime;
    OutputFormat format = OutputFormat::Text;  // mesh and history: --format
    int reference = kDefaultReferenceLevel;  // --reference BQ
};

struct ParsedCommandLine {
    std::optional<CliOptions> options;  // a command to run, or whose help to print
    bool programHelp = false;           // "--help" or "-h" in place of a command
    bool version = false;               // "--version" or "-V" in place of a command
    std::optional<Command> command;     // the command named, also when its options are wrong
    std::string error;                  // one line, set on failure
};

// `args` without the program name.
ParsedCommandLine ParseCommandLine(std::span<const char* const> args);

// "ports", "status", ...
const char* CommandName(Command command);

}  // namespace kolmaris::cli
