// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportStatistics.h"

#include <array>
#include <cmath>
#include <limits>

namespace kolmaris::report {

double Percentile(const std::vector<double>& sorted, double p)
{
    const double rank = (static_cast<double>(sorted.size()) - 1) * p;
    const auto below = static_cast<std::size_t>(std::floor(rank));
    if (below + 1 >= sorted.size())
        return sorted.back();
    return sorted[below] + (rank - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

double StudentT975(double degrees)
{
    static constexpr std::array<double, 30> kTable{
        12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228, 2.201, 2.179, 2.160, 2.145, 2.131,
        2.120,  2.110, 2.101, 2.093, 2.086, 2.080, 2.074, 2.069, 2.064, 2.060, 2.056, 2.052, 2.048, 2.045, 2.042};
    if (!(degrees >= 1))
        return kTable[0];
    if (degrees < 30)
        return kTable[static_cast<std::size_t>(degrees) - 1];
    // Cornish-Fisher expansion about the normal quantile; exact to 1e-4 from 30 degrees on.
    const double z = 1.959964, n = degrees;
    return z + (z * z * z + z) / (4 * n) + (5 * std::pow(z, 5) + 16 * z * z * z + 3 * z) / (96 * n * n);
}

MeanInterval IntervalOfMean(double mean, const std::vector<CountedValue>& records,
                            const std::vector<double>& dailyMeans)
{
    MeanInterval m;
    m.days = static_cast<int>(dailyMeans.size());
    double countingVariance = 0;
    for (const CountedValue& r : records) {
        if (r.count == 0)
            continue;
        ++m.recordsWithCounts;
        countingVariance += r.value * r.value / r.count;
    }
    if (!records.empty())
        m.countingUncertainty = std::sqrt(countingVariance) / static_cast<double>(records.size());
    if (m.days < 2)
        return m;

    double sum = 0;
    for (double d : dailyMeans)
        sum += d;
    const double daysMean = sum / m.days;
    double squares = 0;
    for (double d : dailyMeans)
        squares += (d - daysMean) * (d - daysMean);
    const double spread = std::sqrt(squares / (m.days - 1));
    m.dailyUncertainty = spread / std::sqrt(static_cast<double>(m.days));

    const double variance = m.countingUncertainty * m.countingUncertainty + m.dailyUncertainty * m.dailyUncertainty;
    const double daily4 = std::pow(m.dailyUncertainty, 4);
    m.degrees = daily4 > 0 ? variance * variance / (daily4 / (m.days - 1)) : std::numeric_limits<double>::infinity();
    m.factor = StudentT975(m.degrees);
    const double half = m.factor * std::sqrt(variance);
    m.low = mean - half;
    m.high = mean + half;
    m.known = true;
    return m;
}

}  // namespace kolmaris::report
