// kolmaris-cli as a program: its command line and exit codes, and every command against
// kolmaris-terminal-sim on a pseudo-terminal registered in a private port directory. The
// files of a download, a records and a spectra reading must be byte for byte those of the
// same work done in-process on a simulated terminal built from the same scenario.
#include "CliSimulation.h"
#include "ProgramProcess.h"
#include "ScenarioJson.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <regex>

namespace kolmaris::cli {
namespace {

namespace fs = std::filesystem;

using namespace std::chrono_literals;
using kolmaris::testing::ProgramProcess;
using testing::CliSimulation;
using testing::Files;
using testing::Lines;
using testing::ReadFile;
using testing::TempDir;

const std::string kCli = KOLMARIS_CLI_PROGRAM;
const std::string kSim = KOLMARIS_TERMINAL_SIM_PROGRAM;

struct Finished {
    std::optional<int> code;
    std::string out;
    std::string err;
};

Finished RunCli(const std::vector<std::string>& args)
{
    ProgramProcess p(kCli, args);
    EXPECT_TRUE(p.Started());
    const auto code = p.WaitExit(ProgramProcess::In(30s));
    return {code, p.Stdout(), p.Stderr()};
}

// One day of data: a download of a few thousand bytes.
Scenario OneDay()
{
    Scenario s = DefaultScenario();
    s.name = "one-day";
    s.memory.days = 1.0;
    s.seed = 5;
    return s;
}

class CliProgramTest : public ::testing::Test {
protected:
    fs::path Ports() const { return root_.Ports(); }

    // Starts the simulator on `scenario`; its COM number and device.
    void StartSimulator(const Scenario& scenario)
    {
        const fs::path file = root_.path / "scenario.json";
        std::ofstream(file) << ScenarioToJson(scenario);
        sim_ = std::make_unique<ProgramProcess>(kSim, std::vector<std::string>{"--scenario", file.string()});
        ASSERT_TRUE(sim_->Started());
        const auto line = sim_->ReadLine(ProgramProcess::In(10s));
        std::smatch m;
        const std::regex form("Kolmaris simulated terminal on COM (\\d+) \\((/dev/pts/\\d+)\\), scenario .*");
        ASSERT_TRUE(line && std::regex_match(*line, m, form)) << line.value_or("(no line)");
        port_ = m[1].str();
        device_ = m[2].str();
    }

    TempDir root_{true};  // the programs inherit it as their runtime directory
    std::unique_ptr<ProgramProcess> sim_;
    std::string port_;
    std::string device_;
};

TEST_F(CliProgramTest, HelpUsageErrorsAndNoTerminalExitWithTheirCodes)
{
    const Finished help = RunCli({"--help"});
    EXPECT_EQ(help.code, std::optional(0));
    EXPECT_EQ(help.out.rfind("Usage: kolmaris-cli COMMAND [options]\n", 0), 0u);
    EXPECT_NE(help.out.find("here: " + Ports().string() + ")"), std::string::npos);
    EXPECT_EQ(help.err, "");
    const Finished downloadHelp = RunCli({"download", "--help"});
    EXPECT_EQ(downloadHelp.code, std::optional(0));
    EXPECT_EQ(downloadHelp.out.rfind("Usage: kolmaris-cli download --out DIR", 0), 0u);

    const std::vector<std::pair<std::vector<std::string>, std::string>> usage{
        {{}, "kolmaris-cli: no command given (see kolmaris-cli --help)\n"},
        {{"fetch"}, "kolmaris-cli: unknown command \"fetch\" (see kolmaris-cli --help)\n"},
        {{"records", "--probe", "99"},
         "kolmaris-cli: --probe needs a MESH address from 1 to 16, not \"99\" (see kolmaris-cli records --help)\n"},
    };
    for (const auto& [args, err] : usage) {
        const Finished run = RunCli(args);
        EXPECT_EQ(run.code, std::optional(2));
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, err);
    }

    const std::vector<std::pair<std::vector<std::string>, std::string>> noTerminal{
        {{"status", "--port", "200"}, "kolmaris-cli: COM 200 has no device\n"},
        {{"status", "--device", "/nonexistent/tty"}, "kolmaris-cli: /nonexistent/tty: no such device\n"},
        {{"download", "--out", (root_.path / "d").string(), "--device", "/dev/null"},
         "kolmaris-cli: /dev/null cannot be opened\n"},
    };
    for (const auto& [args, err] : noTerminal) {
        const Finished run = RunCli(args);
        EXPECT_EQ(run.code, std::optional(3)) << args[0];
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, err);
    }
    EXPECT_FALSE(fs::exists(root_.path / "d")) << "nothing made before a terminal answered";
}

TEST_F(CliProgramTest, TheDownloadWritesTheFilesOfTheSameDownloadInProcess)
{
    const Scenario scenario = OneDay();
    StartSimulator(scenario);
    const fs::path dir = root_.path / "out";
    const Finished download = RunCli({"download", "--out", dir.string(), "--port", port_});
    EXPECT_EQ(download.code, std::optional(0)) << download.err;
    EXPECT_EQ(download.err, "");

    CliSimulation same(scenario);
    TempDir expected;
    ASSERT_EQ(RunDownload(same.link, expected.path, 3, same.io), Exit::Ok);
    EXPECT_EQ(download.out, std::regex_replace(same.Out(), std::regex(expected.path.string()), dir.string()));
    const auto files = Files(dir);
    EXPECT_EQ(files.size(), 8u);
    EXPECT_EQ(files, Files(expected.path));
}

}  // namespace
}  // namespace kolmaris::cli
