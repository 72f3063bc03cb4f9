// kolmaris-terminal-sim as a separate process: its command line, its exit codes, and the
// real link (QtSerialPort and StepLink on the steady clock) talking to it over a
// pseudo-terminal registered in a private port directory.
#include "PortDirectory.h"
#include "ProgramProcess.h"
#include "QtSerialPort.h"
#include "RelayedRequests.h"
#include "ScenarioJson.h"
#include "StepLink.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/ioctl.h>

namespace kolmaris {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ProgramProcess;

const std::string kProgram = KOLMARIS_TERMINAL_SIM_PROGRAM;
const fs::path kScenarios = KOLMARIS_SCENARIO_DIR;

class TerminalSimProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "kolmaris-simapp-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntimeDir_ = old;
        setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);  // the program inherits it
    }
    void TearDown() override
    {
        if (oldRuntimeDir_)
            setenv("XDG_RUNTIME_DIR", oldRuntimeDir_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(root_);
    }

    fs::path Ports() const { return root_ / "kolmaris" / "ports"; }
    fs::path LinkOf(int port) const { return Ports() / ("COM" + std::to_string(port)); }

    fs::path WriteFile(const std::string& name, const std::string& text) const
    {
        std::ofstream(root_ / name) << text;
        return root_ / name;
    }

    struct Finished {
        std::optional<int> code;
        std::string out;
        std::string err;
    };
    static Finished RunToEnd(const std::vector<std::string>& args, const std::vector<std::string>& unset = {})
    {
        ProgramProcess p(kProgram, args, unset);
        EXPECT_TRUE(p.Started());
        const auto code = p.WaitExit(ProgramProcess::In(5s));
        return {code, p.Stdout(), p.Stderr()};
    }

    // The port line: COM number and device.
    static std::optional<std::pair<int, std::string>> ReadPortLine(ProgramProcess& p, const std::string& scenario,
                                                                   const std::string& extra = "")
    {
        const auto line = p.ReadLine(ProgramProcess::In(5s));
        EXPECT_TRUE(line.has_value()) << p.Stderr();
        std::smatch m;
        const std::regex form("Kolmaris simulated terminal on COM (\\d+) \\((/dev/pts/\\d+)\\), scenario " +
                              scenario + extra);
        if (!line || !std::regex_match(*line, m, form)) {
            ADD_FAILURE() << "port line: " << line.value_or("(none)");
            return std::nullopt;
        }
        return std::pair(std::stoi(m[1]), m[2].str());
    }

    // SIGTERM or SIGINT: exit code 0, a closing line, no link left.
    void ExpectCleanStop(ProgramProcess& p, int port, int signal) const
    {
        p.Signal(signal);
        EXPECT_EQ(p.WaitExit(ProgramProcess::In(5s)), std::optional(0)) << p.Stderr();
        EXPECT_NE(p.Stdout().find("; COM " + std::to_string(port) + " removed"), std::string::npos) << p.Stdout();
        EXPECT_EQ(p.Stderr(), "");
        EXPECT_FALSE(fs::is_symlink(LinkOf(port)));
    }

    fs::path root_;
    std::optional<std::string> oldRuntimeDir_;
};

TEST_F(TerminalSimProgramTest, HelpDocumentsEveryOptionThePortDirectoryAndTheExitCodes)
{
    const Finished help = RunToEnd({"--help"});
    EXPECT_EQ(help.code, std::optional(0));
    EXPECT_EQ(help.err, "");
    for (const char* text : {"--port N", "--scenario FILE", "--baud-pacing", "--seed N", "--dump-scenario",
                             "-h, --help", "$XDG_RUNTIME_DIR/kolmaris/ports", "~/.local/state/kolmaris/ports",
                             "SIGTERM", "  0  stopped by a signal", "  2  bad command line",
                             "  3  the scenario file", "  4  no port number", "  5  the pseudo-terminal"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    EXPECT_NE(help.out.find("  " + Ports().string() + "\n"), std::string::npos) << "the directory in use";
    EXPECT_EQ(RunToEnd({"-h"}).out, help.out);
    EXPECT_FALSE(fs::exists(Ports()));
}

TEST_F(TerminalSimProgramTest, BadCommandLinesExitTwoWithOneLineAndNoLink)
{
    const std::vector<std::vector<std::string>> cases{
        {"--bogus"},        {"--port"},         {"--port", "0"},        {"--port", "256"},
        {"--port", "9x"},   {"--seed", "-1"},   {"--baud-pacing=yes"},  {"--scenario"},
        {"--scenario", "--seed", "1"},          {"extra"},
    };
    for (const auto& args : cases) {
        const Finished run = RunToEnd(args);
        EXPECT_EQ(run.code, std::optional(2)) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_EQ(run.err.rfind("kolmaris-terminal-sim: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find("(see --help)"), std::string::npos) << run.err;
    }
    EXPECT_NE(RunToEnd({"--port", "300"}).err.find("--port needs a number from 1 to 255, not \"300\""),
              std::string::npos);
    EXPECT_FALSE(fs::exists(Ports()));
}

TEST_F(TerminalSimProgramTest, ScenarioAndPortProblemsExitWithTheirCodes)
{
    const Finished missing = RunToEnd({"--scenario", (root_ / "none.json").string()});
    EXPECT_EQ(missing.code, std::optional(3));
    EXPECT_EQ(missing.err, "kolmaris-terminal-sim: " + (root_ / "none.json").string() +
                               ": cannot read the file: No such file or directory\n");

    const fs::path typo = WriteFile("typo.json", R"({"terminal": {"chanel": 3}})");
    const Finished invalid = RunToEnd({"--scenario", typo.string()});
    EXPECT_EQ(invalid.code, std::optional(3));
    EXPECT_EQ(invalid.err.rfind("kolmaris-terminal-sim: " + typo.string() + ": unknown key \"terminal.chanel\"", 0),
              0u) << invalid.err;

    ASSERT_TRUE(RegisterPortLink(150, "/dev/null", Ports()));  // a live link someone else made
    const Finished taken = RunToEnd({"--port", "150"});
    EXPECT_EQ(taken.code, std::optional(4));
    EXPECT_EQ(taken.err, "kolmaris-terminal-sim: COM 150 is taken: " + LinkOf(150).string() +
                             " points to /dev/null\n");
    EXPECT_EQ(fs::read_symlink(LinkOf(150)), "/dev/null");

    const Finished nowhere = RunToEnd({}, {"XDG_RUNTIME_DIR", "HOME"});
    EXPECT_EQ(nowhere.code, std::optional(4));
    EXPECT_NE(nowhere.err.find("no port directory"), std::string::npos) << nowhere.err;
}

TEST_F(TerminalSimProgramTest, DumpScenarioPrintsTheScenarioThatWouldRunWithTheSeedApplied)
{
    const Finished dump = RunToEnd({"--scenario", (kScenarios / "noisy-line.json").string(), "--seed", "42",
                                    "--dump-scenario"});
    ASSERT_EQ(dump.code, std::optional(0)) << dump.err;
    const ScenarioLoad load = ParseScenarioJson(dump.out, "dump");
    ASSERT_TRUE(load.scenario.has_value()) << load.error;
    EXPECT_EQ(load.scenario->name, "noisy-line");
    EXPECT_EQ(load.scenario->seed, 42u);
    EXPECT_DOUBLE_EQ(load.scenario->faults.corruptionRate, 0.01);
    EXPECT_FALSE(fs::exists(Ports()));
}

TEST_F(TerminalSimProgramTest, TheLinkDetectsTheTerminalAndRunsCommandsAndRelayedRequests)
{
    const fs::path scenario = WriteFile("e2e.json", R"({
        "terminal": {"firmwareVersion": "0x0309", "routingHops": 5, "startTime": "2025-03-10 10:00:00"},
        "faults": {"pollsBeforeCompletion": 3}
    })");
    ProgramProcess p(kProgram, {"--scenario", scenario.string()});
    ASSERT_TRUE(p.Started());
    const auto port = ReadPortLine(p, "e2e");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->first, 97);  // the first number above the fixed devices
    EXPECT_EQ(fs::read_symlink(LinkOf(97)), port->second);

    QtSerialPort serial;
    SteadyClock clock;
    StepLink link(serial, clock);
    ASSERT_EQ(link.DetectTerminal(97), kOk);
    EXPECT_EQ(link.ConnectedPort, 97);

    uint16_t version = 0;
    EXPECT_EQ(ReadTerminalVersion(link, version), kOk);
    EXPECT_EQ(version, 0x0309);
    uint32_t time = 0;
    EXPECT_EQ(ReadTerminalTime(link, time), kOk);
    EXPECT_GE(time, 794916000u);
    EXPECT_LT(time, 794916000u + 60);
    int32_t pointer = 0;
    EXPECT_EQ(ReadMemoryPointer(link, pointer), kOk);
    EXPECT_GE(pointer, 1);
    EXPECT_LE(pointer, 0x1FFFF);

    // Node info of probe 1: three polls find it not complete, the fourth brings the answer.
    ASSERT_EQ(RequestNodeInfo(link, Network::Mesh, 1), kOk);
    RelayedAnswer answer;
    int incomplete = 0;
    for (; incomplete < 10; ++incomplete) {
        ASSERT_EQ(PollRelayedReply(link, answer), kOk);
        if (answer.complete)
            break;
    }
    EXPECT_EQ(incomplete, 3);
    EXPECT_EQ(answer.error, 0);
    EXPECT_EQ(answer.length, 12);
    uint8_t hops = 0;
    EXPECT_EQ(ReadCoordinatorRouting(link, hops), kOk);
    EXPECT_EQ(hops, 5);
    EXPECT_EQ(link.Disconnect(), 0u);

    ExpectCleanStop(p, 97, SIGTERM);
    EXPECT_FALSE(fs::exists(port->second));
}

TEST_F(TerminalSimProgramTest, ThePortCanBeReopenedIsNeverLeftExclusiveAndCtrlCRemovesTheLink)
{
    ProgramProcess p(kProgram, {"--port", "120", "--seed", "7"});
    ASSERT_TRUE(p.Started());
    const auto port = ReadPortLine(p, "default");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->first, 120);

    QtSerialPort serial;
    SteadyClock clock;
    StepLink link(serial, clock);
    for (int session = 0; session < 2; ++session) {
        ASSERT_EQ(link.DetectTerminal(120), kOk) << "session " << session;
        uint16_t version = 0;
        EXPECT_EQ(ReadTerminalVersion(link, version), kOk);
        EXPECT_EQ(version, 0x020E);
        EXPECT_EQ(link.Disconnect(), 0u);
    }

    // Exclusive use that a program asked for is taken back, so that a program killed while
    // holding the port does not lock out the next (root, running this, is never locked out).
    const int fd = open(port->second.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
    int exclusive = 1;
    const auto deadline = ProgramProcess::In(2s);
    while (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0 && std::chrono::steady_clock::now() < deadline)
        poll(nullptr, 0, 1);
    EXPECT_EQ(exclusive, 0);
    close(fd);

    ExpectCleanStop(p, 120, SIGINT);
}

TEST_F(TerminalSimProgramTest, BaudPacingDeliversNoFasterThanTheLine)
{
    ProgramProcess p(kProgram, {"--baud-pacing"});
    ASSERT_TRUE(p.Started());
    const auto port = ReadPortLine(p, "default", ", 19200 baud pacing");
    ASSERT_TRUE(port);

    QtSerialPort serial;
    SteadyClock clock;
    StepLink link(serial, clock);
    ASSERT_EQ(link.DetectTerminal(uint8_t(port->first)), kOk);
    std::array<uint8_t, 256> memory{};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ReadTerminalMemory(link, 0x100, memory), kOk);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // The 256 data bytes alone take 256 / 1920 s on the line, besides frames and requests.
    EXPECT_GE(elapsed, 133ms);
    EXPECT_EQ(link.Disconnect(), 0u);
    ExpectCleanStop(p, port->first, SIGTERM);
}

}  // namespace
}  // namespace kolmaris
