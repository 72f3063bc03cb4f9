// "Store in archive" of the "Data in terminal" window: what it stores, said once per click.
#include "SimulatedSession.h"
#include "StationArchive.h"
#include "TDatasWND.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;

class TestDatasArchive : public QObject {
    Q_OBJECT

private slots:
    void storesTheRecordsOnceAndSaysWhere()
    {
        SimulatedSession sim(QuietDefaultScenario());
        QTemporaryDir dir;
        sim.session.archiveLocation = dir.filePath("a.sqlite").toStdString();
        sim.session.station = "cellar";
        TDatasWND w(sim.session);
        auto* button = w.findChild<QPushButton*>("StoreArchiveBT");
        QVERIFY(button);

        button->click();
        QCOMPARE(sim.dialogs.shown.back().text, "There is nothing to store: read the terminal's data first.");

        RadonRecord r{1, 0x2F, 0x5D, 0x0C, 0x00, 0x00, 0x78, 20, 45};  // probe 2, 120 Bq/m3
        QCOMPARE(w.Store().AddRadonRecord(r, false), kStoreDone);
        r[RadonOffset::Time + 3] = 0x3C;  // a minute later
        QCOMPARE(w.Store().AddRadonRecord(r, false), kStoreDone);
        const QString stored = "Stored in " + dir.filePath("a.sqlite") + ", station \"cellar\":\n";
        button->click();
        QCOMPARE(sim.dialogs.shown.back().text, stored + "2 new records, 0 already there.");
        button->click();
        QCOMPARE(sim.dialogs.shown.back().text, stored + "0 new records, 2 already there.");

        history::StationArchive archive;
        history::ArchiveBatch held;
        std::string error;
        QVERIFY(archive.Open(sim.session.archiveLocation, error) && archive.Rows("cellar", held, error));
        QCOMPARE(held.radon.size(), 2u);
        QCOMPARE(held.radon[0].probe, 2);
        QCOMPARE(held.radon[0].radon, 120u);
    }
};

QTEST_MAIN(TestDatasArchive)
#include "test_datas_archive.moc"
