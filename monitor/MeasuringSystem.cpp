// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeasuringSystem.h"

#include <algorithm>

namespace kolmaris {

namespace {

constexpr std::size_t kUnpackedFirst = 2;  // unpacked addresses occupy answer data bytes 2..17
constexpr int kLastAddress = kTableSlots - 1;
constexpr uint16_t kFunctionMask = 0x07;  // kind bits 0-2

std::string AddressText(int slot)
{
    return slot == 0 ? std::string("Term") : std::to_string(slot);
}

// Appends "<heading><a>,<b>,..." for the slots that qualify, "\n\n" first when `text` has
// an alarm already. Nothing when no slot qualifies.
template <typename Qualifies>
void AppendAlarm(std::string& text, const char* heading, int firstSlot, Qualifies qualifies)
{
    std::string addresses;
    for (int slot = firstSlot; slot <= kLastAddress; ++slot) {
        if (!qualifies(slot))
            continue;
        if (!addresses.empty())
            addresses += ',';
        addresses += AddressText(slot);
    }
    if (addresses.empty())
        return;
    if (!text.empty())
        text += "\n\n";
    text += heading;
    text += addresses;
}

}  // namespace

MeasuringSystem::MeasuringSystem()
{
    for (int slot = 0; slot < kTableSlots; ++slot)
        ResetElementSlot(slot);
}

void MeasuringSystem::ResetElementSlot(int slot)
{
    if (slot < 0 || slot >= kTableSlots)
        return;
    ElementSlot& s = ElementTable[slot];
    s.caption.clear();
    s.p2pAddress = kUnknown;
    s.channel = kUnknown;
    s.power = kUnknown;
    s.status.kind = slot == 0 ? kTerminalKindAtStart : kElementKindAtStart;
    s.status.voltage = kVoltageAtStart;
    s.status.statusFlags = kUnknown;
}

void MeasuringSystem::ForgetRadioFacts()
{
    for (ElementSlot& s : ElementTable) {
        s.caption.clear();
        s.p2pAddress = kUnknown;
        s.channel = kUnknown;
        s.power = kUnknown;
    }
}

void MeasuringSystem::SetBondedList(std::span<const uint8_t> unpackedAnswer)
{
    BondedList.fill(0);
    std::size_t count = 0;
    const std::size_t end = std::min(unpackedAnswer.size(), kUnpackedFirst + kLastAddress);
    for (std::size_t i = kUnpackedFirst; i < end; ++i) {
        const uint8_t address = unpackedAnswer[i];
        if (address >= 1 && address <= kLastAddress)
            BondedList[count++] = address;
    }
}

MeasuringSystem MeasuringSystem::BondedOnly() const
{
    MeasuringSystem bonded = *this;
    for (int slot = 1; slot <= kLastAddress; ++slot) {
        uint16_t& kind = bonded.ElementTable[slot].status.kind;
        if (std::find(BondedList.begin(), BondedList.end(), slot) == BondedList.end())
            kind = static_cast<uint16_t>(kind & ~kFunctionMask);
    }
    return bonded;
}

std::string MeasuringSystem::ListText(uint8_t function) const
{
    std::string text;
    for (int slot = 1; slot <= kLastAddress; ++slot) {
        if (FunctionCode(ElementTable[slot].status.kind) == function)
            text += std::to_string(slot) + "\n";
    }
    return text;
}

void MeasuringSystem::AppendOutOfRangeAlarm(std::string& text) const
{
    AppendAlarm(text, "Element out of RF range!\nAddress: ", 1, [this](int slot) {
        const uint16_t kind = ElementTable[slot].status.kind;
        return FunctionCode(kind) != kFunctionNone && FailedContacts(kind) == kOutOfRangeContacts;
    });
}

void MeasuringSystem::AppendLowBatteryAlarm(std::string& text) const
{
    AppendAlarm(text, "Low battery voltage!\nAddress: ", 0, [this](int slot) {
        const ElementStatus& s = ElementTable[slot].status;
        if (slot != 0 && FunctionCode(s.kind) == kFunctionNone)
            return false;
        const float threshold = slot == 0 ? kTerminalLowVoltage : kElementLowVoltage;
        return s.voltage < threshold && s.voltage >= kMinValidVoltage && FailedContacts(s.kind) < kOutOfRangeContacts;
    });
}

void MeasuringSystem::AppendRelayFailureAlarm(std::string& text) const
{
    AppendAlarm(text, "Relay failure!\nAddress: ", 0, [this](int slot) {
        const ElementStatus& s = ElementTable[slot].status;
        if (slot != 0 && FunctionCode(s.kind) != kFunctionActuator)
            return false;
        return (s.statusFlags & kFlagRelayFailure) != 0 && FailedContacts(s.kind) < kOutOfRangeContacts;
    });
}

}  // namespace kolmaris
