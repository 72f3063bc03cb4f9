// kolmaris-cli mesh against the simulated terminal: the JSON backup of the MESH, and an element
// out of range marked incomplete.
#include "CliSimulation.h"

#include <gtest/gtest.h>

namespace kolmaris::cli {
namespace {

using testing::CliSimulation;

Scenario Quiet(bool element3OutOfRange)
{
    Scenario s = DefaultScenario();
    s.memory.days = 0;
    s.elements[2].inRange = !element3OutOfRange;
    return s;
}

TEST(CliMesh, JsonListsTheBondedElementsAndTheCoordinator)
{
    CliSimulation sim(Quiet(false));
    EXPECT_EQ(RunMesh(sim.link, 3, OutputFormat::Json, sim.io), Exit::Ok);
    const std::string out = sim.Out();
    EXPECT_NE(out.find(R"("coordinator": {"channel": 52, "hops": 2, "power": 7,)"), std::string::npos) << out;
    EXPECT_NE(out.find(R"({"address": 4, "function": "actuator", "functionCode": 2, "power": 7,)"), std::string::npos);
    EXPECT_NE(out.find(R"("address": 5, "function": "repeater")"), std::string::npos);
    EXPECT_NE(out.find(R"("voltage": 3.71, "p2p": 35, "complete": true})"), std::string::npos);
    EXPECT_EQ(out.find("null"), std::string::npos);
    EXPECT_EQ(sim.Err(), "");
}

TEST(CliMesh, AnElementOutOfRangeIsMarkedAndTheStatusIsOne)
{
    CliSimulation sim(Quiet(true));
    EXPECT_EQ(RunMesh(sim.link, 3, OutputFormat::Csv, sim.io), Exit::Failed);
    const auto lines = testing::Lines(sim.Out());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[4], "3,radon probe,,,,,,,,no");
    EXPECT_TRUE(lines[3].ends_with(",yes")) << lines[3];
}

}  // namespace
}  // namespace kolmaris::cli
