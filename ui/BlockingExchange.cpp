// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockingExchange.h"

#include "Session.h"

namespace kolmaris {

bool ExchangeOnce(StepLink& link, const RelayedSend& send, RelayedAnswer& answer)
{
    if (send(link) != kOk)
        return false;
    for (int poll = 0; poll < kMaxExchangePolls; ++poll) {
        link.GetClock().SleepMs(kExchangePollPauseMs);
        if (PollRelayedReply(link, answer) != kOk || answer.error != 0)
            return false;
        if (answer.complete)
            return true;
    }
    return false;
}

bool AskTryAgain(Session& session, QWidget* window)
{
    return session.dialogs.Message(window, QStringLiteral("Error!"), QStringLiteral("Communication error! Try again?"),
                                   MessageButtons::YesNo, MessageIcon::Error) == MessageResult::Yes;
}

bool BlockingExchange(Session& session, QWidget* window, const RelayedSend& send, RelayedAnswer& answer)
{
    while (!ExchangeOnce(session.link, send, answer)) {
        if (!AskTryAgain(session, window))
            return false;
    }
    return true;
}

}  // namespace kolmaris
