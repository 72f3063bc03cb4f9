// SPDX-License-Identifier: GPL-3.0-or-later
// The viewers: records and spectra read from a simulated probe (probe face) or the data store
// (data face), the meteo and diagnostics tables and the growing table under them.
#include "GrowingTable.h"
#include "TDiasWND.h"
#include "TLocsWND.h"
#include "TRadonSpectWND.h"
#include "TRecordsWND.h"
#include "TempDir.h"
#include "WindowRig.h"

#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

constexpr uint32_t kT0 = 794'916'000;  // 10.03.2025 10:00 on the terminal's clock
const QString kFinished = "Finished...";

// Opens the records (or spectra) window's probe face as the main menu does.
template <class W>
W& ProbeFace(WindowRig& r, TDataStore& store)
{
    r.session.model.AcquisitionRunning = r.terminal.AcquisitionRunning();
    W& w = r.Make<W>(store);
    w.PrepareFromDetector();
    w.show();
    return w;
}

// Reads a range as the user would (all of it, or `ticks`); the texts TextLB showed.
QStringList Read(WindowRig& r, const QString& first, const QString& last, int ticks = 20000)
{
    const bool spectra = r.window->inherits("kolmaris::TRadonSpectWND");
    r.Choose(spectra ? "SpectRecordStartCB" : "RecordStartCB", first);
    r.Find<QComboBox>(spectra ? "SpectRecordStopCB" : "RecordStopCB")->setCurrentText(last);
    r.Click(spectra ? "LoadSpectBT" : "LoadRecordsBT");
    return r.Run(spectra ? "SpectrumTimer" : "RecordsTimer", "TextLB", ticks);
}

// A record of probe 1: radon 32768 and sum1 258 compressed, -10 °C, 45 %, HV check 200.
RadonRecord Record(uint32_t time, uint8_t slot = 0)
{
    RadonRecord r{slot};
    WriteU32BE(std::span<uint8_t, 4>(r.data() + 1, 4), time);
    r[5] = 0x80;
    r[7] = static_cast<uint8_t>(-10);
    r[8] = 0x80 | 45;
    r[9] = 0x01;
    r[10] = 0x02;
    r[17] = 200;
    return r;
}

// Two spectra of probe 1 dated 10:00 and 09:00: channel k counts k (k + 100), channel 96 7 (8).
void FillSpectra(TDataStore& store)
{
    for (uint32_t i = 0; i < 2; ++i) {
        QCOMPARE(store.AddRadonRecord(Record(kT0 - 3600u * i), false), kStoreDone);
        std::array<uint8_t, kSpectrumMemorySize> s{};
        for (uint32_t k = 1; k <= 96; ++k)
            s[k] = static_cast<uint8_t>(k + i * 100);
        s[96] = static_cast<uint8_t>(7 + i);
        QCOMPARE(store.AddSpectrum(s, false), kStoreDone);
    }
}

// Lays out and paints what is pending, as the event loop does between two timer ticks.
void Settle()
{
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

void Tick(WindowRig& r)
{
    QMetaObject::invokeMethod(r.window, "AutoUpdateTMRTimer");
    Settle();
}

QScrollBar* Bar(const WindowRig& r)
{
    return r.Find<QScrollArea>("ScrollBox1")->verticalScrollBar();
}

// A table window shown on screen with its AutoUpdateTMR stopped, so that only the test ticks.
template <class W>
W& Table(WindowRig& r, TDataStore& store, int first = 0)
{
    W& w = r.Make<W>(store);
    w.resize(600, 520);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        qFatal("the table window was not exposed");
    w.AutoUpdateTMR()->stop();
    w.PrepareFromData(first);
    Settle();
    return w;
}

// A meteo record (time, pressure, temperature, humidity, voltage) as the download delivers it.
void AddMeteo(TDataStore& store, uint32_t time, uint16_t pressure, uint16_t temperature = 2932, uint16_t humidity = 500,
              uint16_t voltage = 1234)
{
    std::array<uint8_t, 12> memory{};
    const uint32_t words[] = {time >> 16, time & 0xFFFF, pressure, temperature, humidity, voltage};
    for (std::size_t i = 0; i < 6; ++i) {
        memory[2 * i] = static_cast<uint8_t>(words[i] >> 8);
        memory[2 * i + 1] = static_cast<uint8_t>(words[i]);
    }
    std::reverse(memory.begin(), memory.end());
    QCOMPARE(store.AddLocRecord(memory), kStoreDone);
}

// `count` meteo records; record number k has pressure 1000 + k.
void FillMeteo(TDataStore& store, int count)
{
    for (int k = 1; k <= count; ++k)
        AddMeteo(store, 0, static_cast<uint16_t>(1000 + k));
}

// A diagnostic event of an element (0: the terminal, `code` its event type) as the stream has it.
void AddEvent(TDataStore& store, int element, uint8_t code)
{
    const uint8_t m2 = element == 0 ? 0xFC : code;
    const uint8_t m0 = static_cast<uint8_t>((element == 0 ? code : element - 1) << 4);
    QCOMPARE(store.AddDiaEvent(std::array<uint8_t, 3>{m2, 0x00, m0}), kStoreDone);
}

QStringList Numbers(int from, int to)
{
    QStringList numbers;
    for (int n = from; n <= to; ++n)
        numbers << QString::number(n);
    return numbers;
}

}  // namespace

class TestViewerWindows : public QObject {
    Q_OBJECT
private slots:
    void probeFaceLists()
    {
        TDataStore store;
        WindowRig r(ProbeRings(250, 20));
        ProbeFace<TRecordsWND>(r, store);
        QCOMPARE(r.Items("MeshAdrCB"), (QStringList{"1", "2", "3"}));
        const QStringList starts = r.Items("RecordStartCB"), stops = r.Items("RecordStopCB");
        QCOMPARE(starts.mid(0, 3) + starts.mid(40), (QStringList{"1", "100", "200", "4000", "4096"}));
        QCOMPARE(stops.mid(0, 2) + stops.mid(40), (QStringList{"1", "101", "4001", "4096"}));  // 4096 once
        r.Choose("RecordStartCB", "3996");
        QCOMPARE(r.Items("RecordStopCB"), (QStringList{"3996", "4096"}));
        r.Choose("RecordStartCB", "-5");
        QCOMPARE(r.Items("RecordStopCB").first(), QStringLiteral("1"));

        ProbeFace<TRadonSpectWND>(r, store);
        const QStringList buffers = r.Items("SpectRecordStartCB");
        QCOMPARE(buffers.mid(0, 3) + buffers.mid(50), (QStringList{"1", "10", "20", "500", "510", "512"}));
        QCOMPARE(r.Items("SpectRecordStopCB"), buffers);
        r.Choose("SpectRecordStartCB", "502");
        QCOMPARE(r.Items("SpectRecordStopCB"), (QStringList{"502", "512"}));
        r.Choose("SpectRecordStartCB", "1");
        QCOMPARE(r.Items("SpectRecordStopCB").mid(0, 3), (QStringList{"1", "11", "21"}));

        WindowRig none(WithoutProbes());
        ProbeFace<TRecordsWND>(none, store);
        ProbeFace<TRadonSpectWND>(none, store);
        QCOMPARE(none.Messages(), QStringList(2, "Message|No radon probes bonded."));
    }

    // A reading's messages (OK to the stop question) and the texts it shows, the last at its end.
    void reading_data()
    {
        Columns<Scenario, QString, QStringList, QStringList>({"scenario", "range", "messages", "texts"});
        const QString wrong = "Error!|Wrong range of records to be read!";
        const QString notYet = "Warning|Requested records not available yet.";
        const QString stop = "Warning|Measurement is required to be interrupted! Continue?";
        const QString fewer = "Warning|Less records in memory than requested.";
        const QString stopSpectra = "Warning|Data acquisition must be stopped! Continue?";
        const QString fewerSpectra = "Warning|Memory contains less records than requested.";
        const QStringList waitSpectra{"Waiting for data acquisition stop..", kFinished};
        Scenario running = ProbeRings(250, 0, true), refusing = running, busy = ProbeRings(100, 20);
        refusing.faults.refusedCommands = {0xBE};  // the acquisition control command
        busy.faults.answerFaults.push_back({AnswerFaultKind::Busy, 1, 0xB4, -1});
        const QStringList wait{"Waiting for measurement stop..", kFinished};
        QTest::newRow("records, fewer") << running << "1 4096" << QStringList{stop, fewer} << wait;
        QTest::newRow("records, none yet")
            << ProbeRings(0, 0) << "1 1" << QStringList{notYet} << QStringList{kFinished};
        QTest::newRow("records, reversed") << ProbeRings(0, 0) << "100 50" << QStringList{wrong} << QStringList{};
        QTest::newRow("records, beyond 4096") << ProbeRings(0, 0) << "1 4097" << QStringList{wrong} << QStringList{};
        QTest::newRow("records, stop refused")
            << refusing << "1 1" << QStringList{stop, "Error!|Measurement cannot be interrupted!"} << QStringList{};
        QTest::newRow("spectra, fewer") << ProbeRings(100, 4, true) << "1 10" << QStringList{stopSpectra, fewerSpectra}
                                        << waitSpectra;
        QTest::newRow("spectra, none yet")
            << ProbeRings(100, 2) << "5 8" << QStringList{notYet} << QStringList{kFinished};
        QTest::newRow("spectra, reversed") << ProbeRings(100, 2) << "8 5" << QStringList{wrong} << QStringList{};
        QTest::newRow("spectra, probe busy")
            << busy << "1 2" << QStringList{"Error!|Action failed"} << QStringList{"Action failed"};
    }
    void reading()
    {
        const bool spectra = QString(QTest::currentDataTag()).startsWith("spectra");
        QFETCH(Scenario, scenario);
        QFETCH(QStringList, texts);
        QFETCH(QString, range);
        TDataStore store;
        WindowRig r(scenario);
        spectra ? (void)ProbeFace<TRadonSpectWND>(r, store) : (void)ProbeFace<TRecordsWND>(r, store);
        const QStringList seen = Read(r, range.section(' ', 0, 0), range.section(' ', 1));
        QTEST(r.Messages(), "messages");
        QCOMPARE(seen.value(seen.size() - 1), texts.value(texts.size() - 1));
        for (const QString& t : texts)
            QVERIFY2(seen.contains(t), qPrintable(t));
        QCOMPARE(r.terminal.AcquisitionRunning(), scenario.faults.refusedCommands.size() > 0);
        // What was read shows; a finished reading can be saved.
        const int read = spectra ? store.SpectrumCount(0) : store.RadonRecordCount(0);
        QCOMPARE(spectra ? r.Items("ChooseRecordCB").size() : r.Lines("IdLB").size(), read);
        QCOMPARE(r.Find(spectra ? "SaveSpectBT" : "SaveRecordsBT")->isEnabled(),
                 seen.value(seen.size() - 1) == kFinished);
    }

    void recordsTableNumbersFromTheFirstRequested()
    {
        TDataStore store;
        WindowRig r(ProbeRings(250, 0));
        ProbeFace<TRecordsWND>(r, store);
        Read(r, "1", "100", 12);
        r.Click("LoadRecordsBT");  // Stop
        QVERIFY(!r.Find<QTimer>("RecordsTimer")->isActive() && r.dialogs.shown.empty());
        QCOMPARE(r.Text("TextLB"), QStringLiteral("Reading interrupted..."));

        Read(r, "100", "102");
        QCOMPARE(r.Lines("IdLB"), (QStringList{"100", "101", "102"}));
        RadonRecord first{};
        QCOMPARE(store.GetRadonRecord(0, 0, first), kStoreDone);
        QCOMPARE(QStringList({r.Lines("VnLB")[0], r.Lines("HumidityLB")[0], r.Lines("TemperLB")[0]}),
                 QStringList({QString::number(first[17]), QString::number(first[8] & 0x7F),
                              QString::number(int8_t(first[7]))}));
        TempDir dir;
        const QString path = QString::fromStdString((dir.path / "RDN_1.tab").string());
        r.dialogs.saveAnswers = {path};
        r.Click("SaveRecordsBT");
        QCOMPARE(r.Last(), QStringLiteral("Message|Finished OK"));
        const std::string file = ReadFile(path.toStdString());
        const std::string rows = file.substr(file.find("\r\n") + 2);
        QCOMPARE(rows.substr(0, 4), std::string("102\t"));
        QVERIFY(rows.find("\r\n100\t") != std::string::npos);
        QCOMPARE(std::count(rows.begin(), rows.end(), '\n'), 3L);
        // The same file again: keep the old data, the rows follow without a header.
        r.dialogs.saveAnswers = {path};
        r.dialogs.answers = {MessageResult::Yes};
        r.Click("SaveRecordsBT");
        QCOMPARE(ReadFile(path.toStdString()), file + rows);
        QCOMPARE(r.dialogs.suggestedNames, (QStringList{"RDN_1.tab", "RDN_1.tab"}));
    }

    void recordsDataFaceShowsFindsAndGrows()
    {
        TDataStore store;
        for (uint32_t i = 0; i < 250; ++i)  // index 0 is the newest
            QCOMPARE(store.AddRadonRecord(Record(kT0 - 3600u * i), false), kStoreDone);
        QCOMPARE(store.AddRadonRecord(RadonRecord{2}, false), kStoreDone);  // one record of probe 3
        WindowRig r;
        auto& w = r.Make<TRecordsWND>(store);
        w.PrepareFromData(1, 0);
        r.Find<QComboBox>("MeshAdrCB")->addItems({"1", "2"});  // as the terminal data window copies its list
        w.show();
        QCOMPARE(r.Text("LoadRecordsBT"), QStringLiteral("Find"));
        QCOMPARE(r.Items("RecordStopCB"), (QStringList{"1", "100", "200"}));
        // At most 102 rows at first; engineering counts in the table.
        QCOMPARE(r.Lines("IdLB"), Numbers(1, 102));
        QCOMPARE(r.Lines("CasLB").at(1), QStringLiteral("10.03.2025 09:00"));
        QCOMPARE(r.Lines("RadonLB")[0] + ' ' + r.Lines("Suma1LB")[0], QStringLiteral("32.77k 258"));

        // Scrolled to the end, the table grows by a row per tick.
        QCoreApplication::sendPostedEvents();
        Bar(r)->setValue(Bar(r)->maximum());
        Tick(r);
        QCOMPARE(r.Lines("IdLB").last(), QStringLiteral("103"));
        // Find: record 100 becomes the first row; at the top the rows above come one per tick.
        r.Choose("RecordStopCB", "100");
        QCOMPARE(r.Lines("IdLB"), Numbers(100, 201));
        for (int ticks = 0; ticks < 99; ++ticks) {
            Bar(r)->setValue(0);
            Tick(r);
        }
        QCOMPARE(r.Lines("IdLB").first(), QStringLiteral("1"));

        // Save in the data face numbers from 1; the file has plain counts.
        TempDir dir;
        const QString path = QString::fromStdString((dir.path / "r.tab").string());
        r.dialogs.saveAnswers = {path};
        r.Click("SaveRecordsBT");
        const std::string file = ReadFile(path.toStdString());
        QVERIFY(file.find("\r\n250\t") != std::string::npos);
        QVERIFY(file.find("\r\n1\t10.03.2025 10:00\t32768\t258\t") != std::string::npos);

        // Another probe from the list: address 3 has one record.
        r.Find<QComboBox>("MeshAdrCB")->setItemText(1, QStringLiteral("3"));
        r.Choose("MeshAdrCB", 1);
        QCOMPARE(r.Lines("IdLB"), QStringList{"1"});
        r.Click("SaveRecordsBT");  // cancelled
        QCOMPARE(r.dialogs.suggestedNames, (QStringList{"RDN_1.tab", "RDN_3.tab"}));
        // Close empties the table; the probe face does not offer the data face's records to save.
        r.Click("Button1");
        QVERIFY(r.Lines("IdLB").isEmpty());
        w.PrepareFromDetector();
        QVERIFY(!r.Find("SaveRecordsBT")->isEnabled());
    }

    void spectraDataFace()
    {
        TDataStore store;
        FillSpectra(store);
        WindowRig r;
        auto& w = r.Make<TRadonSpectWND>(store);
        w.PrepareFromData(1);
        w.show();
        QCOMPARE(r.Items("ChooseRecordCB"), (QStringList{"10.03.2025 10:00", "10.03.2025 09:00"}));
        QCOMPARE(r.Lines("Data1LB")[0] + r.Lines("Data3LB").last(), QStringLiteral("[01]: 1[96]: 7"));
        r.Choose("ChooseRecordCB", 1);
        QCOMPARE(r.Lines("Data1LB")[0], QStringLiteral("[01]: 101"));
        // A selection with nothing behind it.
        r.Find<QComboBox>("ChooseRecordCB")->addItem(QStringLiteral("ghost"));
        r.Choose("ChooseRecordCB", 2);
        QCOMPARE(r.Last(), QStringLiteral("Error!|No data to display!"));
        // Back to the probe face: the data face's list and columns go.
        w.hide();
        w.PrepareFromDetector();
        QVERIFY(r.Items("ChooseRecordCB").isEmpty() && r.Text("Data1LB").isEmpty());
    }

    void spectrumGraph()
    {
        SpectrumChannels counts{};
        counts[0] = 7;
        QCOMPARE(GraphScale(counts), 20);
        counts[50] = 20;
        QCOMPARE(GraphScale(counts), 21);
        counts[95] = 255;
        QCOMPARE(GraphScale(counts), 256);

        // 483 x 323: bars on y = 319, h = trunc(319 / 256 * count) (channel 96: 317 at x = 477,
        // channel 1: 8); axes two pixels wide.
        const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), blue = qRgb(0, 0, 255);
        QImage image(483, 323, QImage::Format_RGB32);
        QPainter painter(&image);
        DrawSpectrumGraph(painter, 0, 0, 482, 322, counts);
        painter.end();
        const std::pair<QPoint, QRgb> pixels[] = {{{477, 2}, blue},    {{480, 318}, blue},  {{477, 1}, white},
                                                  {{476, 100}, white}, {{481, 100}, white}, {{4, 311}, blue},
                                                  {{4, 310}, white},   {{1, 10}, black},    {{2, 10}, white},
                                                  {{200, 320}, black}, {{200, 322}, white}};
        for (const auto& [point, colour] : pixels)
            QVERIFY2(image.pixel(point) == colour, qPrintable(QStringLiteral("%1,%2").arg(point.x()).arg(point.y())));
    }

    void spectraSaveInBlockAndTimeMode()
    {
        TDataStore store;
        TempDir dir;
        const QString path = QString::fromStdString((dir.path / "SPC_1.tab").string());
        WindowRig r(ProbeRings(100, 20));
        auto& w = ProbeFace<TRadonSpectWND>(r, store);
        Read(r, "3", "4");
        QCOMPARE(r.Items("ChooseRecordCB"), (QStringList{"3", "4"}));
        // The first buffer read is shown: three columns of 32 channels, and the graph buffer.
        SpectrumChannels newest{};
        QCOMPARE(store.GetSpectrumChannels(0, 0, newest), kStoreDone);
        QVERIFY(w.GraphBuffer() == newest);
        QCOMPARE(r.Lines("Data3LB").size(), 32);
        QCOMPARE(r.Lines("Data1LB")[0] + r.Lines("Data2LB")[0] + r.Lines("Data3LB")[31],
                 QStringLiteral("[01]: %1[33]: %2[96]: %3").arg(newest[0]).arg(newest[32]).arg(newest[95]));
        r.dialogs.saveAnswers = {path};
        r.Click("SaveSpectBT");
        QCOMPARE(r.Last(), QStringLiteral("Message|Finished OK"));
        std::string text = ReadFile(path.toStdString());
        QCOMPARE(text.substr(0, 22), std::string("block \\ channel\t1\t2\t3\t"));
        QVERIFY(text.find("\r\n3\t") != std::string::npos && text.find("\r\n4\t") != std::string::npos);
        r.Click("Button1");  // Close clears the graph buffer
        QVERIFY(w.GraphBuffer() == SpectrumChannels{});

        // The data face saves in time mode; the existing file is overwritten on No.
        TDataStore filled;
        FillSpectra(filled);
        r.Make<TRadonSpectWND>(filled).PrepareFromData(1);
        r.dialogs.saveAnswers = {path};
        r.dialogs.answers = {MessageResult::No};
        r.Click("SaveSpectBT");
        text = ReadFile(path.toStdString());
        QCOMPARE(text.substr(0, 18), std::string(" time \\ channel\t1\t"));
        QVERIFY(text.find("\r\n10.03.2025 10:00\t1\t2\t3\t") != std::string::npos);
        QVERIFY(text.find("\r\n10.03.2025 09:00\t101\t102\t") != std::string::npos);
        QCOMPARE(r.dialogs.suggestedNames, (QStringList{"SPC_1.tab", "SPC_1.tab"}));
    }

    void columnLabelMeasuresAsAFreshOne()
    {
        // Grown at either end, the label counts and measures as a fresh one with the same text.
        const std::tuple<QString, bool, QString> adds[] = {
            {"2", true, "2\n"},
            {"", true, "2\n\n"},
            {"wide line of text", false, "wide line of text\n2\n\n"},
            {"a\nb", true, "wide line of text\n2\n\na\nb\n"},  // a value with a line end makes two lines
        };
        TableColumnLabel added;
        const int step = added.fontMetrics().lineSpacing();
        for (const auto& [line, atBottom, text] : adds) {
            added.AddLine(line, atBottom);
            QCOMPARE(added.text(), text);
            TableColumnLabel fresh;
            fresh.setText(text);
            QCOMPARE(added.LineCount(), text.count('\n'));
            QCOMPARE(added.sizeHint(), fresh.sizeHint());
            QCOMPARE(added.sizeHint().height(), added.LineCount() * step);
        }
        // A text set in between without a final line end: the next line joins its last line.
        added.setText("x\ny");
        QCOMPARE(added.LineCount(), 2);
        added.AddLine("z", true);
        added.AddLine("w", false);
        QCOMPARE(added.text(), QStringLiteral("w\nx\nyz\n"));
        QCOMPARE(added.LineCount(), 3);

        // Each line is painted in its own row: ink only in rows 2 and 4.
        TableColumnLabel painted;
        for (const auto& [line, atBottom] :
             {std::pair{"", true}, {"WWWW", false}, {"WWWW", true}, {"", false}, {"", false}})
            painted.AddLine(line, atBottom);
        QCOMPARE(painted.text(), QStringLiteral("\n\nWWWW\n\nWWWW\n"));
        painted.resize(painted.sizeHint());
        const QImage image = painted.grab().toImage();
        const QRgb background = image.pixel(image.width() - 1, 0);
        QList<bool> inked(5, false);
        for (int y = 0; y < 5 * step; ++y)
            for (int x = 0; x < image.width(); ++x)
                inked[y / step] = inked[y / step] || image.pixel(x, y) != background;
        QCOMPARE(inked, (QList<bool>{false, false, true, false, true}));
    }

    void meteoTableFindGrowsUpwardsAndStartsAfresh()
    {
        TDataStore store;
        FillMeteo(store, 250);
        WindowRig r;
        auto& w = Table<TLocsWND>(r, store);
        QCOMPARE(r.Items("LoadFromCB"), (QStringList{"1", "100", "200"}));
        QCOMPARE(r.Lines("IdLB"), Numbers(1, 102));
        QCOMPARE(r.Lines("TlakLB"), Numbers(1001, 1102));
        // Find keeps the jump list; at the top one row per tick, the view moving down 10 pixels.
        r.Find<QComboBox>("LoadFromCB")->setCurrentIndex(2);
        r.Click("SkocitBT");
        Settle();
        QCOMPARE(r.Lines("IdLB"), Numbers(200, 250));
        QCOMPARE(r.Items("LoadFromCB"), (QStringList{"1", "100", "200"}));
        QCOMPARE(Bar(r)->value(), 0);
        Tick(r);
        QCOMPARE(r.Lines("TlakLB").first(), QStringLiteral("1199"));
        QCOMPARE(Bar(r)->value(), 10);
        Tick(r);  // off the top and below 95 %: nothing grows
        QCOMPARE(r.Lines("IdLB").size(), 52);
        // A second preparation starts afresh.
        store.ClearAll();
        FillMeteo(store, 3);
        w.PrepareFromData(0);
        QCOMPARE(r.Lines("IdLB"), Numbers(1, 3));
        QCOMPARE(r.Items("LoadFromCB"), QStringList{"1"});
    }

    void tableGrowsAtTheBottomOnlyPast95Percent()
    {
        TDataStore store;
        FillMeteo(store, 104);
        WindowRig r;
        auto& w = Table<TLocsWND>(r, store);
        QScrollBar* bar = Bar(r);
        bar->setValue(bar->maximum() * 95 / 100 + (bar->maximum() * 95 % 100 != 0));  // 95 % or just above
        QCOMPARE(bar->value() * 100 / bar->maximum(), 95);
        Tick(r);
        QCOMPARE(w.ShownNext(), 102);
        for (int expected : {103, 104, 104}) {
            bar->setValue(bar->maximum());
            Tick(r);
            QCOMPARE(w.ShownNext(), expected);
        }
        bar->setValue(0);  // the first record already shows: nothing to add at the top either
        Tick(r);
        QCOMPARE(r.Lines("IdLB"), Numbers(1, 104));
    }

    void meteoLineTexts()
    {
        TDataStore store;
        AddMeteo(store, 31u * 86400u + 13u * 3600u + 45u * 60u + 30u, 1013, 2932, 456, 1234);
        AddMeteo(store, 0, 0, 2632, 1000, 5);
        AddMeteo(store, 3155759999u, 65535, 0, 0, 65535);
        WindowRig r;
        Table<TLocsWND>(r, store);
        QCOMPARE(r.Lines("CasLB"), (QStringList{"01.02.2000 13:45", "01.01.2000 00:00", "31.12.2099 23:59"}));
        QCOMPARE(r.Lines("TlakLB"), (QStringList{"1013", "0", "65535"}));
        QCOMPARE(r.Lines("TemperLB"), (QStringList{"20.0", "-10.0", "-273.2"}));
        QCOMPARE(r.Lines("HumidityLB"), (QStringList{"45.6", "100.0", "0.0"}));
        QCOMPARE(r.Lines("AccuLB"), (QStringList{"12.34", "0.05", "655.35"}));
    }

    void diagnosticLinesJumpAndClose()
    {
        TDataStore store;
        for (const auto& [element, code] : {std::pair{3, 0xF9}, {3, 0x05}, {0, 15}, {0, 9}, {16, 0xFF}})
            AddEvent(store, element, uint8_t(code));
        WindowRig r;
        auto& w = Table<TDiasWND>(r, store);
        QCOMPARE(r.Lines("MeshLB"), (QStringList{"3", "3", "Term", "Term", "16"}));
        QCOMPARE(r.Lines("OutputLB"), (QStringList{"F9", "05", "0F", "09", "FF"}));
        QCOMPARE(r.Text("MeaningLB"), QStringLiteral("probe: Bad data structure\nanswer error: 0x05\n"
                                                     "start of data acquisition\n\nmaster IQRF timeout\n"));
        // Every column is as tall as the others, empty meanings included.
        QCOMPARE(r.Find("MeaningLB")->height(), r.Find("IdLB")->height());

        // Choosing in the list jumps at once; exactly 100 events leave nothing after 100.
        store.ClearAll();
        for (int i = 0; i < 101; ++i)
            AddEvent(store, 1 + i % 16, 0xF8);
        w.PrepareFromData(0);
        QCOMPARE(r.Items("LoadFromCB"), (QStringList{"1", "100"}));
        r.Choose("LoadFromCB", 1);
        Settle();
        QCOMPARE(r.Lines("IdLB"), (QStringList{"100", "101"}));
        QCOMPARE(r.Lines("MeaningLB"), (QStringList{"state: OK", "state: OK"}));
        store.ClearAll();
        for (int i = 0; i < 100; ++i)
            AddEvent(store, 0, 12);
        w.PrepareFromData(0);
        QCOMPARE(r.Items("LoadFromCB"), QStringList{"1"});

        // The timer runs while the window shows; "Close" hides it with OK and stops the timer.
        w.hide();
        w.show();
        QVERIFY(w.AutoUpdateTMR()->isActive());
        r.Click("Button1");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.AutoUpdateTMR()->isActive());
    }
};

QTEST_MAIN(TestViewerWindows)
#include "test_viewer_windows.moc"
