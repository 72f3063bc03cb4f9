// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The download of the terminal's data memory into the data store, as a step machine: one
// protocol exchange per Tick. Recording into the memory is switched off (45) for the run and on
// again (44) at its end; the memory is read backwards from the write pointer in pieces of up to
// 16 bytes, each tried five times 500 ms apart, and fed byte by byte into TDataStore::FeedByte
// (the byte at address 0 never), wrapping from address 0 to 0x1FFFF. An interrupted or failed
// run can be continued where it stopped; the end of data and a parse failure make the next run
// start over from the pointer with an empty store. When switching recording off gets no valid
// answer, the run still switches it on again: the terminal may have carried the command out
// and only its answer been lost.
//
// Front ends: the "Data in terminal" window ticks it from its 10 ms timer; the command-line tool
// ticks it in a loop. kTickMs is the window's cadence; a loop needs to pause only for kRetryMs
// (pausing 10 ms after every exchange nearly doubles a download at 19200 baud).
//
// Switching recording off, reading the pointer and switching recording on again are tried five
// times 500 ms apart like a piece, so that one lost answer does not end a run. A terminal that
// reports no write pointer ends the run with recording on again, and the next run asks again.
//
// A stop check, when set, is consulted after every piece that neither ended the data nor failed:
// when it says the rest of the memory is not needed, the run ends there as at the end of data.

#include <cstdint>
#include <functional>
#include <string>

namespace kolmaris {

class StepLink;
class TDataStore;

// Bits of TerminalDownload::ReadFlags.
inline constexpr uint8_t kReadRestart = 0x01;           // next run starts from the pointer, store emptied
inline constexpr uint8_t kReadInterruptRequest = 0x02;  // the user asked to stop
inline constexpr uint8_t kReadFailed = 0x04;

// Texts of the end of a run.
inline constexpr char kRestoreFailedText[] = "Temporary disabled recording into EEPROM cannot be restored!";
inline constexpr char kBadDataText[] = "Action failed, probably bad data structure in EEPROM.";
inline constexpr char kContinueText[] = "Action interrupted. Resolve the problem and click the button 'Continue'..";
inline constexpr char kNoAnswerText[] = "Action failed, the terminal did not answer.";
inline constexpr char kNoPointerText[] = "The terminal reports no write pointer: its memory holds no data to read.";

// How a finished run ended.
enum class DownloadOutcome {
    None,         // no run has finished yet (or the machine is running)
    Completed,    // the end of data was met
    Interrupted,  // stopped at the user's request; can be continued
    Suspended,    // a piece failed five times, or the switch-off in a continued run;
                  // kContinueText, can be continued
    Failed,       // parse failure, no write pointer, or the switch-off at the start of a new
                  // run; kBadDataText, starts over next time
};

// Why a run ended short of the end of data.
enum class StopReason {
    None,
    Interrupted,          // the user asked
    SwitchOffUnanswered,  // recording off, five tries
    PointerUnanswered,    // the write pointer, five tries
    NoPointer,            // the terminal reports none
    PieceUnanswered,      // a piece, five tries
    BadData,              // the parser refused the data
    CheckMet,             // the stop check said the rest is not needed; a completed run
};

class TerminalDownload {
public:
    enum Step : int { StepStart = 0, StepRead = 1, StepRestore = 10, StepEnd = 11 };

    static constexpr uint32_t kTickMs = 10;    // pause between exchanges
    static constexpr uint32_t kRetryMs = 500;  // pause before trying a failed piece again
    static constexpr int kTries = 5;           // tries of a piece and of switching recording on

    TerminalDownload() = default;

    // "Read" / "Continue": a run begins with step 0 on the next Tick. Ignored while running.
    void Start();
    // "Interrupt": a running machine stops at its next step (after switching recording on).
    void Interrupt();
    // "Clear": empties the store; the next run starts from the pointer. Progress text "...".
    void Clear(TDataStore& store);

    // Given the store after a piece: true ends the run there (recording on again, Completed,
    // StopReason::CheckMet, the next run from the pointer). Empty: every run reads to the end.
    using StopCheck = std::function<bool(const TDataStore&)>;
    void SetStopCheck(StopCheck check) { stopCheck_ = std::move(check); }

    // One step. Returns the pause before the next tick: kTickMs, or kRetryMs after a failed
    // piece; 0 once the run has ended (Running() is then false) or when not running.
    uint32_t Tick(StepLink& link, TDataStore& store);

    bool Running() const { return running_; }
    // Not running and the next Start continues the last run ("Continue" is offered).
    bool ContinueOffered() const { return !running_ && !(readFlags_ & kReadRestart); }
    // The start button's caption: "Interrupt", "Continue" or "Read".
    const char* ButtonCaption() const;

    DownloadOutcome Outcome() const { return outcome_; }
    StopReason Reason() const { return reason_; }
    // The message of the last run's end: kBadDataText, kNoAnswerText, kNoPointerText, kContinueText
    // or empty. Shown after
    // kRestoreFailedText when RestoreFailed().
    std::string EndText() const;

    // "%d %% (%d B)" after each piece, "..." before the first and after Clear.
    const std::string& ProgressText() const { return progressText_; }
    // BytesRead / BytesTotal, 0 before the first piece, at most 1.
    double ProgressFraction() const;

    int ReadState() const { return readState_; }
    uint8_t ReadFlags() const { return readFlags_; }
    int ReadAddress() const { return readAddress_; }  // next byte
    int BytesRead() const { return bytesRead_; }
    int BytesTotal() const { return bytesTotal_; }
    int AttemptNo() const { return attemptNo_; }
    // Recording could not be switched on again at the end of the last run.
    bool RestoreFailed() const { return restoreFailed_; }
    // The last run got no answer at all: neither to switching recording off nor to any try of
    // switching it on again. The window then says only kNoAnswerText.
    bool NoAnswer() const { return noAnswer_; }

private:
    uint32_t StartStep(StepLink& link, TDataStore& store);
    // After a failed exchange of the start step: kRetryMs while tries remain, else the run
    // fails for `reason` and goes on to switch recording on again.
    uint32_t Retry(StopReason reason);
    uint32_t ReadStep(StepLink& link, TDataStore& store);
    uint32_t RestoreStep(StepLink& link);
    void EndStep();

    int readState_ = StepStart;
    uint8_t readFlags_ = kReadRestart;
    int readAddress_ = 0;
    int bytesRead_ = 0;
    int bytesTotal_ = 0;
    int attemptNo_ = 0;
    bool restoreFailed_ = false;
    bool recordingOff_ = false;  // this run has switched recording off
    bool noAnswer_ = false;
    bool running_ = false;
    StopReason reason_ = StopReason::None;
    DownloadOutcome outcome_ = DownloadOutcome::None;
    std::string progressText_ = "...";
    StopCheck stopCheck_;
};

}  // namespace kolmaris
