// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportFigures.h"

#include "DiaEventText.h"
#include "RadonStatistics.h"

#include <algorithm>
#include <array>

namespace kolmaris::report {

namespace {

constexpr TerminalTime kHour = 3600;
constexpr TerminalTime kDay = 24 * kHour;

// Means of the rows' radon per bucket of `length` seconds on the terminal's clock, oldest first.
std::vector<TimeMean> BucketMeans(const std::vector<history::RadonRow>& rows, TerminalTime length)
{
    std::vector<TimeMean> means;
    double sum = 0;
    int n = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        sum += rows[i].radon;
        ++n;
        const TerminalTime bucket = rows[i].time / length;
        if (i + 1 == rows.size() || rows[i + 1].time / length != bucket) {
            means.push_back({bucket * length, sum / n});
            sum = 0;
            n = 0;
        }
    }
    return means;
}

std::vector<std::optional<double>> DailyProfile(const std::vector<history::RadonRow>& rows)
{
    std::array<double, 24> sum{};
    std::array<int, 24> n{};
    for (const history::RadonRow& r : rows) {
        const std::size_t hour = r.time % kDay / kHour;
        sum[hour] += r.radon;
        ++n[hour];
    }
    std::vector<std::optional<double>> profile(24);
    for (std::size_t h = 0; h < 24; ++h)
        if (n[h] > 0)
            profile[h] = sum[h] / n[h];
    return profile;
}

std::vector<Gap> Gaps(const std::vector<history::RadonRow>& rows, TerminalTime interval, TerminalTime first,
                      TerminalTime last)
{
    std::vector<Gap> gaps;
    if (interval == 0)
        return gaps;
    const auto hours = [](TerminalTime seconds) { return seconds / 3600.0; };
    if (rows.front().time - first > 2 * interval)
        gaps.push_back({first, rows.front().time, hours(rows.front().time - first)});
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const TerminalTime gap = rows[i].time - rows[i - 1].time;
        if (gap > 2 * interval)
            gaps.push_back({rows[i - 1].time, rows[i].time, hours(gap - interval)});
    }
    if (last - rows.back().time > 2 * interval)
        gaps.push_back({rows.back().time, last, hours(last - rows.back().time)});
    return gaps;
}

ProbeFigures Probe(int address, const std::vector<history::RadonRow>& rows, const Report& report)
{
    ProbeFigures p;
    p.probe = address;
    const history::RadonStatistics s = history::ComputeStatistics(rows, report.reference);
    p.records = s.count;
    p.mean = s.mean;
    p.min = s.min;
    p.max = s.max;
    p.hoursAbove = s.hoursAbove;
    p.measuredHours = s.hoursMeasured;
    p.interval = s.interval;
    p.first = rows.front().time;
    p.last = rows.back().time;
    p.periodHours = (report.last - report.first + s.interval) / 3600.0;
    if (s.interval > 0) {
        p.coverage = std::min(1.0, p.measuredHours / p.periodHours);
        p.shareAbove = p.hoursAbove / p.measuredHours;
    }
    p.gaps = Gaps(rows, s.interval, report.first, report.last);

    std::vector<double> sorted;
    std::vector<CountedValue> counted;
    sorted.reserve(rows.size());
    counted.reserve(rows.size());
    for (const history::RadonRow& r : rows) {
        sorted.push_back(r.radon);
        counted.push_back({static_cast<double>(r.radon), r.sum1});
    }
    std::sort(sorted.begin(), sorted.end());
    p.median = Percentile(sorted, 0.5);
    p.percentile95 = Percentile(sorted, 0.95);

    std::vector<double> daily;
    for (const TimeMean& day : BucketMeans(rows, kDay))
        daily.push_back(day.mean);
    p.interval95 = IntervalOfMean(p.mean, counted, daily);
    if (p.interval95.known && p.interval95.high < report.reference)
        p.decision = Decision::Below;
    else if (p.interval95.known && p.interval95.low > report.reference)
        p.decision = Decision::Above;

    p.dailyChart = report.last - report.first > kHourlyChartDays * kDay;
    p.chart = BucketMeans(rows, p.dailyChart ? kDay : kHour);
    if (p.measuredHours >= kProfileHours)
        p.dailyProfile = DailyProfile(rows);
    return p;
}

ValueRange Range(const std::vector<double>& values)
{
    ValueRange r;
    if (values.empty())
        return r;
    r.min = *std::min_element(values.begin(), values.end());
    r.max = *std::max_element(values.begin(), values.end());
    double sum = 0;
    for (double v : values)
        sum += v;
    r.mean = sum / static_cast<double>(values.size());
    return r;
}

MeteoFigures Meteo(const std::vector<history::MeteoRow>& rows, TerminalTime first, TerminalTime last)
{
    std::vector<double> temperature, pressure, humidity;
    for (const history::MeteoRow& r : rows) {
        if (r.time < first || r.time > last)
            continue;
        temperature.push_back(r.temperature / 10.0);
        pressure.push_back(r.pressure);
        humidity.push_back(r.humidity / 10.0);
    }
    return {static_cast<int>(pressure.size()), Range(temperature), Range(pressure), Range(humidity)};
}

}  // namespace

bool LongTerm(TerminalTime first, TerminalTime last)
{
    TimeFields f = TimeToFields(first);
    f.month += 2;
    if (f.month > 12) {
        f.month -= 12;
        if (++f.year > 99)
            return false;
    }
    TerminalTime twoMonths = 0;
    return FieldsToTime(f, twoMonths) == kFieldsOk && last >= twoMonths;
}

Report ComputeReport(const ReportInput& input)
{
    Report report;
    report.station = input.station;
    report.reference = input.reference;
    report.programVersion = input.programVersion;
    report.created = input.created;
    bool any = false;
    for (const auto& [address, rows] : input.probes) {
        if (rows.empty())
            continue;
        report.first = any ? std::min(report.first, rows.front().time) : rows.front().time;
        report.last = any ? std::max(report.last, rows.back().time) : rows.back().time;
        any = true;
    }
    report.shortTerm = !LongTerm(report.first, report.last);
    for (const auto& [address, rows] : input.probes)
        if (!rows.empty())
            report.probes.push_back(Probe(address, rows, report));
    report.meteo = Meteo(input.meteo, report.first, report.last);
    for (const history::DiaRow& e : input.events)
        if (e.time >= report.first && e.time <= report.last)
            report.events.push_back({e.time, e.element, e.code,
                                     DiaEventText(static_cast<std::uint8_t>(e.element), static_cast<std::uint8_t>(e.code))});
    std::stable_sort(report.events.begin(), report.events.end(),
                     [](const EventLine& a, const EventLine& b) { return a.time < b.time; });
    return report;
}

}  // namespace kolmaris::report
