// The About window: texts, the firmware label and the service code.
#include "SimulatedSession.h"
#include "TAboutWND.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::SimulatedSession;

namespace {

const QString kNameLine = QStringLiteral("Kolmaris version:  3.08.2   ( for RF OS < 3.07 )");
const QString kServiceNameLine = QStringLiteral("Kolmaris version:  3.08.2 Full ( for RF OS < 3.07 ) ");

struct Fixture {
    Fixture() : sim(std::make_unique<SimulatedSession>(QuietDefaultScenario())), about(sim->session)
    {
        name = about.findChild<QLabel*>(QStringLiteral("NazevLB"));
        date = about.findChild<QLabel*>(QStringLiteral("DatumLB"));
        firmware = about.findChild<QLabel*>(QStringLiteral("FwVerLB"));
        code = about.findChild<QLineEdit*>(QStringLiteral("Passw"));
        ok = about.findChild<QPushButton*>(QStringLiteral("Button1"));
    }
    // Opens the window, types `text` after clicking the name (unless null) and presses OK.
    void Enter(const char* text)
    {
        about.show();
        if (text) {
            QTest::mouseClick(name, Qt::LeftButton);
            QVERIFY(!code->isHidden());
            QVERIFY(code->text().isEmpty());
            QTest::keyClicks(code, QString::fromUtf8(text));
        }
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QVERIFY(code->isHidden());
    }

    std::unique_ptr<SimulatedSession> sim;
    TAboutWND about;
    QLabel* name = nullptr;
    QLabel* date = nullptr;
    QLabel* firmware = nullptr;
    QLineEdit* code = nullptr;
    QPushButton* ok = nullptr;
};

}  // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT
private slots:
    void textsOnOpening();
    void firmwareLabelFollowsTheMainLoop();
    void serviceCodeSwitchesTheNameLine();
    void codeFollowedByLettersStillMatches();
    void fieldKeepsTheCodeUntilTheNameIsClicked();
};

void TestAboutWindow::textsOnOpening()
{
    Fixture f;
    QCOMPARE(f.about.windowTitle(), QStringLiteral("About"));
    QVERIFY(f.code->isHidden());
    QVERIFY(f.firmware->isHidden());
    f.about.show();
    QCOMPARE(f.date->text(), QStringLiteral("Date:  20.10.2016"));
    QCOMPARE(f.name->text(), kNameLine);
    QCOMPARE(f.ok->text(), QStringLiteral("OK"));
    QVERIFY(f.code->isHidden());
    for (const char* label : {"Label1", "Label2", "Label3", "Label4", "Label5"})
        QVERIFY(!f.about.findChild<QLabel*>(QString::fromLatin1(label))->text().isEmpty());
    QVERIFY(!f.about.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
}

void TestAboutWindow::firmwareLabelFollowsTheMainLoop()
{
    Fixture f;
    f.about.ShowFirmwareVersion(0x0205);
    QCOMPARE(f.firmware->text(), QStringLiteral("Terminal FW version: 2.05"));
    QVERIFY(!f.firmware->isHidden());
    f.about.ShowFirmwareVersion(0x0E1F);
    QCOMPARE(f.firmware->text(), QStringLiteral("Terminal FW version: 14.31"));
    f.about.HideFirmwareVersion();
    QVERIFY(f.firmware->isHidden());
}

void TestAboutWindow::serviceCodeSwitchesTheNameLine()
{
    Fixture f;
    f.Enter("57190");
    QVERIFY(f.sim->session.serviceMode);
    QCOMPARE(f.about.result(), int(QDialog::Accepted));
    f.about.show();
    QCOMPARE(f.name->text(), kServiceNameLine);
    f.about.hide();

    // A wrong code switches it off again.
    f.Enter("57191");
    QVERIFY(!f.sim->session.serviceMode);
    f.about.show();
    QCOMPARE(f.name->text(), kNameLine);
}

void TestAboutWindow::codeFollowedByLettersStillMatches()
{
    Fixture f;
    f.Enter("57190abc");
    QVERIFY(f.sim->session.serviceMode);
    f.Enter(" 57190 9");
    QVERIFY(f.sim->session.serviceMode);
    f.Enter("x57190");
    QVERIFY(!f.sim->session.serviceMode);
    f.Enter("0057190");
    QVERIFY(f.sim->session.serviceMode);
}

void TestAboutWindow::fieldKeepsTheCodeUntilTheNameIsClicked()
{
    Fixture f;
    f.Enter("57190");
    QVERIFY(f.sim->session.serviceMode);
    // Reopened, OK without clicking the name: the hidden field still holds the code.
    f.Enter(nullptr);
    QVERIFY(f.sim->session.serviceMode);
    // Clicking the name empties the field; OK with it empty switches the mode off.
    f.Enter("");
    QVERIFY(!f.sim->session.serviceMode);
}

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
