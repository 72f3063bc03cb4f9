// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportJson.h"

#include "ReportTexts.h"
#include "TerminalTime.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace kolmaris::report {

namespace {

using json = nlohmann::ordered_json;  // keys in the order written

json Optional(const std::optional<double>& value)
{
    return value ? json(*value) : json(nullptr);
}

json Range(const ValueRange& r)
{
    return {{"mean", r.mean}, {"min", r.min}, {"max", r.max}};
}

json Interval(const ProbeFigures& p)
{
    const MeanInterval& m = p.interval95;
    json j = {{"known", m.known},
              {"days", m.days},
              {"records_with_counts", m.recordsWithCounts},
              {"counting_uncertainty", m.countingUncertainty},
              {"method", IntervalMethodText(p)}};
    if (m.known) {
        j["low"] = m.low;
        j["high"] = m.high;
        j["daily_uncertainty"] = m.dailyUncertainty;
        j["degrees_of_freedom"] = std::isfinite(m.degrees) ? json(m.degrees) : json(nullptr);
        j["coverage_factor"] = m.factor;
    }
    return j;
}

json Probe(const ProbeFigures& p, std::uint32_t reference)
{
    json gaps = json::array();
    for (const Gap& g : p.gaps)
        gaps.push_back({{"from", FormatIsoTime(g.from)}, {"to", FormatIsoTime(g.to)},
                        {"missing_hours", g.missingHours}});
    json chart = json::array();
    for (const TimeMean& t : p.chart)
        chart.push_back({{"time", FormatIsoTime(t.time)}, {"mean", t.mean}});
    json profile = nullptr;
    if (!p.dailyProfile.empty()) {
        profile = json::array();
        for (const auto& hour : p.dailyProfile)
            profile.push_back(Optional(hour));
    }
    return {{"probe", p.probe},
            {"mesh_address", p.probe},
            {"records", p.records},
            {"first", FormatIsoTime(p.first)},
            {"last", FormatIsoTime(p.last)},
            {"record_interval_s", p.interval},
            {"coverage",
             {{"measured_hours", p.measuredHours},
              {"period_hours", p.periodHours},
              {"share", Optional(p.coverage)},
              {"gaps", gaps}}},
            {"mean", p.mean},
            {"median", p.median},
            {"min", p.min},
            {"max", p.max},
            {"percentile_95", p.percentile95},
            {"hours_above", p.hoursAbove},
            {"share_above", Optional(p.shareAbove)},
            {"mean_interval_95", Interval(p)},
            {"decision", DecisionKey(p.decision)},
            {"decision_text", DecisionText(p, reference)},
            {"chart", {{"resolution", p.dailyChart ? "daily" : "hourly"}, {"means", chart}}},
            {"daily_profile", profile}};
}

}  // namespace

std::string ReportJson(const Report& report)
{
    json probes = json::array();
    for (const ProbeFigures& p : report.probes)
        probes.push_back(Probe(p, report.reference));
    json events = json::array();
    for (const EventLine& e : report.events)
        events.push_back({{"time", FormatIsoTime(e.time)},
                          {"element", e.element},
                          {"source", EventSource(e.element)},
                          {"code", e.code},
                          {"text", e.text}});
    json meteo = {{"records", report.meteo.records}};
    if (report.meteo.records > 0) {
        meteo["temperature_c"] = Range(report.meteo.temperature);
        meteo["pressure_hpa"] = Range(report.meteo.pressure);
        meteo["humidity_percent"] = Range(report.meteo.humidity);
    }
    const json j = {{"station", report.station},
                    {"time_base", kTimeBase},
                    {"program_version", report.programVersion},
                    {"created", FormatIsoTime(report.created)},
                    {"concentration_unit", "Bq/m3"},
                    {"reference_level", report.reference},
                    {"period",
                     {{"first", FormatIsoTime(report.first)},
                      {"last", FormatIsoTime(report.last)},
                      {"days", (report.last - report.first) / 86400.0},
                      {"measurement", report.shortTerm ? "short_term" : "long_term"},
                      {"measurement_text", MeasurementText(report)}}},
                    {"probes", probes},
                    {"meteo", meteo},
                    {"events", events}};
    return j.dump(2) + "\n";
}

}  // namespace kolmaris::report
