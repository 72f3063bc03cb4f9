// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProbeSpectrumReader.h"

#include "RelayedRequests.h"

#include <algorithm>

namespace kolmaris {

ProbeSpectrumReader::ProbeSpectrumReader()
    : ProbeReader(kProbeSpectrumRing, {.waiting = "Waiting for data acquisition stop..",
                                       .memoryError = ", memory error - ",
                                       .lessRecords = "Memory contains less records than requested.",
                                       .bufferChanged = "Buffer data changed during reading.",
                                       .errorCodeInStepText = false})
{
}

void ProbeSpectrumReader::AcquisitionStopped()
{
    if (events.acquisitionStopped)
        events.acquisitionStopped();
}

void ProbeSpectrumReader::BeginReading(TDataStore& store)
{
    store.ClearSpectra(Slot());
    if (events.readingBegun)
        events.readingBegun();
}

// S: data byte 14 (bits 7-0) and bits 5-6 of data byte 18 (bits 9-8).
int ProbeSpectrumReader::PointerOf(const RelayedAnswer& a) const
{
    return a.data[14] | (a.data[18] >> 5 & 0x03) << 8;
}

void ProbeSpectrumReader::Pointers(const RelayedAnswer& answer)
{
    const int s = PointerOf(answer);
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

// Progress counts parts.
double ProbeSpectrumReader::Percent() const
{
    const double parts = (last_ - first_ + 1) * kSpectrumParts;
    const double left = remainingCount_ * kSpectrumParts - partNo_;
    return 100.0 - left / parts * 100.0;
}

uint32_t ProbeSpectrumReader::RequestItem(StepLink& link)
{
    return RequestSpectrumPart(link, MeshAddress(), static_cast<uint16_t>(ringIndex_), static_cast<uint8_t>(partNo_));
}

void ProbeSpectrumReader::Item(const RelayedAnswer& answer, TDataStore& store)
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
        StoreFailed(result);
        return;
    }
    ++itemsRead_;
    if (events.spectrumRead)
        events.spectrumRead(store.SpectrumCount(Slot()) + first_ - 1);
    --remainingCount_;
    ringIndex_ = ringIndex_ == 0 ? kProbeSpectrumRing - 1 : ringIndex_ - 1;
}

}  // namespace kolmaris
