// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedTerminal.h"

#include "CommandSet.h"
#include "FrameFrontEnd.h"
#include "LineNoise.h"
#include "SimRandom.h"
#include "TerminalCore.h"

#include <cmath>
#include <optional>
#include <utility>

namespace kolmaris {

using namespace sim;

struct SimulatedTerminal::Impl {
    explicit Impl(const Scenario& s)
        : scenario(s),
          core(s),
          front([this](const Frame& request) { return Answer(request); }),
          toTerminal(s.faults.corruptionRate, s.faults.lossRate, Mix(s.seed ^ 0x494E)),
          toProgram(s.faults.corruptionRate, s.faults.lossRate, Mix(s.seed ^ 0x4F5554))
    {
    }

    std::optional<Frame> Answer(const Frame& request)
    {
        ++frames;
        if (Unplugged())
            return std::nullopt;
        return AnswerRequest(core, request, scenario.faults.refusedCommands);
    }

    // Replies of the stall are held back from its first one on, and let go (or lost) at its end.
    void Pass(std::span<const uint8_t> answer)
    {
        const FaultSetup& f = scenario.faults;
        const bool stalled = f.holdRepliesAfter >= 0 && frames > static_cast<uint64_t>(f.holdRepliesAfter);
        if (stalled && !stallStart)
            stallStart = drivingMs;
        const auto sent = toProgram.Pass(answer);
        if (stalled && drivingMs < *stallStart + f.holdRepliesMs) {
            if (!f.holdLosesReplies)
                held.insert(held.end(), sent.begin(), sent.end());
            return;
        }
        output.insert(output.end(), sent.begin(), sent.end());
    }

    void EndStall()
    {
        if (stallStart && drivingMs >= *stallStart + scenario.faults.holdRepliesMs && !held.empty()) {
            output.insert(output.end(), held.begin(), held.end());
            held.clear();
        }
    }

    bool Unplugged() const
    {
        return scenario.faults.stopAnsweringAfter >= 0 &&
               frames > static_cast<uint64_t>(scenario.faults.stopAnsweringAfter);
    }

    Scenario scenario;
    TerminalCore core;
    FrameFrontEnd front;
    LineNoise toTerminal;
    LineNoise toProgram;
    std::vector<uint8_t> output;
    std::vector<uint8_t> held;
    std::optional<uint64_t> stallStart;
    uint64_t frames = 0;
    uint64_t drivingMs = 0;
    double pendingTerminalMs = 0.0;
};

SimulatedTerminal::SimulatedTerminal(const Scenario& scenario) : impl_(std::make_unique<Impl>(scenario)) {}

SimulatedTerminal::~SimulatedTerminal() = default;

void SimulatedTerminal::Receive(std::span<const uint8_t> bytesFromProgram)
{
    Impl& d = *impl_;
    const auto arrived = d.toTerminal.Pass(bytesFromProgram);
    auto answer = d.front.Feed(arrived);
    if (d.Unplugged())
        return;
    d.Pass(answer);
}

std::vector<uint8_t> SimulatedTerminal::TakeOutput()
{
    return std::exchange(impl_->output, {});
}

void SimulatedTerminal::AdvanceMs(uint64_t ms)
{
    Impl& d = *impl_;
    d.drivingMs += ms;
    d.pendingTerminalMs += static_cast<double>(ms) * std::max(0.0, d.scenario.terminal.timeAcceleration);
    const double whole = std::floor(d.pendingTerminalMs);
    d.pendingTerminalMs -= whole;
    d.core.Advance(static_cast<uint64_t>(whole));
    d.EndStall();
}

uint64_t SimulatedTerminal::NowMs() const
{
    return impl_->drivingMs;
}

TerminalTime SimulatedTerminal::Time() const
{
    return impl_->core.Now();
}

uint32_t SimulatedTerminal::MemoryPointer() const
{
    return impl_->core.Memory().Pointer();
}

bool SimulatedTerminal::MemoryWrapped() const
{
    return impl_->core.Memory().Wrapped();
}

std::span<const uint8_t> SimulatedTerminal::Memory() const
{
    return impl_->core.Memory().Bytes();
}

std::vector<MemoryRecordInfo> SimulatedTerminal::RecordsInMemory() const
{
    return impl_->core.Memory().Records();
}

bool SimulatedTerminal::AcquisitionRunning() const
{
    return impl_->core.Running();
}

bool SimulatedTerminal::RecordingOn() const
{
    return impl_->core.Recording();
}

uint8_t SimulatedTerminal::Channel() const
{
    return impl_->core.Mesh().ram.channel;
}

bool SimulatedTerminal::Bonded(uint8_t meshAddress) const
{
    return impl_->core.Mesh().IsBonded(meshAddress);
}

uint8_t SimulatedTerminal::SlotFunction(uint8_t meshAddress) const
{
    return impl_->core.StatusReply(static_cast<uint8_t>(meshAddress - 1))[1] & 0x07;
}

std::optional<SimulatedNode> SimulatedTerminal::Node(uint8_t p2p) const
{
    for (const sim::ElementNode& n : impl_->core.Nodes())
        if (n.p2p == p2p)
            return SimulatedNode{n.meshAddress, n.foreignMesh, n.ram.channel, n.eeprom.channel};
    return std::nullopt;
}

uint64_t SimulatedTerminal::FramesReceived() const
{
    return impl_->frames;
}

const Scenario& SimulatedTerminal::GetScenario() const
{
    return impl_->scenario;
}

}  // namespace kolmaris
