// kolmaris-cli as a program: its exit codes, and a download from kolmaris-terminal-sim on a
// pseudo-terminal registered in a private port directory, which must print and write byte for
// byte what the same download in-process on a simulated terminal of the same scenario does.
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

// Ten hours of data: a download of a few kilobytes that still writes every kind of file.
Scenario TenHours()
{
    Scenario s = DefaultScenario();
    s.name = "ten-hours";
    s.memory.days = 0.4;
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
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out, err;  // the beginning of stdout
    } cases[] = {
        {{"--help"}, 0, "Usage: kolmaris-cli COMMAND [options]\n", ""},
        {{}, 2, "", "kolmaris-cli: no command given (see kolmaris-cli --help)\n"},
        {{"records", "--probe", "99"},
         2,
         "",
         "kolmaris-cli: --probe needs a MESH address from 1 to 16, not \"99\" (see kolmaris-cli records --help)\n"},
        {{"status", "--port", "200"}, 3, "", "kolmaris-cli: COM 200 has no device\n"},
        {{"download", "--out", (root_.path / "d").string(), "--device", "/dev/null"},
         3,
         "",
         "kolmaris-cli: /dev/null cannot be opened\n"},
    };
    for (const auto& c : cases) {
        const Finished run = RunCli(c.args);
        EXPECT_EQ(run.code, std::optional(c.code)) << c.err;
        EXPECT_TRUE(run.out.starts_with(c.out)) << run.out;
        EXPECT_EQ(run.out.empty(), c.out.empty());
        EXPECT_EQ(run.err, c.err);
        if (c.code == 0) {
            EXPECT_NE(run.out.find("here: " + Ports().string() + ")"), std::string::npos);
        }
    }
    EXPECT_FALSE(fs::exists(root_.path / "d")) << "nothing made before a terminal answered";
}

TEST_F(CliProgramTest, TheDownloadWritesTheFilesOfTheSameDownloadInProcess)
{
    const Scenario scenario = TenHours();
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
