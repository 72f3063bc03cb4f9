// SPDX-License-Identifier: GPL-3.0-or-later
// The archive's options on kolmaris-cli's command line.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace kolmaris::cli {
namespace {

ParsedCommandLine Parse(std::vector<const char*> args)
{
    return ParseCommandLine(args);
}

TEST(ArchiveCommandLine, RefusesWithItsReason)
{
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"archive"}, "archive needs stats or import"},
        {{"archive", "import"}, "archive import needs a directory or file"},
        {{"archive", "stats", "d"}, "unexpected argument \"d\""},
        {{"archive", "stats", "--archive"}, "--archive needs a file or a postgresql:// URL"},
        {{"download", "--out", "d", "--station", "x"}, "--station goes with --archive"},
        {{"history", "--station", "x"}, "history needs --probe"},
        {{"history", "--probe", "1", "--from", "2025-02-29"},
         "--from needs a date YYYY-MM-DD or YYYY-MM-DD hh:mm of the years 2000-2099, not \"2025-02-29\""},
        {{"history", "--probe", "1", "--to", "1999-12-31"},
         "--to needs a date YYYY-MM-DD or YYYY-MM-DD hh:mm of the years 2000-2099, not \"1999-12-31\""},
        {{"history", "--probe", "1", "--from", "2025-03-02", "--to", "2025-03-01"}, "--from is after --to"},
        {{"history", "--probe", "1", "--format", "xml"}, "--format needs text, csv or json"},
    };
    for (const auto& [args, error] : cases) {
        const ParsedCommandLine parsed = Parse(args);
        EXPECT_FALSE(parsed.options) << error;
        EXPECT_EQ(parsed.error, error);
    }
}

TEST(ArchiveCommandLine, TakesDownloadArchiveAloneAndWholeDays)
{
    const auto download = Parse({"download", "--out", "d", "--archive", "--station", "lab"}).options;
    ASSERT_TRUE(download);
    EXPECT_TRUE(download->useArchive);
    EXPECT_EQ(download->archive, "");
    EXPECT_EQ(download->station, "lab");

    const auto history = Parse({"history", "--probe", "3", "--from", "2025-02-28 06:30", "--to", "2025-03-01"}).options;
    ASSERT_TRUE(history);
    EXPECT_EQ(FormatTime(history->since, true, true), "28.02.2025 06:30:00");
    EXPECT_EQ(FormatTime(history->until, true, true), "01.03.2025 23:59:59");

    const auto import = Parse({"archive", "import", "a", "--archive", "x.sqlite", "b"}).options;
    ASSERT_TRUE(import);
    EXPECT_EQ(import->paths, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(import->archive, "x.sqlite");
}

}  // namespace
}  // namespace kolmaris::cli
