// The About window: the name line, the firmware label and the service code.
#include "SimulatedSession.h"
#include "TAboutWND.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::SimulatedSession;

namespace {

struct Fixture {
    Fixture() : sim(QuietDefaultScenario()), about(sim.session) {}
    QLabel* Label(const char* name) { return about.findChild<QLabel*>(QString::fromLatin1(name)); }
    // Opens the window, types `text` after clicking the name (unless null) and presses OK.
    void Enter(const char* text)
    {
        auto* code = about.findChild<QLineEdit*>(QStringLiteral("Passw"));
        about.show();
        if (text) {
            QTest::mouseClick(Label("NazevLB"), Qt::LeftButton);
            QVERIFY(!code->isHidden() && code->text().isEmpty());
            QTest::keyClicks(code, QString::fromUtf8(text));
        }
        QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        QVERIFY(!about.isVisible() && code->isHidden());
    }

    SimulatedSession sim;
    TAboutWND about;
};

}  // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT
private slots:
    void firmwareLabelFollowsTheMainLoop();
    void serviceCodeSwitchesTheNameLine();
};

void TestAboutWindow::firmwareLabelFollowsTheMainLoop()
{
    Fixture f;
    QVERIFY(f.Label("FwVerLB")->isHidden());
    f.about.ShowFirmwareVersion(0x0E1F);
    QCOMPARE(f.Label("FwVerLB")->text(), QStringLiteral("Terminal FW version: 14.31"));
    QVERIFY(!f.Label("FwVerLB")->isHidden());
    f.about.HideFirmwareVersion();
    QVERIFY(f.Label("FwVerLB")->isHidden());
}

void TestAboutWindow::serviceCodeSwitchesTheNameLine()
{
    Fixture f;
    f.about.show();
    QCOMPARE(f.Label("NazevLB")->text(), QStringLiteral("Kolmaris version:  3.08.2   ( for RF OS < 3.07 )"));
    // The code is read as a decimal number: what follows the digits does not count.
    const std::pair<const char*, bool> entries[] = {{"57190", true},    {"57191", false}, {"57190abc", true},
                                                    {"x57190", false},  {"0057190", true}, {nullptr, true},
                                                    {"", false}};
    for (const auto& [text, service] : entries) {
        f.Enter(text);  // null: OK without clicking the name keeps the hidden field's code
        QCOMPARE(f.sim.session.serviceMode, service);
    }
    f.Enter("57190");
    QCOMPARE(f.about.result(), int(QDialog::Accepted));
    f.about.show();
    QCOMPARE(f.Label("NazevLB")->text(), QStringLiteral("Kolmaris version:  3.08.2 Full ( for RF OS < 3.07 ) "));
}

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
