// The spectra window against the in-memory simulated terminal: both faces, the buffer lists,
// the reading's warnings, the data columns, the graph and Save in block and time mode.
#include "TRadonSpectWND.h"
#include "WindowRig.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

struct Fixture : StoreWindowRig<TRadonSpectWND, TDataStore> {
    using StoreWindowRig::StoreWindowRig;
    void Read(const QString& first, const QString& last)
    {
        ReadRange("SpectRecordStartCB", &TRadonSpectWND::SpectRecordStartCBChange, "SpectRecordStopCB",
                  &TRadonSpectWND::LoadSpectBTClick, first, last);
    }
    void RunTimer() { StoreWindowRig::RunTimer(window->SpectrumTimer(), &TRadonSpectWND::SpectrumTimerTimer); }
    QString FirstChannel() const { return Lines(*Label("Data1LB")).value(0); }
};

// Stores two spectra of probe 1 (channel k counts k, and k + 100 in the older; channel 96
// counts 7 and 8), dated by the radon records before them: 10:00 (newest), 09:00.
void FillStore(TDataStore& store)
{
    const uint32_t t0 = 794'916'000;  // 10.03.2025 10:00 on the terminal's clock
    for (int i = 0; i < 2; ++i) {
        RadonRecord r{};
        WriteU32BE(std::span<uint8_t, 4>(r.data() + 1, 4), t0 - 3600u * static_cast<uint32_t>(i));
        QCOMPARE(store.AddRadonRecord(r, false), kStoreDone);
        std::array<uint8_t, kSpectrumMemorySize> s{};
        for (int k = 1; k <= 96; ++k)
            s[static_cast<std::size_t>(k)] = static_cast<uint8_t>(k + i * 100);
        s[96] = static_cast<uint8_t>(7 + i);
        QCOMPARE(store.AddSpectrum(s, false), kStoreDone);
    }
}

}  // namespace

class TestSpectraWindow : public QObject {
    Q_OBJECT
private slots:
    void probeFaceListsProbesAndBuffers();
    void readingShowsTheBuffersAndWarns();
    void notAvailableAndFailedReadings();
    void dataFaceShowsTheStoredSpectra();
    void graphScaleAndBars();
    void saveInBlockAndTimeMode();
};

void TestSpectraWindow::probeFaceListsProbesAndBuffers()
{
    Fixture none(WithoutProbes());
    none.OpenProbeFace();
    QCOMPARE(none.Last(), QStringLiteral("Message|No radon probrs bonded."));

    Fixture f(ProbeRings(100, 20));
    f.OpenProbeFace();
    const QStringList buffers = Items(*f.Combo("SpectRecordStartCB"));
    QCOMPARE(buffers.size(), 53);
    QCOMPARE(buffers.mid(0, 3) + buffers.mid(50), (QStringList{"1", "10", "20", "500", "510", "512"}));
    QCOMPARE(Items(*f.Combo("SpectRecordStopCB")), buffers);
    f.Pick("SpectRecordStartCB", "502", &TRadonSpectWND::SpectRecordStartCBChange);
    QCOMPARE(Items(*f.Combo("SpectRecordStopCB")), (QStringList{"502", "512"}));
    f.Pick("SpectRecordStartCB", "1", &TRadonSpectWND::SpectRecordStartCBChange);
    QCOMPARE(Items(*f.Combo("SpectRecordStopCB")).mid(0, 3), (QStringList{"1", "11", "21"}));
}

void TestSpectraWindow::readingShowsTheBuffersAndWarns()
{
    Fixture f(ProbeRings(100, 4, true));  // S = 4: five buffers
    f.OpenProbeFace();
    f.sim.dialogs.answers = {MessageResult::Ok};
    f.Read("1", "10");
    QCOMPARE(f.Last(), QStringLiteral("Warning|Data acqusition must be stopped! Continue?"));
    f.sim.line.AdvanceMs(200);
    f.window->SpectrumTimerTimer();
    QCOMPARE(f.Text("TextLB"), QStringLiteral("Waiting for data acquisition stop.."));
    f.RunTimer();

    QCOMPARE(f.Text("TextLB"), QStringLiteral("Finished..."));
    QVERIFY(f.Button("SaveSpectBT")->isEnabled());
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{2});
    QCOMPARE(f.Last(), QStringLiteral("Warning|Memory contains less records then requested."));
    QCOMPARE(Items(*f.Combo("ChooseRecordCB")), (QStringList{"1", "2", "3", "4", "5"}));

    // The first buffer is shown: three columns of 32 channels, and the graph buffer.
    SpectrumChannels newest{};
    QCOMPARE(f.store.GetSpectrumChannels(0, 0, newest), kStoreDone);
    QVERIFY(f.window->GraphBuffer() == newest);
    QCOMPARE(Lines(*f.Label("Data3LB")).size(), 32);
    QCOMPARE(f.FirstChannel(), QStringLiteral("[01]: %1").arg(newest[0]));
    QCOMPARE(Lines(*f.Label("Data2LB")).first(), QStringLiteral("[33]: %1").arg(newest[32]));
    QCOMPARE(Lines(*f.Label("Data3LB")).last(), QStringLiteral("[96]: %1").arg(newest[95]));

    // Choosing buffer 3 shows store index 2; Close clears the graph buffer.
    SpectrumChannels third{};
    QCOMPARE(f.store.GetSpectrumChannels(0, 2, third), kStoreDone);
    f.Combo("ChooseRecordCB")->setCurrentIndex(2);
    f.window->ChooseRecordCBChange();
    QVERIFY(f.window->GraphBuffer() == third);
    f.window->Button1Click();
    QVERIFY(f.window->GraphBuffer() == SpectrumChannels{});
}

void TestSpectraWindow::notAvailableAndFailedReadings()
{
    Fixture f(ProbeRings(100, 2));  // S = 2
    f.OpenProbeFace();
    f.Read("5", "8");
    f.RunTimer();
    QCOMPARE(f.sim.dialogs.shown.size(), std::size_t{1});  // no "No data to display!"
    QCOMPARE(f.Last(), QStringLiteral("Warning|Requested records not available yet."));
    f.Read("8", "5");
    QCOMPARE(f.Last(), QStringLiteral("Error!|Wrong range of records to be read!"));

    Scenario s = ProbeRings(100, 20);
    s.faults.answerFaults.push_back({AnswerFaultKind::Busy, 1, 0xB4, -1});
    Fixture busy(s);
    busy.OpenProbeFace();
    busy.Read("1", "2");
    busy.RunTimer();
    QCOMPARE(busy.Text("TextLB"), QStringLiteral("Action failed"));
    QCOMPARE(busy.Last(), QStringLiteral("Error!|Action failed"));
    QVERIFY(!busy.Button("SaveSpectBT")->isEnabled());
}

void TestSpectraWindow::dataFaceShowsTheStoredSpectra()
{
    Fixture f(QuietDefaultScenario());
    FillStore(f.store);
    f.window->PrepareFromData(1);
    f.window->show();
    QVERIFY(f.sim.dialogs.shown.empty());
    QCOMPARE(Items(*f.Combo("ChooseRecordCB")), (QStringList{"10.03.2025 10:00", "10.03.2025 09:00"}));
    QCOMPARE(f.FirstChannel(), QStringLiteral("[01]: 1"));
    QCOMPARE(Lines(*f.Label("Data3LB")).last(), QStringLiteral("[96]: 7"));
    f.Combo("ChooseRecordCB")->setCurrentIndex(1);
    f.window->ChooseRecordCBChange();
    QCOMPARE(f.FirstChannel(), QStringLiteral("[01]: 101"));

    // A probe without spectra in the list changes nothing; a selection with nothing behind it.
    f.Combo("MeshAdrEeprCB")->addItems({"1", "2"});
    f.Combo("MeshAdrEeprCB")->setCurrentIndex(1);
    f.window->MeshAdrEeprCBChange();
    QCOMPARE(f.FirstChannel(), QStringLiteral("[01]: 101"));
    f.Combo("ChooseRecordCB")->addItem(QStringLiteral("ghost"));
    f.Combo("ChooseRecordCB")->setCurrentIndex(2);
    f.window->ChooseRecordCBChange();
    QCOMPARE(f.Last(), QStringLiteral("Error!|No data to display!"));

    // Back to the probe face: the data face's list and columns go.
    f.window->hide();
    f.window->PrepareFromDetector();
    QCOMPARE(f.Combo("ChooseRecordCB")->count(), 0);
    QVERIFY(f.Text("Data1LB").isEmpty());
}

void TestSpectraWindow::graphScaleAndBars()
{
    SpectrumChannels counts{};
    counts[0] = 7;
    QCOMPARE(GraphScale(counts), 20);
    counts[50] = 20;
    QCOMPARE(GraphScale(counts), 21);
    counts[95] = 255;
    QCOMPARE(GraphScale(counts), 256);

    // Rectangle 483 x 323: bars stand on y = 319, heights trunc(319 / scale * count); the
    // axes are two pixels wide.
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), blue = qRgb(0, 0, 255);
    QImage image(483, 323, QImage::Format_RGB32);
    SpectrumChannels full{};
    full[0] = 7;
    full[95] = 255;  // scale 256: h = trunc(317.75) = 317; x = trunc(95 * 479 / 96 + 3) = 477
    QPainter painter(&image);
    DrawSpectrumGraph(painter, 0, 0, 482, 322, full);
    painter.end();
    QCOMPARE(image.pixel(477, 2), blue);
    QCOMPARE(image.pixel(480, 318), blue);
    QCOMPARE(image.pixel(477, 1), white);
    QCOMPARE(image.pixel(476, 100), white);
    QCOMPARE(image.pixel(481, 100), white);
    QCOMPARE(image.pixel(4, 319 - 8), blue);  // channel 1: h = trunc(8.72) = 8
    QCOMPARE(image.pixel(4, 318 - 8), white);
    QCOMPARE(image.pixel(1, 10), black);
    QCOMPARE(image.pixel(2, 10), white);
    QCOMPARE(image.pixel(200, 320), black);
    QCOMPARE(image.pixel(200, 322), white);

    // The window paints its graph panel with the buffer shown: channel 95 counts 95, scale 96.
    Fixture f(QuietDefaultScenario());
    FillStore(f.store);
    f.window->PrepareFromData(1);
    QWidget* panel = f.Find<QWidget>("GrafPN");
    panel->setFixedSize(483, 323);
    const QImage painted = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int x95 = int(94 * 479.0 / 96 + 3);
    const int h95 = int(319.0 / 96 * 95);
    QCOMPARE(painted.pixel(x95 + 1, 319 - h95), blue);
    QCOMPARE(painted.pixel(x95 + 1, 318 - h95), white);
}

void TestSpectraWindow::saveInBlockAndTimeMode()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SPC_1.tab"));
    Fixture f(ProbeRings(100, 20));
    f.OpenProbeFace();
    f.Read("3", "4");
    f.RunTimer();
    QCOMPARE(Items(*f.Combo("ChooseRecordCB")), (QStringList{"3", "4"}));
    f.sim.dialogs.saveAnswers = {path};
    f.window->SaveSpectBTClick();
    QCOMPARE(f.Last(), QStringLiteral("Message|Finished OK"));
    std::string text = FileText(path);
    QCOMPARE(text.substr(0, 22), std::string("block \\ channel\t1\t2\t3\t"));
    QVERIFY(text.find("\r\n3\t") != std::string::npos && text.find("\r\n4\t") != std::string::npos);

    // The data face saves in time mode; the existing file is overwritten on No.
    Fixture data(QuietDefaultScenario());
    FillStore(data.store);
    data.window->PrepareFromData(1);
    data.sim.dialogs.saveAnswers = {path};
    data.sim.dialogs.answers = {MessageResult::No};
    data.window->SaveSpectBTClick();
    text = FileText(path);
    QCOMPARE(text.substr(0, 18), std::string(" time \\ channel\t1\t"));
    QVERIFY(text.find("\r\n10.03.2025 10:00\t1\t2\t3\t") != std::string::npos);
    QVERIFY(text.find("\r\n10.03.2025 09:00\t101\t102\t") != std::string::npos);
}

QTEST_MAIN(TestSpectraWindow)
#include "test_spectra_window.moc"
