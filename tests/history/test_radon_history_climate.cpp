// The history window's second axis: the probe's temperature or humidity on the right, the
// statistics radon-only whatever is shown.
#include "TRadonHistoryWND.h"
#include "TempDir.h"
#include "WindowRig.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

namespace kolmaris {

class TestRadonHistoryClimate : public QObject {
    Q_OBJECT

    testing::TempDir dir;
    testing::WindowRig sim;
    std::unique_ptr<TRadonHistoryWND> window;

private slots:
    void initTestCase()
    {
        history::ArchiveBatch rows;
        for (int hour = 0; hour < 48; ++hour)
            rows.AddRadon({1, 800'000'000u + 3600u * static_cast<uint32_t>(hour), 100u + 7u * (hour % 5), 0, 0, 0, 0,
                           hour % 7 - 3, 40 + hour, 128});
        history::StationArchive archive;
        history::StoreResult stored;
        std::string error;
        sim.session.archiveLocation = (dir.path / "archive.sqlite").string();
        QVERIFY(archive.Open(sim.session.archiveLocation, error) && archive.Store("default", rows, stored, error));
        window = std::make_unique<TRadonHistoryWND>(sim.session);
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
        const QString mean = window->findChild<QLabel*>("MeanLB")->text();
        const std::vector<history::RadonRow> rows = window->VisibleRows();
        QTest::mouseClick(window->findChild<QCheckBox*>(box), Qt::LeftButton);
        QVERIFY(series->isVisible() && window->ClimateAxis()->isVisible());
        QCOMPARE(series->count(), 48);
        for (int i = 0; i < series->count(); ++i) {
            const qreal value = series->at(i).y();
            const history::RadonRow& row = rows.at(static_cast<std::size_t>(i));
            QCOMPARE(value, temperature ? row.temperature : row.humidity);
            QVERIFY(value >= window->ClimateAxis()->min() && value <= window->ClimateAxis()->max());
        }
        QCOMPARE(window->findChild<QLabel*>("MeanLB")->text(), mean);
        QTest::mouseClick(window->findChild<QCheckBox*>(box), Qt::LeftButton);
        QVERIFY(!series->isVisible() && !window->ClimateAxis()->isVisible());
    }
};

}  // namespace kolmaris

QTEST_MAIN(kolmaris::TestRadonHistoryClimate)
#include "test_radon_history_climate.moc"
