// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeshNetwork.h"

#include <algorithm>

namespace kolmaris::sim {
namespace {

constexpr uint8_t kNetLocal = 0xA0;
constexpr uint8_t kNetMesh = 0x50;
constexpr uint8_t kNetP2p = 0x90;

constexpr uint8_t kOpPlain = 0x00;
constexpr uint8_t kOpRead = 0xD1;
constexpr uint8_t kOpWrite = 0x39;
constexpr uint8_t kOpStore = 0x4B;
constexpr uint8_t kOpCaption = 0x72;
constexpr uint8_t kOpBond = 0x65;
constexpr uint8_t kOpUnbond = 0xB4;
constexpr uint8_t kOpReset = 0x5C;
constexpr uint8_t kOperations[] = {kOpPlain, kOpRead, kOpWrite, kOpStore, kOpCaption, kOpBond, kOpUnbond, kOpReset};

constexpr uint8_t kCmdNodeInfo = 0x60;
constexpr uint8_t kCmdBondingMap = 0xB1;
constexpr uint8_t kCmdRssi = 0xC3;

constexpr uint8_t kParamChannel = 0x88;
constexpr uint8_t kParamPower = 0x99;
constexpr uint8_t kParamMode = 0xCC;
constexpr uint8_t kParamHops = 0xBB;

constexpr uint8_t kBroadcast = 0xFF;
constexpr uint8_t kHighestChannel = 61;
constexpr std::size_t kCaptionBytes = 16;

// The network (local, MESH, P2P) and operation of a network-and-operation byte, if it is one.
bool SplitNetOp(uint8_t netOp, uint8_t& net, uint8_t& op)
{
    for (const uint8_t n : {kNetLocal, kNetMesh, kNetP2p}) {
        for (const uint8_t o : kOperations) {
            if (static_cast<uint8_t>(n ^ o) == netOp) {
                net = n;
                op = o;
                return true;
            }
        }
    }
    return false;
}

std::vector<uint8_t> Status(uint8_t rssi, uint8_t code)
{
    return {rssi, code};
}

std::vector<uint8_t> NoAnswer()
{
    return {0, kNoAnswer};
}

std::vector<uint8_t> Caption(uint8_t rssi, const std::string& caption)
{
    std::vector<uint8_t> out(2 + kCaptionBytes, 0);
    out[0] = rssi;
    out[1] = kAnswerOk;
    std::copy_n(caption.begin(), std::min(caption.size(), kCaptionBytes), out.begin() + 2);
    return out;
}

// Reads, writes (RAM) or stores (EEPROM) a radio parameter. Hops only where `hops` is given.
std::vector<uint8_t> Parameter(uint8_t rssi, uint8_t op, std::span<const uint8_t> args, RadioParameters& ram,
                               RadioParameters& eeprom, uint8_t* hops)
{
    if (args.empty())
        return Status(rssi, kBadStructure);
    uint8_t* running = nullptr;
    uint8_t* stored = nullptr;
    uint8_t highest = 0;
    switch (args[0]) {
    case kParamChannel:
        running = &ram.channel, stored = &eeprom.channel, highest = kHighestChannel;
        break;
    case kParamPower:
        running = &ram.power, stored = &eeprom.power, highest = 7;
        break;
    case kParamMode:
        running = &ram.mode, stored = &eeprom.mode, highest = 3;
        break;
    case kParamHops:
        if (!hops)
            return Status(rssi, kBadCommandInMode);
        running = stored = hops, highest = 15;
        break;
    default:
        return Status(rssi, kBadStructure);
    }
    if (op == kOpRead)
        return {rssi, kAnswerOk, *running};
    if (args.size() < 2 || args[1] > highest)
        return Status(rssi, kBadStructure);
    *(op == kOpWrite ? running : stored) = args[1];
    return Status(rssi, kAnswerOk);
}

}  // namespace

bool IsNetworkRequest(uint8_t netOp)
{
    uint8_t net = 0;
    uint8_t op = 0;
    return SplitNetOp(netOp, net, op);
}

MeshNetwork::MeshNetwork(const TerminalSetup& setup, std::vector<ElementNode>& nodes, uint64_t seed)
    : hops(std::min<uint8_t>(setup.routingHops, 15)),
      p2p(setup.p2pAddress & 0x7F),
      lastRssi(std::min<uint8_t>(setup.rssi, 127)),
      nodes_(nodes),
      moduleId_(static_cast<uint32_t>(Mix(seed ^ 0x434F4F52ull))),
      rng_(Mix(seed ^ 0x52535349ull))
{
    ram.channel = std::min(setup.channel, kHighestChannel);
    ram.power = std::min<uint8_t>(setup.power, 7);
    ram.mode = setup.iqrfMode & 3;
    eeprom = ram;
    for (const ElementNode& n : nodes_)
        if (n.meshAddress >= 1 && n.meshAddress <= kMeshAddresses)
            bonded_[n.meshAddress] = true;
}

bool MeshNetwork::IsBonded(uint8_t meshAddress) const
{
    return meshAddress >= 1 && meshAddress <= kMeshAddresses && bonded_[meshAddress];
}

ElementNode* MeshNetwork::Member(uint8_t meshAddress)
{
    if (!IsBonded(meshAddress))
        return nullptr;
    for (ElementNode& n : nodes_)
        if (n.meshAddress == meshAddress)
            return &n;
    return nullptr;
}

bool MeshNetwork::Reachable(const ElementNode& node) const
{
    return node.inRange && node.ram.channel == ram.channel && node.ram.mode == ram.mode;
}

uint8_t MeshNetwork::NodeRssi(const ElementNode& node)
{
    const int r = node.rssi - 3 * (7 - ram.power) + static_cast<int>(rng_.Next() % 5) - 2;
    return static_cast<uint8_t>(std::clamp(r, 1, 127));
}

uint8_t MeshNetwork::CoordinatorRssi(const ElementNode& node)
{
    const int r = node.rssi - 3 * (7 - node.ram.power) + static_cast<int>(rng_.Next() % 5) - 2;
    lastRssi = static_cast<uint8_t>(std::clamp(r, 1, 127));
    return lastRssi;
}

std::vector<uint8_t> MeshNetwork::Carry(std::span<const uint8_t> body, uint64_t uptime, TerminalTime terminalTime)
{
    if (body.size() < 2)
        return Status(lastRssi, kBadStructure);
    uint8_t net = 0;
    uint8_t op = 0;
    if (!SplitNetOp(body[1], net, op))
        return Element(body[0], body.subspan(1), uptime, terminalTime);
    const auto args = body.subspan(2);
    if (net == kNetLocal)
        return Local(op, args);
    if (net == kNetMesh)
        return Mesh(body[0], op, args);
    return PeerToPeer(body[0], op, args);
}

std::vector<uint8_t> MeshNetwork::BondingMap() const
{
    std::vector<uint8_t> out{lastRssi, 0, 0, 0, 0};
    for (int a = 1; a <= kMeshAddresses; ++a) {
        if (bonded_[a]) {
            ++out[1];
            out[2 + a / 8] |= static_cast<uint8_t>(1u << (a % 8));
        }
    }
    return out;
}

std::vector<uint8_t> MeshNetwork::CoordinatorInfo() const
{
    std::vector<uint8_t> out{lastRssi, p2p};
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(moduleId_ >> shift));
    out.insert(out.end(), {0x43, 0x00, 0x01, 0x00, ram.channel, static_cast<uint8_t>(ram.power << 4 | ram.mode)});
    return out;
}

std::vector<uint8_t> MeshNetwork::Local(uint8_t op, std::span<const uint8_t> args)
{
    const uint8_t r = lastRssi;
    switch (op) {
    case kOpPlain:
        if (args.empty())
            return Status(r, kBadStructure);
        if (args[0] == kCmdNodeInfo)
            return CoordinatorInfo();
        if (args[0] == kCmdBondingMap)
            return BondingMap();
        if (args[0] == kCmdRssi)
            return Status(r, kAnswerOk);
        return Status(r, kBadStructure);
    case kOpRead:
    case kOpWrite:
    case kOpStore:
        return Parameter(r, op, args, ram, eeprom, &hops);
    case kOpCaption:
        return Caption(r, "Terminal");
    case kOpReset:
        ram = eeprom;
        return Status(r, kAnswerOk);
    case kOpUnbond:
        if (args.empty() || args[0] > kMeshAddresses)
            return Status(r, kBadStructure);
        if (args[0] == 0)
            bonded_.fill(false);
        else
            bonded_[args[0]] = false;
        return Status(r, kAnswerOk);
    case kOpBond: {
        if (args.empty() || args[0] < 1 || args[0] > kMeshAddresses)
            return Status(r, kBadStructure);
        if (bonded_[args[0]])
            return Status(r, kBadAddress);
        const auto waiting = std::find_if(nodes_.begin(), nodes_.end(), [this](const ElementNode& n) {
            return n.bondRequested && Reachable(n);
        });
        if (waiting == nodes_.end())
            return NoAnswer();
        waiting->meshAddress = args[0];
        waiting->foreignMesh = 0;
        waiting->bondRequested = false;
        bonded_[args[0]] = true;
        return Status(CoordinatorRssi(*waiting), kAnswerOk);
    }
    default:
        return Status(r, kBadStructure);
    }
}

std::vector<uint8_t> MeshNetwork::Remote(ElementNode& node, uint8_t op, std::span<const uint8_t> args,
                                         bool p2pNetwork)
{
    const uint8_t r = NodeRssi(node);
    CoordinatorRssi(node);
    switch (op) {
    case kOpPlain:
        if (args.empty())
            return Status(r, kBadStructure);
        if (args[0] == kCmdNodeInfo)
            return node.NodeInfo(r);
        if (args[0] == kCmdRssi)
            return Status(r, kAnswerOk);
        return Status(r, kBadCommandInMode);
    case kOpRead:
    case kOpWrite:
    case kOpStore:
        return Parameter(r, op, args, node.ram, node.eeprom, nullptr);
    case kOpCaption:
        return Caption(r, node.caption);
    case kOpReset:
        node.Reset();
        return Status(r, kAnswerOk);
    case kOpUnbond:
        node.meshAddress = 0;
        node.foreignMesh = 0;
        return Status(r, kAnswerOk);
    case kOpBond:
        if (!p2pNetwork || node.Bonded())
            return Status(r, kBadCommandInMode);
        node.bondRequested = true;
        return Status(r, kAnswerOk);
    default:
        return Status(r, kBadStructure);
    }
}

std::vector<uint8_t> MeshNetwork::Mesh(uint8_t address, uint8_t op, std::span<const uint8_t> args)
{
    if (address == kBroadcast && op == kOpReset) {
        for (ElementNode& n : nodes_)
            if (IsBonded(n.meshAddress) && Reachable(n))
                n.Reset();
        return Status(lastRssi, kAnswerOk);
    }
    if (!IsBonded(address))
        return Status(lastRssi, kBadAddress);
    ElementNode* node = Member(address);
    if (!node || !Reachable(*node))
        return NoAnswer();
    return Remote(*node, op, args, false);
}

std::vector<uint8_t> MeshNetwork::PeerToPeer(uint8_t address, uint8_t op, std::span<const uint8_t> args)
{
    ElementNode* found = nullptr;
    for (ElementNode& n : nodes_) {
        if (!Reachable(n))
            continue;
        // A broadcast reaches the nodes that are not members of this MESH; the lowest P2P address answers first.
        const bool match = address == kBroadcast ? !(n.meshAddress && IsBonded(n.meshAddress)) : n.p2p == address;
        if (match && (!found || n.p2p < found->p2p))
            found = &n;
    }
    if (!found)
        return NoAnswer();
    return Remote(*found, op, args, true);
}

std::vector<uint8_t> MeshNetwork::Element(uint8_t address, std::span<const uint8_t> command, uint64_t uptime,
                                          TerminalTime terminalTime)
{
    if (!IsBonded(address))
        return Status(lastRssi, kBadAddress);
    ElementNode* node = Member(address);
    if (!node || !Reachable(*node))
        return NoAnswer();
    AnswerContext at{NodeRssi(*node), uptime, terminalTime};
    CoordinatorRssi(*node);
    return node->Answer(command, at);
}

}  // namespace kolmaris::sim
