// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The terminal's 128 KiB data memory. Byte 0 holds a format byte; addresses 1 to 0x1FFFF
// form the ring, in which records lie framed as [L, data, L], oldest first. The byte at the
// write pointer is the sync byte: 0xFF until the ring has wrapped once, 0x80 after. Records
// are written in groups (a radon record with its spectrum, an event with the meteo record
// that dates it); to make room the oldest groups are erased to 0xFF, so that a reader going
// backwards always meets an end mark before a damaged record. Events take their time from
// the nearest older meteo record, so erasing goes on while an event would outlive it.

#include "SimulatedTerminal.h"

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace kolmaris::sim {

inline constexpr uint32_t kMemorySize = 0x20000;
inline constexpr uint32_t kFirstRingAddress = 1;
inline constexpr uint32_t kRingBytes = kMemorySize - kFirstRingAddress;
inline constexpr uint8_t kFormatByte = 0x01;
inline constexpr uint8_t kSyncUnwrapped = 0xFF;
inline constexpr uint8_t kSyncWrapped = 0x80;

struct MemoryRecord {
    MemoryRecordInfo::Kind kind = MemoryRecordInfo::Kind::Meteo;
    std::vector<uint8_t> data;   // L bytes, memory order
    TerminalTime time = 0;       // complete time, for inspection
};

class DataMemory {
public:
    DataMemory() { Erase(); }

    // Appends the records of one group behind the newest. Returns false (nothing written)
    // for a group that could never fit.
    bool Append(const std::vector<MemoryRecord>& group);
    void Erase();

    uint32_t Pointer() const { return pointer_; }
    bool Wrapped() const { return wrapped_; }
    std::span<const uint8_t> Bytes() const { return bytes_; }
    uint8_t At(uint32_t address) const { return bytes_[address & (kMemorySize - 1)]; }
    uint32_t UsedBytes() const { return used_; }
    std::vector<MemoryRecordInfo> Records() const;

private:
    struct Entry {
        uint32_t address = 0;
        uint8_t length = 0;
        MemoryRecordInfo::Kind kind = MemoryRecordInfo::Kind::Meteo;
        TerminalTime time = 0;
    };
    struct Group {
        std::vector<Entry> entries;
        uint32_t bytes = 0;
        bool hasMeteo = false;
        bool hasEvent = false;
    };

    static uint32_t Next(uint32_t address) { return address == kMemorySize - 1 ? kFirstRingAddress : address + 1; }
    void Put(uint8_t b);
    void DropOldest();

    std::array<uint8_t, kMemorySize> bytes_{};
    std::deque<Group> groups_;
    uint32_t pointer_ = kFirstRingAddress;
    uint32_t used_ = 0;
    bool wrapped_ = false;
};

}  // namespace kolmaris::sim
