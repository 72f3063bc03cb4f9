// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataStore.h"

#include <algorithm>
#include <new>

namespace kolmaris {
namespace {

constexpr std::uint8_t kEndMarkBit = 0x80;
constexpr std::uint32_t kLowTimeMask = 0x0FFF;  // time bits an event stores itself
constexpr std::uint32_t kLowTimeSpan = 0x1000;

bool ValidSlot(int slot)
{
    return slot >= 0 && slot < kProbeSlots;
}

template <class Record>
bool ValidIndex(const std::vector<Record>& list, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

// Copies a record into memory byte order; stream bytes arrive reversed.
template <std::size_t N>
void CopyRecord(std::span<const std::uint8_t, N> bytes, bool fromStream, std::uint8_t* out)
{
    if (fromStream)
        std::reverse_copy(bytes.begin(), bytes.end(), out);
    else
        std::copy(bytes.begin(), bytes.end(), out);
}

template <std::size_t N>
std::uint8_t SlotByte(std::span<const std::uint8_t, N> bytes, bool fromStream)
{
    return fromStream ? bytes[N - 1] : bytes[0];
}

}  // namespace

TDataStore::TDataStore(std::size_t recordLimit) : recordLimit_(recordLimit) {}

StoreError TDataStore::FeedByte(std::uint8_t byte)
{
    if (feedError_ != kStoreDone)
        return feedError_;
    feedError_ = ParseByte(byte);
    return feedError_;
}

StoreError TDataStore::ParseByte(std::uint8_t byte)
{
    if (syncWait_) {
        if ((byte & kEndMarkBit) == 0)
            return kStoreNoSync;
        syncWait_ = false;
        return kStoreDone;
    }
    if (frameFill_ == 0) {
        if (byte & kEndMarkBit)
            return kStoreEndOfData;
        if (byte > kSpectrumMemorySize)
            return kStoreLengthTooBig;
        frameLength_ = byte;
    }
    frame_[frameFill_++] = byte;
    if (frameFill_ < frameLength_ + 2)
        return kStoreDone;
    frameFill_ = 0;
    if (byte != frameLength_)
        return kStoreBadTrailer;
    return DispatchFrame();
}

StoreError TDataStore::DispatchFrame()
{
    const std::span<const std::uint8_t> data(frame_.data() + 1, frameLength_);
    switch (frameLength_) {
        case kDiaEventMemorySize:
            return AddDiaEvent(data.first<kDiaEventMemorySize>());
        case kLocRecordSize:
            return AddLocRecord(data.first<kLocRecordSize>());
        case kRadonRecordSize:
            return AddRadonRecord(data.first<kRadonRecordSize>(), true);
        case kSpectrumMemorySize:
            return AddSpectrum(data.first<kSpectrumMemorySize>(), true);
        default:
            return kStoreBadLength;
    }
}

std::size_t TDataStore::KeptRecords() const
{
    std::size_t n = locRecords_.size() + diaEvents_.size();
    for (const ProbeLists& p : probes_)
        n += p.spectra.size() + p.radonRecords.size();
    return n;
}

template <class Record>
StoreError TDataStore::Append(std::vector<Record>& list, const Record& record)
{
    if (KeptRecords() >= recordLimit_)
        return kStoreNoMemory;
    try {
        list.push_back(record);
    } catch (const std::bad_alloc&) {
        return kStoreNoMemory;  // push_back leaves the list as it was
    }
    return kStoreDone;
}

StoreError TDataStore::AddSpectrum(std::span<const std::uint8_t, kSpectrumMemorySize> bytes, bool fromStream)
{
    const std::uint8_t slot = SlotByte(bytes, fromStream);
    if (slot >= kProbeSlots)
        return kStoreBadSlot;
    ProbeLists& probe = probes_[slot];

    Spectrum spectrum{};
    CopyRecord(bytes, fromStream, spectrum.data());
    // Provisional time; a radon record of the slot that the stream delivers next replaces it.
    WriteU32BE(std::span<std::uint8_t, 4>(spectrum.data() + SpectrumOffset::Time, 4), probe.lastProbeTime);
    if (const StoreError e = Append(probe.spectra, spectrum); e != kStoreDone)
        return e;
    if (fromStream)
        probe.spectrumTimePending = true;
    return kStoreDone;
}

StoreError TDataStore::AddRadonRecord(std::span<const std::uint8_t, kRadonRecordSize> bytes, bool fromStream)
{
    const std::uint8_t slot = SlotByte(bytes, fromStream);
    if (slot >= kProbeSlots)
        return kStoreBadSlot;
    ProbeLists& probe = probes_[slot];

    RadonRecord record{};
    CopyRecord(bytes, fromStream, record.data());
    if (const StoreError e = Append(probe.radonRecords, record); e != kStoreDone)
        return e;

    probe.lastProbeTime = U32At<RadonOffset::Time>(record);
    if (probe.spectrumTimePending) {
        if (!probe.spectra.empty()) {
            Spectrum& last = probe.spectra.back();
            WriteU32BE(std::span<std::uint8_t, 4>(last.data() + SpectrumOffset::Time, 4), probe.lastProbeTime);
        }
        probe.spectrumTimePending = false;
    }
    return kStoreDone;
}

StoreError TDataStore::AddLocRecord(std::span<const std::uint8_t, kLocRecordSize> streamBytes)
{
    LocRecord record{};
    CopyRecord(streamBytes, true, record.data());
    if (const StoreError e = Append(locRecords_, record); e != kStoreDone)
        return e;

    lastLocTime_ = U32At<LocOffset::Time>(record);
    // Events delivered since the previous meteo record are newer than this one: they take its
    // high time bits and, where that puts them before it, the next 4096 s period.
    for (std::size_t i = firstPendingDia_; i < diaEvents_.size(); ++i) {
        DiaEvent& event = diaEvents_[i];
        if (event[DiaOffset::Element] == 0 && event[DiaOffset::Code] == kAcquisitionStartEvent)
            continue;
        std::uint32_t time = (lastLocTime_ & ~kLowTimeMask) | (U32At<DiaOffset::Time>(event) & kLowTimeMask);
        if (lastLocTime_ > time && time <= UINT32_MAX - kLowTimeSpan)
            time += kLowTimeSpan;
        WriteU32BE(std::span<std::uint8_t, 4>(event.data() + DiaOffset::Time, 4), time);
    }
    firstPendingDia_ = diaEvents_.size();
    return kStoreDone;
}

StoreError TDataStore::AddDiaEvent(std::span<const std::uint8_t, kDiaEventMemorySize> streamBytes)
{
    const std::uint8_t m2 = streamBytes[0];
    const std::uint8_t m1 = streamBytes[1];
    const std::uint8_t m0 = streamBytes[2];
    const bool terminalEvent = m2 == kTerminalEventMark;

    DiaEvent event{};
    std::uint32_t time = std::uint32_t{m0 & 0x0Fu} << 8 | m1;
    event[DiaOffset::Element] = terminalEvent ? 0 : static_cast<std::uint8_t>((m0 >> 4) + 1);
    event[DiaOffset::Code] = terminalEvent ? static_cast<std::uint8_t>(m0 >> 4) : m2;
    if (terminalEvent && event[DiaOffset::Code] == kAcquisitionStartEvent) {
        // Completed from the meteo record delivered before it, which is newer. Without one in the
        // first 4096 s it keeps its own low bits instead of wrapping below zero.
        time |= lastLocTime_ & ~kLowTimeMask;
        if (time > lastLocTime_ && time >= kLowTimeSpan)
            time -= kLowTimeSpan;
    }
    WriteU32BE(std::span<std::uint8_t, 4>(event.data() + DiaOffset::Time, 4), time);
    return Append(diaEvents_, event);
}

void TDataStore::ClearAll()
{
    for (int slot = 0; slot < kProbeSlots; ++slot) {
        ClearSpectra(slot);
        ClearRadonRecords(slot);
    }
    locRecords_ = {};
    diaEvents_ = {};
    firstPendingDia_ = 0;
    frameFill_ = 0;
    frameLength_ = 0;
    syncWait_ = true;
    feedError_ = kStoreDone;
}

void TDataStore::ClearRadonRecords(int slot)
{
    if (ValidSlot(slot))
        probes_[slot].radonRecords = {};
}

void TDataStore::ClearSpectra(int slot)
{
    if (ValidSlot(slot))
        probes_[slot].spectra = {};
}

bool TDataStore::TimesComplete() const
{
    return firstPendingDia_ == diaEvents_.size() &&
           std::none_of(probes_.begin(), probes_.end(), [](const ProbeLists& p) { return p.spectrumTimePending && !p.spectra.empty(); });
}

int TDataStore::SpectrumCount(int slot) const
{
    return ValidSlot(slot) ? static_cast<int>(probes_[slot].spectra.size()) : 0;
}

int TDataStore::RadonRecordCount(int slot) const
{
    return ValidSlot(slot) ? static_cast<int>(probes_[slot].radonRecords.size()) : 0;
}

int TDataStore::LocRecordCount() const
{
    return static_cast<int>(locRecords_.size());
}
int TDataStore::DiaEventCount() const
{
    return static_cast<int>(diaEvents_.size());
}

int TDataStore::TotalSpectra() const
{
    int n = 0;
    for (const ProbeLists& p : probes_)
        n += static_cast<int>(p.spectra.size());
    return n;
}

int TDataStore::TotalRadonRecords() const
{
    int n = 0;
    for (const ProbeLists& p : probes_)
        n += static_cast<int>(p.radonRecords.size());
    return n;
}

const Spectrum* TDataStore::FindSpectrum(int slot, int index) const
{
    if (!ValidSlot(slot) || !ValidIndex(probes_[slot].spectra, index))
        return nullptr;
    return &probes_[slot].spectra[static_cast<std::size_t>(index)];
}

StoreError TDataStore::GetSpectrumChannels(int slot, int index, SpectrumChannels& channels) const
{
    const Spectrum* s = FindSpectrum(slot, index);
    if (!s)
        return kStoreOutOfRange;
    std::copy_n(s->begin() + SpectrumOffset::Channels, kSpectrumChannels, channels.begin());
    return kStoreDone;
}

std::uint8_t TDataStore::GetSpectrumChannel(int slot, int index, int channel) const
{
    const Spectrum* s = FindSpectrum(slot, index);
    if (!s || channel < 0 || channel >= static_cast<int>(kSpectrumChannels))
        return kStoreOutOfRange;
    return (*s)[SpectrumOffset::Channels + static_cast<std::size_t>(channel)];
}

TerminalTime TDataStore::GetSpectrumTime(int slot, int index) const
{
    const Spectrum* s = FindSpectrum(slot, index);
    return s ? U32At<SpectrumOffset::Time>(*s) : kStoreOutOfRange;
}

StoreError TDataStore::GetRadonRecord(int slot, int index, RadonRecord& record) const
{
    if (!ValidSlot(slot) || !ValidIndex(probes_[slot].radonRecords, index))
        return kStoreOutOfRange;
    record = probes_[slot].radonRecords[static_cast<std::size_t>(index)];
    return kStoreDone;
}

StoreError TDataStore::GetLocRecord(int index, LocRecord& record) const
{
    if (!ValidIndex(locRecords_, index))
        return kStoreOutOfRange;
    record = locRecords_[static_cast<std::size_t>(index)];
    return kStoreDone;
}

StoreError TDataStore::GetDiaEvent(int index, DiaEvent& event) const
{
    if (!ValidIndex(diaEvents_, index))
        return kStoreOutOfRange;
    event = diaEvents_[static_cast<std::size_t>(index)];
    return kStoreDone;
}

}  // namespace kolmaris
