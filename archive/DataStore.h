// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TDataStore: every measured record the tool holds, parsed from the terminal's data memory
// (read backwards, newest byte first) or added from a probe reading. Index 0 of every list is
// the newest record, as both sources deliver the newest first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Records.h"
#include "TerminalTime.h"

namespace kolmaris {

using StoreError = std::uint32_t;
inline constexpr StoreError kStoreDone = 0;
inline constexpr StoreError kStoreEndOfData = 1;     // length byte with bit 7 set
inline constexpr StoreError kStoreBadLength = 2;     // length not 3, 12, 18 or 97
inline constexpr StoreError kStoreLengthTooBig = 4;  // length byte above 97
inline constexpr StoreError kStoreBadTrailer = 8;    // trailing length differs from leading one
inline constexpr StoreError kStoreBadSlot = 16;      // slot above 15
inline constexpr StoreError kStoreNoSync = 32;       // first byte without bit 7
inline constexpr StoreError kStoreOutOfRange = 64;   // getter index, slot or channel
inline constexpr StoreError kStoreNoMemory = 128;    // record limit reached or allocation failed

class TDataStore {
public:
    // Well above a full data memory (at most 26214 records) plus the full rings of 16 probes
    // (4096 records and 512 spectra each); stops a ring without an end mark from being parsed round
    // and round until memory runs out.
    static constexpr std::size_t kDefaultRecordLimit = 262144;

    // `recordLimit` bounds the records kept over all lists; an add beyond it returns 128.
    explicit TDataStore(std::size_t recordLimit = kDefaultRecordLimit);

    // One byte of the backwards memory stream. After a non-zero result the parser refuses further
    // bytes with that same result until ClearAll re-arms it.
    StoreError FeedByte(std::uint8_t byte);

    // `fromStream`: the bytes come in reverse memory order from the download.
    StoreError AddSpectrum(std::span<const std::uint8_t, kSpectrumMemorySize> bytes, bool fromStream);
    StoreError AddRadonRecord(std::span<const std::uint8_t, kRadonRecordSize> bytes, bool fromStream);
    // Stream order, i.e. reversed memory order.
    StoreError AddLocRecord(std::span<const std::uint8_t, kLocRecordSize> streamBytes);
    // Stream order m2, m1, m0.
    StoreError AddDiaEvent(std::span<const std::uint8_t, kDiaEventMemorySize> streamBytes);

    // Empties every list and re-arms the parser (waiting for the sync byte). The slots' last probe
    // times, pending flags and the last meteo time are kept.
    void ClearAll();
    void ClearRadonRecords(int slot);
    void ClearSpectra(int slot);

    int SpectrumCount(int slot) const;     // 0 for a slot outside 0..15
    int RadonRecordCount(int slot) const;  // 0 for a slot outside 0..15
    int LocRecordCount() const;
    int DiaEventCount() const;
    int TotalSpectra() const;
    int TotalRadonRecords() const;

    // Getters: 64 (kStoreOutOfRange) when the slot, index or channel is out of range.
    StoreError GetSpectrumChannels(int slot, int index, SpectrumChannels& channels) const;
    std::uint8_t GetSpectrumChannel(int slot, int index, int channel) const;  // channel 0..95
    TerminalTime GetSpectrumTime(int slot, int index) const;
    StoreError GetRadonRecord(int slot, int index, RadonRecord& record) const;
    StoreError GetLocRecord(int index, LocRecord& record) const;
    StoreError GetDiaEvent(int index, DiaEvent& event) const;

    TerminalTime LastLocTime() const { return lastLocTime_; }

    // Every record parsed so far has the time that reading on would give it: no spectrum waits
    // for the radon record of its slot, no event for the meteo record that dates it.
    bool TimesComplete() const;

private:
    struct ProbeLists {
        std::vector<Spectrum> spectra;
        std::vector<RadonRecord> radonRecords;
        bool spectrumTimePending = false;
        TerminalTime lastProbeTime = 0;
    };

    StoreError ParseByte(std::uint8_t byte);
    StoreError DispatchFrame();
    std::size_t KeptRecords() const;
    template <class Record>
    StoreError Append(std::vector<Record>& list, const Record& record);
    const Spectrum* FindSpectrum(int slot, int index) const;

    std::size_t recordLimit_;

    // Frame being collected: leading length, up to 97 data bytes, trailing length.
    std::array<std::uint8_t, kSpectrumMemorySize + 2> frame_{};
    std::size_t frameFill_ = 0;
    std::size_t frameLength_ = 0;
    bool syncWait_ = true;
    StoreError feedError_ = kStoreDone;

    std::array<ProbeLists, kProbeSlots> probes_;
    std::vector<LocRecord> locRecords_;
    TerminalTime lastLocTime_ = 0;
    std::vector<DiaEvent> diaEvents_;
    std::size_t firstPendingDia_ = 0;
};

}  // namespace kolmaris
