// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris-cli as a program: its exit codes, and a download from kolmaris-terminal-sim on a
// pseudo-terminal registered in a private port directory, which must print and write byte for
// byte what the same download in-process on a simulated terminal of the same scenario does.
#include "CliSimulation.h"
#include "PortDirectory.h"
#include "QtSerialPort.h"
#include "ScenarioJson.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <regex>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kolmaris::cli {
namespace {

namespace fs = std::filesystem;

using testing::CliSimulation;
using testing::Files;
using testing::ReadFile;
using testing::TempDir;

const std::string kCli = KOLMARIS_CLI_PROGRAM;
const std::string kSim = KOLMARIS_TERMINAL_SIM_PROGRAM;

struct Finished {
    int code;
    std::string out;
    std::string err;
};

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
    ~CliProgramTest() override
    {
        if (simulator_ > 0)
            kill(simulator_, SIGKILL);
    }
    fs::path Ports() const { return root_.Ports(); }

    // Runs kolmaris-cli to its end, at most 30 s.
    Finished RunCli(const std::vector<std::string>& args)
    {
        std::string command = "timeout 30 '" + kCli + "'";
        for (const std::string& arg : args)
            command += " '" + arg + "'";
        const fs::path out = root_.path / "stdout", err = root_.path / "stderr";
        const int status = std::system((command + " >'" + out.string() + "' 2>'" + err.string() + "'").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
    }

    // Starts the simulator on `scenario` in the background; its COM number from the line it prints.
    void StartSimulator(const Scenario& scenario)
    {
        const fs::path file = root_.path / "scenario.json", said = root_.path / "simulator";
        std::ofstream(file) << ScenarioToJson(scenario);
        FILE* shell = popen(
            ("'" + kSim + "' --scenario '" + file.string() + "' >'" + said.string() + "' & echo $!").c_str(), "r");
        ASSERT_TRUE(shell != nullptr && fscanf(shell, "%d", &simulator_) == 1);
        pclose(shell);
        const std::regex form("Kolmaris simulated terminal on COM (\\d+) \\(/dev/pts/\\d+\\), scenario .*\n");
        std::string line;
        std::smatch m;
        for (int i = 0; i < 1000 && !std::regex_match(line = ReadFile(said), m, form); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(std::regex_match(line, m, form)) << line;
        port_ = m[1].str();
    }

    TempDir root_{true};  // the programs inherit it as their runtime directory
    pid_t simulator_ = -1;
    std::string port_;
};

TEST_F(CliProgramTest, HelpUsageErrorsAndNoTerminalExitWithTheirCodes)
{
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out, err;  // the beginning of stdout
    } cases[] = {
        {{"--help"}, 0, "Usage: kolmaris-cli COMMAND [options]\n", ""},
        {{"-V"}, 0, "kolmaris-cli ", ""},
        {{}, 2, "", "kolmaris-cli: no command given (see kolmaris-cli --help)\n"},
        {{"records", "--probe", "99"},
         2,
         "",
         "kolmaris-cli: --probe needs a MESH address from 1 to 16, not \"99\" (see kolmaris-cli records --help)\n"},
        {{"history", "--probe", "1", "--station", "nosuch", "--archive", (root_.path / "a.sqlite").string()},
         2,
         "",
         "kolmaris-cli: the archive " + (root_.path / "a.sqlite").string() +
             " holds no station \"nosuch\"; it holds no stations yet\n"},
        {{"status", "--port", "200"}, 3, "", "kolmaris-cli: COM 200 has no device\n"},
        {{"download", "--out", (root_.path / "d").string(), "--device", "/dev/null"},
         3,
         "",
         "kolmaris-cli: /dev/null cannot be opened\n"},
    };
    for (const auto& c : cases) {
        const Finished run = RunCli(c.args);
        EXPECT_EQ(run.code, c.code) << c.err;
        EXPECT_TRUE(run.out.starts_with(c.out)) << run.out;
        EXPECT_EQ(run.out.empty(), c.out.empty());
        EXPECT_EQ(run.err, c.err);
        if (!c.args.empty() && c.args[0] == "--help") {
            EXPECT_NE(run.out.find("here: " + Ports().string() + ")"), std::string::npos);
        }
        if (!c.args.empty() && c.args[0] == "-V") {
            EXPECT_TRUE(std::regex_match(run.out, std::regex("kolmaris-cli \\d+\\.\\d+\\.\\d+\n"))) << run.out;
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
    EXPECT_EQ(download.code, 0) << download.err;
    EXPECT_EQ(download.err, "");

    CliSimulation same(scenario);
    TempDir expected;
    ASSERT_EQ(RunDownload(same.link, expected.path, 3, same.io), Exit::Ok);
    EXPECT_EQ(download.out, std::regex_replace(same.Out(), std::regex(expected.path.string()), dir.string()));
    const auto files = Files(dir);
    EXPECT_EQ(files.size(), 8u);
    EXPECT_EQ(files, Files(expected.path));
}

TEST_F(CliProgramTest, VerboseWritesALinePerExchangeToStderr)
{
    StartSimulator(TenHours());
    const Finished quiet = RunCli({"status", "--port", port_});
    EXPECT_EQ(quiet.err, "");
    const Finished verbose = RunCli({"--verbose", "status", "--port", port_});
    EXPECT_EQ(verbose.code, 0) << verbose.err;
    const std::regex exchange("link: request [012] [0-9A-F]{2}( [0-9A-F]{2})* -> reply [0-9A-F]{2}( [0-9A-F]{2})* \\(\\d+ ms\\)");
    const auto lines = testing::Lines(verbose.err);
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(lines.front(), "link: handshake COM " + port_ + ": terminal found");
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], exchange)) << lines[i];
    // As many lines as the status reads things, whichever way the option is given.
    EXPECT_EQ(testing::Lines(RunCli({"status", "-v", "--port", port_}).err).size(), lines.size());
}

TEST_F(CliProgramTest, AutomaticDetectionNamesTheBusyPorts)
{
    // A pseudo-terminal that this test holds open as COM 200: busy for the tool.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    const std::string slave = ptsname(master);
    ASSERT_TRUE(RegisterPortLink(200, slave));
    QtSerialPort holder;
    ASSERT_TRUE(holder.OpenPort(200, 19200, 8, 1, 0));
    const Finished run = RunCli({"status", "--timeout", "20", "--attempts", "1"});
    EXPECT_EQ(run.code, 3);
    EXPECT_EQ(run.err, "kolmaris-cli: no terminal found on COM 1 to 255 (busy: COM 200 (" + slave + "))\n");
    holder.ClosePort();
    close(master);
}

}  // namespace
}  // namespace kolmaris::cli
