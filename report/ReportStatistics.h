// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The statistical pieces of the measurement report: order statistics and the 95 % interval of a
// period's mean. Qt-free.

#include <cstdint>
#include <vector>

namespace kolmaris::report {

// `sorted` ascending and not empty; `p` from 0 to 1. Linear interpolation between the closest
// ranks: the value at rank (n - 1) * p.
double Percentile(const std::vector<double>& sorted, double p);

// The two-sided 95 % quantile of Student's t with `degrees` degrees of freedom (0.975); whole
// degrees below 30 round down, so the factor errs on the wide side.
double StudentT975(double degrees);

// A value and its Poisson count: the count's relative uncertainty is 1 / sqrt(count).
struct CountedValue {
    double value = 0;
    std::uint32_t count = 0;  // 0: the record carries no count
};

struct MeanInterval {
    bool known = false;  // false: fewer than two days with records
    double low = 0, high = 0;
    double countingUncertainty = 0;  // standard uncertainty of the mean from the counts, Bq/m3
    double dailyUncertainty = 0;     // standard uncertainty of the mean from the daily means' spread
    double degrees = 0;              // effective degrees of freedom (Welch-Satterthwaite)
    double factor = 0;               // coverage factor, StudentT975(degrees)
    int days = 0;                    // days with records
    int recordsWithCounts = 0;
};

// The 95 % interval of `mean`: the counting uncertainty of the records' values (each record's
// value / sqrt(count), independent between records) combined with the spread of the `dailyMeans`
// (standard deviation / sqrt(days)); successive records are correlated, so the days, not the
// records, are the samples.
MeanInterval IntervalOfMean(double mean, const std::vector<CountedValue>& records,
                            const std::vector<double>& dailyMeans);

}  // namespace kolmaris::report
