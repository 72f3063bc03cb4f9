// SPDX-License-Identifier: GPL-3.0-or-later
// The archive's texts of values: counts, diagnostic events and terminal times.
#include <gtest/gtest.h>

#include <cstdint>

#include "CountFormat.h"
#include "DiaEventText.h"
#include "TerminalTime.h"

namespace kolmaris {
namespace {

// The plain forms and the meteo texts are checked byte for byte in the tab writers' files.
TEST(CountFormat, DecodeEngineeringFormAndTheCompressedFlag)
{
    EXPECT_EQ(DecodeCount(32767), 32767u);
    EXPECT_EQ(DecodeCount(0x8000), 32768u);
    EXPECT_EQ(DecodeCount(0x8001), 32784u);       // 0x801 << 4
    EXPECT_EQ(DecodeCount(0x8800), 65536u);       // exponent 1
    EXPECT_EQ(DecodeCount(0xFFFF), 2146959360u);  // 0xFFF << 19
    // Four significant digits, rounded, from 32768 on.
    EXPECT_EQ(FormatEngineering(32767), "32767");
    EXPECT_EQ(FormatEngineering(32768), "32.77k");
    EXPECT_EQ(FormatEngineering(32775), "32.78k");
    EXPECT_EQ(FormatEngineering(99999), "100.0k");
    EXPECT_EQ(FormatEngineering(123456), "123.5k");
    EXPECT_EQ(FormatEngineering(999999), "1.000M");
    EXPECT_EQ(FormatEngineering(1234567), "1.235M");
    EXPECT_EQ(FormatEngineering(2146959360), "2.147G");
    EXPECT_EQ(FormatEngineering(0xFFFFFFFFu), "4.295G");

    EXPECT_EQ(FormatCount(0x8000, 0x7F, true), "32768");  // not compressed: no expansion
    EXPECT_EQ(FormatCount(0x8000, 0x80, true), "32.77k");
    EXPECT_EQ(FormatCount(0xFFFF, 0x80, false), "2146959360");
    EXPECT_EQ(FormatCount(1234, 0x80, true), "1234");
}

// More texts appear in the diagnostics file written by the tab writers.
TEST(DiaEventText, ElementAnswerCodesAndTerminalEventTypes)
{
    const struct {
        uint8_t element;
        uint8_t code;
        const char* text;
    } cases[] = {
        {3, 0xF0, "bad CODE84 in IQRF packet"},
        {1, 0xF4, "bad command structure"},
        {3, 0xF9, "probe: Bad data structure"},
        {16, 0xFB, "answer error 0xF8 - 0xFC"},
        {2, 0xFF, "master IQRF timeout"},
        {3, 0xFC, "answer error: 0xFC"},
        {3, 0x0F, "answer error: 0x0F"},
        {0, 0, "relay: 1-OK,2-OK,3-OK"},
        {0, 5, "relay: 1-fail,2-OK,3-fail"},
        {0, 6, "relay: 1-OK,2-fail,3-fail"},
        {0, 11, ""},
        {0, 12, "alarm off"},
        {0, 13, "alarm on"},
        {0, 14, "stop of data acquisition"},
        {0, 0xF8, ""},  // no such terminal type
    };
    for (const auto& c : cases)
        EXPECT_EQ(DiaEventText(c.element, c.code), c.text) << int(c.element) << " " << int(c.code);
}

TEST(TerminalTime, FormatsCalendarBoundariesAndClampsBeyond2099)
{
    const struct {
        TerminalTime time;
        bool century, seconds;
        const char* text;
    } cases[] = {{0, true, false, "01.01.2000 00:00"},
                 {0, false, false, "01.01.00 00:00"},
                 {31622399, true, true, "31.12.2000 23:59:59"},
                 {31622400, true, false, "01.01.2001 00:00"},
                 {5097600, true, false, "29.02.2000 00:00"},
                 {5097600 + 86400, true, false, "01.03.2000 00:00"},
                 {762525296, true, true, "29.02.2024 12:34:56"},
                 {849794519, false, true, "05.12.26 14:01:59"},
                 {3155759999u, true, true, "31.12.2099 23:59:59"},
                 {0xFFFFFFFFu, true, true, "31.12.2099 23:59:59"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatTime(c.time, c.century, c.seconds), c.text) << c.time;
    const std::uint8_t be[4] = {0x32, 0xA6, 0xD5, 0xD7};  // 849794519
    EXPECT_EQ(FormatTimeBE(be, true, true), "05.12.2026 14:01:59");
    EXPECT_EQ(FormatIsoTime(849794519), "2026-12-05T14:01:59+01:00");
    EXPECT_EQ(FormatIsoTime(0), "2000-01-01T00:00:00+01:00");
    EXPECT_EQ(FormatIsoTime(0xFFFFFFFFu), "2099-12-31T23:59:59+01:00");
}

TEST(TerminalTime, FieldsToTimeChecksInFixedOrderAndRollsDaysOver)
{
    // Year 3, month 2, day 1, hour 4, minute 5, second 6, checked in this order; the time is cleared first.
    const std::pair<TimeFields, int> failures[] = {{{100, 13, 40, 24, 60, 60}, 3}, {{-1, 1, 1, 0, 0, 0}, 3},
                                                   {{0, 13, 40, 24, 60, 60}, 2},   {{0, 0, 1, 0, 0, 0}, 2},
                                                   {{0, 12, 32, 24, 60, 60}, 1},   {{0, 12, 0, 0, 0, 0}, 1},
                                                   {{0, 12, 31, 24, 60, 60}, 4},   {{0, 12, 31, 23, 60, 60}, 5},
                                                   {{0, 12, 31, 23, 59, -1}, 6},   {{5, 6, 7, 8, 9, 60}, 6}};
    for (const auto& [fields, result] : failures) {
        TerminalTime t = 12345;
        EXPECT_EQ(FieldsToTime(fields, t), result) << fields.year << " " << fields.month << " " << fields.day;
        EXPECT_EQ(t, 0u);
    }
    // The day is not checked against the month: 31 February 2001 is 3 March, in 2000 2 March.
    const std::pair<TimeFields, TerminalTime> values[] = {{{1, 3, 1, 0, 0, 0}, 36720000},
                                                          {{26, 12, 5, 14, 1, 59}, 849794519},
                                                          {{1, 2, 31, 0, 0, 0}, 36892800},
                                                          {{0, 2, 31, 0, 0, 0}, 5270400}};
    for (const auto& [fields, time] : values) {
        TerminalTime t = 1;
        EXPECT_EQ(FieldsToTime(fields, t), 0);
        EXPECT_EQ(t, time);
    }
    // And back, all through the calendar.
    for (std::uint64_t t = 0; t <= 3155759999u; t += 7777777 + 86399) {
        TerminalTime back = 0;
        ASSERT_EQ(FieldsToTime(TimeToFields(static_cast<TerminalTime>(t)), back), 0) << t;
        ASSERT_EQ(back, t);
    }
}

TEST(TerminalTime, PcClockConversion)
{
    EXPECT_EQ(PcTimeToTerminalTime(946681200 + 849794519), 849794519u);
    EXPECT_EQ(PcTimeToTerminalTime(0), 0u);  // a clock before 2000 does not wrap
    EXPECT_EQ(PcTimeToTerminalTime(INT64_C(946681200) + 0x1'0000'0000), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace kolmaris
