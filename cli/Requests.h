// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Requests as the tool makes them: terminal commands tried a number of times, relayed
// requests waited for until their answer is complete, and the texts of their failures.

#include "MeasuringSystem.h"
#include "RelayedRequests.h"
#include "StepLink.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kolmaris::cli {

// A terminal command tried until it succeeds, at most `attempts` times; its last result.
uint32_t Retried(int attempts, const std::function<uint32_t()>& command);

// How a relayed exchange ended.
struct ExchangeResult {
    uint32_t linkError = 0;   // a failed send or poll
    uint8_t answerError = 0;  // the answer's error
    bool incomplete = false;  // no complete answer within kMaxCompositePolls polls
    bool Ok() const { return linkError == 0 && answerError == 0 && !incomplete; }
    std::string Text() const;
};

// Sends a relayed request, then polls every kPollPauseMs until its answer is complete; the
// whole exchange is tried `attempts` times.
ExchangeResult Exchange(StepLink& link, const std::function<uint32_t(StepLink&)>& send, int attempts,
                        RelayedAnswer& answer);

// Reads the coordinator's bonding map into model.BondedList.
ExchangeResult ReadBondedList(StepLink& link, int attempts, MeasuringSystem& model);

// What a result code means, with the code: "no reply within the time-out (error 22)".
std::string ResultText(uint32_t result);

// "not assigned", "repeater", "actuator", "radon probe"; "function N" for others.
std::string FunctionName(uint8_t function);

}  // namespace kolmaris::cli
