// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportCharts.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace kolmaris::report {

namespace {

const QColor kRadon(30, 90, 180);
const QColor kReference(200, 0, 0);
const QColor kGrid(215, 215, 215);
const QColor kGap(238, 238, 238);

// A step of 1, 2 or 5 times a power of ten that divides `range` into about `parts`.
double NiceStep(double range, int parts)
{
    const double raw = range / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

// The plot rectangle inside `area`: room for the value labels at the left and the time labels below.
QRectF PlotArea(QPainter& painter, const QRectF& area)
{
    const QFontMetricsF m(painter.font());
    return area.adjusted(m.horizontalAdvance("00000") + m.height() * 0.6, m.height() * 0.4, -m.height() * 0.4,
                         -m.height() * 1.6);
}

// Horizontal grid lines with value labels from 0 to the top of the axis, which is returned.
double ValueAxis(QPainter& painter, const QRectF& plot, double highest)
{
    const double step = NiceStep(std::max(highest, 1.0) * 1.1, 5);
    const double top = std::ceil(std::max(highest, 1.0) * 1.1 / step) * step;
    const QFontMetricsF m(painter.font());
    for (double v = 0; v <= top + step / 2; v += step) {
        const double y = plot.bottom() - v / top * plot.height();
        painter.setPen(QPen(kGrid, 0));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        const QRectF label(plot.left() - m.horizontalAdvance("00000") - m.height() * 0.4, y - m.height() / 2,
                           m.horizontalAdvance("00000"), m.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', 0));
    }
    return top;
}

void ReferenceLine(QPainter& painter, const QRectF& plot, double top, std::uint32_t reference)
{
    const double y = plot.bottom() - reference / top * plot.height();
    painter.setPen(QPen(kReference, painter.device()->logicalDpiX() / 72.0 * 1.2, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    const QFontMetricsF m(painter.font());
    painter.setPen(kReference);
    painter.drawText(QRectF(plot.left() + m.height() * 0.3, y - m.height() * 1.1, plot.width(), m.height()),
                     Qt::AlignLeft | Qt::AlignBottom, QString("Reference level %1 Bq/m3").arg(reference));
}

void Frame(QPainter& painter, const QRectF& plot)
{
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
}

QString DayLabel(TerminalTime time, bool withHour)
{
    const TimeFields f = TimeToFields(time);
    char text[24];
    if (withHour)
        std::snprintf(text, sizeof text, "%02d.%02d. %02d:00", f.day, f.month, f.hour);
    else
        std::snprintf(text, sizeof text, "%02d.%02d.%02d", f.day, f.month, f.year);
    return text;
}

}  // namespace

void DrawPeriodChart(QPainter& painter, const QRectF& area, const ProbeFigures& probe, TerminalTime first,
                     TerminalTime last, std::uint32_t reference)
{
    painter.save();
    const QRectF plot = PlotArea(painter, area);
    double highest = reference;
    for (const TimeMean& t : probe.chart)
        highest = std::max(highest, t.mean);
    const double top = ValueAxis(painter, plot, highest);

    const TerminalTime bucket = probe.dailyChart ? 86400 : 3600;
    const double start = first / bucket * bucket;
    const double end = std::max<double>(last / bucket * bucket + bucket, start + bucket);
    const auto x = [&](double t) { return plot.left() + (t - start) / (end - start) * plot.width(); };
    const auto y = [&](double v) { return plot.bottom() - v / top * plot.height(); };

    // Time labels on whole hours or days, or on the first days of months over long periods; about eight.
    const QFontMetricsF m(painter.font());
    const bool hours = end - start <= 2 * 86400;
    std::vector<TerminalTime> ticks;
    if (end - start > 90 * 86400.0) {
        const int months = end - start > 300 * 86400.0 ? 2 : 1;
        TimeFields f = TimeToFields(static_cast<TerminalTime>(start));
        f = {f.year, f.month, 1, 0, 0, 0};
        for (TerminalTime t = 0; FieldsToTime(f, t) == kFieldsOk && t <= end;) {
            if (t >= start)
                ticks.push_back(t);
            f.month += months;
            if (f.month > 12) {
                f.month -= 12;
                ++f.year;
            }
        }
    } else {
        const double unit = hours ? 3600 : 86400;
        double step = unit;
        for (const double n : {1.0, 2.0, 3.0, 6.0, 7.0, 14.0})
            if ((step = n * unit) * 8 >= end - start)
                break;
        for (double t = std::ceil(start / step) * step; t <= end; t += step)
            ticks.push_back(static_cast<TerminalTime>(t));
    }
    for (const TerminalTime t : ticks) {
        painter.setPen(QPen(kGrid, 0));
        painter.drawLine(QPointF(x(t), plot.top()), QPointF(x(t), plot.bottom()));
        painter.setPen(Qt::black);
        const QString label = DayLabel(t, hours);
        const double w = m.horizontalAdvance(label);
        painter.drawText(QRectF(x(t) - w / 2, plot.bottom() + m.height() * 0.2, w, m.height()), Qt::AlignCenter, label);
    }

    // Gaps longer than two record intervals shaded.
    for (const Gap& gap : probe.gaps)
        painter.fillRect(QRectF(QPointF(x(gap.from), plot.top()), QPointF(x(gap.to), plot.bottom())), kGap);

    // The means at the middle of their hour or day; a line breaks where a bucket has no records.
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    for (std::size_t i = 0; i < probe.chart.size(); ++i) {
        const QPointF point(x(probe.chart[i].time + bucket / 2.0), y(probe.chart[i].mean));
        if (i == 0 || probe.chart[i].time - probe.chart[i - 1].time > bucket)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    const double dot = painter.device()->logicalDpiX() / 72.0;
    painter.setPen(QPen(kRadon, dot * 0.8));
    painter.drawPath(path);
    if (probe.chart.size() <= 60) {
        painter.setBrush(kRadon);
        for (const TimeMean& t : probe.chart)
            painter.drawEllipse(QPointF(x(t.time + bucket / 2.0), y(t.mean)), dot, dot);
    }
    ReferenceLine(painter, plot, top, reference);
    Frame(painter, plot);
    painter.restore();
}

void DrawProfileChart(QPainter& painter, const QRectF& area, const ProbeFigures& probe, std::uint32_t reference)
{
    painter.save();
    const QRectF plot = PlotArea(painter, area);
    double highest = reference;
    for (const auto& hour : probe.dailyProfile)
        highest = std::max(highest, hour.value_or(0));
    const double top = ValueAxis(painter, plot, highest);
    const double width = plot.width() / 24;
    const QFontMetricsF m(painter.font());
    for (int h = 0; h < 24; ++h) {
        const auto& mean = probe.dailyProfile[static_cast<std::size_t>(h)];
        const double left = plot.left() + h * width;
        if (mean) {
            const double height = *mean / top * plot.height();
            painter.fillRect(QRectF(left + width * 0.15, plot.bottom() - height, width * 0.7, height), kRadon);
        }
        if (h % 3 == 0) {
            painter.setPen(Qt::black);
            painter.drawText(QRectF(left - width * 1.5 + width / 2, plot.bottom() + m.height() * 0.2, 3 * width, m.height()),
                             Qt::AlignCenter, QString("%1:00").arg(h, 2, 10, QChar('0')));
        }
    }
    ReferenceLine(painter, plot, top, reference);
    Frame(painter, plot);
    painter.restore();
}

}  // namespace kolmaris::report
