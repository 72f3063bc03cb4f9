#include "ProbeRecordReader.h"

#include <algorithm>

namespace kolmaris {

namespace {

constexpr uint8_t kRecordAnswerLength = 18;

}  // namespace

bool ProbeRecordReader::ValidRange(int first, int last)
{
    return first >= 1 && last <= kProbeRecordRing && first <= last;
}

bool ProbeRecordReader::Start(uint8_t meshAddress, int first, int last, int attemptCount, bool waitForAcquisitionStop)
{
    if (!ValidRange(first, last) || meshAddress < 1 || meshAddress > kProbeSlots)
        return false;
    meshAddress_ = meshAddress;
    first_ = first;
    last_ = last;
    errors_ = ProbeReadCounters{.limit = std::max(attemptCount, 1)};
    failed_ = lessRecords_ = notAvailable_ = bufferChanged_ = false;
    storeResult_ = kStoreDone;
    recordsRead_ = 0;
    status_.clear();
    step_ = waitForAcquisitionStop ? 0 : 1;
    running_ = true;
    return true;
}

void ProbeRecordReader::Stop()
{
    running_ = false;
}

std::string ProbeRecordReader::StepText(const char* text) const
{
    std::string s = text;
    if (errors_.errorCount > 0)
        s += " #" + std::to_string(errors_.errorCount + 1) + " >" + std::to_string(errors_.lastErrorCode);
    return s;
}

bool ProbeRecordReader::Tick(StepLink& link, TDataStore& store)
{
    if (!running_)
        return false;
    RelayedAnswer answer;
    const auto send = [&](uint32_t result, int next) {
        switch (JudgeSend(result, errors_)) {
            case SendOutcome::Sent: step_ = next; break;
            case SendOutcome::Again: break;
            case SendOutcome::Failed: failed_ = true; End(); break;
        }
    };
    // A poll step; true with a good answer of `length` bytes.
    const auto poll = [&](uint8_t length, int sendStep) {
        switch (PollProbeAnswer(link, answer, length, errors_)) {
            case PollOutcome::Good: return true;
            case PollOutcome::Wait: break;
            case PollOutcome::Resend: step_ = sendStep; break;
            case PollOutcome::Failed: failed_ = true; End(); break;
        }
        return false;
    };
    const auto checkPointer = [&] {
        step_ = 6;
        status_ = StepText("Pointer checking..");
        send(RequestElementData(link, meshAddress_), 7);
    };

    switch (step_) {
        case 0:
            status_ = "Waiting for measurement stop..";
            switch (WaitAcquisitionStop(link, errors_)) {
                case AcquisitionWait::Stopped:
                    step_ = 1;
                    if (events.acquisitionStopped)
                        events.acquisitionStopped();
                    break;
                case AcquisitionWait::Running: break;
                case AcquisitionWait::Failed: failed_ = true; End(); break;
            }
            break;
        case 1:
            errors_ = ProbeReadCounters{.limit = errors_.limit};
            store.ClearRadonRecords(Slot());
            step_ = 2;
            if (events.readingBegun)
                events.readingBegun();
            break;
        case 2:
            status_ = StepText("Reading current pointers..");
            send(RequestElementData(link, meshAddress_), 3);
            break;
        case 3:
            if (poll(kElementDataLength, 2))
                Pointers(answer);
            break;
        case 4:
            if (remainingCount_ == 0) {
                checkPointer();
                break;
            }
            status_ = StepText(PercentText("Data recording (finished %0.0f%%)",
                                           100.0 - 100.0 * remainingCount_ / (last_ - first_ + 1))
                                   .c_str());
            send(RequestRecord(link, meshAddress_, static_cast<uint16_t>(ringIndex_)), 5);
            break;
        case 5:
            if (poll(kRecordAnswerLength, 4))
                Record(answer, store);
            break;
        case 6:
            checkPointer();
            break;
        case 7:
            if (poll(kElementDataLength, 6)) {
                if (RecordPointerOf(answer) != startPointer_)
                    bufferChanged_ = true;
                End();
            }
            break;
    }
    return running_;
}

void ProbeRecordReader::Pointers(const RelayedAnswer& answer)
{
    const int p = RecordPointerOf(answer);
    startPointer_ = p;
    if (p < first_) {
        notAvailable_ = true;
        remainingCount_ = 0;
        End();
        return;
    }
    if (p < last_) {
        lessRecords_ = true;
        last_ = p;
    }
    remainingCount_ = last_ - first_ + 1;
    const int next = p & 0xFFF;
    const int newest = next == 0 ? kProbeRecordRing - 1 : next - 1;
    ringIndex_ = newest - first_ + 1;
    if (ringIndex_ < 0)
        ringIndex_ += kProbeRecordRing;
    step_ = 4;
    if (events.pointersRead)
        events.pointersRead();
}

void ProbeRecordReader::Record(const RelayedAnswer& answer, TDataStore& store)
{
    RadonRecord record{};
    record[RadonOffset::Slot] = static_cast<uint8_t>(Slot());
    std::copy_n(answer.data.begin() + 1, kRadonRecordSize - 1, record.begin() + 1);
    const StoreError result = store.AddRadonRecord(record, false);
    if (result != kStoreDone) {
        storeResult_ = result;
        failed_ = true;
        End();
        return;
    }
    if (events.recordRead)
        events.recordRead(store.RadonRecordCount(Slot()) + first_ - 1, record);
    ++recordsRead_;
    --remainingCount_;
    ringIndex_ = ringIndex_ == 0 ? kProbeRecordRing - 1 : ringIndex_ - 1;
    step_ = 4;
}

void ProbeRecordReader::End()
{
    step_ = 20;
    running_ = false;
    if (!failed_)
        status_ = "Finished...";
    else if (storeResult_ != kStoreDone)
        status_ = "Action failed, memory error - " + std::to_string(storeResult_);
    else
        status_ = "Action failed";
}

std::vector<std::string> ProbeRecordReader::Warnings() const
{
    std::vector<std::string> warnings;
    if (failed_)
        return warnings;
    if (lessRecords_)
        warnings.emplace_back("Less records in memory than requested.");
    if (notAvailable_)
        warnings.emplace_back("Requested records not available yet.");
    if (bufferChanged_)
        warnings.emplace_back("Buffer contents changed during reading.");
    return warnings;
}

}  // namespace kolmaris
