// What a user meets: a terminal pulled or swapped for another on the same port, the port scan,
// the menus, the start-up warning, the data window's counts, a silent terminal, saving a file.
#include "MenuKeys.h"
#include "PortDirectory.h"
#include "QtDialogs.h"
#include "SimulatedSession.h"
#include "TDatasWND.h"
#include "TMainWND.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

// The default system with probe 2 out of range (an alarm); swapped in later: one probe at 7.
Scenario System(bool other)
{
    Scenario s = QuietDefaultScenario();
    for (ElementSetup& e : s.elements)
        e.inRange = e.meshAddress != 2;
    if (other)
        s.elements.resize(1), s.elements[0].meshAddress = 7;
    return s;
}

struct Rig {
    void Ticks(int n = 40)  // enough for a display cycle and a whole pass over the elements
    {
        for (int i = 0; i < n; ++i)
            window.Timer1Timer();
    }
    void SwapTerminal()
    {
        sim.line.Memory().SetPeer([this](std::span<const uint8_t> bytes) {
            other.Receive(bytes);
            sim.line.Memory().Deliver(other.TakeOutput());
        });
    }
    QString Probes() const  // how many, and the first
    {
        const auto* list = window.findChild<QComboBox*>("CidlaCB");
        return QString::number(list->count()) + ':' + list->itemText(0);
    }
    bool Live(const char* panel) const { return window.findChild<QWidget*>(panel)->isEnabled(); }

    SimulatedSession sim{System(false)};
    TMainWND window{sim.session};
    SimulatedTerminal other{System(true)};
};

// Devices at COM 5 and 9 only; notes what is opened.
struct TwoDevicePort final : SerialPort {
    bool OpenPort(uint8_t port, uint32_t, uint8_t, uint8_t, uint8_t) override { return opened.push_back(port), false; }
    bool ClosePort() override { return true; }
    uint32_t WriteBytes(const uint8_t*, uint32_t) override { return 0; }
    void PurgePort() override {}
    bool IsOpen() const override { return false; }
    PortError LastError() const override { return PortError::NotFound; }
    std::vector<uint8_t> PresentPorts() const override { return {5, 9}; }
    bool ReadByte(uint8_t&) override { return false; }
    std::vector<uint8_t> opened;
};

}  // namespace

class TestEverydayUse : public QObject {
    Q_OBJECT
private slots:
    void terminalPulledThenAnotherOnTheSamePort()
    {
        Rig rig;
        rig.Ticks();
        QVERIFY(rig.Live("TmrPanelGB") && !rig.sim.session.model.AlarmText.empty());
        rig.sim.line.Memory().LimitWrites(0);
        rig.Ticks(1);
        QVERIFY(!rig.Live("TmrPanelGB") && !rig.Live("VysledkyGB"));
        rig.SwapTerminal();
        rig.sim.line.Memory().UnlimitWrites();
        rig.Ticks(2 + 5);  // connected, one display cycle: within two seconds
        QVERIFY(rig.Live("TmrPanelGB"));
        rig.Ticks();
        QCOMPARE(rig.Probes(), QString("1:7"));
        QVERIFY(rig.window.findChild<QWidget*>("FanPanelGB")->isHidden() && rig.sim.session.model.AlarmText.empty());
        rig.sim.session.model.ElementTable[7].status.kind = 0x00C3;  // out of range: no failure count
        rig.window.CidlaCBChange();
        QVERIFY(rig.window.findChild<QLabel*>("FailCountLB")->isHidden());
    }

    void statusReplyRestartsTheElementLoop()
    {
        Rig rig;
        rig.Ticks();
        rig.window.Nacitani(true);
        rig.Ticks(1);        // the bonding map requested from the first terminal
        rig.SwapTerminal();  // its poll meets "nothing requested"
        rig.Ticks();
        QCOMPARE(rig.Probes(), QString("1:7"));
    }

    void startupWarningMenusAndSaveDialog()
    {
        Rig rig;
        rig.window.show();
        QCoreApplication::processEvents();
        QCOMPARE(rig.sim.dialogs.shown.size(), std::size_t{1});
        auto* wireless = rig.window.findChild<QMenu*>("WirelessMnu");
        QVERIFY(wireless->menuAction()->isEnabled());
        for (QAction* entry : wireless->actions())
            entry->setEnabled(false);
        UpdateSubmenus(*rig.window.menuBar());
        QVERIFY(!wireless->menuAction()->isEnabled());
        QVERIFY(rig.window.findChild<QMenu*>("TerminalDataMnu")->menuAction()->isEnabled());

        bool confirms = true;  // the program asks its own keep-or-overwrite question
        QTimer::singleShot(0, this, [&confirms] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            confirms = !dialog || !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            if (dialog)
                dialog->reject();
        });
        QtDialogs().SaveFileName(nullptr, "*.tab", "tab");
        QVERIFY(!confirms);
    }

    void dataWindowFollowsTheStoreAndReportsSilenceOnce()
    {
        SimulatedSession sim;
        TDatasWND window(sim.session);
        auto read = [&] {
            window.findChild<QPushButton*>("LoadEepromBT")->click();
            for (auto* tmr = window.findChild<QTimer*>("DatasTMR"); tmr->isActive(); sim.line.GetClock().SleepMs(10))
                window.DatasTMRTimer();
        };
        read();  // not connected: nothing on the line
        QCOMPARE(sim.dialogs.Texts(), std::vector<QString>{kNoAnswerText});
        QVERIFY(sim.Connect());
        read();
        const int before = window.Store().TotalRadonRecords();
        window.Store().ClearRadonRecords(0);  // as a probe reading replaces probe 1's records
        window.show();
        QCOMPARE(window.findChild<QLabel*>("RecordCountLB")->text().toInt(), window.Store().TotalRadonRecords());
        QVERIFY(window.Store().TotalRadonRecords() < before);
    }

    void detectionTriesOnlyPresentPorts()
    {
        TwoDevicePort port;
        SteadyClock clock;
        StepLink link(port, clock);
        QCOMPARE(link.Connect(0), kErrNoTerminal);
        QCOMPARE(port.opened, (std::vector<uint8_t>{5, 9}));

        // COM 100: a UART of type 0 (none); 101: type 4; 102: no type (a pseudo-terminal); 103: gone.
        QTemporaryDir dir;
        const std::filesystem::path root = dir.path().toStdString();
        for (const auto& [number, type] : {std::pair{100, "0"}, {101, "4"}, {102, ""}, {103, ""}}) {
            const auto device = root / ("tty" + std::to_string(number));
            if (number != 103)
                std::ofstream{device};
            QVERIFY(RegisterPortLink(number, device, root / "ports"));
            std::filesystem::create_directories(root / "sys" / device.filename());
            std::ofstream(root / "sys" / device.filename() / "type") << type;
        }
        std::vector<int> present;
        for (const PortEntry& entry : PresentPorts(root / "ports", root / "sys"))
            if (entry.number >= 100)
                present.push_back(entry.number);
        QCOMPARE(present, (std::vector<int>{101, 102}));
    }
};

QTEST_MAIN(TestEverydayUse)
#include "test_everyday_use.moc"
