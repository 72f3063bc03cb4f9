// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Radon history": the radon records a station archive holds for one probe, drawn against time
// with their long-term mean and the reference level; the probe's temperature and humidity can be
// shown on a second axis at the right. The user zooms with a rubber band; the radon statistics
// below the chart follow the visible span, which can be exported as CSV and the chart as PNG.
// Reads the archive only; needs no terminal.

#include "RadonStatistics.h"
#include "StationArchive.h"
#include "ToolWindow.h"

#include <memory>
#include <vector>

class QCategoryAxis;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace Ui {
class TRadonHistoryWND;
}

namespace kolmaris {

class TRadonHistoryWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TRadonHistoryWND(Session& session, QWidget* parent = nullptr);
    ~TRadonHistoryWND() override;

    QChartView* ChartView() const { return view_; }
    // The span shown, in milliseconds since 1970 (UTC); the user zooms it. Not drawn: TimeLabels
    // labels it in terminal time, whatever zone the PC is in.
    QDateTimeAxis* TimeAxis() const { return timeAxis_; }
    QCategoryAxis* TimeLabels() const { return timeLabels_; }
    QLineSeries* RadonSeries() const { return radon_; }
    QLineSeries* TemperatureSeries() const { return temperature_; }
    QLineSeries* HumiditySeries() const { return humidity_; }
    QValueAxis* ClimateAxis() const { return climateAxis_; }
    // The records inside the time axis's range, oldest first.
    std::vector<history::RadonRow> VisibleRows() const;

public slots:
    void FormShow() override;
    void FormHide() override;
    void StationCBChange();
    void ProbeCBChange();
    void ResetBTClick();
    // TemperatureCB, HumidityCB: their series and the right axis shown or hidden.
    void ClimateCBClick();
    void SaveCsvBTClick();
    void SavePngBTClick();
    // The measurement report of the probe and span shown, as a PDF.
    void ReportBTClick();
    void UpdateStatistics();

private:
    // No larger than the screen it opens on, and all of it on that screen.
    void FitScreen();
    void Draw();
    void LabelTimeAxis();
    void DrawReference();
    // The right axis over the values of the series shown.
    void ClimateRange();
    void FillClimate();

    std::unique_ptr<Ui::TRadonHistoryWND> ui_;
    QChart* chart_;
    QChartView* view_;
    QDateTimeAxis* timeAxis_;
    QCategoryAxis* timeLabels_;
    QValueAxis* valueAxis_;
    QLineSeries* radon_;
    QLineSeries* longTerm_;
    QLineSeries* reference_;
    QValueAxis* climateAxis_;
    QLineSeries* temperature_;
    QLineSeries* humidity_;
    std::unique_ptr<history::StationArchive> archive_;
    std::map<std::string, history::StationContent> content_;
    std::vector<history::RadonRow> rows_;
    std::vector<qint64> msecs_;  // of rows_, as the time axis counts
};

}  // namespace kolmaris
