#pragma once
// The command line of kolmaris-cli: a command and its options.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kolmaris::cli {

enum class Command { Ports, Status, Download, Records, Spectra, Clock, Mesh };

// How mesh prints the MESH.
enum class MeshFormat { Text, Csv, Json };

inline constexpr uint32_t kDefaultTimeoutMs = 200;
inline constexpr int kDefaultAttempts = 3;
inline constexpr int kDefaultContinues = 3;
inline constexpr int kMaxContinues = 100;
inline constexpr int kMaxClockOffset = 31622400;  // seconds in a leap year

struct CliOptions {
    Command command = Command::Status;
    bool help = false;  // --help given: print the command's help, nothing else

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
    MeshFormat format = MeshFormat::Text;  // mesh: --format
};

struct ParsedCommandLine {
    std::optional<CliOptions> options;  // a command to run, or whose help to print
    bool programHelp = false;           // "--help" or "-h" in place of a command
    std::optional<Command> command;     // the command named, also when its options are wrong
    std::string error;                  // one line, set on failure
};

// `args` without the program name.
ParsedCommandLine ParseCommandLine(std::span<const char* const> args);

// "ports", "status", ...
const char* CommandName(Command command);

}  // namespace kolmaris::cli
