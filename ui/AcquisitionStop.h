#pragma once
// Stopping data acquisition before a tool window that needs a quiet measuring system opens.

#include <QString>

class QWidget;

namespace kolmaris {

struct Session;

// Asks, stops acquisition and waits until the terminal reports it stopped. `waitPanel` is shown
// while waiting. True when the window may open.
bool StopAcquisition(Session& session, QWidget* window, QWidget* waitPanel, const QString& cannotStopText);

}  // namespace kolmaris
