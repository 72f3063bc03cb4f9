// kolmaris-cli status against the simulated terminal: every value, the bonded elements with
// their functions, the alarms of the main window, and what a silent or refusing terminal gives.
#include "CliSimulation.h"

#include <gtest/gtest.h>

#include <regex>

namespace kolmaris::cli {
namespace {

using testing::CliSimulation;

// The built-in system with a little history, so that the terminal has queried its elements a
// few times (an element counts as out of range after three missed queries).
Scenario Recent()
{
    Scenario s = DefaultScenario();
    s.memory.days = 0.05;
    return s;
}

struct StatusRun {
    Exit exit;
    std::vector<std::string> lines;
    std::string err;
};

StatusRun Status(const Scenario& s, const char* where = "COM 3", int attempts = 3)
{
    CliSimulation sim(s);
    const Exit exit = RunStatus(sim.link, where, attempts, sim.io);
    return {exit, testing::Lines(sim.Out()), sim.Err()};
}

TEST(CliStatus, EveryValueTheElementsAndTheAlarmsOfTheMainWindow)
{
    Scenario s = Recent();
    s.terminal.supplyVoltage = 3.2;
    s.terminal.relayMode = 1;  // the relay is demanded, and fails
    s.terminal.relayFailure = true;
    s.elements[1].inRange = false;  // MESH 2
    const StatusRun run = Status(s);
    EXPECT_EQ(run.exit, Exit::Ok);
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> patterns{"Terminal:     COM 3",
                                            "Firmware:     2\\.14",
                                            "Clock:        10\\.03\\.2025 10:00:\\d\\d",
                                            "Voltage:      3\\.[12]\\d V",
                                            "Temperature:  2\\d\\.\\d \u00B0C",
                                            "Pressure:     9\\d\\d hPa",
                                            "Humidity:     \\d\\d\\.\\d %",
                                            "Acquisition:  running, next query in \\d+ s \\(query period 900 s\\)",
                                            "Elements:     5 bonded",
                                            "   1  radon probe, 3\\.\\d\\d V",
                                            "   2  radon probe, out of RF range",
                                            "   3  radon probe, 3\\.\\d\\d V",
                                            "   4  actuator, 3\\.\\d\\d V",
                                            "   5  repeater, 3\\.\\d\\d V",
                                            "Alarms:"};
    ASSERT_EQ(run.lines.size(), patterns.size() + 8);
    for (std::size_t i = 0; i < patterns.size(); ++i)
        EXPECT_TRUE(std::regex_match(run.lines[i], std::regex(patterns[i]))) << run.lines[i];
    // The main window's alarm text, indented: out of range, low battery, relay failure.
    EXPECT_EQ(run.lines[16], "  Address: 2");
    EXPECT_EQ(run.lines[19], "  Address: Term");
    EXPECT_EQ(run.lines.back(), "  Address: Term");
}

TEST(CliStatus, StoppedAcquisitionInSleepModeWithoutAlarms)
{
    Scenario s = Recent();
    s.terminal.acquisitionRunning = false;
    s.terminal.sleep = true;
    s.elements.resize(1);  // one radon probe
    const StatusRun run = Status(s, "/dev/pts/9", 1);
    EXPECT_EQ(run.exit, Exit::Ok);
    ASSERT_EQ(run.lines.size(), 11u);
    EXPECT_EQ(run.lines[0], "Terminal:     /dev/pts/9");
    EXPECT_EQ(run.lines[7], "Acquisition:  stopped, sleep mode");
    EXPECT_EQ(run.lines[8], "Elements:     1 bonded");
    EXPECT_EQ(run.lines[10], "Alarms:       none");
}

TEST(CliStatus, RefusedOrMissingAnswersShowAndFailTheRun)
{
    Scenario s = Recent();
    s.faults.refusedCommands = {0x39};  // the environment reading
    StatusRun run = Status(s, "COM 3", 2);
    EXPECT_EQ(run.exit, Exit::Failed);
    ASSERT_GE(run.lines.size(), 7u);
    EXPECT_EQ(
        std::vector(run.lines.begin() + 4, run.lines.begin() + 7),
        (std::vector<std::string>{"Temperature:  no answer", "Pressure:     no answer", "Humidity:     no answer"}));
    EXPECT_EQ(run.err,
              "kolmaris-cli: the terminal did not answer every request; first: Temperature: the terminal "
              "refused the command (error 0x2000E)\n");

    s = Recent();
    s.faults.answerFaults = {{AnswerFaultKind::Invalid, 0, -1, -1}};  // every local answer spoilt
    run = Status(s, "COM 3", 2);
    EXPECT_EQ(run.exit, Exit::Failed);
    ASSERT_EQ(run.lines.size(), 10u);
    EXPECT_EQ(run.lines[8], "Elements:     no answer");
    EXPECT_EQ(run.lines[9], "Alarms:       none");
    EXPECT_TRUE(
        run.err.starts_with("kolmaris-cli: the terminal did not answer every request; first: Bonding map: "
                            "the answer came with error "))
        << run.err;

    s = Recent();
    s.faults.stopAnsweringAfter = 0;
    run = Status(s);
    EXPECT_EQ(run.exit, Exit::Failed);
    EXPECT_TRUE(run.lines.empty());
    EXPECT_EQ(run.err,
              "kolmaris-cli: the terminal on COM 3 does not answer: no reply within the time-out (error 22)\n");
}

}  // namespace
}  // namespace kolmaris::cli
