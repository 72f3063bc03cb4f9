// The channel, IQRF mode, RF power and MESH overview windows against the in-memory simulated
// terminal, their timers ticked directly.
#include "SimulatedSession.h"
#include "TSetChannelWND.h"
#include "TSetIqrfModeWND.h"
#include "TSetPowerWND.h"
#include "TSumBondWND.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::SimulatedSession;

namespace {

// Repeaters at MESH addresses 1 to 16.
Scenario FullMesh()
{
    Scenario s = QuietDefaultScenario();
    s.elements.clear();
    for (uint8_t a = 1; a <= 16; ++a) {
        ElementSetup e;
        e.type = ElementType::Repeater;
        e.meshAddress = a;
        s.elements.push_back(e);
    }
    return s;
}

Scenario Refusing(uint8_t address, int command)
{
    Scenario s = QuietDefaultScenario();
    s.faults.answerFaults.push_back({AnswerFaultKind::Refused, address, command, -1});
    return s;
}

struct Sim : SimulatedSession {
    explicit Sim(const Scenario& s) : SimulatedSession(s)
    {
        if (!Connect())
            qFatal("no handshake");
    }
    // A relayed read answered now, e.g. an element's channel after the run.
    int Read(const RelayedSend& send)
    {
        RelayedAnswer a;
        return ExchangeOnce(link, send, a) && a.length == 3 ? a.data[2] : -1;
    }
};

template <class T>
T* Get(QWidget* w, const char* name)
{
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no %s", name);
    return child;
}

// Ticks `tick` while `timer` runs; the distinct TextLB texts in order.
template <class W>
QStringList Run(Sim& sim, W& window, QTimer* timer)
{
    QStringList texts;
    for (int i = 0; timer->isActive() && i < 20000; ++i) {
        sim.line.AdvanceMs(200);
        window.ProcesTimerTimer();
        const QString t = Get<QLabel>(&window, "TextLB")->text();
        if (texts.isEmpty() || texts.back() != t)
            texts << t;
    }
    return texts;
}

// The numbers in the texts that match `pattern` (its first capture).
QList<int> Numbers(const QStringList& texts, const QString& pattern)
{
    QList<int> numbers;
    for (const QString& t : texts)
        if (const auto m = QRegularExpression(pattern).match(t); m.hasMatch())
            numbers << m.captured(1).toInt();
    return numbers;
}

}  // namespace

class NetworkWindows : public QObject {
    Q_OBJECT
private slots:
    void channelAllStoresDownwardsThenResets()
    {
        Sim sim(FullMesh());
        TSetChannelWND w(sim.session);
        w.show();
        Get<QComboBox>(&w, "ChanCB")->setCurrentIndex(30);
        w.UlozitBTClick();
        const QStringList texts = Run(sim, w, w.ProcesTimer());
        QList<int> expected;
        for (int a = 16; a >= 1; --a)
            expected << a;
        QCOMPARE(Numbers(texts, "element No. (\\d+)"), expected);
        QCOMPARE(texts.mid(texts.size() - 4), (QStringList{"Terminal RF channel writing\n", "Reseting MESH..",
                                                            "Resetting terminal..", "Writing finished succesfully "}));
        QCOMPARE(sim.terminal.Channel(), 30);
        QCOMPARE(sim.Read([](StepLink& l) { return RequestReadChannel(l, Network::Mesh, 16); }), 30);
        QCOMPARE(sim.session.model.ElementTable[0].channel, kUnknown);
    }

    void refusingElement_data()
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
    void refusingElement()
    {
        QFETCH(int, target);
        QFETCH(QList<MessageResult>, answers);
        Sim sim(Refusing(2, 0x88));
        sim.dialogs.answers.assign(answers.begin(), answers.end());
        TSetChannelWND w(sim.session);
        w.show();
        Get<QComboBox>(&w, "ChanCB")->setCurrentIndex(20);
        Get<QComboBox>(&w, "MeshAdrCB")->setCurrentIndex(target);
        w.UlozitBTClick();
        const QStringList texts = Run(sim, w, w.ProcesTimer());
        QTEST(texts.back(), "result");
        int questions = 0;
        for (const auto& m : sim.dialogs.shown)
            questions += m.caption == "Warning!" && m.buttons == MessageButtons::AbortRetryIgnore;
        QTEST(questions, "questions");
        QTEST(static_cast<int>(sim.terminal.Channel()), "terminalChannel");
        if (texts.back() == "Action failed")
            QVERIFY(sim.dialogs.shown.back().text.startsWith(" Setting new RF channel failed in the element No.2"));
    }

    void iqrfModeTextsButtonsAndServiceMode()
    {
        Sim sim(Refusing(3, 0xCC));
        sim.session.serviceMode = true;
        sim.dialogs.answers = {MessageResult::Continue};
        TSetIqrfModeWND w(sim.session);
        w.show();
        QVERIFY(Get<QPushButton>(&w, "UlozitBT")->isVisible());
        Get<QComboBox>(&w, "IqrfModeCB")->setCurrentIndex(-1);  // a mode the list does not hold
        w.UlozitBTClick();
        QVERIFY(!w.ProcesTimer()->isActive());
        Get<QComboBox>(&w, "IqrfModeCB")->setCurrentIndex(2);
        w.UlozitBTClick();
        const QStringList texts = Run(sim, w, w.ProcesTimer());
        QVERIFY(texts.contains("Writing RF mode into the element No. 5"));
        QCOMPARE(sim.dialogs.shown.size(), size_t{1});
        QCOMPARE(sim.dialogs.shown[0].buttons, MessageButtons::CancelTryContinue);
        QVERIFY(sim.dialogs.shown[0].text.startsWith("Cannot set RF mode in the element No. 3!"));
        QCOMPARE(texts.back(), QString("Writing finished succesfully"));
        w.hide();
        sim.session.serviceMode = false;
        w.show();
        QVERIFY(!Get<QPushButton>(&w, "UlozitBT")->isVisible());
    }

    void powerAllWritesTerminalFirstThenAscending()
    {
        Sim sim(QuietDefaultScenario());
        TSetPowerWND w(sim.session);
        w.show();
        Get<QComboBox>(&w, "MeshAdrCB")->setCurrentIndex(0);
        QVERIFY(!Get<QPushButton>(&w, "NacistBT")->isEnabled());
        Get<QComboBox>(&w, "VykonCB")->setCurrentIndex(4);
        w.UlozitBTClick();
        Get<QComboBox>(&w, "MeshAdrCB")->setCurrentIndex(2);  // "Read" stays off while writing
        QVERIFY(!Get<QPushButton>(&w, "NacistBT")->isEnabled());
        const QStringList texts = Run(sim, w, w.ProcesTimer());
        QCOMPARE(texts.mid(1, 2), (QStringList{"Terminal RAM power writing\n", " Terminal EEPROM power writing\n"}));
        QCOMPARE(Numbers(texts, "RAM power writing\nelement No. (\\d+)"), (QList<int>{1, 2, 3, 4, 5}));
        for (int a : {0, 1, 5})
            QCOMPARE(sim.session.model.ElementTable[a].power, 4);
        QCOMPARE(sim.Read([](StepLink& l) { return RequestReadPower(l, Network::Mesh, 5); }), 4);
    }

    void powerAboveSevenReadsAsZeroAndPresetHoldsOnce()
    {
        Scenario s = QuietDefaultScenario();
        s.elements[1].power = 9;  // MESH 2
        Sim sim(s);
        TSetPowerWND w(sim.session);
        w.Preset(2, 6);
        w.show();
        QCOMPARE(Get<QComboBox>(&w, "MeshAdrCB")->currentText(), QString("2"));
        QCOMPARE(Get<QComboBox>(&w, "VykonCB")->currentIndex(), 6);
        w.NacistBTClick();
        Run(sim, w, w.ProcesTimer());
        QCOMPARE(Get<QComboBox>(&w, "VykonCB")->currentIndex(), 0);
        QCOMPARE(sim.session.model.ElementTable[2].power, 0);
        w.hide();
        w.show();
        QCOMPARE(Get<QComboBox>(&w, "MeshAdrCB")->currentText(), QString("1"));
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
        Sim sim(s);
        sim.session.model.ElementTable[3].power = 5;  // an old value the read replaces with its marker
        TSumBondWND w(sim.session);
        w.show();
        QCOMPARE(w.Rows().size(), size_t{16});
        QCOMPARE(w.Rows().back().name->text(), QString("B16:"));
        w.NacistBTClick();
        const QStringList texts = Run(sim, w, w.ProcesTimer());
        QCOMPARE(texts.back(), QString(outOfRange ? "Read with errors" : "Read succesfully"));
        QCOMPARE(sim.dialogs.shown.size(), size_t{outOfRange});
        for (const auto& row : w.Rows()) {
            const bool unknown = outOfRange && row.address == 3;
            QCOMPARE(row.power->text() == "...", unknown);
            QCOMPARE(row.p2p->text() == "...", unknown);
            QCOMPARE(row.function->currentIndex(), int(kFunctionRepeater));
        }
        QCOMPARE(Get<QPushButton>(&w, "ChanBT")->text(), QString("52"));
    }

    void overviewInterruptRedrawsAndPresetsTheWindows()
    {
        Sim sim(QuietDefaultScenario());
        TSetPowerWND power(sim.session);
        TSetChannelWND channel(sim.session);
        TSumBondWND w(sim.session);
        w.SetPresetWindows(&power, &channel);
        QList<QPair<uint8_t, uint8_t>> presets;
        w.openModal = [&](QDialog& d) {
            auto& t = static_cast<TargetWindow&>(d);
            presets << qMakePair(t.PresetTarget, t.PresetValue);
        };
        w.show();
        w.NacistBTClick();
        while (w.Reader().Step() < 12)
            w.ProcesTimerTimer();
        w.ProcesTimerTimer();  // element 1's voltage shows "?"
        QCOMPARE(w.Rows()[0].voltage->text(), QString("?"));
        w.NacistBTClick();
        QCOMPARE(Get<QLabel>(&w, "TextLB")->text(), QString("Reading interrupted..."));
        QCOMPARE(w.Rows()[0].voltage->text(), QString("..."));
        emit w.Rows()[1].power->clicked();
        emit Get<QPushButton>(&w, "ChanBT")->clicked();
        QCOMPARE(presets, (QList<QPair<uint8_t, uint8_t>>{{2, 7}, {kPresetAll, 52}}));
    }
};

QTEST_MAIN(NetworkWindows)
#include "test_network_settings_windows.moc"
