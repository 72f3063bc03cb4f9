#pragma once
// The program's link wired to a simulated terminal in memory, connected and ready.

#include "RelayedRequests.h"
#include "Scenarios.h"
#include "SimulatedPort.h"
#include "SimulatedTerminal.h"
#include "StepLink.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace kolmaris::testing {

struct SimLink {
    explicit SimLink(const Scenario& s = DefaultScenario()) : terminal(s), port(terminal, 3), link(port.Port(), port.GetClock())
    {
        EXPECT_EQ(link.DetectTerminal(3), 0u);
    }

    // Sends a relayed request and polls (50 ms apart) until the answer is complete: its data
    // bytes, or nothing on any failure.
    std::vector<uint8_t> Ask(const std::function<uint32_t(StepLink&)>& send)
    {
        if (send(link) != 0)
            return {};
        RelayedAnswer a;
        for (int n = 1; n <= 50 && !a.error && !a.complete; ++n) {
            port.GetClock().SleepMs(50);
            a = RelayedAnswer{};
            if (PollRelayedReply(link, a) != 0)
                return {};
        }
        if (a.error != 0 || !a.complete)
            return {};
        return {a.data.begin(), a.data.begin() + a.length};
    }

    SimulatedTerminal terminal;
    SimulatedPort port;
    StepLink link;
};

}  // namespace kolmaris::testing
