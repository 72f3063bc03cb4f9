// SPDX-License-Identifier: GPL-3.0-or-later
#include "TRadonHistoryWND.h"

#include "ui_TRadonHistoryWND.h"

#include "RadonCsv.h"
#include "ReportPdf.h"
#include "ReportSource.h"
#include "Session.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPen>
#include <QSaveFile>
#include <QScreen>
#include <QTimeZone>
#include <QValueAxis>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <sstream>

namespace kolmaris {

namespace {

// Labels along the time axis, the first at its left end and the last at its right.
constexpr int kTimeLabels = 5;

// The terminal's clock runs on UTC+1 all year: its zero as the time axis counts.
qint64 TerminalEpochMsecs()
{
    static const qint64 epoch = QDateTime(QDate(2000, 1, 1), QTime(0, 0), QTimeZone(3600)).toMSecsSinceEpoch();
    return epoch;
}

qint64 AxisMsecs(TerminalTime time)
{
    return TerminalEpochMsecs() + qint64{time} * 1000;
}

// "08.03. 11:00" on the terminal's clock; with seconds when the labels of `span` would repeat.
QString TimeLabel(qint64 msecs, qint64 span)
{
    const qint64 seconds = std::clamp<qint64>((msecs - TerminalEpochMsecs()) / 1000, 0, kLastTerminalTime);
    const TimeFields f = TimeToFields(static_cast<TerminalTime>(seconds));
    QString label = QString::asprintf("%02d.%02d. %02d:%02d", f.day, f.month, f.hour, f.minute);
    if (span < 10 * 60 * 1000)
        label += QString::asprintf(":%02d", f.second);
    return label;
}

// The first terminal time at or after `msecs` on the axis, or the last one at or before it.
TerminalTime TerminalTimeAt(qint64 msecs, bool up)
{
    const qint64 ms = std::max<qint64>(0, msecs - AxisMsecs(0));
    return static_cast<TerminalTime>(std::min<qint64>(kLastTerminalTime, up ? (ms + 999) / 1000 : ms / 1000));
}

bool IsUrl(const std::string& location)
{
    return location.rfind("postgresql://", 0) == 0;
}

// "<station>-probe<n>.<suffix>" for an export; characters no file name may hold become '_'.
QString ExportFileName(QString station, const QString& probe, const QString& suffix)
{
    for (QChar& c : station)
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = u'_';
    return QStringLiteral("%1-probe%2.%3").arg(station, probe, suffix);
}

}  // namespace

TRadonHistoryWND::TRadonHistoryWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent),
      ui_(std::make_unique<Ui::TRadonHistoryWND>()),
      chart_(new QChart),
      view_(new QChartView(chart_)),
      timeAxis_(new QDateTimeAxis),
      timeLabels_(new QCategoryAxis),
      valueAxis_(new QValueAxis),
      radon_(new QLineSeries),
      longTerm_(new QLineSeries),
      reference_(new QLineSeries),
      climateAxis_(new QValueAxis),
      temperature_(new QLineSeries),
      humidity_(new QLineSeries)
{
    ui_->setupUi(this);
    ui_->ReferenceSE->setValue(static_cast<int>(history::kDefaultReferenceLevel));
    view_->setObjectName("ChartView");
    view_->setRubberBand(QChartView::RectangleRubberBand);
    view_->setRenderHint(QPainter::Antialiasing);
    ui_->ChartLayout->addWidget(view_);

    radon_->setName("Radon");
    longTerm_->setName("Long-term radon (7-day mean)");
    reference_->setName("Reference level");
    QPen referencePen(Qt::red, 2, Qt::DashLine);
    reference_->setPen(referencePen);
    timeLabels_->setTitleText(QString("Time (terminal time, %1)").arg(kTerminalTimeZone));
    timeLabels_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    valueAxis_->setTitleText("Bq/m3");
    valueAxis_->setLabelFormat("%.0f");
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(timeLabels_, Qt::AlignBottom);
    timeAxis_->setVisible(false);
    chart_->addAxis(valueAxis_, Qt::AlignLeft);
    for (QLineSeries* series : {radon_, longTerm_, reference_}) {
        chart_->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(timeLabels_);
        series->attachAxis(valueAxis_);
    }
    temperature_->setName("Temperature (°C)");
    humidity_->setName("Humidity (%)");
    humidity_->setColor(QColor(230, 140, 0));  // apart from the reference level's red
    climateAxis_->setTitleText("°C, %");
    climateAxis_->setLabelFormat("%.0f");
    chart_->addAxis(climateAxis_, Qt::AlignRight);
    for (QLineSeries* series : {temperature_, humidity_}) {
        chart_->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(timeLabels_);
        series->attachAxis(climateAxis_);
        series->setVisible(false);
    }
    climateAxis_->setVisible(false);
    chart_->legend()->setAlignment(Qt::AlignBottom);

    connect(timeAxis_, &QDateTimeAxis::rangeChanged, this, &TRadonHistoryWND::LabelTimeAxis);
    connect(timeAxis_, &QDateTimeAxis::rangeChanged, this, &TRadonHistoryWND::UpdateStatistics);
    connect(ui_->StationCB, &QComboBox::activated, this, &TRadonHistoryWND::StationCBChange);
    connect(ui_->ProbeCB, &QComboBox::activated, this, &TRadonHistoryWND::ProbeCBChange);
    connect(ui_->ReferenceSE, &QSpinBox::valueChanged, this, [this] {
        DrawReference();
        UpdateStatistics();
    });
    connect(ui_->ResetBT, &QPushButton::clicked, this, &TRadonHistoryWND::ResetBTClick);
    connect(ui_->TemperatureCB, &QCheckBox::toggled, this, &TRadonHistoryWND::ClimateCBClick);
    connect(ui_->HumidityCB, &QCheckBox::toggled, this, &TRadonHistoryWND::ClimateCBClick);
    connect(ui_->SaveCsvBT, &QPushButton::clicked, this, &TRadonHistoryWND::SaveCsvBTClick);
    connect(ui_->SavePngBT, &QPushButton::clicked, this, &TRadonHistoryWND::SavePngBTClick);
    connect(ui_->ReportBT, &QPushButton::clicked, this, &TRadonHistoryWND::ReportBTClick);
}

TRadonHistoryWND::~TRadonHistoryWND() = default;

void TRadonHistoryWND::FitScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    resize(size().boundedTo(area.size() - frame).expandedTo(minimumSizeHint()));
    const QRect placed = frameGeometry();
    move(std::max(area.left(), std::min(placed.left(), area.right() + 1 - placed.width())),
         std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - placed.height())));
}

// Lists the stations and probes with radon records. A missing archive file is not created.
void TRadonHistoryWND::FormShow()
{
    FitScreen();
    ui_->StationCB->clear();
    ui_->StatusLB->clear();
    content_.clear();
    const std::string location =
        session_.archiveLocation.empty() ? history::StationArchive::DefaultLocation() : session_.archiveLocation;
    std::error_code missing;
    std::string error;
    archive_ = std::make_unique<history::StationArchive>();
    if (!IsUrl(location) && !std::filesystem::exists(location, missing))
        error = "there is no archive yet; downloads stored with --archive fill it";
    else if (archive_->Open(location, error))
        archive_->Content(content_, error);
    if (!error.empty()) {
        ui_->StatusLB->setText(
            QString("Archive %1: %2").arg(QString::fromStdString(location), QString::fromStdString(error)));
        archive_.reset();
    }
    for (const auto& [name, station] : content_)
        if (std::any_of(station.probes.begin(), station.probes.end(),
                        [](const auto& probe) { return probe.second.radonRecords > 0; }))
            ui_->StationCB->addItem(QString::fromStdString(name));
    ui_->StationCB->setCurrentIndex(std::max(0, ui_->StationCB->findText(QString::fromStdString(session_.station))));
    if (archive_ && ui_->StationCB->count() == 0)
        ui_->StatusLB->setText(
            QString("The archive %1 holds no radon records").arg(QString::fromStdString(archive_->Where())));
    StationCBChange();
}

// The database connection is not kept while the window is closed.
void TRadonHistoryWND::FormHide()
{
    archive_.reset();
}

void TRadonHistoryWND::StationCBChange()
{
    ui_->ProbeCB->clear();
    const auto station = content_.find(ui_->StationCB->currentText().toStdString());
    if (station != content_.end())
        for (const auto& [address, probe] : station->second.probes)
            if (probe.radonRecords > 0)
                ui_->ProbeCB->addItem(QString::number(address), address);
    ProbeCBChange();
}

void TRadonHistoryWND::ProbeCBChange()
{
    rows_.clear();
    std::string error;
    if (archive_ && ui_->ProbeCB->currentIndex() >= 0 &&
        !archive_->RadonRecords(ui_->StationCB->currentText().toStdString(), ui_->ProbeCB->currentData().toInt(), 0,
                                std::numeric_limits<TerminalTime>::max(), rows_, error))
        ui_->StatusLB->setText(QString("Cannot read %1: %2")
                                   .arg(QString::fromStdString(archive_->Where()), QString::fromStdString(error)));
    msecs_.clear();
    for (const history::RadonRow& row : rows_)
        msecs_.push_back(AxisMsecs(row.time));
    Draw();
}

// The axes first, on empty series: every range set after the points are in makes each series
// compute its points again, which for a year of records costs more than reading them.
void TRadonHistoryWND::Draw()
{
    for (QLineSeries* series : {radon_, longTerm_, temperature_, humidity_})
        series->clear();
    ResetBTClick();
    const std::vector<double> means = history::TrailingMeans(rows_);
    QList<QPointF> radon, longTerm;
    radon.reserve(static_cast<qsizetype>(rows_.size()));
    longTerm.reserve(static_cast<qsizetype>(rows_.size()));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        radon.append(QPointF(static_cast<qreal>(msecs_[i]), rows_[i].radon));
        longTerm.append(QPointF(static_cast<qreal>(msecs_[i]), means[i]));
    }
    radon_->replace(radon);
    longTerm_->replace(longTerm);
    FillClimate();
}

void TRadonHistoryWND::ClimateCBClick()
{
    temperature_->setVisible(ui_->TemperatureCB->isChecked());
    humidity_->setVisible(ui_->HumidityCB->isChecked());
    climateAxis_->setVisible(temperature_->isVisible() || humidity_->isVisible());
    temperature_->clear();
    humidity_->clear();
    ClimateRange();
    FillClimate();
}

// A series is filled only while it is shown, so that a probe's year loads as fast without them.
void TRadonHistoryWND::FillClimate()
{
    const auto fill = [this](QLineSeries* series, int history::RadonRow::*field) {
        if (!series->isVisible())
            return;
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(rows_.size()));
        for (std::size_t i = 0; i < rows_.size(); ++i)
            points.append(QPointF(static_cast<qreal>(msecs_[i]), rows_[i].*field));
        series->replace(points);
    };
    fill(temperature_, &history::RadonRow::temperature);
    fill(humidity_, &history::RadonRow::humidity);
}

// The whole record span, and values from 0 to above the highest record and the reference level.
void TRadonHistoryWND::ResetBTClick()
{
    chart_->zoomReset();
    const qint64 first = msecs_.empty() ? AxisMsecs(0) : msecs_.front();
    const qint64 last = std::max(msecs_.empty() ? first : msecs_.back(), first + 3600 * 1000);
    std::uint32_t highest = 0;
    for (const history::RadonRow& row : rows_)
        highest = std::max(highest, row.radon);
    valueAxis_->setRange(0, std::max<double>(highest, ui_->ReferenceSE->value()) * 1.1);
    valueAxis_->applyNiceNumbers();
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    ClimateRange();
    DrawReference();
    UpdateStatistics();
}

// From the lowest to the highest value shown, and at least 0 to 10.
void TRadonHistoryWND::ClimateRange()
{
    int low = 0, high = 10;
    for (const history::RadonRow& row : rows_) {
        if (temperature_->isVisible()) {
            low = std::min(low, row.temperature);
            high = std::max(high, row.temperature);
        }
        if (humidity_->isVisible())
            high = std::max(high, row.humidity);
    }
    climateAxis_->setRange(low, high * 1.1);
    climateAxis_->applyNiceNumbers();
}

void TRadonHistoryWND::DrawReference()
{
    const qreal level = ui_->ReferenceSE->value();
    const qreal from = msecs_.empty() ? timeAxis_->min().toMSecsSinceEpoch() : msecs_.front();
    const qreal to = msecs_.empty() ? timeAxis_->max().toMSecsSinceEpoch() : msecs_.back();
    reference_->replace({QPointF(from, level), QPointF(to, level)});
}

// Evenly spaced over the span shown, as the chart's own date axis would place them, but in
// terminal time: the times of the CSV export and of kolmaris-cli.
void TRadonHistoryWND::LabelTimeAxis()
{
    for (const QString& label : timeLabels_->categoriesLabels())
        timeLabels_->remove(label);
    const qint64 min = timeAxis_->min().toMSecsSinceEpoch();
    const qint64 max = timeAxis_->max().toMSecsSinceEpoch();
    timeLabels_->setStartValue(static_cast<qreal>(min) - 1);
    for (int i = 0; i < kTimeLabels; ++i) {
        const qint64 at = min + (max - min) * i / (kTimeLabels - 1);
        timeLabels_->append(TimeLabel(at, max - min), static_cast<qreal>(at));  // a repeated label is left out
    }
}

std::vector<history::RadonRow> TRadonHistoryWND::VisibleRows() const
{
    const auto begin = std::lower_bound(msecs_.begin(), msecs_.end(), timeAxis_->min().toMSecsSinceEpoch());
    const auto end = std::upper_bound(begin, msecs_.end(), timeAxis_->max().toMSecsSinceEpoch());
    return {rows_.begin() + (begin - msecs_.begin()), rows_.begin() + (end - msecs_.begin())};
}

void TRadonHistoryWND::UpdateStatistics()
{
    const int level = ui_->ReferenceSE->value();
    const history::RadonStatistics s = history::ComputeStatistics(VisibleRows(), static_cast<std::uint32_t>(level));
    const auto value = [&s](double v, int decimals) {
        return s.count == 0 ? QString("-") : QString::number(v, 'f', decimals);
    };
    ui_->RecordsLB->setText(QString("Records: %1").arg(s.count));
    ui_->MeanLB->setText(QString("Mean: %1 Bq/m3").arg(value(s.mean, 1)));
    ui_->MinLB->setText(QString("Minimum: %1 Bq/m3").arg(value(s.min, 0)));
    ui_->MaxLB->setText(QString("Maximum: %1 Bq/m3").arg(value(s.max, 0)));
    ui_->HoursAboveLB->setText(QString("Hours above %1 Bq/m3: %2").arg(level).arg(value(s.hoursAbove, 2)));
}

// Written whole or not at all.
void TRadonHistoryWND::SaveCsvBTClick()
{
    const auto path = session_.dialogs.SaveFileName(
        this, "*.csv", "csv", ExportFileName(ui_->StationCB->currentText(), ui_->ProbeCB->currentText(), "csv"));
    if (!path)
        return;
    std::ostringstream text;
    history::WriteRadonCsv(VisibleRows(), text);
    const std::string bytes = text.str();
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0 ||
        !file.commit())
        Message("Error!", QString("Cannot write %1").arg(*path), MessageButtons::Ok, MessageIcon::Error);
}

void TRadonHistoryWND::SavePngBTClick()
{
    const auto path = session_.dialogs.SaveFileName(
        this, "*.png", "png", ExportFileName(ui_->StationCB->currentText(), ui_->ProbeCB->currentText(), "png"));
    if (path && !view_->grab().save(*path, "PNG"))
        Message("Error!", QString("Cannot write %1").arg(*path), MessageButtons::Ok, MessageIcon::Error);
}

void TRadonHistoryWND::ReportBTClick()
{
    report::ReportRequest request;
    request.station = ui_->StationCB->currentText().toStdString();
    request.probes = {ui_->ProbeCB->currentData().toInt()};
    request.from = TerminalTimeAt(timeAxis_->min().toMSecsSinceEpoch(), true);
    request.to = TerminalTimeAt(timeAxis_->max().toMSecsSinceEpoch(), false);
    request.reference = static_cast<std::uint32_t>(ui_->ReferenceSE->value());
    report::ReportInput input;
    std::string error = "no archive is open";
    if (!archive_ || ui_->ProbeCB->currentIndex() < 0 ||
        report::ReadReportInput(*archive_, request, input, error) != report::ReadResult::Ok) {
        Message("Error!", QString("No report: %1").arg(QString::fromStdString(error)), MessageButtons::Ok,
                MessageIcon::Error);
        return;
    }
    const auto path = session_.dialogs.SaveFileName(
        this, "*.pdf", "pdf", ExportFileName(ui_->StationCB->currentText(), ui_->ProbeCB->currentText(), "pdf"));
    if (!path)
        return;
    input.programVersion = KOLMARIS_VERSION;
    input.created = PcTimeToTerminalTime();
    QString failure;
    if (!report::WriteReportPdf(report::ComputeReport(input), *path, failure))
        Message("Error!", failure, MessageButtons::Ok, MessageIcon::Error);
}

}  // namespace kolmaris
