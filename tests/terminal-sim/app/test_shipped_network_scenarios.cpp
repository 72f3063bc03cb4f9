// The network scenarios shipped with the simulator: the default system with one fault each.
#include "ScenarioJson.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kolmaris {
namespace {

struct NetworkScenario {
    const char* file;
    bool element3InRange;
    std::size_t refusals;  // answer faults refusing MESH 2's channel requests for good
};

class ShippedNetworkScenarios : public ::testing::TestWithParam<NetworkScenario> {};

TEST_P(ShippedNetworkScenarios, DefaultElementsWithTheirFault)
{
    const NetworkScenario& p = GetParam();
    const ScenarioLoad load = LoadScenarioFile(std::filesystem::path(KOLMARIS_SCENARIO_DIR) / p.file);
    ASSERT_TRUE(load.scenario) << load.error;
    const Scenario& s = *load.scenario;
    ASSERT_GE(s.elements.size(), 5u);
    EXPECT_EQ(s.elements[2].inRange, p.element3InRange);
    std::size_t refusals = 0;
    for (const AnswerFault& f : s.faults.answerFaults)
        refusals += f.kind == AnswerFaultKind::Refused && f.address == 2 && f.command == 0x88 && f.count == -1;
    EXPECT_EQ(refusals, p.refusals);
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedNetworkScenarios,
                         ::testing::Values(NetworkScenario{"element-out-of-range.json", false, 0},
                                           NetworkScenario{"channel-refused.json", true, 1}));

}  // namespace
}  // namespace kolmaris
