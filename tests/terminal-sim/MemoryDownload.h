// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The memory download driven to its end as a front end drives it, a store's whole contents as
// text, and the store the records a simulated terminal holds must give.

#include "DataStore.h"
#include "SimulatedTerminal.h"
#include "StepLink.h"
#include "TabWriters.h"
#include "TerminalDownload.h"

#include <sstream>
#include <string>
#include <vector>

namespace kolmaris::testing {

struct DownloadRun {
    int ticks = 0;
    std::vector<uint32_t> pauses;  // what each tick asked for before the next
};

// Ticks until the machine stops, pausing as each tick asks on the link's clock;
// `interruptAtTick` >= 0 presses "Interrupt" before that tick.
inline DownloadRun RunDownload(TerminalDownload& download, StepLink& link, TDataStore& store, int interruptAtTick = -1)
{
    DownloadRun run;
    while (download.Running() && run.ticks < 200000) {
        if (run.ticks == interruptAtTick)
            download.Interrupt();
        const uint32_t pause = download.Tick(link, store);
        ++run.ticks;
        if (download.Running()) {
            run.pauses.push_back(pause);
            link.GetClock().SleepMs(pause);
        }
    }
    return run;
}

// Everything the store holds, as the ".tab" files of every kind would carry it.
inline std::string Contents(const TDataStore& store)
{
    std::ostringstream out;
    WriteDiaFile(out, false, store);
    WriteLocFile(out, false, store);
    for (int slot = 0; slot < kProbeSlots; ++slot) {
        WriteRadonFile(out, false, store, slot, 0);
        WriteSpectrumFile(out, false, store, slot, 0);
    }
    return out.str();
}

// Fills `store` as a download must: the records (oldest first, each as length, data, length)
// between an end mark and the write pointer, fed from the newest byte down.
inline void FillFromRecords(TDataStore& store, const std::vector<MemoryRecordInfo>& records)
{
    std::vector<uint8_t> memory{0x80};
    for (const MemoryRecordInfo& r : records) {
        memory.push_back(static_cast<uint8_t>(r.bytes.size()));
        memory.insert(memory.end(), r.bytes.begin(), r.bytes.end());
        memory.push_back(static_cast<uint8_t>(r.bytes.size()));
    }
    memory.push_back(0xFF);
    store.ClearAll();
    for (auto b = memory.rbegin(); b != memory.rend() && store.FeedByte(*b) == kStoreDone; ++b) {
    }
}

}  // namespace kolmaris::testing
