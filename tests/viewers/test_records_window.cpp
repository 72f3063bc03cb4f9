// The radon records window against the in-memory simulated terminal: both faces, the range
// lists, the acquisition stop, the reading's warnings, Stop, Find, the table and Save.
#include "SimulatedSession.h"
#include "TRecordsWND.h"
#include "TerminalCommands.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <memory>
#include <sstream>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::ShownMessage;
using kolmaris::testing::SimulatedSession;

namespace {

// Probe 1 holds `records` records; the terminal's acquisition runs as `running` says.
Scenario ProbeScenario(int records, bool running = false)
{
    Scenario s = QuietDefaultScenario();
    s.terminal.acquisitionRunning = running;
    s.elements[0].probe.recordsPrefill = records;
    return s;
}

struct Fixture {
    explicit Fixture(const Scenario& scenario) : sim(scenario)
    {
        if (!sim.Connect())
            qFatal("the simulated terminal did not answer the handshake");
        window = std::make_unique<TRecordsWND>(sim.session, store);
    }
    template <class T>
    T* Find(const char* name) const
    {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    QLabel* Label(const char* name) const { return Find<QLabel>(name); }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(name); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }

    // Opens the probe face as the main menu does.
    void OpenProbeFace()
    {
        window->PrepareFromDetector();
        window->show();
    }
    // Sets the range as the user would pick it and presses Read.
    void Read(const QString& first, const QString& last)
    {
        Combo("RecordStartCB")->setCurrentText(first);
        window->RecordStartCBChange();
        Combo("RecordStopCB")->setCurrentText(last);
        window->LoadRecordsBTClick();
    }
    // Runs the reading's timer ticks until it stops (200 ms of the line each).
    int RunTimer()
    {
        int ticks = 0;
        while (window->RecordsTimer()->isActive() && ticks < 20000) {
            sim.line.AdvanceMs(200);
            window->RecordsTimerTimer();
            ++ticks;
        }
        return ticks;
    }

    SimulatedSession sim;
    TDataStore store;
    std::unique_ptr<TRecordsWND> window;
};

QStringList Items(const QComboBox& box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

QStringList Lines(const QLabel& label)
{
    QStringList lines = label.text().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void VerifyMessage(const ShownMessage& m, const char* caption, const char* text, MessageButtons buttons,
                   MessageIcon icon)
{
    QCOMPARE(m.caption, QString::fromUtf8(caption));
    QCOMPARE(m.text, QString::fromUtf8(text));
    QVERIFY(m.buttons == buttons);
    QVERIFY(m.icon == icon);
}

std::string FileText(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A radon record of slot 0 with the given time and a compressed radon count.
RadonRecord Record(uint32_t time, uint8_t temperature)
{
    RadonRecord r{};
    WriteU32BE(std::span<uint8_t, 4>(r.data() + 1, 4), time);
    r[5] = 0x80;  // compressed: 32768
    r[6] = 0x00;
    r[7] = temperature;
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
    void noProbeClosesTheWindow();
    void readingStopsAcquisitionAndWarnsOfFewerRecords();
    void declinedOrRefusedStopPreventsTheReading();
    void pointerZeroAndWrongRange();
    void stopInterruptsAndClosingEndsSilently();
    void saveNumbersFromTheFirstRequestedAndAsksToKeep();
    void dataFaceShowsFindsAndGrows();
};

void TestRecordsWindow::probeFaceListsProbesAndRanges()
{
    Fixture f(ProbeScenario(250));
    f.OpenProbeFace();
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Radon records"));
    QCOMPARE(Items(*f.Combo("MeshAdrCB")), (QStringList{"1", "2", "3"}));
    QCOMPARE(f.Combo("MeshAdrCB")->currentText(), QStringLiteral("1"));
    QCOMPARE(f.Find<QGroupBox>("ZahlaviGB")->title(), QStringLiteral(" Data read "));
    QCOMPARE(f.Label("RecordStopLB")->text(), QStringLiteral("to:"));
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Read"));
    QVERIFY(f.Combo("RecordStartCB")->isVisible());
    QVERIFY(!f.Button("SaveRecordsBT")->isEnabled());
    QVERIFY(f.Label("TextLB")->text().isEmpty());

    const QStringList starts = Items(*f.Combo("RecordStartCB"));
    QCOMPARE(starts.size(), 42);
    QCOMPARE(starts.mid(0, 3), (QStringList{"1", "100", "200"}));
    QCOMPARE(starts.mid(39), (QStringList{"3900", "4000", "4096"}));
    QCOMPARE(f.Combo("RecordStartCB")->currentText(), QStringLiteral("1"));

    // The last-record list follows the first.
    const QStringList stops = Items(*f.Combo("RecordStopCB"));
    QCOMPARE(stops.size(), 42);
    QCOMPARE(stops.mid(0, 3), (QStringList{"1", "101", "201"}));
    QCOMPARE(stops.mid(40), (QStringList{"4001", "4096"}));
    f.Combo("RecordStartCB")->setCurrentText(QStringLiteral("3997"));
    f.window->RecordStartCBChange();
    QCOMPARE(Items(*f.Combo("RecordStopCB")), (QStringList{"3997", "4096"}));
    f.Combo("RecordStartCB")->setCurrentText(QStringLiteral("3996"));
    f.window->RecordStartCBChange();
    QCOMPARE(Items(*f.Combo("RecordStopCB")), (QStringList{"3996", "4096"}));  // 4096 once only
    f.Combo("RecordStartCB")->setCurrentText(QStringLiteral("-5"));
    f.window->RecordStartCBChange();
    QCOMPARE(Items(*f.Combo("RecordStopCB")).first(), QStringLiteral("1"));
}

void TestRecordsWindow::noProbeClosesTheWindow()
{
    Scenario s = QuietDefaultScenario();
    std::erase_if(s.elements, [](const ElementSetup& e) { return e.type == ElementType::Probe; });
    Fixture f(s);
    f.OpenProbeFace();
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{1});
    VerifyMessage(f.sim.dialogs.shown[0], "Message", "No radon probes bonded.", MessageButtons::Ok,
                  MessageIcon::Information);
    QVERIFY(f.window->CancelTMR()->isActive());
    f.window->CancelTMRTimer();
    QVERIFY(!f.window->CancelTMR()->isActive());
    QCOMPARE(f.window->result(), int(QDialog::Rejected));
}

void TestRecordsWindow::readingStopsAcquisitionAndWarnsOfFewerRecords()
{
    Fixture f(ProbeScenario(250, true));
    f.sim.session.model.AcquisitionRunning = true;
    f.OpenProbeFace();
    f.sim.dialogs.answers = {MessageResult::Ok};
    f.Read(QStringLiteral("1"), QStringLiteral("4096"));
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{1});
    VerifyMessage(f.sim.dialogs.shown[0], "Warning", "Measurement is required to be interrupted! Continue?",
                  MessageButtons::OkCancel, MessageIcon::Exclamation);
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Stop"));
    QVERIFY(f.window->RecordsTimer()->isActive());
    QCOMPARE(f.window->Reader().Step(), 0);  // waits for the terminal to report the stop

    f.sim.line.AdvanceMs(200);
    f.window->RecordsTimerTimer();
    QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Waiting for measurement stop.."));
    QVERIFY(!f.sim.session.model.AcquisitionRunning);
    QVERIFY(!f.sim.terminal.AcquisitionRunning());
    f.RunTimer();

    QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Finished..."));
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Read"));
    QVERIFY(f.Button("SaveRecordsBT")->isEnabled());
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{2});
    VerifyMessage(f.sim.dialogs.shown[1], "Warning", "Less records in memory than requested.", MessageButtons::Ok,
                  MessageIcon::Exclamation);
    QCOMPARE(f.store.RadonRecordCount(0), 250);
    // One table row per record, numbered from 1, values as the store holds them.
    const QStringList ids = Lines(*f.Label("IdLB"));
    QCOMPARE(ids.size(), 250);
    QCOMPARE(ids.first(), QStringLiteral("1"));
    QCOMPARE(ids.last(), QStringLiteral("250"));
    for (const char* column : {"CasLB", "RadonLB", "Suma1LB", "Suma2LB", "Suma3LB", "Suma4LB", "TemperLB",
                               "HumidityLB", "VnLB"})
        QCOMPARE(Lines(*f.Label(column)).size(), 250);
    RadonRecord newest{};
    QCOMPARE(f.store.GetRadonRecord(0, 0, newest), kStoreDone);
    QCOMPARE(Lines(*f.Label("VnLB")).first(), QString::number(newest[17]));
    QCOMPARE(Lines(*f.Label("HumidityLB")).first(), QString::number(newest[8] & 0x7F));
    QCOMPARE(Lines(*f.Label("TemperLB")).first(), QString::number(int8_t(newest[7])));
}

void TestRecordsWindow::declinedOrRefusedStopPreventsTheReading()
{
    {
        Fixture f(ProbeScenario(250, true));
        f.sim.session.model.AcquisitionRunning = true;
        f.OpenProbeFace();
        f.sim.dialogs.answers = {MessageResult::Cancel};
        f.Read(QStringLiteral("1"), QStringLiteral("1"));
        QVERIFY(!f.window->RecordsTimer()->isActive());
        QVERIFY(f.sim.terminal.AcquisitionRunning());
        QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Read"));
    }
    {
        Scenario s = ProbeScenario(250, true);
        s.faults.refusedCommands = {0xBE};  // the acquisition control command
        Fixture f(s);
        f.sim.session.model.AcquisitionRunning = true;
        f.OpenProbeFace();
        f.sim.dialogs.answers = {MessageResult::Ok};
        f.Read(QStringLiteral("1"), QStringLiteral("1"));
        QVERIFY(!f.window->RecordsTimer()->isActive());
        QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{2});
        VerifyMessage(f.sim.dialogs.shown[1], "Error!", "Measurement cannot be interrupted!", MessageButtons::Ok,
                      MessageIcon::Error);
    }
}

void TestRecordsWindow::pointerZeroAndWrongRange()
{
    Fixture f(ProbeScenario(0));
    f.OpenProbeFace();
    f.Read(QStringLiteral("100"), QStringLiteral("50"));
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{1});
    VerifyMessage(f.sim.dialogs.shown[0], "Error!", "Wrong range of records to be read!", MessageButtons::Ok,
                  MessageIcon::Exclamation);
    f.Read(QStringLiteral("1"), QStringLiteral("4097"));
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{2});
    QVERIFY(!f.window->RecordsTimer()->isActive());

    f.Read(QStringLiteral("1"), QStringLiteral("1"));
    f.RunTimer();
    QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Finished..."));
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{3});
    VerifyMessage(f.sim.dialogs.shown[2], "Warning", "Requested records not available yet.", MessageButtons::Ok,
                  MessageIcon::Exclamation);
    QVERIFY(f.Label("IdLB")->text().isEmpty());
}

void TestRecordsWindow::stopInterruptsAndClosingEndsSilently()
{
    Fixture f(ProbeScenario(250));
    f.OpenProbeFace();
    f.Read(QStringLiteral("1"), QStringLiteral("100"));
    for (int i = 0; i < 12; ++i)
        f.window->RecordsTimerTimer();
    QVERIFY(f.store.RadonRecordCount(0) > 0);
    f.window->LoadRecordsBTClick();  // Stop
    QVERIFY(!f.window->RecordsTimer()->isActive());
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Read"));
    QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Reading interrupted..."));
    QVERIFY(f.Button("SaveRecordsBT")->isEnabled());
    QVERIFY(f.sim.dialogs.shown.empty());

    f.Read(QStringLiteral("1"), QStringLiteral("100"));
    f.window->RecordsTimerTimer();
    f.window->hide();
    QVERIFY(!f.window->RecordsTimer()->isActive());
    QVERIFY(!f.window->Reader().Running());
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Read"));
    QVERIFY(f.sim.dialogs.shown.empty());
}

void TestRecordsWindow::saveNumbersFromTheFirstRequestedAndAsksToKeep()
{
    Fixture f(ProbeScenario(250));
    f.OpenProbeFace();
    f.Read(QStringLiteral("100"), QStringLiteral("102"));
    f.RunTimer();
    QCOMPARE(Lines(*f.Label("IdLB")), (QStringList{"100", "101", "102"}));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RDN_1.tab"));
    f.sim.dialogs.saveAnswers = {path};
    f.window->SaveRecordsBTClick();
    QCOMPARE(f.sim.dialogs.saveFilters.back(), QStringLiteral("*.tab|tab"));
    VerifyMessage(f.sim.dialogs.shown.back(), "Message", "Finished OK", MessageButtons::Ok, MessageIcon::Information);
    const std::string first = FileText(path);
    const std::string header =
        "record\ttime\tradon[Bq/m3]\tsum1\tsum2\tsum3\tsum4\ttemperature[\xB0" "C]\thumidity[%]\tHV\r\n";
    QCOMPARE(first.substr(0, header.size()), header);
    const std::string rows = first.substr(header.size());
    QCOMPARE(rows.substr(0, 4), std::string("102\t"));
    QVERIFY(rows.find("\r\n101\t") != std::string::npos);
    QVERIFY(rows.find("\r\n100\t") != std::string::npos);
    QCOMPARE(std::count(rows.begin(), rows.end(), '\n'), 3L);

    // The same file again: keep the old data, the rows follow without a header.
    const std::size_t before = f.sim.dialogs.shown.size();
    f.sim.dialogs.saveAnswers = {path};
    f.sim.dialogs.answers = {MessageResult::Yes};
    f.window->SaveRecordsBTClick();
    QCOMPARE(f.sim.dialogs.shown.size(), before + 2);
    VerifyMessage(f.sim.dialogs.shown[before], "Query",
                  "File exists.\nDo you want to keep old data?\n\nYES - new data will be appended to old ones\n NO - "
                  "old data will be overwritten\nCANCEL - choose another file name",
                  MessageButtons::YesNoCancel, MessageIcon::Question);
    QCOMPARE(FileText(path), first + rows);
}

void TestRecordsWindow::dataFaceShowsFindsAndGrows()
{
    Fixture f(QuietDefaultScenario());
    const uint32_t t0 = 794'916'000;  // 10.03.2025 10:00 on the terminal's clock
    for (int i = 0; i < 250; ++i) {    // index 0 is the newest
        const RadonRecord r = Record(t0 - 3600u * static_cast<uint32_t>(i), static_cast<uint8_t>(-10));
        QCOMPARE(f.store.AddRadonRecord(r, false), kStoreDone);
    }
    RadonRecord other{};
    other[0] = 2;  // one record of address 3
    QCOMPARE(f.store.AddRadonRecord(other, false), kStoreDone);

    f.window->PrepareFromData(1, 0);
    f.Combo("MeshAdrCB")->addItems({"1", "2"});  // as the terminal data window copies its list
    f.window->show();
    QVERIFY(f.window->FromData());
    QCOMPARE(f.Find<QGroupBox>("ZahlaviGB")->title(), QString());
    QCOMPARE(f.Label("RecordStopLB")->text(), QStringLiteral("Find record No:"));
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Find"));
    QVERIFY(!f.Combo("RecordStartCB")->isVisible());
    QVERIFY(!f.Label("RecordStartLB")->isVisible());
    QVERIFY(f.Button("SaveRecordsBT")->isEnabled());
    QVERIFY(f.sim.dialogs.shown.empty());  // no exchange in the data face
    QCOMPARE(Items(*f.Combo("RecordStopCB")), (QStringList{"1", "100", "200"}));

    // At most 102 rows at first; engineering counts in the table.
    QStringList ids = Lines(*f.Label("IdLB"));
    QCOMPARE(ids.size(), 102);
    QCOMPARE(ids.first(), QStringLiteral("1"));
    QCOMPARE(ids.last(), QStringLiteral("102"));
    QCOMPARE(Lines(*f.Label("CasLB")).at(1), QStringLiteral("10.03.2025 09:00"));
    QCOMPARE(Lines(*f.Label("RadonLB")).first(), QStringLiteral("32.77k"));
    QCOMPARE(Lines(*f.Label("Suma1LB")).first(), QStringLiteral("258"));
    QCOMPARE(Lines(*f.Label("TemperLB")).first(), QStringLiteral("-10"));
    QCOMPARE(Lines(*f.Label("HumidityLB")).first(), QStringLiteral("45"));
    QCOMPARE(Lines(*f.Label("VnLB")).first(), QStringLiteral("200"));

    // Scrolled to the end, the table grows by a row per tick.
    QScrollBar* bar = f.Find<QScrollArea>("ScrollBox1")->verticalScrollBar();
    QCoreApplication::sendPostedEvents();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    f.window->AutoUpdateTMRTimer();
    QCOMPARE(Lines(*f.Label("IdLB")).size(), 103);
    QCOMPARE(Lines(*f.Label("IdLB")).last(), QStringLiteral("103"));

    // Find: record 100 becomes the first row; the jump list stays.
    f.Combo("RecordStopCB")->setCurrentText(QStringLiteral("100"));
    f.window->RecordStopCBChange();
    ids = Lines(*f.Label("IdLB"));
    QCOMPARE(ids.first(), QStringLiteral("100"));
    QCOMPARE(ids.size(), 102);
    QCOMPARE(Items(*f.Combo("RecordStopCB")), (QStringList{"1", "100", "200"}));
    // At the top, the rows above come back one per tick.
    bar->setValue(0);
    f.window->AutoUpdateTMRTimer();
    QCOMPARE(Lines(*f.Label("IdLB")).first(), QStringLiteral("99"));

    // Save in the data face numbers from 1; the file has plain counts.
    QTemporaryDir dir;
    f.sim.dialogs.saveAnswers = {dir.filePath(QStringLiteral("r.tab"))};
    f.window->SaveRecordsBTClick();
    const std::string file = FileText(dir.filePath(QStringLiteral("r.tab")));
    QVERIFY(file.find("\r\n250\t") != std::string::npos);
    QVERIFY(file.find("\r\n1\t10.03.2025 10:00\t32768\t258\t") != std::string::npos);

    // Another probe from the list: its records.
    f.Combo("MeshAdrCB")->setCurrentIndex(1);
    f.window->MeshAdrCBChange();  // address 2 holds nothing: the table stays
    QCOMPARE(Lines(*f.Label("IdLB")).first(), QStringLiteral("99"));
    f.Combo("MeshAdrCB")->setItemText(1, QStringLiteral("3"));
    f.window->MeshAdrCBChange();
    QCOMPARE(Lines(*f.Label("IdLB")), QStringList{"1"});
    QCOMPARE(Items(*f.Combo("RecordStopCB")), QStringList{"1"});

    // Close empties the table; the probe face does not offer the data face's records to save.
    f.window->Button1Click();
    QVERIFY(f.Label("IdLB")->text().isEmpty());
    f.window->PrepareFromDetector();
    QVERIFY(!f.Button("SaveRecordsBT")->isEnabled());
    QCOMPARE(f.Button("LoadRecordsBT")->text(), QStringLiteral("Read"));
}

QTEST_MAIN(TestRecordsWindow)
#include "test_records_window.moc"
