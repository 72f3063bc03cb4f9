// The program against kolmaris-terminal-sim on a pseudo-terminal, the terminal vanishing and
// returning 20 times (stopped, or killed leaving its port link behind): reconnected each time,
// and no more objects alive after the last return than after the first. Run under the sanitize
// build, LeakSanitizer checks the rest at exit.
#include "Application.h"
#include "ConfigFile.h"
#include "TMainWND.h"

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace kolmaris {
namespace {

constexpr int kPort = 150;
constexpr int kReturns = 20;

class TestMainWindowReplug : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        qputenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit());
        QFile scenario(dir_.filePath("quiet.json"));
        QVERIFY(scenario.open(QIODevice::WriteOnly));
        scenario.write(R"({"memory": {"days": 0}})");
        // The program's own configuration file: automatic detection.
        QCOMPARE(SaveConfig(std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) /
                                kConfigFileName,
                            LinkSettings{}),
                 SaveResult::Saved);
        sim_.setProcessChannelMode(QProcess::MergedChannels);
    }
    void reconnectsEachTimeTheTerminalReturns();

private:
    void StartSimulator()
    {
        sim_.start(QStringLiteral(KOLMARIS_TERMINAL_SIM_PROGRAM),
                   {"--port", QString::number(kPort), "--scenario", dir_.filePath("quiet.json")});
        QVERIFY(sim_.waitForStarted());
        QByteArray output;
        QTRY_VERIFY2_WITH_TIMEOUT((output += sim_.readAll()).contains("on COM"), output.constData(), 10000);
    }
    QTemporaryDir dir_;
    QProcess sim_;
};

void TestMainWindowReplug::reconnectsEachTimeTheTerminalReturns()
{
    StartSimulator();
    Application application;
    application.Show();
    const auto* status = application.MainWindow().findChild<QLabel*>("StatusLB");
    const auto* voltage = application.MainWindow().findChild<QLabel*>("MainVoltageLB");
    const QString connected = QString("Connected COM %1").arg(kPort);
    qsizetype objectsAfterFirstReturn = 0;
    for (int returns = 0; returns <= kReturns; ++returns) {
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), connected, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(voltage->isVisible(), 10000);
        const qsizetype objects = application.MainWindow().findChildren<QObject*>().size();
        if (returns == 1)
            objectsAfterFirstReturn = objects;
        if (returns == kReturns) {
            QCOMPARE(objects, objectsAfterFirstReturn);
            break;
        }
        ::kill(static_cast<pid_t>(sim_.processId()), returns % 2 ? SIGKILL : SIGTERM);
        QVERIFY(sim_.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith("No connection"), 20000);
        StartSimulator();
    }
    sim_.terminate();
    sim_.waitForFinished(10000);
}

}  // namespace
}  // namespace kolmaris

QTEST_MAIN(kolmaris::TestMainWindowReplug)
#include "test_main_window_replug.moc"
