// The radon records window against the in-memory simulated terminal: both faces, the range
// lists, the acquisition stop, the reading's warnings, Stop, Find, the table and Save.
#include "TRecordsWND.h"
#include "TerminalCommands.h"
#include "WindowRig.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

struct Fixture : StoreWindowRig<TRecordsWND, TDataStore> {
    using StoreWindowRig::StoreWindowRig;
    void Read(const QString& first, const QString& last)
    {
        ReadRange("RecordStartCB", &TRecordsWND::RecordStartCBChange, "RecordStopCB", &TRecordsWND::LoadRecordsBTClick,
                  first, last);
    }
    void RunTimer() { StoreWindowRig::RunTimer(window->RecordsTimer(), &TRecordsWND::RecordsTimerTimer); }
    QStringList Rows() const { return Lines(*Label("IdLB")); }
};

// A radon record of slot 0 with the given time and a compressed radon count.
RadonRecord Record(uint32_t time)
{
    RadonRecord r{};
    WriteU32BE(std::span<uint8_t, 4>(r.data() + 1, 4), time);
    r[5] = 0x80;  // compressed: 32768
    r[7] = static_cast<uint8_t>(-10);
    r[8] = 0x80 | 45;  // compressed counts, humidity 45 %
    r[9] = 0x01;       // sum1 = 256 + 2
    r[10] = 0x02;
    r[17] = 200;
    return r;
}

}  // namespace

class TestRecordsWindow : public QObject {
    Q_OBJECT
private slots:
    void probeFaceListsProbesAndRanges();
    void readingStopsAcquisitionAndWarnsOfFewerRecords();
    void refusedStopPreventsTheReading();
    void pointerZeroAndWrongRange();
    void stopInterruptsAndSaveNumbersFromTheFirstRequested();
    void dataFaceShowsFindsAndGrows();
};

void TestRecordsWindow::probeFaceListsProbesAndRanges()
{
    Fixture f(ProbeRings(250, 0));
    f.OpenProbeFace();
    QCOMPARE(Items(*f.Combo("MeshAdrCB")), (QStringList{"1", "2", "3"}));
    const QStringList starts = Items(*f.Combo("RecordStartCB"));
    QCOMPARE(starts.size(), 42);
    QCOMPARE(starts.mid(0, 3) + starts.mid(40), (QStringList{"1", "100", "200", "4000", "4096"}));
    // The last-record list follows the first, 4096 once only.
    const QStringList stops = Items(*f.Combo("RecordStopCB"));
    QCOMPARE(stops.mid(0, 2) + stops.mid(40), (QStringList{"1", "101", "4001", "4096"}));
    f.Pick("RecordStartCB", "3996", &TRecordsWND::RecordStartCBChange);
    QCOMPARE(Items(*f.Combo("RecordStopCB")), (QStringList{"3996", "4096"}));
    f.Pick("RecordStartCB", "-5", &TRecordsWND::RecordStartCBChange);
    QCOMPARE(Items(*f.Combo("RecordStopCB")).first(), QStringLiteral("1"));

    Fixture none(WithoutProbes());
    none.OpenProbeFace();
    QCOMPARE(none.Last(), QStringLiteral("Message|No radon probes bonded."));
    QVERIFY(none.window->CancelTMR()->isActive());
}

void TestRecordsWindow::readingStopsAcquisitionAndWarnsOfFewerRecords()
{
    Fixture f(ProbeRings(250, 0, true));
    f.OpenProbeFace();
    f.sim.dialogs.answers = {MessageResult::Ok};
    f.Read("1", "4096");
    QCOMPARE(f.Last(), QStringLiteral("Warning|Measurement is required to be interrupted! Continue?"));
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Stop"));
    f.sim.line.AdvanceMs(200);
    f.window->RecordsTimerTimer();
    QCOMPARE(f.Text("TextLB"), QStringLiteral("Waiting for measurement stop.."));
    QVERIFY(!f.sim.terminal.AcquisitionRunning());
    f.RunTimer();

    QCOMPARE(f.Text("TextLB"), QStringLiteral("Finished..."));
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Read"));
    QVERIFY(f.Button("SaveRecordsBT")->isEnabled());
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{2});
    QCOMPARE(f.Last(), QStringLiteral("Warning|Less records in memory than requested."));
    QCOMPARE(f.store.RadonRecordCount(0), 250);
    // One table row per record, numbered from 1, values as the store holds them.
    QCOMPARE(f.Rows().size(), 250);
    QCOMPARE(f.Rows().last(), QStringLiteral("250"));
    QCOMPARE(Lines(*f.Label("Suma4LB")).size(), 250);
    RadonRecord newest{};
    QCOMPARE(f.store.GetRadonRecord(0, 0, newest), kStoreDone);
    QCOMPARE(Lines(*f.Label("VnLB")).first(), QString::number(newest[17]));
    QCOMPARE(Lines(*f.Label("HumidityLB")).first(), QString::number(newest[8] & 0x7F));
    QCOMPARE(Lines(*f.Label("TemperLB")).first(), QString::number(int8_t(newest[7])));
}

void TestRecordsWindow::refusedStopPreventsTheReading()
{
    Scenario s = ProbeRings(250, 0, true);
    s.faults.refusedCommands = {0xBE};  // the acquisition control command
    Fixture f(s);
    f.OpenProbeFace();
    f.sim.dialogs.answers = {MessageResult::Ok};
    f.Read("1", "1");
    QVERIFY(!f.window->RecordsTimer()->isActive());
    QCOMPARE(f.Last(), QStringLiteral("Error!|Measurement cannot be interrupted!"));
}

void TestRecordsWindow::pointerZeroAndWrongRange()
{
    Fixture f(ProbeRings(0, 0));
    f.OpenProbeFace();
    f.Read("100", "50");
    QCOMPARE(f.Last(), QStringLiteral("Error!|Wrong range of records to be read!"));
    f.Read("1", "4097");
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{2});
    QVERIFY(!f.window->RecordsTimer()->isActive());

    f.Read("1", "1");
    f.RunTimer();
    QCOMPARE(f.Last(), QStringLiteral("Warning|Requested records not available yet."));
    QVERIFY(f.Rows().isEmpty());
}

void TestRecordsWindow::stopInterruptsAndSaveNumbersFromTheFirstRequested()
{
    Fixture f(ProbeRings(250, 0));
    f.OpenProbeFace();
    f.Read("1", "100");
    for (int i = 0; i < 12; ++i)
        f.window->RecordsTimerTimer();
    f.window->LoadRecordsBTClick();  // Stop
    QVERIFY(!f.window->RecordsTimer()->isActive());
    QCOMPARE(f.Text("TextLB"), QStringLiteral("Reading interrupted..."));
    QVERIFY(f.sim.dialogs.shown.empty());

    f.Read("100", "102");
    f.RunTimer();
    QCOMPARE(f.Rows(), (QStringList{"100", "101", "102"}));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RDN_1.tab"));
    f.sim.dialogs.saveAnswers = {path};
    f.window->SaveRecordsBTClick();
    QCOMPARE(f.Last(), QStringLiteral("Message|Finished OK"));
    const std::string first = FileText(path);
    const std::string rows = first.substr(first.find("\r\n") + 2);
    QCOMPARE(rows.substr(0, 4), std::string("102\t"));
    QVERIFY(rows.find("\r\n100\t") != std::string::npos);
    QCOMPARE(std::count(rows.begin(), rows.end(), '\n'), 3L);

    // The same file again: keep the old data, the rows follow without a header.
    f.sim.dialogs.saveAnswers = {path};
    f.sim.dialogs.answers = {MessageResult::Yes};
    f.window->SaveRecordsBTClick();
    QCOMPARE(FileText(path), first + rows);
}

void TestRecordsWindow::dataFaceShowsFindsAndGrows()
{
    Fixture f(QuietDefaultScenario());
    const uint32_t t0 = 794'916'000;  // 10.03.2025 10:00 on the terminal's clock
    for (uint32_t i = 0; i < 250; ++i)  // index 0 is the newest
        QCOMPARE(f.store.AddRadonRecord(Record(t0 - 3600u * i), false), kStoreDone);
    RadonRecord other{};
    other[0] = 2;  // one record of address 3
    QCOMPARE(f.store.AddRadonRecord(other, false), kStoreDone);

    f.window->PrepareFromData(1, 0);
    f.Combo("MeshAdrCB")->addItems({"1", "2"});  // as the terminal data window copies its list
    f.window->show();
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Find"));
    QVERIFY(!f.Combo("RecordStartCB")->isVisible());
    QVERIFY(f.sim.dialogs.shown.empty());  // no exchange in the data face
    QCOMPARE(Items(*f.Combo("RecordStopCB")), (QStringList{"1", "100", "200"}));

    // At most 102 rows at first; engineering counts in the table.
    QCOMPARE(f.Rows().size(), 102);
    QCOMPARE(f.Rows().last(), QStringLiteral("102"));
    QCOMPARE(Lines(*f.Label("CasLB")).at(1), QStringLiteral("10.03.2025 09:00"));
    QCOMPARE(Lines(*f.Label("RadonLB")).first(), QStringLiteral("32.77k"));
    QCOMPARE(Lines(*f.Label("Suma1LB")).first(), QStringLiteral("258"));
    QCOMPARE(Lines(*f.Label("TemperLB")).first(), QStringLiteral("-10"));

    // Scrolled to the end, the table grows by a row per tick.
    QScrollBar* bar = f.Find<QScrollArea>("ScrollBox1")->verticalScrollBar();
    QCoreApplication::sendPostedEvents();
    bar->setValue(bar->maximum());
    f.window->AutoUpdateTMRTimer();
    QCOMPARE(f.Rows().last(), QStringLiteral("103"));

    // Find: record 100 becomes the first row; at the top the rows above come one per tick.
    f.Pick("RecordStopCB", "100", &TRecordsWND::RecordStopCBChange);
    QCOMPARE(f.Rows().first(), QStringLiteral("100"));
    QCOMPARE(f.Rows().size(), 102);
    bar->setValue(0);
    f.window->AutoUpdateTMRTimer();
    QCOMPARE(f.Rows().first(), QStringLiteral("99"));

    // Save in the data face numbers from 1; the file has plain counts.
    QTemporaryDir dir;
    f.sim.dialogs.saveAnswers = {dir.filePath(QStringLiteral("r.tab"))};
    f.window->SaveRecordsBTClick();
    const std::string file = FileText(dir.filePath(QStringLiteral("r.tab")));
    QVERIFY(file.find("\r\n250\t") != std::string::npos);
    QVERIFY(file.find("\r\n1\t10.03.2025 10:00\t32768\t258\t") != std::string::npos);

    // Another probe from the list: address 2 holds nothing, the table stays; address 3 has one.
    f.Combo("MeshAdrCB")->setCurrentIndex(1);
    f.window->MeshAdrCBChange();
    QCOMPARE(f.Rows().first(), QStringLiteral("99"));
    f.Combo("MeshAdrCB")->setItemText(1, QStringLiteral("3"));
    f.window->MeshAdrCBChange();
    QCOMPARE(f.Rows(), QStringList{"1"});

    // Close empties the table; the probe face does not offer the data face's records to save.
    f.window->Button1Click();
    QVERIFY(f.Rows().isEmpty());
    f.window->PrepareFromDetector();
    QVERIFY(!f.Button("SaveRecordsBT")->isEnabled());
}

QTEST_MAIN(TestRecordsWindow)
#include "test_records_window.moc"
