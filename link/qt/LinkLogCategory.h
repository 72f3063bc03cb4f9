// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link's log in the program: every exchange on the line as a debug message of the logging
// category "kolmaris.link", off unless QT_LOGGING_RULES="kolmaris.link.debug=true" switches it on.

#include "LinkLog.h"

#include <QLoggingCategory>

namespace kolmaris {

Q_DECLARE_LOGGING_CATEGORY(linkLogCategory)

// A sink that writes each event to the category (only while its debug messages are on).
LinkLogSink QtLinkLogSink();

}  // namespace kolmaris
