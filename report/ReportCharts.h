// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The charts of the measurement report, painted with QPainter on any device (the PDF, an image):
// the radon means of the period against time with the reference level, and the daily profile.

#include <QRectF>

#include "ReportFigures.h"

class QPainter;

namespace kolmaris::report {

// `probe.chart` from `first` to `last` in `area` (device units), the reference level drawn.
void DrawPeriodChart(QPainter& painter, const QRectF& area, const ProbeFigures& probe, TerminalTime first,
                     TerminalTime last, std::uint32_t reference);

// `probe.dailyProfile` as bars by hour of day, the reference level drawn.
void DrawProfileChart(QPainter& painter, const QRectF& area, const ProbeFigures& probe, std::uint32_t reference);

}  // namespace kolmaris::report
