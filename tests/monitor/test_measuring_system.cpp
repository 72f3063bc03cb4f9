// SPDX-License-Identifier: GPL-3.0-or-later
#include "MeasuringSystem.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kolmaris {
namespace {

// A slot's kind (function in bits 0-2, failed contacts in bits 6-7), voltage and flags.
struct Slot {
    int index;
    uint16_t kind;
    float voltage;
    uint8_t flags = 0;
};

void Set(MeasuringSystem& model, const std::vector<Slot>& slots)
{
    for (const Slot& s : slots) {
        ElementStatus& status = model.ElementTable[s.index].status;
        status.kind = s.kind;
        status.voltage = s.voltage;
        status.statusFlags = s.flags;
    }
}

struct AlarmCase {
    const char* name;
    std::vector<Slot> slots;
    std::string alarms;
};

class Alarms : public ::testing::TestWithParam<AlarmCase> {};

TEST_P(Alarms, NameTheAddressesInOrder)
{
    MeasuringSystem model;
    Set(model, GetParam().slots);
    std::string text;
    model.AppendOutOfRangeAlarm(text);
    model.AppendLowBatteryAlarm(text);
    model.AppendRelayFailureAlarm(text);
    EXPECT_EQ(text, GetParam().alarms);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, Alarms,
    ::testing::Values(
        AlarmCase{"OutOfRangeAndTerminalBattery",
                  {{0, 8, 3.2f}, {2, 0xC3, 3.6f}, {5, 0xC2, 3.6f, 0x08}, {3, 0x03, 3.6f}},
                  "Element out of RF range!\nAddress: 2,5\n\nLow battery voltage!\nAddress: Term"},
        // At a threshold no alarm; no data below 0.001 V; out of range or without a function not
        // looked at; two failed contacts still count.
        AlarmCase{"BatteryThresholds",
                  {{0, 8, 3.295f},
                   {1, 3, 3.094f},
                   {2, 3, 3.095f},
                   {3, 2, 0.0f},
                   {4, 3, 0.0005f},
                   {5, 1, 0.001f},
                   {6, 0xC3, 2.5f},
                   {7, 0x40, 2.5f},
                   {8, 0x83, 3.0f}},
                  "Element out of RF range!\nAddress: 6\n\nLow battery voltage!\nAddress: 1,5,8"},
        AlarmCase{"TerminalBelowItsThreshold", {{0, 8, 3.294f}}, "Low battery voltage!\nAddress: Term"},
        // Relay failures of the terminal and actuators in range only; relay on as demanded is none.
        AlarmCase{
            "RelayFailure",
            {{0, 8, 4.0f, 0x08}, {3, 2, 3.6f, 0x18}, {4, 0xC2, 3.6f, 0x08}, {5, 3, 3.6f, 0x08}, {6, 2, 3.6f, 0x10}},
            "Element out of RF range!\nAddress: 4\n\nRelay failure!\nAddress: Term,3"},
        AlarmCase{"RelayFailureAlone", {{0, 8, 4.0f, 0x08}, {3, 2, 3.6f, 0x18}}, "Relay failure!\nAddress: Term,3"},
        AlarmCase{"None", {{0, 8, 3.9f}}, ""}, AlarmCase{"FreshElements", {{0, 8, 1000.0f}}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MeasuringSystem, ResetForgetsTheElementButNotItsValues)
{
    MeasuringSystem model;
    ElementSlot& s = model.ElementTable[16];
    s = {"Cellar probe", 0x21, 52, 7, 2, {}};
    s.status.radon = 345;
    model.ResetElementSlot(16);
    model.ResetElementSlot(17);  // out of the table: ignored
    EXPECT_EQ(std::tuple(s.caption, s.p2pAddress, s.channel, s.power, s.iqrfMode, s.status.radon),
              std::tuple(std::string(), kUnknown, kUnknown, kUnknown, uint8_t{2}, 345u));
}

TEST(MeasuringSystem, BondedListFromUnpackedMap)
{
    // Data bytes 0-1 are the answer header, 2..17 the unpacked addresses.
    MeasuringSystem model;
    std::array<uint8_t, 18> data{};
    data[2 + 1] = 2;
    data[2 + 4] = 5;
    data[2 + 15] = 16;
    model.SetBondedList(data);
    EXPECT_EQ((std::vector<uint8_t>(model.BondedList.begin(), model.BondedList.begin() + 4)),
              (std::vector<uint8_t>{2, 5, 16, 0}));
    // A short buffer is read only as far as it goes.
    model.SetBondedList(std::array<uint8_t, 4>{0, 0, 1, 0xEE});
    EXPECT_EQ(model.BondedList[0] * 100 + model.BondedList[1], 100);
}

TEST(MeasuringSystem, ListTextsHoldProbesAndActuatorsInAddressOrder)
{
    MeasuringSystem model;
    // Bonded at 7 but without a function: in neither list.
    Set(model, {{9, 0x03, 3.5f}, {2, 0xC3, 3.5f}, {4, 0x02, 3.5f}, {6, 0x01, 3.5f}, {7, 0x40, 3.5f}});
    EXPECT_EQ(model.ListText(3), "2\n9\n");
    EXPECT_EQ(model.ListText(2), "4\n");
    EXPECT_EQ(model.ListText(1), "6\n");
}

}  // namespace
}  // namespace kolmaris
