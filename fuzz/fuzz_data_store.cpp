// SPDX-License-Identifier: GPL-3.0-or-later
// The data store's parser on an arbitrary backwards memory stream, then every getter and every
// tab writer on what it parsed. The first byte bounds the record count (as a full store would).
#include "DataStore.h"
#include "ReplyDecoders.h"
#include "TabWriters.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kolmaris;
    using fuzz::Check;
    if (size == 0)
        return 0;
    TDataStore store(data[0] < 0x80 ? data[0] : TDataStore::kDefaultRecordLimit);
    for (std::size_t i = 1; i < size && store.FeedByte(data[i]) == kStoreDone; ++i) {
    }
    for (int slot = -1; slot <= kProbeSlots; ++slot) {
        for (int index = -1; index <= store.SpectrumCount(slot); ++index) {
            SpectrumChannels channels{};
            store.GetSpectrumChannels(slot, index, channels);
            store.GetSpectrumTime(slot, index);
            for (const int channel : {-1, 0, 95, 96})
                store.GetSpectrumChannel(slot, index, channel);
        }
        for (int index = -1; index <= store.RadonRecordCount(slot); ++index) {
            RadonRecord record{};
            Check((store.GetRadonRecord(slot, index, record) == kStoreOutOfRange) ==
                  (slot < 0 || slot >= kProbeSlots || index < 0 || index >= store.RadonRecordCount(slot)));
        }
    }
    for (int index = -1; index <= store.LocRecordCount(); ++index) {
        LocRecord record{};
        store.GetLocRecord(index, record);
    }
    for (int index = -1; index <= store.DiaEventCount(); ++index) {
        DiaEvent event{};
        store.GetDiaEvent(index, event);
    }
    std::ostringstream out;
    for (const bool append : {false, true}) {
        for (int slot = 0; slot < kProbeSlots; ++slot) {
            WriteRadonFile(out, append, store, slot, append ? 7 : 0);
            WriteSpectrumFile(out, append, store, slot, append ? 3 : 0);
        }
        WriteLocFile(out, append, store);
        WriteDiaFile(out, append, store);
    }
    Check(out.good());
    return 0;
}
