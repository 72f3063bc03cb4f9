// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris-cli status, clock and mesh against the simulated terminal: every value, the bonded
// elements with their functions, the alarms of the main window; the clock compared and set from
// the PC's; the JSON backup of the MESH; and what a silent or refusing terminal gives.
#include "CliSimulation.h"
#include "Scenarios.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
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

struct StatusRun {
    Exit exit;
    std::vector<std::string> lines;
    std::string err;
};

StatusRun Status(const Scenario& s, const char* where = "COM 3", int attempts = 3)
{
    CliSimulation sim(s);
    const Exit exit = RunStatus(sim.link, where, attempts, sim.io);
    return {exit, Lines(sim.Out()), sim.Err()};
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
                                            "Clock:        10\\.03\\.2025 10:00:\\d\\d \\(UTC\\+01:00\\)",
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

struct ClockCase {
    const char* name;
    int behind;  // seconds the terminal's clock is behind the PC's
    bool set;
    int ifOff;
    bool refused;  // the terminal refuses SetTerminalTime
    Exit exit;
    std::size_t lines;
};

// The difference a "Difference:" line gives.
int64_t Difference(const std::string& line)
{
    EXPECT_EQ(line.substr(0, 14), "Difference:   ");
    return std::atoll(line.c_str() + 14);
}

class CliClock : public ::testing::TestWithParam<ClockCase> {};

TEST_P(CliClock, ComparesAndSetsOnlyWhenAsked)
{
    const ClockCase& c = GetParam();
    Scenario s = kolmaris::testing::QuietDefaultScenario();
    s.terminal.startTime = PcTimeToTerminalTime() - c.behind;
    if (c.refused)
        s.faults.refusedCommands = {0xBA};
    CliSimulation sim(s);
    CliOptions options;
    options.command = Command::Clock;
    options.set = c.set;
    options.ifOff = c.ifOff;
    EXPECT_EQ(RunClock(sim.link, options, sim.io), c.exit);
    EXPECT_EQ(sim.Err().empty(), c.exit == Exit::Ok) << sim.Err();
    const auto lines = Lines(sim.Out());
    ASSERT_EQ(lines.size(), c.lines) << sim.Out();
    EXPECT_NEAR(Difference(lines[2]), -c.behind, 1);
    const bool setNow = c.lines == 7;
    if (setNow) {
        EXPECT_NEAR(Difference(lines[6]), 0, 1);
    }
    const int64_t off = int64_t(sim.terminal.Time()) - int64_t(PcTimeToTerminalTime());
    EXPECT_NEAR(off, setNow ? 0 : -c.behind, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, CliClock,
                         ::testing::Values(ClockCase{"show", 3600, false, -1, false, Exit::Ok, 3},
                                           ClockCase{"set", 3600, true, -1, false, Exit::Ok, 7},
                                           ClockCase{"offMoreThanAllowed", 120, true, 60, false, Exit::Ok, 7},
                                           ClockCase{"withinAllowed", 30, true, 60, false, Exit::Ok, 4},
                                           ClockCase{"refused", 3600, true, -1, true, Exit::Failed, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

Scenario Quiet(bool element3OutOfRange)
{
    Scenario s = kolmaris::testing::QuietDefaultScenario();
    s.elements[2].inRange = !element3OutOfRange;
    return s;
}

TEST(CliMesh, JsonListsTheBondedElementsAndTheCoordinatorInSnakeCaseKeys)
{
    CliSimulation sim(Quiet(false));
    EXPECT_EQ(RunMesh(sim.link, 3, OutputFormat::Json, sim.io), Exit::Ok);
    EXPECT_EQ(sim.Err(), "");
    const auto element = [](int address, const char* function, int code, int rssi, int terminalRssi, double volts) {
        return nlohmann::json{{"address", address}, {"function", function}, {"function_code", code},
                              {"power", 7},         {"rssi", rssi},         {"terminal_rssi", terminalRssi},
                              {"voltage", volts},   {"p2p", 31 + address},  {"complete", true}};
    };
    const nlohmann::json expected{
        {"coordinator",
         {{"channel", 52}, {"hops", 2}, {"power", 7}, {"voltage", 3.91}, {"p2p", 1}, {"complete", true}}},
        {"elements",
         {element(1, "radon probe", 3, 45, 45, 3.58), element(2, "radon probe", 3, 43, 42, 3.61),
          element(3, "radon probe", 3, 40, 40, 3.64), element(4, "actuator", 2, 46, 44, 3.71),
          element(5, "repeater", 1, 58, 59, 3.68)}}};
    EXPECT_EQ(nlohmann::json::parse(sim.Out()), expected) << sim.Out();

    CliSimulation csv(Quiet(false));
    EXPECT_EQ(RunMesh(csv.link, 3, OutputFormat::Csv, csv.io), Exit::Ok);
    EXPECT_EQ(Lines(csv.Out()).front(), "address,function,power,rssi,terminal_rssi,voltage,p2p,channel,hops,complete");
}

TEST(CliMesh, AnElementOutOfRangeIsMarkedAndTheStatusIsOne)
{
    CliSimulation sim(Quiet(true));
    EXPECT_EQ(RunMesh(sim.link, 3, OutputFormat::Csv, sim.io), Exit::Failed);
    const auto lines = Lines(sim.Out());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[4], "3,radon probe,,,,,,,,no");
    EXPECT_TRUE(lines[3].ends_with(",yes")) << lines[3];
}

}  // namespace
}  // namespace kolmaris::cli

namespace kolmaris::cli {
namespace {

TEST(CliMesh, ATerminalThatStopsAnsweringEndsTheReadAndIsNamed)
{
    // Silent part-way through the elements' values, at every stage.
    for (const int64_t answered : {12, 20, 30}) {
        SCOPED_TRACE(answered);
        Scenario s = kolmaris::testing::QuietDefaultScenario();
        CliSimulation probe(s);
        s.faults.stopAnsweringAfter = int64_t(probe.terminal.FramesReceived()) + answered;
        CliSimulation sim(s);
        EXPECT_EQ(RunMesh(sim.link, 3, OutputFormat::Text, sim.io), Exit::Failed);
        EXPECT_NE(sim.Err().find("kolmaris-cli: the terminal stopped answering;"), std::string::npos) << sim.Err();
        EXPECT_EQ(sim.Out().find("0.00"), std::string::npos) << sim.Out();
        EXPECT_LE(sim.link.SilentExchanges(), 3 + 3) << "the read ended once the terminal was gone";
    }
}

}  // namespace
}  // namespace kolmaris::cli
