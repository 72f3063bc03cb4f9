// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answer faults a scenario injects into relayed requests: each rule spoils the answers to
// matching requests (target address and command byte) as often as its count says.

#include "Scenario.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kolmaris::sim {

class AnswerFaults {
public:
    explicit AnswerFaults(std::vector<AnswerFault> rules) : rules_(std::move(rules)) {}

    // The fault for this request, used up by one.
    std::optional<AnswerFaultKind> Take(uint8_t address, int command);

private:
    std::vector<AnswerFault> rules_;
};

}  // namespace kolmaris::sim
