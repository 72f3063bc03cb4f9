// The meteo and diagnostics tables on a data store filled directly, and the growing table under
// them: jump lists, the first rows, growth at either end one row per tick (the timer handler
// called directly), the line texts, column alignment, and the tick time with 30 000 records.
#include "TDiasWND.h"
#include "TLocsWND.h"

#include "DataStore.h"
#include "GrowingTable.h"
#include "WindowRig.h"

#include <QElapsedTimer>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <array>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

// Terminal time of 1 February 2000, 13:45:30.
constexpr std::uint32_t kFeb1 = 31u * 86400u + 13u * 3600u + 45u * 60u + 30u;

// A meteo record in memory order, added the way the download delivers it (reversed).
void AddMeteo(TDataStore& store, std::uint32_t time, std::uint16_t pressure, std::uint16_t temperature = 2932,
              std::uint16_t humidity = 500, std::uint16_t voltage = 1234)
{
    std::array<std::uint8_t, 12> memory{};
    const std::uint32_t words[] = {time >> 16, time & 0xFFFF, pressure, temperature, humidity, voltage};
    for (std::size_t i = 0; i < 6; ++i) {
        memory[2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
        memory[2 * i + 1] = static_cast<std::uint8_t>(words[i]);
    }
    std::reverse(memory.begin(), memory.end());
    QCOMPARE(store.AddLocRecord(memory), kStoreDone);
}

// `count` meteo records; record number k has pressure 1000 + k.
void FillMeteo(TDataStore& store, int count)
{
    for (int k = 1; k <= count; ++k)
        AddMeteo(store, kFeb1, static_cast<std::uint16_t>(1000 + k));
}

// A diagnostic event as the stream delivers it: m2 = code (0xFC for the terminal), m1 = low time
// byte, m0 = element - 1 (or the terminal's event type) in the high nibble.
void AddEvent(TDataStore& store, int element, std::uint8_t code)
{
    const std::uint8_t m2 = element == 0 ? 0xFC : code;
    const std::uint8_t m0 = static_cast<std::uint8_t>((element == 0 ? code : element - 1) << 4);
    QCOMPARE(store.AddDiaEvent(std::array<std::uint8_t, 3>{m2, 0x00, m0}), kStoreDone);
}

QStringList Numbers(int from, int to)
{
    QStringList numbers;
    for (int n = from; n <= to; ++n)
        numbers << QString::number(n);
    return numbers;
}

// Lays out and paints what is pending, as the event loop does between two timer ticks.
void Settle()
{
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

// A table window shown on screen with its AutoUpdateTMR stopped, so that only the test ticks.
template <class Window>
struct Rig : StoreWindowRig<Window, TDataStore> {
    Rig()
    {
        this->window->resize(600, 520);
        this->window->show();
        if (!QTest::qWaitForWindowExposed(this->window.get()))
            qFatal("the table window was not exposed");
        this->window->AutoUpdateTMR()->stop();
    }
    QStringList Column(const char* name) const { return Lines(*this->Label(name)); }
    QScrollBar* Bar() const { return this->template Find<QScrollArea>("ScrollBox1")->verticalScrollBar(); }
    void Prepare(int n)
    {
        this->window->PrepareFromData(n);
        Settle();
    }
    void Tick()
    {
        this->window->AutoUpdateTMRTimer();
        Settle();
    }
};

}  // namespace

class TestTablesWindows : public QObject {
    Q_OBJECT
private slots:
    void columnLabelMeasuresAddedHeadsAndTails();
    void columnLabelPaintsEachLineInItsRow();
    void meteoTableShowsTheFirst102RowsAndFindGrowsUpwards();
    void tableGrowsAtTheBottomOnlyPast95Percent();
    void meteoLineTextsAndTitlesAboveTheirColumns();
    void diagnosticLinesJumpAndClose();
    void tablesStayQuickWith30000Records();
};

void TestTablesWindows::columnLabelMeasuresAddedHeadsAndTails()
{
    // Changed step by step or grown line by line at either end, the label measures as a fresh
    // label with the same text does.
    TableColumnLabel grown;
    const int step = grown.fontMetrics().lineSpacing();
    const std::pair<QString, int> texts[] = {
        {"", 0},
        {"0\n12\n3\nwide line of text\n", 4},
        {"x0\n12\n3\nwide line of text\n\ntail", 6},   // an empty line counts; no final line end
        {"x0\n12\n3\nwide line of text\n\ntail+", 6},  // a tail joins the last line
        {"\n", 1},
    };
    for (const auto& [text, lines] : texts) {
        grown.setText(text);
        TableColumnLabel fresh;
        fresh.setText(text);
        QCOMPARE(grown.LineCount(), lines);
        QCOMPARE(grown.sizeHint(), fresh.sizeHint());
        QCOMPARE(grown.sizeHint().height(), lines * step);
    }
    const std::tuple<QString, bool, QString> adds[] = {
        {"2", true, "2\n"},
        {"", true, "2\n\n"},
        {"wide line of text", false, "wide line of text\n2\n\n"},
        {"a\nb", true, "wide line of text\n2\n\na\nb\n"},  // a value with a line end makes two lines
    };
    TableColumnLabel added;
    for (const auto& [line, atBottom, text] : adds) {
        added.AddLine(line, atBottom);
        QCOMPARE(added.text(), text);
        TableColumnLabel fresh;
        fresh.setText(text);
        QCOMPARE(added.LineCount(), fresh.LineCount());
        QCOMPARE(added.sizeHint(), fresh.sizeHint());
    }
    // A text set in between without a final line end: the next line joins its last line.
    added.setText("x\ny");
    added.AddLine("z", true);
    added.AddLine("w", false);
    QCOMPARE(added.text(), QStringLiteral("w\nx\nyz\n"));
    QCOMPARE(added.LineCount(), 3);
}

void TestTablesWindows::columnLabelPaintsEachLineInItsRow()
{
    // Lines 0 and 1 empty, line 2 "WWWW", line 3 empty, line 4 "WWWW": ink only in rows 2 and 4.
    TableColumnLabel grown;
    for (const auto& [line, atBottom] : {std::pair{"", true}, {"WWWW", false}, {"WWWW", true}, {"", false}, {"", false}})
        grown.AddLine(line, atBottom);
    QCOMPARE(grown.text(), QStringLiteral("\n\nWWWW\n\nWWWW\n"));
    grown.resize(grown.sizeHint());
    const QImage image = grown.grab().toImage();
    const int step = grown.fontMetrics().lineSpacing();
    QCOMPARE(image.height(), 5 * step);
    const QRgb background = image.pixel(image.width() - 1, 0);
    auto inked = [&](int row) {
        for (int y = row * step; y < (row + 1) * step; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != background)
                    return true;
        return false;
    };
    QCOMPARE((QList<bool>{inked(0), inked(1), inked(2), inked(3), inked(4)}),
             (QList<bool>{false, false, true, false, true}));
}

void TestTablesWindows::meteoTableShowsTheFirst102RowsAndFindGrowsUpwards()
{
    Rig<TLocsWND> rig;
    FillMeteo(rig.store, 250);
    rig.Prepare(0);
    auto* jump = rig.Combo("LoadFromCB");
    QCOMPARE(Items(*jump), (QStringList{"1", "100", "200"}));
    QCOMPARE(rig.Column("IdLB"), Numbers(1, 102));
    QCOMPARE(rig.Column("TlakLB"), Numbers(1001, 1102));

    // Find keeps the jump list; at the top one row per tick, the view moving down 10 pixels.
    jump->setCurrentIndex(2);
    rig.Button("SkocitBT")->click();
    Settle();
    QCOMPARE(rig.Column("IdLB"), Numbers(200, 250));
    QCOMPARE(Items(*jump), (QStringList{"1", "100", "200"}));
    QScrollBar* bar = rig.Bar();
    QCOMPARE(bar->value(), 0);
    rig.Tick();
    QCOMPARE(rig.Column("TlakLB").first(), QStringLiteral("1199"));
    QCOMPARE(bar->value(), 10);
    rig.Tick();  // off the top and below 95 %: nothing grows
    QCOMPARE(rig.Column("IdLB").size(), 52);
    bar->setValue(0);
    rig.Tick();
    QCOMPARE(rig.Column("IdLB"), Numbers(198, 250));

    // A second preparation starts afresh.
    rig.store.ClearAll();
    FillMeteo(rig.store, 3);
    rig.Prepare(0);
    QCOMPARE(rig.Column("IdLB"), Numbers(1, 3));
    QCOMPARE(Items(*jump), QStringList{"1"});
}

void TestTablesWindows::tableGrowsAtTheBottomOnlyPast95Percent()
{
    Rig<TLocsWND> rig;
    FillMeteo(rig.store, 104);
    rig.Prepare(0);
    QScrollBar* bar = rig.Bar();
    bar->setValue(bar->maximum() * 95 / 100 + (bar->maximum() * 95 % 100 != 0));  // 95 % exactly or just above
    QCOMPARE(bar->value() * 100 / bar->maximum(), 95);
    rig.Tick();
    QCOMPARE(rig.window->ShownNext(), 102);
    for (int expected : {103, 104, 104}) {
        bar->setValue(bar->maximum());
        rig.Tick();
        QCOMPARE(rig.window->ShownNext(), expected);
    }
    QCOMPARE(rig.Column("IdLB"), Numbers(1, 104));
    bar->setValue(0);  // the first record already shows: nothing to add at the top either
    rig.Tick();
    QCOMPARE(rig.Column("IdLB").size(), 104);
}

void TestTablesWindows::meteoLineTextsAndTitlesAboveTheirColumns()
{
    Rig<TLocsWND> rig;
    AddMeteo(rig.store, kFeb1, 1013, 2932, 456, 1234);
    AddMeteo(rig.store, 0, 0, 2632, 1000, 5);
    AddMeteo(rig.store, 3155759999u, 65535, 0, 0, 65535);
    rig.Prepare(0);
    QCOMPARE(rig.Column("CasLB"), (QStringList{"01.02.2000 13:45", "01.01.2000 00:00", "31.12.2099 23:59"}));
    QCOMPARE(rig.Column("TlakLB"), (QStringList{"1013", "0", "65535"}));
    QCOMPARE(rig.Column("TemperLB"), (QStringList{"20.0", "-10.0", "-273.2"}));
    QCOMPARE(rig.Column("HumidityLB"), (QStringList{"45.6", "100.0", "0.0"}));
    QCOMPARE(rig.Column("AccuLB"), (QStringList{"12.34", "0.05", "655.35"}));
}

void TestTablesWindows::diagnosticLinesJumpAndClose()
{
    Rig<TDiasWND> rig;
    AddEvent(rig.store, 3, 0xF9);
    AddEvent(rig.store, 3, 0x05);
    AddEvent(rig.store, 0, 15);
    AddEvent(rig.store, 0, 9);
    AddEvent(rig.store, 16, 0xFF);
    rig.Prepare(0);
    QCOMPARE(rig.Column("MeshLB"), (QStringList{"3", "3", "Term", "Term", "16"}));
    QCOMPARE(rig.Column("OutputLB"), (QStringList{"F9", "05", "0F", "09", "FF"}));
    QCOMPARE(rig.Text("MeaningLB"), QStringLiteral("probe: Bad data structure\nanswer error: 0x05\n"
                                                   "start of data acquisition\n\nmaster IQRF timeout\n"));
    // Every column is as tall as the others, empty meanings included.
    QCOMPARE(rig.Label("MeaningLB")->height(), rig.Label("IdLB")->height());

    // Choosing in the list jumps at once; exactly 100 events leave nothing after 100.
    rig.store.ClearAll();
    for (int i = 0; i < 101; ++i)
        AddEvent(rig.store, 1 + i % 16, 0xF8);
    rig.Prepare(0);
    auto* jump = rig.Combo("LoadFromCB");
    QCOMPARE(Items(*jump), (QStringList{"1", "100"}));
    jump->setCurrentIndex(1);
    emit jump->activated(1);
    Settle();
    QCOMPARE(rig.Column("IdLB"), (QStringList{"100", "101"}));
    QCOMPARE(rig.Column("MeaningLB"), (QStringList{"state: OK", "state: OK"}));
    rig.store.ClearAll();
    for (int i = 0; i < 100; ++i)
        AddEvent(rig.store, 0, 12);
    rig.Prepare(0);
    QCOMPARE(Items(*jump), QStringList{"1"});

    // The timer runs while the window shows; "Close" hides it with OK and stops the timer.
    QTimer* timer = rig.window->AutoUpdateTMR();
    rig.window->hide();
    rig.window->show();
    QVERIFY(timer->isActive());
    rig.Button("Button1")->click();
    QCOMPARE(rig.window->result(), int(QDialog::Accepted));
    QVERIFY(!timer->isActive());
}

void TestTablesWindows::tablesStayQuickWith30000Records()
{
    // Grown row by row to all 30 000 records at either end, the table still takes a fraction of
    // the 100 ms tick to grow by a row, lay out and repaint. Layout and painting wait until the
    // last 100 ticks of each end, to keep the test short.
    constexpr int kRecords = 30000;
    constexpr int kTimed = 100;
    Rig<TLocsWND> rig;
    FillMeteo(rig.store, kRecords);
    QScrollBar* bar = rig.Bar();
    QElapsedTimer clock;
    clock.start();
    rig.Prepare(0);
    const double prepareMs = clock.nsecsElapsed() / 1e6;

    const auto timedTicks = [&](int toTop) {
        while (toTop ? rig.window->ShownFirst() > kTimed : rig.window->ShownNext() < kRecords - kTimed) {
            bar->setValue(toTop ? 0 : bar->maximum());
            rig.window->AutoUpdateTMRTimer();
        }
        Settle();
        QElapsedTimer ticks;
        ticks.start();
        for (int i = 0; i < kTimed; ++i) {
            bar->setValue(toTop ? 0 : bar->maximum());
            rig.Tick();
        }
        return ticks.nsecsElapsed() / 1e6 / kTimed;
    };
    const double bottomMs = timedTicks(false);
    QCOMPARE(rig.Column("IdLB"), Numbers(1, kRecords));
    rig.Prepare(kRecords);
    const double topMs = timedTicks(true);
    QCOMPARE(rig.Column("IdLB"), Numbers(1, kRecords));
    qInfo("30000 meteo records: PrepareFromData %.1f ms, a tick with layout and painting %.2f ms at the "
          "bottom, %.2f ms at the top",
          prepareMs, bottomMs, topMs);
    QVERIFY(prepareMs < 1000);
    QVERIFY(bottomMs < 100);
    QVERIFY(topMs < 100);
}

QTEST_MAIN(TestTablesWindows)
#include "test_tables_windows.moc"
