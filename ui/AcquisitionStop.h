// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stopping data acquisition before a tool window that changes the measuring system or the
// radio network opens: ask, stop, and wait until the terminal reports it stopped.

#include <QString>

class QWidget;

namespace kolmaris {

struct Session;

// The question asked while acquisition runs (OK/Cancel); OK stops it.
inline constexpr char kStopQuestionText[] = "Data acquisition must be stopped! Continue?";

// The cannot-stop text of the menu handlers.
inline constexpr char kCannotStopText[] = "Data acquisition cannot be stopped!";

// Runs under `window` (the main window); `waitPanel` is shown while the terminal still reports
// acquisition running. True when the tool window may open.
bool StopAcquisition(Session& session, QWidget* window, QWidget* waitPanel, const QString& cannotStopText);

}  // namespace kolmaris
