// SPDX-License-Identifier: GPL-3.0-or-later
// The report's figures on crafted records against values computed by hand: order statistics,
// hours above, coverage and gaps, the 95 % interval of the mean and the decision.
#include "ReportFigures.h"
#include "ReportJson.h"
#include "ReportTexts.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace kolmaris::report {
namespace {

constexpr TerminalTime kMarch = 825'638'400;  // 2026-03-01 00:00 on the terminal's clock
constexpr TerminalTime kHour = 3600;

// Hourly records from `first` hour to `last` hour after 1 March, `radon(hour)` each, count `count`.
std::vector<history::RadonRow> Hourly(int first, int last, const std::function<std::uint32_t(int)>& radon,
                                      std::uint32_t count = 0)
{
    std::vector<history::RadonRow> rows;
    for (int h = first; h <= last; ++h)
        rows.push_back({1, kMarch + static_cast<TerminalTime>(h) * kHour, radon(h), count});
    return rows;
}

Report Compute(std::map<int, std::vector<history::RadonRow>> probes, std::uint32_t reference = 300)
{
    ReportInput input;
    input.station = "north";
    input.probes = std::move(probes);
    input.reference = reference;
    return ComputeReport(input);
}

TEST(ReportStatistics, PercentilesAndStudentFactor)
{
    std::vector<double> values;
    for (int v = 1; v <= 20; ++v)
        values.push_back(v);
    EXPECT_DOUBLE_EQ(Percentile(values, 0.5), 10.5);
    EXPECT_DOUBLE_EQ(Percentile(values, 0.95), 19.05);
    EXPECT_DOUBLE_EQ(Percentile({7}, 0.95), 7);
    const std::pair<double, double> t[] = {{1, 12.706}, {2.9, 4.303}, {14, 2.145}, {40, 2.021}, {1e9, 1.960}};
    for (const auto& [degrees, factor] : t)
        EXPECT_NEAR(StudentT975(degrees), factor, 5e-4) << degrees;
}

// Three days of 100, 200 and 300 Bq/m3, each record with a count of 100.
TEST(ReportFigures, ThreeDaysAgainstAHandComputation)
{
    const auto rows = Hourly(0, 71, [](int h) { return 100u * static_cast<std::uint32_t>(h / 24 + 1); }, 100);
    struct Case {
        std::uint32_t reference;
        double hoursAbove;
        Decision decision;
    };
    for (const Case& c : {Case{300, 0, Decision::NotDecidable}, Case{250, 24, Decision::NotDecidable},
                          Case{500, 0, Decision::Below}}) {
        const ProbeFigures p = Compute({{1, rows}}, c.reference).probes.at(0);
        EXPECT_EQ(p.records, 72);
        EXPECT_DOUBLE_EQ(p.mean, 200);
        EXPECT_DOUBLE_EQ(p.median, 200);
        EXPECT_DOUBLE_EQ(p.percentile95, 300);
        EXPECT_EQ(p.interval, 3600u);
        EXPECT_DOUBLE_EQ(p.hoursAbove, c.hoursAbove);
        EXPECT_DOUBLE_EQ(*p.shareAbove, c.hoursAbove / 72);
        EXPECT_DOUBLE_EQ(*p.coverage, 1);
        EXPECT_TRUE(p.gaps.empty());
        // uc = sqrt(24 (100^2 + 200^2 + 300^2) / 100) / 72, ud = 100 / sqrt(3), 2.008 degrees: k = 4.303
        const MeanInterval& m = p.interval95;
        ASSERT_TRUE(m.known);
        EXPECT_EQ(m.days, 3);
        EXPECT_EQ(m.recordsWithCounts, 72);
        EXPECT_NEAR(m.countingUncertainty, 2.54588, 1e-4);
        EXPECT_NEAR(m.dailyUncertainty, 57.73503, 1e-4);
        EXPECT_NEAR(m.degrees, 2.00779, 1e-4);
        EXPECT_NEAR(m.low, -48.6752, 1e-3);
        EXPECT_NEAR(m.high, 448.6752, 1e-3);
        EXPECT_EQ(p.decision, c.decision) << c.reference;
        EXPECT_EQ(p.dailyProfile.size(), 24u);
        EXPECT_DOUBLE_EQ(*p.dailyProfile[5], 200);
        EXPECT_FALSE(p.dailyChart);
        ASSERT_EQ(p.chart.size(), 72u);
        EXPECT_EQ(p.chart[30].time, kMarch + 30 * kHour);
    }
}

TEST(ReportFigures, EdgeCases)
{
    const auto constant = [](std::uint32_t v) { return [v](int) { return v; }; };
    // One record: no interval, no coverage, nothing to decide.
    const ProbeFigures one = Compute({{1, Hourly(5, 5, constant(450))}}).probes.at(0);
    EXPECT_EQ(one.records, 1);
    EXPECT_DOUBLE_EQ(one.mean, 450);
    EXPECT_DOUBLE_EQ(one.median, 450);
    EXPECT_DOUBLE_EQ(one.percentile95, 450);
    EXPECT_EQ(one.interval, 0u);
    EXPECT_FALSE(one.coverage);
    EXPECT_FALSE(one.interval95.known);
    EXPECT_EQ(one.decision, Decision::NotDecidable);
    EXPECT_TRUE(one.dailyProfile.empty());

    // Equal values below the level over four days: an interval of no width, below.
    const ProbeFigures equal = Compute({{1, Hourly(0, 95, constant(120))}}).probes.at(0);
    EXPECT_DOUBLE_EQ(equal.interval95.low, 120);
    EXPECT_DOUBLE_EQ(equal.interval95.high, 120);
    EXPECT_EQ(equal.decision, Decision::Below);

    // Exactly at the level: not above it, and the interval holds it.
    const ProbeFigures at = Compute({{1, Hourly(0, 95, constant(300))}}).probes.at(0);
    EXPECT_DOUBLE_EQ(at.hoursAbove, 0);
    EXPECT_EQ(at.decision, Decision::NotDecidable);
    EXPECT_NE(DecisionText(at, 300).find("contains the reference level of 300 Bq/m3"), std::string::npos);
}

// Probe 1 stops for 11 hours, probe 2 after its first day: the gaps are listed, their time is
// neither measured nor above the level.
TEST(ReportFigures, GapsShowInTheCoverageNotAboveTheLevel)
{
    auto first = Hourly(0, 47, [](int) { return 400u; });
    const auto after = Hourly(58, 105, [](int) { return 400u; });
    first.insert(first.end(), after.begin(), after.end());
    auto second = Hourly(0, 23, [](int) { return 100u; });
    for (auto& row : second)
        row.probe = 2;
    const Report report = Compute({{1, first}, {2, second}});
    ASSERT_EQ(report.probes.size(), 2u);
    const ProbeFigures& p = report.probes[0];
    EXPECT_DOUBLE_EQ(p.hoursAbove, 96);
    EXPECT_DOUBLE_EQ(p.measuredHours, 96);
    EXPECT_DOUBLE_EQ(p.periodHours, 106);
    EXPECT_DOUBLE_EQ(*p.coverage, 96.0 / 106);
    ASSERT_EQ(p.gaps.size(), 1u);
    EXPECT_EQ(p.gaps[0].from, kMarch + 47 * kHour);
    EXPECT_EQ(p.gaps[0].to, kMarch + 58 * kHour);
    EXPECT_DOUBLE_EQ(p.gaps[0].missingHours, 10);
    const ProbeFigures& q = report.probes[1];
    EXPECT_DOUBLE_EQ(*q.coverage, 24.0 / 106);
    ASSERT_EQ(q.gaps.size(), 1u);
    EXPECT_EQ(q.gaps[0].to, kMarch + 105 * kHour);
    EXPECT_DOUBLE_EQ(q.gaps[0].missingHours, 82);

    const auto json = nlohmann::json::parse(ReportJson(report));
    EXPECT_EQ(json["probes"][0]["coverage"]["gaps"][0],
              nlohmann::json::parse(R"({"from": "2026-03-02T23:00:00+01:00", "to": "2026-03-03T10:00:00+01:00",
                                        "missing_hours": 10.0})"));
    EXPECT_EQ(json["period"]["first"], "2026-03-01T00:00:00+01:00");
    EXPECT_EQ(json["probes"][1]["decision"], "not_decidable");  // one day: no interval
}

TEST(ReportFigures, LongTermFromTwoCalendarMonths)
{
    const std::tuple<TerminalTime, TerminalTime, bool> cases[] = {
        {kMarch, 830'908'800, true},           // 1 March to 1 May
        {kMarch, 830'908'800 - 60, false},     // a minute short
        {kMarch + 275 * 86400, kMarch + 337 * 86400, true},  // 1 December to 1 February, over the year
    };
    for (const auto& [first, last, longTerm] : cases)
        EXPECT_EQ(LongTerm(first, last), longTerm) << first << " " << last;
}

}  // namespace
}  // namespace kolmaris::report
