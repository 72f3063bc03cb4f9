// SPDX-License-Identifier: GPL-3.0-or-later
#include "RadonStatistics.h"

#include <algorithm>

namespace kolmaris::history {

RadonStatistics ComputeStatistics(const std::vector<RadonRow>& rows, std::uint32_t referenceLevel)
{
    RadonStatistics s;
    if (rows.empty())
        return s;
    std::vector<TerminalTime> gaps;
    for (std::size_t i = 1; i < rows.size(); ++i)
        gaps.push_back(rows[i].time - rows[i - 1].time);
    TerminalTime usual = 0;
    if (!gaps.empty()) {
        std::vector<TerminalTime> sorted = gaps;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
        usual = sorted[sorted.size() / 2];
    }
    double sum = 0;
    double secondsAbove = 0, secondsMeasured = 0;
    s.min = s.max = rows.front().radon;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::uint32_t radon = rows[i].radon;
        sum += radon;
        s.min = std::min(s.min, radon);
        s.max = std::max(s.max, radon);
        const TerminalTime standsFor = i == 0 ? usual : std::min(gaps[i - 1], usual);
        secondsMeasured += standsFor;
        if (radon > referenceLevel)
            secondsAbove += standsFor;
    }
    s.count = static_cast<int>(rows.size());
    s.mean = sum / s.count;
    s.hoursAbove = secondsAbove / 3600.0;
    s.hoursMeasured = secondsMeasured / 3600.0;
    s.interval = usual;
    return s;
}

std::vector<double> TrailingMeans(const std::vector<RadonRow>& rows, TerminalTime span)
{
    std::vector<double> means;
    means.reserve(rows.size());
    double sum = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        sum += rows[i].radon;
        while (first < i && rows[i].time - rows[first].time >= span) {
            sum -= rows[first].radon;
            ++first;
        }
        means.push_back(sum / static_cast<double>(i - first + 1));
    }
    return means;
}

}  // namespace kolmaris::history
