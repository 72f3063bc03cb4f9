// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalTime.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>

#include "Records.h"

namespace kolmaris {
namespace {

constexpr std::uint32_t kDay = 86400;
constexpr std::uint32_t kTwentyYears = 7305 * kDay;
// Unix time of 31 December 1999, 23:00:00 UTC, the terminal's zero.
constexpr std::int64_t kTerminalEpochUnix = 946681200;

constexpr std::uint32_t YearLength(int year)
{
    return (year % 4 == 0 ? 366 : 365) * kDay;
}

constexpr std::uint32_t MonthLength(int month, int year)
{
    if (month == 2)
        return (year % 4 == 0 ? 29 : 28) * kDay;
    const bool longMonth = ((month >> 3) & 1) != (month & 1);
    return (longMonth ? 31 : 30) * kDay;
}

}  // namespace

TimeDigits SplitTime(TerminalTime time)
{
    std::uint32_t rest = std::min(time, kLastTerminalTime);
    const std::uint32_t cycles = rest / kTwentyYears;
    rest -= cycles * kTwentyYears;

    int year = 0;
    while (rest >= YearLength(year)) {
        rest -= YearLength(year);
        ++year;
    }
    int month = 1;
    while (month < 12 && rest >= MonthLength(month, year)) {
        rest -= MonthLength(month, year);
        ++month;
    }
    rest += kDay;  // days count from 1

    TimeDigits d{};
    d[0] = static_cast<std::uint8_t>(2 * cycles + (year >= 10 ? 1 : 0));
    d[1] = static_cast<std::uint8_t>(year % 10);
    d[2] = month > 9 ? 1 : 0;
    d[3] = static_cast<std::uint8_t>(month % 10);
    const std::uint32_t steps[] = {10 * kDay, kDay, 36000, 3600, 600, 60, 10};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        d[4 + i] = static_cast<std::uint8_t>(rest / steps[i]);
        rest %= steps[i];
    }
    d[11] = static_cast<std::uint8_t>(rest);
    return d;
}

TimeFields TimeToFields(TerminalTime time)
{
    const TimeDigits d = SplitTime(time);
    auto pair = [&d](std::size_t i) { return d[i] * 10 + d[i + 1]; };
    return TimeFields{pair(0), pair(2), pair(4), pair(6), pair(8), pair(10)};
}

int FieldsToTime(const TimeFields& f, TerminalTime& time)
{
    time = 0;
    if (f.year < 0 || f.year > 99)
        return kFieldsBadYear;
    if (f.month < 1 || f.month > 12)
        return kFieldsBadMonth;
    if (f.day < 1 || f.day > 31)
        return kFieldsBadDay;
    if (f.hour < 0 || f.hour > 23)
        return kFieldsBadHour;
    if (f.minute < 0 || f.minute > 59)
        return kFieldsBadMinute;
    if (f.second < 0 || f.second > 59)
        return kFieldsBadSecond;

    static constexpr std::uint32_t kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    std::uint32_t t =
        static_cast<std::uint32_t>(f.year) * 365 * kDay + static_cast<std::uint32_t>(f.year / 4 + 1) * kDay;
    if (f.month <= 2 && f.year % 4 == 0)
        t -= kDay;
    t += kDaysBeforeMonth[f.month - 1] * kDay;
    t += static_cast<std::uint32_t>(f.day - 1) * kDay + static_cast<std::uint32_t>(f.hour) * 3600 +
         static_cast<std::uint32_t>(f.minute) * 60 + static_cast<std::uint32_t>(f.second);
    time = t;
    return kFieldsOk;
}

std::string FormatTime(TerminalTime time, bool century, bool seconds)
{
    const TimeDigits d = SplitTime(time);
    auto digit = [&d](std::size_t i) { return static_cast<char>('0' + d[i]); };
    std::string text;
    text.reserve(19);
    text += {digit(4), digit(5), '.', digit(2), digit(3), '.'};
    if (century)
        text += "20";
    text += {digit(0), digit(1), ' ', digit(6), digit(7), ':', digit(8), digit(9)};
    if (seconds)
        text += {':', digit(10), digit(11)};
    return text;
}

std::string FormatIsoTime(TerminalTime time)
{
    const TimeFields f = TimeToFields(time);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d+01:00", 2000 + f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    return text;
}

std::string FormatTimeBE(std::span<const std::uint8_t, 4> bytes, bool century, bool seconds)
{
    return FormatTime(ReadU32BE(bytes), century, seconds);
}

TerminalTime PcTimeToTerminalTime(std::int64_t unixSeconds)
{
    const std::int64_t t = unixSeconds - kTerminalEpochUnix;
    return static_cast<TerminalTime>(std::clamp<std::int64_t>(t, 0, std::numeric_limits<TerminalTime>::max()));
}

TerminalTime PcTimeToTerminalTime()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return PcTimeToTerminalTime(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

}  // namespace kolmaris
