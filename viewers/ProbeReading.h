// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the probe reading machines share: the step table's frame (acquisition wait, clearing the
// slot, the pointers, the items, the pointer check), the send and poll moves with their counters,
// the end of a reading with its status text, and the warnings. A machine supplies the items
// (records, spectrum parts), the pointer it reads and its texts.

#include "DataStore.h"
#include "RelayedRequests.h"
#include "StepLink.h"

#include <cstdint>
#include <string>
#include <vector>

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

// A progress text: `format` holds one "%0.0f" for the percentage.
std::string PercentText(const char* format, double percent);

// Steps: 0 waits for the acquisition stop, 1 clears the slot, 2/3 read the pointers, 4/5 read the
// items, 6/7 read the pointers again; 20 is the end.
class ProbeReader {
public:
    // Begins a reading of items `first` to `last` of the probe at MESH address `meshAddress`
    // (1..16). Failed transactions and bad answers are each allowed `attemptCount` times in a
    // row. With `waitForAcquisitionStop` the reading first waits until the terminal reports its
    // data acquisition stopped (the caller has sent SetAcquisition 0 already). False, nothing
    // started, for a range or an address outside those bounds.
    bool Start(uint8_t meshAddress, int first, int last, int attemptCount, bool waitForAcquisitionStop);
    // True when `first` to `last` lie within the probe's ring.
    bool RangeFits(int first, int last) const { return InRange(first, last, ringSize_); }
    // Ends a reading at once, without a report.
    void Stop() { running_ = false; }

    // One step of the reading. True while the reading goes on; false once it has ended (or was
    // not running). The tick that ends it sets the final status text and results.
    bool Tick(StepLink& link, TDataStore& store);

    bool Running() const { return running_; }
    int Step() const { return step_; }
    const std::string& StatusText() const { return status_; }

    // Results, valid once the reading has ended (and kept until the next Start).
    bool Failed() const { return failed_; }
    bool LessRecords() const { return lessRecords_; }
    bool NotAvailable() const { return notAvailable_; }
    bool BufferChanged() const { return bufferChanged_; }
    // The warnings of a reading that did not fail, in the order they are reported.
    std::vector<std::string> Warnings() const;
    StoreError StoreResult() const { return storeResult_; }

    uint8_t MeshAddress() const { return meshAddress_; }
    int Slot() const { return meshAddress_ - 1; }
    // The first item number.
    int First() const { return first_; }
    // The last item number; lowered when the probe holds fewer items.
    int Last() const { return last_; }

    // Reading state, for the curious and for tests.
    int StartPointer() const { return startPointer_; }
    int RingIndex() const { return ringIndex_; }
    int RemainingCount() const { return remainingCount_; }
    int ErrorCount() const { return errors_.errorCount; }
    uint8_t LastErrorCode() const { return errors_.lastErrorCode; }
    int AttemptNo() const { return errors_.attemptNo; }

protected:
    struct Texts {
        const char* waiting;          // step 0
        const char* memoryError;      // "Action failed" and this, then the store result
        const char* lessRecords;      // the warnings
        const char* bufferChanged;
        bool errorCodeInStepText;     // " #n >code" rather than " #n"
    };
    ProbeReader(int ringSize, const Texts& texts) : ringSize_(ringSize), texts_(texts) {}
    virtual ~ProbeReader() = default;

    static bool InRange(int first, int last, int ringSize) { return first >= 1 && last <= ringSize && first <= last; }

    // The step table's hooks.
    virtual void AcquisitionStopped() = 0;                 // step 0 saw the stop
    virtual void BeginReading(TDataStore& store) = 0;      // step 1: clear the slot
    virtual void Pointers(const RelayedAnswer& answer) = 0;  // step 3: good pointers answer
    virtual double Percent() const = 0;                    // step 4: progress
    virtual const char* ProgressFormat() const = 0;
    virtual uint32_t RequestItem(StepLink& link) = 0;      // step 4: the send
    virtual uint8_t ItemAnswerLength() const = 0;
    virtual void Item(const RelayedAnswer& answer, TDataStore& store) = 0;  // step 5: good answer
    virtual int PointerOf(const RelayedAnswer& answer) const = 0;          // step 7: compared

    // Ends the reading: step 20 and the final status text.
    void End();
    // Ends the reading as failed by the store's `result`.
    void StoreFailed(StoreError result);

    int step_ = 0;
    int first_ = 0;
    int last_ = 0;
    bool lessRecords_ = false;
    bool notAvailable_ = false;
    int itemsRead_ = 0;
    int ringIndex_ = 0;
    int startPointer_ = 0;
    int remainingCount_ = 0;

private:
    std::string StepText(const char* text) const;
    void Send(uint32_t result, int next);
    bool Poll(StepLink& link, RelayedAnswer& answer, uint8_t length, int sendStep);
    void WaitAcquisitionStop(StepLink& link);
    void CheckPointer(StepLink& link);

    int ringSize_;
    Texts texts_;
    bool running_ = false;
    std::string status_;
    uint8_t meshAddress_ = 0;
    ProbeReadCounters errors_;
    bool failed_ = false;
    bool bufferChanged_ = false;
    StoreError storeResult_ = kStoreDone;
};

}  // namespace kolmaris
