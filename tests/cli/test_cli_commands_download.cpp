// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris-cli download against the simulated terminal: the counts, the files against the
// records the terminal holds, a continued run, a faulty line, and every way a run can end short.
#include "CliSimulation.h"
#include "CommandLine.h"
#include "MemoryDownload.h"
#include "SaveAll.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace kolmaris::cli {
namespace {

namespace fs = std::filesystem;

using testing::CliSimulation;
using testing::Files;
using testing::Lines;
using testing::ReadFile;
using testing::TempDir;
using Kind = MemoryRecordInfo::Kind;

Scenario TwoDays()
{
    Scenario s = DefaultScenario();
    s.memory.days = 2.0;
    return s;
}

// Bytes read after `pieces` pieces: the first runs from its block's start up to the pointer.
int BytesAfter(const SimulatedTerminal& terminal, int pieces)
{
    return static_cast<int>(terminal.MemoryPointer() % 16 + 1) + (pieces - 1) * 16;
}

std::string StoppedAfter(const SimulatedTerminal& terminal, int pieces)
{
    return "kolmaris-cli: the download stopped after " + std::to_string(BytesAfter(terminal, pieces)) + " of " +
           std::to_string(terminal.MemoryPointer() + 1) + " bytes: the terminal did not answer";
}

// "Label:   value" lines of the output, by label (which may hold a colon: "Files in C:\x").
std::map<std::string, std::string> Values(const std::string& out)
{
    std::map<std::string, std::string> values;
    for (const std::string& line : Lines(out)) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos && colon + 1 < line.size())
            values[line.substr(0, colon)] = line.substr(line.find_first_not_of(' ', colon + 1));
    }
    return values;
}

// The files Save All writes for the records the terminal holds now.
std::map<std::string, std::string> ExpectedFiles(const SimulatedTerminal& terminal)
{
    TDataStore store;
    kolmaris::testing::FillFromRecords(store, terminal.RecordsInMemory());
    TempDir dir;
    EXPECT_TRUE(SaveAll(store, dir.path).Ok());
    return Files(dir.path);
}

TEST(CliDownload, CountsAndFilesOfTheRecordsTheTerminalHolds)
{
    CliSimulation sim(TwoDays());
    auto expected = ExpectedFiles(sim.terminal);
    TempDir dir;
    std::ofstream(dir.path / "DIA.tab") << "old";
    std::ofstream(dir.path / "RDN_9.tab") << "no probe 9 now";

    EXPECT_EQ(RunDownload(sim.link, dir.path, 3, sim.io), Exit::Ok);
    EXPECT_EQ(sim.Err(), "");
    EXPECT_TRUE(sim.terminal.RecordingOn());
    EXPECT_TRUE(sim.terminal.AcquisitionRunning());

    std::map<Kind, int> held;
    std::map<int, int> radon, spectra;
    for (const MemoryRecordInfo& r : sim.terminal.RecordsInMemory()) {
        ++held[r.kind];
        if (r.kind == Kind::Radon)
            ++radon[r.bytes[0] + 1];
        if (r.kind == Kind::Spectrum)
            ++spectra[r.bytes[0] + 1];
    }
    auto values = Values(sim.Out());
    EXPECT_EQ(values["Spectra"], std::to_string(held[Kind::Spectrum]));
    EXPECT_EQ(values["Radon records"], std::to_string(held[Kind::Radon]));
    EXPECT_EQ(values["Meteo records"], std::to_string(held[Kind::Meteo]));
    EXPECT_EQ(values["Diagnostic events"], std::to_string(held[Kind::Event]));
    EXPECT_EQ(values["Memory read"], std::to_string(sim.terminal.MemoryPointer() + 17) + " bytes")
        << "down to address 1, and the top block where the end mark is";
    ASSERT_EQ(radon.size(), 3u);
    for (const auto& [probe, count] : radon)
        EXPECT_EQ(values["Probe " + std::to_string(probe)],
                  std::to_string(count) + " radon records, " + std::to_string(spectra[probe]) + " spectra");
    EXPECT_EQ(values["Files in " + dir.path.string()],
              "DIA.tab TERM.tab RDN_1.tab RDN_2.tab RDN_3.tab SPC_1.tab SPC_2.tab SPC_3.tab");
    expected["RDN_9.tab"] = "no probe 9 now";  // a kind without data leaves its file alone
    EXPECT_EQ(Files(dir.path), expected);
    // TERM.tab lists the meteo records oldest first: the newest is its last line.
    const std::string newest = Lines(Lines(expected.at("TERM.tab")).back(), '\t').at(1);
    EXPECT_EQ(values["Last meteo record"], newest + " (UTC+01:00)");
}

TEST(CliDownload, ARunThatStopsForWantOfAnAnswerIsContinuedOrBegunAgainWithTheSameFiles)
{
    CliSimulation sim(TwoDays());
    const auto expected = ExpectedFiles(sim.terminal);
    sim.Mute(2 * 7, 2 * 5);  // recording off, the pointer, five pieces; then five tries of the sixth
    TempDir dir;
    EXPECT_EQ(RunDownload(sim.link, dir.path, 1, sim.io), Exit::Ok);
    char failed[16];
    std::snprintf(failed, sizeof failed, "0x%05X", sim.terminal.MemoryPointer() - BytesAfter(sim.terminal, 5));
    EXPECT_EQ(sim.Err(), StoppedAfter(sim.terminal, 5) + " for the memory at " + failed + " (5 tries); continuing\n");
    EXPECT_EQ(Values(sim.Out())["Memory read"], std::to_string(sim.terminal.MemoryPointer() + 17) + " bytes");
    EXPECT_EQ(Files(dir.path), expected);
    EXPECT_TRUE(sim.terminal.RecordingOn());

    CliSimulation lostSwitch(TwoDays());
    lostSwitch.Mute(0, 2);  // the switch-off of recording goes unanswered
    TempDir again;
    EXPECT_EQ(RunDownload(lostSwitch.link, again.path, 1, lostSwitch.io), Exit::Ok);
    EXPECT_EQ(lostSwitch.Err(), "") << "tried again within the run";
    EXPECT_EQ(Files(again.path), expected);
}

struct LineFault {
    const char* name;
    void (*apply)(FaultSetup&);
};

class CliDownloadFault : public ::testing::TestWithParam<LineFault> {};

TEST_P(CliDownloadFault, TheDefaultOptionsEndWithTheFilesOfTheRecordsHeld)
{
    Scenario scenario = DefaultScenario();
    scenario.memory.days = 3.0;
    GetParam().apply(scenario.faults);
    CliSimulation sim(scenario);
    const auto expected = ExpectedFiles(sim.terminal);
    TempDir dir;
    EXPECT_EQ(RunDownload(sim.link, dir.path, kDefaultContinues, sim.io), Exit::Ok) << sim.Err();
    EXPECT_EQ(Files(dir.path), expected);
    EXPECT_TRUE(sim.terminal.RecordingOn());
}

INSTANTIATE_TEST_SUITE_P(Faults, CliDownloadFault,
                         ::testing::Values(LineFault{"RepliesHeldBack", [](FaultSetup& f) { f.holdRepliesAfter = 30; }},
                                           LineFault{"SilentFor5s",
                                                     [](FaultSetup& f) {
                                                         f.holdRepliesAfter = 30, f.holdRepliesMs = 5000,
                                                         f.holdLosesReplies = true;
                                                     }},
                                           LineFault{"OnePercentSpoiltAndLost",
                                                     [](FaultSetup& f) { f.corruptionRate = f.lossRate = 0.01; }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliDownload, WithoutContinuingWhatWasParsedIsSavedAndTheRunFails)
{
    CliSimulation sim(TwoDays());
    sim.Mute(2 * 40, 2 * 5);
    TempDir dir;
    EXPECT_EQ(RunDownload(sim.link, dir.path, 0, sim.io), Exit::Failed);
    const auto err = Lines(sim.Err());
    ASSERT_EQ(err.size(), 1u) << sim.Err();
    EXPECT_EQ(err[0].rfind(StoppedAfter(sim.terminal, 38) + " for the memory at 0x", 0), 0u) << err[0];
    EXPECT_TRUE(sim.terminal.RecordingOn());
    const auto files = Files(dir.path);
    ASSERT_EQ(files.count("TERM.tab"), 1u) << "the newest meteo records";
    EXPECT_EQ(files.at("TERM.tab").rfind("record\ttime\tpressure[hPa]", 0), 0u);
    EXPECT_GT(std::stoi(Values(sim.Out())["Meteo records"]), 0);
}

TEST(CliDownload, ATerminalThatFallsSilentLeavesRecordingOffAndSaysSo)
{
    Scenario s = TwoDays();
    s.faults.stopAnsweringAfter = 40;  // recording off, the pointer, 38 pieces
    CliSimulation sim(s);
    TempDir dir;
    EXPECT_EQ(RunDownload(sim.link, dir.path, 3, sim.io), Exit::RecordingOff);
    EXPECT_FALSE(sim.terminal.RecordingOn());
    const auto err = Lines(sim.Err());
    ASSERT_EQ(err.size(), 6u) << sim.Err() << "one continue after progress, three without";
    EXPECT_EQ(err[0].rfind(StoppedAfter(sim.terminal, 38) + " for the memory at 0x", 0), 0u) << err[0];
    EXPECT_EQ(err[4], "kolmaris-cli: recording into the terminal's memory could not be switched on again");
    EXPECT_EQ(err[5], StoppedAfter(sim.terminal, 38) + " the switching off of recording (5 tries)");
    EXPECT_TRUE(fs::exists(dir.path / "TERM.tab"));
}

TEST(CliDownload, AStopRequestEndsTheRunWithRecordingOnAgain)
{
    CliSimulation sim(TwoDays());
    int ticks = 0;
    sim.io.stopRequested = [&] { return ++ticks > 30; };
    TempDir dir;
    EXPECT_EQ(RunDownload(sim.link, dir.path, 3, sim.io), Exit::Interrupted);
    EXPECT_TRUE(sim.terminal.RecordingOn());
    EXPECT_EQ(sim.Err(), "kolmaris-cli: interrupted after " + std::to_string(BytesAfter(sim.terminal, 29)) + " of " +
                             std::to_string(sim.terminal.MemoryPointer() + 1) + " bytes\n")
        << "the start, 29 pieces, then the stop";
    EXPECT_TRUE(fs::exists(dir.path / "TERM.tab"));
}

TEST(CliDownload, NothingReadLeavesTheDirectoryAlone)
{
    Scenario s = TwoDays();
    s.faults.stopAnsweringAfter = 0;
    CliSimulation sim(s);
    TempDir dir;
    std::ofstream(dir.path / "DIA.tab") << "yesterday's";
    EXPECT_EQ(RunDownload(sim.link, dir.path, 2, sim.io), Exit::RecordingOff) << "the switch-off may have arrived";
    const std::string notBegun =
        "kolmaris-cli: the download could not begin: the terminal did not answer the switching off of recording "
        "(5 tries)";
    EXPECT_EQ(sim.Err(), notBegun + "; continuing (1 of 2 without progress)\n" + notBegun +
                             "; continuing (2 of 2 without progress)\n"
                             "kolmaris-cli: recording into the terminal's memory could not be switched on again\n" +
                             notBegun + "\n");
    EXPECT_EQ(Lines(sim.Out()).back(), "Nothing read; " + dir.path.string() + " left as it was");
    EXPECT_EQ(ReadFile(dir.path / "DIA.tab"), "yesterday's");
}

TEST(CliDownload, FilesThatCannotBeWrittenAreNamed)
{
    CliSimulation sim(TwoDays());
    TempDir dir;
    fs::create_directory(dir.path / "RDN_2.tab");  // in the way of a file
    EXPECT_EQ(RunDownload(sim.link, dir.path, 0, sim.io), Exit::Files);
    EXPECT_EQ(sim.Err(), "kolmaris-cli: cannot write in " + dir.path.string() + ": RDN_2.tab\n");
    EXPECT_TRUE(fs::exists(dir.path / "RDN_3.tab"));

    CliSimulation untouched(TwoDays());
    const uint64_t frames = untouched.terminal.FramesReceived();
    std::ofstream(dir.path / "plain") << "";
    EXPECT_EQ(RunDownload(untouched.link, dir.path / "plain" / "sub", 0, untouched.io), Exit::Files);
    EXPECT_EQ(untouched.Err(),
              "kolmaris-cli: cannot make the directory " + (dir.path / "plain" / "sub").string() + "\n");
    EXPECT_EQ(untouched.terminal.FramesReceived(), frames) << "nothing asked of the terminal";
}

}  // namespace
}  // namespace kolmaris::cli
