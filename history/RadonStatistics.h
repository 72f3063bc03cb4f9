// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Statistics of a span of radon records. Qt-free.

#include <cstdint>
#include <vector>

#include "ArchiveRows.h"

namespace kolmaris::history {

inline constexpr std::uint32_t kDefaultReferenceLevel = 300;  // Bq/m3

struct RadonStatistics {
    int count = 0;
    double mean = 0;  // Bq/m3
    std::uint32_t min = 0, max = 0;
    // Each record stands for the time since the one before it, at most the span's usual record
    // interval (the median one), so that a gap in the data does not count; the first stands for
    // the usual interval. Records above the level add their time.
    double hoursAbove = 0;
    double hoursMeasured = 0;  // the time every record stands for
    TerminalTime interval = 0;  // the usual record interval, s; 0 with one record
};

// `rows` oldest first.
RadonStatistics ComputeStatistics(const std::vector<RadonRow>& rows, std::uint32_t referenceLevel);

// The records keep no long-term radon; the history shows the mean of the records of the `span`
// seconds up to each record instead. `rows` oldest first; one value per row.
inline constexpr TerminalTime kLongTermSpan = 7 * 24 * 3600;
std::vector<double> TrailingMeans(const std::vector<RadonRow>& rows, TerminalTime span = kLongTermSpan);

}  // namespace kolmaris::history
