// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every decoder of a terminal reply in one run: the terminal commands, the relayed IQRF and
// element requests with their polled answers, the composite operations and the probe readers.
// The fuzz target runs it against replies the input makes; the seed maker against the
// simulated terminal, recording its replies.

#include "ElementStatus.h"
#include "ProbeRecordReader.h"
#include "ProbeSpectrumReader.h"
#include "RelayedRequests.h"
#include "TerminalCommands.h"

#include <array>
#include <cstdlib>
#include <functional>

namespace kolmaris::fuzz {

// A broken promise of a decoder: abort, so that the fuzzer reports the input.
inline void Check(bool promise)
{
    if (!promise)
        std::abort();
}

inline void PollAnswer(StepLink& link)
{
    RelayedAnswer answer;
    if (PollRelayedReply(link, answer) == kOk)
        Check(answer.length <= kMaxAnswerData);
}

// Whether replies remain to be decoded; the run ends early when none do.
using MoreReplies = std::function<bool()>;

template <class Reader>
void ReadProbe(StepLink& link, Reader& reader, int last, const MoreReplies& more)
{
    TDataStore store(4096);
    reader.Start(1, 1, last, 2, false);
    for (int tick = 0; tick < 4000 && more() && reader.Tick(link, store); ++tick) {
    }
}

inline void CallEveryDecoder(StepLink& link, const MoreReplies& more = [] { return true; })
{
    std::array<uint8_t, 40> memory{};
    ReadTerminalMemory(link, 0x1FFF0, memory);
    float volts = 0, temperature = 0, humidity = 0;
    uint32_t pressure = 0, time = 0, countdown = 0, period = 0;
    uint16_t version = 0, cycles = 0;
    uint8_t flags = 0, state = 0, function = 0, value = 0;
    int32_t pointer = 0;
    ReadTerminalVoltage(link, volts);
    ReadTerminalEnvironment(link, pressure, temperature, humidity);
    ReadTerminalVersion(link, version);
    ReadTerminalTime(link, time);
    ReadTerminalFlags(link, flags);
    ReadAcquisitionState(link, state, countdown, period, cycles);
    ReadMemoryPointer(link, pointer);
    if (!more())
        return;
    ElementStatus status;
    ReadElementStatus(link, 1, status);
    ReadElementKind(link, 2, function);
    for (const auto request : {RequestNodeInfo, RequestReadCaption, RequestBondingMap, RequestReadChannel,
                               RequestReadIqrfMode, RequestReadPower, RequestRssi}) {
        request(link, Network::Mesh, 1);
        PollAnswer(link);
    }
    for (const auto request : {RequestProbeTime, RequestElementData, RequestActuatorData, RequestProbeParameters}) {
        request(link, 1);
        PollAnswer(link);
    }
    if (!more())
        return;
    ReadCoordinatorRouting(link, value);
    ReadLocalRssi(link, value);
    ProbeRecordReader records;
    ReadProbe(link, records, 20, more);
    ProbeSpectrumReader spectra;
    ReadProbe(link, spectra, 3, more);
}

}  // namespace kolmaris::fuzz
