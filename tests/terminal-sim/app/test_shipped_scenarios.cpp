// The scenario files shipped with the simulator read without error and describe what their
// descriptions promise.
#include "ScenarioCompare.h"
#include "ScenarioJson.h"
#include "SimulatedTerminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace kolmaris {
namespace {

Scenario Shipped(const char* file)
{
    const ScenarioLoad load = LoadScenarioFile(std::filesystem::path(KOLMARIS_SCENARIO_DIR) / file);
    EXPECT_TRUE(load.scenario.has_value()) << load.error;
    return load.scenario.value_or(Scenario{});
}

int CountOf(const Scenario& s, ElementType type)
{
    return int(std::count_if(s.elements.begin(), s.elements.end(), [&](const auto& e) { return e.type == type; }));
}

TEST(ShippedScenarios, DefaultIsTheBuiltInSystemWrittenOut)
{
    testing::ExpectSameScenario(DefaultScenario(), Shipped("default.json"));
}

TEST(ShippedScenarios, EmptySystemHasNoElementsAndAnEmptyMemory)
{
    const Scenario s = Shipped("empty-system.json");
    EXPECT_EQ(s.name, "empty-system");
    EXPECT_TRUE(s.elements.empty());
    EXPECT_FALSE(s.terminal.acquisitionRunning);
    const SimulatedTerminal terminal(s);
    EXPECT_TRUE(terminal.RecordsInMemory().empty());
    EXPECT_EQ(terminal.MemoryPointer(), 1u);
    EXPECT_FALSE(terminal.MemoryWrapped());
}

TEST(ShippedScenarios, FullMeshBondsSixteenElementsWithDataInMemory)
{
    const Scenario s = Shipped("full-mesh.json");
    EXPECT_EQ(s.name, "full-mesh");
    ASSERT_EQ(s.elements.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(s.elements[i].meshAddress, i + 1);
    EXPECT_EQ(CountOf(s, ElementType::Probe), 12);
    EXPECT_EQ(CountOf(s, ElementType::Actuator), 2);
    EXPECT_EQ(CountOf(s, ElementType::Repeater), 2);
    const SimulatedTerminal terminal(s);
    const auto records = terminal.RecordsInMemory();
    EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                            [](const auto& r) { return r.kind == MemoryRecordInfo::Kind::Radon; }));
}

TEST(ShippedScenarios, NoisyLineSpoilsBytesAndSlowsAnswersOfTheDefaultSystem)
{
    const Scenario s = Shipped("noisy-line.json");
    EXPECT_EQ(s.name, "noisy-line");
    EXPECT_DOUBLE_EQ(s.faults.corruptionRate, 0.01);
    EXPECT_GT(s.faults.lossRate, 0.0);
    EXPECT_LT(s.faults.lossRate, 0.01);
    EXPECT_EQ(s.faults.pollsBeforeCompletion, 4);
    ASSERT_EQ(s.faults.answerFaults.size(), 2u);
    for (const AnswerFault& f : s.faults.answerFaults) {
        EXPECT_EQ(f.kind, AnswerFaultKind::Busy);
        EXPECT_EQ(f.address, 2);
    }
    EXPECT_EQ(s.elements.size(), DefaultScenario().elements.size());
}

}  // namespace
}  // namespace kolmaris
