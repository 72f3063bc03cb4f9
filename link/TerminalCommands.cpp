// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalCommands.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

namespace kolmaris {
namespace {

constexpr std::size_t kMemoryBlock = 16;

uint32_t Command(StepLink& link, std::initializer_list<uint8_t> payload)
{
    return link.Transact(kHeaderCommand, std::span<const uint8_t>(payload.begin(), payload.size()));
}

uint8_t Byte(uint32_t value, int index)
{
    return static_cast<uint8_t>(value >> (8 * index));
}

}  // namespace

uint32_t ReadTerminalMemory(StepLink& link, uint32_t address, std::span<uint8_t> buffer)
{
    link.HeaderType = kHeaderMemory;
    link.LinkError = kOk;
    if (buffer.empty())
        return kOk;
    if (uint64_t{address} + buffer.size() - 1 > kTerminalMemoryEnd)
        return kErrMemoryAddress;

    // Gathered apart so that a failed read leaves the caller's buffer alone.
    std::vector<uint8_t> data;
    data.reserve(buffer.size());
    while (data.size() < buffer.size()) {
        const std::size_t remaining = buffer.size() - data.size();
        const std::size_t offset = address & 0x0F;
        const std::size_t n = std::min(remaining, kMemoryBlock - offset);
        const std::array<uint8_t, 3> request{
            static_cast<uint8_t>(0xE0 | (n - 1) | ((address & 0x10000) ? 0x10 : 0x00)),
            Byte(address, 1),
            Byte(address, 0),
        };
        if (const uint32_t sent = link.SendRequest(request.data(), request.size()))
            return sent;
        if (const uint32_t error = link.WaitReply())
            return error;
        // Byte 0, then exactly the n bytes asked for.
        const auto reply = link.Reply().Bytes();
        if (reply.size() != n + 1)
            return kErrCrcOrLength;
        data.insert(data.end(), reply.begin() + 1, reply.end());
        address += static_cast<uint32_t>(n);
    }
    std::copy(data.begin(), data.end(), buffer.begin());
    return link.LinkError;
}

uint32_t StartVoltageMeasurement(StepLink& link)
{
    return Command(link, {0xB8, 0x01});
}

uint32_t ReadTerminalVoltage(StepLink& link, float& volts)
{
    if (const uint32_t error = Command(link, {0x38}))
        return error;
    const auto raw = link.Reply().U16(1);
    if (!raw)
        return kErrCrcOrLength;
    volts = static_cast<float>(*raw) / 100.0f;
    return kOk;
}

uint32_t StartEnvironmentMeasurement(StepLink& link)
{
    return Command(link, {0xB8, 0x02});
}

uint32_t ReadTerminalEnvironment(StepLink& link, uint32_t& pressure, float& temperature, float& humidity)
{
    if (const uint32_t error = Command(link, {0x39}))
        return error;
    const ReplyReader reply = link.Reply();
    const auto p = reply.U16(1);
    const auto t = reply.U16(3);  // tenths of a kelvin
    const auto h = reply.U16(5);  // tenths of a percent
    if (!p || !t || !h)
        return kErrCrcOrLength;
    pressure = *p;
    temperature = static_cast<float>(int32_t{*t} - 2732) / 10.0f;
    humidity = static_cast<float>(*h) / 10.0f;
    return kOk;
}

uint32_t ReadTerminalVersion(StepLink& link, uint16_t& version)
{
    if (const uint32_t error = Command(link, {0x3F}))
        return error;
    const ReplyReader reply = link.Reply();
    const auto v = reply.U16(reply.Size() == 7 ? 5 : 6);
    if (!v)
        return kErrCrcOrLength;
    version = *v;
    return kOk;
}

uint32_t ReadTerminalTime(StepLink& link, uint32_t& time)
{
    if (const uint32_t error = Command(link, {0x3A}))
        return error;
    const auto t = link.Reply().U32(1);
    if (!t)
        return kErrCrcOrLength;
    time = *t;
    return kOk;
}

uint32_t SetTerminalTime(StepLink& link, uint32_t time)
{
    return Command(link, {0xBA, Byte(time, 3), Byte(time, 2), Byte(time, 1), Byte(time, 0)});
}

uint32_t SetRelayMode(StepLink& link, uint8_t mode)
{
    return Command(link, {0xBB, static_cast<uint8_t>(0x30 | mode)});
}

uint32_t ReadTerminalFlags(StepLink& link, uint8_t& flags)
{
    if (const uint32_t error = Command(link, {0x3B}))
        return error;
    auto f = link.Reply().U8(1);
    if (!f)
        return kErrCrcOrLength;
    NormaliseFlags(*f);
    flags = *f;
    return kOk;
}

uint32_t WriteAcquisitionSettings(StepLink& link, uint16_t queryPeriod, uint16_t cycles)
{
    return Command(link, {0xBC, Byte(queryPeriod, 1), Byte(queryPeriod, 0), Byte(cycles, 0)});
}

uint32_t ReadAcquisitionState(StepLink& link, uint8_t& stateFlags, uint32_t& countdown, uint32_t& queryPeriod,
                              uint16_t& cycles)
{
    if (const uint32_t error = Command(link, {0x3C}))
        return error;
    const ReplyReader reply = link.Reply();
    const auto flags = reply.U8(1);
    const auto period = reply.U16(2);
    const auto next = reply.U16(4);
    const auto battery = reply.U8(8);
    if (!flags || !period || !next || !battery)
        return kErrCrcOrLength;
    stateFlags = *flags;
    queryPeriod = *period;
    countdown = *next;
    cycles = *battery == 0 ? 256 : *battery;
    return kOk;
}

uint32_t ReadMemoryPointer(StepLink& link, int32_t& pointer)
{
    if (const uint32_t error = Command(link, {0x3E}))
        return error;
    const ReplyReader reply = link.Reply();
    const auto high = reply.U8(1);
    const auto low = reply.U16(2);
    if (!high || !low)
        return kErrCrcOrLength;
    pointer = (*high & 0x80) ? -1 : static_cast<int32_t>(((*high & 0x01) << 16) | *low);
    return kOk;
}

uint32_t ReadElementStatus(StepLink& link, uint8_t slot, ElementStatus& status)
{
    if (const uint32_t error = Command(link, {0x3D, static_cast<uint8_t>(slot - 1)}))
        return error;
    return DecodeElementStatus(link.Reply().Bytes(), status);
}

uint32_t ReadElementKind(StepLink& link, uint8_t slot, uint8_t& function)
{
    if (const uint32_t error = Command(link, {0x3D, static_cast<uint8_t>(slot - 1)}))
        return error;
    const auto kind = link.Reply().U8(1);
    if (!kind)
        return kErrCrcOrLength;
    function = FunctionCode(*kind);
    return kOk;
}

uint32_t SetAcquisition(StepLink& link, uint8_t controlCode)
{
    return Command(link, {0xBE, controlCode});
}

uint32_t SetElementFunction(StepLink& link, uint8_t slot, uint8_t function)
{
    // Each field keeps to its own nibble.
    return Command(link, {0xBD, static_cast<uint8_t>(((slot - 1) & 0x0F) | ((function & 0x0F) << 4))});
}

}  // namespace kolmaris
