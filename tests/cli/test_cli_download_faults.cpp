// kolmaris-cli download with its default options over a faulty line ends with the files of a
// clean download of the same terminal.
#include "CliSimulation.h"
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace kolmaris::cli {
namespace {

using testing::CliSimulation;
using testing::Files;
using testing::TempDir;

struct Fault {
    const char* name;
    void (*apply)(FaultSetup&);
};

class CliDownloadFault : public ::testing::TestWithParam<Fault> {};

TEST_P(CliDownloadFault, EndsWithTheFilesOfACleanDownload)
{
    Scenario scenario = DefaultScenario();
    scenario.memory.days = 3.0;
    TempDir clean;
    CliSimulation reference(scenario);
    ASSERT_EQ(RunDownload(reference.link, clean.path, 0, reference.io), Exit::Ok);

    GetParam().apply(scenario.faults);
    CliSimulation sim(scenario);
    TempDir dir;
    EXPECT_EQ(RunDownload(sim.link, dir.path, kDefaultContinues, sim.io), Exit::Ok) << sim.Err();
    EXPECT_EQ(Files(dir.path), Files(clean.path));
    EXPECT_TRUE(sim.terminal.RecordingOn());
}

void HeldBack(FaultSetup& f) { f.holdRepliesAfter = 30; }
void SilentFor5s(FaultSetup& f) { f.holdRepliesAfter = 30, f.holdRepliesMs = 5000, f.holdLosesReplies = true; }
void OnePercentSpoiltAndLost(FaultSetup& f) { f.corruptionRate = f.lossRate = 0.01; }

INSTANTIATE_TEST_SUITE_P(Faults, CliDownloadFault,
                         ::testing::Values(Fault{"RepliesHeldBack", HeldBack}, Fault{"SilentFor5s", SilentFor5s},
                                           Fault{"OnePercentSpoiltAndLost", OnePercentSpoiltAndLost}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kolmaris::cli
