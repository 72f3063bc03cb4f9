// The spectra window against the in-memory simulated terminal: both faces, the buffer lists,
// the reading's warnings, the data columns, the graph and Save in block and time mode.
#include "SimulatedSession.h"
#include "TRadonSpectWND.h"

#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
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

// Probe 1 has closed `spectra` spectrum buffers; the acquisition runs as `running` says.
Scenario ProbeScenario(int spectra, bool running = false)
{
    Scenario s = QuietDefaultScenario();
    s.terminal.acquisitionRunning = running;
    s.elements[0].probe.recordsPrefill = 100;
    s.elements[0].probe.spectraPrefill = spectra;
    return s;
}

struct Fixture {
    explicit Fixture(const Scenario& scenario) : sim(scenario)
    {
        if (!sim.Connect())
            qFatal("the simulated terminal did not answer the handshake");
        window = std::make_unique<TRadonSpectWND>(sim.session, store);
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

    void OpenProbeFace()
    {
        window->PrepareFromDetector();
        window->show();
    }
    void Read(const QString& first, const QString& last)
    {
        Combo("SpectRecordStartCB")->setCurrentText(first);
        window->SpectRecordStartCBChange();
        Combo("SpectRecordStopCB")->setCurrentText(last);
        window->LoadSpectBTClick();
    }
    void RunTimer()
    {
        for (int ticks = 0; window->SpectrumTimer()->isActive() && ticks < 20000; ++ticks) {
            sim.line.AdvanceMs(200);
            window->SpectrumTimerTimer();
        }
    }

    SimulatedSession sim;
    TDataStore store;
    std::unique_ptr<TRadonSpectWND> window;
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

// A spectrum of slot 0 whose channel k (1..96) counts k + `base`, the last one `top`.
std::array<uint8_t, kSpectrumMemorySize> Spectrum(int base, uint8_t top)
{
    std::array<uint8_t, kSpectrumMemorySize> s{};
    for (int k = 1; k <= 96; ++k)
        s[static_cast<std::size_t>(k)] = static_cast<uint8_t>(k + base);
    s[96] = top;
    return s;
}

// Stores two spectra of probe 1, dated by the radon records before them: 10:00 (newest), 09:00.
void FillStore(TDataStore& store)
{
    const uint32_t t0 = 794'916'000;  // 10.03.2025 10:00 on the terminal's clock
    for (int i = 0; i < 2; ++i) {
        RadonRecord r{};
        WriteU32BE(std::span<uint8_t, 4>(r.data() + 1, 4), t0 - 3600u * static_cast<uint32_t>(i));
        QCOMPARE(store.AddRadonRecord(r, false), kStoreDone);
        QCOMPARE(store.AddSpectrum(Spectrum(i * 100, uint8_t(7 + i)), false), kStoreDone);
    }
}

QImage GraphImage(const SpectrumChannels& counts)
{
    QImage image(483, 323, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    DrawSpectrumGraph(painter, 0, 0, 482, 322, counts);
    return image;
}

}  // namespace

class TestSpectraWindow : public QObject {
    Q_OBJECT
private slots:
    void probeFaceListsProbesAndBuffers();
    void noProbeClosesTheWindow();
    void readingShowsTheBuffersAndWarns();
    void notAvailableAndFailedReadings();
    void dataFaceShowsTheStoredSpectra();
    void graphScaleAndBars();
    void saveInBlockAndTimeMode();
};

void TestSpectraWindow::probeFaceListsProbesAndBuffers()
{
    Fixture f(ProbeScenario(20));
    f.OpenProbeFace();
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Spectra"));
    QVERIFY(f.Find<QGroupBox>("StahovaniGB")->isVisible());
    QVERIFY(!f.Find<QGroupBox>("ZahlaviGB")->isVisible());
    QCOMPARE(Items(*f.Combo("MeshAdrCB")), (QStringList{"1", "2", "3"}));
    QVERIFY(!f.Button("SaveSpectBT")->isEnabled());
    const QStringList buffers = Items(*f.Combo("SpectRecordStartCB"));
    QCOMPARE(buffers.size(), 53);
    QCOMPARE(buffers.mid(0, 3), (QStringList{"1", "10", "20"}));
    QCOMPARE(buffers.mid(50), (QStringList{"500", "510", "512"}));
    QCOMPARE(Items(*f.Combo("SpectRecordStopCB")), buffers);

    f.Combo("SpectRecordStartCB")->setCurrentText(QStringLiteral("500"));
    f.window->SpectRecordStartCBChange();
    QCOMPARE(Items(*f.Combo("SpectRecordStopCB")), (QStringList{"500", "510", "512"}));
    f.Combo("SpectRecordStartCB")->setCurrentText(QStringLiteral("502"));
    f.window->SpectRecordStartCBChange();
    QCOMPARE(Items(*f.Combo("SpectRecordStopCB")), (QStringList{"502", "512"}));
    f.Combo("SpectRecordStartCB")->setCurrentText(QStringLiteral("1"));
    f.window->SpectRecordStartCBChange();
    QCOMPARE(Items(*f.Combo("SpectRecordStopCB")).mid(0, 3), (QStringList{"1", "11", "21"}));
}

void TestSpectraWindow::noProbeClosesTheWindow()
{
    Scenario s = QuietDefaultScenario();
    std::erase_if(s.elements, [](const ElementSetup& e) { return e.type == ElementType::Probe; });
    Fixture f(s);
    f.OpenProbeFace();
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{1});
    VerifyMessage(f.sim.dialogs.shown[0], "Message", "No radon probrs bonded.", MessageButtons::Ok,
                  MessageIcon::Information);
    QVERIFY(f.window->CancelTMR()->isActive());
}

void TestSpectraWindow::readingShowsTheBuffersAndWarns()
{
    Fixture f(ProbeScenario(4, true));  // S = 4: five buffers
    f.sim.session.model.AcquisitionRunning = true;
    f.OpenProbeFace();
    f.sim.dialogs.answers = {MessageResult::Ok};
    f.Read(QStringLiteral("1"), QStringLiteral("10"));
    VerifyMessage(f.sim.dialogs.shown.at(0), "Warning", "Data acqusition must be stopped! Continue?",
                  MessageButtons::OkCancel, MessageIcon::Exclamation);
    QCOMPARE(f.Button("LoadSpectBT")->text(), QStringLiteral("Stop"));
    f.sim.line.AdvanceMs(200);
    f.window->SpectrumTimerTimer();
    QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Waiting for data acquisition stop.."));
    f.RunTimer();

    QVERIFY(!f.sim.session.model.AcquisitionRunning);
    QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Finished..."));
    QCOMPARE(f.Button("LoadSpectBT")->text(), QStringLiteral("Read"));
    QVERIFY(f.Button("SaveSpectBT")->isEnabled());
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{2});
    VerifyMessage(f.sim.dialogs.shown[1], "Warning", "Memory contains less records then requested.",
                  MessageButtons::Ok, MessageIcon::Exclamation);
    QCOMPARE(Items(*f.Combo("ChooseRecordCB")), (QStringList{"1", "2", "3", "4", "5"}));
    QCOMPARE(f.Combo("ChooseRecordCB")->currentIndex(), 0);

    // The first buffer is shown: three columns of 32 channels, and the graph buffer.
    SpectrumChannels newest{};
    QCOMPARE(f.store.GetSpectrumChannels(0, 0, newest), kStoreDone);
    QVERIFY(f.window->GraphBuffer() == newest);
    const QStringList c1 = Lines(*f.Label("Data1LB"));
    const QStringList c3 = Lines(*f.Label("Data3LB"));
    QCOMPARE(c1.size(), 32);
    QCOMPARE(c3.size(), 32);
    QCOMPARE(c1.first(), QStringLiteral("[01]: %1").arg(newest[0]));
    QCOMPARE(Lines(*f.Label("Data2LB")).first(), QStringLiteral("[33]: %1").arg(newest[32]));
    QCOMPARE(c3.last(), QStringLiteral("[96]: %1").arg(newest[95]));

    // Choosing buffer 3 shows store index 2.
    SpectrumChannels third{};
    QCOMPARE(f.store.GetSpectrumChannels(0, 2, third), kStoreDone);
    f.Combo("ChooseRecordCB")->setCurrentIndex(2);
    f.window->ChooseRecordCBChange();
    QVERIFY(f.window->GraphBuffer() == third);
    QCOMPARE(Lines(*f.Label("Data1LB")).at(9), QStringLiteral("[10]: %1").arg(third[9]));

    // Close clears the graph buffer.
    f.window->Button1Click();
    QVERIFY(f.window->GraphBuffer() == SpectrumChannels{});
}

void TestSpectraWindow::notAvailableAndFailedReadings()
{
    {
        Fixture f(ProbeScenario(2));  // S = 2
        f.OpenProbeFace();
        f.Read(QStringLiteral("5"), QStringLiteral("8"));
        f.RunTimer();
        QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Finished..."));
        QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{1});  // no "No data to display!"
        VerifyMessage(f.sim.dialogs.shown[0], "Warning", "Requested records not available yet.", MessageButtons::Ok,
                      MessageIcon::Exclamation);
        QCOMPARE(f.Combo("ChooseRecordCB")->count(), 0);

        f.Read(QStringLiteral("8"), QStringLiteral("5"));
        VerifyMessage(f.sim.dialogs.shown.back(), "Error!", "Wrong range of records to be read!", MessageButtons::Ok,
                      MessageIcon::Exclamation);
        QVERIFY(!f.window->SpectrumTimer()->isActive());
    }
    {
        Scenario s = ProbeScenario(20);
        s.faults.answerFaults.push_back({AnswerFaultKind::Busy, 1, 0xB4, -1});
        Fixture f(s);
        f.OpenProbeFace();
        f.Read(QStringLiteral("1"), QStringLiteral("2"));
        f.RunTimer();
        QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Action failed"));
        QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{1});
        VerifyMessage(f.sim.dialogs.shown[0], "Error!", "Action failed", MessageButtons::Ok, MessageIcon::Error);
        QCOMPARE(f.Combo("ChooseRecordCB")->count(), 0);
        QVERIFY(!f.Button("SaveSpectBT")->isEnabled());
    }
    {
        Fixture f(ProbeScenario(20));
        f.OpenProbeFace();
        f.Read(QStringLiteral("1"), QStringLiteral("2"));
        for (int i = 0; i < 6; ++i)
            f.window->SpectrumTimerTimer();
        f.window->LoadSpectBTClick();  // Stop
        QCOMPARE(f.Label("TextLB")->text(), QStringLiteral("Reading interrupted..."));
        QCOMPARE(f.Button("LoadSpectBT")->text(), QStringLiteral("Read"));
        QVERIFY(!f.window->SpectrumTimer()->isActive());
        QVERIFY(f.sim.dialogs.shown.empty());
    }
}

void TestSpectraWindow::dataFaceShowsTheStoredSpectra()
{
    Fixture f(QuietDefaultScenario());
    FillStore(f.store);
    f.window->PrepareFromData(1);
    f.window->show();
    QVERIFY(f.window->FromData());
    QVERIFY(!f.Find<QGroupBox>("StahovaniGB")->isVisible());
    QVERIFY(f.Find<QGroupBox>("ZahlaviGB")->isVisible());
    QVERIFY(f.sim.dialogs.shown.empty());
    QCOMPARE(Items(*f.Combo("ChooseRecordCB")), (QStringList{"10.03.2025 10:00", "10.03.2025 09:00"}));
    QVERIFY(f.Button("SaveSpectBT")->isEnabled());
    QCOMPARE(Lines(*f.Label("Data1LB")).first(), QStringLiteral("[01]: 1"));
    QCOMPARE(Lines(*f.Label("Data3LB")).last(), QStringLiteral("[96]: 7"));
    f.Combo("ChooseRecordCB")->setCurrentIndex(1);
    f.window->ChooseRecordCBChange();
    QCOMPARE(Lines(*f.Label("Data1LB")).first(), QStringLiteral("[01]: 101"));

    // A probe without spectra in the list: nothing changes.
    f.Combo("MeshAdrEeprCB")->addItems({"1", "2"});
    f.Combo("MeshAdrEeprCB")->setCurrentIndex(1);
    f.window->MeshAdrEeprCBChange();
    QCOMPARE(Lines(*f.Label("Data1LB")).first(), QStringLiteral("[01]: 101"));
    f.Combo("MeshAdrEeprCB")->setCurrentIndex(0);
    f.window->MeshAdrEeprCBChange();
    QCOMPARE(Lines(*f.Label("Data1LB")).first(), QStringLiteral("[01]: 1"));

    // A selection with nothing behind it.
    f.Combo("ChooseRecordCB")->addItem(QStringLiteral("ghost"));
    f.Combo("ChooseRecordCB")->setCurrentIndex(2);
    f.window->ChooseRecordCBChange();
    VerifyMessage(f.sim.dialogs.shown.back(), "Error!", "No data to display!", MessageButtons::Ok, MessageIcon::Error);

    // Back to the probe face: the data face's list and columns go.
    f.window->hide();
    f.window->PrepareFromDetector();
    QCOMPARE(f.Combo("ChooseRecordCB")->count(), 0);
    QVERIFY(f.Label("Data1LB")->text().isEmpty());
    QVERIFY(!f.Button("SaveSpectBT")->isEnabled());
}

void TestSpectraWindow::graphScaleAndBars()
{
    SpectrumChannels counts{};
    counts[0] = 7;
    QCOMPARE(GraphScale(counts), 20);
    counts[50] = 19;
    QCOMPARE(GraphScale(counts), 20);
    counts[50] = 20;
    QCOMPARE(GraphScale(counts), 21);
    counts[95] = 255;
    QCOMPARE(GraphScale(counts), 256);

    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), blue = qRgb(0, 0, 255);
    // Rectangle 483 x 323: bars stand on y = 319, heights trunc(319 / scale * count).
    SpectrumChannels one{};
    one[0] = 7;  // scale 20: h = trunc(111.65) = 111, from y = 208, x = 3..6
    QImage image = GraphImage(one);
    QCOMPARE(image.pixel(4, 208), blue);
    QCOMPARE(image.pixel(6, 318), blue);
    QCOMPARE(image.pixel(4, 207), white);
    QCOMPARE(image.pixel(7, 300), white);
    QCOMPARE(image.pixel(4, 319), white);
    QCOMPARE(image.pixel(1, 10), black);   // vertical axis, 2 pixels wide
    QCOMPARE(image.pixel(2, 10), white);
    QCOMPARE(image.pixel(200, 320), black);  // horizontal axis, 2 pixels high
    QCOMPARE(image.pixel(200, 322), white);
    QCOMPARE(image.pixel(482, 0), white);    // the rectangle's corners are included

    SpectrumChannels full{};
    full[95] = 255;  // scale 256: h = trunc(317.75) = 317; x = trunc(95 * 479 / 96 + 3) = 477
    image = GraphImage(full);
    QCOMPARE(image.pixel(477, 2), blue);
    QCOMPARE(image.pixel(480, 318), blue);
    QCOMPARE(image.pixel(477, 1), white);
    QCOMPARE(image.pixel(476, 100), white);
    QCOMPARE(image.pixel(481, 100), white);

    // The window paints its graph panel with the buffer shown.
    Fixture f(QuietDefaultScenario());
    FillStore(f.store);
    f.window->PrepareFromData(1);
    QWidget* panel = f.Find<QWidget>("GrafPN");
    panel->setFixedSize(483, 323);
    const QImage painted = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(painted.size(), QSize(483, 323));
    // Channel 96 counts 7 in the newest spectrum, channel 95 counts 95: scale 96.
    const int x95 = int(94 * 479.0 / 96 + 3);
    const int h95 = int(319.0 / 96 * 95);
    QCOMPARE(painted.pixel(x95 + 1, 319 - h95), blue);
    QCOMPARE(painted.pixel(x95 + 1, 318 - h95), white);
}

void TestSpectraWindow::saveInBlockAndTimeMode()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SPC_1.tab"));
    {
        Fixture f(ProbeScenario(20));
        f.OpenProbeFace();
        f.Read(QStringLiteral("3"), QStringLiteral("4"));
        f.RunTimer();
        QCOMPARE(Items(*f.Combo("ChooseRecordCB")), (QStringList{"3", "4"}));
        f.sim.dialogs.saveAnswers = {path};
        f.window->SaveSpectBTClick();
        QCOMPARE(f.sim.dialogs.saveFilters.back(), QStringLiteral("*.tab|tab"));
        VerifyMessage(f.sim.dialogs.shown.back(), "Message", "Finished OK", MessageButtons::Ok,
                      MessageIcon::Information);
        const std::string text = FileText(path);
        QCOMPARE(text.substr(0, 22), std::string("block \\ channel\t1\t2\t3\t"));
        QVERIFY(text.find("\r\n3\t") != std::string::npos);
        QVERIFY(text.find("\r\n4\t") != std::string::npos);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 3L);
    }
    {
        // The data face saves in time mode; the existing file is overwritten on No.
        Fixture f(QuietDefaultScenario());
        FillStore(f.store);
        f.window->PrepareFromData(1);
        f.sim.dialogs.saveAnswers = {path};
        f.sim.dialogs.answers = {MessageResult::No};
        f.window->SaveSpectBTClick();
        QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{2});
        QCOMPARE(f.sim.dialogs.shown[0].caption, QStringLiteral("Query"));
        QVERIFY(f.sim.dialogs.shown[0].text.startsWith(QStringLiteral("File exists.\nDo you want to keep old data?")));
        const std::string text = FileText(path);
        QCOMPARE(text.substr(0, 18), std::string(" time \\ channel\t1\t"));
        QVERIFY(text.find("\r\n10.03.2025 10:00\t1\t2\t3\t") != std::string::npos);
        QVERIFY(text.find("\r\n10.03.2025 09:00\t101\t102\t") != std::string::npos);
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 3L);
    }
}

QTEST_MAIN(TestSpectraWindow)
#include "test_spectra_window.moc"
