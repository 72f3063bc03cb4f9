// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportPdf.h"

#include "RadonCsv.h"
#include "ReportCharts.h"
#include "ReportTexts.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <utility>
#include <vector>

namespace kolmaris::report {

namespace {

constexpr int kDpi = 300;
constexpr double kMargin = 18;  // mm
constexpr double kPageWidth = 210, kPageHeight = 297;
constexpr std::size_t kEventLines = 14;
constexpr std::size_t kGapLines = 6;

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

QString Time(TerminalTime time)
{
    return Q(history::IsoTime(time));
}

QString Bq(double value, int decimals = 1)
{
    return Q(Fixed(value, decimals)) + " Bq/m3";
}

// A page being filled from the top: text blocks, tables and areas for charts, in millimetres.
class Sheet {
public:
    Sheet(QPdfWriter& writer, QPainter& painter, QString footer, int pages)
        : writer_(writer), painter_(painter), footer_(std::move(footer)), pages_(pages)
    {
        Start();
    }

    void NewPage()
    {
        writer_.newPage();
        ++page_;
        Start();
    }

    void Heading(const QString& text, double points = 15)
    {
        Text(text, points, true);
        y_ += 1.5;
    }

    void Text(const QString& text, double points = 9.5, bool bold = false, QColor color = Qt::black)
    {
        Font(points, bold);
        painter_.setPen(color);
        const QRectF box(Mm(kMargin), Mm(y_), Mm(Width()), Mm(kPageHeight));
        QRectF used;
        painter_.drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text, &used);
        y_ += used.height() / Mm(1) + 1.2;
    }

    // Label and value pairs, `columns` pairs a line.
    void Pairs(const std::vector<std::pair<QString, QString>>& pairs, int columns, double labelMm)
    {
        Font(9.5, false);
        const double line = LineMm();
        const double column = Width() / columns;
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            const double x = kMargin + static_cast<double>(i % static_cast<std::size_t>(columns)) * column;
            Font(9.5, true);
            painter_.drawText(QRectF(Mm(x), Mm(y_), Mm(labelMm), Mm(line)), Qt::AlignLeft | Qt::AlignVCenter,
                              pairs[i].first);
            Font(9.5, false);
            // The last pair alone on its line may use the line.
            const bool alone = i + 1 == pairs.size() && i % static_cast<std::size_t>(columns) == 0;
            painter_.drawText(QRectF(Mm(x + labelMm), Mm(y_), Mm((alone ? Width() : column) - labelMm), Mm(line)),
                              Qt::AlignLeft | Qt::AlignVCenter, pairs[i].second);
            if ((i + 1) % static_cast<std::size_t>(columns) == 0 || i + 1 == pairs.size())
                y_ += line;
        }
        y_ += 2;
    }

    // A header row and rows of cells; `widths` in mm.
    void Table(const QStringList& header, const std::vector<QStringList>& rows, const std::vector<double>& widths)
    {
        const double line = LineMm() + 0.6;
        const auto row = [&](const QStringList& cells, bool bold) {
            Font(9, bold);
            double x = kMargin;
            for (qsizetype c = 0; c < cells.size() && c < static_cast<qsizetype>(widths.size()); ++c) {
                painter_.drawText(QRectF(Mm(x), Mm(y_), Mm(widths[static_cast<std::size_t>(c)] - 1), Mm(line)),
                                  Qt::AlignLeft | Qt::AlignVCenter, cells[c]);
                x += widths[static_cast<std::size_t>(c)];
            }
            y_ += line;
        };
        painter_.setPen(Qt::black);
        row(header, true);
        painter_.setPen(QPen(Qt::gray, 0));
        painter_.drawLine(QPointF(Mm(kMargin), Mm(y_)), QPointF(Mm(kPageWidth - kMargin), Mm(y_)));
        painter_.setPen(Qt::black);
        for (const QStringList& cells : rows)
            row(cells, false);
        y_ += 2;
    }

    // An area `height` mm high across the page for a chart, with a caption above it.
    QRectF Area(const QString& caption, double height)
    {
        Text(caption, 9.5, true);
        const QRectF area(Mm(kMargin), Mm(y_), Mm(Width()), Mm(height));
        y_ += height + 2;
        Font(8, false);
        painter_.setPen(Qt::black);
        return area;
    }

    void Space(double mm) { y_ += mm; }
    double Left() const { return kPageHeight - kMargin - 6 - y_; }
    QPainter& Painter() { return painter_; }

private:
    static double Width() { return kPageWidth - 2 * kMargin; }
    double Mm(double mm) const { return mm * kDpi / 25.4; }
    double LineMm() const { return QFontMetricsF(painter_.font()).height() / Mm(1) * 1.15; }

    void Font(double points, bool bold)
    {
        QFont font("DejaVu Sans");
        font.setPointSizeF(points);
        font.setBold(bold);
        painter_.setFont(font);
    }

    void Start()
    {
        y_ = kMargin;
        Font(8, false);
        painter_.setPen(Qt::darkGray);
        painter_.drawText(QRectF(Mm(kMargin), Mm(kPageHeight - kMargin), Mm(Width()), Mm(6)),
                          Qt::AlignLeft | Qt::AlignVCenter, footer_);
        painter_.drawText(QRectF(Mm(kMargin), Mm(kPageHeight - kMargin), Mm(Width()), Mm(6)),
                          Qt::AlignRight | Qt::AlignVCenter, QString("Page %1 of %2").arg(page_).arg(pages_));
        painter_.setPen(Qt::black);
    }

    QPdfWriter& writer_;
    QPainter& painter_;
    QString footer_;
    int pages_;
    int page_ = 1;
    double y_ = kMargin;
};

QString Probes(const Report& report)
{
    QStringList addresses;
    for (const ProbeFigures& p : report.probes)
        addresses << QString::number(p.probe);
    return (addresses.size() == 1 ? "MESH address " : "MESH addresses ") + addresses.join(", ");
}

QString IntervalCell(const ProbeFigures& p)
{
    return p.interval95.known ? Q(Fixed(p.interval95.low, 1) + " to " + Fixed(p.interval95.high, 1)) : QString("-");
}

QString DecisionCell(Decision d)
{
    switch (d) {
        case Decision::Below:
            return "below the level";
        case Decision::Above:
            return "above the level";
        case Decision::NotDecidable:
            break;
    }
    return "not decidable";
}

void SummaryPage(Sheet& sheet, const Report& report)
{
    sheet.Heading("Radon measurement report", 18);
    sheet.Pairs({{"Station", Q(report.station)},
                 {"Probes", Probes(report)},
                 {"Period", Time(report.first) + "  to  " + Time(report.last) + "  (first and last record)"},
                 {"Time base", Q(kTimeBase) + "; every time in this report"},
                 {"Reference level", QString("%1 Bq/m3").arg(report.reference)},
                 {"Program", "Kolmaris " + Q(report.programVersion)},
                 {"Report made", Time(report.created)}},
                1, 34);
    sheet.Text(Q(MeasurementText(report)));
    sheet.Space(2);

    sheet.Text("Radon concentration by probe", 11, true);
    std::vector<QStringList> rows;
    for (const ProbeFigures& p : report.probes)
        rows.push_back({QString::number(p.probe), QString::number(p.records), Q(Fixed(p.mean, 1)), IntervalCell(p),
                        QString::number(p.max), Q(Fixed(p.hoursAbove, 1)), DecisionCell(p.decision)});
    sheet.Table({"Probe", "Records", "Mean", "95 % interval", "Maximum", "Hours above", "Mean against level"}, rows,
                {13, 18, 17, 32, 20, 26, 48});
    sheet.Text("Concentrations in Bq/m3; the decision for each probe and how its interval was computed are on its "
               "page.",
               8.5, false, Qt::darkGray);
    sheet.Space(3);

    sheet.Text(QString("Terminal meteo values of the period (%1 records)").arg(report.meteo.records), 11, true);
    if (report.meteo.records == 0) {
        sheet.Text("The archive holds no meteo records of the terminal in the period.");
    } else {
        const auto range = [](const QString& name, const ValueRange& r, int decimals, const QString& unit) {
            return QStringList{name, Q(Fixed(r.mean, decimals)) + unit, Q(Fixed(r.min, decimals)) + unit,
                               Q(Fixed(r.max, decimals)) + unit};
        };
        sheet.Table({"", "Mean", "Minimum", "Maximum"},
                    {range("Temperature", report.meteo.temperature, 1, " °C"),
                     range("Pressure", report.meteo.pressure, 0, " hPa"),
                     range("Humidity", report.meteo.humidity, 1, " %")},
                    {40, 35, 35, 35});
    }
    sheet.Space(3);

    sheet.Text(QString("Diagnostic events of the period (%1)").arg(report.events.size()), 11, true);
    if (report.events.empty()) {
        sheet.Text("None.");
        return;
    }
    // As many lines as the page holds, up to kEventLines.
    const std::size_t lines = std::min(kEventLines, static_cast<std::size_t>(std::max(0.0, (sheet.Left() - 16) / 5.3)));
    std::vector<QStringList> events;
    for (std::size_t i = 0; i < report.events.size() && i < lines; ++i) {
        const EventLine& e = report.events[i];
        events.push_back({Time(e.time), Q(EventSource(e.element)), QString("%1").arg(e.code, 2, 16, QChar('0')).toUpper(),
                          Q(e.text)});
    }
    sheet.Table({"Time", "Source", "Code", "Meaning"}, events, {36, 24, 14, 100});
    if (report.events.size() > events.size())
        sheet.Text(QString("... and %1 more (all of them in the JSON of this report: --format json).")
                       .arg(report.events.size() - events.size()),
                   8.5, false, Qt::darkGray);
}

QString Hours(double hours)
{
    return Q(Fixed(hours, hours >= 1000 ? 0 : 1)) + " h";
}

QString Share(const std::optional<double>& share)
{
    return share ? Q(Fixed(*share * 100, 1)) + " %" : QString("- (one record)");
}

void ProbePage(Sheet& sheet, const Report& report, const ProbeFigures& p)
{
    sheet.Heading(QString("Probe %1 (MESH address %1), station %2").arg(p.probe).arg(Q(report.station)));
    const QString interval = p.interval == 0 ? QString("- (one record)") : Q(Fixed(p.interval / 60.0, 0)) + " min";
    sheet.Pairs({{"Records", QString::number(p.records)},
                 {"Record interval", interval},
                 {"First record", Time(p.first)},
                 {"Last record", Time(p.last)},
                 {"Coverage", Share(p.coverage) + " (" + Hours(p.measuredHours) + " of " + Hours(p.periodHours) + ")"},
                 {"Gaps", QString::number(p.gaps.size()) + " longer than two intervals"},
                 {"Mean", Bq(p.mean)},
                 {"Median", Bq(p.median)},
                 {"Minimum", Bq(p.min, 0)},
                 {"Maximum", Bq(p.max, 0)},
                 {"95th percentile", Bq(p.percentile95)},
                 {"95 % interval", p.interval95.known ? IntervalCell(p) + " Bq/m3" : QString("- (under two days)")},
                 {QString("Above %1 Bq/m3").arg(report.reference),
                  Hours(p.hoursAbove) + (p.shareAbove ? ", " + Share(p.shareAbove) + " of the measured time" : "")}},
                2, 36);
    sheet.Text(Q(DecisionText(p, report.reference)), 10.5, true,
               p.decision == Decision::Above ? QColor(170, 0, 0) : QColor(Qt::black));
    sheet.Text(Q(MeasurementText(report)), 9);
    for (std::size_t i = 0; i < p.gaps.size() && i < kGapLines; ++i)
        sheet.Text(QString("Gap: no records from %1 to %2 (%3 missing)")
                       .arg(Time(p.gaps[i].from), Time(p.gaps[i].to), Hours(p.gaps[i].missingHours)),
                   8.5);
    if (p.gaps.size() > kGapLines)
        sheet.Text(QString("... and %1 more gaps.").arg(p.gaps.size() - kGapLines), 8.5);
    if (!p.gaps.empty())
        sheet.Text("The gaps are shaded in the chart.", 8.5);
    sheet.Space(1);

    const double methodRoom = 22;
    const double profile = p.dailyProfile.empty() ? 0 : 58;
    const double chart = std::clamp(sheet.Left() - methodRoom - profile - 12, 40.0, 100.0);
    DrawPeriodChart(sheet.Painter(),
                    sheet.Area(p.dailyChart ? "Daily means of the period (Bq/m3)" : "Hourly means of the period (Bq/m3)",
                               chart),
                    p, report.first, report.last, report.reference);
    if (p.dailyProfile.empty())
        sheet.Text("Daily profile: needs at least three days of records.", 8.5, false, Qt::darkGray);
    else
        DrawProfileChart(sheet.Painter(), sheet.Area("Daily profile: mean by hour of day (Bq/m3)", profile - 6), p,
                         report.reference);
    sheet.Text(Q(IntervalMethodText(p)), 7.5, false, Qt::darkGray);
}

}  // namespace

bool WriteReportPdf(const Report& report, const QString& path, QString& error)
{
    if (report.probes.empty()) {
        error = "no radon records to report";
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QString("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(kDpi);
        writer.setTitle(QString("Radon measurement report, station %1").arg(Q(report.station)));
        writer.setCreator("Kolmaris " + Q(report.programVersion));
        QPainter painter;
        if (!painter.begin(&writer)) {
            error = QString("cannot write %1: the PDF writer does not start").arg(path);
            return false;
        }
        const QString footer = QString("Radon measurement report, station %1, %2 to %3")
                                   .arg(Q(report.station), Time(report.first), Time(report.last));
        Sheet sheet(writer, painter, footer, 1 + static_cast<int>(report.probes.size()));
        SummaryPage(sheet, report);
        for (const ProbeFigures& p : report.probes) {
            sheet.NewPage();
            ProbePage(sheet, report, p);
        }
        painter.end();
    }
    if (!file.commit()) {
        error = QString("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace kolmaris::report
