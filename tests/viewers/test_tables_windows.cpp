// The meteo and diagnostics tables on a data store filled directly, and the growing table under
// them: jump lists, the first hundred rows, growth at the bottom and the top one row per tick
// (the timer handler called directly), the line texts, column alignment, and the time a tick
// takes with 30 000 records.

#include "TDiasWND.h"
#include "TLocsWND.h"

#include "DataStore.h"
#include "GrowingTable.h"
#include "SimulatedSession.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <ctime>
#include <array>
#include <memory>
#include <utility>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::SimulatedSession;

namespace {

// Terminal time of 1 February 2000, 13:45:30.
constexpr std::uint32_t kFeb1 = 31u * 86400u + 13u * 3600u + 45u * 60u + 30u;

// A meteo record in memory order, added the way the download delivers it (reversed).
void AddMeteo(TDataStore& store, std::uint32_t time, std::uint16_t pressure, std::uint16_t temperature,
              std::uint16_t humidity, std::uint16_t voltage)
{
    auto b = [](unsigned v, int shift) { return static_cast<std::uint8_t>(v >> shift); };
    std::array<std::uint8_t, 12> memory = {b(time, 24),       b(time, 16),    b(time, 8),        b(time, 0),
                                           b(pressure, 8),    b(pressure, 0), b(temperature, 8), b(temperature, 0),
                                           b(humidity, 8),    b(humidity, 0), b(voltage, 8),     b(voltage, 0)};
    std::reverse(memory.begin(), memory.end());
    QCOMPARE(store.AddLocRecord(memory), kStoreDone);
}

// `count` meteo records; record number k has pressure 1000 + k.
void FillMeteo(TDataStore& store, int count)
{
    for (int k = 1; k <= count; ++k)
        AddMeteo(store, kFeb1, static_cast<std::uint16_t>(1000 + k), 2932, 500, 1234);
}

// A diagnostic event as the stream delivers it: m2 = code (0xFC for the terminal), m1 = low time
// byte, m0 = element - 1 (or the terminal's event type) in the high nibble.
void AddEvent(TDataStore& store, int element, std::uint8_t code)
{
    const std::uint8_t m2 = element == 0 ? 0xFC : code;
    const std::uint8_t m0 = static_cast<std::uint8_t>((element == 0 ? code : element - 1) << 4);
    QCOMPARE(store.AddDiaEvent(std::array<std::uint8_t, 3>{m2, 0x00, m0}), kStoreDone);
}

QStringList Lines(const QLabel* label)
{
    QStringList lines = label->text().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList Numbers(int from, int to)
{
    QStringList numbers;
    for (int n = from; n <= to; ++n)
        numbers << QString::number(n);
    return numbers;
}

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Lays out and paints what is pending, as the event loop does between two timer ticks.
void Settle()
{
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

// A table window shown on screen with its AutoUpdateTMR stopped, so that only the test ticks.
template <class Window>
struct Rig {
    Rig() : sim(QuietDefaultScenario()), window(sim.session, store)
    {
        window.resize(600, 520);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the table window was not exposed");
        window.AutoUpdateTMR()->stop();
    }
    template <class T>
    T* Find(const char* name) const
    {
        T* widget = window.template findChild<T*>(name);
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    QStringList Column(const char* name) const { return Lines(Find<QLabel>(name)); }
    QScrollBar* Bar() const { return Find<QScrollArea>("ScrollBox1")->verticalScrollBar(); }
    void Prepare(int n)
    {
        window.PrepareFromData(n);
        Settle();
    }
    void Tick()
    {
        window.AutoUpdateTMRTimer();
        Settle();
    }

    SimulatedSession sim;
    TDataStore store;
    Window window;
};

// Wall and CPU time of the ticks a table takes as the running program does them: the tick, the
// layout and the painting.
struct TickTimes {
    double meanMs = 0;
    double slowestMs = 0;
    double cpuMeanMs = 0;
};

template <class Window, class Step>
TickTimes TimeTicks(Rig<Window>& rig, int ticks, Step before)
{
    TickTimes times;
    QElapsedTimer all;
    all.start();
    const double cpuStart = ThreadCpuMs();
    for (int i = 0; i < ticks; ++i) {
        QElapsedTimer one;
        one.start();
        before();
        rig.Tick();
        times.slowestMs = std::max(times.slowestMs, one.nsecsElapsed() / 1e6);
    }
    times.meanMs = all.nsecsElapsed() / 1e6 / ticks;
    times.cpuMeanMs = (ThreadCpuMs() - cpuStart) / ticks;
    return times;
}

}  // namespace

class TestTablesWindows : public QObject {
    Q_OBJECT
private slots:
    void columnLabelMeasuresAddedHeadsAndTails();
    void columnLabelPaintsEachLineInItsRow();
    void meteoTableShowsTheFirst102RowsAndTheJumpList();
    void findKeepsTheJumpListAndTheTableGrowsUpwardsOneRowPerTick();
    void tableGrowsAtTheBottomOnlyPast95Percent();
    void meteoLineTexts();
    void diagnosticLinesStayAlignedWithEmptyMeanings();
    void diagnosticsJumpFromTheListAndClose();
    void titlesSitAboveTheirColumns();
    void tablesStayQuickWith30000Records();
};

void TestTablesWindows::columnLabelMeasuresAddedHeadsAndTails()
{
    // Changed step by step (a tail, heads with and without a line end, a shorter text) or grown
    // line by line at either end, the label measures as a fresh label with the same text does.
    TableColumnLabel grown;
    const int step = grown.fontMetrics().lineSpacing();
    const std::pair<QString, int> texts[] = {
        {"", 0},
        {"12\n3\n", 2},
        {"0\n12\n3\nwide line of text\n", 4},
        {"x0\n12\n3\nwide line of text\n", 4},          // a head without a line end joins the first line
        {"x0\n12\n3\nwide line of text\n\ntail", 6},    // an empty line counts; no final line end
        {"x0\n12\n3\nwide line of text\n\ntail+", 6},   // a tail joins the last line
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
    QCOMPARE(grown.sizeHint().width(), 0);
    grown.setText("1\nwide line of text\n2\n");
    QCOMPARE(grown.sizeHint().width(), grown.fontMetrics().horizontalAdvance("wide line of text"));

    struct Add {
        QString line;
        bool atBottom;
        QString text;
    };
    const Add adds[] = {
        {"2", true, "2\n"},
        {"", true, "2\n\n"},
        {"wide line of text", false, "wide line of text\n2\n\n"},
        {"a\nb", true, "wide line of text\n2\n\na\nb\n"},  // a value with a line end makes two lines
        {"0", false, "0\nwide line of text\n2\n\na\nb\n"},
    };
    TableColumnLabel added;
    for (const Add& a : adds) {
        added.AddLine(a.line, a.atBottom);
        QCOMPARE(added.text(), a.text);
        TableColumnLabel fresh;
        fresh.setText(a.text);
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
    // Lines 0 and 1 empty, line 2 "WWWW", line 3 empty, line 4 "WWWW": ink only in rows 2 and 4,
    // whether the text was set at once or grown at both ends.
    TableColumnLabel set;
    set.setText("\n\nWWWW\n\nWWWW\n");
    TableColumnLabel grown;
    for (const auto& [line, atBottom] : {std::pair{"", true}, {"WWWW", false}, {"WWWW", true}, {"", false}, {"", false}})
        grown.AddLine(line, atBottom);
    QCOMPARE(grown.text(), set.text());
    grown.resize(set.sizeHint());
    QCOMPARE(grown.grab().toImage(), set.grab().toImage());
    for (TableColumnLabel* label : {&set, &grown}) {
        label->resize(label->sizeHint());
        const QImage image = label->grab().toImage();
        const int step = label->fontMetrics().lineSpacing();
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
}

void TestTablesWindows::meteoTableShowsTheFirst102RowsAndTheJumpList()
{
    Rig<TLocsWND> rig;
    FillMeteo(rig.store, 250);
    rig.Prepare(0);

    QCOMPARE(rig.window.windowTitle(), QStringLiteral("Records in terminal"));
    auto* jump = rig.Find<QComboBox>("LoadFromCB");
    QCOMPARE(Items(jump), (QStringList{"1", "100", "200"}));
    QCOMPARE(jump->currentIndex(), 0);
    QCOMPARE(rig.Column("IdLB"), Numbers(1, 102));
    QCOMPARE(rig.Column("TlakLB"), Numbers(1001, 1102));
    for (const char* column : {"CasLB", "TemperLB", "HumidityLB", "AccuLB"})
        QCOMPARE(rig.Column(column).size(), 102);
    QCOMPARE(rig.window.ShownFirst(), 0);
    QCOMPARE(rig.window.ShownNext(), 102);

    // A second preparation starts afresh (no rows left over from the first).
    rig.store.ClearAll();
    FillMeteo(rig.store, 3);
    rig.Prepare(0);
    QCOMPARE(rig.Column("IdLB"), Numbers(1, 3));
    QCOMPARE(Items(jump), QStringList{"1"});
}

void TestTablesWindows::findKeepsTheJumpListAndTheTableGrowsUpwardsOneRowPerTick()
{
    Rig<TLocsWND> rig;
    FillMeteo(rig.store, 250);
    rig.Prepare(0);
    auto* jump = rig.Find<QComboBox>("LoadFromCB");
    jump->setCurrentIndex(2);
    rig.Find<QPushButton>("SkocitBT")->click();
    Settle();

    QCOMPARE(rig.Column("IdLB"), Numbers(200, 250));
    QCOMPARE(rig.Column("TlakLB"), Numbers(1200, 1250));
    QCOMPARE(Items(jump), (QStringList{"1", "100", "200"}));
    QCOMPARE(jump->currentText(), QStringLiteral("200"));
    QCOMPARE(rig.window.ShownFirst(), 199);
    QCOMPARE(rig.window.ShownNext(), 250);

    // At the top: one row per tick, and the view moves down by 10 pixels.
    QScrollBar* bar = rig.Bar();
    QVERIFY(bar->maximum() > 100);
    QCOMPARE(bar->value(), 0);
    rig.Tick();
    QCOMPARE(rig.Column("IdLB").mid(0, 3), (QStringList{"199", "200", "201"}));
    QCOMPARE(rig.Column("TlakLB").first(), QStringLiteral("1199"));
    QCOMPARE(bar->value(), 10);
    // Off the top and below 95 %: nothing grows.
    rig.Tick();
    QCOMPARE(rig.Column("IdLB").size(), 52);
    bar->setValue(0);
    rig.Tick();
    bar->setValue(0);
    rig.Tick();
    QCOMPARE(rig.Column("IdLB"), Numbers(197, 250));
    for (const char* column : {"CasLB", "TlakLB", "TemperLB", "HumidityLB", "AccuLB"})
        QCOMPARE(rig.Column(column).size(), 54);
    QCOMPARE(rig.window.ShownFirst(), 196);
}

void TestTablesWindows::tableGrowsAtTheBottomOnlyPast95Percent()
{
    Rig<TLocsWND> rig;
    FillMeteo(rig.store, 104);
    rig.Prepare(0);
    QScrollBar* bar = rig.Bar();
    QVERIFY(bar->maximum() > 100);
    bar->setValue(bar->maximum() * 95 / 100 + (bar->maximum() * 95 % 100 != 0));  // 95 % exactly or just above
    QCOMPARE(bar->value() * 100 / bar->maximum(), 95);
    rig.Tick();
    QCOMPARE(rig.window.ShownNext(), 102);

    for (int expected : {103, 104, 104}) {
        bar->setValue(bar->maximum());
        rig.Tick();
        QCOMPARE(rig.window.ShownNext(), expected);
    }
    QCOMPARE(rig.Column("IdLB"), Numbers(1, 104));
    QCOMPARE(rig.Column("AccuLB").size(), 104);
    // The first record already shows: nothing to add at the top either.
    bar->setValue(0);
    rig.Tick();
    QCOMPARE(rig.Column("IdLB").size(), 104);
}

void TestTablesWindows::meteoLineTexts()
{
    Rig<TLocsWND> rig;
    AddMeteo(rig.store, kFeb1, 1013, 2932, 456, 1234);
    AddMeteo(rig.store, 0, 0, 2632, 1000, 5);
    AddMeteo(rig.store, 3155759999u, 65535, 0, 0, 65535);
    rig.Prepare(0);

    QCOMPARE(rig.Column("IdLB"), (QStringList{"1", "2", "3"}));
    QCOMPARE(rig.Column("CasLB"), (QStringList{"01.02.2000 13:45", "01.01.2000 00:00", "31.12.2099 23:59"}));
    QCOMPARE(rig.Column("TlakLB"), (QStringList{"1013", "0", "65535"}));
    QCOMPARE(rig.Column("TemperLB"), (QStringList{"20.0", "-10.0", "-273.2"}));
    QCOMPARE(rig.Column("HumidityLB"), (QStringList{"45.6", "100.0", "0.0"}));
    QCOMPARE(rig.Column("AccuLB"), (QStringList{"12.34", "0.05", "655.35"}));
}

void TestTablesWindows::diagnosticLinesStayAlignedWithEmptyMeanings()
{
    Rig<TDiasWND> rig;
    AddEvent(rig.store, 3, 0xF9);
    AddEvent(rig.store, 3, 0x05);
    AddEvent(rig.store, 0, 15);
    AddEvent(rig.store, 0, 9);
    AddEvent(rig.store, 16, 0xFF);
    rig.Prepare(0);

    QCOMPARE(rig.window.windowTitle(), QStringLiteral("Diagnostic"));
    QCOMPARE(rig.Column("IdLB"), Numbers(1, 5));
    QCOMPARE(rig.Column("MeshLB"), (QStringList{"3", "3", "Term", "Term", "16"}));
    QCOMPARE(rig.Column("OutputLB"), (QStringList{"F9", "05", "0F", "09", "FF"}));
    QCOMPARE(rig.Find<QLabel>("MeaningLB")->text(),
             QStringLiteral("probe: Bad data structure\nanswer error: 0x05\nstart of data acquisition\n\n"
                            "master IQRF timeout\n"));
    QCOMPARE(rig.Column("CasLB").size(), 5);
    QVERIFY(rig.Column("CasLB").first().startsWith("01.01.2000 "));

    // Every column is as tall as the others, and its lines share one top.
    const int top = rig.Find<QLabel>("IdLB")->y();
    const int height = rig.Find<QLabel>("IdLB")->height();
    QCOMPARE(height, 5 * rig.Find<QLabel>("IdLB")->fontMetrics().lineSpacing());
    for (const char* column : {"CasLB", "MeshLB", "OutputLB", "MeaningLB"}) {
        QCOMPARE(rig.Find<QLabel>(column)->y(), top);
        QCOMPARE(rig.Find<QLabel>(column)->height(), height);
    }
}

void TestTablesWindows::diagnosticsJumpFromTheListAndClose()
{
    Rig<TDiasWND> rig;
    for (int i = 0; i < 101; ++i)
        AddEvent(rig.store, 1 + i % 16, 0xF8);
    rig.Prepare(0);
    auto* jump = rig.Find<QComboBox>("LoadFromCB");
    QCOMPARE(Items(jump), (QStringList{"1", "100"}));
    QCOMPARE(rig.Column("IdLB"), Numbers(1, 101));

    // Choosing in the list jumps at once.
    jump->setCurrentIndex(1);
    emit jump->activated(1);
    Settle();
    QCOMPARE(rig.Column("IdLB"), (QStringList{"100", "101"}));
    QCOMPARE(rig.Column("MeaningLB"), (QStringList{"state: OK", "state: OK"}));
    QCOMPARE(Items(jump), (QStringList{"1", "100"}));
    // With exactly 100 events there is no record after 100 to jump to.
    rig.store.ClearAll();
    for (int i = 0; i < 100; ++i)
        AddEvent(rig.store, 0, 12);
    rig.Prepare(0);
    QCOMPARE(Items(jump), QStringList{"1"});
    QCOMPARE(rig.Column("MeaningLB").first(), QStringLiteral("alarm off"));

    // The timer runs while the window shows; "Close" hides it with OK and stops the timer.
    QTimer* timer = rig.window.AutoUpdateTMR();
    QCOMPARE(timer->interval(), 100);
    rig.window.hide();
    rig.window.show();
    QVERIFY(timer->isActive());
    auto* close = rig.Find<QPushButton>("Button1");
    QCOMPARE(close->text(), QStringLiteral("Close"));
    close->click();
    QCOMPARE(rig.window.result(), int(QDialog::Accepted));
    QVERIFY(rig.window.isHidden());
    QVERIFY(!timer->isActive());
}

void TestTablesWindows::titlesSitAboveTheirColumns()
{
    Rig<TLocsWND> rig;
    FillMeteo(rig.store, 250);
    rig.Prepare(0);
    const char* columns[] = {"IdLB", "CasLB", "TlakLB", "TemperLB", "HumidityLB", "AccuLB"};
    const char* titles[] = {"IdTitleLB", "CasTitleLB", "TlakTitleLB", "TemperTitleLB", "HumidityTitleLB",
                            "AccuTitleLB"};
    const QString texts[] = {"", "time", "pressure\n[hPa]", "temperature\n[°C]", "humidity\n[%]", "accu\n[V]"};
    QCOMPARE(rig.Find<QWidget>("GroupBox1")->property("title").toString(), QStringLiteral(" Records "));
    QCOMPARE(rig.Find<QLabel>("LoadFromLB")->text(), QStringLiteral("Find record No:"));
    QCOMPARE(rig.Find<QPushButton>("SkocitBT")->text(), QStringLiteral("Find"));
    for (int i = 0; i < 6; ++i) {
        const auto* column = rig.Find<QLabel>(columns[i]);
        const auto* title = rig.Find<QLabel>(titles[i]);
        QCOMPARE(title->text(), texts[i]);
        QCOMPARE(title->mapToGlobal(QPoint(0, 0)).x(), column->mapToGlobal(QPoint(0, 0)).x());
        QCOMPARE(title->width(), column->width());
        QVERIFY(column->width() >= column->sizeHint().width());
        QVERIFY(title->width() >= title->sizeHint().width());
    }
    // However narrow the window is made, every column stays clear of the scroll bar.
    rig.window.resize(100, 520);
    Settle();
    const auto* box = rig.Find<QScrollArea>("ScrollBox1");
    QVERIFY(box->verticalScrollBar()->isVisible());
    const auto* last = rig.Find<QLabel>("AccuLB");
    QVERIFY(last->mapTo(box->viewport(), QPoint(last->width(), 0)).x() <= box->viewport()->width());
}

void TestTablesWindows::tablesStayQuickWith30000Records()
{
    // The table grown row by row to all 30 000 records, at the bottom and at the top, still takes
    // a fraction of the 100 ms tick to grow by a row, to lay out and to repaint. To keep the test
    // short, layout and painting wait until the table is grown; the last 100 ticks of each end run
    // as in the program. The figures go to the test log.
    constexpr int kRecords = 30000;
    constexpr int kTimed = 100;
    Rig<TLocsWND> rig;
    FillMeteo(rig.store, kRecords);
    QScrollBar* bar = rig.Bar();

    QElapsedTimer clock;
    clock.start();
    rig.Prepare(0);
    const double prepareMs = clock.nsecsElapsed() / 1e6;

    clock.restart();
    while (rig.window.ShownNext() < kRecords - kTimed) {
        bar->setValue(bar->maximum());
        rig.window.AutoUpdateTMRTimer();
    }
    Settle();
    const double bottomGrowMs = clock.nsecsElapsed() / 1e6;
    const TickTimes bottom = TimeTicks(rig, kTimed, [bar] { bar->setValue(bar->maximum()); });
    QCOMPARE(rig.window.ShownNext(), kRecords);
    QCOMPARE(rig.Column("IdLB"), Numbers(1, kRecords));
    QCOMPARE(rig.Column("AccuLB").size(), kRecords);

    clock.restart();
    bar->setValue(bar->maximum() / 2);
    rig.window.repaint();
    const double scrollMs = clock.nsecsElapsed() / 1e6;

    // The top end: from the last record upwards.
    rig.Prepare(kRecords);
    clock.restart();
    while (rig.window.ShownFirst() > kTimed) {
        bar->setValue(0);
        rig.window.AutoUpdateTMRTimer();
    }
    Settle();
    const double topGrowMs = clock.nsecsElapsed() / 1e6;
    const TickTimes top = TimeTicks(rig, kTimed, [bar] { bar->setValue(0); });
    QCOMPARE(rig.window.ShownFirst(), 0);
    QCOMPARE(rig.Column("IdLB"), Numbers(1, kRecords));

    qInfo("30000 meteo records: PrepareFromData %.1f ms; bottom end: %d ticks without layout %.0f ms, then "
          "ticks with layout and painting mean %.2f ms (CPU %.2f ms), slowest %.1f ms; scroll to the middle and "
          "repaint %.1f ms; top end: %d ticks without layout %.0f ms, then mean %.2f ms (CPU %.2f ms), "
          "slowest %.1f ms",
          prepareMs, kRecords - 102 - kTimed, bottomGrowMs, bottom.meanMs, bottom.cpuMeanMs, bottom.slowestMs,
          scrollMs, kRecords - 1 - kTimed, topGrowMs, top.meanMs, top.cpuMeanMs, top.slowestMs);
    QVERIFY(prepareMs < 1000);
    QVERIFY(bottom.meanMs < 100);
    QVERIFY(top.meanMs < 100);
    QVERIFY(scrollMs < 100);
}

QTEST_MAIN(TestTablesWindows)
#include "test_tables_windows.moc"
