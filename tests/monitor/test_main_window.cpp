#include "TMainWND.h"

#include "SimulatedSession.h"

#include <QtTest>

using namespace kolmaris;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void constructs()
    {
        testing::SimulatedSession sim;
        TMainWND window(sim.session);
        QVERIFY(window.centralWidget() == nullptr);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
