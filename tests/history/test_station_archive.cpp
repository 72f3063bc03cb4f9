// SPDX-License-Identifier: GPL-3.0-or-later
// The station archive fed by kolmaris-cli from the simulated terminal: overlapping downloads,
// tab-file import against the direct store, imports that fail part-way, the history statistics.
// KOLMARIS_TEST_ARCHIVE names the archive to test (a postgresql:// URL); default: SQLite files.
#include "CliSimulation.h"
#include "StationArchive.h"
#include "TabImport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <set>
#include <unistd.h>
#include <tuple>

namespace kolmaris::history {
namespace {

using cli::testing::CliSimulation;
using cli::testing::TempDir;
namespace fs = std::filesystem;

Scenario TwoDays()
{
    Scenario s = DefaultScenario();
    s.memory.days = 2.0;
    return s;
}

struct ArchiveTest : ::testing::Test {
    // Each test its own station, so that one server can hold them all.
    ArchiveTest()
    {
        const char* url = std::getenv("KOLMARIS_TEST_ARCHIVE");
        location = url ? url : (dir.path / "archive.sqlite").string();
        station = ::testing::UnitTest::GetInstance()->current_test_info()->name() + std::to_string(getpid());
        EXPECT_TRUE(archive.Open(location, error)) << error;
    }

    cli::Exit Download(CliSimulation& sim, const fs::path& out)
    {
        return cli::RunDownload(sim.link, out, 0, sim.io, {true, location, station});
    }

    cli::Exit Import(const fs::path& from, CliSimulation& sim, const std::string& as)
    {
        cli::CliOptions o;
        o.command = cli::Command::Archive;
        o.archiveAction = cli::ArchiveAction::Import;
        o.archive = location;
        o.station = as;
        o.paths = {from.string()};
        return cli::RunArchive(o, sim.io);
    }

    ArchiveBatch Held(const std::string& name)
    {
        ArchiveBatch rows;
        EXPECT_TRUE(archive.Rows(name, rows, error)) << error;
        return rows;
    }

    TempDir dir;
    std::string location, station, error;
    StationArchive archive;
};

// Keys of the radon records the terminal holds, to the minute.
std::set<std::tuple<int, TerminalTime>> RadonKeys(const SimulatedTerminal& t)
{
    std::set<std::tuple<int, TerminalTime>> keys;
    for (const MemoryRecordInfo& r : t.RecordsInMemory())
        if (r.kind == MemoryRecordInfo::Kind::Radon)
            keys.emplace(r.bytes[0] + 1, ToMinute(r.time));
    return keys;
}

TEST_F(ArchiveTest, OverlappingDownloadsGiveTheUnionAndARepeatAddsNothing)
{
    // A full ring: the second download has lost the oldest records of the first.
    Scenario wrapped = DefaultScenario();
    wrapped.memory.wrapped = true;
    CliSimulation sim(wrapped);
    const auto first = RadonKeys(sim.terminal);
    ASSERT_EQ(Download(sim, dir.path / "first"), cli::Exit::Ok) << sim.Err();
    sim.line.AdvanceMs(12 * 3600 * 1000);
    const auto second = RadonKeys(sim.terminal);
    ASSERT_EQ(Download(sim, dir.path / "second"), cli::Exit::Ok) << sim.Err();
    auto expected = first;
    expected.insert(second.begin(), second.end());
    ASSERT_GT(expected.size(), std::max(first.size(), second.size()));

    std::set<std::tuple<int, TerminalTime>> held;
    for (const RadonRow& r : Held(station).radon)
        EXPECT_TRUE(held.emplace(r.probe, r.time).second);
    EXPECT_EQ(held, expected);

    sim.out.str("");
    ASSERT_EQ(Download(sim, dir.path / "third"), cli::Exit::Ok);
    EXPECT_NE(sim.Out().find("\": 0 new records\n"), std::string::npos) << sim.Out();
    EXPECT_EQ(sim.Err(), "");
}

TEST_F(ArchiveTest, TabFilesImportedGiveTheRowsOfTheDownloadStoredDirectlyOrNothing)
{
    CliSimulation sim(TwoDays());
    ASSERT_EQ(Download(sim, dir.path / "d"), cli::Exit::Ok) << sim.Err();
    ASSERT_EQ(Import(dir.path / "d", sim, station + "-files"), cli::Exit::Ok) << sim.Err();
    const ArchiveBatch direct = Held(station), files = Held(station + "-files");
    EXPECT_FALSE(direct.radon.empty() || direct.spectra.empty() || direct.meteo.empty() || direct.dia.empty());
    EXPECT_EQ(direct.radon, files.radon);
    EXPECT_EQ(direct.spectra, files.spectra);
    EXPECT_EQ(direct.meteo, files.meteo);
    EXPECT_EQ(direct.dia, files.dia);

    // A bad line in the last file read: the files before it are not stored either.
    const std::string bad = station + "-bad";
    std::ofstream(dir.path / "d" / "SPC_3.tab", std::ios::app) << "01.01.2025 00:00\t1\r\n";
    EXPECT_EQ(Import(dir.path / "d", sim, bad), cli::Exit::Archive);
    EXPECT_NE(sim.Err().find("SPC_3.tab, line "), std::string::npos) << sim.Err();
    EXPECT_EQ(Held(bad).Size(), 0u);

    // A database failure after the first kinds are written takes them back.
    ArchiveBatch batch;
    ASSERT_TRUE(ImportTabPaths({dir.path / "d" / "RDN_1.tab", dir.path / "d" / "DIA.tab"}, batch, error)) << error;
    const auto rename = [](const char* from, const char* to) {
        return QSqlQuery(QSqlDatabase::database(QSqlDatabase::connectionNames().front()))
            .exec(QString("ALTER TABLE %1 RENAME TO %2").arg(from, to));
    };
    ASSERT_TRUE(rename("diagnostic_events", "hidden_events"));
    StoreResult result;
    EXPECT_FALSE(archive.Store(bad, batch, result, error));
    EXPECT_TRUE(error.starts_with("nothing stored in ")) << error;
    rename("hidden_events", "diagnostic_events");
    EXPECT_EQ(Held(bad).Size(), 0u);
}

TEST_F(ArchiveTest, AProbeReadingAddsNothingNewAndTheStatisticsAreThoseOfTheRows)
{
    CliSimulation sim(TwoDays());
    ASSERT_EQ(Download(sim, dir.path / "d"), cli::Exit::Ok) << sim.Err();
    cli::CliOptions o;
    o.command = cli::Command::Records;
    o.probe = 3;
    o.from = 1;
    o.to = 6;
    o.out = (dir.path / "r.tab").string();
    o.useArchive = true;
    o.archive = location;
    o.station = station;
    sim.out.str("");
    ASSERT_EQ(cli::RunRecords(sim.link, o, sim.io), cli::Exit::Ok) << sim.Err();
    EXPECT_NE(sim.Out().find("  Radon records:      0 new, 6 already there\n"), std::string::npos) << sim.Out();

    // Hourly records: every record above the level stands for one hour.
    std::vector<double> radon;
    for (const RadonRow& r : Held(station).radon)
        if (r.probe == 2)
            radon.push_back(r.radon);
    ASSERT_GT(radon.size(), 10u);
    std::vector<double> sorted = radon;
    std::sort(sorted.begin(), sorted.end());
    const int level = static_cast<int>(sorted[sorted.size() / 2]);
    double sum = 0;
    int above = 0;
    for (const double r : radon) {
        sum += r;
        above += r > level;
    }
    char mean[32];
    std::snprintf(mean, sizeof mean, "%.1f", sum / static_cast<double>(radon.size()));
    o.command = cli::Command::History;
    o.probe = 2;
    o.reference = level;
    sim.out.str("");
    ASSERT_EQ(cli::RunHistory(o, sim.io), cli::Exit::Ok) << sim.Err();
    const std::string out = sim.Out();
    for (const std::string& line :
         {"Records: " + std::to_string(radon.size()), "Mean: " + std::string(mean) + " Bq/m3",
          "Minimum: " + std::to_string(static_cast<int>(sorted.front())) + " Bq/m3",
          "Maximum: " + std::to_string(static_cast<int>(sorted.back())) + " Bq/m3",
          "Hours above " + std::to_string(level) + " Bq/m3: " + std::to_string(above) + ".00"})
        EXPECT_NE(out.find(line + "\n"), std::string::npos) << line << " in\n" << out;
}

TEST_F(ArchiveTest, StationNamesOfOtherBytesOrOfMoreThan100CharactersAreRefusedBeforeAnyWork)
{
    std::string longest;
    for (int i = 0; i < 100; ++i)
        longest += "\u00e9";
    const struct {
        std::string name, says;
    } cases[] = {
        {"cellar\xff", "--station: the station name is not valid UTF-8 text"},
        {"cellar\xfe", "--station: the station name is not valid UTF-8 text"},
        {"\xed\xa0\x80", "--station: the station name is not valid UTF-8 text"},  // a UTF-16 surrogate
        {longest + "e", "--station: the station name has 101 characters; at most 100 are allowed"},
    };
    CliSimulation sim(TwoDays());
    for (const auto& c : cases) {
        sim.out.str("");
        sim.err.str("");
        EXPECT_EQ(cli::RunDownload(sim.link, dir.path / "refused", 0, sim.io, {true, location, c.name}),
                  cli::Exit::Usage);
        EXPECT_EQ(Import(dir.path, sim, c.name), cli::Exit::Usage);
        cli::CliOptions history;
        history.command = cli::Command::History;
        history.archive = location;
        history.station = c.name;
        EXPECT_EQ(cli::RunHistory(history, sim.io), cli::Exit::Usage);
        EXPECT_EQ(sim.Out(), "");
        EXPECT_EQ(sim.Err(), "kolmaris-cli: " + c.says + "\n" + "kolmaris-cli: " + c.says + "\n" + "kolmaris-cli: " +
                                 c.says + "\n");
        StoreResult result;
        EXPECT_FALSE(archive.Store(c.name, ArchiveBatch(), result, error));
    }
    EXPECT_FALSE(fs::exists(dir.path / "refused"));
    // The longest name, and one that would be SQL if it were pasted into a statement.
    const std::string hostile = std::to_string(getpid()) + "'); DROP TABLE radon_records; --";
    for (const std::string& name : {longest, hostile})
        ASSERT_EQ(cli::RunDownload(sim.link, dir.path / "d", 0, sim.io, {true, location, name}), cli::Exit::Ok)
            << sim.Err();
    EXPECT_GT(Held(longest).radon.size(), 100u);
    EXPECT_EQ(Held(hostile).radon, Held(longest).radon);
}

TEST_F(ArchiveTest, AnotherTerminalsDataUnderAStationAreRefusedWholeAndTheirFilesKept)
{
    CliSimulation first(TwoDays());
    ASSERT_EQ(Download(first, dir.path / "first"), cli::Exit::Ok) << first.Err();
    const ArchiveBatch before = Held(station);
    Scenario other = TwoDays();
    other.seed = 2;
    CliSimulation second(other);
    EXPECT_EQ(Download(second, dir.path / "second"), cli::Exit::Archive);
    EXPECT_NE(second.Err().find("kolmaris-cli: the data do not belong to station \"" + station + "\": "),
              std::string::npos)
        << second.Err();
    const ArchiveBatch after = Held(station);
    EXPECT_TRUE(after.radon == before.radon && after.spectra == before.spectra && after.meteo == before.meteo &&
                after.dia == before.dia);
    EXPECT_EQ(cli::testing::Files(dir.path / "second").size(), cli::testing::Files(dir.path / "first").size());
}

// As another user when run as root, for whom permissions do not count.
struct UnprivilegedUser {
    UnprivilegedUser() { EXPECT_TRUE(geteuid() != 0 || seteuid(65534) == 0); }
    ~UnprivilegedUser() { EXPECT_TRUE(getuid() != 0 || seteuid(0) == 0); }
};

TEST_F(ArchiveTest, AReadOnlyArchiveFileOrFolderStopsTheDownloadBeforeTheMemoryIsRead)
{
    if (std::getenv("KOLMARIS_TEST_ARCHIVE"))
        GTEST_SKIP() << "SQLite files only";
    CliSimulation sim(TwoDays());
    ASSERT_EQ(Download(sim, dir.path / "first"), cli::Exit::Ok);
    // A file this process never opened for writing: SQLite would use such a descriptor again.
    const fs::path folder = dir.path / "readonly";
    fs::create_directory(folder);
    location = (folder / "archive.sqlite").string();
    fs::copy_file(dir.path / "archive.sqlite", location);
    fs::permissions(dir.path, fs::perms(0755));
    for (const bool readOnlyFolder : {false, true}) {
        fs::permissions(folder, readOnlyFolder ? fs::perms(0555) : fs::perms(0777));
        fs::permissions(location, readOnlyFolder ? fs::perms(0666) : fs::perms(0444));
        sim.out.str("");
        sim.err.str("");
        {
            const UnprivilegedUser nobody;
            EXPECT_EQ(cli::RunDownload(sim.link, fs::temp_directory_path() / ("kolmaris-out-" + station), 0, sim.io,
                                       {true, location, station}),
                      cli::Exit::Archive);
        }
        EXPECT_EQ(sim.Out(), "");
        EXPECT_TRUE(sim.Err().starts_with("kolmaris-cli: the archive " + location + " cannot be written: "))
            << sim.Err();
    }
    fs::permissions(folder, fs::perms(0700));
    fs::remove_all(fs::temp_directory_path() / ("kolmaris-out-" + station));
}

TEST_F(ArchiveTest, AStoreConnectsAgainToAServerThatDroppedTheConnection)
{
    const char* url = std::getenv("KOLMARIS_TEST_ARCHIVE");
    if (!url)
        GTEST_SKIP() << "PostgreSQL only";
    {
        const QUrl server(url);
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "killer");
        db.setHostName(server.host());
        db.setPort(server.port());
        db.setUserName(server.userName());
        db.setDatabaseName(server.path().mid(1));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                           " WHERE datname = current_database() AND pid <> pg_backend_pid()"));
        db.close();
    }
    QSqlDatabase::removeDatabase("killer");
    ArchiveBatch batch;
    batch.AddRadon({2, 600000, 120});
    StoreResult result;
    ASSERT_TRUE(archive.Store(station, batch, result, error)) << error;
    EXPECT_EQ(Held(station).radon, batch.radon);
}

// Every key of a JSON document, at every depth.
void Keys(const nlohmann::json& value, std::set<std::string>& keys)
{
    for (auto it = value.begin(); value.is_structured() && it != value.end(); ++it) {
        if (value.is_object())
            keys.insert(it.key());
        Keys(*it, keys);
    }
}

TEST_F(ArchiveTest, HistoryWritesTerminalTimesWithTheirOffsetAndSnakeCaseKeys)
{
    CliSimulation sim(TwoDays());
    ASSERT_EQ(Download(sim, dir.path / "d"), cli::Exit::Ok) << sim.Err();
    // The oldest record of probe 1 in the tab file the download wrote: "dd.mm.yyyy hh:mm" of the terminal.
    const auto tab = cli::testing::Lines(cli::testing::ReadFile(dir.path / "d" / "RDN_1.tab"));
    ASSERT_GT(tab.size(), 2u);
    const std::string oldest = cli::testing::Lines(tab[1], '\t').at(1);
    const std::string iso = oldest.substr(6, 4) + "-" + oldest.substr(3, 2) + "-" + oldest.substr(0, 2) + "T" +
                            oldest.substr(11, 5) + ":00+01:00";

    cli::CliOptions o;
    o.command = cli::Command::History;
    o.archive = location;
    o.station = station;
    o.probe = 1;
    o.format = cli::OutputFormat::Csv;
    sim.out.str("");
    ASSERT_EQ(cli::RunHistory(o, sim.io), cli::Exit::Ok) << sim.Err();
    const auto csv = cli::testing::Lines(sim.Out());
    ASSERT_EQ(csv.size(), tab.size()) << "a header and the records";
    EXPECT_EQ(csv[0], "time,radon,sum1,sum2,sum3,sum4,temperature,humidity,hv");
    EXPECT_EQ(csv[1].substr(0, csv[1].find(',')), iso) << csv[1];

    o.format = cli::OutputFormat::Json;
    sim.out.str("");
    ASSERT_EQ(cli::RunHistory(o, sim.io), cli::Exit::Ok) << sim.Err();
    const nlohmann::json json = nlohmann::json::parse(sim.Out());
    EXPECT_EQ(json["from"], "2000-01-01T00:00:00+01:00");
    EXPECT_EQ(json["to"], "2099-12-31T23:59:59+01:00");
    ASSERT_EQ(json["records"].size(), csv.size() - 1);
    EXPECT_EQ(json["records"][0]["time"], iso);
    std::set<std::string> keys;
    Keys(json, keys);
    EXPECT_EQ(keys, (std::set<std::string>{"station",     "probe", "from",        "to",       "statistics",
                                           "records",     "mean",  "min",         "max",      "reference_level",
                                           "hours_above", "time",  "radon",       "sum1",     "sum2",
                                           "sum3",        "sum4",  "temperature", "humidity", "hv"}));

    o.format = cli::OutputFormat::Text;
    sim.out.str("");
    ASSERT_EQ(cli::RunHistory(o, sim.io), cli::Exit::Ok) << sim.Err();
    EXPECT_NE(sim.Out().find(" (terminal time, UTC+01:00)\n"), std::string::npos) << sim.Out();
}

TEST_F(ArchiveTest, HistoryOfAStationTheArchiveDoesNotHoldIsRefusedInOneLine)
{
    CliSimulation sim(TwoDays());
    ASSERT_EQ(Download(sim, dir.path / "d"), cli::Exit::Ok) << sim.Err();
    std::string upper = station;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    for (const std::string& name : {std::string("nosuch"), upper}) {
        cli::CliOptions o;
        o.command = cli::Command::History;
        o.archive = location;
        o.station = name;
        o.probe = 1;
        sim.out.str("");
        sim.err.str("");
        EXPECT_EQ(cli::RunHistory(o, sim.io), cli::Exit::Usage) << name;
        EXPECT_EQ(sim.Out(), "");
        const std::string err = sim.Err();
        EXPECT_TRUE(err.starts_with("kolmaris-cli: the archive " + archive.Where() + " holds no station \"" + name +
                                    "\"; its stations: "))
            << err;
        EXPECT_NE(err.find("\"" + station + "\""), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

}  // namespace
}  // namespace kolmaris::history
