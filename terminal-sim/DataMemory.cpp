// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataMemory.h"

#include <algorithm>
#include <iterator>

namespace kolmaris::sim {

void DataMemory::Erase()
{
    bytes_.fill(0xFF);
    bytes_[0] = kFormatByte;
    groups_.clear();
    pointer_ = kFirstRingAddress;
    used_ = 0;
    wrapped_ = false;
    bytes_[pointer_] = kSyncUnwrapped;
}

void DataMemory::Put(uint8_t b)
{
    bytes_[pointer_] = b;
    pointer_ = Next(pointer_);
    if (pointer_ == kFirstRingAddress)
        wrapped_ = true;
}

void DataMemory::DropOldest()
{
    const Group& oldest = groups_.front();
    uint32_t address = oldest.entries.front().address;
    for (uint32_t i = 0; i < oldest.bytes; ++i, address = Next(address))
        bytes_[address] = 0xFF;
    used_ -= oldest.bytes;
    groups_.pop_front();
}

bool DataMemory::Append(const std::vector<MemoryRecord>& records)
{
    Group group;
    for (const MemoryRecord& r : records) {
        group.bytes += static_cast<uint32_t>(r.data.size()) + 2;
        group.hasMeteo = group.hasMeteo || r.kind == MemoryRecordInfo::Kind::Meteo;
        group.hasEvent = group.hasEvent || r.kind == MemoryRecordInfo::Kind::Event;
    }
    if (records.empty() || group.bytes + 1 > kRingBytes)
        return false;

    // Room for the group and the sync byte behind it.
    bool dropped = false;
    while (used_ + group.bytes + 1 > kRingBytes) {
        DropOldest();
        dropped = true;
    }
    // Events take their time from the nearest older meteo record: none may outlive it.
    if (dropped) {
        const auto firstMeteo = std::find_if(groups_.begin(), groups_.end(), [](const Group& g) { return g.hasMeteo; });
        if (std::any_of(groups_.begin(), firstMeteo, [](const Group& g) { return g.hasEvent; })) {
            for (auto n = std::distance(groups_.begin(), firstMeteo); n > 0; --n)
                DropOldest();
        }
    }

    for (const MemoryRecord& r : records) {
        const auto length = static_cast<uint8_t>(r.data.size());
        group.entries.push_back({pointer_, length, r.kind, r.time});
        Put(length);
        for (const uint8_t b : r.data)
            Put(b);
        Put(length);
    }
    used_ += group.bytes;
    groups_.push_back(std::move(group));
    bytes_[pointer_] = wrapped_ ? kSyncWrapped : kSyncUnwrapped;
    return true;
}

std::vector<MemoryRecordInfo> DataMemory::Records() const
{
    std::vector<MemoryRecordInfo> out;
    for (const Group& g : groups_) {
        for (const Entry& e : g.entries) {
            MemoryRecordInfo info;
            info.kind = e.kind;
            info.time = e.time;
            info.address = e.address;
            uint32_t a = Next(e.address);
            for (uint8_t i = 0; i < e.length; ++i, a = Next(a))
                info.bytes.push_back(bytes_[a]);
            out.push_back(std::move(info));
        }
    }
    return out;
}

}  // namespace kolmaris::sim
