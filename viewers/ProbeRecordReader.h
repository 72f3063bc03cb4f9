// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace kolmaris {

inline constexpr int kProbeRecordRing = 4096;

class ProbeRecordReader : public ProbeReader {
public:
    ProbeRecordReader();

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
    static bool ValidRange(int first, int last) { return InRange(first, last, kProbeRecordRing); }

    // Records added to the store. StatusText() shows "Reading current pointers..", "Data recording
    // (finished 40%)", "Finished...", ...; Last() is lowered to the pointer when the probe holds
    // fewer records.
    int RecordsRead() const { return itemsRead_; }

private:
    void AcquisitionStopped() override;
    void BeginReading(TDataStore& store) override;
    void Pointers(const RelayedAnswer& answer) override;
    double Percent() const override;
    const char* ProgressFormat() const override { return "Data recording (finished %0.0f%%)"; }
    uint32_t RequestItem(StepLink& link) override;
    uint8_t ItemAnswerLength() const override { return 18; }
    void Item(const RelayedAnswer& answer, TDataStore& store) override;
    int PointerOf(const RelayedAnswer& answer) const override;
};

}  // namespace kolmaris
