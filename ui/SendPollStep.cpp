// SPDX-License-Identifier: GPL-3.0-or-later
#include "SendPollStep.h"

#include <algorithm>

namespace kolmaris {

void SendPollStep::Start(int step)
{
    Step = step;
    AttemptNo = 0;
    RepeatNo = 0;
    IncompleteNo = 0;
    AnswerErrorNo = 0;
    GivenUpAnswerError = 0;
}

bool SendPollStep::Send(uint32_t result, int next, int failTarget)
{
    if (result != kOk) {
        Failed(failTarget);
        return false;
    }
    AttemptNo = 0;
    IncompleteNo = 0;
    Step = next;
    return true;
}

bool SendPollStep::Failed(int failTarget)
{
    ++AttemptNo;
    if (AttemptNo < Limit())
        return false;
    AttemptNo = 0;
    AnswerErrorNo = 0;
    Step = failTarget;
    return true;
}

StepAnswer SendPollStep::PollOnly(StepLink& link, RelayedAnswer& answer, int failTarget)
{
    if (PollRelayedReply(link, answer) != kOk) {
        Failed(failTarget);
        return StepAnswer::Failed;
    }
    if (answer.error == 0 && !answer.complete) {
        // Only the first run of incomplete polls clears AttemptNo; every further run of
        // kMaxCompositePolls adds one failure, so the limit is reached.
        if (++IncompleteNo <= kMaxCompositePolls)
            AttemptNo = 0;
        if (IncompleteNo % kMaxCompositePolls != 0)
            return StepAnswer::Incomplete;
        if (Failed(failTarget))
            IncompleteNo = 0;
        return StepAnswer::Failed;
    }
    AttemptNo = 0;
    IncompleteNo = 0;
    return answer.error != 0 ? StepAnswer::Error : StepAnswer::Complete;
}

StepAnswer SendPollStep::Poll(StepLink& link, RelayedAnswer& answer, int sendStep, int failTarget)
{
    const StepAnswer result = PollOnly(link, answer, failTarget);
    if (result == StepAnswer::Complete)
        AnswerErrorNo = 0;
    if (result != StepAnswer::Error)
        return result;
    // Sent again while it may: a request the radio keeps answering with an error ends the step as
    // a failing line does, not after a thousand tries.
    if (++AnswerErrorNo < Limit()) {
        Step = sendStep;
        return result;
    }
    AnswerErrorNo = 0;
    GivenUpAnswerError = answer.error;
    Step = failTarget;
    return result;
}

bool SendPollStep::Refused(int sendStep, int failTarget, int limit)
{
    ++RepeatNo;
    if (RepeatNo < limit) {
        Step = sendStep;
        return true;
    }
    RepeatNo = 0;
    Step = failTarget;
    return false;
}

QString SendPollStep::Text(const QString& text) const
{
    return StepText(text, RepeatNo);
}

QString SendPollStep::AnswerErrorReport() const
{
    if (GivenUpAnswerError == 0)
        return {};
    return QStringLiteral("\nGiven up after %1 answers with error %2.")
        .arg(std::max(1, Limit()))
        .arg(GivenUpAnswerError);
}

QString StepText(const QString& text, int count)
{
    if (count <= 0)
        return text;
    return text + QStringLiteral(" #") + QString::number(count + 1);
}

bool IsPositiveAnswer(const RelayedAnswer& answer)
{
    return answer.length == 2 && answer.data[1] == 0;
}

}  // namespace kolmaris
