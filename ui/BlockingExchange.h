// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The blocking exchange of the show and hide handlers: send one relayed request, then wait
// 50 ms and poll, until the answer is complete. A failed send or poll, an answer error, or no
// complete answer within kMaxExchangePolls polls asks "Communication error! Try again?";
// Yes repeats from the send, No gives up.

#include "RelayedRequests.h"

#include <functional>

class QWidget;

namespace kolmaris {

struct Session;

// Polls one exchange waits for a complete answer before it counts as failed (about 5 s).
inline constexpr int kMaxExchangePolls = 100;
inline constexpr uint32_t kExchangePollPauseMs = 50;

using RelayedSend = std::function<uint32_t(StepLink&)>;

// True with the complete, valid answer; false when the user declined to try again.
bool BlockingExchange(Session& session, QWidget* window, const RelayedSend& send, RelayedAnswer& answer);

// One attempt without the question: true with a complete, valid answer.
bool ExchangeOnce(StepLink& link, const RelayedSend& send, RelayedAnswer& answer);

// Asks "Communication error! Try again?"; true for Yes.
bool AskTryAgain(Session& session, QWidget* window);

}  // namespace kolmaris
