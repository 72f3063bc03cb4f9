// SPDX-License-Identifier: GPL-3.0-or-later
// The shared window machinery: exchange, element list, step counters, closing, Qt dialogs.
#include "BlockingExchange.h"
#include "MeshAddressList.h"
#include "QtDialogs.h"
#include "SendPollStep.h"
#include "TerminalCommands.h"
#include "ToolWindow.h"
#include "WindowRig.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QtTest>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

const RelayedSend kBondingMap = [](StepLink& link) { return RequestBondingMap(link, Network::Local, 0); };

enum class Trouble { None, Invalid, Silent, NeverComplete, StatusRefused, NoProbes };

Scenario With(Trouble trouble, int polls = 1)
{
    Scenario s = trouble == Trouble::NoProbes ? WithoutProbes() : QuietDefaultScenario();
    s.faults.pollsBeforeCompletion = trouble == Trouble::NeverComplete ? 1 << 20 : polls;
    if (trouble == Trouble::Invalid)
        s.faults.answerFaults.push_back({AnswerFaultKind::Invalid, 0, -1, 1});
    if (trouble == Trouble::Silent)
        s.faults.stopAnsweringAfter = 0;
    if (trouble == Trouble::StatusRefused)
        s.faults.refusedCommands = {0x3D};
    return s;
}

// A tool window that only records what the base does for it.
class ProbeWindow : public ToolWindow {
public:
    using ToolWindow::ToolWindow;
    void FormShow() override { ++shows; }
    void FormHide() override { ++hides; }
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
    // A failed exchange asks to try again; an endless answer ends after 100 polls 50 ms apart.
    void exchange_data()
    {
        Columns<Trouble, QList<MessageResult>, bool, int, int>({"trouble", "answers", "ok", "minMs", "maxMs"});
        using R = MessageResult;
        QTest::newRow("three incomplete polls") << Trouble::None << QList<R>{} << true << 4 * 50 << 1000;
        QTest::newRow("invalid answer, Yes") << Trouble::Invalid << QList{R::Yes} << true << 0 << 1000;
        QTest::newRow("silent, Yes, No") << Trouble::Silent << QList{R::Yes, R::No} << false << 0 << 100000;
        QTest::newRow("never complete, No")
            << Trouble::NeverComplete << QList{R::No} << false << 100 * 50 << 101 * 50 + 100 * 200;
    }
    void exchange()
    {
        QFETCH(Trouble, trouble);
        QFETCH(QList<MessageResult>, answers);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        WindowRig r(With(trouble, 3));
        r.dialogs.answers.assign(answers.begin(), answers.end());
        const uint64_t start = r.NowMs();
        RelayedAnswer answer;
        QTEST(BlockingExchange(r.session, nullptr, kBondingMap, answer), "ok");
        QVERIFY(r.NowMs() - start >= uint64_t(minMs) && r.NowMs() - start < uint64_t(maxMs));
        QCOMPARE(r.Messages(), QStringList(answers.size(), "Error!|Communication error! Try again?"));
        QVERIFY(r.dialogs.shown.empty() ||
                (r.dialogs.shown[0].buttons == MessageButtons::YesNo && r.dialogs.shown[0].icon == MessageIcon::Error));
        if (answer.complete)
            QCOMPARE(answer.data[2], uint8_t{0x3E});  // addresses 1 to 5
    }

    void meshList_data()
    {
        Columns<Trouble, int, int, int, QStringList, int>(
            {"trouble", "source", "function", "result", "items", "questions"});
        const auto kind = int(FunctionSource::ElementKind), status = int(FunctionSource::ElementStatus);
        const auto filled = int(MeshListResult::Filled), empty = int(MeshListResult::Empty);
        QTest::newRow("all bonded") << Trouble::None << 0 << 0 << filled << QStringList{"1", "2", "3", "4", "5"} << 0;
        QTest::newRow("probes") << Trouble::None << kind << 3 << filled << QStringList{"1", "2", "3"} << 0;
        QTest::newRow("actuators by status") << Trouble::None << status << 2 << filled << QStringList{"4"} << 0;
        QTest::newRow("no probes") << Trouble::NoProbes << kind << 3 << empty << QStringList{} << 0;
        // Refused status reads ask again (Yes, No); refused kind reads leave the element out.
        QTest::newRow("status refused") << Trouble::StatusRefused << status << 3 << int(MeshListResult::Declined)
                                        << QStringList{"stale"} << 2;
        QTest::newRow("kind refused") << Trouble::StatusRefused << kind << 3 << empty << QStringList{} << 0;
    }
    void meshList()
    {
        QFETCH(Trouble, trouble);
        QFETCH(int, source);
        QFETCH(int, function);
        QFETCH(int, result);
        WindowRig r(With(trouble));
        r.dialogs.answers = {MessageResult::Yes, MessageResult::No};
        QComboBox box;
        box.addItem(QStringLiteral("stale"));
        const MeshAddressFilter filter{FunctionSource(source), uint8_t(function)};
        QCOMPARE(int(FillMeshAddressList(r.session, nullptr, box, filter)), result);
        QStringList items;
        for (int i = 0; i < box.count(); ++i)
            items << box.itemText(i);
        QTEST(items, "items");
        QCOMPARE(box.currentIndex(), items.isEmpty() ? -1 : 0);
        QTEST(int(r.dialogs.shown.size()), "questions");
        // A status read teaches the table every bonded element's kind.
        const auto& table = r.session.model.ElementTable;
        if (FunctionSource(source) == FunctionSource::ElementStatus && result == int(MeshListResult::Filled))
            QCOMPARE(FunctionCode(table[5].status.kind), kFunctionRepeater);
    }

    // Bit k of a map is address k; bit 0 and bits beyond 16 are not addresses.
    void bondedAddressesFromTheMap()
    {
        RelayedAnswer map;
        map.complete = true;
        map.length = 5;
        map.data = {0x80, 17, 0x03, 0x80, 0x01};
        QCOMPARE(BondedAddresses(map), (std::vector<uint8_t>{1, 15, 16}));
        map.length = 2;
        QVERIFY(BondedAddresses(map).empty());
    }

    // The limit follows the settings; 0 still tries once. A success clears the count. An answer
    // that never completes fails a poll at every hundredth incomplete poll in a row.
    void stepGivesUpAtTheLimit_data()
    {
        Columns<int, int>({"limit", "failures"});
        for (int limit : {3, 2, 1, 0})
            QTest::addRow("%d", limit) << limit << std::max(limit, 1);
    }
    void stepGivesUpAtTheLimit()
    {
        QFETCH(int, limit);
        QFETCH(int, failures);
        WindowRig r(With(Trouble::NeverComplete));
        SendPollStep steps(r.session.settings);
        r.session.settings.attemptCount = limit;
        steps.Start(2);
        for (int i = 1; i < failures; ++i)
            QVERIFY(!steps.Send(kErrTimeout, 3, 6) && steps.Step == 2);
        QVERIFY(!steps.Send(kErrTimeout, 3, 6));
        QCOMPARE(std::pair(steps.Step, steps.AttemptNo), std::pair(6, 0));
        steps.Start(2);
        steps.AttemptNo = failures - 1;
        QVERIFY(steps.Send(RequestBondingMap(r.link, Network::Local, 0), 3, 6));
        QCOMPARE(std::pair(steps.Step, steps.AttemptNo), std::pair(3, 0));
        RelayedAnswer answer;
        int polls = 1;
        while (steps.Poll(r.link, answer, 2, 6) != StepAnswer::Failed || steps.Step != 6)
            QVERIFY(++polls <= 1000);
        QCOMPARE(polls, 100 * failures);
    }

    void pollStepClassifiesAnswers()
    {
        WindowRig r(With(Trouble::Invalid));
        SendPollStep steps(r.session.settings);
        RelayedAnswer answer;
        steps.Start(2);
        QVERIFY(steps.Send(RequestBondingMap(r.link, Network::Local, 0), 3, 6));
        QVERIFY(steps.Poll(r.link, answer, 2, 6) == StepAnswer::Incomplete);
        QCOMPARE(steps.Step, 3);
        QVERIFY(steps.Poll(r.link, answer, 2, 6) == StepAnswer::Error);  // back to the send step
        QCOMPARE(steps.Step, 2);
        QVERIFY(steps.Send(RequestBondingMap(r.link, Network::Local, 0), 3, 6));
        steps.AttemptNo = 2;
        QVERIFY(steps.PollOnly(r.link, answer, 6) == StepAnswer::Incomplete);
        QCOMPARE(steps.AttemptNo, 0);  // a poll that went through clears the failed attempts
        QVERIFY(steps.Poll(r.link, answer, 2, 6) == StepAnswer::Complete);
        QCOMPARE(steps.Step, 3);  // the step judges the answer itself
        QCOMPARE(answer.data[2], uint8_t{0x3E});

        // Failed polls count like failed sends.
        WindowRig silent(With(Trouble::Silent));
        SendPollStep fixed(2);
        fixed.Start(3);
        QVERIFY(fixed.Poll(silent.link, answer, 2, 6) == StepAnswer::Failed);
        QVERIFY(fixed.Poll(silent.link, answer, 2, 6) == StepAnswer::Failed && fixed.Step == 6);
    }

    void refusedAnswersAndRepeatText()
    {
        SendPollStep steps(3);
        steps.Start(204);
        for (const QString text : {"x", "x #2", "x #3"}) {
            QCOMPARE(steps.Text(QStringLiteral("x")), text);
            QCOMPARE(steps.Refused(203, 300), text != "x #3");  // the third refusal ends the run
        }
        QCOMPARE(std::pair(steps.Step, steps.RepeatNo), std::pair(300, 0));

        RelayedAnswer answer;
        answer.length = 2;
        answer.data[0] = 0x77;
        QVERIFY(IsPositiveAnswer(answer));
        answer.data[1] = 0xF4;
        QVERIFY(!IsPositiveAnswer(answer));
        answer.data[1] = 0;
        answer.length = 3;
        QVERIFY(!IsPositiveAnswer(answer));
    }

    // Nothing suitable bonded (said once) or a declined retry closes the window through CancelTMR;
    // an unknown step stops the process timer.
    void toolWindowClosesWhenItCannotGoOn()
    {
        WindowRig r(WithoutProbes());
        auto& window = r.Make<ProbeWindow>();
        QComboBox box;
        window.show();
        QVERIFY(window.Build(box, {FunctionSource::ElementKind, kFunctionActuator}));
        QVERIFY(!window.CancelTMR()->isActive() && r.dialogs.shown.empty());
        QVERIFY(!window.Build(box, {FunctionSource::ElementKind, kFunctionProbe}));
        QCOMPARE(r.Last(), QStringLiteral("Message|No radon probes bonded."));
        r.Run("CancelTMR");
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QCOMPARE(std::pair(window.shows, window.hides), std::pair(1, 1));
        QTimer process;
        process.start(200);
        window.UnknownStep(&process);
        QVERIFY(!process.isActive());
        QCOMPARE(r.Last(), QStringLiteral("Error!|STEP protocol error!"));
        QVERIFY(r.dialogs.shown.back().icon == MessageIcon::Exclamation);

        WindowRig silent(With(Trouble::Silent));
        auto& quiet = silent.Make<ProbeWindow>();
        silent.dialogs.answers = {MessageResult::No, MessageResult::No};
        RelayedAnswer answer;
        QVERIFY(!quiet.Exchange(answer) && quiet.CancelTMR()->isActive());
        QVERIFY(!quiet.Build(box, {}));
        QCOMPARE(silent.dialogs.shown.size(), std::size_t{2});
    }

    // A message box shows what it is given and returns the button clicked (NoButton: "Try Again").
    void qtMessageBoxes_data()
    {
        Columns<MessageButtons, MessageIcon, int, int, int, MessageResult>(
            {"buttons", "icon", "boxIcon", "count", "click", "result"});
        using B = MessageButtons;
        using I = MessageIcon;
        using R = MessageResult;
        using Q = QMessageBox;
        QTest::newRow("Ok") << B::Ok << I::Information << +Q::Information << 1 << +Q::Ok << R::Ok;
        QTest::newRow("OkCancel") << B::OkCancel << I::Exclamation << +Q::Warning << 2 << +Q::Cancel << R::Cancel;
        QTest::newRow("YesNo") << B::YesNo << I::Error << +Q::Critical << 2 << +Q::No << R::No;
        QTest::newRow("YesNoCancel") << B::YesNoCancel << I::Question << +Q::Question << 3 << +Q::Yes << R::Yes;
        QTest::newRow("RetryCancel") << B::RetryCancel << I::Error << +Q::Critical << 2 << +Q::Retry << R::Retry;
        QTest::newRow("AbortRetryIgnore") << B::AbortRetryIgnore << I::Question << +Q::Question << 3 << +Q::Ignore
                                          << R::Ignore;
        QTest::newRow("CancelTryContinue") << B::CancelTryContinue << I::None << +Q::NoIcon << 3 << +Q::NoButton
                                           << R::TryAgain;
    }
    void qtMessageBoxes()
    {
        QFETCH(MessageButtons, buttons);
        QFETCH(MessageIcon, icon);
        QFETCH(int, boxIcon);
        QFETCH(int, count);
        QFETCH(int, click);
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            seen = QStringLiteral("%1|%2|%3|%4")
                       .arg(box->windowTitle(), box->text())
                       .arg(box->icon())
                       .arg(box->buttons().size());
            for (QAbstractButton* b : box->buttons())
                if (box->standardButton(b) == click && (click != QMessageBox::NoButton || b->text() == "Try Again"))
                    b->click();
        });
        QTEST(QtDialogs().Message(nullptr, "Query", "Go on?", buttons, icon), "result");
        QCOMPARE(seen, QStringLiteral("Query|Go on?|%1|%2").arg(boxIcon).arg(count));
    }

    // It offers the suggested name.
    void qtSaveDialogLeavesOverwritingToTheProgram()
    {
        bool confirms = true;
        QString offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            confirms = !dialog || !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            if (dialog) {
                offered = QFileInfo(dialog->selectedFiles().value(0)).fileName();
                dialog->reject();
            }
        });
        QVERIFY(!QtDialogs().SaveFileName(nullptr, "*.tab", "tab", "RDN_3.tab") && !confirms);
        QCOMPARE(offered, QStringLiteral("RDN_3.tab"));
    }

    // A question before something that cannot be undone: Enter answers No.
    void qtConfirmationDefaultsToNo()
    {
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            seen = QStringLiteral("%1|%2|%3").arg(box->windowTitle(), box->text()).arg(box->icon());
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(QtDialogs().Confirm(nullptr, "Clear it?"), MessageResult::No);
        QCOMPARE(seen, QStringLiteral("Warning|Clear it?|%1").arg(int(QMessageBox::Warning)));
    }
};

QTEST_MAIN(TestWindowMachinery)
#include "test_window_machinery.moc"
