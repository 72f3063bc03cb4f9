#pragma once
// Reads radon records from a probe over the radio, one relayed exchange per Tick (the window's
// 200 ms RecordsTimer, or a loop in the command-line tool). Records are numbered from the newest
// (1) to the oldest the probe's ring of 4096 holds; each one read goes into the store under the
// probe's slot, whose old records the reading replaces.
//
//   ProbeRecordReader reader;
//   reader.Start(meshAddress, first, last, attemptCount, acquisitionRunning);
//   while (reader.Tick(link, store)) { ... }
//   reader.Failed(), reader.Warnings(), reader.StatusText()

#include "DataStore.h"
#include "ProbeReading.h"
#include "Records.h"
#include "StepLink.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kolmaris {

inline constexpr int kProbeRecordRing = 4096;

class ProbeRecordReader {
public:
    struct Events {
        // Step 0 saw the terminal's acquisition stopped (the caller clears its running flag).
        std::function<void()> acquisitionStopped;
        // The store's records of the slot were cleared: the reading has begun.
        std::function<void()> readingBegun;
        // The pointers were read and records are to come: the table is to be emptied.
        std::function<void()> pointersRead;
        // A record was added to the store; `number` is its record number (first, first + 1, ...).
        std::function<void(int number, const RadonRecord& record)> recordRead;
    };
    Events events;

    // True when 1 <= first <= last <= 4096.
    static bool ValidRange(int first, int last);

    // Begins a reading of records `first` to `last` of the probe at MESH address
    // `meshAddress` (1..16). Failed transactions and bad answers are each allowed `attemptCount`
    // times in a row. With `waitForAcquisitionStop` the reading first waits until the terminal
    // reports its data acquisition stopped (the caller has sent SetAcquisition 0 already).
    // False, nothing started, for a range or an address outside those bounds.
    bool Start(uint8_t meshAddress, int first, int last, int attemptCount, bool waitForAcquisitionStop);
    // Ends a reading at once, without a report.
    void Stop();

    // One step of the reading. True while the reading goes on; false once it has ended (or was
    // not running). The tick that ends it sets the final status text and results.
    bool Tick(StepLink& link, TDataStore& store);

    bool Running() const { return running_; }
    int Step() const { return step_; }
    // "Reading current pointers..", "Data recording (finished 40%)", "Finished...", ...
    const std::string& StatusText() const { return status_; }

    // Results, valid once the reading has ended (and kept until the next Start).
    bool Failed() const { return failed_; }
    bool LessRecords() const { return lessRecords_; }
    bool NotAvailable() const { return notAvailable_; }
    bool BufferChanged() const { return bufferChanged_; }
    // The warnings of a reading that did not fail, in the order they are reported.
    std::vector<std::string> Warnings() const;
    StoreError StoreResult() const { return storeResult_; }
    int RecordsRead() const { return recordsRead_; }

    uint8_t MeshAddress() const { return meshAddress_; }
    int Slot() const { return meshAddress_ - 1; }
    int First() const { return first_; }
    // The last record number; lowered to the pointer when the probe holds fewer records.
    int Last() const { return last_; }

    // Reading state, for the curious and for tests.
    int StartPointer() const { return startPointer_; }
    int RingIndex() const { return ringIndex_; }
    int RemainingCount() const { return remainingCount_; }
    int ErrorCount() const { return errors_.errorCount; }
    uint8_t LastErrorCode() const { return errors_.lastErrorCode; }
    int AttemptNo() const { return errors_.attemptNo; }

private:
    void Pointers(const RelayedAnswer& answer);
    void Record(const RelayedAnswer& answer, TDataStore& store);
    void End();
    std::string StepText(const char* text) const;

    bool running_ = false;
    int step_ = 0;
    std::string status_;
    uint8_t meshAddress_ = 0;
    int first_ = 0;
    int last_ = 0;

    ProbeReadCounters errors_;
    bool failed_ = false;
    bool lessRecords_ = false;
    bool notAvailable_ = false;
    bool bufferChanged_ = false;
    StoreError storeResult_ = kStoreDone;
    int recordsRead_ = 0;
    int ringIndex_ = 0;
    int startPointer_ = 0;
    int remainingCount_ = 0;
};

}  // namespace kolmaris
