// Add bond, Remove bond and RSSI against the in-memory simulated terminal, driving their timer
// handlers directly.
#include "ScenarioJson.h"
#include "SimulatedSession.h"
#include "TAddBondWND.h"
#include "TRemoveBondWND.h"
#include "TRssiBondWND.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::SimulatedSession;
using kolmaris::testing::Connected;

namespace {

constexpr uint8_t kNewcomerP2p = 0x2A;  // the unbonded probe of the default system, on channel 17
constexpr uint8_t kHome = 52;

// A scenario file shipped with the simulator; empty: the default system.
Scenario Shipped(const QString& file)
{
    if (file.isEmpty())
        return QuietDefaultScenario();
    ScenarioLoad load = LoadScenarioFile(std::filesystem::path(KOLMARIS_SCENARIO_DIR) / file.toStdString());
    if (!load.scenario)
        qFatal("%s", load.error.c_str());
    return *load.scenario;
}

void RunOut(QTimer* timer, const std::function<void()>& tick)
{
    for (int i = 0; i < 5000 && timer->isActive(); ++i)
        tick();
}

template <class T>
T* Child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

void Search(TAddBondWND& w, int start, int stop)
{
    Child<QComboBox>(w, "ChanCB")->setCurrentIndex(start);
    Child<QComboBox>(w, "StopCB")->setCurrentIndex(stop);
    w.VyhledatBTClick();
    RunOut(w.AddBondTimer(), [&] { w.AddBondTimerTimer(); });
}

}  // namespace

class TestNetworkWindows : public QObject {
    Q_OBJECT
private slots:
    void searchStaysWithinItsChannels_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("stop");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("lastChannel");
        QTest::newRow("upwards") << 0 << 61 << true << 17;
        QTest::newRow("one channel") << 17 << 17 << true << 17;
        QTest::newRow("downwards") << 30 << 10 << true << 17;
        QTest::newRow("upwards, beyond") << 18 << 30 << false << 30;
        QTest::newRow("downwards, ends after 0") << 3 << 0 << false << 0;
    }
    void searchStaysWithinItsChannels()
    {
        QFETCH(int, start);
        QFETCH(int, stop);
        auto s = Connected();
        TAddBondWND w(s->session);
        w.show();
        Search(w, start, stop);
        QTEST(Child<QPushButton>(w, "AddBondBT")->isEnabled(), "found");
        QTEST(int(s->terminal.Channel()), "lastChannel");
        w.hide();  // closing puts the terminal back on its own channel
        QCOMPARE(s->terminal.Channel(), kHome);
    }

    void bondsTheFoundElementAtTheChosenAddress_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("p2p");
        QTest::newRow("default") << "" << int(kNewcomerP2p);
        QTest::newRow("unbonded-element") << "unbonded-element.json" << 51;
    }
    void bondsTheFoundElementAtTheChosenAddress()
    {
        QFETCH(QString, scenario);
        QFETCH(int, p2p);
        auto s = Connected(Shipped(scenario));
        TAddBondWND w(s->session);
        w.show();
        Search(w, 0, 61);
        auto* address = Child<QComboBox>(w, "MeshAdrCB");
        address->setCurrentText(QStringLiteral("9"));
        w.AddBondBTClick();
        RunOut(w.AddBondTimer(), [&] { w.AddBondTimerTimer(); });

        const auto node = s->terminal.Node(uint8_t(p2p));
        QCOMPARE(node->meshAddress, uint8_t(9));
        QCOMPARE(node->channel, kHome);
        QCOMPARE(node->storedChannel, kHome);
        QVERIFY(s->terminal.Bonded(9));
        QCOMPARE(s->terminal.Channel(), kHome);
        const ElementSlot& slot = s->session.model.ElementTable[9];
        QCOMPARE(int(slot.p2pAddress), p2p);
        QCOMPARE(slot.caption, s->terminal.GetScenario().elements.back().caption.substr(0, 15));
        QCOMPARE(s->dialogs.shown.back().caption, QStringLiteral("Message"));
        QCOMPARE(address->findText(QStringLiteral("9")), -1);  // the show procedure ran again
    }

    // The element's bond request is sent 3 times at most, a channel change AttemptCount + 1 times.
    void refusalsEndTheRunAtTheirLimit_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("refusals");
        QTest::addColumn<bool>("bonded");
        QTest::newRow("bond refused twice") << int(kNewcomerP2p) << 0 << 2 << true;
        QTest::newRow("bond refused 3 times") << int(kNewcomerP2p) << 0 << 3 << false;
        QTest::newRow("channel refused 3 times") << 6 << 0x88 << 3 << true;
        QTest::newRow("channel refused 4 times") << 6 << 0x88 << 4 << false;
    }
    void refusalsEndTheRunAtTheirLimit()
    {
        QFETCH(int, address);
        QFETCH(int, command);
        QFETCH(int, refusals);
        Scenario scenario = QuietDefaultScenario();
        scenario.faults.answerFaults.push_back(
            {AnswerFaultKind::Refused, static_cast<uint8_t>(address), command, refusals});
        auto s = Connected(scenario);
        TAddBondWND w(s->session);
        w.show();
        Search(w, 17, 17);
        w.AddBondBTClick();
        RunOut(w.AddBondTimer(), [&] { w.AddBondTimerTimer(); });
        QTEST(s->dialogs.shown.back().icon == MessageIcon::Information, "bonded");
        QTEST(s->session.model.ElementTable[6].p2pAddress == kNewcomerP2p, "bonded");
    }

    void elementBondedElsewhereAsksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void elementBondedElsewhereAsksFirst()
    {
        QFETCH(bool, yes);
        auto s = Connected(Shipped("foreign-bond.json"));  // P2P address 44, bonded at 7 elsewhere
        TAddBondWND w(s->session);
        w.show();
        Search(w, kHome, kHome);
        s->dialogs.answers = {yes ? MessageResult::Yes : MessageResult::No};
        w.AddBondBTClick();
        QCOMPARE(s->dialogs.shown.back().caption, QStringLiteral("Warning"));
        RunOut(w.AddBondTimer(), [&] { w.AddBondTimerTimer(); });
        const auto node = s->terminal.Node(44);
        QCOMPARE(node->foreignMesh, uint8_t(yes ? 0 : 7));
        QCOMPARE(node->meshAddress, uint8_t(yes ? 3 : 0));  // the first free address
    }

    // Every poll step gives up on an answer that never completes, AttemptCount times 100 polls.
    void silentRadioEndsTheSearch()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.faults.pollsBeforeCompletion = 1 << 20;
        auto s = Connected(scenario);
        TAddBondWND w(s->session);
        w.show();  // its own exchanges fail too; the retry question is declined
        Search(w, 0, 0);
        QVERIFY(!w.AddBondTimer()->isActive());
    }

    void fullMeshLeavesNoAddress()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.elements.clear();
        scenario.elements.resize(16);
        for (uint8_t a = 1; a <= 16; ++a)
            scenario.elements[a - 1].meshAddress = a;
        auto s = Connected(scenario);
        TAddBondWND w(s->session);
        w.show();
        QCOMPARE(s->dialogs.shown.back().text, QStringLiteral("No free MESH address."));
        QVERIFY(w.CancelTMR()->isActive());
    }

    void removesOneElement_data()
    {
        QTest::addColumn<bool>("terminalOnly");
        QTest::newRow("element and terminal") << false;
        QTest::newRow("terminal only") << true;
    }
    void removesOneElement()
    {
        QFETCH(bool, terminalOnly);
        auto s = Connected();
        ElementSlot& slot = s->session.model.ElementTable[2];
        slot.caption = "Living room";
        TRemoveBondWND w(s->session);
        w.show();
        Child<QComboBox>(w, "MeshAdrCB")->setCurrentText(QStringLiteral("2"));
        Child<QCheckBox>(w, "LokalneCB")->setChecked(terminalOnly);
        s->dialogs.answers = {MessageResult::Yes};
        w.OdebratBTClick();
        w.RemoveBondTimerTimer();
        Child<QCheckBox>(w, "AllLocCB")->setChecked(true);  // the run keeps the options it started with
        RunOut(w.RemoveBondTimer(), [&] { w.RemoveBondTimerTimer(); });
        QVERIFY(!s->terminal.Bonded(2));
        QCOMPARE(s->terminal.SlotFunction(2), uint8_t(0));
        QCOMPARE(s->terminal.Node(0x21)->meshAddress, uint8_t(terminalOnly ? 2 : 0));
        QVERIFY(slot.caption.empty());
        QCOMPARE(FunctionCode(slot.status.kind), uint8_t(0));
        QVERIFY(s->terminal.Bonded(1));
    }

    void elementOutOfRangeChangesNothing()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.elements[2].inRange = false;  // MESH 3, P2P address 0x22
        auto s = Connected(scenario);
        s->session.model.ElementTable[3].p2pAddress = 0x22;
        TRemoveBondWND w(s->session);
        w.show();
        Child<QComboBox>(w, "MeshAdrCB")->setCurrentText(QStringLiteral("3"));
        s->dialogs.answers = {MessageResult::Yes};
        w.OdebratBTClick();
        RunOut(w.RemoveBondTimer(), [&] { w.RemoveBondTimerTimer(); });
        QCOMPARE(s->dialogs.shown.back().text,
                 QStringLiteral("Remote bond deleting failed!\nCheck the element position within RF range"));
        QVERIFY(s->terminal.Bonded(3));
        QCOMPARE(s->terminal.SlotFunction(3), uint8_t(3));
        QCOMPARE(s->session.model.ElementTable[3].p2pAddress, uint8_t(0x22));
    }

    void removeAllBondsResetsEveryEntry()
    {
        auto s = Connected();
        for (ElementSlot& slot : s->session.model.ElementTable)
            slot.caption = "x";
        TRemoveBondWND w(s->session);
        w.show();
        Child<QCheckBox>(w, "AllLocCB")->setChecked(true);
        QVERIFY(Child<QCheckBox>(w, "LokalneCB")->isChecked());
        s->dialogs.answers = {MessageResult::Yes};
        w.OdebratBTClick();
        RunOut(w.RemoveBondTimer(), [&] { w.RemoveBondTimerTimer(); });
        for (uint8_t a = 1; a <= 16; ++a) {
            QVERIFY(!s->terminal.Bonded(a));
            QVERIFY(s->session.model.ElementTable[a].caption.empty());
        }
        QCOMPARE(s->session.model.ElementTable[0].caption, std::string("x"));
    }

    void rssiPauseFollowsTheDelay_data()
    {
        QTest::addColumn<QString>("delay");
        QTest::addColumn<int>("pauseMs");
        QTest::newRow("1000") << "1000" << 1000;
        QTest::newRow("50") << "50" << 50;
        QTest::newRow("below 50") << "49" << 50;
        QTest::newRow("empty") << "" << 50;
        QTest::newRow("trailing text") << " 75x" << 75;
    }
    void rssiPauseFollowsTheDelay()
    {
        QFETCH(QString, delay);
        auto s = Connected();
        TRssiBondWND w(s->session);
        w.show();
        Child<QLineEdit>(w, "PauseED")->setText(delay);
        w.StartRssiBTClick();
        QTimer* timer = w.RssiTimer();
        for (int i = 0; i < 10 && timer->interval() == 200; ++i)
            w.RssiTimerTimer();
        QTEST(timer->interval(), "pauseMs");
        QVERIFY(Child<QLabel>(w, "TextLB")->text().contains('\n'));  // element and local values
    }

    void rssiFollowsTheSelectionWhileMeasuring()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.elements[2].inRange = false;
        auto s = Connected(scenario);
        TRssiBondWND w(s->session);
        w.show();
        w.StartRssiBTClick();
        auto* text = Child<QLabel>(w, "TextLB");
        for (int i = 0; i < 3; ++i)
            w.RssiTimerTimer();
        QVERIFY(!text->text().startsWith(QStringLiteral("Error")));
        Child<QComboBox>(w, "MeshAdrCB")->setCurrentText(QStringLiteral("3"));
        for (int i = 0; i < 3; ++i)
            w.RssiTimerTimer();
        QCOMPARE(text->text(), QStringLiteral("Error FFh"));
        QVERIFY(w.RssiTimer()->isActive());
    }
};

QTEST_MAIN(TestNetworkWindows)
#include "test_network_windows.moc"
