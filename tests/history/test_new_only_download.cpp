// kolmaris-cli download --archive --new-only against the simulated terminal: a day after a stored
// download it reads a small part of the memory and stores what a full download adds; where the
// archive cannot prove the overlap it reads the whole memory and says why.
#include "CliSimulation.h"
#include "StationArchive.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace kolmaris::history {
namespace {

using cli::testing::CliSimulation;
namespace fs = std::filesystem;

constexpr uint64_t kDayMs = 24ull * 3600 * 1000;

struct NewOnly : ::testing::Test {
    NewOnly()
    {
        const char* url = std::getenv("KOLMARIS_TEST_ARCHIVE");
        location = url ? url : (dir.path / "archive.sqlite").string();
        station = ::testing::UnitTest::GetInstance()->current_test_info()->name() + std::to_string(getpid());
        std::replace(station.begin(), station.end(), '/', '-');
        EXPECT_TRUE(archive.Open(location, error)) << error;
    }

    // The bytes the download read.
    int Download(const std::string& as, bool newOnly)
    {
        sim.out.str("");
        sim.err.str("");
        EXPECT_EQ(cli::RunDownload(sim.link, dir.path / as, 0, sim.io, {true, location, as, newOnly}), cli::Exit::Ok)
            << sim.Err();
        const std::string out = sim.Out();
        const auto at = out.find("Memory read:");
        return at == std::string::npos ? -1 : std::stoi(out.substr(out.find_first_of("0123456789", at)));
    }

    ArchiveBatch Held(const std::string& name)
    {
        ArchiveBatch rows;
        EXPECT_TRUE(archive.Rows(name, rows, error)) << error;
        return rows;
    }

    static Scenario Wrapped()
    {
        Scenario s = DefaultScenario();
        s.memory.wrapped = true;
        return s;
    }

    cli::testing::TempDir dir;
    std::string location, station, error;
    StationArchive archive;
    CliSimulation sim{Wrapped()};
};

TEST_F(NewOnly, ADayLaterItStoresWhatAFullDownloadAddsFromASmallPartOfTheMemory)
{
    const std::string full = station + "-full";
    Download(station, false);
    // The same archive under a second name, marked as a whole download.
    ArchiveBatch first = Held(station);
    first.wholeMemory = true;
    StoreResult stored;
    ASSERT_TRUE(archive.Store(full, first, stored, error)) << error;
    sim.line.AdvanceMs(kDayMs);
    ASSERT_EQ(SetAcquisition(sim.link, 0), 0u);  // the memory holds still for both downloads

    const int read = Download(station, true);
    EXPECT_NE(sim.Out().find("Read back to the records the archive holds"), std::string::npos) << sim.Out();
    EXPECT_EQ(sim.Err(), "");
    const int whole = Download(full, false);
    EXPECT_GT(read, 0);
    EXPECT_LT(read, whole / 20) << "of " << whole;
    const ArchiveBatch newOnly = Held(station), all = Held(full);
    EXPECT_GT(newOnly.radon.size(), first.radon.size());
    EXPECT_EQ(newOnly.radon, all.radon);
    EXPECT_EQ(newOnly.spectra, all.spectra);
    EXPECT_EQ(newOnly.meteo, all.meteo);
    EXPECT_EQ(newOnly.dia, all.dia);
}

// What happens to the terminal after a first stored download, and the line the second one gives.
struct Unproven {
    const char* name;
    void (*after)(NewOnly&);
    const char* why;
};

class NewOnlyUnproven : public NewOnly, public ::testing::WithParamInterface<Unproven> {};

TEST_P(NewOnlyUnproven, ReadsTheWholeMemoryAndSaysWhy)
{
    GetParam().after(*this);
    sim.line.AdvanceMs(kDayMs);
    const int read = Download(station, true);
    const std::string err = sim.Err();
    EXPECT_NE(err.find(GetParam().why), std::string::npos) << err;
    const auto lines = cli::testing::Lines(err);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("whole memory") != l.npos; }), 1) << err;
    EXPECT_EQ(sim.Out().find("Read back to"), std::string::npos);
    EXPECT_EQ(Download(station + "-full", false), read);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NewOnlyUnproven,
    ::testing::Values(
        Unproven{"NewStation", [](NewOnly&) {}, "\" has no records in the archive yet; reading the whole memory"},
        Unproven{"ClockSetBack",
                 [](NewOnly& t) {
                     t.Download(t.station, false);
                     uint32_t now = 0;
                     ASSERT_EQ(ReadTerminalTime(t.sim.link, now), 0u);
                     ASSERT_EQ(SetTerminalTime(t.sim.link, now - 3 * 86400), 0u);
                 },
                 "the terminal's clock set back"},
        Unproven{"EarlierDownloadStoppedPartWay",
                 [](NewOnly& t) {
                     t.Download(t.station, false);
                     t.sim.line.AdvanceMs(kDayMs);
                     t.sim.io.stopRequested = [n = 0]() mutable { return ++n > 60; };
                     cli::RunDownload(t.sim.link, t.dir.path / "cut", 0, t.sim.io, {true, t.location, t.station});
                     t.sim.io.stopRequested = [] { return false; };
                 },
                 "an earlier download stopped part-way"},
        Unproven{"MemoryErased",
                 [](NewOnly& t) {
                     t.Download(t.station, false);
                     ASSERT_EQ(SetAcquisition(t.sim.link, 0), 0u);
                     ASSERT_EQ(SetAcquisition(t.sim.link, 0x5A), 0u);
                     ASSERT_EQ(SetAcquisition(t.sim.link, 0xB5), 0u);
                 },
                 "the memory was erased, or has wrapped past them"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kolmaris::history
