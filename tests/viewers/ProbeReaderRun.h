#pragma once
// A probe reading driven tick by tick against the simulated terminal, 200 ms apart, with the
// status texts it showed.

#include "../terminal-sim/SimLink.h"
#include "DataStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kolmaris::testing {

struct ReaderRun {
    int ticks = 0;
    std::vector<std::string> texts;  // each status text once, in the order shown
};

template <class Reader>
ReaderRun RunReader(Reader& reader, SimLink& sim, TDataStore& store, int maxTicks = 20000)
{
    ReaderRun run;
    bool going = true;
    while (going && run.ticks < maxTicks) {
        sim.port.AdvanceMs(200);
        going = reader.Tick(sim.link, store);
        ++run.ticks;
        if (run.texts.empty() || run.texts.back() != reader.StatusText())
            run.texts.push_back(reader.StatusText());
    }
    EXPECT_FALSE(going) << "reading still running after " << maxTicks << " ticks";
    return run;
}

inline bool Shown(const ReaderRun& run, const std::string& text)
{
    return std::find(run.texts.begin(), run.texts.end(), text) != run.texts.end();
}

}  // namespace kolmaris::testing
