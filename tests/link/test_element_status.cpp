#include "ElementStatus.h"
#include "ScriptedTerminal.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace kolmaris;
using kolmaris::testing::ScriptedTerminal;
using Bytes = std::vector<uint8_t>;

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
