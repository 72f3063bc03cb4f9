// The shared window machinery against the in-memory simulated terminal: blocking exchange,
// element selector, step counters, deferred close.
#include "BlockingExchange.h"
#include "MeshAddressList.h"
#include "QtDialogs.h"
#include "SendPollStep.h"
#include "TerminalCommands.h"
#include "ToolWindow.h"
#include "WindowRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

const RelayedSend kBondingMap = [](StepLink& link) { return RequestBondingMap(link, Network::Local, 0); };

void VerifyRetryQuestion(const ShownMessage& m)
{
    QCOMPARE(m.caption, QStringLiteral("Error!"));
    QCOMPARE(m.text, QStringLiteral("Communication error! Try again?"));
    QVERIFY(m.buttons == MessageButtons::YesNo);
    QVERIFY(m.icon == MessageIcon::Error);
}

// A tool window that only records what the base does for it.
class ProbeWindow : public ToolWindow {
public:
    using ToolWindow::ToolWindow;
    void FormShow() override { ++shows; }
    void FormHide() override { ++hides; }
    void GiveUp() { CloseLater(); }
    void UnknownStep(QTimer* t) { StepProtocolError(t); }
    bool Exchange(RelayedAnswer& a) { return OpeningExchange(kBondingMap, a); }
    bool Build(QComboBox& box, const MeshAddressFilter& filter)
    {
        return BuildMeshAdrCB(box, filter, QStringLiteral("No radon probes bonded."));
    }
    int shows = 0;
    int hides = 0;
};

}  // namespace

class TestWindowMachinery : public QObject {
    Q_OBJECT
private slots:
    void exchangeWaitsForTheCompleteAnswer();
    void exchangeAsksAgainAfterAFailedSendOrAnswerError();
    void exchangeGivesUpWaitingAfterItsPollLimit();
    void meshListKeepsBondedAddressesAscending();
    void meshListFiltersByFunction();
    void meshListStatusReadFailureAsksAgain();
    void sendStepCountsAttemptsAgainstTheLimit();
    void pollStepClassifiesAnswers();
    void refusedAnswersAndRepeatText();
    void cancelTimerClosesWithCancel();
    void showHandlerHelpersCloseWhenTheyCannotGoOn();
    void qtMessageBoxesShowWhatTheyAreGiven();
};

void TestWindowMachinery::exchangeWaitsForTheCompleteAnswer()
{
    Scenario scenario = QuietDefaultScenario();
    scenario.faults.pollsBeforeCompletion = 3;
    auto s = Connected(scenario);
    const uint64_t start = s->NowMs();
    RelayedAnswer answer;
    QVERIFY(BlockingExchange(s->session, nullptr, kBondingMap, answer));
    QCOMPARE(answer.length, uint8_t{5});
    QCOMPARE(answer.data[2], uint8_t{0x3E});  // addresses 1 to 5
    // Four polls, each after a 50 ms pause.
    QVERIFY(s->NowMs() - start >= 4 * 50);
    QVERIFY(s->dialogs.shown.empty());
}

void TestWindowMachinery::exchangeAsksAgainAfterAFailedSendOrAnswerError()
{
    // An invalid answer, then a good one: one question, Yes repeats from the send.
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.faults.answerFaults.push_back({AnswerFaultKind::Invalid, 0, -1, 1});
        auto s = Connected(scenario);
        s->dialogs.answers = {MessageResult::Yes};
        RelayedAnswer answer;
        QVERIFY(BlockingExchange(s->session, nullptr, kBondingMap, answer));
        QCOMPARE(s->dialogs.shown.size(), std::size_t{1});
        VerifyRetryQuestion(s->dialogs.shown[0]);
        QCOMPARE(answer.data[2], uint8_t{0x3E});
    }
    // A terminal that no longer answers: asked until the user says No.
    {
        Scenario scenario = QuietDefaultScenario();
        scenario.faults.stopAnsweringAfter = 1;  // the handshake only
        auto s = Connected(scenario);
        s->dialogs.answers = {MessageResult::Yes, MessageResult::No};
        RelayedAnswer answer;
        QVERIFY(!BlockingExchange(s->session, nullptr, kBondingMap, answer));
        QCOMPARE(s->dialogs.shown.size(), std::size_t{2});
    }
}

void TestWindowMachinery::exchangeGivesUpWaitingAfterItsPollLimit()
{
    Scenario scenario = QuietDefaultScenario();
    scenario.faults.pollsBeforeCompletion = 1000;
    auto s = Connected(scenario);
    s->dialogs.answers = {MessageResult::No};
    const uint64_t start = s->NowMs();
    RelayedAnswer answer;
    QVERIFY(!BlockingExchange(s->session, nullptr, kBondingMap, answer));
    QCOMPARE(s->dialogs.shown.size(), std::size_t{1});
    const uint64_t waited = s->NowMs() - start;
    QVERIFY(waited >= 100 * 50);
    QVERIFY(waited < 101 * 50 + 100 * 200);  // no more than the bound's polls
}

void TestWindowMachinery::meshListKeepsBondedAddressesAscending()
{
    auto s = Connected();
    QComboBox box;
    box.addItem(QStringLiteral("stale"));
    QVERIFY(FillMeshAddressList(s->session, nullptr, box) == MeshListResult::Filled);
    QCOMPARE(Items(box), (QStringList{"1", "2", "3", "4", "5"}));
    QCOMPARE(box.currentIndex(), 0);

    // Addresses from a map: bit k is address k; bit 0 and bits beyond 16 are not addresses.
    RelayedAnswer map;
    map.complete = true;
    map.length = 5;
    map.data = {0x80, 17, 0x03, 0x80, 0x01};
    QCOMPARE(BondedAddresses(map), (std::vector<uint8_t>{1, 15, 16}));
    map.length = 2;
    QVERIFY(BondedAddresses(map).empty());
}

void TestWindowMachinery::meshListFiltersByFunction()
{
    auto s = Connected();
    QComboBox box;
    QVERIFY(FillMeshAddressList(s->session, nullptr, box, {FunctionSource::ElementKind, kFunctionProbe}) ==
            MeshListResult::Filled);
    QCOMPARE(Items(box), (QStringList{"1", "2", "3"}));

    // From the slots after a status read: the table learns every bonded element's kind.
    QVERIFY(FunctionCode(s->session.model.ElementTable[4].status.kind) == kFunctionNone);
    QVERIFY(FillMeshAddressList(s->session, nullptr, box, {FunctionSource::ElementStatus, kFunctionActuator}) ==
            MeshListResult::Filled);
    QCOMPARE(Items(box), (QStringList{"4"}));
    QCOMPARE(FunctionCode(s->session.model.ElementTable[4].status.kind), kFunctionActuator);
    QCOMPARE(FunctionCode(s->session.model.ElementTable[5].status.kind), kFunctionRepeater);

    // Nothing of that function: an empty list, no question.
    auto t = Connected(WithoutProbes());
    QVERIFY(FillMeshAddressList(t->session, nullptr, box, {FunctionSource::ElementKind, kFunctionProbe}) ==
            MeshListResult::Empty);
    QCOMPARE(box.count(), 0);
    QVERIFY(t->dialogs.shown.empty());
}

void TestWindowMachinery::meshListStatusReadFailureAsksAgain()
{
    // The status reads are refused by the terminal; No gives up.
    Scenario scenario = QuietDefaultScenario();
    scenario.faults.refusedCommands = {0x3D};
    auto s = Connected(scenario);
    s->dialogs.answers = {MessageResult::Yes, MessageResult::No};
    QComboBox box;
    QVERIFY(FillMeshAddressList(s->session, nullptr, box, {FunctionSource::ElementStatus, kFunctionProbe}) ==
            MeshListResult::Declined);
    QCOMPARE(s->dialogs.shown.size(), std::size_t{2});

    // With the kind read instead, refused elements are simply left out.
    s->dialogs.shown.clear();
    QVERIFY(FillMeshAddressList(s->session, nullptr, box, {FunctionSource::ElementKind, kFunctionProbe}) ==
            MeshListResult::Empty);
    QVERIFY(s->dialogs.shown.empty());
}

void TestWindowMachinery::sendStepCountsAttemptsAgainstTheLimit()
{
    LinkSettings settings;
    settings.attemptCount = 3;
    SendPollStep steps(settings);
    steps.Start(2);
    QVERIFY(!steps.Send(kErrTimeout, 3, 6));
    QVERIFY(!steps.Send(kErrTimeout, 3, 6));
    QCOMPARE(steps.Step, 2);
    QVERIFY(!steps.Send(kErrTimeout, 3, 6));  // the third failure gives up
    QCOMPARE(steps.Step, 6);
    QCOMPARE(steps.AttemptNo, 0);

    // A success clears the count; the limit follows the settings.
    steps.Start(2);
    steps.Send(kErrTimeout, 3, 6);
    QVERIFY(steps.Send(kOk, 3, 6));
    QCOMPARE(steps.Step, 3);
    QCOMPARE(steps.AttemptNo, 0);
    settings.attemptCount = 1;
    steps.Start(2);
    steps.Send(kErrTimeout, 3, 6);
    QCOMPARE(steps.Step, 6);

    // A limit of 0 still tries once.
    SendPollStep none(0);
    none.Start(10);
    QVERIFY(none.Failed(99));
    QCOMPARE(none.Step, 99);
}

void TestWindowMachinery::pollStepClassifiesAnswers()
{
    Scenario scenario = QuietDefaultScenario();
    scenario.faults.pollsBeforeCompletion = 1;
    scenario.faults.answerFaults.push_back({AnswerFaultKind::Invalid, 0, -1, 1});
    auto s = Connected(scenario);
    SendPollStep steps(s->session.settings);
    RelayedAnswer answer;

    steps.Start(2);
    QVERIFY(steps.Send(RequestBondingMap(s->link, Network::Local, 0), 3, 6));
    QVERIFY(steps.Poll(s->link, answer, 2, 6) == StepAnswer::Incomplete);
    QCOMPARE(steps.Step, 3);
    QVERIFY(steps.Poll(s->link, answer, 2, 6) == StepAnswer::Error);  // back to the send step
    QCOMPARE(steps.Step, 2);

    QVERIFY(steps.Send(RequestBondingMap(s->link, Network::Local, 0), 3, 6));
    QVERIFY(steps.Poll(s->link, answer, 2, 6) == StepAnswer::Incomplete);
    QVERIFY(steps.Poll(s->link, answer, 2, 6) == StepAnswer::Complete);
    QCOMPARE(steps.Step, 3);  // the step judges the answer itself
    QCOMPARE(answer.data[2], uint8_t{0x3E});

    // A poll that went through clears the failed attempts.
    QVERIFY(steps.Send(RequestBondingMap(s->link, Network::Local, 0), 3, 6));
    steps.AttemptNo = 2;
    QVERIFY(steps.PollOnly(s->link, answer, 6) == StepAnswer::Incomplete);
    QCOMPARE(steps.AttemptNo, 0);

    // An answer that never completes counts as a failed poll at the hundredth incomplete poll.
    Scenario endless = QuietDefaultScenario();
    endless.faults.pollsBeforeCompletion = 1000;
    auto e = Connected(endless);
    SendPollStep bounded(1);
    bounded.Start(2);
    QVERIFY(bounded.Send(RequestBondingMap(e->link, Network::Local, 0), 3, 6));
    for (int i = 1; i < 100; ++i)
        QVERIFY(bounded.Poll(e->link, answer, 2, 6) == StepAnswer::Incomplete);
    QVERIFY(bounded.Poll(e->link, answer, 2, 6) == StepAnswer::Failed);
    QCOMPARE(bounded.Step, 6);

    // Failed polls count like failed sends.
    Scenario silent = QuietDefaultScenario();
    silent.faults.stopAnsweringAfter = 0;
    auto t = Connected(silent);
    SendPollStep fixed(2);
    fixed.Start(3);
    QVERIFY(fixed.Poll(t->link, answer, 2, 6) == StepAnswer::Failed);
    QCOMPARE(fixed.Step, 3);
    QVERIFY(fixed.Poll(t->link, answer, 2, 6) == StepAnswer::Failed);
    QCOMPARE(fixed.Step, 6);
}

void TestWindowMachinery::refusedAnswersAndRepeatText()
{
    SendPollStep steps(3);
    steps.Start(204);
    QCOMPARE(steps.Text(QStringLiteral("Element bonding..")), QStringLiteral("Element bonding.."));
    QVERIFY(steps.Refused(203, 300));
    QCOMPARE(steps.Text(QStringLiteral("x")), QStringLiteral("x #2"));
    QVERIFY(steps.Refused(203, 300));
    QCOMPARE(steps.Text(QStringLiteral("x")), QStringLiteral("x #3"));
    QVERIFY(!steps.Refused(203, 300));  // the third refusal ends the run
    QCOMPARE(steps.Step, 300);
    QCOMPARE(steps.RepeatNo, 0);

    RelayedAnswer answer;
    answer.length = 2;
    answer.data[1] = 0;
    QVERIFY(IsPositiveAnswer(answer));
    answer.data[1] = 0xF4;
    QVERIFY(!IsPositiveAnswer(answer));
    answer.data[1] = 0;
    answer.length = 3;
    QVERIFY(!IsPositiveAnswer(answer));
}

void TestWindowMachinery::cancelTimerClosesWithCancel()
{
    auto s = Connected();
    ProbeWindow window(s->session);
    QTimer* cancel = window.findChild<QTimer*>(QStringLiteral("CancelTMR"));
    QVERIFY(cancel);
    QVERIFY(!cancel->isActive());

    window.show();
    QCOMPARE(window.shows, 1);
    window.GiveUp();
    QVERIFY(cancel->isActive());
    window.CancelTMRTimer();
    QVERIFY(!cancel->isActive());
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(window.hides, 1);

    QTimer process;
    process.start(200);
    window.UnknownStep(&process);
    QVERIFY(!process.isActive());
    QCOMPARE(s->dialogs.shown.size(), std::size_t{1});
    QCOMPARE(s->dialogs.shown[0].text, QStringLiteral("STEP protocol error!"));
    QVERIFY(s->dialogs.shown[0].icon == MessageIcon::Exclamation);
}

void TestWindowMachinery::showHandlerHelpersCloseWhenTheyCannotGoOn()
{
    auto s = Connected(WithoutProbes());
    ProbeWindow window(s->session);
    QComboBox box;
    QVERIFY(window.Build(box, {FunctionSource::ElementKind, kFunctionActuator}));
    QVERIFY(!window.CancelTMR()->isActive());
    QVERIFY(s->dialogs.shown.empty());

    QVERIFY(!window.Build(box, {FunctionSource::ElementKind, kFunctionProbe}));
    QVERIFY(window.CancelTMR()->isActive());
    QCOMPARE(s->dialogs.shown.size(), std::size_t{1});
    QCOMPARE(s->dialogs.shown[0].caption + s->dialogs.shown[0].text, QStringLiteral("MessageNo radon probes bonded."));
    window.CancelTMRTimer();

    // A declined retry closes without a further message.
    Scenario silent = QuietDefaultScenario();
    silent.faults.stopAnsweringAfter = 0;
    auto t = Connected(silent);
    ProbeWindow quiet(t->session);
    t->dialogs.answers = {MessageResult::No};
    RelayedAnswer answer;
    QVERIFY(!quiet.Exchange(answer));
    QVERIFY(quiet.CancelTMR()->isActive());
    t->dialogs.answers = {MessageResult::No};
    QVERIFY(!quiet.Build(box, {}));
    QCOMPARE(t->dialogs.shown.size(), std::size_t{2});
    VerifyRetryQuestion(t->dialogs.shown[1]);
}

void TestWindowMachinery::qtMessageBoxesShowWhatTheyAreGiven()
{
    struct Case {
        MessageButtons buttons;
        MessageIcon icon;
        QMessageBox::Icon boxIcon;
        int buttonCount;
        QMessageBox::StandardButton click;  // NoButton: the custom "Try Again"
        MessageResult expected;
    };
    const Case cases[] = {
        {MessageButtons::Ok, MessageIcon::Information, QMessageBox::Information, 1, QMessageBox::Ok, MessageResult::Ok},
        {MessageButtons::OkCancel, MessageIcon::Exclamation, QMessageBox::Warning, 2, QMessageBox::Cancel,
         MessageResult::Cancel},
        {MessageButtons::YesNo, MessageIcon::Error, QMessageBox::Critical, 2, QMessageBox::No, MessageResult::No},
        {MessageButtons::YesNoCancel, MessageIcon::Question, QMessageBox::Question, 3, QMessageBox::Yes,
         MessageResult::Yes},
        {MessageButtons::RetryCancel, MessageIcon::Error, QMessageBox::Critical, 2, QMessageBox::Retry,
         MessageResult::Retry},
        {MessageButtons::AbortRetryIgnore, MessageIcon::Question, QMessageBox::Question, 3, QMessageBox::Ignore,
         MessageResult::Ignore},
        {MessageButtons::CancelTryContinue, MessageIcon::None, QMessageBox::NoIcon, 3, QMessageBox::NoButton,
         MessageResult::TryAgain},
    };
    QtDialogs dialogs;
    for (const Case& c : cases) {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        qsizetype buttons = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons().size();
            if (c.click != QMessageBox::NoButton) {
                box->button(c.click)->click();
                return;
            }
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == QStringLiteral("Try Again"))
                    b->click();
            }
        });
        const MessageResult result =
            dialogs.Message(nullptr, QStringLiteral("Query"), QStringLiteral("Go on?"), c.buttons, c.icon);
        QCOMPARE(title, QStringLiteral("Query"));
        QCOMPARE(text, QStringLiteral("Go on?"));
        QCOMPARE(icon, c.boxIcon);
        QCOMPARE(buttons, qsizetype{c.buttonCount});
        QVERIFY(result == c.expected);
    }
}

QTEST_MAIN(TestWindowMachinery)
#include "test_window_machinery.moc"
