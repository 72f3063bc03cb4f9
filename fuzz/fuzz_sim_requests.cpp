// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated terminal's request handling on an arbitrary request stream, fed in pieces the
// input's bytes split at 0xFF; each piece advances its clock a little.
#include "ReplyDecoders.h"
#include "Scenario.h"
#include "SimulatedTerminal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kolmaris;
    static const Scenario scenario = [] {
        Scenario s = DefaultScenario();
        s.memory.days = 0;
        return s;
    }();
    SimulatedTerminal terminal(scenario);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0xFF) {
            terminal.Receive({data + start, i - start + (i < size ? 1 : 0)});
            terminal.AdvanceMs(7);
            fuzz::Check(terminal.TakeOutput().size() <= 4096);
            start = i + 1;
        }
    }
    return 0;
}
