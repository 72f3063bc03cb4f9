// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The terminal's IQRF side: its own module (the coordinator of the MESH, with its radio
// parameters, bonding table and number of hops) and the nodes around it. Relayed
// requests are carried out here: IQRF network requests on the local, MESH or P2P
// network, and element commands to a MESH address. A node answers only when it is in
// range and tuned to the coordinator's channel and IQRF mode; otherwise the coordinator
// reports that no answer came (byte 1 = 0xFF).

#include "ElementNode.h"
#include "SimRandom.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kolmaris::sim {

inline constexpr int kMeshAddresses = 16;

// True when the second body byte is a network-and-operation byte of the local, MESH or
// P2P network; otherwise the body is an element command.
bool IsNetworkRequest(uint8_t netOp);

class MeshNetwork {
public:
    MeshNetwork(const TerminalSetup& setup, std::vector<ElementNode>& nodes, uint64_t seed);

    // Answer data to a relayed request body (address, network-and-operation or element
    // command, ...). Changes the network as the request says.
    std::vector<uint8_t> Carry(std::span<const uint8_t> body, uint64_t uptime, TerminalTime terminalTime);

    // The node bonded at a MESH address (in the coordinator's table and by its own bond),
    // reachable or not; nullptr when there is none.
    ElementNode* Member(uint8_t meshAddress);
    bool Reachable(const ElementNode& node) const;
    bool IsBonded(uint8_t meshAddress) const;
    // Signal strengths with a little jitter: as the node hears the coordinator, and back.
    uint8_t NodeRssi(const ElementNode& node);
    uint8_t CoordinatorRssi(const ElementNode& node);

    RadioParameters ram;
    RadioParameters eeprom;
    uint8_t hops;
    uint8_t p2p;
    uint8_t lastRssi;  // of the last packet the coordinator received

private:
    std::vector<uint8_t> Local(uint8_t op, std::span<const uint8_t> args);
    std::vector<uint8_t> Remote(ElementNode& node, uint8_t op, std::span<const uint8_t> args, bool p2pNetwork);
    std::vector<uint8_t> Mesh(uint8_t address, uint8_t op, std::span<const uint8_t> args);
    std::vector<uint8_t> PeerToPeer(uint8_t address, uint8_t op, std::span<const uint8_t> args);
    std::vector<uint8_t> Element(uint8_t address, std::span<const uint8_t> command, uint64_t uptime,
                                 TerminalTime terminalTime);
    std::vector<uint8_t> BondingMap() const;
    std::vector<uint8_t> CoordinatorInfo() const;

    std::vector<ElementNode>& nodes_;
    std::array<bool, kMeshAddresses + 1> bonded_{};
    uint32_t moduleId_;
    Rng rng_;
};

}  // namespace kolmaris::sim
