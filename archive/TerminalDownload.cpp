// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalDownload.h"

#include "DataStore.h"
#include "TerminalCommands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

namespace kolmaris {

namespace {

// SetAcquisition arguments: recording into the data memory off for the download, then on again.
constexpr uint8_t kRecordingOff = 45;
constexpr uint8_t kRecordingOn = 44;
constexpr int kLastAddress = 0x1FFFF;

}  // namespace

void TerminalDownload::Start()
{
    if (running_)
        return;
    readState_ = StepStart;
    running_ = true;
    outcome_ = DownloadOutcome::None;
    reason_ = StopReason::None;
    readFlags_ &= static_cast<uint8_t>(~(kReadInterruptRequest | kReadFailed));
    attemptNo_ = 0;
    restoreFailed_ = false;
    noAnswer_ = false;
    recordingOff_ = false;
}

void TerminalDownload::Interrupt()
{
    if (running_)
        readFlags_ |= kReadInterruptRequest;
}

void TerminalDownload::Clear(TDataStore& store)
{
    store.ClearAll();
    readFlags_ |= kReadRestart;
    progressText_ = "...";
}

const char* TerminalDownload::ButtonCaption() const
{
    if (running_)
        return "Interrupt";
    return (readFlags_ & kReadRestart) ? "Read" : "Continue";
}

std::string TerminalDownload::EndText() const
{
    switch (outcome_) {
        case DownloadOutcome::Failed:
            if (reason_ == StopReason::BadData)
                return kBadDataText;
            return reason_ == StopReason::NoPointer ? kNoPointerText : kNoAnswerText;
        case DownloadOutcome::Suspended:
            return kContinueText;
        default:
            return {};
    }
}

double TerminalDownload::ProgressFraction() const
{
    if (bytesTotal_ <= 0)
        return 0.0;
    return std::min(1.0, static_cast<double>(bytesRead_) / bytesTotal_);
}

uint32_t TerminalDownload::Tick(StepLink& link, TDataStore& store)
{
    if (!running_)
        return 0;
    switch (readState_) {
        case StepStart:
            return StartStep(link, store);
        case StepRead:
            return ReadStep(link, store);
        case StepRestore:
            return RestoreStep(link);
        default:
            EndStep();
            return 0;
    }
}

uint32_t TerminalDownload::Retry(StopReason reason)
{
    if (attemptNo_ >= kTries - 1 || (readFlags_ & kReadInterruptRequest)) {
        readFlags_ |= kReadFailed;
        reason_ = reason;
        readState_ = StepRestore;
        attemptNo_ = 0;
        return kTickMs;
    }
    ++attemptNo_;
    return kRetryMs;
}

uint32_t TerminalDownload::StartStep(StepLink& link, TDataStore& store)
{
    if (!recordingOff_) {
        // Without an answer the terminal may still have switched recording off: on again at the end.
        if (SetAcquisition(link, kRecordingOff) != 0)
            return Retry(StopReason::SwitchOffUnanswered);
        recordingOff_ = true;
        attemptNo_ = 0;
    }
    if (readFlags_ & kReadRestart) {
        int32_t pointer = 0;
        if (ReadMemoryPointer(link, pointer) != 0)
            return Retry(StopReason::PointerUnanswered);
        attemptNo_ = 0;
        if (pointer < 0) {
            // Nothing to read; the next run asks for the pointer again.
            readFlags_ |= kReadFailed;
            reason_ = StopReason::NoPointer;
            readState_ = StepRestore;
            return kTickMs;
        }
        readAddress_ = pointer;
        readFlags_ &= static_cast<uint8_t>(~kReadRestart);
        store.ClearAll();
        bytesRead_ = 0;
        bytesTotal_ = 0;
    }
    readState_ = StepRead;
    return kTickMs;
}

uint32_t TerminalDownload::ReadStep(StepLink& link, TDataStore& store)
{
    if (readFlags_ != 0) {
        if ((readFlags_ & kReadInterruptRequest) && reason_ == StopReason::None)
            reason_ = StopReason::Interrupted;
        readState_ = StepRestore;
        attemptNo_ = 0;
        return kTickMs;
    }

    // A piece runs from the start of the address's 16-byte block up to the address itself.
    std::array<uint8_t, 16> piece{};
    const int base = readAddress_ & ~0x0F;
    const int n = readAddress_ - base + 1;
    if (ReadTerminalMemory(link, static_cast<uint32_t>(base),
                           std::span<uint8_t>(piece.data(), static_cast<std::size_t>(n))) != 0) {
        if (attemptNo_ >= kTries - 1) {
            readFlags_ |= kReadFailed;
            reason_ = StopReason::PieceUnanswered;
            return kTickMs;
        }
        ++attemptNo_;
        return kRetryMs;
    }
    attemptNo_ = 0;

    // The first piece of a run tells how much memory holds data: 0xFF at the pointer means the
    // ring has not wrapped yet.
    if (bytesTotal_ == 0)
        bytesTotal_ = piece[static_cast<std::size_t>(n - 1)] == 0xFF ? readAddress_ + 1 : kLastAddress;

    // Backwards into the parser, never the byte at address 0.
    for (int i = n - 1; i >= 0; --i) {
        if (base + i == 0)
            continue;
        const StoreError fed = store.FeedByte(piece[static_cast<std::size_t>(i)]);
        if (fed != kStoreDone) {
            readFlags_ |= kReadRestart;
            if (fed != kStoreEndOfData) {
                readFlags_ |= kReadFailed;
                reason_ = StopReason::BadData;
            }
            break;
        }
    }

    bytesRead_ += n;
    readAddress_ = base == 0 ? kLastAddress : base - 1;
    if (readFlags_ == 0 && stopCheck_ && stopCheck_(store)) {
        readFlags_ |= kReadRestart;
        reason_ = StopReason::CheckMet;
    }

    char text[48];
    std::snprintf(text, sizeof text, "%d %% (%d B)",
                  static_cast<int>(static_cast<double>(bytesRead_) / bytesTotal_ * 100.0), bytesRead_);
    progressText_ = text;
    return kTickMs;
}

uint32_t TerminalDownload::RestoreStep(StepLink& link)
{
    if (SetAcquisition(link, kRecordingOn) == 0) {
        readState_ = StepEnd;
        return kTickMs;
    }
    if (attemptNo_ >= kTries - 1) {
        restoreFailed_ = true;
        noAnswer_ = !recordingOff_;
        readState_ = StepEnd;
        return kTickMs;
    }
    ++attemptNo_;
    return kRetryMs;
}

void TerminalDownload::EndStep()
{
    running_ = false;
    const bool restart = readFlags_ & kReadRestart;
    if (readFlags_ & kReadFailed)
        outcome_ = restart ? DownloadOutcome::Failed : DownloadOutcome::Suspended;
    else
        outcome_ = restart ? DownloadOutcome::Completed : DownloadOutcome::Interrupted;
}

}  // namespace kolmaris
