#pragma once
// The program's link wired to a simulated terminal in memory, connected and ready.

#include "RelayedRequests.h"
#include "SimulatedPort.h"
#include "SimulatedTerminal.h"
#include "StepLink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace kolmaris::testing {

struct SimLink {
    // Connects with the detection handshake, which must succeed when `expectTerminal`.
    explicit SimLink(const Scenario& s = DefaultScenario(), bool expectTerminal = true)
        : terminal(s), port(terminal, 3), link(port.Port(), port.GetClock())
    {
        const uint32_t detected = link.DetectTerminal(3);
        if (expectTerminal) {
            EXPECT_EQ(detected, 0u);
        }
    }

    // Sends a relayed request and polls (50 ms apart) until the answer is complete.
    // Returns the transport result; `polls` counts the polls made.
    uint32_t Exchange(const std::function<uint32_t(StepLink&)>& send, RelayedAnswer& answer, int* polls = nullptr)
    {
        if (const uint32_t sent = send(link))
            return sent;
        for (int n = 1; n <= 50; ++n) {
            port.GetClock().SleepMs(50);
            answer = RelayedAnswer{};
            if (const uint32_t r = PollRelayedReply(link, answer))
                return r;
            if (answer.error || answer.complete) {
                if (polls)
                    *polls = n;
                return 0;
            }
        }
        return 22;
    }

    // The complete, valid answer's data bytes (empty on any failure).
    std::vector<uint8_t> Ask(const std::function<uint32_t(StepLink&)>& send)
    {
        RelayedAnswer a;
        if (Exchange(send, a) != 0 || a.error != 0 || !a.complete)
            return {};
        return {a.data.begin(), a.data.begin() + a.length};
    }

    SimulatedTerminal terminal;
    SimulatedPort port;
    StepLink link;
};

// Scenario helpers.
inline Scenario QuietScenario(double days = 0.0)
{
    Scenario s = DefaultScenario();
    s.memory.days = days;
    return s;
}

}  // namespace kolmaris::testing
