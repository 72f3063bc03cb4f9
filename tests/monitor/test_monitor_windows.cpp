// SPDX-License-Identifier: GPL-3.0-or-later
// The main window, the About window and the link dialog against the in-memory simulated
// terminal: the polling loop driven by calling Timer1Timer, dialogs answered by the script.
#include "AcquisitionStop.h"
#include "MenuKeys.h"
#include "PortDirectory.h"
#include "TAboutWND.h"
#include "TAddBondWND.h"
#include "TMainWND.h"
#include "TPripojeniWND.h"
#include "TRemoveBondWND.h"
#include "TRssiBondWND.h"
#include "TSetChannelWND.h"
#include "TSetIqrfModeWND.h"
#include "TSetParamFanWND.h"
#include "TSetPowerWND.h"
#include "TSumBondWND.h"
#include "TempDir.h"
#include "WindowRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

#include <fstream>
#include <functional>
#include <map>

using namespace kolmaris;
using namespace kolmaris::testing;
using Payload = std::vector<uint8_t>;

namespace {

// Enough ticks for the connection, a display cycle and a whole pass over the elements.
constexpr int kSettle = 40;

QString Device(int port)
{
    return QString::fromStdString(DevicePathForPort(port).string());
}

// Acquisition running or stopped; the commands given refused.
Scenario Acquiring(bool running, std::vector<uint8_t> refused = {})
{
    return Quiet([&](Scenario& s) {
        s.terminal.acquisitionRunning = running;
        s.faults.refusedCommands = refused;
    });
}

// The main window and its About window, not connected yet; the configuration file in a temp dir.
struct Main : WindowRig {
    explicit Main(const Scenario& scenario = QuietDefaultScenario()) : WindowRig(scenario, false)
    {
        session.configPath = dir.path / "Kolmaris_V2.cfg";
        ToolWindows tools;
        tools.about = about = &Make<TAboutWND>();
        w = &Make<TMainWND>();
        w->SetToolWindows(tools);
    }
    void Ticks(int n = kSettle)
    {
        for (int i = 0; i < n; ++i)
            w->Timer1Timer();
    }
    QLabel* FwVer() const { return about->findChild<QLabel*>("FwVerLB"); }
    // The network windows beside the About window; the main window is the one driven again.
    void AddNetworkWindows()
    {
        ToolWindows tools;
        tools.about = about;
        tools.addBond = &Make<TAddBondWND>();
        tools.removeBond = &Make<TRemoveBondWND>();
        tools.rssiBond = &Make<TRssiBondWND>();
        tools.iqrfMode = &Make<TSetIqrfModeWND>();
        tools.meshOverview = &Make<TSumBondWND>();
        tools.power = &Make<TSetPowerWND>();
        tools.channel = &Make<TSetChannelWND>();
        w->SetToolWindows(tools);
        window = w;
    }
    // Chooses the menu entry; `inside` runs in the window it opens, which then closes.
    void Open(const char* entry, const std::function<void(QDialog&)>& inside)
    {
        QTimer::singleShot(0, w, [this, inside] {
            auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(shown);
            QWidget* main = window;
            window = shown;
            inside(*shown);
            window = main;
            shown->reject();
        });
        Find<QAction>(entry)->trigger();
    }
    bool Live(const char* panel) const { return Find(panel)->isEnabled(); }
    // Payloads written to the terminal since the last call.
    std::vector<Payload> Sent()
    {
        auto payloads = WindowRig::Sent();
        line.Memory().ClearWritten();
        return payloads;
    }
    // Puts `other` on the line in place of the terminal.
    void Swap(SimulatedTerminal& other)
    {
        line.Memory().SetPeer([this, &other](std::span<const uint8_t> bytes) {
            other.Receive(bytes);
            line.Memory().Deliver(other.TakeOutput());
        });
    }

    TempDir dir;
    TAboutWND* about;
    TMainWND* w;
};

// The default system with probe 2 out of range (an alarm), or the one swapped in: one probe at 7.
Scenario System(bool other)
{
    return Quiet([other](Scenario& s) {
        s.elements[1].inRange = false;
        if (other)
            s.elements.resize(1), s.elements[0].meshAddress = 7;
    });
}

}  // namespace

class TestMonitorWindows : public QObject {
    Q_OBJECT
private slots:
    void connectsAndShowsTheTerminal()
    {
        Main r;
        r.Ticks(1);
        QCOMPARE(r.Text("StatusLB"), QString("Connected COM 1"));
        QVERIFY(r.FwVer()->isHidden());
        r.Ticks(1);  // the first presence check
        QCOMPARE(r.FwVer()->text(), QString("Terminal FW version: 2.14"));
        QVERIFY(!r.FwVer()->isHidden());
        r.Ticks(5);  // a whole display cycle
        QVERIFY(QRegularExpression("^9\\d\\d hPa$").match(r.Text("MainPressureLB")).hasMatch());
        QVERIFY(r.Shown("FanIM"));  // probe 1 measures above the relay level: the relay is on
        QVERIFY(!r.Shown("VysledkyGB"));
        r.Ticks();  // the element panels appear after the first pass
        QVERIFY(r.Shown("FanPanelGB") && r.Shown("VysledkyGB") && !r.Shown("ErrorsPN"));
        QCOMPARE(r.Items("CidlaCB") + r.Items("FansCB"), (QStringList{"1", "2", "3", "4"}));
        r.Choose("CidlaCB", "3");  // the user's choice stays while the lists do not change
        r.Ticks();
        QCOMPARE(r.Text("CidlaCB"), QString("3"));

        // Five bonded elements: each status is read once every 5 + 8 ticks.
        r.Sent();
        r.Ticks(2 * 13);
        std::map<uint8_t, int> reads;
        for (const Payload& p : r.Sent())
            if (p.size() == 2 && p[0] == 0x3D)
                ++reads[p[1]];
        QCOMPARE(reads, (std::map<uint8_t, int>{{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}));
    }

    // A slot as the probe (function 3) or actuator panel shows it ("Name=-": hidden, "+": shown).
    void panels_data()
    {
        Columns<int, float, int, bool, QString, bool>({"kind", "voltage", "flags", "large", "shown", "red"});
        QTest::newRow("probe") << 0x03 << 3.6f << 0 << false << "FailCountLB=Failures count: 0;RadonLB= 40000" << false;
        QTest::newRow("at 3.10 V") << 0x03 << 3.1f << 0 << false << "DataVoltageLB=3.10 V;RadonErrorLB=-" << false;
        QTest::newRow("low, large") << 0x43 << 3.09f << 0 << true << "RadonLB= 40.00k;RadonLongLB= 1.235M" << true;
        QTest::newRow("no data") << 0x43 << 0.0f << 0 << false << "FailCountLB=...;DataHumidityLB=..." << false;
        QTest::newRow("out of range") << 0xC3 << 3.6f << 0 << false << "FailCountLB=-;RadonErrorLB=Out of RF range!"
                                      << false;
        QTest::newRow("actuator on") << 0x02 << 3.6f << 0x01 << false << "ExtFanModeLB=On;ExtFanIM=-" << false;
        QTest::newRow("actuator in Auto") << 0x02 << 3.6f << 0x12 << false << "ExtFanModeLB=Auto;ExtFanIM=+" << false;
        QTest::newRow("relay failure") << 0x02 << 3.0f << 0x1A << false << "FanErrorLB=Relay failure!" << true;
        QTest::newRow("actuator, no data")
            << 0x02 << 0.0f << 0x1A << false << "ExtFanModeLB=Unknown;FanErrorLB=-" << false;
        QTest::newRow("actuator out of range") << 0xC2 << 3.6f << 0 << false << "FanErrorLB=Out of RF range!" << false;
    }
    void panels()
    {
        QFETCH(int, kind);
        QFETCH(float, voltage);
        QFETCH(int, flags);
        QFETCH(bool, large);
        QFETCH(QString, shown);
        Main r;
        ElementStatus& slot = r.session.model.ElementTable[6].status;
        slot.kind = uint16_t(kind);
        slot.voltage = voltage;
        slot.statusFlags = uint8_t(flags);
        slot.radon = 40000;
        slot.radonLongTerm = 1234567;
        slot.largeValues = large;
        const bool probe = (kind & 7) == 3;
        r.Find<QComboBox>(probe ? "CidlaCB" : "FansCB")->addItem("6");
        r.Choose(probe ? "CidlaCB" : "FansCB", "6");
        for (const QString& entry : shown.split(';')) {
            const QString name = entry.section('=', 0, 0), text = entry.section('=', 1);
            if (text == "-" || text == "+")
                QVERIFY2(r.Shown(name) == (text == "+"), qPrintable(name));
            else
                QCOMPARE(r.Text(name), text);
        }
        QCOMPARE(r.Text(probe ? "DataVoltageLB" : "FanVoltageLB").contains("..."), voltage == 0);
        QTEST(r.Find(probe ? "VoltageLB" : "FanVoltageLB")->autoFillBackground(), "red");
    }

    // Small enough for 1366 x 768 at 100 % and 1280 x 720 at 150 % (853 x 480 points, less a
    // title bar and a task bar); grown by its panels after it was put low, it stays on its screen.
    void fitsSmallScreens()
    {
        Main r;
        r.w->show();
        const QRect screen = r.w->screen()->availableGeometry();
        r.w->move(screen.left(), screen.bottom() + 1 - r.w->frameGeometry().height());
        r.Ticks();
        QVERIFY(r.Shown("VysledkyGB") && r.Shown("FanPanelGB"));
        QVERIFY2(r.w->frameGeometry().width() <= 853 && r.w->frameGeometry().height() <= 420,
                 qPrintable(QStringLiteral("%1 x %2").arg(r.w->width()).arg(r.w->height())));
        QVERIFY(screen.contains(r.w->frameGeometry()));
    }

    void battery_data()
    {
        Columns<double, QColor>({"volts", "colour"});
        QTest::newRow("3.40 V") << 3.40 << QColor(221, 221, 0);
        QTest::newRow("3.20 V") << 3.20 << QColor(255, 85, 85);
        QTest::newRow("4.60 V") << 4.60 << QColor(0, 221, 0);
    }
    void battery()
    {
        QFETCH(double, volts);
        Main r(Quiet([volts](Scenario& s) { s.terminal.supplyVoltage = volts; }));
        r.Ticks(3);
        const double shown = r.Text("MainVoltageLB").section(' ', 0, 0).toDouble();
        QVERIFY2(std::abs(shown - volts) < 0.02, qPrintable(r.Text("MainVoltageLB")));
        const QWidget* bar = r.Find("MainVoltageSH");
        QVERIFY(std::abs(bar->width() - std::clamp((shown - 3.1) / 1.1, 0.0, 1.0) * 56) <= 1.0);
        QTEST(bar->palette().color(QPalette::Window), "colour");
    }

    void alarmsAndTheErrorPanel()
    {
        Main r(Quiet([](Scenario& s) {
            s.terminal.relayFailure = true;
            s.elements[3].actuator.relayFailure = true;
            s.elements[0].voltage = 3.0;  // low, and still the probe that demands the relays
            s.elements[2].voltage = 0.0;  // no data: never a low-battery alarm
        }));
        r.Ticks();
        QCOMPARE(r.Text("ErrorsLB"), QString("Low battery voltage!\nAddress: 1\n\nRelay failure!\nAddress: Term,4"));
        // Dismissed, the panel stays hidden while the text is unchanged; the link shows it again.
        QVERIFY(r.Shown("ErrorsPN"));
        r.Click("HideErrorsBT");
        r.Ticks();
        QVERIFY(!r.Shown("ErrorsPN") && r.Shown("ShowErrorsLB"));
        QTest::mouseClick(r.Find("ShowErrorsLB"), Qt::LeftButton);
        QVERIFY(r.Shown("ErrorsPN"));
        // A changed text shows it again: the terminal's relay switched off no longer fails.
        r.Click("HideErrorsBT");
        r.Choose("FanCB", 0);
        r.Ticks();
        QCOMPARE(r.Text("ErrorsLB"), QString("Low battery voltage!\nAddress: 1\n\nRelay failure!\nAddress: 4"));
        QVERIFY(r.Shown("ErrorsPN"));
    }

    // Stopped, nothing is read or relayed; the countdown line tells the state.
    void countdownLine()
    {
        Main r(Acquiring(false));
        r.Ticks(6);
        QCOMPARE(r.Text("DownCounterLB"), QString("No data acquisition "));
        r.Sent();
        r.Ticks();
        for (const Payload& p : r.Sent())
            QVERIFY(p[0] != 0x3D && p[0] != 0x80);
        Main sleeper(Quiet([](Scenario& s) { s.terminal.sleep = true; }));
        sleeper.Ticks(6);
        QVERIFY(
            QRegularExpression("^Query after \\d+ secs  \\(SLEEP\\)$").match(sleeper.Text("DownCounterLB")).hasMatch());
    }

    // Buttons and relay selector send their command; a refused one is said, the selector reverts.
    void commands_data()
    {
        Columns<bool, QString, bool, QString, bool, QString>({"running", "action", "runs", "sent", "refused", "relay"});
        QTest::newRow("start") << false << "MeritBT" << true << "be2c beb5" << false << "Auto";
        QTest::newRow("stop") << true << "MeritBT" << false << "be00" << false << "Auto";
        QTest::newRow("continue") << false << "PokracovatBT" << true << "beb4" << false << "Auto";
        QTest::newRow("start refused") << false << "MeritBT" << false << "be2c" << true << "Auto";
        QTest::newRow("continue refused") << false << "PokracovatBT" << false << "beb4" << true << "Auto";
        QTest::newRow("relay on") << true << "1" << true << "bb31" << false << "On";
        QTest::newRow("relay refused") << true << "0" << true << "bb30" << true << "Auto";
    }
    void commands()
    {
        QFETCH(bool, running);
        QFETCH(bool, refused);
        QFETCH(QString, action);
        Main r(Acquiring(running, refused ? std::vector<uint8_t>{0xBE, 0xBB} : std::vector<uint8_t>{}));
        r.Ticks(6);
        r.Sent();
        if (action.size() == 1)
            r.Choose("FanCB", action.toInt());
        else
            r.Click(action);
        QStringList sent;
        for (const Payload& p : r.Sent())
            sent << QByteArray(reinterpret_cast<const char*>(p.data()), qsizetype(p.size())).toHex();
        QTEST(sent.join(' '), "sent");
        QCOMPARE(r.dialogs.Texts(), refused ? QStringList{"Command disabled!"} : QStringList{});
        r.Ticks(5);
        QTEST(r.terminal.AcquisitionRunning(), "runs");
        QTEST(r.Text("FanCB"), "relay");
    }

    // The procedure before a tool window opens: the question, the stop, the wait for it.
    void acquisitionStop_data()
    {
        // refused: the stop command; running: as the window believes.
        Columns<bool, bool, QList<MessageResult>, bool, QStringList>(
            {"refused", "running", "answers", "opens", "texts"});
        const QString q = kStopQuestionText, still = "Data acquisition still active, try again?";
        using R = MessageResult;
        QTest::newRow("Cancel") << false << true << QList{R::Cancel} << false << QStringList{q};
        QTest::newRow("OK") << false << true << QList{R::Ok} << true << QStringList{q};
        QTest::newRow("stopped already") << false << false << QList<R>{} << true << QStringList{};
        QTest::newRow("stop refused") << true << true << QList{R::Ok} << false << QStringList{q, kCannotStopText};
        QTest::newRow("still running, Retry, Abort")
            << true << false << QList{R::Retry, R::Abort} << false << QStringList{still, still};
        QTest::newRow("still running, Ignore") << true << false << QList{R::Ignore} << true << QStringList{still};
    }
    void acquisitionStop()
    {
        QFETCH(bool, refused);
        QFETCH(bool, running);
        QFETCH(QList<MessageResult>, answers);
        QFETCH(bool, opens);
        Main r(Acquiring(running || refused, refused ? std::vector<uint8_t>{0xBE} : std::vector<uint8_t>{}));
        r.Ticks(6);
        r.session.model.AcquisitionRunning = running;
        r.dialogs.answers.assign(answers.begin(), answers.end());
        r.Sent();
        QCOMPARE(r.w->StopAcquisitionFor(kCannotStopText), opens);
        QTEST(r.dialogs.Texts(), "texts");
        QCOMPARE(r.terminal.AcquisitionRunning(), refused || (running && !opens));
        const auto sent = r.Sent();
        if (opens && running)
            QVERIFY(sent.front() == (Payload{0xBE, 0x00}) && sent.back() == Payload{0x3C});
        QCOMPARE(r.session.model.AcquisitionRunning, running && !opens);
    }

    // A refused stop reads the same from every menu entry; the window stays closed.
    void cannotStopText_data()
    {
        Columns<QString>({"handler"});
        for (const char* handler : {"AddBondMnuClick", "RemoveBondMnuClick", "RssiBondMnuClick"})
            QTest::newRow(handler) << handler;
    }
    void cannotStopText()
    {
        QFETCH(QString, handler);
        Main r(Acquiring(true, {0xBE}));
        r.Ticks(6);
        r.session.model.AcquisitionRunning = true;
        r.AddNetworkWindows();
        QVERIFY(QMetaObject::invokeMethod(r.w, qPrintable(handler)));
        QCOMPARE(r.Messages(), (QStringList{"Warning|Data acquisition must be stopped! Continue?",
                                            "Error!|Data acquisition cannot be stopped!"}));
    }

    // The actuator panel's Set stops the acquisition and presets the actuator window.
    void actuatorPanelPresetsTheActuatorWindow()
    {
        Main r;
        r.Ticks(1);
        auto* fan = new TSetParamFanWND(r.session, r.w);
        ToolWindows tools;
        tools.fanParams = fan;
        r.w->SetToolWindows(tools);
        r.Find<QComboBox>("FansCB")->addItem("4");
        r.session.model.AcquisitionRunning = true;
        r.session.model.ElementTable[4].status.statusFlags = 0x01;  // On
        QString shown;
        QTimer::singleShot(0, fan, [&] {
            r.window = fan;
            shown = r.Text("MeshAdrCB") + (r.Find<QAbstractButton>("FanOnRB")->isChecked() ? " On: " : " ") +
                    r.Text("CurrStateLB");
            fan->reject();
        });
        r.Click("SetFanBT");
        QCOMPARE(shown, QString("4 On: Off"));
        QVERIFY(!r.terminal.AcquisitionRunning());
    }

    // Every network window runs with acquisition stopped (the IQRF mode window too: its answers
    // are not the element loop's) and leaves it running again when it ran before.
    void networkWindowsLeaveAcquisitionAsFound_data()
    {
        Columns<QString, bool>({"entry", "running"});
        for (const char* entry : {"AddBondMnu", "RemoveBondMnu", "RssiBondMnu", "SetIqrfModeMnu", "PrevBondsMnu",
                                  "SetPowerBond", "SetChannelBond"})
            for (bool running : {true, false})
                QTest::addRow("%s, %s", entry, running ? "running" : "stopped") << QString(entry) << running;
    }
    void networkWindowsLeaveAcquisitionAsFound()
    {
        QFETCH(QString, entry);
        QFETCH(bool, running);
        Main r(Acquiring(running));
        r.AddNetworkWindows();
        r.Ticks(6);
        bool stoppedInside = false;
        r.Open(qPrintable(entry), [&](QDialog&) { stoppedInside = !r.terminal.AcquisitionRunning(); });
        QVERIFY(stoppedInside);
        QCOMPARE(r.terminal.AcquisitionRunning(), running);
        r.Ticks(6);
        QCOMPARE(r.Text("MeritBT"), running ? QString("Interrupt") : QString("Start"));
    }

    // The lists and alarms follow a removal at once, acquisition running or not; a new
    // connection forgets the P2P addresses learnt of the terminal before.
    void removedElementLeavesListsAndAlarms_data()
    {
        Columns<bool>({"running"});
        QTest::newRow("running") << true;
        QTest::newRow("stopped") << false;
    }
    void removedElementLeavesListsAndAlarms()
    {
        QFETCH(bool, running);
        Main r(System(false));
        r.AddNetworkWindows();
        r.Ticks();
        QCOMPARE(r.session.model.AlarmText, std::string("Element out of RF range!\nAddress: 2"));
        if (!running) {
            r.Click("MeritBT");
            r.Ticks(6);
        }
        using R = MessageResult;  // running: OK to the question before acquisition stops
        r.dialogs.answers = running ? std::deque{R::Ok, R::Yes} : std::deque{R::Yes};
        r.Open("RemoveBondMnu", [&](QDialog&) {
            r.Choose("MeshAdrCB", "2");
            r.Find<QCheckBox>("LokalneCB")->setChecked(true);
            r.Click("OdebratBT");
            r.Run("RemoveBondTimer");
        });
        QVERIFY(!r.terminal.Bonded(2));
        QCOMPARE(r.Items("CidlaCB"), (QStringList{"1", "3"}));
        QCOMPARE(r.session.model.AlarmText, std::string());
        QVERIFY(!r.Shown("ErrorsPN") && !r.Shown("ShowErrorsLB"));

        r.session.model.ElementTable[1].p2pAddress = 40;  // learnt of this terminal's probe 1
        r.line.Memory().LimitWrites(0);
        r.Ticks(1);
        r.line.Memory().UnlimitWrites();
        r.Ticks(2);
        QCOMPARE(r.Text("StatusLB"), QString("Connected COM 1"));
        QCOMPARE(r.session.model.ElementTable[1].p2pAddress, kUnknown);
    }

    void pullingAndSwappingTheTerminal()
    {
        Main r(System(false));
        r.Ticks();
        QVERIFY(r.Live("TmrPanelGB") && !r.session.model.AlarmText.empty());
        r.line.Memory().LimitWrites(0);
        r.Ticks(1);
        QCOMPARE(r.Text("StatusLB"), QString("No connection (COM 1)"));
        QVERIFY(r.FwVer()->isHidden() && !r.Live("TmrPanelGB") && !r.Live("VysledkyGB"));
        r.Ticks(2);
        QVERIFY(!r.Shown("MainVoltageLB"));

        // Another terminal on the same port: connected, a display cycle within two seconds.
        SimulatedTerminal other(System(true));
        r.Swap(other);
        r.line.Memory().UnlimitWrites();
        r.Ticks(2 + 5);
        QCOMPARE(r.Text("StatusLB"), QString("Connected COM 1"));
        QVERIFY(r.Live("TmrPanelGB") && !r.FwVer()->isHidden() && r.Shown("MainVoltageLB"));
        r.Ticks();
        QCOMPARE(r.Items("CidlaCB"), QStringList{"7"});
        QVERIFY(!r.Shown("FanPanelGB") && r.session.model.AlarmText.empty());

        // Automatic detection: no port in the line.
        r.session.settings.configuredPort = 0;
        r.line.Memory().LimitWrites(0);
        r.Ticks(2);
        QCOMPARE(r.Text("StatusLB"), QString("No connection"));
        r.line.Memory().UnlimitWrites();
        r.Ticks(1);
        QCOMPARE(r.Text("StatusLB"), QString("Connected COM 1"));
    }

    void statusLineNamesThePortsThatWouldNotOpen()
    {
        Main r(System(false));
        r.line.Memory().RemoveDevice(1);  // no terminal anywhere
        r.line.Memory().AddDevice(7, true);
        r.line.Memory().AddRefusingDevice(9, PortError::NoAccess);
        const QString fix = "add the user to the dialout group (sudo usermod -aG dialout $USER) and log in again";
        r.session.settings.configuredPort = 0;
        r.Ticks(1);
        QCOMPARE(r.Text("StatusLB"), "No connection (busy: COM 7 (" + Device(7) + "); no access: COM 9 (" +
                                         Device(9) + ") - " + fix + ")");
        r.session.settings.configuredPort = 9;
        r.Ticks(1);
        QCOMPARE(r.Text("StatusLB"), "No connection (COM 9): no access: " + fix);
        r.session.settings.configuredPort = 7;
        r.Ticks(1);
        QCOMPARE(r.Text("StatusLB"), QString("No connection (COM 7): busy: another program holds it"));
    }

    void statusReplyRestartsTheElementLoop()
    {
        Main r(System(false));
        r.Ticks();
        r.w->Nacitani(true);
        r.Ticks(1);  // the bonding map requested from the first terminal
        SimulatedTerminal other(System(true));
        r.Swap(other);  // its poll meets "nothing requested"
        r.Ticks();
        QCOMPARE(r.Items("CidlaCB"), QStringList{"7"});
    }

    void configurationAtShowAndClose()
    {
        {  // No file: the warning once on the screen, the defaults stay; closing writes them.
            Main r;
            r.w->show();
            QCoreApplication::processEvents();
            QCOMPARE(r.dialogs.Texts(), QStringList{"Cannot read configuration, setting default values.."});
            QVERIFY(r.w->Timer1()->isActive());
            r.Find<QAction>("Konec")->trigger();
            QVERIFY(!r.w->Timer1()->isActive());
            QCOMPARE(ReadFile(r.session.configPath), std::string("COM: 1\nTimeOut: 200\nAttemptCount: 3\n"));
        }
        {  // A file: its values, the time-out in force on the link.
            Main r;
            std::ofstream(r.session.configPath) << "COM: 7\nTimeOut: 350\nAttemptCount: 5\n";
            r.w->show();
            QVERIFY(r.dialogs.shown.empty());
            QCOMPARE(r.link.ReplyTimeout, uint32_t(350));
            r.Ticks(1);
            QCOMPARE(r.Text("StatusLB"), QString("No connection (COM 7)"));
        }
        {  // A file that cannot be written.
            Main r;
            r.session.configPath = r.dir.path / "missing" / "x.cfg";
            r.w->show();
            r.w->close();
            QCOMPARE(r.dialogs.Texts().back(), QString("Cannot save configuration, file creating failed.."));
        }
    }

    void submenuGreyWithoutEntries()
    {
        Main r;
        auto* wireless = r.Find<QMenu>("WirelessMnu");
        QVERIFY(wireless->menuAction()->isEnabled());
        for (QAction* entry : wireless->actions())
            entry->setEnabled(false);
        UpdateSubmenus(*r.w->menuBar());
        QVERIFY(!wireless->menuAction()->isEnabled());
        QVERIFY(r.Find<QMenu>("TerminalDataMnu")->menuAction()->isEnabled());
    }

    // The code is read as a decimal number: what follows the digits does not count.
    void aboutServiceCode_data()
    {
        Columns<QString, bool>({"code", "service"});
        for (const auto& [code, service] : {std::pair{"57190", true},
                                            {"57191", false},
                                            {"57190abc", true},
                                            {"x57190", false},
                                            {"0057190", true},
                                            {"", false}})
            QTest::newRow(code) << QString(code) << service;
    }
    void aboutServiceCode()
    {
        QFETCH(QString, code);
        QFETCH(bool, service);
        WindowRig r(QuietDefaultScenario(), false);
        auto& about = r.Open<TAboutWND>();
        QCOMPARE(r.Text("NazevLB"), QStringLiteral("Kolmaris version:  " KOLMARIS_VERSION "   ( for RF OS < 3.07 )"));
        QCOMPARE(r.Text("LicenceLB"), QStringLiteral("Free software under the GNU General Public License, version 3 or later"));
        QTest::mouseClick(r.Find("NazevLB"), Qt::LeftButton);
        QVERIFY(r.Shown("Passw") && r.Text("Passw").isEmpty());
        QTest::keyClicks(r.Find("Passw"), code);
        r.Click("Button1");
        QVERIFY(!about.isVisible() && !r.Shown("Passw"));
        QCOMPARE(r.session.serviceMode, service);
        about.show();
        if (service)
            QCOMPARE(r.Text("NazevLB"), QStringLiteral("Kolmaris version:  " KOLMARIS_VERSION " Full ( for RF OS < 3.07 ) "));
    }

    void linkDialogListsPortsAfresh()
    {
        WindowRig r;
        r.line.Memory().AddDevice(7, true);  // held by another program
        r.line.Memory().AddRefusingDevice(9, PortError::NoAccess);
        r.line.Memory().AddDevice(200);
        r.session.settings.replyTimeout = 350;
        r.session.settings.attemptCount = 5;
        r.Open<TPripojeniWND>();  // showing drops the link
        QVERIFY(r.link.ConnectedPort == 0 && !r.line.Memory().IsOpen());
        const QStringList ports = r.Items("VybratPortCB");
        QCOMPARE(ports.size(), 5);
        QCOMPARE(ports[2], "COM 7 (" + Device(7) + ") busy");
        QCOMPARE(ports[3], "COM 9 (" + Device(9) + ") no access");
        QVERIFY2(ports[4].startsWith("COM 200") && !ports[4].endsWith("busy"), qPrintable(ports.join(',')));
        QVERIFY(r.Text("VybratPortCB").startsWith("COM 1"));
        QCOMPARE(std::pair(r.Text("TimeOutED"), r.Text("PocetPokusuCB")), std::pair(QString("350"), QString("5")));
        r.window->hide();
        for (int port : {1, 7, 9, 200})
            r.line.Memory().RemoveDevice(port);
        r.session.settings.configuredPort = 4;  // gone, yet listed and selected
        r.window->show();
        QCOMPARE(r.Items("VybratPortCB"), (QStringList{"Auto", "COM 4"}));
        QCOMPARE(r.Text("VybratPortCB"), QString("COM 4"));
    }

    void linkDialogOkStoresCancelForgets()
    {
        WindowRig r(QuietDefaultScenario(), false);
        r.line.Memory().AddDevice(7, true);
        r.Open<TPripojeniWND>();
        r.Choose("VybratPortCB", 2);  // COM 7
        r.Type("TimeOutED", "450");
        r.Choose("PocetPokusuCB", 14);
        r.Click("OkBT");
        QCOMPARE(qobject_cast<QDialog*>(r.window)->result(), int(QDialog::Accepted));
        const LinkSettings& settings = r.session.settings;
        QCOMPARE(std::tuple(settings.configuredPort, settings.replyTimeout, settings.attemptCount),
                 std::tuple(7, 450u, 15));
        QCOMPARE(r.link.ReplyTimeout, 450u);  // in force at once

        r.window->show();
        r.Choose("VybratPortCB", 0);
        r.Choose("PocetPokusuCB", 0);
        QTest::keyClick(r.Find("PocetPokusuCB"), Qt::Key_Return);  // Enter accepts
        QCOMPARE(std::pair(settings.configuredPort, settings.attemptCount), std::pair(0, 1));
        r.window->show();
        r.Type("TimeOutED", "900");
        r.Choose("VybratPortCB", 2);
        QTest::keyClick(r.Find("VybratPortCB"), Qt::Key_Escape);  // Escape cancels: nothing stored
        QCOMPARE(std::tuple(settings.configuredPort, settings.replyTimeout), std::tuple(0, 450u));
    }

    void linkDialogTimeout_data()
    {
        Columns<QString, int>({"text", "stored"});  // 0: refused, 200 stays
        for (const auto& [text, stored] : {std::pair{" 250ms", 250},
                                           {"abc", 0},
                                           {"0", 0},
                                           {"1", 1},
                                           {"60000", 60000},
                                           {"60001", 0},
                                           {"99999999999", 0}})
            QTest::newRow(text) << QString(text) << stored;
    }
    void linkDialogTimeout()
    {
        QFETCH(QString, text);
        QFETCH(int, stored);
        WindowRig r(QuietDefaultScenario(), false);
        r.Open<TPripojeniWND>();
        r.Type("TimeOutED", text);
        r.Click("OkBT");
        QCOMPARE(r.session.settings.replyTimeout, uint32_t(stored ? stored : 200));
        QCOMPARE(r.link.ReplyTimeout, uint32_t(stored ? stored : 200));
        QCOMPARE(r.Last(), stored ? QString() : QString("Error!|Timeout must be a number from 1 to 60000 ms!"));
        if (!stored)
            QCOMPARE(r.Text("TimeOutED"), QString("200"));
    }

    void linkDialogStopsPollingWhileOpen()
    {
        WindowRig r(QuietDefaultScenario(), false);
        auto& dialog = r.Make<TPripojeniWND>();
        QTimer timer1;
        timer1.start(1000);
        QLabel status(QStringLiteral("Connected COM 1"));
        bool stoppedWhileOpen = false;
        QTimer::singleShot(0, &dialog, [&] {
            stoppedWhileOpen = !timer1.isActive() && status.text().isEmpty() && dialog.isVisible();
            dialog.StornoBTClick();
        });
        QCOMPARE(dialog.ExecWithPollingStopped(&timer1, &status), int(QDialog::Rejected));
        QVERIFY(stoppedWhileOpen && timer1.isActive());
        QCOMPARE(timer1.interval(), 200);
    }
};

QTEST_MAIN(TestMonitorWindows)
#include "test_monitor_windows.moc"
