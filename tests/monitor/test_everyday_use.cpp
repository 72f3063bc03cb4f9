// What a user meets: a terminal pulled or swapped for another on the same port, the menus, the
// start-up warning, the data window's counts, a silent terminal, saving over a file.
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
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

// The default system with probe 2 out of range (an alarm); swapped in later: one probe at 7.
struct Rig {
    static Scenario System(bool other)
    {
        Scenario s = QuietDefaultScenario();
        for (ElementSetup& e : s.elements)
            e.inRange = e.meshAddress != 2;
        if (other)
            s.elements.resize(1), s.elements[0].meshAddress = 7;
        return s;
    }
    void Ticks(int n = 40)  // enough for a display cycle and a whole pass over the elements
    {
        for (int i = 0; i < n; ++i)
            window.Timer1Timer();
    }
    void SwapTerminal()
    {
        sim.line.Memory().SetPeer([this](std::span<const uint8_t> written) {
            other.Receive(written);
            sim.line.Memory().Deliver(other.TakeOutput());
        });
    }
    QString Probes() const
    {
        const auto* list = window.findChild<QComboBox*>("CidlaCB");
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items.join(',');
    }
    bool Stale() const { return !window.findChild<QWidget*>("TmrPanelGB")->isEnabled(); }

    SimulatedSession sim{System(false)};
    TMainWND window{sim.session};
    SimulatedTerminal other{System(true)};
};

// Notes where the middle of a message's window is; the other dialogs cancel.
struct PlacedDialogs final : Dialogs {
    MessageResult Message(QWidget* parent, const QString&, const QString&, MessageButtons, MessageIcon) override
    {
        return middle = parent->mapToGlobal(parent->rect().center()), MessageResult::Ok;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QString> DirectoryName(QWidget*, const QString&) override { return {}; }
    QPoint middle;
};

void Read(TDatasWND& window, Clock& clock)
{
    window.findChild<QPushButton*>("LoadEepromBT")->click();
    for (auto* timer = window.findChild<QTimer*>("DatasTMR"); timer->isActive(); clock.SleepMs(timer->interval()))
        window.DatasTMRTimer();
}

}  // namespace

class TestEverydayUse : public QObject {
    Q_OBJECT
private slots:
    void statusReplyRestartsTheElementLoop()
    {
        Rig rig;
        rig.Ticks();
        rig.window.Nacitani(true);
        rig.Ticks(1);         // the bonding map requested from the first terminal
        rig.SwapTerminal();  // its poll meets "nothing requested"
        rig.Ticks();
        QCOMPARE(rig.Probes(), QString("7"));
    }

    void pulledTerminalIsStaleAndAnotherShowsOnlyItsElements()
    {
        Rig rig;
        rig.Ticks();
        QVERIFY(!rig.Stale() && !rig.sim.session.model.AlarmText.empty());
        rig.sim.line.Memory().LimitWrites(0);
        rig.Ticks(1);
        QVERIFY(rig.Stale() && !rig.window.findChild<QWidget*>("VysledkyGB")->isEnabled());
        rig.SwapTerminal();
        rig.sim.line.Memory().UnlimitWrites();
        rig.Ticks(2 + 5);  // connected, one display cycle: within two seconds
        QVERIFY(!rig.Stale());
        rig.Ticks();
        QCOMPARE(rig.Probes(), QString("7"));
        QVERIFY(rig.window.findChild<QWidget*>("FanPanelGB")->isHidden());
        QVERIFY(rig.sim.session.model.AlarmText.empty());
        rig.sim.session.model.ElementTable[7].status.kind = 0x00C3;  // out of range: no failure count
        rig.window.CidlaCBChange();
        QVERIFY(rig.window.findChild<QLabel*>("FailCountLB")->isHidden());
    }

    void menusAndStartupWarning()
    {
        SimulatedSession sim;
        PlacedDialogs dialogs;
        Session session{sim.link, dialogs};
        session.configPath = "/nonexistent/Kolmaris_V2.cfg";
        TMainWND window(session);
        window.show();
        QCoreApplication::processEvents();
        QVERIFY((dialogs.middle - window.screen()->availableGeometry().center()).manhattanLength() <= 2);
        QStringList titles;
        for (const QAction* action : window.menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles.join(','), QString("&File,&Configuration,&Data reading,&About"));
        QVERIFY(!window.findChild<QMenu*>("WirelessMnu")->menuAction()->isEnabled());
        QVERIFY(window.findChild<QMenu*>("TerminalDataMnu")->menuAction()->isEnabled());
    }

    void dataWindowFollowsTheStoreAndReportsSilenceOnce()
    {
        SimulatedSession sim;
        TDatasWND window(sim.session);
        Read(window, sim.line.GetClock());  // not connected: nothing on the line
        QCOMPARE(sim.dialogs.Texts(), std::vector<QString>{kNoAnswerText});
        QVERIFY(sim.Connect());
        Read(window, sim.line.GetClock());
        const int before = window.Store().TotalRadonRecords();
        window.Store().ClearRadonRecords(0);  // as a probe reading replaces probe 1's records
        QVERIFY(window.Store().TotalRadonRecords() < before);
        window.show();
        QCOMPARE(window.findChild<QLabel*>("RecordCountLB")->text(), QString::number(window.Store().TotalRadonRecords()));
    }

    void saveDialogLeavesTheOverwriteQuestionToTheProgram()
    {
        bool confirms = true;
        QTimer::singleShot(0, this, [&confirms] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            confirms = !dialog || !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            if (dialog)
                dialog->reject();
        });
        QtDialogs().SaveFileName(nullptr, "*.tab", "tab");
        QVERIFY(!confirms);
    }
};

QTEST_MAIN(TestEverydayUse)
#include "test_everyday_use.moc"
