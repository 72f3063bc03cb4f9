// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A terminal that serves a data-memory image the test lays out: the write pointer, memory
// reads and SetAcquisition, with failures on demand (a failing request stays unanswered, so
// the link times out). Records are laid into the ring 1..0x1FFFF as the terminal writes them;
// address 0 holds the format byte.

#include "ScriptedTerminal.h"

#include <cstdint>
#include <vector>

namespace kolmaris::testing {

class ImageTerminal {
public:
    static constexpr uint32_t kMemorySize = 0x20000;

    ImageTerminal()
    {
        memory[0] = 0x01;
        terminal.Respond([this](const Request& r) { return Answer(r); });
    }

    // The address `steps` ring positions below `address` (address 0 is not in the ring).
    static uint32_t Below(uint32_t address, uint32_t steps = 1)
    {
        for (uint32_t i = 0; i < steps; ++i)
            address = address <= 1 ? kMemorySize - 1 : address - 1;
        return address;
    }

    // Lays `records` (oldest first, each L data L) so that the newest ends just below `pointer`,
    // puts `syncByte` at the pointer and returns the address of every leading length byte.
    std::vector<uint32_t> LayBelowPointer(uint32_t pointerAddress, const std::vector<std::vector<uint8_t>>& records,
                                          uint8_t syncByte)
    {
        std::vector<uint8_t> stream;
        for (const auto& r : records) {
            stream.push_back(static_cast<uint8_t>(r.size()));
            stream.insert(stream.end(), r.begin(), r.end());
            stream.push_back(static_cast<uint8_t>(r.size()));
        }
        uint32_t address = Below(pointerAddress, static_cast<uint32_t>(stream.size()));
        std::vector<uint32_t> starts;
        std::size_t next = 0;
        for (const auto& r : records) {
            starts.push_back(address);
            for (std::size_t i = 0; i < r.size() + 2; ++i, ++next) {
                memory[address] = stream[next];
                address = address == kMemorySize - 1 ? 1 : address + 1;
            }
        }
        pointer = static_cast<int32_t>(pointerAddress);
        memory[pointerAddress] = syncByte;
        return starts;
    }

    // The payloads of the requests of a header type asked for: 0 memory reads (opcode with
    // count and bit 16, address), 1 commands (opcode and arguments).
    std::vector<std::vector<uint8_t>> Requests(uint8_t headerType) const
    {
        std::vector<std::vector<uint8_t>> payloads;
        for (const Request& r : terminal.requests)
            if (r.headerType == headerType)
                payloads.push_back(r.payload);
        return payloads;
    }

    StepLink& Link() { return terminal.link; }
    Clock& GetClock() { return terminal.clock; }

    ScriptedTerminal terminal;
    std::vector<uint8_t> memory = std::vector<uint8_t>(kMemorySize, 0xFF);
    int32_t pointer = -1;  // -1: the terminal reports none
    bool recordingOn = true;
    // Requests of each kind left unanswered from now on.
    int failReads = 0;
    int failPointer = 0;
    int failRecordingOff = 0;
    int failRecordingOn = 0;
    // Reads of this base address (with bit 16) left unanswered, however often asked.
    int64_t deadBlock = -1;

private:
    static bool Spend(int& budget)
    {
        if (budget == 0)
            return false;
        --budget;
        return true;
    }

    std::optional<std::vector<uint8_t>> Answer(const Request& r)
    {
        const auto& p = r.payload;
        if (r.headerType == 0 && p.size() == 3 && (p[0] & 0xE0) == 0xE0) {
            const uint32_t address = ((p[0] & 0x10) ? 0x10000u : 0u) | uint32_t{p[1]} << 8 | p[2];
            if (static_cast<int64_t>(address) == deadBlock || Spend(failReads))
                return std::nullopt;
            std::vector<uint8_t> reply{p[0]};
            for (uint32_t i = 0; i <= (p[0] & 0x0Fu); ++i)
                reply.push_back(memory[(address + i) % kMemorySize]);
            return reply;
        }
        if (r.headerType == 1 && p.size() == 1 && p[0] == 0x3E) {
            if (Spend(failPointer))
                return std::nullopt;
            if (pointer < 0)
                return std::vector<uint8_t>{0x3E, 0x80, 0xFF, 0xFF};
            return std::vector<uint8_t>{0x3E, static_cast<uint8_t>(pointer >> 16), static_cast<uint8_t>(pointer >> 8),
                                        static_cast<uint8_t>(pointer)};
        }
        if (r.headerType == 1 && p.size() == 2 && p[0] == 0xBE) {
            if ((p[1] == 0x2D && Spend(failRecordingOff)) || (p[1] == 0x2C && Spend(failRecordingOn)))
                return std::nullopt;
            if (p[1] == 0x2D || p[1] == 0x2C)
                recordingOn = p[1] == 0x2C;
            return std::vector<uint8_t>{0xBE};
        }
        return std::nullopt;
    }
};

}  // namespace kolmaris::testing
