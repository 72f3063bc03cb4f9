// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The counters and moves of a window's step machine. A send step sends one relayed request,
// a poll step polls its answer once; failed transactions count in `AttemptNo` against the
// limit (the link settings' AttemptCount, or a fixed number), refused answers in `RepeatNo`.
//
//   case 2:  // send
//       TextLB->setText(steps.Text("Setting channel"));
//       steps.Send(RequestWriteChannel(link, Network::Local, 0, ch), 3, 6);
//       break;
//   case 3:  // poll
//       if (steps.Poll(link, answer, 2, 6) == StepAnswer::Complete) { ...judge...; steps.Step = 4; }
//       break;

#include "ConfigFile.h"
#include "RelayedRequests.h"

#include <QString>

#include <cstdint>

namespace kolmaris {

enum class StepAnswer {
    Failed,      // the poll failed: counted in AttemptNo like a failed send
    Error,       // complete with an answer error
    Incomplete,  // not complete yet: poll again next tick (up to kMaxCompositePolls in a row)
    Complete,    // complete and valid: the step judges it
};

class SendPollStep {
public:
    // The limit follows the settings' AttemptCount as it changes.
    explicit SendPollStep(const LinkSettings& settings) : settings_(&settings) {}
    // A fixed limit.
    explicit SendPollStep(int fixedLimit) : fixedLimit_(fixedLimit) {}

    int Step = 0;
    int AttemptNo = 0;
    int RepeatNo = 0;
    // Polls in a row that found the answer not yet complete.
    int IncompleteNo = 0;
    // Answers with an answer error in the current step (Poll).
    int AnswerErrorNo = 0;
    // The answer error of a step that gave up on answer errors in this run; 0: none did.
    uint8_t GivenUpAnswerError = 0;

    int Limit() const { return settings_ ? settings_->attemptCount : fixedLimit_; }

    // Begins a run at `step` with both counters cleared.
    void Start(int step);

    // A send step with the result of its request. Sent: AttemptNo = 0 and on to `next`.
    // Failed: AttemptNo + 1; at the limit AttemptNo = 0 and on to `failTarget`, else the
    // step runs again. True when sent.
    bool Send(uint32_t result, int next, int failTarget);

    // A failed transaction that is not a send (a direct command in a step): counted like a
    // failed send. True when the limit is reached (the step moved to `failTarget`).
    bool Failed(int failTarget);

    // A poll step: polls once. A failed poll counts like a failed send. Otherwise AttemptNo = 0
    // and an answer error sends again (Step = `sendStep`) until the limit of answer errors in the
    // step, then the step gives up (Step = `failTarget`, GivenUpAnswerError set); an incomplete
    // answer stays, but every kMaxCompositePolls-th incomplete answer in a row counts as a failed
    // poll, so a silent radio ends the step after limit x kMaxCompositePolls polls.
    StepAnswer Poll(StepLink& link, RelayedAnswer& answer, int sendStep, int failTarget);

    // The same, but an answer error is left to the step (it does not move).
    StepAnswer PollOnly(StepLink& link, RelayedAnswer& answer, int failTarget);

    // A complete but refused answer: RepeatNo + 1; while it is below `limit` back to
    // `sendStep` (true), else RepeatNo = 0 and on to `failTarget` (false).
    bool Refused(int sendStep, int failTarget, int limit);
    bool Refused(int sendStep, int failTarget) { return Refused(sendStep, failTarget, Limit()); }

    // The step's progress text with " #" and RepeatNo + 1 while RepeatNo is above 0.
    QString Text(const QString& text) const;
    // What a window adds to its report when a step gave up on answer errors; empty otherwise.
    QString AnswerErrorReport() const;

private:
    const LinkSettings* settings_ = nullptr;
    int fixedLimit_ = 0;
};

// Text of a step that repeats: " #" and count + 1 appended while count is above 0.
QString StepText(const QString& text, int count);

// A positive answer to a write-type request: length 2 and data byte 1 zero.
bool IsPositiveAnswer(const RelayedAnswer& answer);

}  // namespace kolmaris
