// kolmaris-cli clock against the simulated terminal: the comparison, setting from the PC, the
// threshold, a terminal that refuses the time, and the options that go together.
#include "CliSimulation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace kolmaris::cli {
namespace {

using testing::CliSimulation;
using testing::Lines;

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
    Scenario s = DefaultScenario();
    s.memory.days = 0;
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

}  // namespace
}  // namespace kolmaris::cli
