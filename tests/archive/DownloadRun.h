#pragma once
// Drives the download machine to its end as a front end does, pausing for the interval each
// tick asks for on the link's clock; and a fingerprint of a store's whole contents.

#include "DataStore.h"
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

// Ticks until the machine stops; `interruptAtTick` >= 0 presses "Interrupt" before that tick.
inline DownloadRun RunDownload(TerminalDownload& download, StepLink& link, TDataStore& store, int interruptAtTick = -1,
                               int maxTicks = 200000)
{
    DownloadRun run;
    while (download.Running() && run.ticks < maxTicks) {
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

}  // namespace kolmaris::testing
