// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "ConfigFile.h"
#include "OptionRules.h"
#include "ProbeRecordReader.h"
#include "ProbeSpectrumReader.h"

#include <CLI/CLI.hpp>

#include <array>
#include <charconv>
#include <functional>
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

bool TakesLink(Command c)
{
    return c != Command::Ports && c != Command::Archive && c != Command::History;
}

bool TakesProbe(Command c)
{
    return c == Command::Records || c == Command::Spectra;
}

// One command's options, bound to the fields of `o`.
void AddOptions(CLI::App& app, Command command, CliOptions& o)
{
    Flag(app, "-h,--help", o.help);
    Flag(app, "-v,--verbose", o.verbose);
    if (TakesLink(command)) {
        Number(app, "--port", o.port, 1, 255);
        Text(app, "--device", o.device, "a device path");
        Number(app, "--timeout", o.timeout, kMinReplyTimeout, kMaxReplyTimeout, "milliseconds");
        Flag(app, "--stats", o.stats);
        // The download's retries are its own: five tries of a piece.
        if (command != Command::Download)
            Number(app, "--attempts", o.attempts, kMinAttemptCount, kMaxAttemptCount);
    }
    const auto archive = [&](bool valueOptional) {
        CLI::Option* option = Text(app, "--archive", o.archive, "a file or a postgresql:// URL");
        if (valueOptional)
            option->expected(0, 1);  // alone: the default file
        Text(app, "--station", o.station, "a station name");
    };
    const auto format = [&] {
        app.add_option("--format", "text, csv or json")
            ->check(Needs(
                "text, csv or json",
                [](const std::string& text) { return text == "text" || text == "csv" || text == "json"; }, false))
            ->each([&o](const std::string& text) {
                o.format = text == "csv" ? OutputFormat::Csv : text == "json" ? OutputFormat::Json : OutputFormat::Text;
            });
    };
    switch (command) {
        case Command::Download:
            Text(app, "--out", o.out, "a directory");
            Number(app, "--continue", o.continues, 0, kMaxContinues);
            archive(true);
            Flag(app, "--new-only", o.newOnly);
            break;
        case Command::Records:
        case Command::Spectra: {
            const int ring = command == Command::Records ? kProbeRecordRing : kProbeSpectrumRing;
            Number(app, "--probe", o.probe, kFirstMeshAddress, kLastMeshAddress, "a MESH address");
            Number(app, "--from", o.from, 1, ring);
            Number(app, "--to", o.to, 1, ring);
            Text(app, "--out", o.out, "a file name");
            if (command == Command::Records)
                archive(true);
            break;
        }
        case Command::Clock:
            Flag(app, "--set", o.set);
            Number(app, "--if-off", o.ifOff, 0, kMaxClockOffset, "seconds");
            break;
        case Command::Mesh:
            format();
            break;
        case Command::Archive:
            archive(false);
            break;
        case Command::History: {
            archive(false);
            Number(app, "--probe", o.probe, kFirstMeshAddress, kLastMeshAddress, "a MESH address");
            for (const bool to : {false, true}) {
                const std::string what = "a date YYYY-MM-DD or YYYY-MM-DD hh:mm of the years 2000-2099";
                app.add_option(to ? "--to" : "--from", what)
                    ->check(Needs(what, [to](const std::string& text) { return ParseDate(text, to).has_value(); }))
                    ->each([&o, to](const std::string& text) { (to ? o.until : o.since) = *ParseDate(text, to); });
            }
            format();
            Number(app, "--reference", o.reference, 1, kMaxReferenceLevel, "a level in Bq/m3");
            break;
        }
        case Command::Ports:
        case Command::Status:
            break;
    }
}

class Parser {
public:
    Parser(Command command, CLI::App& app) : command_(command), app_(app) {}

    // The result of the library's parse: unknown words, repeats, then the options the command
    // cannot do without and how they go together.
    std::string Check()
    {
        if (const std::vector<std::string> extras = app_.remaining(); !extras.empty()) {
            const std::string& extra = extras.front();
            if (!extra.starts_with("-"))
                return "unexpected argument \"" + extra + "\"";
            return std::string(CommandName(command_)) + " has no option \"" + extra.substr(0, extra.find('=')) + "\"";
        }
        for (const CLI::Option* option : app_.get_options()) {
            if (option->count() > 1 && !option->get_positional() && option->get_name() != "--help" &&
                option->get_name() != "--verbose")
                return option->get_name() + " given twice";
        }
        return options_.help ? std::string() : Complete();
    }

    CliOptions& Options() { return options_; }

private:
    bool Seen(const char* name) const
    {
        const CLI::Option* option = app_.get_option_no_throw(name);
        return option != nullptr && option->count() > 0;
    }

    std::string Complete()
    {
        if (Seen("--port") && Seen("--device"))
            return "--port and --device exclude each other";
        const std::string command = CommandName(command_);
        if (Seen("--if-off") && !options_.set)
            return "--if-off goes with --set";
        if (command_ == Command::Download && options_.out.empty())
            return "download needs --out DIR";
        options_.useArchive = Seen("--archive");
        if (Seen("--station") && !options_.useArchive &&
            (command_ == Command::Download || command_ == Command::Records))
            return "--station goes with --archive";
        if (options_.newOnly && !options_.useArchive)
            return "--new-only goes with --archive";
        if (command_ == Command::History) {
            if (!Seen("--probe"))
                return "history needs --probe";
            if (options_.since > options_.until)
                return "--from is after --to";
            return {};
        }
        if (!TakesProbe(command_))
            return {};
        for (const char* required : {"--probe", "--from", "--to", "--out"}) {
            if (!Seen(required))
                return command + " needs " + required;
        }
        if (options_.from > options_.to)
            return "--from " + std::to_string(options_.from) + " is above --to " + std::to_string(options_.to);
        return {};
    }

    Command command_;
    CLI::App& app_;
    CliOptions options_;
};

// archive: its action comes first (taken from `args`), then the files to import among the options.
std::string ParseArchiveAction(std::vector<std::string>& args, CliOptions& options)
{
    const std::string action = args.empty() ? std::string() : args.back();
    if (action == "--help" || action == "-h")
        return {};
    if (action != "stats" && action != "import")
        return action.empty() ? "archive needs stats or import"
                              : "archive knows stats and import, not \"" + action + "\"";
    options.archiveAction = action == "stats" ? ArchiveAction::Stats : ArchiveAction::Import;
    args.pop_back();
    return {};
}

ParsedCommandLine ParseCommand(Command command, std::span<const char* const> rest, bool verbose)
{
    ParsedCommandLine parsed;
    parsed.command = command;
    std::vector<std::string> args;  // the library takes them last first
    for (auto it = rest.rbegin(); it != rest.rend(); ++it)
        args.emplace_back(*it != nullptr ? *it : "");

    CLI::App app(CommandName(command));
    app.set_help_flag();
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    Parser parser(command, app);
    CliOptions& options = parser.Options();
    options.command = command;
    options.verbose = verbose;
    if (command == Command::Archive) {
        parsed.error = ParseArchiveAction(args, options);
        if (!parsed.error.empty())
            return parsed;
        if (options.archiveAction == ArchiveAction::Import)
            app.add_option("paths", options.paths)->expected(0, -1);
    }
    AddOptions(app, command, options);
    try {
        app.parse(args);
        parsed.error = parser.Check();
    } catch (const CLI::ParseError& error) {
        parsed.error = RefusalText(error, app);
    }
    if (parsed.error.empty() && command == Command::Archive && !options.help) {
        if (options.archiveAction == ArchiveAction::Import && options.paths.empty())
            parsed.error = "archive import needs a directory or file";
        else if (options.archiveAction == ArchiveAction::Stats && app.get_option("--station")->count() > 0)
            parsed.error = "archive stats shows every station; --station belongs to import";
    }
    if (parsed.error.empty())
        parsed.options = options;
    return parsed;
}

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
    // The program's own options come before the command: -v is also one of every command's.
    bool verbose = false;
    while (!args.empty() && args[0] != nullptr &&
           (std::string_view(args[0]) == "-v" || std::string_view(args[0]) == "--verbose")) {
        verbose = true;
        args = args.subspan(1);
    }
    if (args.empty() || args[0] == nullptr) {
        parsed.error = "no command given";
        return parsed;
    }
    const std::string_view first = args[0];
    for (const auto& [flag, alias, field] :
         {std::tuple{"--help", "-h", &parsed.programHelp}, std::tuple{"--version", "-V", &parsed.version}}) {
        if (first != flag && first != alias)
            continue;
        if (args.size() > 1) {
            parsed.error = std::string(flag) + " takes nothing after it" +
                           (field == &parsed.programHelp ? "; for a command's help: kolmaris-cli COMMAND --help" : "");
            return parsed;
        }
        *field = true;
        return parsed;
    }
    for (const auto& [name, command] : kCommands) {
        if (first == name)
            return ParseCommand(command, args.subspan(1), verbose);
    }
    parsed.error = "unknown command \"" + std::string(first) + "\"";
    return parsed;
}

}  // namespace kolmaris::cli
