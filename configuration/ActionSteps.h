// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The send and poll steps of a parameter window's action (read or save): `failed` becomes true
// when a step gives up and the action moves to its end step.

#include "SendPollStep.h"

namespace kolmaris {

// Sends on to the step after this one; true when sent.
inline bool SendActionStep(SendPollStep& steps, uint32_t result, int endStep, bool& failed)
{
    if (steps.Send(result, steps.Step + 1, endStep))
        return true;
    if (steps.Step == endStep)
        failed = true;
    return false;
}

// Polls once, asking again on an answer error; true with a complete, valid answer to judge.
inline bool PollActionStep(SendPollStep& steps, StepLink& link, RelayedAnswer& answer, int sendStep, int endStep,
                           bool& failed)
{
    const StepAnswer got = steps.Poll(link, answer, sendStep, endStep);
    if (got == StepAnswer::Failed)
        failed = steps.Step == endStep;
    return got == StepAnswer::Complete;
}

}  // namespace kolmaris
