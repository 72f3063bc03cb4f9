// The "Data in terminal" window follows the store when shown, and reports a terminal that does
// not answer once.

#include "SimulatedSession.h"
#include "TDatasWND.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;

class TestDatasWindowFollows : public QObject {
    Q_OBJECT

    static void Read(TDatasWND& window, Clock& clock)
    {
        window.findChild<QPushButton*>("LoadEepromBT")->click();
        auto* timer = window.findChild<QTimer*>("DatasTMR");
        while (timer->isActive()) {
            window.DatasTMRTimer();
            clock.SleepMs(static_cast<uint32_t>(timer->interval()));
        }
    }

private slots:
    void countsFollowTheStoreWhenShown()
    {
        SimulatedSession sim;
        QVERIFY(sim.Connect());
        TDatasWND window(sim.session);
        Read(window, sim.line.GetClock());
        auto* count = window.findChild<QLabel*>("RecordCountLB");
        const int before = count->text().toInt();
        window.Store().ClearRadonRecords(0);  // as a probe reading replaces probe 1's records
        QVERIFY(window.Store().TotalRadonRecords() < before);
        window.show();
        QCOMPARE(count->text(), QString::number(window.Store().TotalRadonRecords()));
    }

    void silentTerminalIsReportedOnce()
    {
        SimulatedSession sim(QuietDefaultScenario());  // not connected: nothing on the line
        TDatasWND window(sim.session);
        Read(window, sim.line.GetClock());
        QCOMPARE(sim.dialogs.Texts(), std::vector<QString>{QString::fromLatin1(kNoAnswerText)});
    }
};

QTEST_MAIN(TestDatasWindowFollows)
#include "test_datas_window_follows.moc"
