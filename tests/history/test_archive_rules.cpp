// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of the archive's own: conflicting records kept as they were, undated events left out,
// a gap in the data not counted as hours above the reference level.
#include "RadonStatistics.h"
#include "StationArchive.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace kolmaris::history {
namespace {

TEST(ArchiveRules, AConflictingRecordIsCountedAndKeptAsItWasAndUndatedEventsAreLeftOut)
{
    const kolmaris::testing::TempDir dir;
    const char* url = std::getenv("KOLMARIS_TEST_ARCHIVE");
    const std::string location = url ? url : (dir.path / "a.sqlite").string();
    const std::string station = "rules" + std::to_string(getpid());
    StationArchive archive;
    std::string error;
    ASSERT_TRUE(archive.Open(location, error)) << error;

    ArchiveBatch first;
    first.AddRadon({2, 600000, 120});
    first.AddDia({5, 0, 3});  // older than every meteo record: no time of its own
    first.AddDia({600000, 0, 3});
    StoreResult result;
    ASSERT_TRUE(archive.Store(station, first, result, error)) << error;
    EXPECT_EQ(result.undated, 1);
    EXPECT_EQ(result.dia.added, 1);

    ArchiveBatch second;
    second.AddRadon({2, 600000, 999});
    ASSERT_TRUE(archive.Store(station, second, result, error)) << error;
    EXPECT_EQ(result.radon.conflicts, 1);
    EXPECT_EQ(result.radon.present + result.radon.added, 0);
    ArchiveBatch held;
    ASSERT_TRUE(archive.Rows(station, held, error)) << error;
    ASSERT_EQ(held.radon.size(), 1u);
    EXPECT_EQ(held.radon[0].radon, 120u);
}

TEST(ArchiveRules, AnArchiveThatCannotBeCreatedSaysSo)
{
    StationArchive archive;
    std::string error;
    EXPECT_FALSE(archive.Open("/proc/kolmaris/archive.sqlite", error));
    EXPECT_TRUE(error.starts_with("cannot create the archive /proc/kolmaris/archive.sqlite: ")) << error;
}

TEST(ArchiveRules, HoursAboveCountEachRecordAtMostTheUsualInterval)
{
    // Hourly records with a two-day gap before the last: it stands for one hour, not 49.
    std::vector<RadonRow> rows;
    for (const TerminalTime hour : {0, 1, 2, 3, 52})
        rows.push_back({1, 600000 + hour * 3600, hour == 2 ? 300u : 400u});
    const RadonStatistics s = ComputeStatistics(rows, 300);
    EXPECT_DOUBLE_EQ(s.hoursAbove, 4.0);
    EXPECT_EQ(s.count, 5);
    EXPECT_EQ(s.min, 300u);
    EXPECT_DOUBLE_EQ(s.mean, 380.0);
}

TEST(ArchiveRules, TheLongTermMeanLeavesOutARecordExactlySevenDaysOlder)
{
    // A week is 604800 s: the third record is exactly a week after the first, the second a minute less.
    const std::vector<RadonRow> rows{{1, 600000, 700}, {1, 600000 + 604740, 100}, {1, 600000 + 604800, 400}};
    EXPECT_EQ(TrailingMeans(rows), (std::vector<double>{700.0, 400.0, 250.0}));
}

}  // namespace
}  // namespace kolmaris::history
