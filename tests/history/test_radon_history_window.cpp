// SPDX-License-Identifier: GPL-3.0-or-later
// The history window on an archive filled by a download of the simulated terminal: lists,
// points, the climate axis, statistics of the visible span and its CSV export.
#include "Commands.h"
#include "RadonCsv.h"
#include "TRadonHistoryWND.h"
#include "TempDir.h"
#include "WindowRig.h"

#include <QCategoryAxis>
#include <QDateTimeAxis>
#include <QProcess>
#include <QRegularExpression>
#include <QLineSeries>
#include <QScreen>
#include <QValueAxis>
#include <QTest>

#include <sstream>

namespace kolmaris {

using namespace testing;

class TestRadonHistoryWindow : public QObject {
    Q_OBJECT

    TempDir dir;
    std::unique_ptr<WindowRig> r;
    TRadonHistoryWND* window = nullptr;
    history::StationArchive archive;

    // Zooms to the points `first` to `last` (-1: the last) and returns the archive's rows of that span.
    std::vector<history::RadonRow> Zoom(int first, int last)
    {
        QLineSeries& radon = *window->RadonSeries();
        last = last < 0 ? radon.count() - 1 : last;
        window->TimeAxis()->setRange(QDateTime::fromMSecsSinceEpoch(qint64(radon.at(first).x())),
                                     QDateTime::fromMSecsSinceEpoch(qint64(radon.at(last).x())));
        std::vector<history::RadonRow> all;
        std::string error;
        archive.RadonRecords("north", 1, 0, UINT32_MAX, all, error);
        return {all.begin() + first, all.begin() + last + 1};
    }

private slots:
    void initTestCase()
    {
        // A PC far from the terminal's UTC+01:00, with daylight saving time.
        qputenv("TZ", "EST5EDT,M3.2.0,M11.1.0");
        Scenario scenario = QuietDefaultScenario();
        scenario.memory.days = 3.0;
        r = std::make_unique<WindowRig>(scenario);
        const std::string location = (dir.path / "archive.sqlite").string();
        std::ostringstream out;
        cli::ProgressBar progress(out, false);
        cli::CommandIo io{out, out, progress};
        QCOMPARE(cli::RunDownload(r->link, dir.path / "tab", 0, io, {true, location, "north"}), cli::Exit::Ok);
        std::string error;
        QVERIFY(archive.Open(location, error));
        r->session.archiveLocation = location;
        r->session.station = "north";
        window = &r->Make<TRadonHistoryWND>();
        window->FormShow();
    }

    void listsStationProbesAndPoints()
    {
        std::map<std::string, history::StationContent> content;
        std::string error;
        QVERIFY(archive.Content(content, error));
        const auto& probes = content["north"].probes;
        QCOMPARE(r->Text("StationCB"), QString("north"));
        QCOMPARE(r->Items("ProbeCB").size(), int(probes.size()));
        QVERIFY(probes.size() > 1);
        QCOMPARE(r->Find<QComboBox>("ProbeCB")->currentData().toInt(), probes.begin()->first);
        QCOMPARE(window->RadonSeries()->count(), probes.begin()->second.radonRecords);
    }

    // Before any zoom: the probe's temperature or humidity on the right axis, the statistics radon-only.
    void climateOnTheRightAxis_data()
    {
        Columns<QString, bool>({"box", "temperature"});
        QTest::newRow("temperature") << "TemperatureCB" << true;
        QTest::newRow("humidity") << "HumidityCB" << false;
    }
    void climateOnTheRightAxis()
    {
        QFETCH(QString, box);
        QFETCH(bool, temperature);
        QLineSeries* series = temperature ? window->TemperatureSeries() : window->HumiditySeries();
        const QString mean = r->Text("MeanLB");
        const std::vector<history::RadonRow> rows = window->VisibleRows();
        r->Click(box);
        QVERIFY(series->isVisible() && window->ClimateAxis()->isVisible());
        QCOMPARE(series->count(), window->RadonSeries()->count());
        for (int i = 0; i < series->count(); ++i) {
            const qreal value = series->at(i).y();
            const history::RadonRow& row = rows.at(static_cast<std::size_t>(i));
            QCOMPARE(value, temperature ? row.temperature : row.humidity);
            QVERIFY(value >= window->ClimateAxis()->min() && value <= window->ClimateAxis()->max());
        }
        QCOMPARE(r->Text("MeanLB"), mean);
        r->Click(box);
        QVERIFY(!series->isVisible() && !window->ClimateAxis()->isVisible());
    }

    void statisticsFollowTheVisibleSpan_data()
    {
        Columns<int, int>({"first", "last"});
        QTest::newRow("whole") << 0 << -1;
        QTest::newRow("zoomed") << 10 << 30;
    }
    void statisticsFollowTheVisibleSpan()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        const auto s = history::ComputeStatistics(Zoom(first, last), history::kDefaultReferenceLevel);
        QCOMPARE(s.count, (last < 0 ? window->RadonSeries()->count() : last - first + 1));
        QCOMPARE(QStringList({r->Text("RecordsLB"), r->Text("MeanLB"), r->Text("MinLB"), r->Text("MaxLB"),
                              r->Text("HoursAboveLB")}),
                 QStringList({QString("Records: %1").arg(s.count), QString("Mean: %1 Bq/m3").arg(s.mean, 0, 'f', 1),
                              QString("Minimum: %1 Bq/m3").arg(s.min), QString("Maximum: %1 Bq/m3").arg(s.max),
                              QString("Hours above 300 Bq/m3: %1").arg(s.hoursAbove, 0, 'f', 2)}));
    }

    // The chart's first point and the first row of kolmaris-cli history --format csv: the same
    // clock time, the zone stated in both.
    void timeAxisShowsTerminalTimeAsTheCliDoes()
    {
        r->Click("ResetBT");
        const QStringList labels = window->TimeLabels()->categoriesLabels();
        QCOMPARE(labels.size(), 5);
        QCOMPARE(window->TimeLabels()->titleText(), QString("Time (terminal time, UTC+01:00)"));
        QVERIFY(!window->TimeAxis()->isVisible());

        cli::CliOptions o;
        o.command = cli::Command::History;
        o.archive = r->session.archiveLocation;
        o.station = "north";
        o.probe = r->Find<QComboBox>("ProbeCB")->currentData().toInt();
        o.format = cli::OutputFormat::Csv;
        std::ostringstream out, err;
        cli::ProgressBar progress(err, false);
        cli::CommandIo io{out, err, progress};
        QCOMPARE(cli::RunHistory(o, io), cli::Exit::Ok);
        const std::string csv = out.str();
        const std::string first = csv.substr(csv.find('\n') + 1, csv.find(',', csv.find('\n')) - csv.find('\n') - 1);
        QCOMPARE(first.size(), std::size_t{25});
        QCOMPARE(first.substr(19), std::string("+01:00"));
        QCOMPARE(labels.first(),
                 QString::fromStdString(first.substr(8, 2) + "." + first.substr(5, 2) + ". " + first.substr(11, 5)));
        QCOMPARE(window->TimeLabels()->startValue(labels.first()) + 1, window->RadonSeries()->at(0).x());
    }

    void csvExportWritesTheVisibleRows()
    {
        const std::vector<history::RadonRow> span = Zoom(5, 12);
        const auto path = dir.path / "span.csv";
        r->dialogs.saveAnswers = {QString::fromStdString(path.string())};
        r->Click("SaveCsvBT");
        std::ostringstream expected;
        history::WriteRadonCsv(span, expected);
        const std::string text = expected.str();
        QCOMPARE(ReadFile(path), text);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 9);
    }

    // The exports offer the station and probe shown as the file name, cancelled here.
    void exportsOfferAFileName_data()
    {
        Columns<QString, QString, QString>({"station", "button", "offered"});
        QTest::newRow("csv") << "" << "SaveCsvBT" << "north-probe1.csv";
        QTest::newRow("png") << "" << "SavePngBT" << "north-probe1.png";
        QTest::newRow("report") << "" << "ReportBT" << "north-probe1.pdf";
        QTest::newRow("no directories") << "lab/2\\a:b*c?\"<>|\t" << "SaveCsvBT" << "lab_2_a_b_c______-probe1.csv";
    }
    void exportsOfferAFileName()
    {
        QFETCH(QString, station);
        QFETCH(QString, button);
        auto* stations = r->Find<QComboBox>("StationCB");
        if (!station.isEmpty()) {
            stations->addItem(station);
            stations->setCurrentIndex(stations->count() - 1);
        }
        r->dialogs.suggestedNames.clear();
        r->Click(button);
        QTEST(r->dialogs.suggestedNames.value(0), "offered");
        stations->removeItem(stations->findText(station));
        QCOMPARE(stations->currentText(), QString("north"));
    }

    // The probe and span shown, in the PDF's text; a span without records gives a message and no file.
    void reportOfTheVisibleSpan()
    {
        const std::vector<history::RadonRow> span = Zoom(5, 40);
        const auto path = dir.path / "span.pdf";
        r->dialogs.saveAnswers = {QString::fromStdString(path.string())};
        r->Click("ReportBT");
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", QString::fromStdString(path.string()), "-"});
        QVERIFY(pdftotext.waitForFinished() && pdftotext.exitCode() == 0);
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        const auto s = history::ComputeStatistics(span, history::kDefaultReferenceLevel);
        for (const QString& figure :
             {QString("Probe 1 \\(MESH address 1\\), station north"), QString("Records +%1 ").arg(s.count),
              QString("First record +%1").arg(QString::fromStdString(history::IsoTime(span.front().time))),
              QString("Last record +%1").arg(QString::fromStdString(history::IsoTime(span.back().time))),
              QString("Mean +%1 Bq/m3").arg(s.mean, 0, 'f', 1)})
            QVERIFY2(text.contains(QRegularExpression(figure)), qPrintable(figure + " in\n" + text));

        const auto none = dir.path / "none.pdf";
        window->TimeAxis()->setRange(QDateTime(QDate(2010, 1, 1), QTime(0, 0)), QDateTime(QDate(2010, 1, 2), QTime(0, 0)));
        r->dialogs.saveAnswers = {QString::fromStdString(none.string())};
        r->Click("ReportBT");
        QVERIFY(!std::filesystem::exists(none));
        const QString message = r->dialogs.Texts().last();
        QVERIFY2(message.startsWith("No report: station \"north\" of ") &&
                     message.contains(" holds no radon records from 2010-01-01 "),
                 qPrintable(message));
    }

    // It can shrink to 1280 x 720 at 150 % (853 x 480 points, less a title bar and a task bar)
    // and opens no larger than its screen (here 800 x 600), all of it on the screen.
    void fitsSmallScreens()
    {
        const QSize smallest = window->minimumSizeHint();
        QVERIFY2(smallest.width() <= 853 && smallest.height() <= 420,
                 qPrintable(QStringLiteral("%1 x %2").arg(smallest.width()).arg(smallest.height())));
        window->move(300, 200);
        window->show();
        const QRect screen = window->screen()->availableGeometry();
        QVERIFY2(screen.contains(window->frameGeometry()),
                 qPrintable(QStringLiteral("%1 x %2").arg(window->width()).arg(window->height())));
        window->hide();
    }
};

}  // namespace kolmaris

QTEST_MAIN(kolmaris::TestRadonHistoryWindow)
#include "test_radon_history_window.moc"
