// The link parameters dialog against the in-memory simulated terminal.
#include "SimulatedSession.h"
#include "TPripojeniWND.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kolmaris;
using kolmaris::testing::QuietDefaultScenario;
using kolmaris::testing::SimulatedSession;

namespace {

// An entry of port `n`: "COM n", possibly followed by " (device)".
bool IsPortEntry(const QString& text, int n)
{
    const QString com = QStringLiteral("COM %1").arg(n);
    return text == com || text.startsWith(com + QStringLiteral(" ("));
}

struct Fixture {
    Fixture() : sim(std::make_unique<SimulatedSession>(QuietDefaultScenario())), dialog(sim->session)
    {
        ports = dialog.findChild<QComboBox*>(QStringLiteral("VybratPortCB"));
        retries = dialog.findChild<QComboBox*>(QStringLiteral("PocetPokusuCB"));
        timeout = dialog.findChild<QLineEdit*>(QStringLiteral("TimeOutED"));
    }
    std::unique_ptr<SimulatedSession> sim;
    TPripojeniWND dialog;
    QComboBox* ports = nullptr;
    QComboBox* retries = nullptr;
    QLineEdit* timeout = nullptr;
};

}  // namespace

class TestLinkDialog : public QObject {
    Q_OBJECT
private slots:
    void showingDropsTheLinkAndListsPorts();
    void configuredPortThatIsGoneStaysSelected();
    void okStoresTheSettings();
    void timeoutTextIsReadAsDecimalWithinBounds();
    void enterAcceptsEscapeCancels();
    void closeStoresNothing();
    void pollingStopsWhileOpen();
};

void TestLinkDialog::showingDropsTheLinkAndListsPorts()
{
    Fixture f;
    QVERIFY(f.sim->Connect());
    f.sim->line.Memory().AddDevice(7, true);  // held by another program
    f.sim->line.Memory().AddDevice(200);
    f.sim->session.settings.replyTimeout = 350;
    f.sim->session.settings.attemptCount = 5;
    f.dialog.show();
    QCOMPARE(f.sim->link.ConnectedPort, uint8_t{0});
    QVERIFY(!f.sim->line.Memory().IsOpen());
    QCOMPARE(f.ports->count(), 4);
    QVERIFY2(IsPortEntry(f.ports->itemText(2), 7), qPrintable(f.ports->itemText(2)));
    QVERIFY2(IsPortEntry(f.ports->itemText(3), 200), qPrintable(f.ports->itemText(3)));
    QCOMPARE(f.ports->currentIndex(), 1);  // the configured COM 1
    QCOMPARE(f.timeout->text(), QStringLiteral("350"));
    QCOMPARE(f.retries->currentText(), QStringLiteral("5"));

    // Each showing lists afresh.
    f.dialog.hide();
    f.sim->line.Memory().RemoveDevice(200);
    f.sim->session.settings.configuredPort = 0;
    f.dialog.show();
    QCOMPARE(f.ports->count(), 3);
    QCOMPARE(f.ports->currentIndex(), 0);
    f.dialog.hide();
    f.sim->line.Memory().RemoveDevice(1);
    f.sim->line.Memory().RemoveDevice(7);
    f.dialog.show();
    QCOMPARE(f.ports->count(), 1);
    QCOMPARE(f.ports->itemText(0), QStringLiteral("Auto"));
}

void TestLinkDialog::configuredPortThatIsGoneStaysSelected()
{
    Fixture f;
    f.sim->line.Memory().AddDevice(9);
    f.sim->session.settings.configuredPort = 4;
    f.dialog.show();
    QCOMPARE(f.ports->count(), 4);
    QCOMPARE(f.ports->itemText(2), QStringLiteral("COM 4"));
    QCOMPARE(f.ports->currentIndex(), 2);
    f.dialog.OkBTClick();
    QCOMPARE(f.sim->session.settings.configuredPort, 4);
}

void TestLinkDialog::okStoresTheSettings()
{
    Fixture f;
    f.sim->line.Memory().AddDevice(7, true);
    f.dialog.show();
    f.ports->setCurrentIndex(2);  // COM 7
    f.timeout->setText(QStringLiteral("450"));
    f.retries->setCurrentIndex(14);
    f.dialog.OkBTClick();
    QCOMPARE(f.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(f.sim->session.settings.configuredPort, 7);
    QCOMPARE(f.sim->session.settings.replyTimeout, 450u);
    QCOMPARE(f.sim->session.settings.attemptCount, 15);
    QCOMPARE(f.sim->link.ReplyTimeout, 450u);  // in force at once

    f.dialog.show();
    f.ports->setCurrentIndex(0);
    f.retries->setCurrentIndex(0);
    f.dialog.OkBTClick();
    QCOMPARE(f.sim->session.settings.configuredPort, 0);
    QCOMPARE(f.sim->session.settings.attemptCount, 1);
}

void TestLinkDialog::timeoutTextIsReadAsDecimalWithinBounds()
{
    Fixture f;
    const auto store = [&f](const char* text) {
        f.dialog.show();
        f.timeout->setText(QString::fromUtf8(text));
        f.dialog.OkBTClick();
        return f.sim->session.settings.replyTimeout;
    };
    QCOMPARE(store(" 250ms"), 250u);
    QCOMPARE(store("abc"), 250u);  // refused: the time-out in force stays
    QCOMPARE(f.sim->dialogs.Texts(), std::vector<QString>{"Timeout must be a number from 1 to 60000 ms!"});
    QCOMPARE(f.timeout->text(), QStringLiteral("250"));
    QCOMPARE(store("0"), 250u);
    QCOMPARE(store("1"), 1u);
    QCOMPARE(store("60000"), 60000u);
    QCOMPARE(store("99999999999"), 60000u);
    QCOMPARE(f.sim->dialogs.shown.size(), std::size_t{3});
    QCOMPARE(f.sim->link.ReplyTimeout, 60000u);
}

void TestLinkDialog::enterAcceptsEscapeCancels()
{
    Fixture f;
    f.dialog.show();
    f.timeout->setText(QStringLiteral("300"));
    QTest::keyClick(f.retries, Qt::Key_Return);
    QCOMPARE(f.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(f.sim->session.settings.replyTimeout, 300u);

    f.dialog.show();
    f.timeout->setText(QStringLiteral("900"));
    QTest::keyClick(f.ports, Qt::Key_Escape);
    QCOMPARE(f.dialog.result(), int(QDialog::Rejected));
    QCOMPARE(f.sim->session.settings.replyTimeout, 300u);

    // Other keys are the list's own.
    QVERIFY(!f.dialog.VybratPortCBKeyPress('a'));
    QVERIFY(f.dialog.VybratPortCBKeyPress(13));
    QCOMPARE(f.dialog.result(), int(QDialog::Accepted));
}

void TestLinkDialog::closeStoresNothing()
{
    Fixture f;
    QVERIFY(f.sim->Connect());
    f.sim->line.Memory().AddDevice(7, true);
    f.dialog.show();
    f.ports->setCurrentIndex(2);
    f.timeout->setText(QStringLiteral("999"));
    f.retries->setCurrentIndex(9);
    f.dialog.StornoBTClick();
    const LinkSettings& settings = f.sim->session.settings;
    QCOMPARE(settings.configuredPort, 1);
    QCOMPARE(settings.replyTimeout, 200u);
    QCOMPARE(settings.attemptCount, 3);
    // The link stays down; the main window's next tick connects with the old settings.
    QCOMPARE(f.sim->link.ConnectedPort, uint8_t{0});
    QVERIFY(f.sim->link.Connect(static_cast<uint8_t>(settings.configuredPort)) == 0);
    QCOMPARE(f.sim->link.ConnectedPort, uint8_t{1});
}

void TestLinkDialog::pollingStopsWhileOpen()
{
    Fixture f;
    QTimer timer1;
    timer1.start(1000);
    QLabel status(QStringLiteral("Connected COM 1"));
    bool stoppedWhileOpen = false;
    QTimer::singleShot(0, &f.dialog, [&] {
        stoppedWhileOpen = !timer1.isActive() && status.text().isEmpty() && f.dialog.isVisible();
        f.dialog.StornoBTClick();
    });
    QCOMPARE(f.dialog.ExecWithPollingStopped(&timer1, &status), int(QDialog::Rejected));
    QVERIFY(stoppedWhileOpen);
    QVERIFY(timer1.isActive());
    QCOMPARE(timer1.interval(), 200);
}

QTEST_MAIN(TestLinkDialog)
#include "test_link_dialog.moc"
