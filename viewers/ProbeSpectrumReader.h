// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads spectrum buffers from a probe over the radio, one relayed exchange per Tick (the window's
// 200 ms SpectrumTimer, or a loop in the command-line tool). Buffers are numbered from the newest
// (1) in the probe's ring of 512; each is read in six parts of 16 channels and goes into the store
// under the probe's slot, whose old spectra the reading replaces, newest first.
//
//   ProbeSpectrumReader reader;
//   reader.Start(meshAddress, first, last, attemptCount, acquisitionRunning);
//   while (reader.Tick(link, store)) { ... }
//   reader.Failed(), reader.Warnings(), reader.StatusText()

#include "DataStore.h"
#include "ProbeReading.h"
#include "Records.h"
#include "StepLink.h"

#include <array>
#include <cstdint>
#include <functional>

namespace kolmaris {

inline constexpr int kProbeSpectrumRing = 512;
inline constexpr int kSpectrumParts = 6;
inline constexpr int kChannelsPerPart = 16;

class ProbeSpectrumReader : public ProbeReader {
public:
    ProbeSpectrumReader();

    struct Events {
        // Step 0 saw the terminal's acquisition stopped (the caller clears its running flag).
        std::function<void()> acquisitionStopped;
        // The store's spectra of the slot were cleared: the reading has begun.
        std::function<void()> readingBegun;
        // A whole buffer was added to the store; `number` is its buffer number.
        std::function<void(int number)> spectrumRead;
    };
    Events events;

    // True when 1 <= first <= last <= 512.
    static bool ValidRange(int first, int last) { return InRange(first, last, kProbeSpectrumRing); }

    // Whole buffers added to the store. StatusText() shows "Reading current pointers..", "Data
    // recording (done: 8%)", "Finished...", ...; First() is the first block of the saved file;
    // Last() is lowered when the probe holds fewer buffers.
    int SpectraRead() const { return itemsRead_; }
    // The part (0..5) of the buffer being read.
    int PartNo() const { return partNo_; }

private:
    void AcquisitionStopped() override;
    void BeginReading(TDataStore& store) override;
    void Pointers(const RelayedAnswer& answer) override;
    double Percent() const override;
    const char* ProgressFormat() const override { return "Data recording (done: %0.0f%%)"; }
    uint32_t RequestItem(StepLink& link) override;
    uint8_t ItemAnswerLength() const override { return 17; }
    void Item(const RelayedAnswer& answer, TDataStore& store) override;
    int PointerOf(const RelayedAnswer& answer) const override;

    int partNo_ = 0;
    std::array<uint8_t, kSpectrumMemorySize> spectrum_{};
};

}  // namespace kolmaris
