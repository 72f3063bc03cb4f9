#include "MeasuringSystem.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace kolmaris {
namespace {

// Kind bytes as the terminal reports them: function in bits 0-2, failed contacts in bits 6-7.
constexpr uint16_t kProbeInRange = 0x03;
constexpr uint16_t kProbeOutOfRange = 0xC3;
constexpr uint16_t kActuatorInRange = 0x02;
constexpr uint16_t kActuatorOutOfRange = 0xC2;
constexpr uint16_t kRepeaterInRange = 0x01;
constexpr uint16_t kUnassignedInRange = 0x40;

class MeasuringSystemTest : public ::testing::Test {
protected:
    void Set(int slot, uint16_t kind, float voltage, uint8_t flags = 0)
    {
        ElementStatus& s = model.ElementTable[slot].status;
        s.kind = kind;
        s.voltage = voltage;
        s.statusFlags = flags;
    }
    std::string Alarms() const
    {
        std::string text;
        model.AppendOutOfRangeAlarm(text);
        model.AppendLowBatteryAlarm(text);
        model.AppendRelayFailureAlarm(text);
        return text;
    }

    MeasuringSystem model;
};

TEST_F(MeasuringSystemTest, ResetRestoresIdentityAndKeepsMeasuredValues)
{
    ElementSlot& s = model.ElementTable[5];
    s.caption = "Cellar probe";
    s.p2pAddress = 0x21;
    s.channel = 52;
    s.power = 7;
    s.iqrfMode = 2;
    s.status = ElementStatus{};
    s.status.kind = kProbeInRange;
    s.status.radon = 345;
    s.status.temperature = -4;
    s.status.voltage = 3.6f;
    s.status.statusFlags = 0x01;
    model.ResetElementSlot(5);
    EXPECT_TRUE(s.caption.empty());
    EXPECT_EQ(s.p2pAddress, 0xFF);
    EXPECT_EQ(s.channel, 0xFF);
    EXPECT_EQ(s.power, 0xFF);
    EXPECT_EQ(s.status.kind, 0x80C8);
    EXPECT_EQ(s.status.voltage, 1000.0f);
    EXPECT_EQ(s.status.statusFlags, 0xFF);
    EXPECT_EQ(s.iqrfMode, 2);
    EXPECT_EQ(s.status.radon, 345u);
    EXPECT_EQ(s.status.temperature, -4);

    model.ElementTable[0].status.kind = 0x1F;
    model.ResetElementSlot(0);
    EXPECT_EQ(model.ElementTable[0].status.kind, 8);
    // Out-of-table indexes are ignored.
    model.ResetElementSlot(-1);
    model.ResetElementSlot(17);
}

TEST_F(MeasuringSystemTest, BondedListFromUnpackedMap)
{
    // Data bytes 0-1 are the answer header, 2..17 the unpacked addresses.
    std::array<uint8_t, 18> data{};
    data[2 + 1] = 2;
    data[2 + 4] = 5;
    data[2 + 15] = 16;
    model.SetBondedList(data);
    EXPECT_EQ(model.BondedList[0], 2);
    EXPECT_EQ(model.BondedList[1], 5);
    EXPECT_EQ(model.BondedList[2], 16);
    EXPECT_EQ(model.BondedList[3], 0);

    // An empty map empties the list; a short buffer is read only as far as it goes.
    model.SetBondedList(std::array<uint8_t, 18>{});
    EXPECT_EQ(model.BondedList[0], 0);
    const std::array<uint8_t, 4> shortData{0, 0, 1, 0xEE};
    model.SetBondedList(shortData);
    EXPECT_EQ(model.BondedList[0], 1);
    EXPECT_EQ(model.BondedList[1], 0);
}

TEST_F(MeasuringSystemTest, ListTextsHoldProbesAndActuatorsInAddressOrder)
{
    Set(9, kProbeInRange, 3.5f);
    Set(2, kProbeOutOfRange, 3.5f);
    Set(4, kActuatorInRange, 3.5f);
    Set(6, kRepeaterInRange, 3.5f);
    Set(7, kUnassignedInRange, 3.5f);  // bonded but without a function: in neither list
    EXPECT_EQ(model.ListText(3), "2\n9\n");
    EXPECT_EQ(model.ListText(2), "4\n");
    EXPECT_EQ(model.ListText(1), "6\n");
}

TEST_F(MeasuringSystemTest, OutOfRangeAndTerminalBatteryExample)
{
    Set(0, 8, 3.2f, 0);
    Set(2, kProbeOutOfRange, 3.6f);
    Set(5, kActuatorOutOfRange, 3.6f, 0x08);
    Set(3, kProbeInRange, 3.6f);
    EXPECT_EQ(Alarms(), "Element out of RF range!\nAddress: 2,5\n\nLow battery voltage!\nAddress: Term");
}

TEST_F(MeasuringSystemTest, LowBatteryThresholdsAndValidity)
{
    Set(0, 8, 3.295f, 0);  // at the terminal's threshold: no alarm
    Set(1, kProbeInRange, 3.094f);
    Set(2, kProbeInRange, 3.095f);     // at the element threshold: no alarm
    Set(3, kActuatorInRange, 0.0f);    // no data
    Set(4, kProbeInRange, 0.0005f);    // below 0.001: no data
    Set(5, kRepeaterInRange, 0.001f);  // the smallest valid value
    Set(6, kProbeOutOfRange, 2.5f);    // out of range: no battery alarm
    Set(7, kUnassignedInRange, 2.5f);  // no function: not looked at
    Set(8, 0x83, 3.0f);                // two failed contacts still count
    std::string text;
    model.AppendLowBatteryAlarm(text);
    EXPECT_EQ(text, "Low battery voltage!\nAddress: 1,5,8");

    Set(0, 8, 3.294f, 0);
    text.clear();
    model.AppendLowBatteryAlarm(text);
    EXPECT_EQ(text, "Low battery voltage!\nAddress: Term,1,5,8");
}

TEST_F(MeasuringSystemTest, RelayFailureOnlyForTerminalAndActuatorsInRange)
{
    Set(0, 8, 4.0f, 0x08);
    Set(3, kActuatorInRange, 3.6f, 0x18);
    Set(4, kActuatorOutOfRange, 3.6f, 0x08);  // out of range: only the range alarm
    Set(5, kProbeInRange, 3.6f, 0x08);        // not an actuator
    Set(6, kActuatorInRange, 3.6f, 0x10);     // relay on as demanded
    EXPECT_EQ(Alarms(), "Element out of RF range!\nAddress: 4\n\nRelay failure!\nAddress: Term,3");

    // Alone, the relay alarm has no separator in front.
    Set(4, kActuatorInRange, 3.6f, 0);
    EXPECT_EQ(Alarms(), "Relay failure!\nAddress: Term,3");
}

TEST_F(MeasuringSystemTest, NoAlarmsLeaveTheTextAlone)
{
    Set(0, 8, 3.9f, 0);
    EXPECT_EQ(Alarms(), "");
    // A table as it starts: every element unassigned, the terminal's flags unknown.
    MeasuringSystem fresh;
    fresh.ElementTable[0].status.statusFlags = 0;
    std::string text;
    fresh.AppendOutOfRangeAlarm(text);
    fresh.AppendLowBatteryAlarm(text);
    EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace kolmaris
