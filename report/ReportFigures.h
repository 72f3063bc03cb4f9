// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The figures of a radon measurement report, computed once from the archive's rows; the PDF and
// the JSON are both written from them. Qt-free.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ArchiveRows.h"
#include "ReportStatistics.h"

namespace kolmaris::report {

// What a report is made of: the rows of the period, oldest first.
struct ReportInput {
    std::string station;
    std::map<int, std::vector<history::RadonRow>> probes;  // by MESH address; none empty
    std::vector<history::MeteoRow> meteo;
    std::vector<history::DiaRow> events;
    std::uint32_t reference = 300;  // Bq/m3
    std::string programVersion;
    TerminalTime created = 0;  // when the report is made, on the terminal's clock
};

// Time without records: from the record before it (or the period's start) to the record after it
// (or the period's end).
struct Gap {
    TerminalTime from = 0, to = 0;
    double missingHours = 0;
};

enum class Decision { Below, Above, NotDecidable };

struct TimeMean {
    TerminalTime time = 0;  // start of the hour or day
    double mean = 0;
};

struct ProbeFigures {
    int probe = 0;  // MESH address
    int records = 0;
    TerminalTime first = 0, last = 0;
    TerminalTime interval = 0;  // the usual record interval (median), s; 0 with one record
    // Each record stands for the time since the one before, at most the interval; the first for
    // one interval. The period is the report's, from its first to its last record (plus the
    // first record's interval). `coverage` is unknown with one record.
    double measuredHours = 0;
    double periodHours = 0;
    std::optional<double> coverage;
    std::vector<Gap> gaps;  // longer than two intervals
    double mean = 0, median = 0, percentile95 = 0;
    std::uint32_t min = 0, max = 0;
    double hoursAbove = 0;  // records above the reference level, gaps not counted
    std::optional<double> shareAbove;  // of the measured time
    MeanInterval interval95;
    Decision decision = Decision::NotDecidable;
    bool dailyChart = false;  // the chart's means are daily (else hourly)
    std::vector<TimeMean> chart;
    // Mean by hour of day 0-23 (nullopt for an hour without records); empty below three days.
    std::vector<std::optional<double>> dailyProfile;
};

struct ValueRange {
    double mean = 0, min = 0, max = 0;
};

struct MeteoFigures {
    int records = 0;
    ValueRange temperature;  // deg C
    ValueRange pressure;     // hPa
    ValueRange humidity;     // %
};

struct EventLine {
    TerminalTime time = 0;
    int element = 0;  // 0: the terminal
    int code = 0;
    std::string text;
};

struct Report {
    std::string station;
    TerminalTime first = 0, last = 0;  // the first and the last record of every probe
    bool shortTerm = true;             // shorter than two months
    std::uint32_t reference = 300;
    std::string programVersion;
    TerminalTime created = 0;
    std::vector<ProbeFigures> probes;
    MeteoFigures meteo;
    std::vector<EventLine> events;  // of the period, oldest first
};

// A chart of hourly means up to this many days, of daily means beyond.
inline constexpr int kHourlyChartDays = 31;
// The daily profile needs this much measured time.
inline constexpr double kProfileHours = 3 * 24;

// `input.probes` must hold at least one record.
Report ComputeReport(const ReportInput& input);

// Whether the period from `first` to `last` is a long-term measurement: two calendar months.
bool LongTerm(TerminalTime first, TerminalTime last);

}  // namespace kolmaris::report
