// SPDX-License-Identifier: GPL-3.0-or-later
// The wireless network windows against the in-memory simulated terminal: Add bond, Remove bond,
// RSSI, RF channel, IQRF mode, RF power and the MESH overview.
#include "ScenarioJson.h"
#include "ScriptedTerminal.h"
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

#include <deque>
#include <numeric>

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

// Acknowledges relayed requests; answers polls from `polls` in turn, repeating the last.
void Serve(ScriptedTerminal& t, std::deque<std::vector<uint8_t>> polls)
{
    t.Respond([polls](const Request& q) mutable -> std::optional<std::vector<uint8_t>> {
        if (q.payload != std::vector<uint8_t>{0xC0})
            return std::vector<uint8_t>{0x80};
        const auto reply = polls.front();
        if (polls.size() > 1)
            polls.pop_front();
        return reply;
    });
}

using MakeWindow = std::function<QDialog&(WindowRig&)>;
template <class W>
MakeWindow Maker()
{
    return [](WindowRig& r) -> QDialog& { return r.Make<W>(); };
}

// Clicks `button` and runs `timer` until it stops; the distinct texts of `label` seen.
QStringList Press(WindowRig& r, const QString& button, const QString& timer, const QString& label = {})
{
    r.Click(button);
    return r.Run(timer, label);
}

void Search(WindowRig& r, int start, int stop)
{
    r.Choose("ChanCB", start);
    r.Choose("StopCB", stop);
    Press(r, "VyhledatBT", "AddBondTimer");
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
    // No network window opens with a default button or the focus on a button that starts a run.
    void windowsOpenWithEnterHarmless_data()
    {
        Columns<MakeWindow>({"make"});
        QTest::newRow("add bond") << Maker<TAddBondWND>();
        QTest::newRow("remove bond") << Maker<TRemoveBondWND>();
        QTest::newRow("RSSI") << Maker<TRssiBondWND>();
        QTest::newRow("channel") << Maker<TSetChannelWND>();
        QTest::newRow("IQRF mode") << Maker<TSetIqrfModeWND>();
        QTest::newRow("power") << Maker<TSetPowerWND>();
        QTest::newRow("overview") << Maker<TSumBondWND>();
    }
    void windowsOpenWithEnterHarmless()
    {
        QFETCH(MakeWindow, make);
        WindowRig r;
        r.session.serviceMode = true;
        QDialog& w = make(r);
        for (int showing = 0; showing < 2; ++showing) {
            w.show();
            for (const QPushButton* button : w.findChildren<QPushButton*>())
                QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
            QCOMPARE(w.focusWidget()->objectName(), QString("ZavritBT"));
            w.hide();
        }
    }

    // Enter twice on the overview just opened: no window opens, no channel changes. Without its
    // value read, the channel button opens the channel window unpreset.
    void overviewEnterTwiceChangesNoChannel()
    {
        WindowRig r;
        auto& power = r.Make<TSetPowerWND>();
        auto& channel = r.Make<TSetChannelWND>();
        auto& w = r.Make<TSumBondWND>();
        w.SetPresetWindows(&power, &channel);
        QStringList opened;
        w.openModal = [&](QDialog& d) {
            opened << d.metaObject()->className();
            d.show();
            QApplication::setActiveWindow(&d);
            QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_Return);
            for (auto* t = d.findChild<QTimer*>("ProcesTimer"); t->isActive();) {
                r.line.AdvanceMs(200);
                QMetaObject::invokeMethod(t, "timeout");
            }
            d.hide();
            QApplication::setActiveWindow(&w);
        };
        w.show();
        QApplication::setActiveWindow(&w);
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(r.terminal.Channel(), kHome);
        QCOMPARE(opened, QStringList{});
        QCOMPARE(r.Text("ChanBT"), QString("..."));
        r.Click("ChanBT");
        QCOMPARE(opened, QStringList{"kolmaris::TSetChannelWND"});
        QCOMPARE(channel.findChild<QComboBox*>("ChanCB")->currentText(), QString("52"));
        QCOMPARE(r.terminal.Channel(), kHome);
    }

    void searchStaysWithinItsChannels_data()
    {
        Columns<int, int, bool, int>({"start", "stop", "found", "lastChannel"});
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
        QTEST(int(r.terminal.Channel()), "lastChannel");
        r.window->hide();  // closing puts the terminal back on its own channel
        QCOMPARE(r.terminal.Channel(), kHome);
    }

    // The element's bond request is sent 3 times at most, a channel change AttemptCount + 1 times;
    // an element bonded elsewhere is bonded on Yes only, its old bond deleted first.
    // The channel searched: 0 to 61 (-1) or this one alone.
    void bond_data()
    {
        Columns<Scenario, int, QString, int, int, int>({"scenario", "channel", "address", "answer", "p2p", "bondedAt"});
        const int yes = int(MessageResult::Yes), no = int(MessageResult::No), at = int(kNewcomerP2p);
        using F = AnswerFaultKind;
        QTest::newRow("default") << Shipped("") << -1 << "9" << yes << at << 9;
        QTest::newRow("unbonded-element") << Shipped("unbonded-element.json") << -1 << "9" << yes << 51 << 9;
        QTest::newRow("bond refused twice") << Faulty(F::Refused, at, 0, 2) << 17 << "" << yes << at << 6;
        QTest::newRow("bond refused 3 times") << Faulty(F::Refused, at, 0, 3) << 17 << "" << yes << at << 0;
        QTest::newRow("channel refused 3 times") << Faulty(F::Refused, 6, 0x88, 3) << 17 << "" << yes << at << 6;
        QTest::newRow("channel refused 4 times") << Faulty(F::Refused, 6, 0x88, 4) << 17 << "" << yes << at << 0;
        QTest::newRow("bonded elsewhere, Yes") << Shipped("foreign-bond.json") << 52 << "" << yes << 44 << 3;
        QTest::newRow("bonded elsewhere, No") << Shipped("foreign-bond.json") << 52 << "" << no << 44 << 0;
    }
    void bond()
    {
        QFETCH(Scenario, scenario);
        QFETCH(int, channel);
        QFETCH(QString, address);
        QFETCH(int, answer);
        QFETCH(int, p2p);
        QFETCH(int, bondedAt);
        WindowRig r(scenario);
        for (uint8_t a = 1; a <= 16; ++a)
            r.session.model.ElementTable[a].status.kind = 0xC3;  // a former probe, out of range
        r.Open<TAddBondWND>();
        Search(r, std::max(channel, 0), channel < 0 ? 61 : channel);
        if (!address.isEmpty())
            r.Choose("MeshAdrCB", address);
        r.dialogs.answers = {MessageResult(answer)};
        Press(r, "AddBondBT", "AddBondTimer");
        const auto node = r.terminal.Node(uint8_t(p2p));
        QCOMPARE(node->foreignMesh == 0, MessageResult(answer) == MessageResult::Yes);
        QCOMPARE(r.dialogs.shown.back().icon == MessageIcon::Information, bondedAt != 0);
        for (const ElementSlot& slot : r.session.model.ElementTable)
            QCOMPARE(slot.p2pAddress == p2p, bondedAt && &slot == &r.session.model.ElementTable[bondedAt]);
        if (!bondedAt)
            return;
        QCOMPARE(int(node->meshAddress), bondedAt);
        QCOMPARE(r.session.model.ElementTable[bondedAt].status.kind & 0xC7, 0);  // no function, no failure yet
        QCOMPARE(node->storedChannel, kHome);
        QCOMPARE(r.terminal.Channel(), kHome);
        QCOMPARE(r.session.model.ElementTable[bondedAt].caption,
                 r.terminal.GetScenario().elements.back().caption.substr(0, 15));
        QVERIFY(!r.Items("MeshAdrCB").contains(QString::number(bondedAt)));  // the show procedure ran again
    }

    // A request whose answers keep an answer error is sent as often as the limit allows; then its
    // step gives up and the window says so.
    void answerErrorsGiveUp_data()
    {
        Columns<bool, int, int, QString, QString>({"remove", "p2p", "command", "message", "text"});
        const QString report = "\nGiven up after 3 answers with error 2.";
        QTest::newRow("bond") << false << int(kNewcomerP2p) << 0x00 << "Error!|Element bonding failed!"
                              << "Action failed" + report;
        QTest::newRow("caption") << false << int(kNewcomerP2p) << 0xF0 << ""
                                 << "On channel 17 found element:\n\nP2P address: 42" + report;
        QTest::newRow("remote bond")
            << true << 33 << 2 << "Error!|Remote bond deleting failed!\nCheck the element position within RF range"
            << "Action failed" + report;
    }
    void answerErrorsGiveUp()
    {
        QFETCH(bool, remove);
        QFETCH(int, p2p);
        QFETCH(int, command);
        WindowRig r(Faulty(AnswerFaultKind::Invalid, uint8_t(p2p), command, -1));
        r.dialogs.defaultAnswer = MessageResult::Yes;
        if (remove) {
            r.session.model.ElementTable[2].p2pAddress = uint8_t(p2p);
            r.Open<TRemoveBondWND>();
            r.Choose("MeshAdrCB", "2");
            Press(r, "OdebratBT", "RemoveBondTimer");
        } else {
            r.Open<TAddBondWND>();
            Search(r, 17, 17);
            if (command != 0xF0) {
                Press(r, "AddBondBT", "AddBondTimer");
            }
        }
        QVERIFY(!r.Find<QTimer>(remove ? "RemoveBondTimer" : "AddBondTimer")->isActive());
        const uint8_t op = remove ? 0x24 : command == 0xF0 ? 0xE2 : 0xF5;
        QCOMPARE(r.Sent({0x80, uint8_t(p2p), op}).size(), size_t{3});
        QTEST(r.Last(), "message");
        QTEST(r.Text("TextLB"), "text");
    }

    // A window closed during a run offers its start button again at its next showing.
    void closedDuringARun_data()
    {
        Columns<MakeWindow, QString, QString>({"make", "button", "caption"});
        QTest::newRow("channel") << Maker<TSetChannelWND>() << "UlozitBT" << "Save";
        QTest::newRow("IQRF mode") << Maker<TSetIqrfModeWND>() << "UlozitBT" << "Save";
        QTest::newRow("power, Save") << Maker<TSetPowerWND>() << "UlozitBT" << "Save";
        QTest::newRow("power, Read") << Maker<TSetPowerWND>() << "NacistBT" << "Read";
    }
    void closedDuringARun()
    {
        QFETCH(MakeWindow, make);
        QFETCH(QString, button);
        WindowRig r;
        r.session.serviceMode = true;
        QDialog& w = make(r);
        w.show();
        r.Click(button);
        r.Run("ProcesTimer", {}, 2);
        QCOMPARE(r.Text(button), QString("Stop"));
        w.hide();
        w.show();
        QTEST(r.Text(button), "caption");
        for (const QWidget* control : w.findChildren<QWidget*>())
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    }

    // An element out of range keeps its bond unless only the terminal's is deleted; an unknown P2P
    // address is read first; "Remove all bonds" takes every slot out.
    void remove_data()
    {
        Columns<int, bool, bool, bool, bool>({"address", "known", "terminalOnly", "all", "inRange"});
        QTest::newRow("element and terminal") << 2 << true << false << false << true;
        QTest::newRow("terminal only") << 2 << true << true << false << true;
        QTest::newRow("out of range") << 3 << true << false << false << false;
        QTest::newRow("16, P2P unknown") << 16 << false << false << false << true;
        QTest::newRow("all bonds") << 3 << true << false << true << false;
    }
    void remove()
    {
        QFETCH(int, address);
        QFETCH(bool, known);
        QFETCH(bool, terminalOnly);
        QFETCH(bool, all);
        QFETCH(bool, inRange);
        Scenario scenario = FullMesh();
        scenario.elements[address - 1].inRange = inRange;
        WindowRig r(scenario);
        for (ElementSlot& slot : r.session.model.ElementTable)
            slot.caption = "Living room";
        if (known)
            r.session.model.ElementTable[address].p2pAddress = uint8_t(0x1F + address);
        r.Open<TRemoveBondWND>();
        r.Choose("MeshAdrCB", QString::number(address));
        r.Find<QCheckBox>("LokalneCB")->setChecked(terminalOnly);
        r.Find<QCheckBox>("AllLocCB")->setChecked(all);
        r.dialogs.answers = {MessageResult::Yes};
        r.Click("OdebratBT");
        r.Run("RemoveBondTimer", {}, 1);
        r.Find<QCheckBox>("AllLocCB")->setChecked(true);  // the run keeps the options it started with
        r.Run("RemoveBondTimer");
        const bool removed = inRange || terminalOnly || all;
        for (uint8_t n = 1; n <= 16; ++n) {
            const bool gone = removed && (all || n == address);
            QCOMPARE(r.terminal.Bonded(n), !gone);
            QCOMPARE(int(r.terminal.SlotFunction(n)), gone ? 0 : int(kFunctionRepeater));
            QCOMPARE(r.session.model.ElementTable[n].caption.empty(), gone);
        }
        const bool remote = removed && !terminalOnly && !all;
        QCOMPARE(int(r.terminal.Node(uint8_t(0x1F + address))->meshAddress), remote ? 0 : address);
        if (!removed)
            QCOMPARE(r.dialogs.shown.back().text,
                     QStringLiteral("Remote bond deleting failed!\nCheck the element position within RF range"));
    }

    // An element without a caption is asked for its P2P address.
    void removeReadsTheP2pAddress()
    {
        WindowRig r;
        r.Open<TRemoveBondWND>();
        r.Choose("MeshAdrCB", "2");
        Press(r, "NacistBT", "RemoveBondTimer");
        QCOMPARE(r.Text("TextLB"), QString("P2P: 33"));
    }

    // The pause after an answer is the delay typed, 50 ms at least; a cycle asks the element
    // chosen while measuring.
    void rssi_data()
    {
        Columns<QString, QString, int, QString>({"delay", "address", "pauseMs", "text"});
        QTest::newRow("49") << "49" << "2" << 50 << "^RSSI element: -\\d+ dBm\nRSSI local: -\\d+ dBm$";
        QTest::newRow("out of range") << " 75x" << "3" << 75 << "^Error FFh$";
    }
    void rssi()
    {
        QFETCH(QString, delay);
        QFETCH(QString, address);
        QFETCH(QString, text);
        WindowRig r(Quiet([](Scenario& s) { s.elements[2].inRange = false; }));
        r.Open<TRssiBondWND>();
        r.Type("PauseED", delay);
        r.Click("StartRssiBT");
        r.Choose("MeshAdrCB", address);
        r.Run("RssiTimer", {}, 3);  // ask, an incomplete poll, the answer
        QTEST(r.Find<QTimer>("RssiTimer")->interval(), "pauseMs");
        QVERIFY2(QRegularExpression(text).match(r.Text("TextLB")).hasMatch(), qPrintable(r.Text("TextLB")));
    }

    void channelAllStoresDownwardsThenResets()
    {
        WindowRig r(FullMesh());
        r.Open<TSetChannelWND>();
        r.Choose("ChanCB", 30);
        const QStringList texts = Press(r, "UlozitBT", "ProcesTimer", "TextLB");
        QList<int> downwards(16);
        std::iota(downwards.rbegin(), downwards.rend(), 1);
        QCOMPARE(Numbers(texts, "element No. (\\d+)"), downwards);
        QCOMPARE(texts.mid(texts.size() - 4), (QStringList{"Terminal RF channel writing\n", "Resetting MESH..",
                                                           "Resetting terminal..", "Writing finished successfully "}));
        QCOMPARE(r.terminal.Channel(), 30);
        QCOMPARE(r.terminal.Node(0x2F)->storedChannel, 30);  // element 16
        QCOMPARE(r.session.model.ElementTable[0].channel, kUnknown);
    }

    // Element 2 keeps refusing the new value (after 5, 4 and 3 took it): "All" asks what to do, a
    // single target fails at once. The preset holds for one showing; the next selects "All" and the
    // terminal's value.
    void storeRefused_data()
    {
        using M = MessageResult;
        Columns<bool, int, QList<M>, bool, QString>({"mode", "target", "answers", "finished", "reopened"});
        QTest::newRow("channel, Ignore") << false << 255 << QList{M::Ignore} << true << "20";
        QTest::newRow("channel, Retry, Abort") << false << 255 << QList{M::Retry, M::Abort} << false << "52";
        QTest::newRow("channel, element 2") << false << 2 << QList<M>{} << false << "52";
        QTest::newRow("mode, Try Again, Continue") << true << 255 << QList{M::TryAgain, M::Continue} << true << "LP";
        QTest::newRow("mode, Cancel") << true << 255 << QList{M::Cancel} << false << "XSP";
    }
    void storeRefused()
    {
        QFETCH(bool, mode);
        QFETCH(int, target);
        QFETCH(QList<MessageResult>, answers);
        QFETCH(bool, finished);
        Scenario s = Faulty(AnswerFaultKind::Refused, 2, mode ? 0xCC : 0x88, -1);
        s.terminal.iqrfMode = 1;
        WindowRig r(s);
        r.session.serviceMode = true;
        r.dialogs.answers.assign(answers.begin(), answers.end());
        TargetWindow& w = mode ? static_cast<TargetWindow&>(r.Make<TSetIqrfModeWND>()) : r.Make<TSetChannelWND>();
        w.Preset(uint8_t(target), mode ? 2 : 20);
        w.show();
        const QString end = Press(r, "UlozitBT", "ProcesTimer", "TextLB").back();
        QCOMPARE(end.startsWith("Writing finished successfully"), finished);
        QCOMPARE(r.dialogs.shown.size(), size_t(answers.size() + !finished));
        // The question names a button its box has.
        if (!answers.isEmpty())
            QVERIFY(r.dialogs.shown.front().text.contains(mode ? "select 'Continue', " : "select 'Ignore', "));
        if (!finished)
            QVERIFY(r.Last().startsWith(mode ? "Error!|Setting new RF mode failed in the element No. 2"
                                             : "Error!| Setting new RF channel failed in the element No.2"));
        w.hide();
        w.show();
        QCOMPARE(r.Text("MeshAdrCB"), QString("All"));
        QTEST(r.Text(mode ? "IqrfModeCB" : "ChanCB"), "reopened");
    }

    // The show selects the mode in answer byte 2, whatever byte 1 holds.
    void modeShownFromByte2()
    {
        WindowRig r;
        ScriptedTerminal t;
        Serve(t, {{0x85, 0x43, 0x30, 0x05, 2}});
        Session s{t.link, r.dialogs};
        r.MakeOn<TSetIqrfModeWND>(s).show();
        QCOMPARE(r.Text("IqrfModeCB"), QString("LP"));
    }

    void powerAllWritesTerminalFirstThenAscending()
    {
        WindowRig r;
        r.Make<TSetPowerWND>().Preset(3, 5);  // for this showing only
        r.window->show();
        QCOMPARE(r.Text("MeshAdrCB") + r.Text("VykonCB"), QString("35"));
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
            QCOMPARE(r.session.model.ElementTable[a].power, 4);
        RelayedAnswer a;
        QVERIFY(ExchangeOnce(
            r.link, [](StepLink& l) { return RequestReadPower(l, Network::Mesh, 5); }, a));
        QCOMPARE(a.data[2], 4);
        r.window->hide();
        r.window->show();
        QCOMPARE(r.Text("MeshAdrCB"), QString("1"));
    }

    // A level above 7 reads as 0. A terminal status in place of the answer (the request was lost)
    // is refused, not taken for the level read before.
    void powerReadLevelThenStatus()
    {
        WindowRig r;
        ScriptedTerminal t;
        Serve(t, {{0x85, 0x45, 0, 1, 0x02, 0, 0}, {0x85, 0x43, 0, 0, 9}, {0x86}});  // 0x86: nothing requested
        Session s{t.link, r.dialogs};
        r.MakeOn<TSetPowerWND>(s).show();
        Press(r, "NacistBT", "ProcesTimer");
        QCOMPARE(r.Text("VykonCB") + QString::number(s.model.ElementTable[1].power), QString("00"));
        Press(r, "NacistBT", "ProcesTimer");
        QCOMPARE(r.Last(), QString("Error!| Reading power failed in the element No. 1!"));
    }

    // Every row read; the element out of range shows its unknown marks, and so does the power of an
    // element that refuses its read AttemptCount times.
    void overviewReadsEveryRow()
    {
        Scenario s = FullMesh();
        s.elements[2].inRange = false;
        s.faults.answerFaults.push_back({AnswerFaultKind::Refused, 5, 0x99, 3});
        WindowRig r(s);
        r.session.model.ElementTable[3].power = 5;  // an old value the read replaces with its marker
        auto& w = r.Open<TSumBondWND>();
        QCOMPARE(Press(r, "NacistBT", "ProcesTimer", "TextLB").back(), QString("Read with errors"));
        QCOMPARE(r.dialogs.shown.size(), size_t{1});
        QCOMPARE(w.Rows().size(), size_t{16});
        for (const auto& row : w.Rows()) {
            QCOMPARE(row.power->text() == "...", row.address == 3 || row.address == 5);
            QCOMPARE(row.p2p->text() == "...", row.address == 3);
            if (row.address != 3 && row.address != 5)  // in dBm, the element's side and the terminal's
                QVERIFY2(QRegularExpression("^-\\d+/-\\d+$").match(row.rssi->text()).hasMatch(),
                         qPrintable(row.rssi->text()));
            QCOMPARE(row.function->currentIndex(), int(kFunctionRepeater));
        }
        QCOMPARE(r.Text("ChanBT"), QString("52"));
    }

    // Each step of the read is tried AttemptCount times: that many failures (requests lost on the
    // line at that step, or refusals of a request) give its row up, one fewer pass.
    void overviewRetryLimit_data()
    {
        Columns<int, int, int, int, int>({"step", "address", "command", "attempts", "failures"});
        for (int attempts : {1, 2, 3}) {
            for (int failures : {attempts - 1, attempts}) {
                for (int step = 2; step <= 17; ++step)
                    QTest::addRow("step %d, %d of %d lost", step, failures, attempts)
                        << step << 0 << 0 << attempts << failures;
                for (const auto& [address, command] : {std::pair{0, 0x88}, {0, 0x99}, {1, 0x99}, {1, 0xD1}, {1, 0x60},
                                                       {0, 0x60}, {0, 0xBB}})
                    QTest::addRow("%d/%02X, %d of %d refused", address, command, failures, attempts)
                        << 0 << address << command << attempts << failures;
            }
        }
    }
    void overviewRetryLimit()
    {
        QFETCH(int, step);
        QFETCH(int, address);
        QFETCH(int, command);
        QFETCH(int, attempts);
        QFETCH(int, failures);
        WindowRig r(Faulty(AnswerFaultKind::Refused, uint8_t(address), command, step ? 0 : failures));
        bool lose = false;
        r.line.Memory().SetPeer([&](std::span<const uint8_t> bytes) {
            if (!lose) {
                r.terminal.Receive(bytes);
                r.line.Memory().Deliver(r.terminal.TakeOutput());
            }
        });
        r.session.settings.attemptCount = attempts;
        auto& w = r.Open<TSumBondWND>();
        r.Click("NacistBT");
        int lost = 0;
        while (w.ProcesTimer()->isActive()) {
            lose = w.Reader().Step() == step && lost < failures;
            lost += lose;
            r.line.AdvanceMs(200);
            w.ProcesTimerTimer();
        }
        QCOMPARE(lost, step ? failures : 0);
        QCOMPARE(w.Reader().RowComplete(0) && w.Reader().RowComplete(1), failures < attempts);
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
