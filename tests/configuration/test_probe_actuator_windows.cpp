// Probe initialisation, probe parameters and actuator parameters against the in-memory
// simulated terminal: the timer handlers are called directly, the wire is read back.
#include "SimulatedSession.h"
#include "TInitSensorWND.h"
#include "TSetParamFanWND.h"
#include "TMainWND.h"
#include "TSetParamSensorWND.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace kolmaris;
using Payload = std::vector<uint8_t>;

namespace {

struct Rig {
    explicit Rig(bool service = false, const Scenario& scenario = testing::QuietDefaultScenario()) : sim(scenario)
    {
        if (!sim.Connect())
            qFatal("no handshake");
        sim.session.serviceMode = service;
    }
    template <class T = QWidget>
    T* Find(QWidget* window, const char* name) const
    {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    // Shows `window` (its opening exchanges run) and forgets what was sent so far.
    void Open(QWidget* window)
    {
        window->show();
        sim.line.Memory().ClearWritten();
    }
    // Ticks `timer`'s handler until it stops.
    template <class Window>
    void Run(Window* window, QTimer* timer, void (Window::*tick)())
    {
        for (int i = 0; timer->isActive() && i < 5000; ++i) {
            sim.line.AdvanceMs(200);
            (window->*tick)();
        }
        QVERIFY(!timer->isActive());
    }
    std::vector<Payload> Sent(const Payload& prefix) { return sim.Sent(prefix); }
    QString LastMessage() const { return sim.dialogs.shown.empty() ? QString() : sim.dialogs.shown.back().text; }

    testing::SimulatedSession sim;
};

}  // namespace

class ProbeActuatorWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void InitialisationControlValue_data();
    void InitialisationControlValue();
    void ParametersBusy_data();
    void ParametersBusy();
    void ParametersRefused_data();
    void ParametersRefused();
    void ParametersSavedReadBack();
    void ActuatorPresetThenSaveAuto();
    void MainWindowPanelPresetsActuator();
};

namespace {

// The probe parameters window on probe 1 with its edits set to `values` (Disc01ED to DelkaMerED).
struct ParamsRig : Rig {
    explicit ParamsRig(const Scenario& scenario = testing::QuietDefaultScenario()) : Rig(true, scenario)
    {
        Open(&window);
    }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(&window, name); }
    void Fill(const QStringList& values)
    {
        for (int i = 0; i < values.size(); ++i)
            Edit(kEdits[i])->setText(values[i]);
    }
    QStringList Edits()
    {
        QStringList values;
        for (const char* name : kEdits)
            values << Edit(name)->text();
        return values;
    }
    void Run() { Rig::Run(&window, window.ParamsTimer(), &TSetParamSensorWND::ParamsTimerTimer); }

    static constexpr const char* kEdits[] = {"Disc01ED", "Disc02ED", "Disc03ED", "CalibrED",
                                             "LimitED",  "ZiskED",   "DelkaMerED"};
    TInitSensorWND init{sim.session};
    TSetParamSensorWND window{sim.session, init};
};

}  // namespace

void ProbeActuatorWindowsTest::ParametersBusy_data()
{
    QTest::addColumn<int>("busy");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QString>("status");
    QTest::newRow("busy once") << 1 << 2 << "Finished..";
    QTest::newRow("busy three times") << 3 << 3 << "Error..";
}

// A busy probe is asked three times at most.
void ProbeActuatorWindowsTest::ParametersBusy()
{
    QFETCH(int, busy);
    QFETCH(int, sends);
    QFETCH(QString, status);
    Scenario scenario = testing::QuietDefaultScenario();
    scenario.faults.answerFaults.push_back({AnswerFaultKind::Busy, 1, 0x65, busy});
    ParamsRig rig(scenario);
    rig.window.LoadBTClick();
    rig.Run();
    QCOMPARE(int(rig.Sent({0x80, 1, 0x65}).size()), sends);
    QCOMPARE(rig.Find<QLabel>(&rig.window, "StatusLB")->text(), status);
    QCOMPARE(rig.Edits().join(' '), QString(busy < 3 ? "12 31 64 1850 300 128 60" : "      "));
}

void ProbeActuatorWindowsTest::ParametersRefused_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    const QString discrimination = "Discrimination must be less than 96!";
    const QString length = "Measurement length must be between 1 and 256!";
    QTest::newRow("discrimination 96") << "Disc02ED" << "96" << discrimination;
    QTest::newRow("negative discrimination") << "Disc03ED" << "-1" << discrimination;
    QTest::newRow("record time 0") << "DelkaMerED" << "0" << length;
    QTest::newRow("record time 256") << "DelkaMerED" << "256" << length;
    QTest::newRow("calibration 70000") << "CalibrED" << "70000" << "Calibration must be between 0 and 65535!";
    QTest::newRow("limit 65536") << "LimitED" << "65536" << "Limit must be between 0 and 65535!";
    QTest::newRow("gain 256") << "ZiskED" << "256" << "Gain must be between 0 and 255!";
}

// A value that would not reach the probe as typed is refused and nothing is sent.
void ProbeActuatorWindowsTest::ParametersRefused()
{
    QFETCH(QString, edit);
    QFETCH(QString, value);
    QFETCH(QString, message);
    ParamsRig rig;
    rig.Fill({"95", "0", "50", "65535", "0", "255", "255"});
    rig.Edit(qPrintable(edit))->setText(value);
    rig.window.SaveBTClick();
    QVERIFY(!rig.window.ParamsTimer()->isActive());
    QCOMPARE(rig.LastMessage(), message);
    QVERIFY(rig.sim.line.Memory().Written().empty());
}

void ProbeActuatorWindowsTest::ParametersSavedReadBack()
{
    const QStringList values{"95", "0", "50", "4660", "65535", "255", "255"};
    ParamsRig rig;
    rig.Fill(values);
    QTest::keyClick(rig.Edit("CalibrED"), Qt::Key_Return);  // Enter in an edit reads nothing over it
    QVERIFY(!rig.window.ParamsTimer()->isActive());
    rig.window.SaveBTClick();
    rig.Run();
    QCOMPARE(rig.LastMessage(), QString("Probes parameters succesfully written."));
    rig.Fill({"", "", "", "", "", "", ""});
    rig.window.LoadBTClick();
    rig.Run();
    QCOMPARE(rig.Edits(), values);
}

// Opened from the panel: the preset shows at once (the terminal's actuator is in Auto with its
// relay on); saving Auto sends mode 2 and shows the terminal's answer; the next showing without
// a preset shows nothing.
void ProbeActuatorWindowsTest::ActuatorPresetThenSaveAuto()
{
    Rig rig;
    TSetParamFanWND window(rig.sim.session);
    window.SetPreset(4, 0x08);  // Off, relay failure
    window.show();
    QCOMPARE(rig.Find<QComboBox>(&window, "MeshAdrCB")->currentText(), QString("4"));
    QVERIFY(rig.Find<QRadioButton>(&window, "FanOffRB")->isChecked());
    auto* state = rig.Find<QLabel>(&window, "CurrStateLB");
    QCOMPARE(state->text(), QString("Off"));
    QVERIFY(state->autoFillBackground());  // red
    QVERIFY(rig.Sent({0x80, 4}).empty());  // nothing asked of the actuator

    rig.Find<QRadioButton>(&window, "FanAutoRB")->setChecked(true);
    window.SaveBTClick();
    rig.Run(&window, window.ProcesTimer(), &TSetParamFanWND::ProcesTimerTimer);
    QCOMPARE(rig.Sent({0x80, 4, 0x8D}), std::vector<Payload>({{0x80, 4, 0x8D, 0xA0, 0x32, 0xCD}}));
    QCOMPARE(state->text(), QString(" On"));
    QVERIFY(!state->autoFillBackground());
    QCOMPARE(rig.sim.session.model.ElementTable[4].status.statusFlags & 0x1B, 0x12);
    QCOMPARE(rig.LastMessage(), QString("Actuator parameters succesfully written."));

    // Opened again without a preset: nothing is shown of the actuator until it is read.
    window.hide();
    rig.Open(&window);
    QVERIFY(!rig.Find<QRadioButton>(&window, "FanAutoRB")->isChecked() && state->text().isEmpty());
}

void ProbeActuatorWindowsTest::InitialisationControlValue_data()
{
    QTest::addColumn<bool>("service");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("flags");
    QTest::newRow("four basic actions") << false << QString() << 0x0F;
    QTest::newRow("clear total counts alone") << true << "CheckBox6" << 0x40;
    QTest::newRow("reset processor alone") << true << "CheckBox5" << 0x80;
}

// "All": every probe in ascending order, each command right after its own terminal time read.
void ProbeActuatorWindowsTest::InitialisationControlValue()
{
    QFETCH(bool, service);
    QFETCH(QString, box);
    QFETCH(int, flags);
    Rig rig(service);
    TInitSensorWND window(rig.sim.session);
    rig.Open(&window);
    QCOMPARE(rig.Find(&window, "CheckBox5")->isHidden(), !service);
    QCOMPARE(rig.Find(&window, "CheckBox6")->isHidden(), !service);
    if (!box.isEmpty())
        rig.Find<QCheckBox>(&window, qPrintable(box))->click();
    window.InitSensorBTClick();
    rig.Run(&window, window.InitSensorTimer(), &TInitSensorWND::InitSensorTimerTimer);

    std::vector<Payload> expected;
    for (const uint8_t address : {1, 2, 3}) {
        expected.push_back({0x3A});
        expected.push_back({0x80, address, 0x2E, uint8_t(flags), uint8_t(~flags)});
    }
    std::vector<Payload> sent;
    for (const Payload& p : rig.Sent({}))
        if (p[0] == 0x3A || (p.size() > 2 && p[0] == 0x80 && p[2] == 0x2E))
            sent.emplace_back(p.begin(), p.begin() + std::min<std::size_t>(p.size(), 5));
    QCOMPARE(sent, expected);
    QCOMPARE(rig.LastMessage(), QString("Initialisation successfully finished"));
}

// The panel's Set button stops the acquisition and hands over its actuator and last known state.
void ProbeActuatorWindowsTest::MainWindowPanelPresetsActuator()
{
    Rig rig;
    TMainWND main(rig.sim.session);
    auto* window = new TSetParamFanWND(rig.sim.session, &main);
    ToolWindows tools;
    tools.fanParams = window;
    main.SetToolWindows(tools);
    rig.Find<QComboBox>(&main, "FansCB")->addItem("4");
    rig.sim.session.model.AcquisitionRunning = true;
    rig.sim.session.model.ElementTable[4].status.statusFlags = 0x01;  // On
    QString shown;
    QTimer::singleShot(0, window, [&] {
        shown = rig.Find<QComboBox>(window, "MeshAdrCB")->currentText() + " " +
                QString::number(rig.Find<QRadioButton>(window, "FanOnRB")->isChecked()) + " " +
                rig.Find<QLabel>(window, "CurrStateLB")->text();
        window->reject();
    });
    rig.Find<QPushButton>(&main, "SetFanBT")->click();
    QCOMPARE(shown, QString("4 1 Off"));
    QVERIFY(!rig.sim.terminal.AcquisitionRunning());
}

QTEST_MAIN(ProbeActuatorWindowsTest)
#include "test_probe_actuator_windows.moc"
