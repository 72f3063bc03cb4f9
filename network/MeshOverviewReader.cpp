// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshOverviewReader.h"

#include "Printf.h"
#include "TerminalCommands.h"

#include <algorithm>

namespace kolmaris {

namespace {

constexpr uint8_t kTerminal = 0;
constexpr uint8_t kMaxPower = 7;
constexpr uint8_t kParameterAnswer = 3;
constexpr uint8_t kElementDataAnswer = 19;
constexpr uint8_t kNodeInfoAnswer = 12;
constexpr uint16_t kKindNotRead = 0x8000;
constexpr uint16_t kFunctionBits = 0x0007;
constexpr uint8_t kP2pBits = 0x7F;
constexpr uint8_t kRssiBits = 0x7F;
// Exchanges in a row without any reply (at least) after which the terminal counts as gone.
constexpr int kSilentExchanges = 3;

uint8_t PowerOf(const RelayedAnswer& a)
{
    return a.data[2] > kMaxPower ? 0 : a.data[2];
}

}  // namespace

std::string MeshOverviewReader::VoltageText(float volts)
{
    return Printf("%0.2f V", static_cast<double>(volts));
}

void MeshOverviewReader::Start(std::vector<uint8_t> addresses, int attemptCount)
{
    rows_ = std::move(addresses);
    limit_ = attemptCount;
    step_ = 1;
    incomplete_.fill(false);
    rssi_.fill(std::nullopt);
    hops_.reset();
}

bool MeshOverviewReader::Failed()
{
    if (++attemptNo_ < limit_)
        return false;
    attemptNo_ = 0;
    return true;
}

MeshOverviewReader::Answer MeshOverviewReader::Poll(StepLink& link, uint8_t length, bool& wrongLength)
{
    wrongLength = false;
    if (PollRelayedReply(link, answer_) != kOk)
        return Failed() ? Answer::GaveUp : Answer::Wait;
    if (answer_.error == 0 && !answer_.complete) {
        // A silent radio cannot hold the read: only the first run of incomplete answers clears
        // the failed attempts, every further kMaxCompositePolls of them count as a failed poll.
        if (++incompleteNo_ <= kMaxCompositePolls)
            attemptNo_ = 0;
        if (incompleteNo_ % kMaxCompositePolls != 0)
            return Answer::Wait;
        if (!Failed())
            return Answer::Wait;
        incompleteNo_ = 0;
        return Answer::GaveUp;
    }
    attemptNo_ = 0;
    incompleteNo_ = 0;
    if (answer_.error == 0 && answer_.length == length) {
        repeatNo_ = 0;
        return Answer::Accepted;
    }
    if (++repeatNo_ < limit_)
        return Answer::Retry;
    repeatNo_ = 0;
    wrongLength = answer_.error == 0;
    return Answer::GaveUp;
}

std::string MeshOverviewReader::Text(const std::string& text) const
{
    return repeatNo_ > 0 ? text + " #" + std::to_string(repeatNo_ + 1) : text;
}

void MeshOverviewReader::Progress(const std::string& text)
{
    if (events.progress)
        events.progress(text);
}

void MeshOverviewReader::Cell(uint8_t address, OverviewCell cell, const std::string& text)
{
    if (events.cell)
        events.cell(address, cell, text);
}

void MeshOverviewReader::GiveUp(uint8_t address)
{
    readFailed_ = true;
    incomplete_[address] = true;
}

void MeshOverviewReader::Next(uint8_t address, int step)
{
    if (address != kTerminal)
        ++rowNo_;
    step_ = step;
}

void MeshOverviewReader::AfterSend(uint32_t result, uint8_t address, int failStep)
{
    if (result == kOk) {
        attemptNo_ = 0;
        ++step_;
    } else if (Failed()) {
        GiveUp(address);
        Next(address, failStep);
    }
}

void MeshOverviewReader::SendRow(OverviewCell cell, const char* progress, int afterRows,
                                 const std::function<uint32_t(uint8_t)>& request)
{
    const uint8_t address = Row();
    if (address == 0) {
        rowNo_ = 0;
        step_ = afterRows;
        return;
    }
    Cell(address, cell, "?");
    Progress(Text(Printf(progress, address)));
    AfterSend(request(address), address, step_);
}

bool MeshOverviewReader::PollStep(StepLink& link, uint8_t address, uint8_t length, int next, int failStep,
                                  const std::function<void()>& wrongLength)
{
    bool wrong = false;
    switch (Poll(link, length, wrong)) {
        case Answer::Accepted:
            Next(address, next);
            return true;
        case Answer::Retry:
            --step_;
            break;
        case Answer::GaveUp:
            if (wrong && wrongLength)
                wrongLength();
            GiveUp(address);
            Next(address, failStep);
            break;
        case Answer::Wait:
            break;
    }
    return false;
}

MeshOverviewReader::TickResult MeshOverviewReader::Tick(StepLink& link, MeasuringSystem& model)
{
    ElementSlot& terminal = model.ElementTable[kTerminal];
    switch (step_) {
        case 1:
            rowNo_ = 0;
            attemptNo_ = repeatNo_ = incompleteNo_ = 0;
            readFailed_ = terminalSilent_ = false;
            Progress("Reading number of hops");
            step_ = 2;
            break;
        case 2: {
            uint8_t hops = 0;
            if (ReadCoordinatorRouting(link, hops) == kOk) {
                attemptNo_ = 0;
                hops_ = hops;
                if (events.hops)
                    events.hops(hops);
                step_ = 3;
            } else if (Failed()) {
                GiveUp(kTerminal);
                step_ = kEnd;
            }
            break;
        }
        case 3:
            Cell(kTerminal, OverviewCell::Channel, "?");
            Progress(Text("Channel reading"));
            AfterSend(RequestReadChannel(link, Network::Local, 0), kTerminal, kEnd);
            break;
        case 4:
            if (PollStep(link, kTerminal, kParameterAnswer, 5, kEnd, [&] { terminal.channel = kUnknown; })) {
                terminal.channel = answer_.data[2];
                Cell(kTerminal, OverviewCell::Channel, std::to_string(terminal.channel));
            }
            break;
        case 5: {
            if (rowNo_ > 0 && events.highlight)
                events.highlight(rows_[rowNo_ - 1], false);
            const uint8_t address = Row();
            if (address == 0) {
                rowNo_ = 0;
                step_ = 6;
                break;
            }
            if (events.highlight)
                events.highlight(address, true);
            Progress(Printf("Reading assignment \u2013 element Nr. %d", address));
            uint8_t function = 0;
            if (ReadElementKind(link, address, function) == kOk) {
                attemptNo_ = 0;
                uint16_t& kind = model.ElementTable[address].status.kind;
                kind = static_cast<uint16_t>((kind & ~(kFunctionBits | kKindNotRead)) | function);
                if (events.function)
                    events.function(address, function);
                ++rowNo_;
            } else if (Failed()) {
                if (events.highlight)
                    events.highlight(address, false);
                GiveUp(address);
                step_ = kEnd;
            }
            break;
        }
        case 6:
            Cell(kTerminal, OverviewCell::Power, "?");
            Cell(kTerminal, OverviewCell::Rssi, "");
            Progress(Text("Reading terminal power"));
            AfterSend(RequestReadPower(link, Network::Local, 0), kTerminal, 8);
            break;
        case 7:
            if (PollStep(link, kTerminal, kParameterAnswer, 8, 8)) {
                terminal.power = PowerOf(answer_);
                Cell(kTerminal, OverviewCell::Power, std::to_string(terminal.power));
            }
            break;
        case 8:
            SendRow(OverviewCell::Power, "Reading power \u2013 element No. %d", 10,
                    [&](uint8_t address) { return RequestReadPower(link, Network::Mesh, address); });
            break;
        case 9: {
            const uint8_t address = Row();
            ElementSlot& slot = model.ElementTable[address];
            const auto unknown = [&] {
                slot.power = kUnknown;
                Cell(address, OverviewCell::Rssi, "...");
            };
            if (PollStep(link, address, kParameterAnswer, 8, 8, unknown)) {
                slot.power = PowerOf(answer_);
                Cell(address, OverviewCell::Power, std::to_string(slot.power));
                OverviewRssi rssi{static_cast<uint8_t>(answer_.data[0] & kRssiBits), std::nullopt};
                // The read goes on without the terminal's side of the signal.
                if (uint8_t local = 0; ReadLocalRssi(link, local) == kOk)
                    rssi.local = local;
                rssi_[address] = rssi;
                // In dBm, as the column's caption says.
                Cell(address, OverviewCell::Rssi,
                     std::to_string(RssiDbm(rssi.element)) + "/" +
                         (rssi.local ? std::to_string(RssiDbm(*rssi.local)) : "..."));
            }
            break;
        }
        case 10:
            Progress("Reading terminal voltage");
            Cell(kTerminal, OverviewCell::Voltage, "?");
            if (StartVoltageMeasurement(link) == kOk) {
                attemptNo_ = 0;
                step_ = 11;
            } else if (Failed()) {
                incomplete_[kTerminal] = true;
                step_ = 11;
            }
            break;
        case 11: {
            float volts = 0.0f;
            if (ReadTerminalVoltage(link, volts) == kOk) {
                attemptNo_ = 0;
                terminal.status.voltage = volts;
                Cell(kTerminal, OverviewCell::Voltage, VoltageText(volts));
                step_ = 12;
            } else if (Failed()) {
                incomplete_[kTerminal] = true;
                step_ = 12;
            }
            break;
        }
        case 12:
            SendRow(OverviewCell::Voltage, "Reading voltage \u2013 element No. %d", 14,
                    [&](uint8_t address) { return RequestElementData(link, address); });
            break;
        case 13: {
            const uint8_t address = Row();
            ElementSlot& slot = model.ElementTable[address];
            if (PollStep(link, address, kElementDataAnswer, 12, 12,
                         [&] { slot.status.voltage = kUnknownVoltage; })) {
                slot.status.voltage = static_cast<float>((answer_.data[15] << 8 | answer_.data[16]) * 0.001);
                Cell(address, OverviewCell::Voltage, VoltageText(slot.status.voltage));
            }
            break;
        }
        case 14:
            SendRow(OverviewCell::P2p, "Reading P2P address \u2013 element No. %d", 16,
                    [&](uint8_t address) { return RequestNodeInfo(link, Network::Mesh, address); });
            break;
        case 15: {
            const uint8_t address = Row();
            ElementSlot& slot = model.ElementTable[address];
            const auto unknown = [&] {
                slot.p2pAddress = kUnknown;
                Cell(address, OverviewCell::P2p, "...");
            };
            if (PollStep(link, address, kNodeInfoAnswer, 14, 14, unknown)) {
                slot.p2pAddress = answer_.data[1] & kP2pBits;
                Cell(address, OverviewCell::P2p, std::to_string(slot.p2pAddress));
            }
            break;
        }
        case 16:
            Cell(kTerminal, OverviewCell::P2p, "?");
            Progress(Text("Reading terminal P2P"));
            AfterSend(RequestNodeInfo(link, Network::Local, 0), kTerminal, kEnd);
            break;
        case 17:
            if (PollStep(link, kTerminal, kNodeInfoAnswer, kEnd, kEnd)) {
                terminal.p2pAddress = answer_.data[1] & kP2pBits;
                Cell(kTerminal, OverviewCell::P2p, std::to_string(terminal.p2pAddress));
            }
            break;
        case kEnd:
            return TickResult::Finished;
        default:
            step_ = kEnd;
            return TickResult::ProtocolError;
    }
    // A terminal that answers nothing any more ends the read: the steps left would only wait
    // for it, and their values would be none.
    if (link.SilentExchanges() >= std::max(limit_, kSilentExchanges)) {
        terminalSilent_ = readFailed_ = true;
        step_ = kEnd;
    }
    return step_ == kEnd ? TickResult::Finished : TickResult::Running;
}

}  // namespace kolmaris
