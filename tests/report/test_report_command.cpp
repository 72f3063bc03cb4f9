// SPDX-License-Identifier: GPL-3.0-or-later
// kolmaris-cli report on the archive of a simulated download: its options, the figures against
// those of kolmaris-cli history in the JSON and in the PDF's text (poppler's pdfinfo and
// pdftotext), and no file where there is nothing to report.
#include "CliSimulation.h"
#include "ReportCommand.h"
#include "Scenarios.h"
#include "StationArchive.h"

#include <QGuiApplication>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <regex>

namespace kolmaris::cli {
namespace {

using nlohmann::json;
using testing::CliSimulation;
using testing::TempDir;

std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0) << command;
    }
    return text;
}

ParsedReportOptions Parse(std::vector<const char*> args)
{
    return ParseReportOptions(args);
}

TEST(ReportOptions, ProbesDatesAndRefusals)
{
    const ParsedReportOptions given = Parse({"--station", "cellar", "--probe", "3", "1", "--probe=5,1", "--from",
                                             "2026-03-01", "--to", "2026-03-02 06:30", "--reference", "200", "--format",
                                             "json"});
    const auto& o = given.options;
    ASSERT_TRUE(o) << given.error;
    EXPECT_EQ(o->probes, (std::vector<int>{3, 1, 5}));
    EXPECT_EQ(o->from, 825'638'400u);
    EXPECT_EQ(o->to, 825'638'400u + 30 * 3600 + 30 * 60);
    EXPECT_EQ(o->reference, 200);
    EXPECT_TRUE(o->json && o->out.empty());

    const std::pair<std::vector<const char*>, const char*> refused[] = {
        {{"--station", "x"}, "report needs --out FILE.pdf"},
        {{"--probe", "17", "--out", "r.pdf"}, "--probe needs a MESH address from 1 to 16, not \"17\""},
        {{"--probe", "--out", "r.pdf"}, "--probe needs a MESH address from 1 to 16"},
        {{"--from", "2026-02-30", "--out", "r.pdf"}, "--from needs a date YYYY-MM-DD or YYYY-MM-DD hh:mm of the years 2000-2099, not \"2026-02-30\""},
        {{"--from", "2026-03-02", "--to", "2026-03-01", "--out", "r.pdf"}, "--from is after --to"},
        {{"--reference", "0", "--out", "r.pdf"}, "--reference needs a level in Bq/m3 from 1 to 1000000, not \"0\""},
        {{"--format", "csv"}, "--format needs pdf or json"},
        {{"--out", "a.pdf", "--out", "b.pdf"}, "--out given twice"},
        {{"--port", "3"}, "report has no option \"--port\""},
    };
    for (const auto& [args, error] : refused) {
        const ParsedReportOptions parsed = Parse(args);
        EXPECT_FALSE(parsed.options) << error;
        EXPECT_EQ(parsed.error, error);
    }
}

class ReportCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        CliSimulation sim(DefaultScenario());
        ASSERT_EQ(RunDownload(sim.link, dir->path / "tab", 0, sim.io, {true, Archive(), "cellar"}), Exit::Ok)
            << sim.Err();
    }
    static void TearDownTestSuite() { delete dir; }
    static std::string Archive() { return (dir->path / "archive.sqlite").string(); }

    Exit Report(ReportOptions o)
    {
        o.station = "cellar";
        o.archive = Archive();
        out.str("");
        err.str("");
        return RunReport(o, io, 900'000'000);
    }

    static TempDir* dir;
    std::ostringstream out, err;
    ProgressBar progress{err, false};
    CommandIo io{out, err, progress};
};

TempDir* ReportCommand::dir = nullptr;

TEST_F(ReportCommand, FiguresAreThoseOfTheHistoryInTheJsonAndThePdf)
{
    ReportOptions o;
    o.json = true;
    ASSERT_EQ(Report(o), Exit::Ok) << err.str();
    const json report = json::parse(out.str());
    ASSERT_EQ(report["probes"].size(), 3u);
    EXPECT_EQ(report["time_base"], "terminal time, UTC+01:00 without daylight saving");
    EXPECT_EQ(report["created"], "2028-07-08T16:00:00+01:00");

    o.json = false;
    o.out = (dir->path / "report.pdf").string();
    ASSERT_EQ(Report(o), Exit::Ok) << err.str();
    EXPECT_TRUE(std::regex_search(Output("pdfinfo " + o.out), std::regex("Pages: +4\n")));

    for (std::size_t i = 0; i < 3; ++i) {
        const json& probe = report["probes"][i];
        CliOptions h;
        h.command = Command::History;
        h.archive = Archive();
        h.station = "cellar";
        h.probe = probe["probe"];
        h.format = OutputFormat::Json;
        out.str("");
        ASSERT_EQ(RunHistory(h, io), Exit::Ok) << err.str();
        const json history = json::parse(out.str())["statistics"];
        EXPECT_GT(history["records"], 300);
        EXPECT_EQ(probe["records"], history["records"]);
        EXPECT_NEAR(probe["mean"], history["mean"], 5e-4);
        EXPECT_EQ(probe["min"], history["min"]);
        EXPECT_EQ(probe["max"], history["max"]);
        EXPECT_NEAR(probe["hours_above"], history["hours_above"], 5e-5);

        char mean[32];
        std::snprintf(mean, sizeof mean, "%.1f", history["mean"].get<double>());
        const std::string page = std::to_string(i + 2);
        const std::string text = Output("pdftotext -layout -f " + page + " -l " + page + " " + o.out + " -");
        for (const std::string& figure :
             {"Records +" + history["records"].dump() + " ", "Mean +" + std::string(mean) + " Bq/m3",
              "Minimum +" + history["min"].dump() + " Bq/m3", "Maximum +" + history["max"].dump() + " Bq/m3"})
            EXPECT_TRUE(std::regex_search(text, std::regex(figure))) << figure << " in\n" << text;
    }
}

TEST_F(ReportCommand, NothingToReportWritesNothing)
{
    ReportOptions o;
    o.out = (dir->path / "none.pdf").string();
    o.from = 315'619'200;  // 2010-01-01
    o.to = 315'791'999;
    EXPECT_EQ(Report(o), Exit::Failed);
    EXPECT_EQ(err.str(), "kolmaris-cli: station \"cellar\" of " + Archive() +
                             " holds no radon records from 2010-01-01 00:00 to 2010-01-02 23:59 (terminal time)\n");
    o = {};
    o.out = (dir->path / "none.pdf").string();
    o.probes = {1, 9};
    EXPECT_EQ(Report(o), Exit::Failed);
    EXPECT_EQ(err.str(), "kolmaris-cli: probe 9 of station \"cellar\" of " + Archive() +
                             " has no radon records; probes with records: 1, 2, 3\n");
    EXPECT_FALSE(std::filesystem::exists(o.out));

    o.probes = {};
    o.archive = (dir->path / "nowhere.sqlite").string();
    EXPECT_EQ(RunReport(o, io, 0), Exit::Archive);
    EXPECT_FALSE(std::filesystem::exists(o.archive));
}

}  // namespace
}  // namespace kolmaris::cli

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);  // fonts for the PDF writer
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
