// The main window against the in-memory simulated terminal: the polling loop is driven by
// calling Timer1Timer directly, dialogs are answered by the script.

#include "TMainWND.h"

#include "AcquisitionStop.h"
#include "SimulatedSession.h"
#include "TAboutWND.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using namespace kolmaris;
using kolmaris::testing::SimulatedSession;

namespace {

using Payload = std::vector<uint8_t>;

// A main window with its About window on a simulated terminal at COM 1.
struct Rig {
    explicit Rig(const Scenario& scenario = DefaultScenario()) : sim(scenario)
    {
        sim.session.configPath = std::filesystem::path(dir.path().toStdString()) / "Kolmaris_V2.cfg";
        window = std::make_unique<TMainWND>(sim.session);
        about = new TAboutWND(sim.session, window.get());
        window->SetToolWindows({nullptr, about, nullptr});
    }

    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            window->Timer1Timer();
    }
    template <typename T>
    T* Find(const char* name) const
    {
        T* widget = window->findChild<T*>(name);
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    QString Text(const char* label) const { return Find<QLabel>(label)->text(); }
    bool Shown(const char* name) const { return !Find<QWidget>(name)->isHidden(); }
    QLabel* FwVerLB() const { return about->findChild<QLabel*>("FwVerLB"); }

    // Payloads of the requests written to the terminal since the last call.
    std::vector<Payload> Sent()
    {
        auto payloads = sim.Sent();
        sim.line.Memory().ClearWritten();
        return payloads;
    }

    QTemporaryDir dir;
    SimulatedSession sim;
    std::unique_ptr<TMainWND> window;
    TAboutWND* about;
};

bool Contains(const std::vector<Payload>& payloads, const Payload& wanted)
{
    return std::find(payloads.begin(), payloads.end(), wanted) != payloads.end();
}

// Enough ticks for the connection, a display cycle and a whole pass over the elements.
constexpr int kSettle = 40;

Scenario Stopped()
{
    Scenario s = DefaultScenario();
    s.terminal.acquisitionRunning = false;
    return s;
}

ElementSetup* Element(Scenario& s, uint8_t address)
{
    for (ElementSetup& e : s.elements)
        if (e.meshAddress == address)
            return &e;
    qFatal("no element at %d", address);
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void connectsAndShowsTheTerminal();
    void probeAndActuatorPanels();
    void batteryBar();
    void alarmsRelayFailureAndErrorPanel();
    void acquisitionButtons();
    void startRefusedShowsOneMessageAndSendsNoStart();
    void relaySelector();
    void acquisitionStopProcedure();
    void terminalThatKeepsRunning();
    void pullingAndRestoringTheTerminal();
    void configurationAtShowAndClose();
};

void TestMainWindow::connectsAndShowsTheTerminal()
{
    Rig rig;
    rig.Ticks(1);
    QCOMPARE(rig.Text("StatusLB"), QString("Connected COM 1"));
    QVERIFY(rig.FwVerLB()->isHidden());
    rig.Ticks(1);  // the first presence check
    QCOMPARE(rig.FwVerLB()->text(), QString("Terminal FW version: 2.14"));
    QVERIFY(!rig.FwVerLB()->isHidden());

    rig.Ticks(5);  // a whole display cycle
    QVERIFY(QRegularExpression("^9\\d\\d hPa$").match(rig.Text("MainPressureLB")).hasMatch());
    // Probe 1 measures above the relay level: the relay is on.
    QVERIFY(rig.Shown("FanIM"));

    // The element panels appear after the first pass.
    QVERIFY(!rig.Shown("VysledkyGB"));
    rig.Ticks(kSettle);
    QVERIFY(rig.Shown("FanPanelGB") && rig.Shown("VysledkyGB") && !rig.Shown("ErrorsPN"));

    // Five bonded elements: each status is read once every 5 + 8 ticks.
    rig.Sent();
    rig.Ticks(2 * 13);
    std::map<uint8_t, int> reads;
    for (const Payload& p : rig.Sent())
        if (p.size() == 2 && p[0] == 0x3D)
            ++reads[p[1]];
    QCOMPARE(reads, (std::map<uint8_t, int>{{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}));
}

void TestMainWindow::probeAndActuatorPanels()
{
    Scenario s = DefaultScenario();
    Element(s, 3)->voltage = 3.0;
    Rig rig(s);
    rig.Ticks(kSettle);
    auto* probes = rig.Find<QComboBox>("CidlaCB");
    auto* actuators = rig.Find<QComboBox>("FansCB");
    QCOMPARE(probes->count(), 3);
    QCOMPARE(actuators->itemText(0), QString("4"));

    // Probe 1, selected first, has a fresh status.
    QCOMPARE(rig.Text("FailCountLB"), QString("Failures count: 0"));
    QVERIFY(QRegularExpression("^ \\d+$").match(rig.Text("RadonLB")).hasMatch());
    QVERIFY(!rig.Find<QLabel>("VoltageLB")->autoFillBackground());
    QCOMPARE(rig.Text("ExtFanModeLB"), QString("Auto"));
    QVERIFY(rig.Text("FanVoltageLB").startsWith("Voltage: 3.7"));

    // The user's choice stays while the lists do not change; probe 3 runs low.
    probes->setCurrentIndex(2);
    rig.window->CidlaCBChange();
    rig.Ticks(kSettle);
    QCOMPARE(probes->currentText(), QString("3"));
    QVERIFY(rig.Text("DataVoltageLB").startsWith("3.0"));
    QCOMPARE(rig.Find<QLabel>("VoltageLB")->palette().color(QPalette::Window), QColor(255, 144, 144));

    // Slot contents the simulator does not produce, written into the table directly.
    ElementStatus& probe = rig.sim.session.model.ElementTable[3].status;
    probe.largeValues = 1;
    probe.radon = 40000;
    probe.radonLongTerm = 1234567;
    rig.window->CidlaCBChange();
    QCOMPARE(rig.Text("RadonLB"), QString(" 40.00k"));
    QCOMPARE(rig.Text("RadonLongLB"), QString(" 1.235M"));
    probe.voltage = 0.0f;  // no data
    probe.kind = 0x00C3;   // a probe out of RF range
    rig.window->CidlaCBChange();
    for (const char* name : {"FailCountLB", "DataVoltageLB", "RadonLongLB", "DataHumidityLB"})
        QCOMPARE(rig.Text(name), QString("..."));
    QCOMPARE(rig.Text("RadonErrorLB"), QString("Out of RF range!"));

    ElementStatus& actuator = rig.sim.session.model.ElementTable[4].status;
    actuator.statusFlags = 0x01;
    rig.window->FansCBChange();
    QCOMPARE(rig.Text("ExtFanModeLB"), QString("On"));
    actuator.voltage = 3.0f;
    rig.window->FansCBChange();
    QVERIFY(rig.Find<QLabel>("FanVoltageLB")->autoFillBackground());
    actuator.statusFlags = 0x1A;  // relay on, failure
    actuator.kind = 0x0002;
    rig.window->FansCBChange();
    QCOMPARE(rig.Text("FanErrorLB"), QString("Relay failure!"));
    actuator.voltage = 0.0f;
    actuator.kind = 0x0002;
    rig.window->FansCBChange();
    QCOMPARE(rig.Text("FanVoltageLB"), QString("..."));
    QCOMPARE(rig.Text("ExtFanModeLB"), QString("Unknown"));
    QVERIFY(!rig.Shown("ExtFanIM") && !rig.Shown("FanErrorLB"));
}

void TestMainWindow::batteryBar()
{
    struct Case {
        double volts;
        QColor colour;
    };
    const Case cases[] = {{3.40, QColor(221, 221, 0)}, {3.20, QColor(255, 85, 85)}, {4.60, QColor(0, 221, 0)}};
    for (const Case& c : cases) {
        Scenario s = DefaultScenario();
        s.terminal.supplyVoltage = c.volts;
        Rig rig(s);
        rig.Ticks(3);
        auto* bar = rig.Find<QWidget>("MainVoltageSH");
        const double shown = rig.Text("MainVoltageLB").section(' ', 0, 0).toDouble();
        QVERIFY2(std::abs(shown - c.volts) < 0.02, qPrintable(rig.Text("MainVoltageLB")));
        const double expected = std::clamp((shown - 3.1) / 1.1, 0.0, 1.0) * 56;
        QVERIFY2(std::abs(bar->width() - expected) <= 1.0, qPrintable(QString::number(bar->width())));
        QCOMPARE(bar->palette().color(QPalette::Window), c.colour);
    }
}

void TestMainWindow::alarmsRelayFailureAndErrorPanel()
{
    Scenario s = DefaultScenario();
    s.terminal.relayFailure = true;
    Element(s, 4)->actuator.relayFailure = true;
    Element(s, 1)->voltage = 3.0;  // low, and still the probe that demands the relays
    Element(s, 3)->voltage = 0.0;  // no data: never a low-battery alarm
    Rig rig(s);
    rig.Ticks(kSettle);
    QCOMPARE(rig.Text("ErrorsLB"), QString("Low battery voltage!\nAddress: 1\n\nRelay failure!\nAddress: Term,4"));
    QCOMPARE(rig.Text("FanErrorLB"), QString("Relay failure!"));

    // Dismissed, the panel stays hidden while the text is unchanged; the link shows it again.
    QVERIFY(rig.Shown("ErrorsPN"));
    rig.window->HideErrorsBTClick();
    rig.Ticks(kSettle);
    QVERIFY(!rig.Shown("ErrorsPN") && rig.Shown("ShowErrorsLB"));
    rig.window->ShowErrorsLBClick();
    QVERIFY(rig.Shown("ErrorsPN"));

    // A changed text shows the panel again even after dismissal: the terminal's relay is
    // switched off, so it no longer fails.
    rig.window->HideErrorsBTClick();
    rig.Find<QComboBox>("FanCB")->setCurrentIndex(0);
    rig.window->FanCBChange();
    rig.Ticks(kSettle);
    QCOMPARE(rig.Text("ErrorsLB"), QString("Low battery voltage!\nAddress: 1\n\nRelay failure!\nAddress: 4"));
    QVERIFY(rig.Shown("ErrorsPN"));
}

void TestMainWindow::acquisitionButtons()
{
    Rig rig(Stopped());
    rig.Ticks(6);
    QCOMPARE(rig.Text("DownCounterLB"), QString("No data acquisition "));
    // Stopped: no element is read and nothing is relayed.
    rig.Sent();
    rig.Ticks(kSettle);
    for (const Payload& p : rig.Sent())
        QVERIFY(!p.empty() && p[0] != 0x3D && p[0] != 0x80);
    rig.window->MeritBTClick();
    QCOMPARE(rig.Sent(), (std::vector<Payload>{{0xBE, 0x2C}, {0xBE, 0xB5}}));
    rig.Ticks(5);
    rig.Sent();
    rig.window->MeritBTClick();
    QCOMPARE(rig.Sent(), (std::vector<Payload>{{0xBE, 0x00}}));
    rig.Ticks(5);
    rig.Sent();
    rig.window->PokracovatBTClick();
    QCOMPARE(rig.Sent(), (std::vector<Payload>{{0xBE, 0xB4}}));
    QVERIFY(rig.sim.terminal.AcquisitionRunning());
    QVERIFY(rig.sim.dialogs.shown.empty());

    // Sleep mode is added to the countdown line.
    Scenario sleeping = DefaultScenario();
    sleeping.terminal.sleep = true;
    Rig sleeper(sleeping);
    sleeper.Ticks(6);
    QVERIFY(QRegularExpression("^Query after \\d+ secs  \\(SLEEP\\)$").match(sleeper.Text("DownCounterLB")).hasMatch());
}

void TestMainWindow::startRefusedShowsOneMessageAndSendsNoStart()
{
    Scenario s = Stopped();
    s.faults.refusedCommands = {0xBE};
    Rig rig(s);
    rig.Ticks(6);
    rig.Sent();
    rig.window->MeritBTClick();
    const auto sent = rig.Sent();
    QVERIFY(Contains(sent, {0xBE, 0x2C}));
    QVERIFY(!Contains(sent, {0xBE, 0xB5}));
    QCOMPARE(rig.sim.dialogs.Texts(), std::vector<QString>{"Command disabled!"});

    rig.window->PokracovatBTClick();
    QCOMPARE(rig.sim.dialogs.shown.size(), std::size_t(2));
}

void TestMainWindow::relaySelector()
{
    Rig rig;
    rig.Ticks(6);
    auto* relay = rig.Find<QComboBox>("FanCB");
    QCOMPARE(relay->currentIndex(), 2);
    rig.Sent();
    relay->setCurrentIndex(1);
    rig.window->FanCBChange();
    QCOMPARE(rig.Sent(), (std::vector<Payload>{{0xBB, 0x31}}));
    rig.Ticks(5);
    QCOMPARE(relay->currentText(), QString("On"));
    QCOMPARE(rig.sim.session.model.RelayMode, uint8_t(1));

    // Refused: the message, and the selector returns to the terminal's mode.
    Scenario s = DefaultScenario();
    s.faults.refusedCommands = {0xBB};
    Rig refusing(s);
    refusing.Ticks(6);
    auto* selector = refusing.Find<QComboBox>("FanCB");
    selector->setCurrentIndex(0);
    refusing.window->FanCBChange();
    QCOMPARE(refusing.sim.dialogs.Texts(), std::vector<QString>{"Command disabled!"});
    refusing.Ticks(5);
    QCOMPARE(selector->currentText(), QString("Auto"));
}

void TestMainWindow::acquisitionStopProcedure()
{
    Rig rig;
    rig.Ticks(6);
    QVERIFY(rig.sim.session.model.AcquisitionRunning);

    // Cancel: nothing sent, acquisition keeps running, the window does not open.
    rig.sim.dialogs.answers = {MessageResult::Cancel};
    rig.Sent();
    QVERIFY(!rig.window->StopAcquisitionFor(kCannotStopText));
    QVERIFY(rig.Sent().empty());
    QCOMPARE(rig.sim.dialogs.Texts().back(), QString("Data acquisition must be stopped! Continue?"));

    // OK: stopped, confirmed, the window may open.
    rig.sim.dialogs.answers = {MessageResult::Ok};
    QVERIFY(rig.window->StopAcquisitionFor(kCannotStopText));
    const auto sent = rig.Sent();
    QCOMPARE(sent.front(), (Payload{0xBE, 0x00}));
    QCOMPARE(sent.back(), (Payload{0x3C}));
    QVERIFY(!rig.sim.terminal.AcquisitionRunning());
    QCOMPARE(rig.sim.dialogs.shown.size(), std::size_t(2));

    // Stopped already: no question at all.
    QVERIFY(rig.window->StopAcquisitionFor(kCannotStopText));
    QCOMPARE(rig.sim.dialogs.shown.size(), std::size_t(2));

    // The stop refused: the handler's own text.
    Scenario s = DefaultScenario();
    s.faults.refusedCommands = {0xBE};
    Rig refusing(s);
    refusing.Ticks(6);
    refusing.sim.dialogs.answers = {MessageResult::Ok};
    QVERIFY(!refusing.window->StopAcquisitionFor(kCannotStopTextAddBond));
    const auto& error = refusing.sim.dialogs.shown.back();
    QCOMPARE(error.text, QString("Datat acqusition cannot be stopped!"));
}

void TestMainWindow::terminalThatKeepsRunning()
{
    // The stop command is refused from the waiting loop on: the terminal stays running.
    Scenario s = DefaultScenario();
    s.faults.refusedCommands = {0xBE};
    Rig rig(s);
    rig.Ticks(6);
    rig.sim.session.model.AcquisitionRunning = false;  // as after a stop the terminal did not carry out

    rig.sim.dialogs.answers = {MessageResult::Retry, MessageResult::Abort};
    QVERIFY(!rig.window->StopAcquisitionFor(kCannotStopText));
    QCOMPARE(rig.sim.dialogs.shown.size(), std::size_t(2));
    QCOMPARE(rig.sim.dialogs.Texts().front(), QString("Data acquisition still active, try again?"));

    // Ignore goes on as if stopped.
    rig.sim.dialogs.answers = {MessageResult::Ignore};
    QVERIFY(rig.window->StopAcquisitionFor(kCannotStopText));
    QCOMPARE(rig.sim.dialogs.shown.size(), std::size_t(3));
}

void TestMainWindow::pullingAndRestoringTheTerminal()
{
    Rig rig;
    rig.Ticks(6);
    QVERIFY(!rig.FwVerLB()->isHidden());

    rig.sim.line.Memory().LimitWrites(0);
    rig.Ticks(1);
    QCOMPARE(rig.Text("StatusLB"), QString("No connection (COM 1)"));
    QVERIFY(rig.FwVerLB()->isHidden());
    rig.Ticks(2);
    QVERIFY(!rig.Shown("MainVoltageLB"));

    rig.sim.line.Memory().UnlimitWrites();
    rig.Ticks(1);
    QCOMPARE(rig.Text("StatusLB"), QString("Connected COM 1"));
    rig.Ticks(6);
    QVERIFY(!rig.FwVerLB()->isHidden() && rig.Shown("MainVoltageLB"));

    // Automatic detection: no port in the line.
    rig.sim.session.settings.configuredPort = 0;
    rig.sim.line.Memory().LimitWrites(0);
    rig.Ticks(2);
    QCOMPARE(rig.Text("StatusLB"), QString("No connection"));
    rig.sim.line.Memory().UnlimitWrites();
    rig.Ticks(1);
    QCOMPARE(rig.Text("StatusLB"), QString("Connected COM 1"));

    // A terminal that falls silent.
    Scenario s = DefaultScenario();
    s.faults.stopAnsweringAfter = 30;
    Rig silent(s);
    silent.Ticks(20);
    QCOMPARE(silent.Text("StatusLB"), QString("No connection (COM 1)"));
    QVERIFY(silent.FwVerLB()->isHidden());
}

void TestMainWindow::configurationAtShowAndClose()
{
    // No file: the warning, the defaults stay; closing writes them.
    {
        Rig rig;
        rig.window->show();
        QCoreApplication::processEvents();  // the warning comes once the window is on the screen
        QCOMPARE(rig.sim.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(rig.sim.dialogs.Texts().front(), QString("Cannot read configuration, setting default values.."));
        QVERIFY(rig.window->Timer1()->isActive());

        rig.window->findChild<QAction*>("Konec")->trigger();
        QVERIFY(!rig.window->Timer1()->isActive());
        QCOMPARE(ReadFile(rig.sim.session.configPath), std::string("COM: 1\nTimeOut: 200\nAttemptCount: 3\n"));
    }
    // A file: its values, the time-out in force on the link.
    {
        Rig rig;
        std::ofstream(rig.sim.session.configPath) << "COM: 7\nTimeOut: 350\nAttemptCount: 5\n";
        rig.window->show();
        QVERIFY(rig.sim.dialogs.shown.empty());
        QCOMPARE(rig.sim.session.settings.configuredPort, 7);
        QCOMPARE(rig.sim.link.ReplyTimeout, uint32_t(350));
        rig.Ticks(1);
        QCOMPARE(rig.Text("StatusLB"), QString("No connection (COM 7)"));
    }
    // A file that cannot be written.
    {
        Rig rig;
        rig.sim.session.configPath = std::filesystem::path(rig.dir.path().toStdString()) / "missing" / "x.cfg";
        rig.window->show();
        rig.window->close();
        QCOMPARE(rig.sim.dialogs.Texts().back(), QString("Cannot save configuration, file creating failed.."));
    }
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
