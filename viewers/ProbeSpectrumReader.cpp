#include "ProbeSpectrumReader.h"

#include <algorithm>

namespace kolmaris {

namespace {

constexpr uint8_t kPartAnswerLength = 17;

}  // namespace

bool ProbeSpectrumReader::ValidRange(int first, int last)
{
    return first >= 1 && last <= kProbeSpectrumRing && first <= last;
}

bool ProbeSpectrumReader::Start(uint8_t meshAddress, int first, int last, int attemptCount,
                                bool waitForAcquisitionStop)
{
    if (!ValidRange(first, last) || meshAddress < 1 || meshAddress > kProbeSlots)
        return false;
    meshAddress_ = meshAddress;
    first_ = first;
    last_ = last;
    errors_ = ProbeReadCounters{.limit = std::max(attemptCount, 1)};
    failed_ = lessRecords_ = notAvailable_ = bufferChanged_ = false;
    storeResult_ = kStoreDone;
    spectraRead_ = 0;
    status_.clear();
    step_ = waitForAcquisitionStop ? 0 : 1;
    running_ = true;
    return true;
}

void ProbeSpectrumReader::Stop()
{
    running_ = false;
}

std::string ProbeSpectrumReader::StepText(const char* text) const
{
    std::string s = text;
    if (errors_.errorCount > 0)
        s += " #" + std::to_string(errors_.errorCount + 1);
    return s;
}

bool ProbeSpectrumReader::Tick(StepLink& link, TDataStore& store)
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
            status_ = "Waiting for data acquisition stop..";
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
            store.ClearSpectra(Slot());
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
        case 4: {
            if (remainingCount_ == 0) {
                checkPointer();
                break;
            }
            const double parts = (last_ - first_ + 1) * kSpectrumParts;
            const double left = remainingCount_ * kSpectrumParts - partNo_;
            status_ = StepText(PercentText("Data recording (done: %0.0f%%)", 100.0 - left / parts * 100.0).c_str());
            send(RequestSpectrumPart(link, meshAddress_, static_cast<uint16_t>(ringIndex_),
                                     static_cast<uint8_t>(partNo_)),
                 5);
            break;
        }
        case 5:
            if (poll(kPartAnswerLength, 4))
                Part(answer, store);
            break;
        case 6:
            checkPointer();
            break;
        case 7:
            if (poll(kElementDataLength, 6)) {
                if (SpectrumPointerOf(answer) != startPointer_)
                    bufferChanged_ = true;
                End();
            }
            break;
    }
    return running_;
}

void ProbeSpectrumReader::Pointers(const RelayedAnswer& answer)
{
    const int s = SpectrumPointerOf(answer);
    startPointer_ = s;
    if (s + 1 < first_) {
        notAvailable_ = true;
        remainingCount_ = 0;
        End();
        return;
    }
    if (s < last_ - 1) {
        lessRecords_ = true;
        last_ = s + 1;
    }
    remainingCount_ = last_ - first_ + 1;
    ringIndex_ = (s & 0x1FF) - first_ + 1;
    if (ringIndex_ < 0)
        ringIndex_ += kProbeSpectrumRing;
    partNo_ = 0;
    step_ = 4;
}

void ProbeSpectrumReader::Part(const RelayedAnswer& answer, TDataStore& store)
{
    std::copy_n(answer.data.begin() + 1, kChannelsPerPart,
                spectrum_.begin() + SpectrumOffset::Channels + partNo_ * kChannelsPerPart);
    step_ = 4;
    if (++partNo_ < kSpectrumParts)
        return;
    partNo_ = 0;
    spectrum_[SpectrumOffset::Slot] = static_cast<uint8_t>(Slot());
    const StoreError result = store.AddSpectrum(spectrum_, false);
    if (result != kStoreDone) {
        storeResult_ = result;
        failed_ = true;
        End();
        return;
    }
    ++spectraRead_;
    if (events.spectrumRead)
        events.spectrumRead(store.SpectrumCount(Slot()) + first_ - 1);
    --remainingCount_;
    ringIndex_ = ringIndex_ == 0 ? kProbeSpectrumRing - 1 : ringIndex_ - 1;
}

void ProbeSpectrumReader::End()
{
    step_ = 20;
    running_ = false;
    if (!failed_)
        status_ = "Finished...";
    else if (storeResult_ != kStoreDone)
        status_ = "Action failed, chyba paměti - " + std::to_string(storeResult_);
    else
        status_ = "Action failed";
}

std::vector<std::string> ProbeSpectrumReader::Warnings() const
{
    std::vector<std::string> warnings;
    if (failed_)
        return warnings;
    if (lessRecords_)
        warnings.emplace_back("Memory contains less records then requested.");
    if (notAvailable_)
        warnings.emplace_back("Requested records not available yet.");
    if (bufferChanged_)
        warnings.emplace_back("Buffer data changed during reading.");
    return warnings;
}

}  // namespace kolmaris
