#include "ScriptedTerminal.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

using namespace kolmaris;
using kolmaris::testing::Request;
using kolmaris::testing::ScriptedTerminal;
using Bytes = std::vector<uint8_t>;

namespace {

// A memory whose byte at address a is the low byte of a; `extra` changes the piece size.
void ServeMemory(ScriptedTerminal& t, int extra = 0)
{
    t.Respond([extra](const Request& r) {
        const auto& p = r.payload;
        const int n = (p[0] & 0x0F) + 1 + extra;
        const uint32_t address = ((p[0] & 0x10u) << 12) | (p[1] << 8) | p[2];
        Bytes reply{p[0]};
        for (int i = 0; i < n; ++i)
            reply.push_back(static_cast<uint8_t>(address + i));
        return std::optional(reply);
    });
}

std::optional<Bytes> Silent(const Request&)
{
    return std::nullopt;
}

}  // namespace

TEST(TerminalMemory, PiecesStayInsideSixteenByteBlocks)
{
    ScriptedTerminal t;
    ServeMemory(t);
    Bytes buffer(40);
    ASSERT_EQ(ReadTerminalMemory(t.link, 0x0000A, buffer), 0u);
    ASSERT_EQ(t.requests.size(), 4u);
    EXPECT_EQ(t.requests[0].payload, (Bytes{0xE5, 0x00, 0x0A}));
    EXPECT_EQ(t.requests[1].payload, (Bytes{0xEF, 0x00, 0x10}));
    EXPECT_EQ(t.requests[2].payload, (Bytes{0xEF, 0x00, 0x20}));
    EXPECT_EQ(t.requests[3].payload, (Bytes{0xE1, 0x00, 0x30}));
    EXPECT_EQ(t.requests[3].headerType, 0);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], 0x0A + i) << i;
}

TEST(TerminalMemory, UpperHalfAndEndOfMemory)
{
    ScriptedTerminal t;
    ServeMemory(t);
    Bytes buffer(16);
    ASSERT_EQ(ReadTerminalMemory(t.link, 0x10020, buffer), 0u);
    EXPECT_EQ(t.requests.back().payload, (Bytes{0xFF, 0x00, 0x20}));
    ASSERT_EQ(ReadTerminalMemory(t.link, 0x1FFF0, buffer), 0u);
    EXPECT_EQ(t.requests.back().payload, (Bytes{0xFF, 0xFF, 0xF0}));
    EXPECT_EQ(buffer[15], 0xFF);

    t.port.ClearWritten();
    Bytes seventeen(17, 0xAA);
    EXPECT_EQ(ReadTerminalMemory(t.link, 0x1FFF0, seventeen), 0x80002u);
    EXPECT_EQ(ReadTerminalMemory(t.link, 0xFFFFFFFF, buffer), 0x80002u);  // no wrap-around
    EXPECT_EQ(ReadTerminalMemory(t.link, 0x1FFFF, {}), 0u);
    EXPECT_EQ(ReadTerminalMemory(t.link, 0, {}), 0u);
    EXPECT_TRUE(t.port.Written().empty());
    EXPECT_EQ(seventeen, Bytes(17, 0xAA));
}

TEST(TerminalMemory, PieceOfWrongSizeOrMissingStopsTheRead)
{
    for (const int extra : {-1, 1}) {
        ScriptedTerminal t;
        ServeMemory(t, extra);
        Bytes buffer(20, 0xAA);
        EXPECT_EQ(ReadTerminalMemory(t.link, 0x100, buffer), 0x2000Fu) << extra;
        EXPECT_EQ(t.requests.size(), 1u);
        EXPECT_EQ(buffer, Bytes(20, 0xAA));
    }

    // The second piece times out: the caller's buffer keeps its contents.
    ScriptedTerminal t;
    ServeMemory(t);
    const auto serve = t.responder;
    t.Respond([serve, calls = 0](const Request& r) mutable { return ++calls == 1 ? serve(r) : std::nullopt; });
    Bytes buffer(20, 0xAA);
    EXPECT_EQ(ReadTerminalMemory(t.link, 0x100, buffer), 22u);
    EXPECT_EQ(t.requests.size(), 2u);
    EXPECT_EQ(buffer, Bytes(20, 0xAA));

    // A failed write comes back whole, not as its low byte.
    t.port.LimitWrites(0);
    EXPECT_EQ(ReadTerminalMemory(t.link, 0x100, buffer), 0x20007u);
    EXPECT_EQ(buffer, Bytes(20, 0xAA));
}

TEST(TerminalCommands, VersionTakesItsBytesByReplyLength)
{
    ScriptedTerminal t;
    uint16_t version = 0;
    t.Always({0x3F, 0, 0, 0, 0, 0x03, 0x08});
    ASSERT_EQ(ReadTerminalVersion(t.link, version), 0u);
    EXPECT_EQ(version, 0x0308);
    EXPECT_EQ(t.requests[0].payload, Bytes{0x3F});
    t.Always({0x3F, 0, 0, 0, 0, 0x03, 0x09, 0x10});
    ASSERT_EQ(ReadTerminalVersion(t.link, version), 0u);
    EXPECT_EQ(version, 0x0910);
    t.Always({0x3F, 0, 0, 0, 0, 0x03});
    EXPECT_EQ(ReadTerminalVersion(t.link, version), 0x2000Fu);
    EXPECT_EQ(version, 0x0910);
}

TEST(TerminalCommands, SensorValuesAreScaled)
{
    ScriptedTerminal t;
    uint32_t pressure = 0;
    float temperature = -1, humidity = -1, volts = -1;
    t.Always({0x39, 0x03, 0xF5, 0x0B, 0xA6, 0x01, 0xC2});
    ASSERT_EQ(ReadTerminalEnvironment(t.link, pressure, temperature, humidity), 0u);
    EXPECT_EQ(pressure, 1013u);
    EXPECT_FLOAT_EQ(temperature, 25.0f);
    EXPECT_FLOAT_EQ(humidity, 45.0f);
    t.Always({0x39, 0x03, 0xF5, 0x0A, 0xAC, 0x00, 0x00});
    ASSERT_EQ(ReadTerminalEnvironment(t.link, pressure, temperature, humidity), 0u);
    EXPECT_FLOAT_EQ(temperature, 0.0f);
    t.Always({0x39, 0x03, 0xF5, 0x0B, 0xA6, 0x01});
    EXPECT_EQ(ReadTerminalEnvironment(t.link, pressure, temperature, humidity), 0x2000Fu);
    EXPECT_FLOAT_EQ(humidity, 0.0f);

    t.Always({0x38, 0x04, 0xB0});
    ASSERT_EQ(ReadTerminalVoltage(t.link, volts), 0u);
    EXPECT_FLOAT_EQ(volts, 12.0f);
    EXPECT_EQ(t.requests.back().payload, Bytes{0x38});
}

TEST(TerminalCommands, AcquisitionSettingsAndState)
{
    ScriptedTerminal t;
    t.Always({0xBC});
    EXPECT_EQ(WriteAcquisitionSettings(t.link, 600, 256), 0u);
    EXPECT_EQ(t.requests.back().payload, (Bytes{0xBC, 0x02, 0x58, 0x00}));
    EXPECT_EQ(WriteAcquisitionSettings(t.link, 32400, 5), 0u);
    EXPECT_EQ(t.requests.back().payload, (Bytes{0xBC, 0x7E, 0x90, 0x05}));

    uint8_t flags = 0;
    uint32_t countdown = 0, period = 0;
    uint16_t cycles = 0;
    t.Always({0x3C, 0x21, 0x02, 0x58, 0x00, 0x3C, 0xEE, 0xEE, 0x00});
    ASSERT_EQ(ReadAcquisitionState(t.link, flags, countdown, period, cycles), 0u);
    EXPECT_EQ(flags, 0x21);
    EXPECT_EQ(period, 600u);
    EXPECT_EQ(countdown, 60u);
    EXPECT_EQ(cycles, 256);
    t.Always({0x3C, 0x00, 0x00, 0xF0, 0x00, 0x01, 0, 0, 0x07});
    ASSERT_EQ(ReadAcquisitionState(t.link, flags, countdown, period, cycles), 0u);
    EXPECT_EQ(cycles, 7);
    t.Always({0x3C, 0x01, 0x00, 0xF0, 0x00, 0x01, 0, 0});
    EXPECT_EQ(ReadAcquisitionState(t.link, flags, countdown, period, cycles), 0x2000Fu);
    EXPECT_EQ(flags, 0x00);
}

TEST(TerminalCommands, MemoryPointerFlagsAndTime)
{
    ScriptedTerminal t;
    int32_t pointer = 0;
    t.Always({0x3E, 0x01, 0x23, 0x45});
    ASSERT_EQ(ReadMemoryPointer(t.link, pointer), 0u);
    EXPECT_EQ(pointer, 0x12345);
    t.Always({0x3E, 0x81, 0x23, 0x45});
    ASSERT_EQ(ReadMemoryPointer(t.link, pointer), 0u);
    EXPECT_EQ(pointer, -1);
    t.Always({0x3E, 0x01, 0x23});
    EXPECT_EQ(ReadMemoryPointer(t.link, pointer), 0x2000Fu);
    EXPECT_EQ(pointer, -1);

    uint8_t flags = 0;
    t.Always({0x3B, 0x09});
    ASSERT_EQ(ReadTerminalFlags(t.link, flags), 0u);
    EXPECT_EQ(flags, 0x11);

    uint32_t time = 0;
    t.Always({0x3A, 0x12, 0x34, 0x56, 0x78});
    ASSERT_EQ(ReadTerminalTime(t.link, time), 0u);
    EXPECT_EQ(time, 0x12345678u);
    EXPECT_EQ(SetTerminalTime(t.link, 0x0A0B0C0D), 0u);
    EXPECT_EQ(t.requests.back().payload, (Bytes{0xBA, 0x0A, 0x0B, 0x0C, 0x0D}));
}

TEST(TerminalCommands, ControlRequests)
{
    ScriptedTerminal t;
    t.Always({0x00});
    EXPECT_EQ(StartVoltageMeasurement(t.link), 0u);
    EXPECT_EQ(StartEnvironmentMeasurement(t.link), 0u);
    EXPECT_EQ(SetRelayMode(t.link, 2), 0u);
    EXPECT_EQ(SetAcquisition(t.link, 0xB5), 0u);
    EXPECT_EQ(SetElementFunction(t.link, 16, 3), 0u);
    EXPECT_EQ(SetElementFunction(t.link, 1, 2), 0u);
    const std::vector<Bytes> expected{{0xB8, 0x01}, {0xB8, 0x02}, {0xBB, 0x32},
                                      {0xBE, 0xB5}, {0xBD, 0x3F}, {0xBD, 0x20}};
    ASSERT_EQ(t.requests.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(t.requests[i].headerType, 1);
        EXPECT_EQ(t.requests[i].payload, expected[i]);
    }
}

TEST(TerminalCommands, TimeoutReturns22AndLeavesOutputsAlone)
{
    ScriptedTerminal t;
    t.Respond(Silent);
    float volts = 1.5f;
    uint32_t time = 42;
    uint8_t flags = 0x55;
    EXPECT_EQ(ReadTerminalVoltage(t.link, volts), 22u);
    EXPECT_EQ(ReadTerminalTime(t.link, time), 22u);
    EXPECT_EQ(ReadTerminalFlags(t.link, flags), 22u);
    EXPECT_EQ(SetAcquisition(t.link, 0), 22u);
    EXPECT_FLOAT_EQ(volts, 1.5f);
    EXPECT_EQ(time, 42u);
    EXPECT_EQ(flags, 0x55);
}
