// The main window when its terminal goes away or is swapped for another on the same port, and
// its menus.

#include "TMainWND.h"

#include "SimulatedSession.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QtTest>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::SimulatedSession;

namespace {

constexpr int kSettle = 40;  // connection, display cycle and a whole pass over the elements

// The default system with probe 2 out of range (an alarm), and another system: one radon probe
// at address 7.
Scenario FirstSystem()
{
    Scenario s = QuietDefaultScenario();
    for (ElementSetup& e : s.elements)
        e.inRange = e.meshAddress != 2;
    return s;
}

Scenario OtherSystem()
{
    Scenario s = QuietDefaultScenario();
    s.elements = {ElementSetup{}};
    s.elements[0].meshAddress = 7;
    return s;
}

struct Rig {
    Rig() { sim.session.configPath = "/nonexistent/Kolmaris_V2.cfg"; }
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            window.Timer1Timer();
    }
    // From now on the port leads to `other`.
    void SwapTerminal(SimulatedTerminal& other)
    {
        sim.line.Memory().SetPeer([this, &other](std::span<const uint8_t> written) {
            other.Receive(written);
            sim.line.Memory().Deliver(other.TakeOutput());
        });
    }
    QStringList Probes() const
    {
        const auto* list = window.findChild<QComboBox*>("CidlaCB");
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items;
    }
    bool Enabled(const char* panel) const { return window.findChild<QWidget*>(panel)->isEnabled(); }

    SimulatedSession sim{FirstSystem()};
    TMainWND window{sim.session};
    SimulatedTerminal other{OtherSystem()};
};

// Notes where on the screen the middle of a message's window is.
struct PlacedDialogs final : Dialogs {
    MessageResult Message(QWidget* parent, const QString&, const QString&, MessageButtons, MessageIcon) override
    {
        middle = parent->mapToGlobal(parent->rect().center());
        return MessageResult::Ok;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QString> DirectoryName(QWidget*, const QString&) override { return {}; }
    QPoint middle;
};

}  // namespace

class TestMainWindowLink : public QObject {
    Q_OBJECT
private slots:
    void statusReplyRestartsTheElementLoop()
    {
        Rig rig;
        rig.Ticks(kSettle);
        rig.window.Nacitani(true);
        rig.Ticks(1);             // the bonding map requested from the first terminal
        rig.SwapTerminal(rig.other);  // the next poll meets "nothing requested"
        rig.Ticks(kSettle);
        QCOMPARE(rig.Probes(), QStringList{"7"});
    }

    void lostTerminalIsStaleAndAnotherShowsOnlyItsElements()
    {
        Rig rig;
        rig.Ticks(kSettle);
        QCOMPARE(rig.Probes(), (QStringList{"1", "2", "3"}));
        QVERIFY(!rig.sim.session.model.AlarmText.empty());
        rig.sim.line.Memory().LimitWrites(0);
        rig.Ticks(1);
        for (const char* panel : {"TmrPanelGB", "FanPanelGB", "VysledkyGB"})
            QVERIFY2(!rig.Enabled(panel), panel);

        rig.SwapTerminal(rig.other);
        rig.sim.line.Memory().UnlimitWrites();
        rig.Ticks(2 + 5);  // connected, then one display cycle: within two seconds
        QVERIFY(rig.Enabled("TmrPanelGB") && rig.Enabled("VysledkyGB"));
        rig.Ticks(kSettle);
        QCOMPARE(rig.Probes(), QStringList{"7"});
        QVERIFY(rig.window.findChild<QWidget*>("FanPanelGB")->isHidden());
        QCOMPARE(QString::fromStdString(rig.sim.session.model.AlarmText), QString());
        // Out of range, the alarm stands in the place of the failure count.
        rig.sim.session.model.ElementTable[7].status.kind = 0x00C3;
        rig.window.CidlaCBChange();
        QVERIFY(rig.window.findChild<QLabel*>("FailCountLB")->isHidden());
    }

    void menusHaveAcceleratorsAndEmptySubmenusAreDisabled()
    {
        Rig rig;
        rig.window.show();
        const QMenuBar* bar = rig.window.menuBar();
        QStringList titles;
        for (const QAction* action : bar->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"&File", "&Configuration", "&Data reading", "&About"}));
        QVERIFY(!rig.window.findChild<QMenu*>("WirelessMnu")->menuAction()->isEnabled());
        QVERIFY(rig.window.findChild<QMenu*>("TerminalDataMnu")->menuAction()->isEnabled());
    }

    void startupWarningStandsOverTheWindowInTheMiddle()
    {
        SimulatedSession sim;
        PlacedDialogs dialogs;
        Session session{sim.link, dialogs};
        session.configPath = "/nonexistent/Kolmaris_V2.cfg";
        TMainWND window(session);
        window.show();
        QCoreApplication::processEvents();
        const QPoint centre = window.screen()->availableGeometry().center();
        QVERIFY((dialogs.middle - centre).manhattanLength() <= 2);
    }
};

QTEST_MAIN(TestMainWindowLink)
#include "test_main_window_link.moc"
