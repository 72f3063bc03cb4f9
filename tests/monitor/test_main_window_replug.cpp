// SPDX-License-Identifier: GPL-3.0-or-later
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

class TestMainWindowReplug : public QObject {
    Q_OBJECT
private slots:
    void reconnectsEachTimeTheTerminalReturns();

private:
    void StartSimulator()
    {
        sim_.start(KOLMARIS_TERMINAL_SIM_PROGRAM, {"--port", "150", "--scenario", dir_.filePath("quiet.json")});
        QByteArray output;
        QTRY_VERIFY2_WITH_TIMEOUT((output += sim_.readAll()).contains("on COM"), output.constData(), 10000);
    }
    QTemporaryDir dir_;
    QProcess sim_;
};

void TestMainWindowReplug::reconnectsEachTimeTheTerminalReturns()
{
    qputenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit());
    QFile scenario(dir_.filePath("quiet.json"));
    QVERIFY(scenario.open(QIODevice::WriteOnly) && scenario.write(R"({"memory": {"days": 0}})") > 0);
    scenario.close();
    // The program's own configuration file: automatic detection.
    SaveConfig(QCoreApplication::applicationDirPath().toStdString() + "/" + kConfigFileName, LinkSettings{});
    sim_.setProcessChannelMode(QProcess::MergedChannels);
    StartSimulator();
    Application application;
    application.Show();
    const auto* status = application.MainWindow().findChild<QLabel*>("StatusLB");
    const auto* voltage = application.MainWindow().findChild<QLabel*>("MainVoltageLB");
    qsizetype objectsAfterFirstReturn = 0;
    for (int returns = 0;; ++returns) {
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString("Connected COM 150"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(voltage->isVisible(), 10000);
        const qsizetype objects = application.MainWindow().findChildren<QObject*>().size();
        if (returns == 1)
            objectsAfterFirstReturn = objects;
        if (returns == 20) {
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

}  // namespace kolmaris

QTEST_MAIN(kolmaris::TestMainWindowReplug)
#include "test_main_window_replug.moc"
