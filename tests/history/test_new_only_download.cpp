// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris-cli download --archive --new-only against the simulated terminal (a full ring): a day
// after a stored download it reads a small part of the memory and stores what a full download
// adds; where the archive cannot prove the overlap it reads the whole memory and says why.
#include "CliSimulation.h"
#include "StationArchive.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace kolmaris::history {
namespace {

constexpr uint64_t kDayMs = 24ull * 3600 * 1000;

Scenario Wrapped()
{
    Scenario s = DefaultScenario();
    s.memory.wrapped = true;
    return s;
}

struct NewOnly : ::testing::Test {
    NewOnly()
    {
        const char* url = std::getenv("KOLMARIS_TEST_ARCHIVE");
        location = url ? url : (dir.path / "archive.sqlite").string();
        station = "new-only-" + std::to_string(getpid()) + "-" + std::to_string(++tests);
        EXPECT_TRUE(archive.Open(location, error)) << error;
    }

    // The bytes read; the output in sim.
    int Download(const std::string& as, bool newOnly = false)
    {
        sim.out.str("");
        sim.err.str("");
        EXPECT_EQ(cli::RunDownload(sim.link, dir.path / as, 0, sim.io, {true, location, as, newOnly}), cli::Exit::Ok);
        const std::string out = sim.Out();
        return std::stoi(out.substr(out.find_first_of("0123456789", out.find("Memory read:"))));
    }

    ArchiveBatch Held(const std::string& name)
    {
        ArchiveBatch rows;
        EXPECT_TRUE(archive.Rows(name, rows, error)) << error;
        return rows;
    }

    static inline int tests = 0;
    cli::testing::TempDir dir;
    std::string location, station, error;
    StationArchive archive;
    cli::testing::CliSimulation sim{Wrapped()};
};

TEST_F(NewOnly, ADayLaterItStoresWhatAFullDownloadAddsFromASmallPartOfTheMemory)
{
    Download(station);
    ArchiveBatch first = Held(station);  // also under a second name, as of a whole download
    first.wholeMemory = true;
    StoreResult stored;
    ASSERT_TRUE(archive.Store(station + "-full", first, stored, error)) << error;
    sim.line.AdvanceMs(kDayMs);
    ASSERT_EQ(SetAcquisition(sim.link, 0), 0u);  // the memory holds still for both downloads

    const int read = Download(station, true);
    EXPECT_NE(sim.Out().find("Read back to the records the archive holds"), std::string::npos) << sim.Out();
    EXPECT_EQ(sim.Err(), "");
    EXPECT_LT(read, Download(station + "-full") / 20);
    const ArchiveBatch newOnly = Held(station), full = Held(station + "-full");
    EXPECT_GT(newOnly.radon.size(), first.radon.size());
    EXPECT_TRUE(newOnly.radon == full.radon && newOnly.spectra == full.spectra && newOnly.meteo == full.meteo &&
                newOnly.dia == full.dia);
}

// What happens after a first stored download, and the reason given for reading the whole memory.
struct Unproven {
    const char* name;
    void (*after)(NewOnly&);
    const char* why;
};

class NewOnlyUnproven : public NewOnly, public ::testing::WithParamInterface<Unproven> {};

TEST_P(NewOnlyUnproven, ReadsTheWholeMemoryAndSaysWhyInOneLine)
{
    if (GetParam().after) {
        Download(station);
        GetParam().after(*this);
    }
    sim.line.AdvanceMs(kDayMs);
    const int read = Download(station, true);
    const auto lines = cli::testing::Lines(sim.Err());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& l) { return l.find(GetParam().why) != l.npos; }),
              1)
        << sim.Err();
    EXPECT_EQ(Download(station + "-full"), read);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NewOnlyUnproven,
    ::testing::Values(
        Unproven{"NewStation", nullptr, "\" has no records in the archive yet; reading the whole memory"},
        Unproven{"ClockSetBack",
                 [](NewOnly& t) {
                     uint32_t now = 0;
                     ASSERT_EQ(ReadTerminalTime(t.sim.link, now), 0u);
                     ASSERT_EQ(SetTerminalTime(t.sim.link, now - 3 * 86400), 0u);
                 },
                 "(the terminal's clock set back, or an earlier download stopped part-way?); reading the whole"},
        Unproven{"EarlierDownloadStoppedPartWay",
                 [](NewOnly& t) {
                     t.sim.line.AdvanceMs(kDayMs);
                     t.sim.io.stopRequested = [n = 0]() mutable { return ++n > 60; };
                     cli::RunDownload(t.sim.link, t.dir.path / "cut", 0, t.sim.io, {true, t.location, t.station});
                     t.sim.io.stopRequested = [] { return false; };
                 },
                 "(the terminal's clock set back, or an earlier download stopped part-way?); reading the whole"},
        Unproven{"MemoryErased",
                 [](NewOnly& t) {
                     for (const uint8_t code : {0x00, 0x5A, 0xB5})  // stop, erase, start afresh
                         ASSERT_EQ(SetAcquisition(t.sim.link, code), 0u);
                 },
                 "the whole memory was read without meeting the records of the last whole download"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kolmaris::history
