// The history window on an archive filled by a download of the simulated terminal: lists,
// points, statistics of the visible span and its CSV export.
#include "Commands.h"
#include "RadonCsv.h"
#include "SimulatedSession.h"
#include "TRadonHistoryWND.h"
#include "TempDir.h"

#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <sstream>

namespace kolmaris {

using namespace testing;

class TestRadonHistoryWindow : public QObject {
    Q_OBJECT

    TempDir dir;
    std::unique_ptr<SimulatedSession> sim;
    std::unique_ptr<TRadonHistoryWND> window;
    history::StationArchive archive;

    // Zooms to the points `first` to `last` and returns the archive's rows of that span.
    std::vector<history::RadonRow> Zoom(int first, int last)
    {
        QLineSeries& radon = *window->RadonSeries();
        window->TimeAxis()->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(radon.at(first).x())),
                                     QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(radon.at(last).x())));
        std::vector<history::RadonRow> all, span;
        std::string error;
        archive.RadonRecords("north", 1, 0, UINT32_MAX, all, error);
        archive.RadonRecords("north", 1, all.at(first).time, all.at(last).time, span, error);
        return span;
    }

private slots:
    void initTestCase()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.memory.days = 3.0;
        sim = std::make_unique<SimulatedSession>(scenario);
        QVERIFY(sim->Connect());
        const std::string location = (dir.path / "archive.sqlite").string();
        std::ostringstream out;
        cli::ProgressBar progress(out, false);
        cli::CommandIo io{out, out, progress};
        QCOMPARE(cli::RunDownload(sim->link, dir.path / "tab", 0, io, {true, location, "north"}), cli::Exit::Ok);
        std::string error;
        QVERIFY(archive.Open(location, error));
        sim->session.archiveLocation = location;
        sim->session.station = "north";
        window = std::make_unique<TRadonHistoryWND>(sim->session);
        window->FormShow();
    }

    void listsStationProbesAndPoints()
    {
        std::map<std::string, history::StationContent> content;
        std::string error;
        QVERIFY(archive.Content(content, error));
        const auto* probes = window->findChild<QComboBox*>("ProbeCB");
        QCOMPARE(window->findChild<QComboBox*>("StationCB")->currentText(), QString("north"));
        QCOMPARE(probes->count(), static_cast<int>(content["north"].probes.size()));
        QVERIFY(probes->count() > 1);
        QCOMPARE(probes->currentData().toInt(), content["north"].probes.begin()->first);
        QCOMPARE(window->RadonSeries()->count(), content["north"].probes.begin()->second.radonRecords);
    }

    void statisticsFollowTheVisibleSpan_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("whole") << 0 << -1;
        QTest::newRow("zoomed") << 10 << 30;
    }
    void statisticsFollowTheVisibleSpan()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        const std::vector<history::RadonRow> span =
            Zoom(first, last < 0 ? window->RadonSeries()->count() - 1 : last);
        const history::RadonStatistics s = history::ComputeStatistics(span, history::kDefaultReferenceLevel);
        QCOMPARE(s.count, (last < 0 ? window->RadonSeries()->count() : last - first + 1));
        QCOMPARE(window->findChild<QLabel*>("RecordsLB")->text(), QString("Records: %1").arg(s.count));
        QCOMPARE(window->findChild<QLabel*>("MeanLB")->text(), QString("Mean: %1 Bq/m3").arg(s.mean, 0, 'f', 1));
        QCOMPARE(window->findChild<QLabel*>("MinLB")->text(), QString("Minimum: %1 Bq/m3").arg(s.min));
        QCOMPARE(window->findChild<QLabel*>("MaxLB")->text(), QString("Maximum: %1 Bq/m3").arg(s.max));
        QCOMPARE(window->findChild<QLabel*>("HoursAboveLB")->text(),
                 QString("Hours above 300 Bq/m3: %1").arg(s.hoursAbove, 0, 'f', 2));
    }

    void csvExportWritesTheVisibleRows()
    {
        const std::vector<history::RadonRow> span = Zoom(5, 12);
        const QString path = QString::fromStdString((dir.path / "span.csv").string());
        sim->dialogs.saveAnswers = {path};
        QTest::mouseClick(window->findChild<QPushButton*>("SaveCsvBT"), Qt::LeftButton);
        std::ostringstream expected;
        history::WriteRadonCsv(span, expected);
        const std::string text = expected.str();
        std::ifstream file(path.toStdString());
        QCOMPARE(std::string(std::istreambuf_iterator<char>(file), {}), text);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 9);
    }
};

}  // namespace kolmaris

QTEST_MAIN(kolmaris::TestRadonHistoryWindow)
#include "test_radon_history_window.moc"
