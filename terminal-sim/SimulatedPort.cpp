// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedPort.h"

namespace kolmaris {

SimulatedPort::SimulatedPort(SimulatedTerminal& terminal, uint8_t comPort) : terminal_(terminal), comPort_(comPort)
{
    port_.AddDevice(comPort);
    port_.SetPeer([this](std::span<const uint8_t> written) {
        terminal_.Receive(written);
        const auto answer = terminal_.TakeOutput();
        port_.Deliver(answer);
    });
    port_.SetEmptyReadHook([this] { AdvanceMs(kEmptyReadMs); });
}

void SimulatedPort::AdvanceMs(uint64_t ms)
{
    clock_.now += ms;
    terminal_.AdvanceMs(ms);
}

}  // namespace kolmaris
