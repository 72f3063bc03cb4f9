// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of kolmaris-cli: what each command takes, its defaults, every refusal as
// one line, and the help texts.
#include "CommandLine.h"
#include "ExitCodes.h"
#include "HelpTexts.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace kolmaris::cli {
namespace {

ParsedCommandLine Parse(const std::vector<const char*>& args)
{
    return ParseCommandLine(args);
}

CliOptions Options(const std::vector<const char*>& args)
{
    const ParsedCommandLine parsed = Parse(args);
    EXPECT_EQ(parsed.error, "") << args[0];
    return parsed.options.value_or(CliOptions{});
}

TEST(CliCommandLine, EachCommandWithItsOptionsAndDefaults)
{
    const CliOptions status = Options({"status"});
    EXPECT_EQ(std::tie(status.command, status.port, status.timeout, status.attempts, status.stats),
              std::make_tuple(Command::Status, 0, 200u, 3, false));
    const CliOptions tuned = Options({"status", "--port", "97", "--timeout=350", "--attempts", "15", "--stats"});
    EXPECT_EQ(std::tie(tuned.port, tuned.timeout, tuned.attempts, tuned.stats), std::make_tuple(97, 350u, 15, true));

    const CliOptions download = Options({"download", "--out", "/tmp/x", "--device", "/dev/pts/4"});
    EXPECT_EQ(std::tie(download.command, download.out, download.device, download.continues),
              std::make_tuple(Command::Download, "/tmp/x", "/dev/pts/4", 3));
    EXPECT_EQ(Options({"download", "--out=d", "--continue", "0"}).continues, 0);

    const CliOptions records = Options({"records", "--probe", "16", "--from", "1", "--to", "4096", "--out", "r.tab"});
    EXPECT_EQ(std::tie(records.command, records.probe, records.from, records.to, records.out),
              std::make_tuple(Command::Records, 16, 1, 4096, "r.tab"));
    const CliOptions spectra = Options({"spectra", "--probe=2", "--from=512", "--to=512", "--out=s.tab"});
    EXPECT_EQ(std::tie(spectra.command, spectra.probe, spectra.from, spectra.to),
              std::make_tuple(Command::Spectra, 2, 512, 512));
    EXPECT_EQ(Options({"ports"}).command, Command::Ports);
    EXPECT_EQ(Options({"mesh", "--format", "csv"}).format, OutputFormat::Csv);
    EXPECT_EQ(Options({"mesh", "--format=json"}).format, OutputFormat::Json);
    const char* clock[] = {"clock", "--set", "--if-off=5"};
    EXPECT_EQ(ParseCommandLine(clock).options->ifOff, 5);

}

TEST(CliCommandLine, HelpWinsOverMissingOptionsAndStandsAloneForTheProgram)
{
    EXPECT_TRUE(Parse({"--help"}).programHelp);
    EXPECT_FALSE(Parse({"--help"}).options.has_value());
    for (const char* command : {"ports", "status", "download", "records", "spectra"}) {
        const ParsedCommandLine parsed = Parse({command, "--help"});
        ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
        EXPECT_TRUE(parsed.options->help) << command;
        EXPECT_TRUE(Options({command, "-h"}).help) << command;
    }
    EXPECT_TRUE(Options({"records", "--probe", "3", "--help"}).help);
}

TEST(CliCommandLine, VersionStandsAloneAndVerboseGoesBeforeOrAfterTheCommand)
{
    for (const char* version : {"--version", "-V"}) {
        EXPECT_TRUE(Parse({version}).version) << version;
        EXPECT_FALSE(Parse({version}).options.has_value());
        EXPECT_EQ(Parse({version, "status"}).error, "--version takes nothing after it");
    }
    EXPECT_EQ(Parse({"status", "-V"}).error, "status has no option \"-V\"");
    EXPECT_FALSE(Options({"status"}).verbose);
    for (const std::vector<const char*>& args :
         std::vector<std::vector<const char*>>{{"-v", "status"},
                                               {"--verbose", "mesh"},
                                               {"download", "--out", "d", "-v"},
                                               {"history", "--probe", "1", "--verbose"}})
        EXPECT_TRUE(Options(args).verbose) << args[0] << " " << args[1];
    EXPECT_EQ(Parse({"-v"}).error, "no command given");
}

TEST(CliCommandLine, RefusalsAreOneLineNamingTheProblem)
{
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases{
        {{"bogus"}, "unknown command \"bogus\""},
        {{"--help", "status"}, "--help takes nothing after it; for a command's help: kolmaris-cli COMMAND --help"},
        {{"status", "extra"}, "unexpected argument \"extra\""},
        {{"status", "--bogus"}, "status has no option \"--bogus\""},
        {{"download", "--out", "d", "--attempts", "2"}, "download has no option \"--attempts\""},
        {{"status", "--continue", "1"}, "status has no option \"--continue\""},
        {{"status", "--port"}, "--port needs a number from 1 to 255"},
        {{"status", "--port", "256"}, "--port needs a number from 1 to 255, not \"256\""},
        {{"status", "--port", "--stats"}, "--port needs a number from 1 to 255"},
        {{"status", "--timeout", "60001"}, "--timeout needs milliseconds from 1 to 60000, not \"60001\""},
        {{"status", "--attempts", "16"}, "--attempts needs a number from 1 to 15, not \"16\""},
        {{"status", "--device"}, "--device needs a device path"},
        {{"status", "--stats=yes"}, "--stats takes no value"},
        {{"status", "--port", "3", "--port", "4"}, "--port given twice"},
        {{"status", "--port", "3", "--device", "/dev/ttyS0"}, "--port and --device exclude each other"},
        {{"download"}, "download needs --out DIR"},
        {{"download", "--out", "d", "--continue", "101"}, "--continue needs a number from 0 to 100, not \"101\""},
        {{"records", "--from", "1", "--to", "2", "--out", "f"}, "records needs --probe"},
        {{"spectra", "--probe", "1", "--from", "1", "--to", "2"}, "spectra needs --out"},
        {{"records", "--probe", "17"}, "--probe needs a MESH address from 1 to 16, not \"17\""},
        {{"records", "--from", "4097"}, "--from needs a number from 1 to 4096, not \"4097\""},
        {{"spectra", "--to", "513"}, "--to needs a number from 1 to 512, not \"513\""},
        {{"records", "--probe", "1", "--from", "5", "--to", "4", "--out", "f"}, "--from 5 is above --to 4"},
        {{"mesh", "--format", "xml"}, "--format needs text, csv or json"},
        {{"clock", "--if-off", "5"}, "--if-off goes with --set"},
    };
    for (const auto& [args, error] : cases) {
        const ParsedCommandLine parsed = Parse(args);
        EXPECT_FALSE(parsed.options.has_value()) << error;
        EXPECT_EQ(parsed.error, error);
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
    EXPECT_EQ(Parse({}).error, "no command given");
    EXPECT_EQ(Parse({"records", "--bogus"}).command, std::optional(Command::Records)) << "for the help hint";
    EXPECT_FALSE(Parse({"bogus"}).command.has_value());
    EXPECT_TRUE(Options({"records", "--probe", "1", "--from", "4096", "--to", "4096", "--out", "f"}).from == 4096);
}

TEST(CliExitCodes, TheWorseOutcomeWins)
{
    EXPECT_EQ(static_cast<int>(Exit::Interrupted), 130);
    EXPECT_EQ(Worse(Exit::Ok, Exit::Files), Exit::Files);
    EXPECT_EQ(Worse(Exit::Files, Exit::Failed), Exit::Failed);
    EXPECT_EQ(Worse(Exit::Failed, Exit::Files), Exit::Failed);
    EXPECT_EQ(Worse(Exit::RecordingOff, Exit::Failed), Exit::RecordingOff);
    EXPECT_EQ(Worse(Exit::Interrupted, Exit::Failed), Exit::Failed);
    EXPECT_EQ(Worse(Exit::Files, Exit::Interrupted), Exit::Interrupted);
    EXPECT_EQ(Worse(Exit::Files, Exit::Archive), Exit::Archive);  // a full disk fails both
    EXPECT_EQ(Worse(Exit::Archive, Exit::Files), Exit::Archive);
}

}  // namespace
}  // namespace kolmaris::cli
