// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sentences of the measurement report, the same in the PDF and in the JSON. Qt-free.

#include <string>

#include "ReportFigures.h"

namespace kolmaris::report {

// "%.*f"; a value that is not a number prints as "-".
std::string Fixed(double value, int decimals);

inline constexpr const char* kTimeBase = "terminal time, UTC+01:00 without daylight saving";

// The decision for the measured period: below, above or not decidable, with the interval.
std::string DecisionText(const ProbeFigures& probe, std::uint32_t reference);
// "below", "above", "not_decidable".
const char* DecisionKey(Decision decision);

// Short- or long-term measurement and what that means for the annual mean.
std::string MeasurementText(const Report& report);

// How the 95 % interval of `probe` was computed.
std::string IntervalMethodText(const ProbeFigures& probe);

// "Term" for the terminal, "Element N" for an element.
std::string EventSource(int element);

}  // namespace kolmaris::report
