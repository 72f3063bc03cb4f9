#include <gtest/gtest.h>

#include <cstdint>

#include "TerminalTime.h"

namespace kolmaris {
namespace {

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
