// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The measurement report as an A4 PDF: a summary page, then a page per probe. Painted with Qt's PDF
// writer, without widgets (the offscreen platform serves); the fonts are embedded and the text
// stays selectable. The same layout for the command line and the window.

#include <QString>

#include "ReportFigures.h"

namespace kolmaris::report {

// Writes the whole file or leaves `path` as it was. False with `error`.
bool WriteReportPdf(const Report& report, const QString& path, QString& error);

}  // namespace kolmaris::report
