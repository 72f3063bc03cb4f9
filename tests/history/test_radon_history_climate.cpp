// The history window's second axis: temperature and humidity of the probe's records on the right,
// the statistics radon-only whatever is shown.
#include "Commands.h"
#include "SimulatedSession.h"
#include "TRadonHistoryWND.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

namespace kolmaris {

using namespace testing;

class TestRadonHistoryClimate : public QObject {
    Q_OBJECT

    TempDir dir;
    std::unique_ptr<SimulatedSession> sim;
    std::unique_ptr<TRadonHistoryWND> window;

private slots:
    void initTestCase()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.memory.days = 2.0;
        sim = std::make_unique<SimulatedSession>(scenario);
        QVERIFY(sim->Connect());
        sim->session.archiveLocation = (dir.path / "archive.sqlite").string();
        std::ostringstream out;
        cli::ProgressBar progress(out, false);
        cli::CommandIo io{out, out, progress};
        QCOMPARE(cli::RunDownload(sim->link, dir.path / "tab", 0, io, {true, sim->session.archiveLocation}),
                 cli::Exit::Ok);
        window = std::make_unique<TRadonHistoryWND>(sim->session);
        window->FormShow();
    }

    void seriesOnTheRightAxisFromTheRecords_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("temperature");
        QTest::newRow("temperature") << "TemperatureCB" << true;
        QTest::newRow("humidity") << "HumidityCB" << false;
    }
    void seriesOnTheRightAxisFromTheRecords()
    {
        QFETCH(QString, box);
        QFETCH(bool, temperature);
        QLineSeries* series = temperature ? window->TemperatureSeries() : window->HumiditySeries();
        const QString statistics = window->findChild<QLabel*>("MeanLB")->text();
        const std::vector<history::RadonRow> rows = window->VisibleRows();
        QTest::mouseClick(window->findChild<QCheckBox*>(box), Qt::LeftButton);
        QVERIFY(series->isVisible() && window->ClimateAxis()->isVisible());
        QCOMPARE(series->count(), static_cast<int>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const qreal value = series->at(static_cast<int>(i)).y();
            QCOMPARE(value, temperature ? rows[i].temperature : rows[i].humidity);
            QVERIFY(value >= window->ClimateAxis()->min() && value <= window->ClimateAxis()->max());
        }
        QCOMPARE(window->findChild<QLabel*>("MeanLB")->text(), statistics);
        QTest::mouseClick(window->findChild<QCheckBox*>(box), Qt::LeftButton);
        QVERIFY(!series->isVisible() && !window->ClimateAxis()->isVisible());
    }
};

}  // namespace kolmaris

QTEST_MAIN(kolmaris::TestRadonHistoryClimate)
#include "test_radon_history_climate.moc"
