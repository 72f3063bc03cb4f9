// The wireless network windows against the in-memory simulated terminal: Add bond, Remove bond,
// RSSI, RF channel, IQRF mode, RF power and the MESH overview.
#include "ScenarioJson.h"
#include "TAddBondWND.h"
#include "TRemoveBondWND.h"
#include "TRssiBondWND.h"
#include "TSetChannelWND.h"
#include "TSetIqrfModeWND.h"
#include "TSetPowerWND.h"
#include "TSumBondWND.h"
#include "WindowRig.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;

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

Scenario Faulty(AnswerFaultKind kind, uint8_t address, int command, int count)
{
    Scenario s = QuietDefaultScenario();
    s.faults.answerFaults.push_back({kind, address, command, count});
    return s;
}

// Repeaters at MESH addresses 1 to 16.
Scenario FullMesh()
{
    Scenario s = QuietDefaultScenario();
    s.elements.clear();
    s.elements.resize(16);
    for (uint8_t a = 1; a <= 16; ++a) {
        s.elements[a - 1].type = ElementType::Repeater;
        s.elements[a - 1].meshAddress = a;
    }
    return s;
}

void Search(WindowRig& r, int start, int stop)
{
    r.Choose("ChanCB", start);
    r.Choose("StopCB", stop);
    r.Click("VyhledatBT");
    r.Run("AddBondTimer");
}

// The numbers in `texts` caught by `pattern`.
QList<int> Numbers(const QStringList& texts, const QString& pattern)
{
    QList<int> numbers;
    for (const QString& t : texts)
        if (const auto m = QRegularExpression(pattern).match(t); m.hasMatch())
            numbers << m.captured(1).toInt();
    return numbers;
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
        WindowRig r;
        r.Open<TAddBondWND>();
        Search(r, start, stop);
        QTEST(r.Find<QPushButton>("AddBondBT")->isEnabled(), "found");
        QTEST(int(r.sim.terminal.Channel()), "lastChannel");
        r.window->hide();  // closing puts the terminal back on its own channel
        QCOMPARE(r.sim.terminal.Channel(), kHome);
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
        WindowRig r(Shipped(scenario));
        r.Open<TAddBondWND>();
        Search(r, 0, 61);
        r.Choose("MeshAdrCB", "9");
        r.Click("AddBondBT");
        r.Run("AddBondTimer");
        const auto node = r.sim.terminal.Node(uint8_t(p2p));
        QCOMPARE(node->meshAddress, uint8_t(9));
        QCOMPARE(node->storedChannel, kHome);
        QCOMPARE(r.sim.terminal.Channel(), kHome);
        const ElementSlot& slot = r.sim.session.model.ElementTable[9];
        QCOMPARE(int(slot.p2pAddress), p2p);
        QCOMPARE(slot.caption, r.sim.terminal.GetScenario().elements.back().caption.substr(0, 15));
        QVERIFY(!r.Items("MeshAdrCB").contains("9"));  // the show procedure ran again
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
        WindowRig r(Faulty(AnswerFaultKind::Refused, uint8_t(address), command, refusals));
        r.Open<TAddBondWND>();
        Search(r, 17, 17);
        r.Click("AddBondBT");
        r.Run("AddBondTimer");
        QTEST(r.sim.dialogs.shown.back().icon == MessageIcon::Information, "bonded");
        QTEST(r.sim.session.model.ElementTable[6].p2pAddress == kNewcomerP2p, "bonded");
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
        WindowRig r(Shipped("foreign-bond.json"));  // P2P address 44, bonded at 7 elsewhere
        r.Open<TAddBondWND>();
        Search(r, kHome, kHome);
        r.sim.dialogs.answers = {yes ? MessageResult::Yes : MessageResult::No};
        r.Click("AddBondBT");
        r.Run("AddBondTimer");
        const auto node = r.sim.terminal.Node(44);
        QCOMPARE(node->foreignMesh, uint8_t(yes ? 0 : 7));
        QCOMPARE(node->meshAddress, uint8_t(yes ? 3 : 0));  // the first free address
    }

    // Every poll step gives up on an answer that never completes, AttemptCount times 100 polls;
    // the window's own exchanges fail too, the retry question declined.
    void silentRadioEndsTheSearch()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.faults.pollsBeforeCompletion = 1 << 20;
        WindowRig r(scenario);
        r.Open<TAddBondWND>();
        Search(r, 0, 0);
        QVERIFY(!r.Find<QTimer>("AddBondTimer")->isActive());
    }

    void fullMeshLeavesNoAddress()
    {
        WindowRig r(FullMesh());
        auto& w = r.Open<TAddBondWND>();
        QCOMPARE(r.Last(), QStringLiteral("Message|No free MESH address."));
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
        WindowRig r;
        ElementSlot& slot = r.sim.session.model.ElementTable[2];
        slot.caption = "Living room";
        r.Open<TRemoveBondWND>();
        r.Choose("MeshAdrCB", "2");
        r.Find<QCheckBox>("LokalneCB")->setChecked(terminalOnly);
        r.sim.dialogs.answers = {MessageResult::Yes};
        r.Click("OdebratBT");
        r.Run("RemoveBondTimer", {}, 1);
        r.Find<QCheckBox>("AllLocCB")->setChecked(true);  // the run keeps the options it started with
        r.Run("RemoveBondTimer");
        QVERIFY(!r.sim.terminal.Bonded(2) && r.sim.terminal.Bonded(1));
        QCOMPARE(r.sim.terminal.SlotFunction(2), uint8_t(0));
        QCOMPARE(r.sim.terminal.Node(0x21)->meshAddress, uint8_t(terminalOnly ? 2 : 0));
        QVERIFY(slot.caption.empty());
        QCOMPARE(FunctionCode(slot.status.kind), uint8_t(0));
    }

    void elementOutOfRangeChangesNothing()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.elements[2].inRange = false;  // MESH 3, P2P address 0x22
        WindowRig r(scenario);
        r.sim.session.model.ElementTable[3].p2pAddress = 0x22;
        r.Open<TRemoveBondWND>();
        r.Choose("MeshAdrCB", "3");
        r.sim.dialogs.answers = {MessageResult::Yes};
        r.Click("OdebratBT");
        r.Run("RemoveBondTimer");
        QCOMPARE(r.sim.dialogs.shown.back().text,
                 QStringLiteral("Remote bond deleting failed!\nCheck the element position within RF range"));
        QVERIFY(r.sim.terminal.Bonded(3));
        QCOMPARE(r.sim.terminal.SlotFunction(3), uint8_t(3));
        QCOMPARE(r.sim.session.model.ElementTable[3].p2pAddress, uint8_t(0x22));
    }

    void removeAllBondsResetsEveryEntry()
    {
        WindowRig r;
        for (ElementSlot& slot : r.sim.session.model.ElementTable)
            slot.caption = "x";
        r.Open<TRemoveBondWND>();
        r.Find<QCheckBox>("AllLocCB")->setChecked(true);
        QVERIFY(r.Find<QCheckBox>("LokalneCB")->isChecked());
        r.sim.dialogs.answers = {MessageResult::Yes};
        r.Click("OdebratBT");
        r.Run("RemoveBondTimer");
        for (uint8_t a = 1; a <= 16; ++a)
            QVERIFY(!r.sim.terminal.Bonded(a) && r.sim.session.model.ElementTable[a].caption.empty());
        QCOMPARE(r.sim.session.model.ElementTable[0].caption, std::string("x"));
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
        WindowRig r;
        r.Open<TRssiBondWND>();
        r.Type("PauseED", delay);
        r.Click("StartRssiBT");
        r.Run("RssiTimer", {}, 3);  // ask, an incomplete poll, the answer
        QTEST(r.Find<QTimer>("RssiTimer")->interval(), "pauseMs");
        QVERIFY(r.Text("TextLB").contains('\n'));  // element and local values
    }

    void rssiFollowsTheSelectionWhileMeasuring()
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.elements[2].inRange = false;
        WindowRig r(scenario);
        r.Open<TRssiBondWND>();
        r.Click("StartRssiBT");
        r.Run("RssiTimer", {}, 3);
        QVERIFY(!r.Text("TextLB").startsWith(QStringLiteral("Error")));
        r.Choose("MeshAdrCB", "3");
        r.Run("RssiTimer", {}, 3);
        QCOMPARE(r.Text("TextLB"), QStringLiteral("Error FFh"));
        QVERIFY(r.Find<QTimer>("RssiTimer")->isActive());
    }

    void channelAllStoresDownwardsThenResets()
    {
        WindowRig r(FullMesh());
        r.Open<TSetChannelWND>();
        r.Choose("ChanCB", 30);
        r.Click("UlozitBT");
        const QStringList texts = r.Run("ProcesTimer", "TextLB");
        QList<int> expected;
        for (int a = 16; a >= 1; --a)
            expected << a;
        QCOMPARE(Numbers(texts, "element No. (\\d+)"), expected);
        QCOMPARE(texts.mid(texts.size() - 4), (QStringList{"Terminal RF channel writing\n", "Reseting MESH..",
                                                            "Resetting terminal..", "Writing finished succesfully "}));
        QCOMPARE(r.sim.terminal.Channel(), 30);
        QCOMPARE(r.sim.terminal.Node(0x2F)->storedChannel, 30);  // element 16
        QCOMPARE(r.sim.session.model.ElementTable[0].channel, kUnknown);
    }

    void channelRefusedByAnElement_data()
    {
        QTest::addColumn<int>("target");  // MeshAdrCB item
        QTest::addColumn<QList<MessageResult>>("answers");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("terminalChannel");
        QTest::newRow("All, Ignore") << 0 << QList{MessageResult::Ignore} << 1 << "Writing finished succesfully " << 20;
        QTest::newRow("All, Retry, Abort") << 0 << QList{MessageResult::Retry, MessageResult::Abort} << 2
                                           << "Action failed" << 52;
        QTest::newRow("element alone") << 3 << QList<MessageResult>{} << 0 << "Action failed" << 52;
    }
    void channelRefusedByAnElement()
    {
        QFETCH(int, target);
        QFETCH(QList<MessageResult>, answers);
        WindowRig r(Faulty(AnswerFaultKind::Refused, 2, 0x88, -1));
        r.sim.dialogs.answers.assign(answers.begin(), answers.end());
        r.Open<TSetChannelWND>();
        r.Choose("ChanCB", 20);
        r.Choose("MeshAdrCB", target);
        r.Click("UlozitBT");
        const QStringList texts = r.Run("ProcesTimer", "TextLB");
        QTEST(texts.back(), "result");
        int questions = 0;
        for (const auto& m : r.sim.dialogs.shown)
            questions += m.caption == "Warning!" && m.buttons == MessageButtons::AbortRetryIgnore;
        QTEST(questions, "questions");
        QTEST(int(r.sim.terminal.Channel()), "terminalChannel");
        if (texts.back() == "Action failed")
            QVERIFY(r.sim.dialogs.shown.back().text.startsWith(" Setting new RF channel failed in the element No.2"));
    }

    void iqrfModeSkipsARefusingElementOnContinue()
    {
        WindowRig r(Faulty(AnswerFaultKind::Refused, 3, 0xCC, -1));
        r.sim.session.serviceMode = true;
        r.sim.dialogs.answers = {MessageResult::Continue};
        r.Open<TSetIqrfModeWND>();
        QVERIFY(r.Shown("UlozitBT"));
        r.Choose("IqrfModeCB", -1);  // a mode the list does not hold
        r.Click("UlozitBT");
        QVERIFY(!r.Find<QTimer>("ProcesTimer")->isActive());
        r.Choose("IqrfModeCB", 2);
        r.Click("UlozitBT");
        const QStringList texts = r.Run("ProcesTimer", "TextLB");
        QVERIFY(texts.contains("Writing RF mode into the element No. 5"));
        QCOMPARE(r.sim.dialogs.shown.size(), size_t{1});
        QVERIFY(r.sim.dialogs.shown[0].text.startsWith("Cannot set RF mode in the element No. 3!"));
        QCOMPARE(texts.back(), QString("Writing finished succesfully"));
        r.window->hide();
        r.sim.session.serviceMode = false;
        r.window->show();
        QVERIFY(!r.Shown("UlozitBT"));
    }

    void powerAllWritesTerminalFirstThenAscending()
    {
        WindowRig r;
        r.Open<TSetPowerWND>();
        r.Choose("MeshAdrCB", 0);
        QVERIFY(!r.Find<QPushButton>("NacistBT")->isEnabled());
        r.Choose("VykonCB", 4);
        r.Click("UlozitBT");
        r.Choose("MeshAdrCB", 2);  // "Read" stays off while writing
        QVERIFY(!r.Find<QPushButton>("NacistBT")->isEnabled());
        const QStringList texts = r.Run("ProcesTimer", "TextLB");
        QCOMPARE(texts.mid(1, 2), (QStringList{"Terminal RAM power writing\n", " Terminal EEPROM power writing\n"}));
        QCOMPARE(Numbers(texts, "RAM power writing\nelement No. (\\d+)"), (QList<int>{1, 2, 3, 4, 5}));
        for (int a : {0, 1, 5})
            QCOMPARE(r.sim.session.model.ElementTable[a].power, 4);
        RelayedAnswer a;
        QVERIFY(ExchangeOnce(r.sim.link, [](StepLink& l) { return RequestReadPower(l, Network::Mesh, 5); }, a));
        QCOMPARE(a.data[2], 4);
    }

    void powerAboveSevenReadsAsZeroAndPresetHoldsOnce()
    {
        Scenario s = QuietDefaultScenario();
        s.elements[1].power = 9;  // MESH 2
        WindowRig r(s);
        r.Make<TSetPowerWND>().Preset(2, 6);
        r.window->show();
        QCOMPARE(r.Text("MeshAdrCB"), QString("2"));
        QCOMPARE(r.Find<QComboBox>("VykonCB")->currentIndex(), 6);
        r.Click("NacistBT");
        r.Run("ProcesTimer");
        QCOMPARE(r.Find<QComboBox>("VykonCB")->currentIndex(), 0);
        QCOMPARE(r.sim.session.model.ElementTable[2].power, 0);
        r.window->hide();
        r.window->show();
        QCOMPARE(r.Text("MeshAdrCB"), QString("1"));
    }

    void overviewReadsEveryRow_data()
    {
        QTest::addColumn<bool>("outOfRange");
        QTest::newRow("16 elements") << false;
        QTest::newRow("element 3 out of range") << true;
    }
    void overviewReadsEveryRow()
    {
        QFETCH(bool, outOfRange);
        Scenario s = FullMesh();
        s.elements[2].inRange = !outOfRange;
        WindowRig r(s);
        r.sim.session.model.ElementTable[3].power = 5;  // an old value the read replaces with its marker
        auto& w = r.Open<TSumBondWND>();
        QCOMPARE(w.Rows().size(), size_t{16});
        r.Click("NacistBT");
        QCOMPARE(r.Run("ProcesTimer", "TextLB").back(), QString(outOfRange ? "Read with errors" : "Read succesfully"));
        QCOMPARE(r.sim.dialogs.shown.size(), size_t{outOfRange});
        for (const auto& row : w.Rows()) {
            const bool unknown = outOfRange && row.address == 3;
            QCOMPARE(row.power->text() == "...", unknown);
            QCOMPARE(row.p2p->text() == "...", unknown);
            QCOMPARE(row.function->currentIndex(), int(kFunctionRepeater));
        }
        QCOMPARE(r.Text("ChanBT"), QString("52"));
    }

    void overviewInterruptRedrawsAndPresetsTheWindows()
    {
        WindowRig r;
        auto& power = r.Make<TSetPowerWND>();
        auto& channel = r.Make<TSetChannelWND>();
        auto& w = r.Make<TSumBondWND>();
        w.SetPresetWindows(&power, &channel);
        QList<QPair<uint8_t, uint8_t>> presets;
        w.openModal = [&](QDialog& d) {
            auto& t = static_cast<TargetWindow&>(d);
            presets << qMakePair(t.PresetTarget, t.PresetValue);
        };
        w.show();
        r.Click("NacistBT");
        while (w.Reader().Step() < 12)
            w.ProcesTimerTimer();
        w.ProcesTimerTimer();  // element 1's voltage shows "?"
        QCOMPARE(w.Rows()[0].voltage->text(), QString("?"));
        r.Click("NacistBT");
        QCOMPARE(r.Text("TextLB"), QString("Reading interrupted..."));
        QCOMPARE(w.Rows()[0].voltage->text(), QString("..."));
        emit w.Rows()[1].power->clicked();
        r.Click("ChanBT");
        QCOMPARE(presets, (QList<QPair<uint8_t, uint8_t>>{{2, 7}, {kPresetAll, 52}}));
    }
};

QTEST_MAIN(TestNetworkWindows)
#include "test_network_windows.moc"
