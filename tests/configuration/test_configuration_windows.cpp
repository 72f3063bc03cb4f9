// System configuration and function assigning against the in-memory simulated terminal.
#include "WindowRig.h"
#include "TActivateSensorWND.h"
#include "TConfigureMeasurementWND.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::SimulatedSession;

namespace {

// `w`, a window of type W, shown on a connected session.
template <class W>
struct Rig : kolmaris::testing::WindowRig<W> {
    explicit Rig(const Scenario& scenario = QuietDefaultScenario()) : kolmaris::testing::WindowRig<W>(scenario)
    {
        this->window = std::make_unique<W>(this->sim.session);
        w = this->window.get();
        w->show();
    }
    template <class T = QLineEdit>
    T* Find(const char* name) const { return this->template WindowRig<W>::template Find<T>(name); }
    void Type(const QStringList& names, const QStringList& texts) const
    {
        for (int i = 0; i < names.size(); ++i)
            Find(names[i].toLatin1())->setText(texts[i]);
    }
    QString LastText() const { return this->sim.dialogs.shown.empty() ? QString() : this->sim.dialogs.shown.back().text; }
    W* w;
};
using Config = Rig<TConfigureMeasurementWND>;

Scenario Stopped(std::vector<uint8_t> refused = {})
{
    Scenario s = QuietDefaultScenario();
    s.terminal.acquisitionRunning = false;
    s.faults.refusedCommands = std::move(refused);
    return s;
}

}  // namespace

class TestConfigurationWindows : public QObject {
    Q_OBJECT
private slots:
    void timers_data();
    void timers();
    void setTime_data();
    void setTime();
    void clocksAndCopyPcTime();
    void history_data();
    void history();
    void assignInBothWindows();
    void nothingBonded();
};

void TestConfigurationWindows::timers_data()
{
    QTest::addColumn<QStringList>("typed");  // query, battery
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("reopened");  // query, battery; sleep on when saved
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

void TestConfigurationWindows::timers()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, refused);
    QFETCH(QString, message);
    QFETCH(QStringList, reopened);
    Config r(Stopped(refused ? std::vector<uint8_t>{0xBC} : std::vector<uint8_t>{}));
    r.Type({"QueryTimeED", "BattimeED"}, typed);
    r.Find<QCheckBox>("SleepCB")->setChecked(true);
    r.w->SaveTimerBTClick();
    QCOMPARE(r.LastText(), message);
    r.w->hide();
    r.w->show();
    QCOMPARE(r.Find("QueryTimeED")->text(), reopened[0]);
    QCOMPARE(r.Find("BattimeED")->text(), reopened[1]);
    // Sleep goes out only after the timers were written.
    QCOMPARE(r.Find<QCheckBox>("SleepCB")->isChecked(), message == "Successfully saved!");
}

void TestConfigurationWindows::setTime_data()
{
    QTest::addColumn<QStringList>("typed");  // day, month, year, hour, minute
    QTest::addColumn<QString>("result");     // the terminal's new time, or the field refused
    QTest::newRow("31 February") << QStringList{"31", "2", "26", "7", "5"} << "03.03.2026 07:05:00";
    QTest::newRow("empty zeros") << QStringList{"1", "1", "", "x", ""} << "01.01.2000 00:00:00";
    QTest::newRow("month 13") << QStringList{"1", "13", "26", "7", "5"} << "month";
    QTest::newRow("year first") << QStringList{"0", "13", "100", "24", "60"} << "year";
    QTest::newRow("day 0") << QStringList{"", "12", "26", "24", "5"} << "day";
    QTest::newRow("hour 24") << QStringList{"31", "12", "99", "24", "60"} << "hour";
    QTest::newRow("minute 60") << QStringList{"31", "12", "99", "23", "60"} << "minute";
}

void TestConfigurationWindows::setTime()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, result);
    Config r;
    const TerminalTime before = r.sim.terminal.Time();
    r.Type({"DenED", "MesED", "RokED", "HodED", "MinED"}, typed);
    r.w->Button2Click();
    const bool refused = !result.contains(':');
    QCOMPARE(r.LastText(), refused ? "Wrong value in the " + result + " field!" : QString());
    if (refused)
        QCOMPARE(r.sim.dialogs.shown.back().caption, QStringLiteral("Warning!"));
    QCOMPARE(QString::fromStdString(FormatTime(r.sim.terminal.Time(), true, true)),
             refused ? QString::fromStdString(FormatTime(before, true, true)) : result);
}

void TestConfigurationWindows::clocksAndCopyPcTime()
{
    Config r;
    QVERIFY(r.w->TimeTMR()->isActive());
    r.w->Button1Click();
    QVERIFY(std::abs(int64_t(r.sim.terminal.Time()) - int64_t(PcTimeToTerminalTime())) <= 1);
    r.w->TimeTMRTimer();
    const TimeFields pc = TimeToFields(PcTimeToTerminalTime());
    QCOMPARE(r.Find<QLabel>("TermLB")->text(), QString::fromStdString(FormatTime(r.sim.terminal.Time(), true, true)));
    QCOMPARE(r.Find("MesED")->text(), QString::number(pc.month));
    QCOMPARE(r.Find("RokED")->text(), QString::number(pc.year));
    r.w->hide();
    QVERIFY(!r.w->TimeTMR()->isActive());
}

void TestConfigurationWindows::history_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("running");  // the terminal refuses to clear while acquiring
    QTest::addColumn<QString>("message");
    QTest::newRow("unchecked") << false << false << QString();
    QTest::newRow("cleared") << true << false << "Successfully cleared.";
    QTest::newRow("refused") << true << true << "Command disabled!";
}

void TestConfigurationWindows::history()
{
    QFETCH(bool, checked);
    QFETCH(bool, running);
    QFETCH(QString, message);
    Scenario s = running ? QuietDefaultScenario() : Stopped();
    s.memory.days = 0.05;
    Config r(s);
    QVERIFY(!r.sim.terminal.RecordsInMemory().empty());
    r.Find<QCheckBox>("EraseHistoryCB")->setChecked(checked);
    r.w->SaveHistoryBTClick();
    QCOMPARE(r.LastText(), message);
    QCOMPARE(r.Find<QCheckBox>("EraseHistoryCB")->isChecked(), running);
    QCOMPARE(r.sim.terminal.RecordsInMemory().empty(), message == "Successfully cleared.");
}

void TestConfigurationWindows::assignInBothWindows()
{
    Config c;
    auto* address = c.Find<QComboBox>("MeshAdrCB");
    QCOMPARE(address->count(), 5);
    QCOMPARE(c.Find<QComboBox>("ModeCB")->currentIndex(), 3);
    address->setCurrentIndex(4);  // the repeater
    c.w->MeshAdrCBChange();
    QCOMPARE(c.Find<QComboBox>("ModeCB")->currentIndex(), 1);
    c.Find<QComboBox>("ModeCB")->setCurrentIndex(2);
    c.w->SetBTClick();
    QCOMPARE(c.LastText(), QStringLiteral("Assignment of the element 5 was updated succefully."));
    QCOMPARE(c.sim.session.model.ElementTable[5].status.kind & 0x07, 2);

    // The other window finds what the terminal keeps.
    TActivateSensorWND other(c.sim.session);
    other.show();
    other.findChild<QComboBox*>("MeshAdrCB")->setCurrentIndex(4);
    other.MeshAdrCBChange();
    QVERIFY(other.findChild<QRadioButton*>("FanRB")->isChecked());

    // A function that cannot be read, or is none of the four, checks none and holds "Assign"
    // back; none checked assigns 0.
    Scenario codeFive = Stopped();
    codeFive.elements[0].function = 5;
    for (const Scenario& s : {Stopped({0x3D}), codeFive}) {
        Rig<TActivateSensorWND> a(s);
        a.Find<QRadioButton>("RnDetRB")->setChecked(true);  // as another element showed
        a.w->MeshAdrCBChange();
        QVERIFY(!a.Find<QPushButton>("SetBT")->isEnabled());
        for (const char* name : {"NoUseRB", "RetransRB", "FanRB", "RnDetRB"})
            QVERIFY(!a.Find<QRadioButton>(name)->isChecked());
        a.w->SetBTClick();
        QCOMPARE(a.LastText(), QStringLiteral("The assignment of the element 1 was updated succefully."));
        QCOMPARE(a.sim.session.model.ElementTable[1].status.kind & 0x07, 0);
    }

    // A refused assignment leaves the table as it was.
    Config refused(Stopped({0xBD}));
    refused.w->SetBTClick();
    QCOMPARE(refused.LastText(), QStringLiteral("Command disabled!"));
    QCOMPARE(refused.sim.session.model.ElementTable[1].status.kind & 0x07, 3);
}

void TestConfigurationWindows::nothingBonded()
{
    Scenario s = Stopped();
    s.elements.clear();
    Config c(s);
    QVERIFY(!c.Find<QComboBox>("MeshAdrCB")->isEnabled() && !c.Find<QPushButton>("SetBT")->isEnabled());
    QVERIFY(c.w->TimeTMR()->isActive());
    Rig<TActivateSensorWND> a(s);
    QCOMPARE(a.LastText(), QStringLiteral("No elements bonded."));
    QVERIFY(a.w->CancelTMR()->isActive());
}

QTEST_MAIN(TestConfigurationWindows)
#include "test_configuration_windows.moc"
