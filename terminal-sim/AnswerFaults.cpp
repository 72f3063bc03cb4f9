// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnswerFaults.h"

namespace kolmaris::sim {

std::optional<AnswerFaultKind> AnswerFaults::Take(uint8_t address, int command)
{
    for (AnswerFault& rule : rules_) {
        if (rule.count == 0)
            continue;
        if (rule.address != 0xFF && rule.address != address)
            continue;
        if (rule.command >= 0 && rule.command != command)
            continue;
        if (rule.count > 0)
            --rule.count;
        return rule.kind;
    }
    return std::nullopt;
}

}  // namespace kolmaris::sim
