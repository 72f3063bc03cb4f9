// System configuration, function assigning, probe initialisation, probe and actuator parameters.
#include "TActivateSensorWND.h"
#include "TConfigureMeasurementWND.h"
#include "TInitSensorWND.h"
#include "TSetParamFanWND.h"
#include "TSetParamSensorWND.h"
#include "WindowRig.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;
using Payload = std::vector<uint8_t>;

namespace {

Scenario Stopped(std::vector<uint8_t> refused = {})
{
    Scenario s = QuietDefaultScenario();
    s.terminal.acquisitionRunning = false;
    s.faults.refusedCommands = std::move(refused);
    return s;
}

void TypeAll(WindowRig& r, const QStringList& edits, const QStringList& texts)
{
    for (int i = 0; i < edits.size(); ++i)
        r.Type(edits[i], texts.value(i));
}

QString LastText(const WindowRig& r)
{
    return r.dialogs.shown.empty() ? QString() : r.dialogs.shown.back().text;
}

bool Checked(const WindowRig& r, const char* box)
{
    return r.Find<QAbstractButton>(box)->isChecked();
}

// The probe parameters window on probe 1 in service mode; its edits in order.
const QStringList kParams{"Disc01ED", "Disc02ED", "Disc03ED", "CalibrED", "LimitED", "ZiskED", "DelkaMerED"};

WindowRig& OpenParams(WindowRig& r)
{
    r.session.serviceMode = true;
    auto& init = r.Make<TInitSensorWND>();
    r.Open<TSetParamSensorWND>(init);
    return r;
}

QString Params(const WindowRig& r)
{
    QStringList values;
    for (const QString& edit : kParams)
        values << r.Text(edit);
    return values.join(' ');
}

}  // namespace

class TestConfigurationWindows : public QObject {
    Q_OBJECT
private slots:
    void timers_data()
    {
        // Typed and shown again: query time, battery cycles; sleep on when saved.
        Columns<QStringList, bool, QString, QStringList>({"typed", "refused", "message", "reopened"});
        const QString saved = "Successfully saved!";
        const QString query = "Query time can be from 240 to 32400 only!";
        const QString batt = "Battime can be from 1 to 256 cycles only!";
        const QStringList before{"900", "4"};
        QTest::newRow("lowest, 256") << QStringList{"240", "256"} << false << saved << QStringList{"240", "256"};
        QTest::newRow("highest, 1") << QStringList{"32400", "1"} << false << saved << QStringList{"32400", "1"};
        QTest::newRow("digits read") << QStringList{" 300s", "+7x"} << false << saved << QStringList{"300", "7"};
        QTest::newRow("239") << QStringList{"239", "4"} << false << query << before;
        QTest::newRow("32401") << QStringList{"32401", "4"} << false << query << before;
        QTest::newRow("cycles 0") << QStringList{"300", "0"} << false << batt << before;
        QTest::newRow("cycles 257") << QStringList{"300", "257"} << false << batt << before;
        QTest::newRow("write refused") << QStringList{"300", "4"} << true << "Command disabled!" << before;
    }
    void timers()
    {
        QFETCH(QStringList, typed);
        QFETCH(bool, refused);
        QFETCH(QString, message);
        WindowRig r(Stopped(refused ? std::vector<uint8_t>{0xBC} : std::vector<uint8_t>{}));
        r.Open<TConfigureMeasurementWND>();
        TypeAll(r, {"QueryTimeED", "BattimeED"}, typed);
        r.Find<QCheckBox>("SleepCB")->setChecked(true);
        r.Click("SaveTimerBT");
        QCOMPARE(LastText(r), message);
        r.window->hide();
        r.window->show();
        QTEST(QStringList({r.Text("QueryTimeED"), r.Text("BattimeED")}), "reopened");
        // Sleep goes out only after the timers were written.
        QCOMPARE(Checked(r, "SleepCB"), message == "Successfully saved!");
    }

    void setTime_data()
    {
        // Typed: day, month, year, hour, minute; the terminal's new time, or the field refused.
        Columns<QStringList, QString>({"typed", "result"});
        QTest::newRow("31 February") << QStringList{"31", "2", "26", "7", "5"} << "03.03.2026 07:05:00";
        QTest::newRow("empty zeros") << QStringList{"1", "1", "", "x", ""} << "01.01.2000 00:00:00";
        QTest::newRow("month 13") << QStringList{"1", "13", "26", "7", "5"} << "month";
        QTest::newRow("year first") << QStringList{"0", "13", "100", "24", "60"} << "year";
        QTest::newRow("day 0") << QStringList{"", "12", "26", "24", "5"} << "day";
        QTest::newRow("hour 24") << QStringList{"31", "12", "99", "24", "60"} << "hour";
        QTest::newRow("minute 60") << QStringList{"31", "12", "99", "23", "60"} << "minute";
    }
    void setTime()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, result);
        WindowRig r;
        r.Open<TConfigureMeasurementWND>();
        const TerminalTime before = r.terminal.Time();
        TypeAll(r, {"DenED", "MesED", "RokED", "HodED", "MinED"}, typed);
        r.Click("Button2");
        const bool refused = !result.contains(':');
        QCOMPARE(r.Last(), refused ? "Warning!|Wrong value in the " + result + " field!" : QString());
        QCOMPARE(QString::fromStdString(FormatTime(r.terminal.Time(), true, true)),
                 refused ? QString::fromStdString(FormatTime(before, true, true)) : result);
    }

    void clocksAndCopyPcTime()
    {
        WindowRig r;
        r.Open<TConfigureMeasurementWND>();
        r.Click("Button1");
        QVERIFY(std::abs(int64_t(r.terminal.Time()) - int64_t(PcTimeToTerminalTime())) <= 2);
        r.Run("TimeTMR", {}, 1);
        const TimeFields pc = TimeToFields(PcTimeToTerminalTime());
        QCOMPARE(r.Text("TermLB"), QString::fromStdString(FormatTime(r.terminal.Time(), true, true)));
        QCOMPARE(r.Text("MesED") + ' ' + r.Text("RokED"), QStringLiteral("%1 %2").arg(pc.month).arg(pc.year));
    }

    void history_data()
    {
        // The terminal refuses to clear while acquiring.
        Columns<bool, bool, QString>({"checked", "running", "message"});
        QTest::newRow("unchecked") << false << false << QString();
        QTest::newRow("cleared") << true << false << "Successfully cleared.";
        QTest::newRow("refused") << true << true << "Command disabled!";
    }
    void history()
    {
        QFETCH(bool, checked);
        QFETCH(bool, running);
        QFETCH(QString, message);
        Scenario s = running ? QuietDefaultScenario() : Stopped();
        s.memory.days = 0.05;
        WindowRig r(s);
        r.Open<TConfigureMeasurementWND>();
        QVERIFY(!r.terminal.RecordsInMemory().empty());
        r.Find<QCheckBox>("EraseHistoryCB")->setChecked(checked);
        r.Click("SaveHistoryBT");
        QCOMPARE(LastText(r), message);
        QCOMPARE(Checked(r, "EraseHistoryCB"), running);
        QCOMPARE(r.terminal.RecordsInMemory().empty(), message == "Successfully cleared.");
    }

    void assignInBothWindows()
    {
        WindowRig r;
        r.Open<TConfigureMeasurementWND>();
        QCOMPARE(r.Items("MeshAdrCB").size(), 5);
        QCOMPARE(r.Find<QComboBox>("ModeCB")->currentIndex(), 3);
        r.Choose("MeshAdrCB", 4);  // the repeater
        QCOMPARE(r.Find<QComboBox>("ModeCB")->currentIndex(), 1);
        r.Choose("ModeCB", 2);
        r.Click("SetBT");
        QCOMPARE(LastText(r), QStringLiteral("Assignment of the element 5 was updated succefully."));
        QCOMPARE(r.session.model.ElementTable[5].status.kind & 0x07, 2);
        // The other window finds what the terminal keeps.
        r.Open<TActivateSensorWND>();
        r.Choose("MeshAdrCB", 4);
        QVERIFY(Checked(r, "FanRB"));

        // A refused assignment leaves the table as it was.
        WindowRig refused(Stopped({0xBD}));
        refused.Open<TConfigureMeasurementWND>();
        refused.Click("SetBT");
        QCOMPARE(LastText(refused), QStringLiteral("Command disabled!"));
        QCOMPARE(refused.session.model.ElementTable[1].status.kind & 0x07, 3);

        // A code beyond the list is kept as read, selects nothing and holds "Save" back.
        WindowRig odd(Quiet([](Scenario& s) { s.elements[0].function = 5; }));
        odd.Open<TConfigureMeasurementWND>();
        QCOMPARE(odd.Find<QComboBox>("ModeCB")->currentIndex(), -1);
        QVERIFY(!odd.Find<QPushButton>("SetBT")->isEnabled());
        QCOMPARE(odd.session.model.ElementTable[1].status.kind & 0x07, 5);
    }

    void parametersBusy_data()
    {
        Columns<int, QString, int, QString>({"busy", "status", "sends", "values"});
        QTest::newRow("busy once") << 1 << "Finished.." << 2 << "12 31 64 1850 300 128 60";
        QTest::newRow("busy three times") << 3 << "Error.." << 3 << "      ";
    }
    // A busy probe is asked three times at most.
    void parametersBusy()
    {
        QFETCH(int, busy);
        Scenario scenario = QuietDefaultScenario();
        scenario.faults.answerFaults.push_back({AnswerFaultKind::Busy, 1, 0x65, busy});
        WindowRig r(scenario);
        OpenParams(r).Click("LoadBT");
        r.Run("ParamsTimer");
        QTEST(int(r.Sent({0x80, 1, 0x65}).size()), "sends");
        QTEST(r.Text("StatusLB"), "status");
        QTEST(Params(r), "values");
    }

    // A value that would not reach the probe as typed ("edit=value") is refused and nothing is sent.
    void parametersRefused_data()
    {
        Columns<QString>({"message"});
        const QString discrimination = "Discrimination must be less than 96!";
        const QString length = "Measurement length must be between 1 and 256!";
        QTest::newRow("Disc02ED=96") << discrimination;
        QTest::newRow("Disc03ED=-1") << discrimination;
        QTest::newRow("DelkaMerED=0") << length;
        QTest::newRow("DelkaMerED=256") << length;
        QTest::newRow("CalibrED=70000") << "Calibration must be between 0 and 65535!";
        QTest::newRow("LimitED=65536") << "Limit must be between 0 and 65535!";
        QTest::newRow("ZiskED=256") << "Gain must be between 0 and 255!";
    }
    void parametersRefused()
    {
        const QString typed = QTest::currentDataTag();
        WindowRig r;
        OpenParams(r);
        r.line.Memory().ClearWritten();
        TypeAll(r, kParams, {"95", "0", "50", "65535", "0", "255", "255"});
        r.Type(typed.section('=', 0, 0), typed.section('=', 1));
        r.Click("SaveBT");
        QVERIFY(!r.Find<QTimer>("ParamsTimer")->isActive());
        QTEST(LastText(r), "message");
        QVERIFY(r.line.Memory().Written().empty());
    }

    void parametersSavedReadBack()
    {
        const QStringList values{"95", "0", "50", "4660", "65535", "255", "255"};
        WindowRig r;
        OpenParams(r);
        TypeAll(r, kParams, values);
        QTest::keyClick(r.Find("CalibrED"), Qt::Key_Return);  // Enter in an edit reads nothing over it
        QVERIFY(!r.Find<QTimer>("ParamsTimer")->isActive());
        r.Click("SaveBT");
        r.Run("ParamsTimer");
        QCOMPARE(LastText(r), QString("Probes parameters succesfully written."));
        TypeAll(r, kParams, {});
        r.Click("LoadBT");
        r.Run("ParamsTimer");
        QCOMPARE(Params(r), values.join(' '));
    }

    // Opened from the panel: the preset shows at once (the terminal's actuator is in Auto with its
    // relay on); saving Auto sends mode 2 and shows the terminal's answer; the next showing without
    // a preset shows nothing.
    void actuatorPresetThenSaveAuto()
    {
        WindowRig r;
        r.Make<TSetParamFanWND>().SetPreset(4, 0x08);  // Off, relay failure
        r.window->show();
        QCOMPARE(r.Text("MeshAdrCB") + r.Text("CurrStateLB"), QString("4Off"));
        QVERIFY(Checked(r, "FanOffRB"));
        QVERIFY(r.Find<QLabel>("CurrStateLB")->autoFillBackground());  // red
        QVERIFY(r.Sent({0x80, 4}).empty());                            // nothing asked of the actuator

        r.Find<QRadioButton>("FanAutoRB")->setChecked(true);
        r.Click("SaveBT");
        r.Run("ProcesTimer");
        QCOMPARE(r.Sent({0x80, 4, 0x8D}), std::vector<Payload>({{0x80, 4, 0x8D, 0xA0, 0x32, 0xCD}}));
        QCOMPARE(r.Text("CurrStateLB"), QString(" On"));
        QVERIFY(!r.Find<QLabel>("CurrStateLB")->autoFillBackground());
        QCOMPARE(r.session.model.ElementTable[4].status.statusFlags & 0x1B, 0x12);
        QCOMPARE(LastText(r), QString("Actuator parameters succesfully written."));

        r.window->hide();
        r.window->show();
        QVERIFY(!Checked(r, "FanAutoRB") && r.Text("CurrStateLB").isEmpty());
    }

    void initialisationControlValue_data()
    {
        Columns<bool, QString, int>({"service", "box", "flags"});
        QTest::newRow("four basic actions") << false << QString() << 0x0F;
        QTest::newRow("clear total counts, basic boxes on") << true << "CheckBox6" << 0x40;
        QTest::newRow("reset processor, basic boxes on") << true << "CheckBox5" << 0x80;
    }
    // "All": every probe in ascending order, each command right after its own terminal time read.
    // A service action replaces the basic bits (its box is set here past the rule that unchecks them).
    void initialisationControlValue()
    {
        QFETCH(bool, service);
        QFETCH(QString, box);
        QFETCH(int, flags);
        WindowRig r;
        r.session.serviceMode = service;
        r.Open<TInitSensorWND>();
        r.line.Memory().ClearWritten();
        QCOMPARE(r.Shown("CheckBox5") && r.Shown("CheckBox6"), service);
        if (!box.isEmpty())
            r.Find<QCheckBox>(box)->setChecked(true);
        r.Click("InitSensorBT");
        r.Run("InitSensorTimer");
        std::vector<Payload> expected;
        for (const uint8_t address : {1, 2, 3}) {
            expected.push_back({0x3A});
            expected.push_back({0x80, address, 0x2E, uint8_t(flags), uint8_t(~flags)});
        }
        std::vector<Payload> sent;
        for (const Payload& p : r.Sent())
            if (p[0] == 0x3A || (p.size() > 2 && p[0] == 0x80 && p[2] == 0x2E))
                sent.emplace_back(p.begin(), p.begin() + std::min<std::size_t>(p.size(), 5));
        QCOMPARE(sent, expected);
        QCOMPARE(LastText(r), QString("Initialisation successfully finished"));
    }
};

QTEST_MAIN(TestConfigurationWindows)
#include "test_configuration_windows.moc"
