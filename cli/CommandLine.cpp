#include "CommandLine.h"

#include "ConfigFile.h"
#include "ProbeRecordReader.h"
#include "ProbeSpectrumReader.h"

#include <array>
#include <charconv>
#include <set>
#include <string_view>

namespace kolmaris::cli {

namespace {

constexpr std::array<std::pair<std::string_view, Command>, 9> kCommands{{
    {"ports", Command::Ports},
    {"status", Command::Status},
    {"download", Command::Download},
    {"records", Command::Records},
    {"spectra", Command::Spectra},
    {"clock", Command::Clock},
    {"mesh", Command::Mesh},
    {"archive", Command::Archive},
    {"history", Command::History},
}};

constexpr int kFirstMeshAddress = 1;
constexpr int kLastMeshAddress = 16;

std::optional<int> ParseInt(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool TakesLink(Command c)
{
    return c != Command::Ports && c != Command::Archive && c != Command::History;
}

// "YYYY-MM-DD" or "YYYY-MM-DD hh:mm" (also with a "T" between), on the terminal's clock; a day
// alone is its first second, or its last when `endOfDay`.
std::optional<TerminalTime> ParseDate(std::string_view text, bool endOfDay)
{
    const auto part = [&](std::size_t at, std::size_t n) { return ParseInt(text.substr(at, n)); };
    if ((text.size() != 10 && text.size() != 16) || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto year = part(0, 4), month = part(5, 2), day = part(8, 2);
    if (!year || !month || !day || *year < 2000 || *year > 2099 || *day < 1 || *day > 31)
        return std::nullopt;
    TimeFields fields{*year - 2000, *month, *day, endOfDay ? 23 : 0, endOfDay ? 59 : 0, endOfDay ? 59 : 0};
    if (text.size() == 16) {
        const auto hour = part(11, 2), minute = part(14, 2);
        if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' || !hour || !minute)
            return std::nullopt;
        fields.hour = *hour;
        fields.minute = *minute;
        fields.second = 0;
    }
    TerminalTime time = 0;
    if (FieldsToTime(fields, time) != kFieldsOk)
        return std::nullopt;
    // The day is checked against its month here: 31 February is no date.
    const TimeFields back = TimeToFields(time);
    if (back.day != fields.day || back.month != fields.month)
        return std::nullopt;
    return time;
}

bool TakesProbe(Command c)
{
    return c == Command::Records || c == Command::Spectra;
}

// Whether `option` belongs to `command`.
bool Accepts(Command command, std::string_view option)
{
    static const std::set<std::string_view> link{"--port", "--device", "--timeout", "--stats"};
    static const std::set<std::string_view> probe{"--probe", "--from", "--to", "--out"};
    if (option == "--help" || option == "-h" || option == "--verbose" || option == "-v")
        return true;
    if (command == Command::Archive || command == Command::History || command == Command::Download ||
        command == Command::Records) {
        if (option == "--archive" || option == "--station")
            return true;
    }
    if (command == Command::History)
        return option == "--probe" || option == "--from" || option == "--to" || option == "--format" ||
               option == "--reference";
    if (TakesLink(command) && link.contains(option))
        return true;
    // The download's retries are its own: five tries of a piece.
    if (command == Command::Download)
        return option == "--out" || option == "--continue" || option == "--new-only";
    if (command == Command::Clock && (option == "--set" || option == "--if-off"))
        return true;
    if (option == "--attempts")
        return TakesLink(command);
    if (option == "--format")
        return command == Command::Mesh;
    return TakesProbe(command) && probe.contains(option);
}

class Parser {
public:
    Parser(Command command, std::span<const char* const> args) : args_(args) { options_.command = command; }

    // archive: its action comes first.
    bool Action()
    {
        const std::string_view action = !args_.empty() && args_[0] != nullptr ? args_[0] : "";
        if (action == "--help" || action == "-h")
            return true;
        if (action != "stats" && action != "import")
            return Fail(action.empty() ? "archive needs stats or import"
                                       : "archive knows stats and import, not \"" + std::string(action) + "\"");
        options_.archiveAction = action == "stats" ? ArchiveAction::Stats : ArchiveAction::Import;
        args_ = args_.subspan(1);
        return true;
    }

    ParsedCommandLine Run()
    {
        ParsedCommandLine parsed;
        parsed.command = options_.command;
        if (options_.command == Command::Archive && !Action()) {
            parsed.error = error_;
            return parsed;
        }
        for (i_ = 0; i_ < args_.size(); ++i_) {
            if (!Option()) {
                parsed.error = error_;
                return parsed;
            }
        }
        if (!options_.help && !Complete()) {
            parsed.error = error_;
            return parsed;
        }
        parsed.options = options_;
        return parsed;
    }

private:
    bool Fail(std::string message)
    {
        error_ = std::move(message);
        return false;
    }

    // The value of the current option: attached ("--out=x") or the next argument.
    std::optional<std::string_view> Value()
    {
        if (attached_)
            return attached_;
        if (i_ + 1 < args_.size() && args_[i_ + 1] != nullptr && !std::string_view(args_[i_ + 1]).starts_with("--"))
            return std::string_view(args_[++i_]);
        return std::nullopt;
    }

    // A whole number from `low` to `high` for the current option.
    bool Number(int& field, int low, int high, const char* what = "a number")
    {
        const auto v = Value();
        const auto n = v ? ParseInt(*v) : std::nullopt;
        if (!n || *n < low || *n > high)
            return Fail(name_ + " needs " + what + " from " + std::to_string(low) + " to " + std::to_string(high) +
                        (v ? ", not \"" + std::string(*v) + "\"" : std::string()));
        field = *n;
        return true;
    }

    bool Text(std::string& field, const char* what)
    {
        const auto v = Value();
        if (!v || v->empty())
            return Fail(name_ + " needs " + what);
        field = std::string(*v);
        return true;
    }

    bool Flag(bool& field)
    {
        if (attached_)
            return Fail(name_ + " takes no value");
        field = true;
        return true;
    }

    bool Option()
    {
        std::string_view arg = args_[i_] != nullptr ? args_[i_] : "";
        attached_.reset();
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            attached_ = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        name_ = std::string(arg);
        if (!arg.starts_with("-") && options_.command == Command::Archive &&
            options_.archiveAction == ArchiveAction::Import) {
            options_.paths.push_back(name_);
            return true;
        }
        if (!arg.starts_with("-"))
            return Fail("unexpected argument \"" + name_ + "\"");
        if (!Accepts(options_.command, arg))
            return Fail(std::string(CommandName(options_.command)) + " has no option \"" + name_ + "\"");
        if (arg != "--help" && arg != "-h" && !seen_.insert(name_).second)
            return Fail(name_ + " given twice");

        if (arg == "--help" || arg == "-h")
            return Flag(options_.help);
        if (arg == "--verbose" || arg == "-v")
            return Flag(options_.verbose);
        if (arg == "--port")
            return Number(options_.port, 1, 255);
        if (arg == "--device")
            return Text(options_.device, "a device path");
        if (arg == "--timeout") {
            int ms = 0;
            if (!Number(ms, kMinReplyTimeout, kMaxReplyTimeout, "milliseconds"))
                return false;
            options_.timeout = static_cast<uint32_t>(ms);
            return true;
        }
        if (arg == "--attempts")
            return Number(options_.attempts, kMinAttemptCount, kMaxAttemptCount);
        if (arg == "--stats")
            return Flag(options_.stats);
        if (arg == "--out")
            return Text(options_.out, options_.command == Command::Download ? "a directory" : "a file name");
        if (arg == "--continue")
            return Number(options_.continues, 0, kMaxContinues);
        if (arg == "--set")
            return Flag(options_.set);
        if (arg == "--if-off")
            return Number(options_.ifOff, 0, kMaxClockOffset, "seconds");
        if (arg == "--archive") {
            options_.useArchive = true;
            // Download and records take it alone for the default file.
            const auto v = Value();
            if (!v && options_.command != Command::Download && options_.command != Command::Records)
                return Fail("--archive needs a file or a postgresql:// URL");
            options_.archive = v ? std::string(*v) : std::string();
            return true;
        }
        if (arg == "--station")
            return Text(options_.station, "a station name");
        if (arg == "--new-only")
            return Flag(options_.newOnly);
        if (arg == "--reference")
            return Number(options_.reference, 1, kMaxReferenceLevel, "a level in Bq/m3");
        if (arg == "--format") {
            const auto v = Value();
            if (v == "text" || v == "csv" || v == "json") {
                options_.format = *v == "text" ? OutputFormat::Text
                                  : *v == "csv" ? OutputFormat::Csv
                                                : OutputFormat::Json;
                return true;
            }
            return Fail("--format needs text, csv or json");
        }
        if (options_.command == Command::History && (arg == "--from" || arg == "--to")) {
            const auto v = Value();
            const auto time = v ? ParseDate(*v, arg == "--to") : std::nullopt;
            if (!time)
                return Fail(name_ + " needs a date YYYY-MM-DD or YYYY-MM-DD hh:mm" +
                            (v ? ", not \"" + std::string(*v) + "\"" : std::string()));
            (arg == "--from" ? options_.since : options_.until) = *time;
            return true;
        }
        if (arg == "--probe")
            return Number(options_.probe, kFirstMeshAddress, kLastMeshAddress, "a MESH address");
        const int ring = options_.command == Command::Records ? kProbeRecordRing : kProbeSpectrumRing;
        if (arg == "--from")
            return Number(options_.from, 1, ring);
        if (arg == "--to")
            return Number(options_.to, 1, ring);
        return Fail("unknown option \"" + name_ + "\"");
    }

    // The options the command cannot do without, and how they go together.
    bool Complete()
    {
        if (seen_.contains("--port") && seen_.contains("--device"))
            return Fail("--port and --device exclude each other");
        const std::string command = CommandName(options_.command);
        if (seen_.contains("--if-off") && !options_.set)
            return Fail("--if-off goes with --set");
        if (options_.command == Command::Download && options_.out.empty())
            return Fail("download needs --out DIR");
        if (seen_.contains("--station") && !options_.useArchive &&
            (options_.command == Command::Download || options_.command == Command::Records))
            return Fail("--station goes with --archive");
        if (options_.newOnly && !options_.useArchive)
            return Fail("--new-only goes with --archive");
        if (options_.command == Command::Archive && options_.archiveAction == ArchiveAction::Import &&
            options_.paths.empty())
            return Fail("archive import needs a directory or file");
        if (options_.command == Command::Archive && options_.archiveAction == ArchiveAction::Stats &&
            seen_.contains("--station"))
            return Fail("archive stats shows every station; --station belongs to import");
        if (options_.command == Command::History) {
            if (!seen_.contains("--probe"))
                return Fail("history needs --probe");
            if (options_.since > options_.until)
                return Fail("--from is after --to");
            return true;
        }
        if (!TakesProbe(options_.command))
            return true;
        for (const char* required : {"--probe", "--from", "--to", "--out"}) {
            if (!seen_.contains(required))
                return Fail(command + " needs " + required);
        }
        if (options_.from > options_.to)
            return Fail("--from " + std::to_string(options_.from) + " is above --to " + std::to_string(options_.to));
        return true;
    }

    std::span<const char* const> args_;
    std::size_t i_ = 0;
    std::optional<std::string_view> attached_;
    std::string name_;
    std::set<std::string> seen_;
    std::string error_;
    CliOptions options_;
};

}  // namespace

const char* CommandName(Command command)
{
    for (const auto& [name, c] : kCommands) {
        if (c == command)
            return name.data();
    }
    return "";
}

ParsedCommandLine ParseCommandLine(std::span<const char* const> args)
{
    ParsedCommandLine parsed;
    if (args.empty() || args[0] == nullptr) {
        parsed.error = "no command given";
        return parsed;
    }
    // --verbose is global: it may stand before the command.
    const bool verbose = std::string_view(args[0]) == "--verbose" || std::string_view(args[0]) == "-v";
    if (verbose) {
        parsed = ParseCommandLine(args.subspan(1));
        if (parsed.options && !parsed.options->verbose)
            parsed.options->verbose = true;
        else if (parsed.options)
            parsed = {std::nullopt, false, parsed.command, "--verbose given twice"};
        return parsed;
    }
    const std::string_view first = args[0];
    if (first == "--help" || first == "-h") {
        if (args.size() > 1) {
            parsed.error = "--help takes nothing after it; for a command's help: kolmaris-cli COMMAND --help";
            return parsed;
        }
        parsed.programHelp = true;
        return parsed;
    }
    for (const auto& [name, command] : kCommands) {
        if (first == name)
            return Parser(command, args.subspan(1)).Run();
    }
    parsed.error = "unknown command \"" + std::string(first) + "\"";
    return parsed;
}

}  // namespace kolmaris::cli
