// SPDX-License-Identifier: GPL-3.0-or-later
#include "ElementStatus.h"
#include "ScriptedTerminal.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <tuple>

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
        const uint32_t address = ((p[0] & 0x10u) << 12) | (p[1] << 8) | p[2];
        Bytes reply{p[0]};
        for (int i = 0; i < (p[0] & 0x0F) + 1 + extra; ++i)
            reply.push_back(static_cast<uint8_t>(address + i));
        return std::optional(reply);
    });
}

}  // namespace

TEST(TerminalMemory, PiecesStayInsideSixteenByteBlocksAndTheMemory)
{
    ScriptedTerminal t;
    ServeMemory(t);
    Bytes buffer(40);
    ASSERT_EQ(ReadTerminalMemory(t.link, 0x0000A, buffer), 0u);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], 0x0A + i) << i;
    buffer.resize(16);
    ASSERT_EQ(ReadTerminalMemory(t.link, 0x10020, buffer), 0u);  // address bit 16 goes to 0x10
    ASSERT_EQ(ReadTerminalMemory(t.link, 0x1FFF0, buffer), 0u);
    EXPECT_EQ(buffer[15], 0xFF);
    const std::vector<Bytes> pieces{{0xE5, 0x00, 0x0A}, {0xEF, 0x00, 0x10}, {0xEF, 0x00, 0x20},
                                    {0xE1, 0x00, 0x30}, {0xFF, 0x00, 0x20}, {0xFF, 0xFF, 0xF0}};
    EXPECT_EQ(t.Payloads(), pieces);
    EXPECT_EQ(t.requests.back().headerType, 0);

    // Out of range: nothing sent, nothing written.
    t.port.ClearWritten();
    Bytes seventeen(17, 0xAA);
    EXPECT_EQ(ReadTerminalMemory(t.link, 0x1FFF0, seventeen), 0x80002u);
    EXPECT_EQ(ReadTerminalMemory(t.link, 0xFFFFFFFF, buffer), 0x80002u);  // no wrap-around
    EXPECT_EQ(ReadTerminalMemory(t.link, 0x1FFFF, {}), 0u);
    EXPECT_TRUE(t.port.Written().empty());
    EXPECT_EQ(seventeen, Bytes(17, 0xAA));
}

TEST(TerminalMemory, PieceOfWrongSizeOrMissingStopsTheReadAndLeavesTheBuffer)
{
    ScriptedTerminal t;
    Bytes buffer(20, 0xAA);
    for (const int extra : {-1, 1}) {
        SCOPED_TRACE(extra);
        t.requests.clear();
        ServeMemory(t, extra);
        EXPECT_EQ(ReadTerminalMemory(t.link, 0x100, buffer), 0x2000Fu);
        EXPECT_EQ(t.requests.size(), 1u);
        EXPECT_EQ(buffer, Bytes(20, 0xAA));
    }

    // The second piece times out.
    t.requests.clear();
    ServeMemory(t);
    const auto serve = t.responder;
    t.Respond([serve, calls = 0](const Request& r) mutable { return ++calls == 1 ? serve(r) : std::nullopt; });
    EXPECT_EQ(ReadTerminalMemory(t.link, 0x100, buffer), 22u);
    EXPECT_EQ(t.requests.size(), 2u);
    EXPECT_EQ(buffer, Bytes(20, 0xAA));

    // A failed write comes back whole, not as its low byte.
    t.port.LimitWrites(0);
    EXPECT_EQ(ReadTerminalMemory(t.link, 0x100, buffer), 0x20007u);
    EXPECT_EQ(buffer, Bytes(20, 0xAA));
}

TEST(TerminalCommands, ReadersDecodeTheirRepliesAndLeaveTheOutputsAloneOnAShortOneOrNone)
{
    ScriptedTerminal t;
    uint16_t version = 7, cycles = 6;
    uint32_t pressure = 1, countdown = 2, period = 3, time = 42;
    float temperature = 4, humidity = 5, volts = 1.5f;
    uint8_t flags = 0x55;
    int32_t pointer = 8;
    // One byte short of each reply, or no reply at all.
    t.Always({0x3F, 0, 0, 0, 0, 0x03});
    EXPECT_EQ(ReadTerminalVersion(t.link, version), 0x2000Fu);
    t.Always({0x39, 0x03, 0xF5, 0x0B, 0xA6, 0x01});
    EXPECT_EQ(ReadTerminalEnvironment(t.link, pressure, temperature, humidity), 0x2000Fu);
    t.Always({0x3C, 0x01, 0x00, 0xF0, 0x00, 0x01, 0, 0});
    EXPECT_EQ(ReadAcquisitionState(t.link, flags, countdown, period, cycles), 0x2000Fu);
    t.Always({0x3E, 0x01, 0x23});
    EXPECT_EQ(ReadMemoryPointer(t.link, pointer), 0x2000Fu);
    t.Silence();
    EXPECT_EQ(ReadTerminalVoltage(t.link, volts) + ReadTerminalTime(t.link, time) + ReadTerminalFlags(t.link, flags) +
                  SetAcquisition(t.link, 0),
              4 * 22u);
    EXPECT_EQ(std::tie(version, pressure, temperature, humidity, volts), std::make_tuple(7, 1u, 4.0f, 5.0f, 1.5f));
    EXPECT_EQ(std::tie(flags, countdown, period, cycles, pointer, time), std::make_tuple(0x55, 2u, 3u, 6, 8, 42u));

    t.Always({0x3F, 0, 0, 0, 0, 0x03, 0x08});  // 7 bytes: the version in bytes 5-6, else in 6-7
    ASSERT_EQ(ReadTerminalVersion(t.link, version), 0u);
    EXPECT_EQ(version, 0x0308);
    t.Always({0x3F, 0, 0, 0, 0, 0x03, 0x09, 0x10});
    ASSERT_EQ(ReadTerminalVersion(t.link, version), 0u);
    EXPECT_EQ(version, 0x0910);
    t.Always({0x39, 0x03, 0xF5, 0x0B, 0xA6, 0x01, 0xC2});  // tenths of a kelvin and of a percent
    ASSERT_EQ(ReadTerminalEnvironment(t.link, pressure, temperature, humidity), 0u);
    EXPECT_EQ(std::tie(pressure, temperature, humidity), std::make_tuple(1013u, 25.0f, 45.0f));
    t.Always({0x39, 0x03, 0xF5, 0x0A, 0xAC, 0x00, 0x00});  // 2732: 0 degrees
    ASSERT_EQ(ReadTerminalEnvironment(t.link, pressure, temperature, humidity), 0u);
    EXPECT_EQ(temperature, 0.0f);
    t.Always({0x38, 0x04, 0xB0});
    ASSERT_EQ(ReadTerminalVoltage(t.link, volts), 0u);
    EXPECT_EQ(volts, 12.0f);
    t.Always({0x3C, 0x21, 0x02, 0x58, 0x00, 0x3C, 0xEE, 0xEE, 0x00});  // 0 cycles mean 256
    ASSERT_EQ(ReadAcquisitionState(t.link, flags, countdown, period, cycles), 0u);
    EXPECT_EQ(std::tie(flags, period, countdown, cycles), std::make_tuple(0x21, 600u, 60u, 256));
    t.Always({0x3E, 0x01, 0x23, 0x45});
    ASSERT_EQ(ReadMemoryPointer(t.link, pointer), 0u);
    EXPECT_EQ(pointer, 0x12345);
    t.Always({0x3E, 0x81, 0x23, 0x45});  // bit 7: no data
    ASSERT_EQ(ReadMemoryPointer(t.link, pointer), 0u);
    EXPECT_EQ(pointer, -1);
    t.Always({0x3B, 0x09});
    ASSERT_EQ(ReadTerminalFlags(t.link, flags), 0u);
    EXPECT_EQ(flags, 0x11);  // normalised
    t.Always({0x3A, 0x12, 0x34, 0x56, 0x78});
    ASSERT_EQ(ReadTerminalTime(t.link, time), 0u);
    EXPECT_EQ(time, 0x12345678u);
    const std::vector<Bytes> opcodes{{0x3F}, {0x39}, {0x3C}, {0x3E}, {0x38}, {0x3A}, {0x3B}, {0xBE, 0}, {0x3F},
                                     {0x3F}, {0x39}, {0x39}, {0x38}, {0x3C}, {0x3E}, {0x3E}, {0x3B},    {0x3A}};
    EXPECT_EQ(t.Payloads(), opcodes);
}

TEST(TerminalCommands, SettingRequests)
{
    ScriptedTerminal t;
    t.Respond([](const Request& r) { return std::optional(Bytes{r.payload.at(0)}); });
    for (const uint32_t result :
         {StartVoltageMeasurement(t.link), StartEnvironmentMeasurement(t.link), SetRelayMode(t.link, 2),
          SetAcquisition(t.link, 0xB5), SetElementFunction(t.link, 16, 3), SetTerminalTime(t.link, 0x0A0B0C0D),
          WriteAcquisitionSettings(t.link, 600, 256)})
        EXPECT_EQ(result, 0u);
    const std::vector<Bytes> requests{{0xB8, 0x01},
                                      {0xB8, 0x02},
                                      {0xBB, 0x32},
                                      {0xBE, 0xB5},
                                      {0xBD, 0x3F},
                                      {0xBA, 0x0A, 0x0B, 0x0C, 0x0D},
                                      {0xBC, 0x02, 0x58, 0x00}};
    EXPECT_EQ(t.Payloads(), requests);
    for (const Request& r : t.requests)
        EXPECT_EQ(r.headerType, 1);
}

namespace {

// Kind 0xC3 (probe, 3 failed contacts), A 0x1234, B 0xABCD, radon 0x8801, -5 degrees,
// humidity 45 with the large-value flag, C 0x0102, long-term radon 0x8802, 3.6 V,
// byte 18 = 0x06 (automatic, relay demanded on but off), flag D set.
const Bytes kStatusReply{0x3D, 0xC3, 0x12, 0x34, 0xAB, 0xCD, 0x88, 0x01, 0xFB, 0xAD,
                         0x01, 0x02, 0x88, 0x02, 0xEE, 0xEE, 0x0E, 0x10, 0x06, 0x80};

}  // namespace

TEST(ElementStatus, FlagsKindAndCompressedRadon)
{
    // Raw bits: 0 manual on, 1 automatic, 2 automatic demand, 3 relay on. Normalised: bit 4 relay
    // on, bit 3 failure (the relay differs from what the mode demands).
    const std::pair<uint8_t, uint8_t> cases[] = {
        {0x00, 0x00}, {0x10, 0x00},  // a stray bit 4 does not survive
        {0x08, 0x18}, {0x09, 0x11},  // manual off / on, relay on
        {0x01, 0x09}, {0x06, 0x0E},  // demanded on, relay off
        {0x0E, 0x16}, {0x0A, 0x1A},  // automatic demand on / off, relay on
        {0x03, 0x03}, {0xE8, 0xF8},  // manual bit ignored in automatic mode; terminal bits kept
    };
    for (auto [raw, normalised] : cases) {
        SCOPED_TRACE(int(raw));
        NormaliseFlags(raw);
        EXPECT_EQ(raw, normalised);
    }
    EXPECT_EQ(RelayModeFromFlags(0x03), 2);
    EXPECT_EQ(RelayModeFromFlags(0x19), 1);
    EXPECT_EQ(RelayModeFromFlags(0xFC), 0);

    EXPECT_EQ(ExpandRadon(0x7FFF), 0x7FFFu);
    EXPECT_EQ(ExpandRadon(0x8000), 0x8000u);
    EXPECT_EQ(ExpandRadon(0x8801), 0x10020u);
    EXPECT_EQ(ExpandRadon(0xFFFF), 0x7FF80000u);
    EXPECT_EQ(FunctionCode(0x80C8), 0);
    EXPECT_EQ(FailedContacts(0x80C8), 3);
    EXPECT_EQ(FunctionCode(0x42), 2);
    EXPECT_EQ(FailedContacts(0x42), 1);
}

TEST(ElementStatus, DecodesFullReplyAndRefusesAShortOne)
{
    ElementStatus s;
    ASSERT_EQ(DecodeElementStatus(kStatusReply, s), 0u);
    EXPECT_EQ(std::tie(s.kind, s.valueA, s.valueB, s.radon, s.radonLongTerm, s.valueC),
              std::make_tuple(0xC3, 0x1234u, 0xABCDu, 0x10020u, 0x10040u, 0x0102u));
    EXPECT_EQ(std::tie(s.temperature, s.humidity, s.largeValues, s.hvCheck, s.statusFlags, s.flagD),
              std::make_tuple(-5, 45u, 1, 0x06, 0x0E, 1));
    EXPECT_FLOAT_EQ(s.voltage, 3.6f);

    auto plain = kStatusReply;
    plain[9] = 45;  // flag clear: radon as sent
    plain[19] = 0x7F;
    ASSERT_EQ(DecodeElementStatus(plain, s), 0u);
    EXPECT_EQ(std::tie(s.radon, s.radonLongTerm, s.largeValues, s.flagD), std::make_tuple(0x8801u, 0x8802u, 0, 0));

    // 19 bytes, one short of a status, or none: the status is left alone.
    EXPECT_EQ(DecodeElementStatus(std::span(kStatusReply).first(19), s), 0x2000Fu);
    EXPECT_EQ(DecodeElementStatus({}, s), 0x2000Fu);
    EXPECT_EQ(s.radon, 0x8801u);
}

TEST(ElementStatus, ReadElementStatusAndKindOverTheLink)
{
    ScriptedTerminal t;
    t.Always(kStatusReply);
    ElementStatus s;
    ASSERT_EQ(ReadElementStatus(t.link, 5, s), 0u);
    EXPECT_EQ(t.requests.back().headerType, 1);
    EXPECT_EQ(t.requests.back().payload, (Bytes{0x3D, 0x04}));
    EXPECT_EQ(s.radon, 0x10020u);

    uint8_t function = 9;
    t.Always({0x3D, 0xC2});
    EXPECT_EQ(ReadElementKind(t.link, 1, function), 0u);
    EXPECT_EQ(function, 2);
    EXPECT_EQ(t.requests.back().payload, (Bytes{0x3D, 0x00}));
    t.Always({0x3D});
    EXPECT_EQ(ReadElementKind(t.link, 1, function), 0x2000Fu);
    EXPECT_EQ(function, 2);
}
