// SPDX-License-Identifier: GPL-3.0-or-later
#include "AcquisitionStop.h"

#include "Session.h"
#include "TerminalCommands.h"

#include <QWidget>

namespace kolmaris {

namespace {

constexpr uint32_t kStopWaitMs = 200;
constexpr int kPassesBeforeQuestion = 50;
constexpr uint8_t kAcquisitionRunningFlag = 0x01;

}  // namespace

bool StopAcquisition(Session& session, QWidget* window, QWidget* waitPanel, const QString& cannotStopText)
{
    StepLink& link = session.link;
    if (session.model.AcquisitionRunning) {
        if (session.dialogs.Message(window, "Warning", kStopQuestionText,
                                    MessageButtons::OkCancel, MessageIcon::Exclamation) != MessageResult::Ok)
            return false;
        if (SetAcquisition(link, kAcquisitionStop) != 0) {
            session.dialogs.Message(window, "Error!", cannotStopText, MessageButtons::Ok, MessageIcon::Information);
            return false;
        }
    }

    int passes = 0;
    for (;;) {
        uint8_t flags = 0;
        uint32_t countdown = 0;
        uint32_t period = 0;
        uint16_t cycles = 0;
        // A failed reading does not prove the stop; it counts as still running.
        const bool read = ReadAcquisitionState(link, flags, countdown, period, cycles) == 0;
        if (read && (flags & kAcquisitionRunningFlag) == 0)
            break;
        if (passes > kPassesBeforeQuestion) {
            const MessageResult answer =
                session.dialogs.Message(window, "Error", "Data acquisition still active, try again?",
                                        MessageButtons::AbortRetryIgnore, MessageIcon::Question);
            if (answer != MessageResult::Retry) {
                waitPanel->hide();
                return answer == MessageResult::Ignore;
            }
            passes = 0;
        }
        waitPanel->show();
        waitPanel->raise();
        window->repaint();
        SetAcquisition(link, kAcquisitionStop);
        link.GetClock().SleepMs(kStopWaitMs);
        window->repaint();
        ++passes;
    }
    waitPanel->hide();
    session.model.AcquisitionRunning = false;
    return true;
}

}  // namespace kolmaris
