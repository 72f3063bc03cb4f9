// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris-cli records and spectra against the simulated terminal: the file the windows' Save
// writes, numbered from the first item asked for, the warnings, the probe check, the acquisition
// stopped for the reading and continued after it, and readings that end short.
#include "CliSimulation.h"
#include "Scenarios.h"

#include <gtest/gtest.h>

#include <regex>

namespace kolmaris::cli {
namespace {

namespace fs = std::filesystem;

using testing::CliSimulation;
using testing::Lines;
using testing::ReadFile;
using testing::TempDir;

Scenario WithRings(int records, int spectra, bool running = true)
{
    return kolmaris::testing::ProbeRings(records, spectra, running);
}

// Runs the reading into `file`.
Exit Read(CliSimulation& sim, Command command, int probe, int from, int to, const fs::path& file)
{
    CliOptions o;
    o.command = command;
    o.probe = probe;
    o.from = from;
    o.to = to;
    o.out = file.string();
    return command == Command::Records ? RunRecords(sim.link, o, sim.io) : RunSpectra(sim.link, o, sim.io);
}

// The numbers in the first column of a file, top to bottom.
std::vector<int> Numbers(const std::string& file)
{
    std::vector<int> numbers;
    const auto lines = Lines(file);
    for (std::size_t i = 1; i < lines.size(); ++i)
        numbers.push_back(std::stoi(lines[i]));
    return numbers;
}

struct Reading {
    const char* name;
    int records, spectra;
    bool running;  // the acquisition, before and after
    Command command;
    int probe, from, to;
    Exit exit;
    std::string err, out;  // "F" in `out` stands for the file
    int first, last;       // numbers of the file's first and last rows; 0 for none, -1 for no file
};

void PrintTo(const Reading& r, std::ostream* os)
{
    *os << r.name;
}

class CliReading : public ::testing::TestWithParam<Reading> {};

TEST_P(CliReading, WritesAndSaysWhatItRead)
{
    const Reading& c = GetParam();
    CliSimulation sim(WithRings(c.records, c.spectra, c.running));
    const uint64_t frames = sim.terminal.FramesReceived();
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    EXPECT_EQ(Read(sim, c.command, c.probe, c.from, c.to, file), c.exit);
    EXPECT_EQ(sim.Err(), c.err);
    EXPECT_EQ(sim.Out(), std::regex_replace(c.out, std::regex("F"), file.string()));
    EXPECT_EQ(sim.terminal.AcquisitionRunning(), c.running);
    EXPECT_EQ(c.exit == Exit::Usage, sim.terminal.FramesReceived() == frames) << "refused before any request";
    ASSERT_EQ(fs::exists(file), c.last >= 0);
    const auto numbers = Numbers(ReadFile(file));
    if (c.last > 0) {
        ASSERT_EQ(numbers.size(), std::size_t(std::abs(c.last - c.first) + 1));
        EXPECT_EQ(numbers.front(), c.first);
        EXPECT_EQ(numbers.back(), c.last);
    } else if (c.last == 0) {
        EXPECT_EQ(Lines(ReadFile(file)).size(), 1u) << "the header only";
    }
}

const std::string kWrongRange = "kolmaris-cli: Wrong range of records to be read!\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliReading,
    ::testing::Values(
        // Radon records are written oldest first, spectra by their numbers newest first.
        Reading{"fewer", 250, 0, true, Command::Records, 1, 1, 4096, Exit::Ok,
                "kolmaris-cli: warning: Less records in memory than requested.\n",
                "Probe 1: 250 radon records (1 to 250) written to F\n", 250, 1},
        Reading{"range", 250, 0, false, Command::Records, 1, 100, 102, Exit::Ok, "",
                "Probe 1: 3 radon records (100 to 102) written to F\n", 102, 100},
        Reading{"none", 0, 0, true, Command::Records, 1, 1, 1, Exit::Ok,
                "kolmaris-cli: warning: Requested records not available yet.\n",
                "Probe 1: 0 radon records written to F\n", 0, 0},
        Reading{"spectra", 0, 3, true, Command::Spectra, 1, 2, 10, Exit::Ok,
                "kolmaris-cli: warning: Memory contains less records than requested.\n",
                "Probe 1: 3 spectra (2 to 4) written to F\n", 2, 4},
        Reading{"unbonded", 10, 2, true, Command::Records, 9, 1, 5, Exit::Failed,
                "kolmaris-cli: MESH address 9 is not bonded\n", "", -1, -1},
        Reading{"actuator", 10, 2, true, Command::Records, 4, 1, 5, Exit::Failed,
                "kolmaris-cli: MESH address 4 is not a radon probe but actuator\n", "", -1, -1},
        Reading{"repeater", 10, 2, true, Command::Spectra, 5, 1, 5, Exit::Failed,
                "kolmaris-cli: MESH address 5 is not a radon probe but repeater\n", "", -1, -1},
        Reading{"backwards", 10, 0, true, Command::Records, 1, 5, 4, Exit::Usage, kWrongRange, "", -1, -1},
        Reading{"spectrum 513", 10, 0, true, Command::Spectra, 1, 1, 513, Exit::Usage, kWrongRange, "", -1, -1},
        Reading{"probe 17", 10, 0, true, Command::Spectra, 17, 1, 2, Exit::Usage, kWrongRange, "", -1, -1}),
    [](const auto& info) { return std::regex_replace(info.param.name, std::regex(" "), "_"); });

TEST(CliRecords, AFailedReadingKeepsTheOldFileAndStillContinuesAcquisition)
{
    Scenario s = WithRings(50, 0);
    s.faults.answerFaults = {{AnswerFaultKind::Invalid, 1, -1, -1}};  // probe 1 never answers well
    CliSimulation sim(s);
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    std::ofstream(file) << "last week's";
    EXPECT_EQ(Read(sim, Command::Records, 1, 1, 5, file), Exit::Failed);
    EXPECT_EQ(sim.Err(),
              "kolmaris-cli: reading radon records from probe 1 failed after 0 radon records: Action failed\n");
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
    EXPECT_EQ(Read(sim, Command::Records, 1, 1, 50, file), Exit::Interrupted);
    const auto err = Lines(sim.Err());
    ASSERT_EQ(err.size(), 1u);
    EXPECT_EQ(err[0].rfind("kolmaris-cli: interrupted after ", 0), 0u) << err[0];
    const int read = std::stoi(err[0].substr(32));
    EXPECT_GT(read, 0);
    EXPECT_LT(read, 50);
    EXPECT_EQ(Numbers(ReadFile(file)).size(), static_cast<std::size_t>(read));
    EXPECT_TRUE(sim.terminal.AcquisitionRunning());
}

}  // namespace
}  // namespace kolmaris::cli

namespace kolmaris::cli {
namespace {

// Every command that stops data acquisition for its work leaves it as it found it: running
// again when it ran, stopped when it was stopped.
class CliAcquisitionKept : public ::testing::TestWithParam<std::tuple<Command, bool>> {};

TEST_P(CliAcquisitionKept, AfterTheCommandAsBefore)
{
    const auto [command, running] = GetParam();
    CliSimulation sim(WithRings(20, 3, running));
    ASSERT_EQ(sim.terminal.AcquisitionRunning(), running);
    TempDir dir;
    Exit exit = Exit::Failed;
    if (command == Command::Mesh)
        exit = RunMesh(sim.link, 3, OutputFormat::Text, sim.io);
    else if (command == Command::Download)
        exit = RunDownload(sim.link, dir.path, 3, sim.io);
    else
        exit = Read(sim, command, 1, 1, 3, dir.path / "r.tab");
    EXPECT_EQ(exit, Exit::Ok) << sim.Err();
    EXPECT_EQ(sim.terminal.AcquisitionRunning(), running);
    EXPECT_TRUE(sim.terminal.RecordingOn());
}

INSTANTIATE_TEST_SUITE_P(Commands, CliAcquisitionKept,
                         ::testing::Combine(::testing::Values(Command::Mesh, Command::Records, Command::Spectra,
                                                              Command::Download),
                                            ::testing::Bool()));

}  // namespace
}  // namespace kolmaris::cli
