// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportTexts.h"

#include <cmath>
#include <cstdio>

namespace kolmaris::report {

namespace {

std::string Interval(const MeanInterval& m)
{
    return Fixed(m.low, 1) + " to " + Fixed(m.high, 1) + " Bq/m3";
}

}  // namespace

std::string Fixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return "-";
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

const char* DecisionKey(Decision decision)
{
    switch (decision) {
        case Decision::Below:
            return "below";
        case Decision::Above:
            return "above";
        case Decision::NotDecidable:
            break;
    }
    return "not_decidable";
}

std::string DecisionText(const ProbeFigures& p, std::uint32_t reference)
{
    const std::string level = std::to_string(reference) + " Bq/m3";
    const std::string mean = Fixed(p.mean, 1) + " Bq/m3";
    if (!p.interval95.known)
        return "Not decidable: the mean of the measured period is " + mean +
               ", but with fewer than two days of records its uncertainty cannot be estimated against the reference "
               "level of " + level + ".";
    switch (p.decision) {
        case Decision::Below:
            return "Below the reference level: the mean of the measured period, " + mean + ", is below " + level +
                   "; its 95 % interval (" + Interval(p.interval95) + ") lies below it.";
        case Decision::Above:
            return "Above the reference level: the mean of the measured period, " + mean + ", is above " + level +
                   "; its 95 % interval (" + Interval(p.interval95) + ") lies above it.";
        case Decision::NotDecidable:
            break;
    }
    return "Not decidable: the mean of the measured period is " + mean + ", and its 95 % interval (" +
           Interval(p.interval95) + ") contains the reference level of " + level + ".";
}

std::string MeasurementText(const Report& report)
{
    const std::string days = Fixed((report.last - report.first) / 86400.0, 1) + " days";
    if (report.shortTerm)
        return "Short-term measurement (" + days +
               "): an annual mean needs a long-term measurement of 2 to 12 months; the annual mean may differ from "
               "the mean of this period.";
    return "Long-term measurement (" + days + ").";
}

std::string IntervalMethodText(const ProbeFigures& p)
{
    const MeanInterval& m = p.interval95;
    if (!m.known)
        return "The 95 % interval needs records on at least two days; these records cover " + std::to_string(m.days) +
               " day.";
    std::string counting =
        m.recordsWithCounts == 0
            ? "The records carry no counts, so the counting uncertainty is not included. "
            : "Counting uncertainty: each record's value / sqrt(its count, the record's first count sum), "
              "independent between records, " +
                  std::to_string(m.recordsWithCounts) + " of " + std::to_string(p.records) +
                  " records with counts: " + Fixed(m.countingUncertainty, 2) + " Bq/m3. ";
    return "95 % interval of the mean = mean +/- k * sqrt(uc^2 + ud^2). " + counting +
           "Spread of the daily means: standard deviation of the " + std::to_string(m.days) +
           " daily means / sqrt(" + std::to_string(m.days) + ") = " + Fixed(m.dailyUncertainty, 2) +
           " Bq/m3; successive records are correlated, so the days, not the records, are taken as the samples. k = " +
           Fixed(m.factor, 3) + " from Student's t (97.5 %) with " +
           (std::isfinite(m.degrees) ? Fixed(m.degrees, 1) : std::string("unlimited")) +
           " effective degrees of freedom (Welch-Satterthwaite).";
}

std::string EventSource(int element)
{
    return element == 0 ? std::string("Term") : "Element " + std::to_string(element);
}

}  // namespace kolmaris::report
