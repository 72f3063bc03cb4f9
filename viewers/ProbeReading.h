#pragma once
// What the probe reading machines share: the send and poll moves with their counters, the
// pointers in a probe's current-data answer, and the texts of a step that repeats.

#include "RelayedRequests.h"
#include "TerminalCommands.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace kolmaris {

inline constexpr uint8_t kElementDataLength = 19;  // RequestElementData answer

// Failed transactions count in attemptNo, bad answers (an answer error or an unexpected length)
// in errorCount; each ends the reading when it reaches the limit.
struct ProbeReadCounters {
    int limit = 3;
    int attemptNo = 0;
    int errorCount = 0;
    uint8_t lastErrorCode = 0;  // the answer error, or data byte 1 of an answer of the wrong length
};

enum class SendOutcome { Sent, Again, Failed };

// A send step with the result of its request.
inline SendOutcome JudgeSend(uint32_t result, ProbeReadCounters& c)
{
    if (result == 0) {
        c.attemptNo = 0;
        return SendOutcome::Sent;
    }
    return ++c.attemptNo >= c.limit ? SendOutcome::Failed : SendOutcome::Again;
}

enum class PollOutcome {
    Wait,    // failed poll below the limit, or the answer is not complete: poll again
    Good,    // complete, no answer error, the expected length
    Resend,  // bad answer below the limit: back to the send step
    Failed,  // a limit was reached
};

// A poll step: polls once and judges the answer against `expectedLength`.
inline PollOutcome PollProbeAnswer(StepLink& link, RelayedAnswer& answer, uint8_t expectedLength,
                                   ProbeReadCounters& c)
{
    answer = RelayedAnswer{};
    if (PollRelayedReply(link, answer) != 0)
        return ++c.attemptNo >= c.limit ? PollOutcome::Failed : PollOutcome::Wait;
    c.attemptNo = 0;
    if (answer.error == 0 && !answer.complete)
        return PollOutcome::Wait;
    if (answer.error == 0 && answer.length == expectedLength) {
        c.errorCount = 0;
        return PollOutcome::Good;
    }
    c.lastErrorCode = answer.error != 0 ? answer.error : answer.data[1];
    return ++c.errorCount >= c.limit ? PollOutcome::Failed : PollOutcome::Resend;
}

enum class AcquisitionWait { Stopped, Running, Failed };

// Step 0 of a reading: reads the acquisition state; while it runs (or the state cannot be read)
// sends the stop again. Failed reads in a row count against the limit.
inline AcquisitionWait WaitAcquisitionStop(StepLink& link, ProbeReadCounters& c)
{
    uint8_t state = 0;
    uint32_t countdown = 0;
    uint32_t queryPeriod = 0;
    uint16_t cycles = 0;
    if (ReadAcquisitionState(link, state, countdown, queryPeriod, cycles) == 0) {
        c.attemptNo = 0;
        if ((state & 0x01) == 0)
            return AcquisitionWait::Stopped;
    } else if (++c.attemptNo >= c.limit) {
        return AcquisitionWait::Failed;
    }
    SetAcquisition(link, kAcquisitionStop);
    return AcquisitionWait::Running;
}

// P: data byte 13 (bits 7-0) and bits 0-4 of data byte 18 (bits 12-8).
inline int RecordPointerOf(const RelayedAnswer& a)
{
    return a.data[13] | (a.data[18] & 0x1F) << 8;
}

// S: data byte 14 (bits 7-0) and bits 5-6 of data byte 18 (bits 9-8).
inline int SpectrumPointerOf(const RelayedAnswer& a)
{
    return a.data[14] | (a.data[18] >> 5 & 0x03) << 8;
}

// A progress text: `format` holds one "%0.0f" for the percentage.
inline std::string PercentText(const char* format, double percent)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, percent);
    return buffer;
}

}  // namespace kolmaris
