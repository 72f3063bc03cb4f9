// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProbeRecordReader.h"

#include "RelayedRequests.h"

#include <algorithm>

namespace kolmaris {

ProbeRecordReader::ProbeRecordReader()
    : ProbeReader(kProbeRecordRing, {.waiting = "Waiting for measurement stop..",
                                     .memoryError = ", memory error - ",
                                     .lessRecords = "Less records in memory than requested.",
                                     .bufferChanged = "Buffer contents changed during reading.",
                                     .errorCodeInStepText = true})
{
}

void ProbeRecordReader::AcquisitionStopped()
{
    if (events.acquisitionStopped)
        events.acquisitionStopped();
}

void ProbeRecordReader::BeginReading(TDataStore& store)
{
    store.ClearRadonRecords(Slot());
    if (events.readingBegun)
        events.readingBegun();
}

// P: data byte 13 (bits 7-0) and bits 0-4 of data byte 18 (bits 12-8).
int ProbeRecordReader::PointerOf(const RelayedAnswer& a) const
{
    return a.data[13] | (a.data[18] & 0x1F) << 8;
}

void ProbeRecordReader::Pointers(const RelayedAnswer& answer)
{
    const int p = PointerOf(answer);
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

double ProbeRecordReader::Percent() const
{
    return 100.0 - 100.0 * remainingCount_ / (last_ - first_ + 1);
}

uint32_t ProbeRecordReader::RequestItem(StepLink& link)
{
    return RequestRecord(link, MeshAddress(), static_cast<uint16_t>(ringIndex_));
}

void ProbeRecordReader::Item(const RelayedAnswer& answer, TDataStore& store)
{
    RadonRecord record{};
    record[RadonOffset::Slot] = static_cast<uint8_t>(Slot());
    std::copy_n(answer.data.begin() + 1, kRadonRecordSize - 1, record.begin() + 1);
    const StoreError result = store.AddRadonRecord(record, false);
    if (result != kStoreDone) {
        StoreFailed(result);
        return;
    }
    if (events.recordRead)
        events.recordRead(store.RadonRecordCount(Slot()) + first_ - 1, record);
    ++itemsRead_;
    --remainingCount_;
    ringIndex_ = ringIndex_ == 0 ? kProbeRecordRing - 1 : ringIndex_ - 1;
    step_ = 4;
}

}  // namespace kolmaris
