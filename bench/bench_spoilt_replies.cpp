// SPDX-License-Identifier: GPL-3.0-or-later
// How often a memory piece read over a line that flips one bit in 1 % of its bytes is taken
// with wrong contents: CRC-8 lets some double bit errors through, and the echo of the request
// in byte 0 refuses part of those. In process against the simulated terminal, so a million
// reads take a minute or so.
//
//   bench_spoilt_replies [READS] [SEED]     default: 1000000 reads, seed 1

#include "SimulatedPort.h"
#include "SimulatedTerminal.h"
#include "StepLink.h"
#include "TerminalCommands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace kolmaris;

int main(int argc, char** argv)
{
    const long reads = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    Scenario scenario = DefaultScenario();
    scenario.seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    scenario.terminal.acquisitionRunning = false;  // the memory stays as it is
    scenario.memory.wrapped = true;
    scenario.faults.corruptionRate = 0.01;
    SimulatedTerminal terminal(scenario);
    SimulatedPort line(terminal, 1);
    StepLink link(line.Port(), line.GetClock());
    if (link.DetectTerminal(1) != kOk && link.DetectTerminal(1) != kOk) {
        std::fprintf(stderr, "no terminal\n");
        return 1;
    }

    std::mt19937 random(static_cast<uint32_t>(scenario.seed));
    long taken = 0;
    long wrong = 0;
    for (long i = 0; i < reads; ++i) {
        const uint32_t address = (random() % 0x2000) * 16;
        std::array<uint8_t, 16> piece{};
        if (ReadTerminalMemory(link, address, piece) != kOk)
            continue;
        ++taken;
        const auto memory = terminal.Memory().subspan(address, piece.size());
        wrong += !std::equal(piece.begin(), piece.end(), memory.begin());
    }
    const auto refused = static_cast<long>(link.StaleReplies());
    std::printf("reads %ld, taken %ld, taken with wrong contents %ld (%.2f per 100 000 taken)\n", reads, taken, wrong,
                1e5 * static_cast<double>(wrong) / static_cast<double>(std::max(taken, 1L)));
    std::printf("well-formed replies refused for a wrong byte 0: %ld (%.2f per 100 000 taken)\n", refused,
                1e5 * static_cast<double>(refused) / static_cast<double>(std::max(taken, 1L)));
    return 0;
}
