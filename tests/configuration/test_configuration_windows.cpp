// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <functional>

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

// Payloads as hex bytes, ", " between them.
QString Hex(const std::vector<Payload>& payloads)
{
    QStringList texts;
    for (const Payload& p : payloads)
        texts << QByteArray(reinterpret_cast<const char*>(p.data()), qsizetype(p.size())).toHex(' ').toUpper();
    return texts.join(", ");
}

bool Checked(const WindowRig& r, const char* box)
{
    return r.Find<QAbstractButton>(box)->isChecked();
}

// Opens a window; the initialisation window, made before it, is the parameters window's owner.
using Open = std::function<void(WindowRig&, TInitSensorWND&)>;

// The probe parameters window on probe 1 in service mode; its edits in order.
const QStringList kParams{"Disc01ED", "Disc02ED", "Disc03ED", "CalibrED", "LimitED", "ZiskED", "DelkaMerED"};

WindowRig& OpenParams(WindowRig& r)
{
    r.session.serviceMode = true;
    auto& init = r.Make<TInitSensorWND>();
    r.Open<TSetParamSensorWND>(init);
    return r;
}

// Clicks `button` and runs `timer` until it stops.
void Press(WindowRig& r, const QString& button, const QString& timer = "ParamsTimer")
{
    r.Click(button);
    r.Run(timer);
}

// The same, probe 1's parameters read: Save may write them.
WindowRig& ReadParams(WindowRig& r)
{
    Press(OpenParams(r), "LoadBT");
    return r;
}

QString Params(const WindowRig& r)
{
    QStringList values;
    for (const QString& edit : kParams)
        values << r.Text(edit);
    return values.join(' ');
}

// The values and whether Save may write them.
QString Shown(const WindowRig& r)
{
    return Params(r) + (r.Find("SaveBT")->isEnabled() ? " Save" : "");
}

}  // namespace

class TestConfigurationWindows : public QObject {
    Q_OBJECT
private slots:
    void timers_data()
    {
        // Typed and shown again: query time, battery cycles; sleep on when saved.
        // The requests written: the timers, then the sleep mode.
        Columns<QString, bool, QString, QString, QString>({"typed", "refused", "message", "reopened", "sent"});
        const QString saved = "Successfully saved!";
        const QString query = "Query time can be from 240 to 32400 only!";
        const QString batt = "Battime can be from 1 to 256 cycles only!";
        QTest::newRow("lowest, 256") << "240|256" << false << saved << "240|256" << "BC 00 F0 00, BE 87";
        QTest::newRow("highest, 1") << "32400|1" << false << saved << "32400|1" << "BC 7E 90 01, BE 87";
        QTest::newRow("digits read") << " 300s|+7x" << false << saved << "300|7" << "BC 01 2C 07, BE 87";
        QTest::newRow("239") << "239|4" << false << query << "900|4" << "";
        QTest::newRow("32401") << "32401|4" << false << query << "900|4" << "";
        QTest::newRow("cycles 0") << "300|0" << false << batt << "900|4" << "";
        QTest::newRow("cycles 257") << "300|257" << false << batt << "900|4" << "";
        QTest::newRow("write refused") << "300|4" << true << "Command disabled!" << "900|4" << "BC 01 2C 04";
    }
    void timers()
    {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        QFETCH(QString, message);
        WindowRig r(Stopped(refused ? std::vector<uint8_t>{0xBC} : std::vector<uint8_t>{}));
        r.Open<TConfigureMeasurementWND>();
        TypeAll(r, {"QueryTimeED", "BattimeED"}, typed.split('|'));
        r.Find<QCheckBox>("SleepCB")->setChecked(true);
        r.Click("SaveTimerBT");
        QCOMPARE(LastText(r), message);
        QTEST(Hex(r.Sent({0xBC})) + (r.Sent({0xBE}).empty() ? "" : ", " + Hex(r.Sent({0xBE}))), "sent");
        r.window->hide();
        r.window->show();
        QTEST(r.Text("QueryTimeED") + '|' + r.Text("BattimeED"), "reopened");
        // Sleep goes out only after the timers were written.
        QCOMPARE(Checked(r, "SleepCB"), message == "Successfully saved!");
    }

    void setTime_data()
    {
        // Typed: day, month, year, hour, minute; the terminal's new time, or the field refused.
        Columns<QStringList, QString>({"typed", "result"});
        QTest::newRow("31 February") << QStringList{"31", "2", "26", "7", "5"} << "day";
        QTest::newRow("29 February 2025") << QStringList{"29", "2", "25", "7", "5"} << "day";
        QTest::newRow("31 April") << QStringList{"31", "4", "26", "23", "59"} << "day";
        QTest::newRow("29 February 2024") << QStringList{"29", "2", "24", "7", "5"} << "29.02.2024 07:05:00";
        QTest::newRow("31 December") << QStringList{"31", "12", "99", "23", "59"} << "31.12.2099 23:59:00";
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
        QCOMPARE(LastText(r), QStringLiteral("Assignment of the element 5 was updated successfully."));
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
        Press(OpenParams(r), "LoadBT");
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
        ReadParams(r);
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
        ReadParams(r);
        TypeAll(r, kParams, values);
        QTest::keyClick(r.Find("CalibrED"), Qt::Key_Return);  // Enter in an edit reads nothing over it
        QVERIFY(!r.Find<QTimer>("ParamsTimer")->isActive());
        Press(r, "SaveBT");
        QCOMPARE(LastText(r), QString("Probe parameters successfully written."));
        TypeAll(r, kParams, {});
        Press(r, "LoadBT");
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
        Press(r, "SaveBT", "ProcesTimer");
        QCOMPARE(r.Sent({0x80, 4, 0x8D}), std::vector<Payload>({{0x80, 4, 0x8D, 0xA0, 0x32, 0xCD}}));
        QCOMPARE(r.Text("CurrStateLB"), QString(" On"));
        QVERIFY(!r.Find<QLabel>("CurrStateLB")->autoFillBackground());
        QCOMPARE(r.session.model.ElementTable[4].status.statusFlags & 0x1B, 0x12);
        QCOMPARE(LastText(r), QString("Actuator parameters successfully written."));

        r.window->hide();
        r.window->show();
        QVERIFY(!Checked(r, "FanAutoRB") && r.Text("CurrStateLB").isEmpty());
    }

    void initialisationControlValue_data()
    {
        // The boxes clicked, in turn; the requests of each probe after its terminal time read
        // (the terminal's clock stands at 10.03.2025 10:00:00); the question asked first.
        Columns<bool, QStringList, QString, QString>({"service", "boxes", "request", "question"});
        const QString all = "Initialise all 3 radon probes (No. 1, 2, 3)?\n\n";
        QTest::newRow("four basic actions")
            << false << QStringList{"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"}
            << "2E 0F F0 2F 61 74 A0"
            << all + "Lost for good in each of them:\n - the spectrum memory\n - the Rn records memory\n"
                     " - the measurement in progress\n\nContinue?";
        QTest::newRow("copy time only") << false << QStringList{"CheckBox4"} << "2E 08 F7 2F 61 74 A0"
                                        << all + "Nothing is deleted.\n\nContinue?";
        QTest::newRow("clear total counts after basic boxes")
            << true << QStringList{"CheckBox1", "CheckBox4", "CheckBox6"} << "2E 40 BF 4B 6F 6C 6D"
            << all + "Lost for good in each of them:\n - the total counts\n\nContinue?";
        QTest::newRow("reset processor") << true << QStringList{"CheckBox3", "CheckBox5"} << "2E 80 7F 4B 6F 6C 6D"
                                         << all + "Lost for good in each of them:\n - the measurement in "
                                                  "progress\n\nContinue?";
    }
    // "All": every probe in ascending order, each whole command right after its own terminal time
    // read; the probe's clock comes from the terminal's, never from the PC's.
    void initialisationControlValue()
    {
        QFETCH(bool, service);
        QFETCH(QStringList, boxes);
        QFETCH(QString, request);
        WindowRig r(Quiet([](Scenario& s) { s.terminal.timeAcceleration = 0; }));
        r.session.serviceMode = service;
        r.Open<TInitSensorWND>();
        r.line.Memory().ClearWritten();
        QCOMPARE(r.Shown("CheckBox5") && r.Shown("CheckBox6"), service);
        r.Choose("MeshAdrCB", "All");
        for (const QString& box : boxes)
            r.Click(box);
        r.dialogs.answers = {MessageResult::Yes};
        r.Click("InitSensorBT");
        QTEST(LastText(r), "question");
        r.Run("InitSensorTimer");
        QStringList expected;
        for (const QString address : {"01", "02", "03"})
            expected << "3A" << "80 " + address + " " + request;
        std::vector<Payload> sent;
        for (const Payload& p : r.Sent())
            if (p[0] == 0x3A || (p.size() > 2 && p[0] == 0x80 && p[2] == 0x2E))
                sent.push_back(p);
        QCOMPARE(Hex(sent), expected.join(", "));
        QCOMPARE(LastText(r), QString("Initialisation successfully finished"));
    }

    // Opened, it clears nothing whatever Enter does; a run that clears or reaches more than one
    // probe starts only after one question, whose default answer is No.
    void initialisationOpensOnNothing()
    {
        WindowRig r;
        r.session.serviceMode = true;
        r.Open<TInitSensorWND>();
        r.line.Memory().ClearWritten();
        QCOMPARE(r.Find<QComboBox>("MeshAdrCB")->currentIndex(), -1);
        for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6"})
            QVERIFY2(!Checked(r, box), box);
        QVERIFY(!r.Find("InitSensorBT")->isEnabled());
        for (const char* target : {"MeshAdrCB", "CheckBox1", "InitSensorBT", "ZavritBT"}) {
            QTest::keyClick(r.Find(target), Qt::Key_Return);
            QTest::keyClick(r.window, Qt::Key_Enter);
        }
        r.Run("InitSensorTimer");
        QVERIFY(r.Sent({0x80}).empty());
        QVERIFY(r.window->isVisible());

        r.Choose("MeshAdrCB", "2");
        r.Click("CheckBox2");
        r.dialogs.defaultAnswer = MessageResult::No;
        r.Click("InitSensorBT");
        QCOMPARE(r.Last(), QString("Warning|Initialise radon probe No. 2?\n\nLost for good in it:\n"
                                   " - the Rn records memory\n\nContinue?"));
        QCOMPARE(r.dialogs.shown.back().buttons, MessageButtons::YesNo);
        r.Run("InitSensorTimer");
        QVERIFY(r.Sent({0x80}).empty());
        // Restarting one probe's measurement loses no memory: no question.
        r.Click("CheckBox2");
        r.Click("CheckBox3");
        const std::size_t asked = r.dialogs.shown.size();
        Press(r, "InitSensorBT", "InitSensorTimer");
        QCOMPARE(r.dialogs.shown.size(), asked + 1);
        QCOMPARE(LastText(r), QString("Initialisation successfully finished"));
        QCOMPARE(Hex(r.Sent({0x80, 2, 0x2E})), QString("80 02 2E 04 FB 4B 6F 6C 6D"));
    }

    // The edits hold the selected probe's values or nothing: another probe's calibration is never
    // on show, or saved, under this probe's address.
    void parametersFollowTheAddress()
    {
        WindowRig r(Quiet([](Scenario& s) {
            s.elements[1].probe.calibration = 2222;
            s.elements[1].probe.discrimination1 = 20;
        }));
        OpenParams(r);
        QCOMPARE(Shown(r), QString("      "));
        Press(r, "LoadBT");
        Press(r, "Button2");
        QCOMPARE(Shown(r), QString("12 31 64 1850 300 128 60 Save"));

        r.Choose("MeshAdrCB", "2");
        QCOMPARE(Shown(r) + r.Text("Label7") + r.Text("Label9"), QString("      "));
        r.line.Memory().ClearWritten();
        Press(r, "SaveBT");
        QVERIFY(r.Sent({0x80, 2}).empty());

        Press(r, "LoadBT");
        QCOMPARE(Params(r), QString("20 31 64 2222 300 128 60"));
        r.Type("LimitED", "301");
        Press(r, "SaveBT");
        QCOMPARE(Hex(r.Sent({0x80, 2, 0x39})), QString("80 02 39 14 1F 40 08 AE 01 2D 80 3C"));
        QVERIFY(r.Sent({0x80, 1, 0x39}).empty());

        // A read that ends after the selection moved on shows nothing under the new address.
        r.Click("LoadBT");
        r.Choose("MeshAdrCB", "1");
        r.Run("ParamsTimer");
        QCOMPARE(Shown(r), QString("      "));
        // Shown again, the window holds no values until they are read.
        Press(r, "LoadBT");
        r.window->hide();
        r.window->show();
        QCOMPARE(Shown(r), QString("      "));
    }

    // The whole clock answer: the probe's clock and its total counts over all four bytes.
    void parametersInfo_data()
    {
        Columns<bool, QString>({"counts", "total"});
        QTest::newRow("clock and counts") << true << "3000000000";
        QTest::newRow("clock only") << false << "Not implemented";
    }
    void parametersInfo()
    {
        QFETCH(bool, counts);
        WindowRig r(Quiet([counts](Scenario& s) {
            s.terminal.timeAcceleration = 0;
            s.elements[0].probe.totalCounts = 3'000'000'000u;
            s.elements[0].probe.reportsTotalCounts = counts;
        }));
        Press(OpenParams(r), "Button2");
        QCOMPARE(Hex(r.Sent({0x80, 1, 0xC6})), QString("80 01 C6"));
        QCOMPARE(r.Text("Label7"), QString("10.03.2025 10:00:00"));
        QTEST(r.Text("Label9"), "total");
    }

    // No configuration window opens with a button that Enter would press; Enter sends nothing.
    void enterPressesNothing_data()
    {
        Columns<Open>({"open"});
        QTest::newRow("system") << Open([](WindowRig& r, auto&) { r.Open<TConfigureMeasurementWND>(); });
        QTest::newRow("functions") << Open([](WindowRig& r, auto&) { r.Open<TActivateSensorWND>(); });
        QTest::newRow("initialisation") << Open([](WindowRig&, TInitSensorWND& init) { init.show(); });
        QTest::newRow("probe") << Open([](WindowRig& r, TInitSensorWND& init) { r.Open<TSetParamSensorWND>(init); });
        QTest::newRow("actuator") << Open([](WindowRig& r, auto&) { r.Open<TSetParamFanWND>(); });
    }
    void enterPressesNothing()
    {
        QFETCH(Open, open);
        WindowRig r(Stopped());
        r.session.serviceMode = true;
        open(r, r.Make<TInitSensorWND>());
        r.line.Memory().ClearWritten();
        for (QPushButton* button : r.window->findChildren<QPushButton*>()) {
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
            QTest::keyClick(button, Qt::Key_Return);
        }
        QTest::keyClick(r.window, Qt::Key_Return);
        for (QTimer* timer : r.window->findChildren<QTimer*>())
            QVERIFY2(!timer->isActive() || timer->objectName() == "TimeTMR", qPrintable(timer->objectName()));
        std::vector<Payload> sent = r.Sent();
        std::erase_if(sent, [](const Payload& p) { return p == Payload{0x3A}; });  // the clock display
        QCOMPARE(Hex(sent), QString());
        QVERIFY(r.window->isVisible());
    }
};

QTEST_MAIN(TestConfigurationWindows)
#include "test_configuration_windows.moc"
