// The "Data in terminal" window against the simulated terminal and against served memory images:
// the download with its captions, progress and counts, the end messages, Clear, the viewers, the
// single saves and "Save All".
#include "ImageTerminal.h"
#include "SimulatedSession.h"
#include "TDatasWND.h"
#include "TDiasWND.h"
#include "TLocsWND.h"
#include "TRadonSpectWND.h"
#include "TRecordsWND.h"
#include "TerminalTime.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

constexpr uint32_t kStart = 794'916'000;

QStringList Items(const QComboBox& box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

std::vector<uint8_t> Meteo(uint32_t time, uint16_t pressure)
{
    std::vector<uint8_t> m;
    for (const uint32_t word : {time >> 16, time & 0xFFFF, uint32_t{pressure}, 2932u, 455u, 1234u})
        m.insert(m.end(), {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)});
    return m;
}

std::vector<uint8_t> Radon(uint8_t slot, uint32_t time)
{
    std::vector<uint8_t> r{slot, static_cast<uint8_t>(time >> 24), static_cast<uint8_t>(time >> 16),
                           static_cast<uint8_t>(time >> 8), static_cast<uint8_t>(time)};
    r.resize(18, 3);
    return r;
}

// A small memory: meteo, probe 2's record, an event of element 2 (code 0xFF, half a minute
// after the first meteo record), meteo, probe 5's record.
std::vector<std::vector<uint8_t>> SmallMemory()
{
    const uint32_t eventTime = kStart + 30;
    const std::vector<uint8_t> event{static_cast<uint8_t>(0x10 | ((eventTime >> 8) & 0x0F)),
                                     static_cast<uint8_t>(eventTime), 0xFF};
    return {Meteo(kStart, 990), Radon(1, kStart + 60), event, Meteo(kStart + 900, 991), Radon(4, kStart + 960)};
}

QString ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromLatin1(f.readAll());
}

// A window over a served memory image, the session's dialogs scripted.
struct ImageWindow {
    explicit ImageWindow(const std::vector<std::vector<uint8_t>>& records = SmallMemory(), uint32_t pointer = 0x300)
    {
        starts = terminal.LayBelowPointer(pointer, records, 0xFF);
    }
    ImageTerminal terminal;
    std::vector<uint32_t> starts;
    ScriptedDialogs dialogs;
    Session session{terminal.Link(), dialogs};
    TDatasWND window{session};
};

}  // namespace

class TestDatasWindow : public QObject {
    Q_OBJECT

    template <class T>
    static T* Child(QWidget& w, const char* name)
    {
        auto* c = w.findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no child %s", name);
        return c;
    }
    static QString Text(QWidget& w, const char* name) { return Child<QLabel>(w, name)->text(); }
    static QString Caption(QWidget& w) { return Child<QPushButton>(w, "LoadEepromBT")->text(); }

    // Ticks the window's timer until it stops, the clock running on as the timer would; returns
    // how many ticks came half a second after the one before.
    static int RunTimer(TDatasWND& w, Clock& clock, int maxTicks = 200000)
    {
        auto* timer = Child<QTimer>(w, "DatasTMR");
        int slowTicks = 0;
        for (int ticks = 0; timer->isActive() && ticks < maxTicks; ++ticks) {
            w.DatasTMRTimer();
            clock.SleepMs(static_cast<uint32_t>(timer->interval()));
            slowTicks += timer->isActive() && timer->interval() == 500;
        }
        return slowTicks;
    }

private slots:
    void downloadShowsTheCountsAndLists()
    {
        SimulatedSession sim;
        QVERIFY(sim.Connect());
        const auto records = sim.terminal.RecordsInMemory();
        int spectra = 0, radon = 0, meteo = 0, events = 0, probe2 = 0;
        uint32_t oldestMeteo = 0;
        for (const auto& r : records) {
            spectra += r.kind == MemoryRecordInfo::Kind::Spectrum;
            radon += r.kind == MemoryRecordInfo::Kind::Radon;
            events += r.kind == MemoryRecordInfo::Kind::Event;
            if (r.kind == MemoryRecordInfo::Kind::Radon && r.bytes[0] == 1)
                ++probe2;
            if (r.kind == MemoryRecordInfo::Kind::Meteo && meteo++ == 0)
                oldestMeteo = r.time;
        }

        TDatasWND w(sim.session);
        Child<QPushButton>(w, "LoadEepromBT")->click();
        QCOMPARE(Caption(w), QStringLiteral("Interrupt"));

        // Counts grow while the pieces come in.
        for (int i = 0; i < 400; ++i) {
            w.DatasTMRTimer();
            sim.line.GetClock().SleepMs(10);
        }
        QVERIFY(Text(w, "RecordCountLB").toInt() > 0);
        QVERIFY(Items(*Child<QComboBox>(w, "MeshRecCB")).isEmpty());  // the lists wait for the end

        RunTimer(w, sim.line.GetClock());
        QVERIFY(sim.dialogs.shown.empty());
        QVERIFY(sim.terminal.RecordingOn());
        QCOMPARE(Caption(w), QStringLiteral("Read"));
        QCOMPARE(Text(w, "SpectCountLB"), QString::number(spectra));
        QCOMPARE(Text(w, "RecordCountLB"), QString::number(radon));
        QCOMPARE(Text(w, "CentralCountLB"), QString::number(meteo));
        QCOMPARE(Text(w, "DiaCountLB"), QString::number(events));
        // The time the reading has come back to: the oldest meteo record's.
        QCOMPARE(Text(w, "LastTimeLB"), QString::fromStdString(FormatTime(oldestMeteo, true, false)));
        const int total = static_cast<int>(sim.terminal.MemoryPointer()) + 1;
        const int read = w.Download().BytesRead();
        QCOMPARE(Text(w, "ProcLB"), QStringLiteral("%1 % (%2 B)").arg(read * 100 / total).arg(read));
        QCOMPARE(Items(*Child<QComboBox>(w, "MeshSpectCB")), (QStringList{"1", "2", "3"}));
        Child<QComboBox>(w, "MeshRecCB")->setCurrentIndex(1);
        QCOMPARE(Text(w, "MeshRecCountLB"), QString::number(probe2));

        // Clear: everything back to the start.
        Child<QPushButton>(w, "Button4")->click();
        QCOMPARE(Text(w, "RecordCountLB"), QStringLiteral("0"));
        QVERIFY(Items(*Child<QComboBox>(w, "MeshRecCB")).isEmpty());
    }

    void interruptAndContinueEndLikeAnUninterruptedRun()
    {
        SimulatedSession sim;
        QVERIFY(sim.Connect());
        TDatasWND w(sim.session);
        w.show();
        auto* read = Child<QPushButton>(w, "LoadEepromBT");
        read->click();
        for (int i = 0; i < 700; ++i)
            w.DatasTMRTimer();
        read->click();  // "Interrupt"
        RunTimer(w, sim.line.GetClock());
        QCOMPARE(Caption(w), QStringLiteral("Continue"));
        QVERIFY(Text(w, "RecordCountLB").toInt() > 0);

        // Closing the window interrupts too; the machine finishes after the window is gone.
        read->click();
        QCOMPARE(Caption(w), QStringLiteral("Interrupt"));
        for (int i = 0; i < 900; ++i)
            w.DatasTMRTimer();
        w.hide();
        QVERIFY(Child<QTimer>(w, "DatasTMR")->isActive());
        RunTimer(w, sim.line.GetClock());
        QCOMPARE(Caption(w), QStringLiteral("Continue"));
        QVERIFY(sim.terminal.RecordingOn());

        read->click();
        RunTimer(w, sim.line.GetClock());
        QCOMPARE(Caption(w), QStringLiteral("Read"));
        QVERIFY(sim.dialogs.shown.empty());
        QCOMPARE(Text(w, "RecordCountLB").toInt(), w.Store().TotalRadonRecords());
    }

    void endMessages()
    {
        // A spoilt length byte: the records above it stay.
        ImageWindow bad;
        bad.terminal.memory[bad.starts[3] + 13] = 99;
        Child<QPushButton>(bad.window, "LoadEepromBT")->click();
        RunTimer(bad.window, bad.terminal.GetClock());
        QCOMPARE(bad.dialogs.shown.size(), std::size_t{1});
        QCOMPARE(bad.dialogs.shown[0].text, QStringLiteral("Action failed, probably bad data structure in EEPROM."));
        QCOMPARE(Items(*Child<QComboBox>(bad.window, "MeshRecCB")), (QStringList{"5"}));
        QCOMPARE(Text(bad.window, "CentralCountLB"), QStringLiteral("0"));

        // A piece that never comes, and recording that cannot be switched on again.
        ImageWindow dead;
        dead.terminal.deadBlock = 0x2D0;
        dead.terminal.failRecordingOn = 5;
        Child<QPushButton>(dead.window, "LoadEepromBT")->click();
        QCOMPARE(RunTimer(dead.window, dead.terminal.GetClock()), 8);  // four between pieces, four between switch-ons
        QCOMPARE(dead.dialogs.Texts(),
                 (std::vector<QString>{"Temporary disabled recording into EEPROM cannot be restored!",
                                       "Action interrupted. Resolve the problem and click the button 'Continue'.."}));
        QCOMPARE(Caption(dead.window), QStringLiteral("Continue"));
        QCOMPARE(Text(dead.window, "ProcLB"), QStringLiteral("4 % (33 B)"));

        // Continue once the line is back: the rest comes in.
        dead.terminal.deadBlock = -1;
        Child<QPushButton>(dead.window, "LoadEepromBT")->click();
        RunTimer(dead.window, dead.terminal.GetClock());
        QCOMPARE(dead.dialogs.shown.size(), std::size_t{2});
        QCOMPARE(Text(dead.window, "RecordCountLB"), QStringLiteral("2"));
        QCOMPARE(Text(dead.window, "LastTimeLB"), QStringLiteral("10.03.2025 10:00"));
    }

    void singleSavesAskToKeepOrOverwrite()
    {
        ImageWindow w;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("records.tab"));
        // Nothing to choose from yet: no dialog.
        Child<QPushButton>(w.window, "SaveRecordsBT")->click();
        QVERIFY(w.dialogs.saveFilters.empty());

        Child<QPushButton>(w.window, "LoadEepromBT")->click();
        RunTimer(w.window, w.terminal.GetClock());
        Child<QComboBox>(w.window, "MeshRecCB")->setCurrentIndex(1);  // probe 5
        w.dialogs.saveAnswers = {path};
        Child<QPushButton>(w.window, "SaveRecordsBT")->click();
        const QString row = QStringLiteral("1\t10.03.2025 10:16\t771\t771\t771\t771\t771\t3\t3\t3\r\n");
        const QString header = ReadFile(path).chopped(row.size());
        QVERIFY(ReadFile(path).endsWith(row));
        QCOMPARE(w.dialogs.Texts(), (std::vector<QString>{"Finished OK"}));

        // The file exists now: Yes keeps it and appends the rows without a header.
        w.dialogs.saveAnswers = {path};
        w.dialogs.answers = {MessageResult::Yes};
        Child<QPushButton>(w.window, "SaveRecordsBT")->click();
        QVERIFY(w.dialogs.shown[1].text.startsWith(QStringLiteral("File exists.\nDo you want to keep old data?")));
        QCOMPARE(ReadFile(path), header + row + row);

        // Events: No overwrites.
        w.dialogs.saveAnswers = {path};
        w.dialogs.answers = {MessageResult::No};
        Child<QPushButton>(w.window, "SaveDiasBT")->click();
        QVERIFY(ReadFile(path).startsWith(QStringLiteral("record\t")) && !ReadFile(path).contains(row));
    }

    void saveAllAsksAndWritesEveryKind()
    {
        ImageWindow w;
        Child<QPushButton>(w.window, "LoadEepromBT")->click();
        RunTimer(w.window, w.terminal.GetClock());
        QTemporaryDir dir;

        // Cancelled directory choice, then No to the question: nothing written.
        Child<QPushButton>(w.window, "SaveAllBT")->click();
        QVERIFY(w.dialogs.shown.empty());
        w.dialogs.directoryAnswers = {dir.path()};
        w.dialogs.answers = {MessageResult::No};
        Child<QPushButton>(w.window, "SaveAllBT")->click();
        QCOMPARE(w.dialogs.shown.size(), std::size_t{1});
        QCOMPARE(w.dialogs.shown[0].text,
                 QStringLiteral("All available data will be saved in directory\n\"") + dir.path() +
                     QStringLiteral("\" as:\n - RDN_xx.tab\n - SPC_xx.tab\n - DIA.tab\n - TERM.tab\n       where xx is "
                                    "Probe number\n\nExisting files will be overwritten\n\nContinue?"));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

        w.dialogs.directoryAnswers = {dir.path()};
        w.dialogs.answers = {MessageResult::Yes};
        Child<QPushButton>(w.window, "SaveAllBT")->click();
        QCOMPARE(w.dialogs.shown.back().text, QStringLiteral("Finished..."));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 (QStringList{"DIA.tab", "RDN_2.tab", "RDN_5.tab", "TERM.tab"}));

        // A file that cannot be written is named, never "Finished...".
        QVERIFY(QFile::remove(dir.filePath("TERM.tab")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("TERM.tab")));
        w.dialogs.directoryAnswers = {dir.path()};
        w.dialogs.answers = {MessageResult::Yes};
        Child<QPushButton>(w.window, "SaveAllBT")->click();
        QCOMPARE(w.dialogs.shown.back().text, QStringLiteral("These files could not be saved:\n - TERM.tab"));
        QVERIFY(Child<QPushButton>(w.window, "SaveAllBT")->isEnabled());
    }

    void viewButtonsOpenTheViewersPrepared()
    {
        ImageWindow w;
        TRecordsWND records(w.session, w.window.Store());
        TRadonSpectWND spectra(w.session, w.window.Store());
        TLocsWND locs(w.session, w.window.Store());
        TDiasWND dias(w.session, w.window.Store());
        w.window.SetViewers({&records, &spectra, &locs, &dias});

        // A viewer shown modally is closed again at once; `opened` counts those seen shown.
        int opened = 0;
        const auto closeWhenShown = [&opened](QDialog& viewer) {
            QTimer::singleShot(0, &viewer, [&opened, &viewer] {
                opened += viewer.isVisible();
                viewer.reject();
            });
        };

        // An empty store opens nothing.
        closeWhenShown(records);
        Child<QPushButton>(w.window, "ShowRecordsBT")->click();
        QCoreApplication::processEvents();
        QCOMPARE(opened, 0);

        Child<QPushButton>(w.window, "LoadEepromBT")->click();
        RunTimer(w.window, w.terminal.GetClock());
        Child<QComboBox>(w.window, "MeshRecCB")->setCurrentIndex(1);
        closeWhenShown(records);
        Child<QPushButton>(w.window, "ShowRecordsBT")->click();
        QCOMPARE(opened, 1);
        QVERIFY(records.FromData());
        QCOMPARE(Items(*records.MeshAdrCB()), (QStringList{"2", "5"}));
        QCOMPARE(records.MeshAdrCB()->currentIndex(), 1);

        // No spectra in this memory: the spectra window stays shut.
        Child<QPushButton>(w.window, "ShowSpectBT")->click();
        QCOMPARE(opened, 1);
    }
};

QTEST_MAIN(TestDatasWindow)
#include "test_datas_window.moc"
