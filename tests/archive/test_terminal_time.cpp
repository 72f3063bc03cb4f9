#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "TerminalTime.h"

namespace kolmaris {
namespace {

TEST(TerminalTime, SplitTimeOfZeroIsFirstOfJanuary2000)
{
    const TimeDigits expected = {0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(SplitTime(0), expected);
    EXPECT_EQ(FormatTime(0, true, false), "01.01.2000 00:00");
    EXPECT_EQ(FormatTime(0, false, false), "01.01.00 00:00");
}

TEST(TerminalTime, CalendarBoundaries)
{
    EXPECT_EQ(FormatTime(31622400, true, false), "01.01.2001 00:00");
    EXPECT_EQ(FormatTime(31622399, true, true), "31.12.2000 23:59:59");
    EXPECT_EQ(FormatTime(5097600, true, false), "29.02.2000 00:00");
    EXPECT_EQ(FormatTime(5097600 + 86400, true, false), "01.03.2000 00:00");
    EXPECT_EQ(FormatTime(631152000, true, false), "01.01.2020 00:00");
    EXPECT_EQ(FormatTime(762525296, true, true), "29.02.2024 12:34:56");
    EXPECT_EQ(FormatTime(3155759999u, true, true), "31.12.2099 23:59:59");
}

TEST(TerminalTime, TimesBeyond2099AreClamped)
{
    EXPECT_EQ(FormatTime(3155760000u, true, false), "31.12.2099 23:59");
    EXPECT_EQ(FormatTime(0xFFFFFFFFu, true, true), "31.12.2099 23:59:59");
    EXPECT_EQ(SplitTime(0xFFFFFFFFu), SplitTime(3155759999u));
}

TEST(TerminalTime, FormatFlags)
{
    EXPECT_EQ(FormatTime(849794519, false, false), "05.12.26 14:01");
    EXPECT_EQ(FormatTime(849794519, true, false), "05.12.2026 14:01");
    EXPECT_EQ(FormatTime(849794519, true, true), "05.12.2026 14:01:59");
    EXPECT_EQ(FormatTime(849794519, false, true), "05.12.26 14:01:59");
    const std::uint8_t be[4] = {0x32, 0xA6, 0xD5, 0xD7};  // 849794519
    EXPECT_EQ(FormatTimeBE(be, true, true), "05.12.2026 14:01:59");
}

TEST(TerminalTime, FieldsToTimeChecksInFixedOrder)
{
    TerminalTime t = 12345;
    EXPECT_EQ(FieldsToTime({100, 13, 40, 24, 60, 60}, t), 3);
    EXPECT_EQ(FieldsToTime({-1, 1, 1, 0, 0, 0}, t), 3);
    EXPECT_EQ(FieldsToTime({0, 13, 40, 24, 60, 60}, t), 2);
    EXPECT_EQ(FieldsToTime({0, 0, 1, 0, 0, 0}, t), 2);
    EXPECT_EQ(FieldsToTime({0, 12, 32, 24, 60, 60}, t), 1);
    EXPECT_EQ(FieldsToTime({0, 12, 0, 0, 0, 0}, t), 1);
    EXPECT_EQ(FieldsToTime({0, 12, 31, 24, 60, 60}, t), 4);
    EXPECT_EQ(FieldsToTime({0, 12, 31, 23, 60, 60}, t), 5);
    EXPECT_EQ(FieldsToTime({0, 12, 31, 23, 59, -1}, t), 6);
    t = 12345;
    EXPECT_EQ(FieldsToTime({5, 6, 7, 8, 9, 60}, t), 6);
    EXPECT_EQ(t, 0u);
}

TEST(TerminalTime, FieldsToTimeValues)
{
    TerminalTime t = 1;
    EXPECT_EQ(FieldsToTime({0, 1, 1, 0, 0, 0}, t), 0);
    EXPECT_EQ(t, 0u);
    EXPECT_EQ(FieldsToTime({0, 3, 1, 0, 0, 0}, t), 0);
    EXPECT_EQ(t, 5184000u);
    EXPECT_EQ(FieldsToTime({1, 3, 1, 0, 0, 0}, t), 0);
    EXPECT_EQ(t, 36720000u);
    EXPECT_EQ(FieldsToTime({26, 12, 5, 14, 1, 59}, t), 0);
    EXPECT_EQ(t, 849794519u);
    EXPECT_EQ(FieldsToTime({99, 12, 31, 23, 59, 59}, t), 0);
    EXPECT_EQ(t, 3155759999u);
}

TEST(TerminalTime, DayBeyondMonthRollsOver)
{
    TerminalTime t = 0;
    EXPECT_EQ(FieldsToTime({1, 2, 31, 0, 0, 0}, t), 0);
    EXPECT_EQ(t, 36892800u);  // 3 March 2001
    EXPECT_EQ(FieldsToTime({0, 2, 31, 0, 0, 0}, t), 0);
    EXPECT_EQ(t, 5270400u);  // 2 March 2000
    EXPECT_EQ(FormatTime(t, true, false), "02.03.2000 00:00");
}

TEST(TerminalTime, FieldsRoundTrip)
{
    std::uint64_t checked = 0;
    for (std::uint64_t t = 0; t <= 3155759999u; t += 7777777) {
        for (std::uint64_t probe : {t, t + 86399}) {
            if (probe > 3155759999u)
                continue;
            const auto time = static_cast<TerminalTime>(probe);
            const TimeFields f = TimeToFields(time);
            ASSERT_GE(f.month, 1);
            ASSERT_LE(f.month, 12);
            ASSERT_GE(f.day, 1);
            ASSERT_LE(f.day, 31);
            TerminalTime back = 0;
            ASSERT_EQ(FieldsToTime(f, back), 0) << time;
            ASSERT_EQ(back, time);
            ++checked;
        }
    }
    EXPECT_GT(checked, 800u);
}

TEST(TerminalTime, PcClockConversion)
{
    EXPECT_EQ(PcTimeToTerminalTime(946681200), 0u);
    EXPECT_EQ(PcTimeToTerminalTime(946681200 + 849794519), 849794519u);
    EXPECT_EQ(PcTimeToTerminalTime(0), 0u);  // a clock before 2000 does not wrap
    EXPECT_EQ(PcTimeToTerminalTime(INT64_C(946681200) + 0x1'0000'0000), 0xFFFFFFFFu);

    using namespace std::chrono;
    const auto before = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    const TerminalTime now = PcTimeToTerminalTime();
    const auto after = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    EXPECT_GE(now, PcTimeToTerminalTime(before));
    EXPECT_LE(now, PcTimeToTerminalTime(after));
}

}  // namespace
}  // namespace kolmaris
