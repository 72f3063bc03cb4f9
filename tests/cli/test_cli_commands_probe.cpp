// kolmaris-cli records and spectra against the simulated terminal: the files the windows'
// Save writes, the warnings, the probe check, the acquisition stopped for the reading and
// continued after it, and readings that end short.
#include "CliSimulation.h"

#include <gtest/gtest.h>

namespace kolmaris::cli {
namespace {

namespace fs = std::filesystem;

using testing::CliSimulation;
using testing::Lines;
using testing::ReadFile;
using testing::TempDir;

const char kRadonHeader[] =
    "record\ttime\tradon[Bq/m3]\tsum1\tsum2\tsum3\tsum4\ttemperature[\xB0"
    "C]\thumidity[%]\tHV";

Scenario WithRings(int records, int spectra)
{
    Scenario s = DefaultScenario();
    s.memory.days = 0.0;
    s.elements[0].probe.recordsPrefill = records;
    s.elements[0].probe.spectraPrefill = spectra;
    return s;
}

CliOptions Reading(Command command, int probe, int from, int to, const fs::path& out)
{
    CliOptions o;
    o.command = command;
    o.probe = probe;
    o.from = from;
    o.to = to;
    o.out = out.string();
    return o;
}

// The record numbers in the first column of a radon file, top to bottom.
std::vector<int> RecordNumbers(const std::string& file)
{
    std::vector<int> numbers;
    const auto lines = Lines(file);
    for (std::size_t i = 1; i < lines.size(); ++i)
        numbers.push_back(std::stoi(lines[i]));
    return numbers;
}

TEST(CliRecords, FewerRecordsThanAskedForAreReadWithTheWindowsWarningAndAcquisitionGoesOn)
{
    CliSimulation sim(WithRings(250, 0));
    ASSERT_TRUE(sim.terminal.AcquisitionRunning());
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    EXPECT_EQ(RunRecords(sim.link, Reading(Command::Records, 1, 1, 4096, file), sim.io), Exit::Ok);
    EXPECT_EQ(sim.Err(), "kolmaris-cli: warning: Less records in memory than requested.\n");
    EXPECT_EQ(sim.Out(), "Probe 1: 250 radon records (1 to 250) written to " + file.string() + "\n");
    EXPECT_TRUE(sim.terminal.AcquisitionRunning()) << "continued after the reading";

    const std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind(std::string(kRadonHeader) + "\r\n", 0), 0u);
    const auto numbers = RecordNumbers(text);
    ASSERT_EQ(numbers.size(), 250u);
    EXPECT_EQ(numbers.front(), 250) << "the oldest first";
    EXPECT_EQ(numbers.back(), 1);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 251);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 251);
}

TEST(CliRecords, ARangeIsNumberedFromItsFirstRecordAndAStoppedAcquisitionStaysStopped)
{
    Scenario s = WithRings(250, 0);
    s.terminal.acquisitionRunning = false;
    CliSimulation sim(s);
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    EXPECT_EQ(RunRecords(sim.link, Reading(Command::Records, 1, 100, 102, file), sim.io), Exit::Ok);
    EXPECT_EQ(sim.Err(), "");
    EXPECT_EQ(RecordNumbers(ReadFile(file)), (std::vector<int>{102, 101, 100}));
    EXPECT_FALSE(sim.terminal.AcquisitionRunning());
}

TEST(CliRecords, NothingAvailableWritesTheHeaderOnly)
{
    CliSimulation sim(WithRings(0, 0));
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    EXPECT_EQ(RunRecords(sim.link, Reading(Command::Records, 1, 1, 1, file), sim.io), Exit::Ok);
    EXPECT_EQ(sim.Err(), "kolmaris-cli: warning: Requested records not available yet.\n");
    EXPECT_EQ(sim.Out(), "Probe 1: 0 radon records written to " + file.string() + "\n");
    EXPECT_EQ(ReadFile(file), std::string(kRadonHeader) + "\r\n");
}

TEST(CliRecords, OnlyABondedRadonProbeIsRead)
{
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    const std::vector<std::pair<int, std::string>> cases{
        {9, "kolmaris-cli: MESH address 9 is not bonded\n"},
        {4, "kolmaris-cli: MESH address 4 is not a radon probe but actuator\n"},
        {5, "kolmaris-cli: MESH address 5 is not a radon probe but repeater\n"},
    };
    for (const auto& [probe, error] : cases) {
        CliSimulation sim(WithRings(10, 2));
        EXPECT_EQ(RunRecords(sim.link, Reading(Command::Records, probe, 1, 5, file), sim.io), Exit::Failed);
        EXPECT_EQ(sim.Err(), error);
        EXPECT_TRUE(sim.terminal.AcquisitionRunning()) << "not touched";
    }
    EXPECT_FALSE(fs::exists(file));
}

TEST(CliRecords, ARangeTheCommandLineWouldRefuseIsRefusedBeforeAnyRequest)
{
    CliSimulation sim(WithRings(10, 0));
    const uint64_t frames = sim.terminal.FramesReceived();
    TempDir dir;
    EXPECT_EQ(RunRecords(sim.link, Reading(Command::Records, 1, 5, 4, dir.path / "r.tab"), sim.io), Exit::Usage);
    EXPECT_EQ(RunSpectra(sim.link, Reading(Command::Spectra, 1, 1, 513, dir.path / "s.tab"), sim.io), Exit::Usage);
    EXPECT_EQ(RunSpectra(sim.link, Reading(Command::Spectra, 17, 1, 2, dir.path / "s.tab"), sim.io), Exit::Usage);
    const std::string refusal = "kolmaris-cli: Wrong range of records to be read!\n";
    EXPECT_EQ(sim.Err(), refusal + refusal + refusal);
    EXPECT_EQ(sim.terminal.FramesReceived(), frames);
    EXPECT_TRUE(fs::is_empty(dir.path));
}

TEST(CliRecords, AFailedReadingKeepsTheOldFileAndStillContinuesAcquisition)
{
    Scenario s = WithRings(50, 0);
    s.faults.answerFaults = {{AnswerFaultKind::Invalid, 1, -1, -1}};  // probe 1 never answers well
    CliSimulation sim(s);
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    std::ofstream(file) << "last week's";
    EXPECT_EQ(RunRecords(sim.link, Reading(Command::Records, 1, 1, 5, file), sim.io), Exit::Failed);
    EXPECT_EQ(sim.Err(),
              "kolmaris-cli: reading radon records from probe 1 failed after 0 radon records: Action "
              "failed\n");
    EXPECT_EQ(sim.Out(), "Nothing read from probe 1; " + file.string() + " left as it was\n");
    EXPECT_EQ(ReadFile(file), "last week's");
    EXPECT_TRUE(sim.terminal.AcquisitionRunning());
}

TEST(CliRecords, AStopRequestKeepsWhatWasRead)
{
    CliSimulation sim(WithRings(50, 0));
    int ticks = 0;
    sim.io.stopRequested = [&] { return ++ticks > 20; };
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    EXPECT_EQ(RunRecords(sim.link, Reading(Command::Records, 1, 1, 50, file), sim.io), Exit::Interrupted);
    const auto err = Lines(sim.Err());
    ASSERT_EQ(err.size(), 1u);
    EXPECT_EQ(err[0].rfind("kolmaris-cli: interrupted after ", 0), 0u) << err[0];
    const int read = std::stoi(err[0].substr(32));
    EXPECT_GT(read, 0);
    EXPECT_LT(read, 50);
    EXPECT_EQ(RecordNumbers(ReadFile(file)).size(), static_cast<std::size_t>(read));
    EXPECT_TRUE(sim.terminal.AcquisitionRunning());
}

TEST(CliSpectra, BuffersAreLabelledWithTheirNumbersNewestFirst)
{
    CliSimulation sim(WithRings(0, 3));
    TempDir dir;
    const fs::path file = dir.path / "s.tab";
    EXPECT_EQ(RunSpectra(sim.link, Reading(Command::Spectra, 1, 2, 10, file), sim.io), Exit::Ok);
    EXPECT_EQ(sim.Err(), "kolmaris-cli: warning: Memory contains less records then requested.\n");
    const auto lines = Lines(ReadFile(file));
    ASSERT_GE(lines.size(), 2u);
    std::string header = "block \\ channel";
    for (int channel = 1; channel <= 96; ++channel)
        header += "\t" + std::to_string(channel);
    EXPECT_EQ(lines[0], header + "\r");
    std::vector<int> blocks;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        blocks.push_back(std::stoi(lines[i]));
        EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 96);
    }
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks.front(), 2);
    for (std::size_t i = 1; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i], blocks[i - 1] + 1);
    EXPECT_EQ(sim.Out(), "Probe 1: " + std::to_string(blocks.size()) + " spectra (2 to " +
                             std::to_string(blocks.back()) + ") written to " + file.string() + "\n");
    EXPECT_TRUE(sim.terminal.AcquisitionRunning());
}

}  // namespace
}  // namespace kolmaris::cli
