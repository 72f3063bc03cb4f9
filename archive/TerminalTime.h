// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kolmaris {

// Seconds since 1 January 2000, 00:00:00, of the terminal's clock (UTC+1, no daylight saving).
using TerminalTime = std::uint32_t;

// 31 December 2099, 23:59:59: larger times are treated as this one.
inline constexpr TerminalTime kLastTerminalTime = 3155759999u;

// Year tens, year units, month tens, month units, day, hour, minute, second (tens, units each).
using TimeDigits = std::array<std::uint8_t, 12>;

struct TimeFields {
    int year = 0;  // 0..99 for 2000..2099
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Result codes of FieldsToTime, in the order the fields are checked.
inline constexpr int kFieldsOk = 0;
inline constexpr int kFieldsBadYear = 3;
inline constexpr int kFieldsBadMonth = 2;
inline constexpr int kFieldsBadDay = 1;
inline constexpr int kFieldsBadHour = 4;
inline constexpr int kFieldsBadMinute = 5;
inline constexpr int kFieldsBadSecond = 6;

TimeDigits SplitTime(TerminalTime time);
TimeFields TimeToFields(TerminalTime time);

// Sets `time` to 0, checks the fields and on success sets it to the fields' time.
// The day is not checked against the month: 31 February rolls over into March.
int FieldsToTime(const TimeFields& fields, TerminalTime& time);

// "dd.mm.yy hh:mm", with "20" before the year when `century`, with ":ss" when `seconds`.
std::string FormatTime(TerminalTime time, bool century, bool seconds);
std::string FormatTimeBE(std::span<const std::uint8_t, 4> bytes, bool century, bool seconds);

// The zone of terminal time as the program names it beside every time it shows or writes.
inline constexpr const char* kTerminalTimeZone = "UTC+01:00";

// ISO 8601 with the terminal's offset, "2026-03-01T12:00:00+01:00": the time of CSV and JSON outputs.
std::string FormatIsoTime(TerminalTime time);

// The PC's clock as terminal time; the overload takes Unix seconds (UTC).
TerminalTime PcTimeToTerminalTime();
TerminalTime PcTimeToTerminalTime(std::int64_t unixSeconds);

}  // namespace kolmaris
