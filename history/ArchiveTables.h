// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How each kind of row maps onto its table: the columns after `station`, the key, and the values
// in column order. One template serves every kind in the archive's reads and writes.

#include <tuple>

#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>

#include "ArchiveRows.h"

namespace kolmaris::history {

template <class Row>
struct Table;

template <>
struct Table<RadonRow> {
    static constexpr const char* kName = "radon_records";
    static QStringList Columns()
    {
        return {"probe", "terminal_time", "radon", "sum1", "sum2", "sum3", "sum4", "temperature", "humidity", "hv"};
    }
    static auto Key(const RadonRow& r) { return std::tuple(r.probe, r.time); }
    static QVariantList Values(const RadonRow& r)
    {
        return {r.probe, qint64{r.time}, qint64{r.radon}, qint64{r.sum1}, qint64{r.sum2},
                qint64{r.sum3}, qint64{r.sum4}, r.temperature, r.humidity, r.hv};
    }
    static RadonRow Read(const QSqlQuery& q)
    {
        const auto u32 = [&](int i) { return static_cast<std::uint32_t>(q.value(i).toLongLong()); };
        return {q.value(0).toInt(), u32(1), u32(2), u32(3), u32(4), u32(5), u32(6),
                q.value(7).toInt(), q.value(8).toInt(), q.value(9).toInt()};
    }
};

template <>
struct Table<SpectrumRow> {
    static constexpr const char* kName = "spectra";
    static QStringList Columns() { return {"probe", "terminal_time", "channels"}; }
    static auto Key(const SpectrumRow& r) { return std::tuple(r.probe, r.time); }
    static QVariantList Values(const SpectrumRow& r)
    {
        QStringList channels;
        for (std::uint8_t c : r.channels)
            channels << QString::number(c);
        return {r.probe, qint64{r.time}, channels.join(',')};
    }
    static SpectrumRow Read(const QSqlQuery& q)
    {
        SpectrumRow row{q.value(0).toInt(), static_cast<TerminalTime>(q.value(1).toLongLong()), {}};
        const QStringList channels = q.value(2).toString().split(',');
        for (qsizetype i = 0; i < channels.size() && i < static_cast<qsizetype>(kSpectrumChannels); ++i)
            row.channels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(channels[i].toUInt());
        return row;
    }
};

template <>
struct Table<MeteoRow> {
    static constexpr const char* kName = "meteo_records";
    static QStringList Columns() { return {"terminal_time", "pressure", "temperature", "humidity", "voltage"}; }
    static auto Key(const MeteoRow& r) { return std::tuple(r.time); }
    static QVariantList Values(const MeteoRow& r)
    {
        return {qint64{r.time}, r.pressure, r.temperature, r.humidity, r.voltage};
    }
    static MeteoRow Read(const QSqlQuery& q)
    {
        return {static_cast<TerminalTime>(q.value(0).toLongLong()), q.value(1).toInt(), q.value(2).toInt(),
                q.value(3).toInt(), q.value(4).toInt()};
    }
};

template <>
struct Table<DiaRow> {
    static constexpr const char* kName = "diagnostic_events";
    static QStringList Columns() { return {"terminal_time", "element", "code"}; }
    static auto Key(const DiaRow& r) { return std::tuple(r.time, r.element, r.code); }
    static QVariantList Values(const DiaRow& r) { return {qint64{r.time}, r.element, r.code}; }
    static DiaRow Read(const QSqlQuery& q)
    {
        return {static_cast<TerminalTime>(q.value(0).toLongLong()), q.value(1).toInt(), q.value(2).toInt()};
    }
};

}  // namespace kolmaris::history
