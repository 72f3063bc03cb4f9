#include "ElementStatus.h"
#include "ScriptedTerminal.h"
#include "TerminalCommands.h"

#include <gtest/gtest.h>

using namespace kolmaris;
using kolmaris::testing::ScriptedTerminal;

namespace {

// Kind 0xC3 (probe, 3 failed contacts), A 0x1234, B 0xABCD, radon 0x8801, -5 degrees,
// humidity 45 with the large-value flag, C 0x0102, long-term radon 0x0150, 3.6 V,
// byte 18 = 0x06 (automatic, relay demanded on but off), flag D set.
const std::vector<uint8_t> kStatusReply{0x3D, 0xC3, 0x12, 0x34, 0xAB, 0xCD, 0x88, 0x01, 0xFB, 0xAD,
                                        0x01, 0x02, 0x01, 0x50, 0xEE, 0xEE, 0x0E, 0x10, 0x06, 0x80};

}  // namespace

TEST(ElementStatus, NormaliseFlagsReportsRelayStateAndFailure)
{
    const auto normalised = [](uint8_t raw) {
        NormaliseFlags(raw);
        return raw;
    };
    EXPECT_EQ(normalised(0x08), 0x18);  // on although manual off: failure
    EXPECT_EQ(normalised(0x09), 0x11);  // manual on, relay on
    EXPECT_EQ(normalised(0x00), 0x00);
    EXPECT_EQ(normalised(0x10), 0x00);  // a stray bit 4 does not survive
    EXPECT_EQ(normalised(0x01), 0x09);  // manual on, relay off: failure
    EXPECT_EQ(normalised(0x06), 0x0E);  // automatic demand on, relay off: failure
    EXPECT_EQ(normalised(0x0E), 0x16);  // automatic demand on, relay on
    EXPECT_EQ(normalised(0x0A), 0x1A);  // automatic demand off, relay on: failure
    EXPECT_EQ(normalised(0x03), 0x03);  // manual bit ignored in automatic mode
    EXPECT_EQ(normalised(0xE8), 0xF8);  // terminal bits kept

    EXPECT_EQ(RelayModeFromFlags(0x03), 2);
    EXPECT_EQ(RelayModeFromFlags(0x19), 1);
    EXPECT_EQ(RelayModeFromFlags(0xFC), 0);
}

TEST(ElementStatus, ExpandRadonAndKindFields)
{
    EXPECT_EQ(ExpandRadon(0x7FFF), 0x7FFFu);
    EXPECT_EQ(ExpandRadon(0x8000), 0x8000u);
    EXPECT_EQ(ExpandRadon(0x8801), 0x10020u);
    EXPECT_EQ(ExpandRadon(0xFFFF), 0x7FF80000u);

    EXPECT_EQ(FunctionCode(0x80C8), 0);
    EXPECT_EQ(FailedContacts(0x80C8), 3);
    EXPECT_EQ(FunctionCode(0x42), 2);
    EXPECT_EQ(FailedContacts(0x42), 1);
}

TEST(ElementStatus, DecodesFullReplyWithLargeValues)
{
    ElementStatus s;
    ASSERT_EQ(DecodeElementStatus(kStatusReply, s), 0u);
    EXPECT_EQ(s.kind, 0xC3);
    EXPECT_EQ(s.valueA, 0x1234u);
    EXPECT_EQ(s.valueB, 0xABCDu);
    EXPECT_EQ(s.radon, 0x10020u);
    EXPECT_EQ(s.radonLongTerm, 0x150u);
    EXPECT_EQ(s.temperature, -5);
    EXPECT_EQ(s.humidity, 45u);
    EXPECT_EQ(s.largeValues, 1);
    EXPECT_EQ(s.valueC, 0x0102u);
    EXPECT_EQ(s.hvCheck, 0x06);
    EXPECT_EQ(s.statusFlags, 0x0E);
    EXPECT_EQ(s.flagD, 1);
    EXPECT_FLOAT_EQ(s.voltage, 3.6f);

    auto plain = kStatusReply;
    plain[9] = 45;  // flag clear: radon as sent
    plain[19] = 0x7F;
    ASSERT_EQ(DecodeElementStatus(plain, s), 0u);
    EXPECT_EQ(s.radon, 0x8801u);
    EXPECT_EQ(s.largeValues, 0);
    EXPECT_EQ(s.flagD, 0);
}

TEST(ElementStatus, ShortReplyIsRefusedAndLeavesStatusAlone)
{
    ElementStatus s;
    s.radon = 777;
    const std::vector<uint8_t> shortReply(kStatusReply.begin(), kStatusReply.end() - 1);
    EXPECT_EQ(DecodeElementStatus(shortReply, s), 0x2000Fu);
    EXPECT_EQ(DecodeElementStatus({}, s), 0x2000Fu);
    EXPECT_EQ(s.radon, 777u);
}

TEST(ElementStatus, ReadElementStatusOverTheLink)
{
    ScriptedTerminal t;
    t.Always(kStatusReply);
    ElementStatus s;
    ASSERT_EQ(ReadElementStatus(t.link, 5, s), 0u);
    ASSERT_EQ(t.requests.size(), 1u);
    EXPECT_EQ(t.requests[0].headerType, 1);
    EXPECT_EQ(t.requests[0].payload, (std::vector<uint8_t>{0x3D, 0x04}));
    EXPECT_EQ(s.radon, 0x10020u);

    // 19 bytes: one short of a status.
    t.Always(std::vector<uint8_t>(kStatusReply.begin(), kStatusReply.end() - 1));
    ElementStatus untouched;
    untouched.kind = 0x80C8;
    EXPECT_EQ(ReadElementStatus(t.link, 1, untouched), 0x2000Fu);
    EXPECT_EQ(untouched.kind, 0x80C8);

    uint8_t function = 9;
    t.Always({0x3D, 0xC2});
    EXPECT_EQ(ReadElementKind(t.link, 1, function), 0u);
    EXPECT_EQ(function, 2);
    EXPECT_EQ(t.requests.back().payload, (std::vector<uint8_t>{0x3D, 0x00}));
    t.Always({0x3D});
    EXPECT_EQ(ReadElementKind(t.link, 1, function), 0x2000Fu);
    EXPECT_EQ(function, 2);
}
