// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProbeReading.h"

#include "TerminalCommands.h"

#include <algorithm>
#include <cstdio>

namespace kolmaris {

std::string PercentText(const char* format, double percent)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, percent);
    return buffer;
}

bool ProbeReader::Start(uint8_t meshAddress, int first, int last, int attemptCount, bool waitForAcquisitionStop)
{
    if (!InRange(first, last, ringSize_) || meshAddress < 1 || meshAddress > kProbeSlots)
        return false;
    meshAddress_ = meshAddress;
    first_ = first;
    last_ = last;
    errors_ = ProbeReadCounters{.limit = std::max(attemptCount, 1)};
    failed_ = lessRecords_ = notAvailable_ = bufferChanged_ = false;
    storeResult_ = kStoreDone;
    itemsRead_ = 0;
    status_.clear();
    step_ = waitForAcquisitionStop ? 0 : 1;
    running_ = true;
    return true;
}

bool ProbeReader::Tick(StepLink& link, TDataStore& store)
{
    if (!running_)
        return false;
    RelayedAnswer answer;
    switch (step_) {
        case 0:
            status_ = texts_.waiting;
            WaitAcquisitionStop(link);
            break;
        case 1:
            errors_ = ProbeReadCounters{.limit = errors_.limit};
            step_ = 2;
            BeginReading(store);
            break;
        case 2:
            status_ = StepText("Reading current pointers..");
            Send(RequestElementData(link, meshAddress_), 3);
            break;
        case 3:
            if (Poll(link, answer, kElementDataLength, 2))
                Pointers(answer);
            break;
        case 4:
            if (remainingCount_ == 0) {
                CheckPointer(link);
                break;
            }
            status_ = StepText(PercentText(ProgressFormat(), Percent()).c_str());
            Send(RequestItem(link), 5);
            break;
        case 5:
            if (Poll(link, answer, ItemAnswerLength(), 4))
                Item(answer, store);
            break;
        case 6:
            CheckPointer(link);
            break;
        case 7:
            if (Poll(link, answer, kElementDataLength, 6)) {
                if (PointerOf(answer) != startPointer_)
                    bufferChanged_ = true;
                End();
            }
            break;
    }
    return running_;
}

// Step 0: reads the acquisition state; while it runs (or the state cannot be read) sends the
// stop again. Failed reads in a row count against the limit.
void ProbeReader::WaitAcquisitionStop(StepLink& link)
{
    uint8_t state = 0;
    uint32_t countdown = 0;
    uint32_t queryPeriod = 0;
    uint16_t cycles = 0;
    if (ReadAcquisitionState(link, state, countdown, queryPeriod, cycles) == 0) {
        errors_.attemptNo = 0;
        if ((state & 0x01) == 0) {
            step_ = 1;
            AcquisitionStopped();
            return;
        }
    } else if (++errors_.attemptNo >= errors_.limit) {
        failed_ = true;
        End();
        return;
    }
    SetAcquisition(link, kAcquisitionStop);
}

void ProbeReader::CheckPointer(StepLink& link)
{
    step_ = 6;
    status_ = StepText("Pointer checking..");
    Send(RequestElementData(link, meshAddress_), 7);
}

// A send step with the result of its request.
void ProbeReader::Send(uint32_t result, int next)
{
    if (result == 0) {
        errors_.attemptNo = 0;
        step_ = next;
    } else if (++errors_.attemptNo >= errors_.limit) {
        failed_ = true;
        End();
    }
}

// A poll step: polls once; true with a complete answer without error of `length` bytes. A failed
// poll below the limit, or an incomplete answer, polls again; a bad answer below the limit goes
// back to `sendStep`.
bool ProbeReader::Poll(StepLink& link, RelayedAnswer& answer, uint8_t length, int sendStep)
{
    answer = RelayedAnswer{};
    if (PollRelayedReply(link, answer) != 0) {
        if (++errors_.attemptNo >= errors_.limit) {
            failed_ = true;
            End();
        }
        return false;
    }
    errors_.attemptNo = 0;
    if (answer.error == 0 && !answer.complete)
        return false;
    if (answer.error == 0 && answer.length == length) {
        errors_.errorCount = 0;
        return true;
    }
    errors_.lastErrorCode = answer.error != 0 ? answer.error : answer.data[1];
    if (++errors_.errorCount >= errors_.limit) {
        failed_ = true;
        End();
    } else {
        step_ = sendStep;
    }
    return false;
}

std::string ProbeReader::StepText(const char* text) const
{
    std::string s = text;
    if (errors_.errorCount > 0) {
        s += " #" + std::to_string(errors_.errorCount + 1);
        if (texts_.errorCodeInStepText)
            s += " >" + std::to_string(errors_.lastErrorCode);
    }
    return s;
}

void ProbeReader::StoreFailed(StoreError result)
{
    storeResult_ = result;
    failed_ = true;
    End();
}

void ProbeReader::End()
{
    step_ = 20;
    running_ = false;
    if (!failed_)
        status_ = "Finished...";
    else if (storeResult_ != kStoreDone)
        status_ = std::string("Action failed") + texts_.memoryError + std::to_string(storeResult_);
    else
        status_ = "Action failed";
}

std::vector<std::string> ProbeReader::Warnings() const
{
    std::vector<std::string> warnings;
    if (failed_)
        return warnings;
    if (lessRecords_)
        warnings.emplace_back(texts_.lessRecords);
    if (notAvailable_)
        warnings.emplace_back("Requested records not available yet.");
    if (bufferChanged_)
        warnings.emplace_back(texts_.bufferChanged);
    return warnings;
}

}  // namespace kolmaris
