// kolmaris-cli status against the simulated terminal: every value, the bonded elements with
// their functions, the alarm texts of the main window, and what a silent or refusing terminal
// gives.
#include "CliSimulation.h"

#include <gtest/gtest.h>

#include <regex>

namespace kolmaris::cli {
namespace {

using testing::CliSimulation;
using testing::Lines;

// The built-in system with a little history, so that the terminal has queried its elements a
// few times (an element counts as out of range after three missed queries).
Scenario Recent()
{
    Scenario s = DefaultScenario();
    s.memory.days = 0.05;
    return s;
}

void ExpectMatches(const std::string& line, const std::string& pattern)
{
    EXPECT_TRUE(std::regex_match(line, std::regex(pattern))) << line << "  vs  " << pattern;
}

TEST(CliStatus, EveryValueTheElementsAndTheAlarmsOfTheMainWindow)
{
    Scenario s = Recent();
    s.terminal.supplyVoltage = 3.2;
    s.terminal.relayMode = 1;  // the relay is demanded, and fails
    s.terminal.relayFailure = true;
    s.elements[1].inRange = false;  // MESH 2
    CliSimulation sim(s);

    EXPECT_EQ(RunStatus(sim.link, "COM 3", 3, sim.io), Exit::Ok);
    EXPECT_EQ(sim.Err(), "");
    const auto lines = Lines(sim.Out());
    ASSERT_EQ(lines.size(), 23u) << sim.Out();
    EXPECT_EQ(lines[0], "Terminal:     COM 3");
    EXPECT_EQ(lines[1], "Firmware:     2.14");
    ExpectMatches(lines[2], "Clock:        10\\.03\\.2025 10:00:\\d\\d");
    ExpectMatches(lines[3], "Voltage:      3\\.[12]\\d V");
    ExpectMatches(lines[4], "Temperature:  2\\d\\.\\d \u00B0C");
    ExpectMatches(lines[5], "Pressure:     9\\d\\d hPa");
    ExpectMatches(lines[6], "Humidity:     \\d\\d\\.\\d %");
    ExpectMatches(lines[7], "Acquisition:  running, next query in \\d+ s \\(query period 900 s\\)");
    EXPECT_EQ(lines[8], "Elements:     5 bonded");
    ExpectMatches(lines[9], "   1  radon probe, 3\\.\\d\\d V");
    EXPECT_EQ(lines[10], "   2  radon probe, out of RF range");
    ExpectMatches(lines[11], "   3  radon probe, 3\\.\\d\\d V");
    ExpectMatches(lines[12], "   4  actuator, 3\\.\\d\\d V");
    ExpectMatches(lines[13], "   5  repeater, 3\\.\\d\\d V");
    const std::vector<std::string> alarms(lines.begin() + 14, lines.end());
    EXPECT_EQ(alarms, (std::vector<std::string>{"Alarms:", "  Element out of RF range!", "  Address: 2", "",
                                                "  Low battery voltage!", "  Address: Term", "", "  Relay failure!",
                                                "  Address: Term"}))
        << sim.Out();
}

TEST(CliStatus, StoppedAcquisitionInSleepModeWithoutAlarms)
{
    Scenario s = Recent();
    s.terminal.acquisitionRunning = false;
    s.terminal.sleep = true;
    s.elements.resize(1);  // one radon probe
    CliSimulation sim(s);

    EXPECT_EQ(RunStatus(sim.link, "/dev/pts/9", 1, sim.io), Exit::Ok);
    const auto lines = Lines(sim.Out());
    ASSERT_EQ(lines.size(), 11u) << sim.Out();
    EXPECT_EQ(lines[0], "Terminal:     /dev/pts/9");
    EXPECT_EQ(lines[7], "Acquisition:  stopped, sleep mode");
    EXPECT_EQ(lines[8], "Elements:     1 bonded");
    EXPECT_EQ(lines[10], "Alarms:       none");
}

TEST(CliStatus, RefusedOrMissingAnswersShowAndFailTheRun)
{
    Scenario s = Recent();
    s.faults.refusedCommands = {0x39};  // the environment reading
    CliSimulation refusing(s);
    EXPECT_EQ(RunStatus(refusing.link, "COM 3", 2, refusing.io), Exit::Failed);
    const auto lines = Lines(refusing.Out());
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[4], "Temperature:  no answer");
    EXPECT_EQ(lines[5], "Pressure:     no answer");
    EXPECT_EQ(lines[6], "Humidity:     no answer");
    EXPECT_EQ(refusing.Err(),
              "kolmaris-cli: the terminal did not answer every request; first: Temperature: the "
              "terminal refused the command (error 0x2000E)\n");

    Scenario silent = Recent();
    silent.faults.stopAnsweringAfter = 0;
    CliSimulation dead(silent);
    EXPECT_EQ(RunStatus(dead.link, "COM 3", 3, dead.io), Exit::Failed);
    EXPECT_EQ(dead.Out(), "");
    EXPECT_EQ(dead.Err(),
              "kolmaris-cli: the terminal on COM 3 does not answer: no reply within the time-out (error "
              "22)\n");
}

TEST(CliStatus, ABondingMapThatNeverComesIsNamed)
{
    Scenario s = Recent();
    s.faults.answerFaults = {{AnswerFaultKind::Invalid, 0, -1, -1}};  // every local answer spoilt
    CliSimulation sim(s);
    EXPECT_EQ(RunStatus(sim.link, "COM 3", 2, sim.io), Exit::Failed);
    const auto lines = Lines(sim.Out());
    ASSERT_EQ(lines.size(), 10u) << sim.Out();
    EXPECT_EQ(lines[8], "Elements:     no answer");
    EXPECT_EQ(lines[9], "Alarms:       none");
    EXPECT_EQ(sim.Err().rfind("kolmaris-cli: the terminal did not answer every request; first: Bonding map: the "
                              "answer came with error ",
                              0),
              0u)
        << sim.Err();
}

}  // namespace
}  // namespace kolmaris::cli
