// The program's terminal commands against the simulated terminal.
#include "SimLink.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <array>

using namespace kolmaris;
using kolmaris::testing::QuietScenario;
using kolmaris::testing::SimLink;

namespace {

constexpr uint32_t kStart = 794916000;  // 10.03.2025 10:00:00
constexpr uint32_t kRefused = 0x2000E;

}  // namespace

TEST(SimTerminalCommands, ClockVersionAndSensors)
{
    SimLink s(QuietScenario());
    uint32_t time = 0;
    ASSERT_EQ(ReadTerminalTime(s.link, time), 0u);
    EXPECT_EQ(time, kStart);

    ASSERT_EQ(SetTerminalTime(s.link, 800000000), 0u);
    s.port.AdvanceMs(10'000);
    ASSERT_EQ(ReadTerminalTime(s.link, time), 0u);
    EXPECT_EQ(time, 800000010u);

    uint16_t version = 0;
    ASSERT_EQ(ReadTerminalVersion(s.link, version), 0u);
    EXPECT_EQ(version, 0x020E);

    float volts = 0;
    ASSERT_EQ(StartVoltageMeasurement(s.link), 0u);
    ASSERT_EQ(ReadTerminalVoltage(s.link, volts), 0u);
    EXPECT_NEAR(volts, 3.92, 0.02);

    uint32_t pressure = 0;
    float temperature = 0, humidity = 0;
    ASSERT_EQ(StartEnvironmentMeasurement(s.link), 0u);
    ASSERT_EQ(ReadTerminalEnvironment(s.link, pressure, temperature, humidity), 0u);
    EXPECT_NEAR(pressure, 986, 9);
    EXPECT_NEAR(temperature, 21.5, 3.0);
    EXPECT_NEAR(humidity, 46.0, 12.0);

    // The values drift over a day but stay plausible.
    s.port.AdvanceMs(6 * 3600 * 1000);
    ASSERT_EQ(StartEnvironmentMeasurement(s.link), 0u);
    uint32_t pressure2 = 0;
    float temperature2 = 0, humidity2 = 0;
    ASSERT_EQ(ReadTerminalEnvironment(s.link, pressure2, temperature2, humidity2), 0u);
    EXPECT_NE(temperature2, temperature);
    EXPECT_NEAR(temperature2, 21.5, 3.0);
}

TEST(SimTerminalCommands, RelayModesAndFailure)
{
    SimLink s(QuietScenario());
    uint8_t flags = 0;
    ASSERT_EQ(ReadTerminalFlags(s.link, flags), 0u);
    EXPECT_EQ(flags & 0x03, 0x02);  // Auto
    EXPECT_EQ(flags & 0x80, 0x80);  // RS232 host
    EXPECT_EQ(flags & 0x20, 0x00);  // charger connected

    ASSERT_EQ(SetRelayMode(s.link, 1), 0u);
    ASSERT_EQ(ReadTerminalFlags(s.link, flags), 0u);
    EXPECT_EQ(flags & 0x1B, 0x11);  // On, relay on, no failure
    ASSERT_EQ(SetRelayMode(s.link, 0), 0u);
    ASSERT_EQ(ReadTerminalFlags(s.link, flags), 0u);
    EXPECT_EQ(flags & 0x1B, 0x00);
    EXPECT_EQ(SetRelayMode(s.link, 3), kRefused);

    auto failing = QuietScenario();
    failing.terminal.relayFailure = true;
    failing.terminal.chargerConnected = false;
    SimLink f(failing);
    ASSERT_EQ(SetRelayMode(f.link, 1), 0u);
    ASSERT_EQ(ReadTerminalFlags(f.link, flags), 0u);
    EXPECT_EQ(flags & 0x19, 0x09);  // commanded on, not on: failure
    EXPECT_EQ(flags & 0x20, 0x20);
}

TEST(SimTerminalCommands, AcquisitionStateSettingsAndControlCodes)
{
    SimLink s(QuietScenario(1.0));
    uint8_t state = 0;
    uint32_t countdown = 0, period = 0;
    uint16_t cycles = 0;
    ASSERT_EQ(ReadAcquisitionState(s.link, state, countdown, period, cycles), 0u);
    EXPECT_EQ(state & 0x03, 0x01);
    EXPECT_EQ(period, 900u);
    EXPECT_EQ(cycles, 4u);
    EXPECT_LE(countdown, 900u);

    // The countdown runs with the clock and starts over at each query.
    s.port.AdvanceMs(uint64_t{countdown} * 1000 + 100 * 1000);
    uint32_t later = 0;
    ASSERT_EQ(ReadAcquisitionState(s.link, state, later, period, cycles), 0u);
    EXPECT_EQ(later, 800u);

    ASSERT_EQ(WriteAcquisitionSettings(s.link, 240, 256), 0u);
    ASSERT_EQ(ReadAcquisitionState(s.link, state, countdown, period, cycles), 0u);
    EXPECT_EQ(period, 240u);
    EXPECT_EQ(cycles, 256u);
    EXPECT_LE(countdown, 240u);
    EXPECT_EQ(WriteAcquisitionSettings(s.link, 239, 1), kRefused);
    EXPECT_EQ(WriteAcquisitionSettings(s.link, 32401, 1), kRefused);

    ASSERT_EQ(SetAcquisition(s.link, 0x00), 0u);
    ASSERT_EQ(SetAcquisition(s.link, 0x87), 0u);
    ASSERT_EQ(ReadAcquisitionState(s.link, state, countdown, period, cycles), 0u);
    EXPECT_EQ(state & 0x03, 0x02);  // stopped, sleeping
    const uint32_t paused = countdown;
    s.port.AdvanceMs(60'000);
    ASSERT_EQ(SetAcquisition(s.link, 0x86), 0u);
    ASSERT_EQ(SetAcquisition(s.link, 0xB4), 0u);  // continue: the countdown goes on from where it stood
    ASSERT_EQ(ReadAcquisitionState(s.link, state, countdown, period, cycles), 0u);
    EXPECT_EQ(state & 0x03, 0x01);
    EXPECT_EQ(countdown, paused);

    ASSERT_EQ(SetAcquisition(s.link, 0x2C), 0u);
    ASSERT_EQ(SetAcquisition(s.link, 0xB5), 0u);  // new acquisition: a query now, the next a period later
    ASSERT_EQ(ReadAcquisitionState(s.link, state, countdown, period, cycles), 0u);
    EXPECT_EQ(countdown, 240u);
    EXPECT_EQ(state & 0x20, 0x20);  // query symbol right after the query
    EXPECT_EQ(SetAcquisition(s.link, 0x33), kRefused);
}

TEST(SimTerminalCommands, RecordingSwitchAndHistoryClear)
{
    SimLink s(QuietScenario(2.0));
    int32_t pointer = 0;
    ASSERT_EQ(ReadMemoryPointer(s.link, pointer), 0u);
    EXPECT_GT(pointer, 1000);
    EXPECT_EQ(static_cast<uint32_t>(pointer), s.terminal.MemoryPointer());

    // Recording off: queries go on, the memory stands still until recording is on again.
    ASSERT_EQ(SetAcquisition(s.link, 0x2D), 0u);
    s.port.AdvanceMs(3600 * 1000);
    int32_t still = 0;
    ASSERT_EQ(ReadMemoryPointer(s.link, still), 0u);
    EXPECT_EQ(still, pointer);
    ASSERT_EQ(SetAcquisition(s.link, 0x2C), 0u);
    ASSERT_EQ(ReadMemoryPointer(s.link, still), 0u);
    EXPECT_GT(still, pointer);

    EXPECT_EQ(SetAcquisition(s.link, 0x5A), kRefused);  // not while acquisition runs
    ASSERT_EQ(SetAcquisition(s.link, 0x00), 0u);
    ASSERT_EQ(SetAcquisition(s.link, 0x5A), 0u);
    ASSERT_EQ(ReadMemoryPointer(s.link, pointer), 0u);
    EXPECT_EQ(pointer, -1);  // erasing
    s.port.AdvanceMs(3000);
    ASSERT_EQ(ReadMemoryPointer(s.link, pointer), 0u);
    EXPECT_EQ(pointer, 1);
    std::array<uint8_t, 4> bytes{};
    ASSERT_EQ(ReadTerminalMemory(s.link, 0, bytes), 0u);
    EXPECT_EQ(bytes, (std::array<uint8_t, 4>{0x01, 0xFF, 0xFF, 0xFF}));
}

TEST(SimTerminalCommands, MemoryReadsMatchTheMemory)
{
    SimLink s(QuietScenario(1.0));
    std::array<uint8_t, 40> bytes{};
    ASSERT_EQ(ReadTerminalMemory(s.link, 0x0000A, bytes), 0u);
    const auto memory = s.terminal.Memory();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), memory.begin() + 0x0A));

    std::array<uint8_t, 16> top{};
    ASSERT_EQ(ReadTerminalMemory(s.link, 0x1FFF0, top), 0u);
    EXPECT_EQ(top[15], 0xFF);  // erased: the ring has not wrapped
    const uint32_t p = s.terminal.MemoryPointer();
    std::array<uint8_t, 1> sync{};
    ASSERT_EQ(ReadTerminalMemory(s.link, p, sync), 0u);
    EXPECT_EQ(sync[0], 0xFF);
}

TEST(SimTerminalCommands, ElementStatusTable)
{
    auto scenario = QuietScenario(0.1);
    scenario.elements[1].inRange = false;  // probe 2
    SimLink s(scenario);

    ElementStatus probe;
    ASSERT_EQ(ReadElementStatus(s.link, 1, probe), 0u);
    EXPECT_EQ(probe.kind, 0x03);  // radon probe, no failed contacts
    EXPECT_NEAR(probe.voltage, 3.58, 0.01);
    EXPECT_GT(probe.radon, 150u);
    EXPECT_GT(probe.radonLongTerm, 150u);
    EXPECT_GT(probe.humidity, 30u);
    EXPECT_GT(probe.hvCheck, 160u);

    ElementStatus lost;
    ASSERT_EQ(ReadElementStatus(s.link, 2, lost), 0u);
    EXPECT_EQ(lost.kind, 0xC3);  // three failed contacts: out of range

    ElementStatus actuator;
    ASSERT_EQ(ReadElementStatus(s.link, 4, actuator), 0u);
    EXPECT_EQ(actuator.kind & 0x07, 2);
    EXPECT_EQ(actuator.statusFlags & 0x03, 0x02);  // Auto
    EXPECT_EQ(actuator.statusFlags & 0x08, 0x00);  // no failure
    EXPECT_NEAR(actuator.voltage, 3.71, 0.01);

    uint8_t function = 0;
    ASSERT_EQ(ReadElementKind(s.link, 5, function), 0u);
    EXPECT_EQ(function, 1);
    ASSERT_EQ(ReadElementKind(s.link, 6, function), 0u);  // nothing bonded there
    EXPECT_EQ(function, 0);
    ElementStatus empty;
    ASSERT_EQ(ReadElementStatus(s.link, 6, empty), 0u);
    EXPECT_EQ(empty.kind, 0xC0);
    EXPECT_LT(empty.voltage, 0.001f);

    ASSERT_EQ(SetElementFunction(s.link, 5, 0), 0u);
    ASSERT_EQ(ReadElementKind(s.link, 5, function), 0u);
    EXPECT_EQ(function, 0);
    ASSERT_EQ(SetElementFunction(s.link, 5, 1), 0u);
    EXPECT_EQ(SetElementFunction(s.link, 5, 4), kRefused);
}

TEST(SimTerminalCommands, ScenarioRefusals)
{
    auto scenario = QuietScenario();
    scenario.faults.refusedCommands = {0xBE, 0xBB};
    SimLink s(scenario);
    EXPECT_EQ(SetAcquisition(s.link, 0x00), kRefused);
    EXPECT_EQ(SetRelayMode(s.link, 1), kRefused);
    uint32_t time = 0;
    EXPECT_EQ(ReadTerminalTime(s.link, time), 0u);
}
