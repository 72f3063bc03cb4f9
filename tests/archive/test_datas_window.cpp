// SPDX-License-Identifier: GPL-3.0-or-later
// The "Data in terminal" window on the simulated terminal and on served memory images: download,
// end messages, Clear, the viewers, the saves, "Save All" and "Store in archive".
#include "Commands.h"
#include "ImageTerminal.h"
#include "StationArchive.h"
#include "TDatasWND.h"
#include "TDiasWND.h"
#include "TLocsWND.h"
#include "TRadonSpectWND.h"
#include "TRecordsWND.h"
#include "TempDir.h"
#include "TerminalTime.h"
#include "WindowRig.h"

#include <QDir>
#include <QPushButton>
#include <QtTest>

#include <sstream>

using namespace kolmaris;
using namespace kolmaris::testing;

namespace {

constexpr uint32_t kStart = 794'916'000;

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

// The window over a served memory image; its dialogs are the rig's.
struct ImageRig : WindowRig {
    ImageRig() : WindowRig(QuietDefaultScenario(), false)
    {
        starts = image.LayBelowPointer(0x300, SmallMemory(), 0xFF);
        advance = [this](uint32_t ms) { image.GetClock().SleepMs(ms); };
        w = &MakeOn<TDatasWND>(imageSession);
    }
    ~ImageRig() { Destroy(); }
    void Download()
    {
        Click("LoadEepromBT");
        Run("DatasTMR", {}, 200000);
    }
    QString File(const char* name) const { return QString::fromStdString((dir.path / name).string()); }

    ImageTerminal image;
    std::vector<uint32_t> starts;
    Session imageSession{image.Link(), dialogs};
    TDatasWND* w = nullptr;
    TempDir dir;
};

QString Read(const QString& path)
{
    return QString::fromStdString(ReadFile(path.toStdString()));
}

}  // namespace

class TestDatasWindow : public QObject {
    Q_OBJECT
private slots:
    // Interrupted by the button and by closing the window, and continued.
    void downloadShowsTheCountsAndLists()
    {
        WindowRig r(DefaultScenario());
        int spectra = 0, radon = 0, meteo = 0, events = 0, probe2 = 0;
        uint32_t oldestMeteo = 0;
        for (const auto& m : r.terminal.RecordsInMemory()) {
            spectra += m.kind == MemoryRecordInfo::Kind::Spectrum;
            radon += m.kind == MemoryRecordInfo::Kind::Radon;
            events += m.kind == MemoryRecordInfo::Kind::Event;
            probe2 += m.kind == MemoryRecordInfo::Kind::Radon && m.bytes[0] == 1;
            if (m.kind == MemoryRecordInfo::Kind::Meteo && meteo++ == 0)
                oldestMeteo = m.time;
        }
        auto& w = r.Open<TDatasWND>();
        r.Click("LoadEepromBT");
        QCOMPARE(r.Text("LoadEepromBT"), QStringLiteral("Interrupt"));
        r.Run("DatasTMR", {}, 400);  // the counts grow while the pieces come in; the lists wait
        QVERIFY(r.Text("RecordCountLB").toInt() > 0 && r.Items("MeshRecCB").isEmpty());
        r.Click("LoadEepromBT");
        r.Run("DatasTMR");
        QCOMPARE(r.Text("LoadEepromBT"), QStringLiteral("Continue"));
        r.Click("LoadEepromBT");
        r.Run("DatasTMR", {}, 500);
        w.hide();  // closing interrupts too; the machine finishes after the window is gone
        QVERIFY(r.Find<QTimer>("DatasTMR")->isActive());
        r.Run("DatasTMR");
        QCOMPARE(r.Text("LoadEepromBT"), QStringLiteral("Continue"));
        QVERIFY(r.terminal.RecordingOn());
        // Continued, the download ends as an uninterrupted one.
        r.Click("LoadEepromBT");
        r.Run("DatasTMR");
        QVERIFY(r.dialogs.shown.empty() && r.terminal.RecordingOn());
        QCOMPARE(r.Text("LoadEepromBT"), QStringLiteral("Read"));
        QCOMPARE(QStringList(
                     {r.Text("SpectCountLB"), r.Text("RecordCountLB"), r.Text("CentralCountLB"), r.Text("DiaCountLB")}),
                 QStringList({QString::number(spectra), QString::number(radon), QString::number(meteo),
                              QString::number(events)}));
        // The time the reading has come back to: the oldest meteo record's.
        QCOMPARE(r.Text("LastTimeLB"), QString::fromStdString(FormatTime(oldestMeteo, true, false)));
        const int total = static_cast<int>(r.terminal.MemoryPointer()) + 1;
        const int read = w.Download().BytesRead();
        QCOMPARE(r.Text("ProcLB"), QStringLiteral("%1 % (%2 B)").arg(read * 100 / total).arg(read));
        QCOMPARE(r.Items("MeshSpectCB"), (QStringList{"1", "2", "3"}));
        r.Find<QComboBox>("MeshRecCB")->setCurrentIndex(1);
        QCOMPARE(r.Text("MeshRecCountLB"), QString::number(probe2));

        r.Click("Button4");  // Clear: everything back to the start
        QVERIFY(r.Text("RecordCountLB") == "0" && r.Items("MeshRecCB").isEmpty());
    }

    void endMessages()
    {
        {  // A spoilt length byte: the records above it stay.
            ImageRig bad;
            bad.image.memory[bad.starts[3] + 13] = 99;
            bad.Download();
            QCOMPARE(bad.dialogs.Texts(), QStringList{"Action failed, probably bad data structure in EEPROM."});
            QCOMPARE(bad.Items("MeshRecCB"), (QStringList{"5"}));
            QCOMPARE(bad.Text("CentralCountLB"), QStringLiteral("0"));
        }
        {  // A terminal not connected: said once.
            WindowRig r(QuietDefaultScenario(), false);
            r.Make<TDatasWND>();
            r.Click("LoadEepromBT");
            r.Run("DatasTMR");
            QCOMPARE(r.dialogs.Texts(), QStringList{kNoAnswerText});
        }
        // A piece that never comes, recording not switched on again: four slow ticks for each.
        ImageRig dead;
        dead.image.deadBlock = 0x2D0;
        dead.image.failRecordingOn = 5;
        dead.Click("LoadEepromBT");
        auto* timer = dead.Find<QTimer>("DatasTMR");
        int slowTicks = 0;
        for (int ticks = 0; timer->isActive() && ticks < 200000; ++ticks) {
            dead.w->DatasTMRTimer();
            dead.advance(uint32_t(timer->interval()));
            slowTicks += timer->isActive() && timer->interval() == 500;
        }
        QCOMPARE(slowTicks, 8);
        QCOMPARE(dead.dialogs.Texts(),
                 (QStringList{"Temporary disabled recording into EEPROM cannot be restored!",
                              "Action interrupted. Resolve the problem and click the button 'Continue'.."}));
        QCOMPARE(dead.Text("LoadEepromBT"), QStringLiteral("Continue"));
        QCOMPARE(dead.Text("ProcLB"), QStringLiteral("4 % (33 B)"));
        // Continue once the line is back: the rest comes in.
        dead.image.deadBlock = -1;
        dead.Download();
        QCOMPARE(dead.dialogs.shown.size(), std::size_t{2});
        QCOMPARE(dead.Text("RecordCountLB") + ' ' + dead.Text("LastTimeLB"), QStringLiteral("2 10.03.2025 10:00"));
        // What the viewers take away from the store shows when the window shows again.
        dead.w->Store().ClearRadonRecords(4);
        dead.w->show();
        QCOMPARE(dead.Text("RecordCountLB"), QStringLiteral("1"));
    }

    void singleSavesAskToKeepOrOverwrite()
    {
        ImageRig r;
        const QString path = r.File("records.tab");
        r.dialogs.saveAnswers = {path};
        r.Click("SaveRecordsBT");  // nothing to choose from yet: no dialog
        QCOMPARE(r.dialogs.saveAnswers.size(), 1u);
        r.Download();
        r.Find<QComboBox>("MeshRecCB")->setCurrentIndex(1);  // probe 5
        r.dialogs.saveAnswers = {path};
        r.Click("SaveRecordsBT");
        const QString row = QStringLiteral("1\t10.03.2025 10:16\t771\t771\t771\t771\t771\t3\t3\t3\r\n");
        const QString header = Read(path).chopped(row.size());
        QVERIFY(Read(path).endsWith(row));
        QCOMPARE(r.dialogs.Texts(), (QStringList{"Finished OK"}));
        // The file exists now: Yes keeps it and appends the rows without a header.
        r.dialogs.saveAnswers = {path};
        r.dialogs.answers = {MessageResult::Yes};
        r.Click("SaveRecordsBT");
        QVERIFY(r.dialogs.shown[1].text.startsWith(QStringLiteral("File exists.\nDo you want to keep old data?")));
        QCOMPARE(Read(path), header + row + row);
        // Events: No overwrites.
        r.dialogs.saveAnswers = {path};
        r.dialogs.answers = {MessageResult::No};
        r.Click("SaveDiasBT");
        QVERIFY(Read(path).startsWith(QStringLiteral("record\t")) && !Read(path).contains(row));
        // Each save dialog offers the name "Save All" gives the same data.
        r.Click("SaveSpectsBT");  // no spectra: no dialog
        r.Click("SaveLocsBT");
        QCOMPARE(r.dialogs.suggestedNames, (QStringList{"RDN_5.tab", "RDN_5.tab", "DIA.tab", "TERM.tab"}));
    }

    void saveAllAsksAndWritesEveryKind()
    {
        ImageRig r;
        r.Download();
        const QString dir = r.File("");
        // Cancelled directory choice, then No to the question: nothing written.
        r.Click("SaveAllBT");
        QVERIFY(r.dialogs.shown.empty());
        r.dialogs.directoryAnswers = {dir};
        r.dialogs.answers = {MessageResult::No};
        r.Click("SaveAllBT");
        QCOMPARE(r.dialogs.Texts(),
                 QStringList{"All available data will be saved in directory\n\"" + dir +
                             "\" as:\n - RDN_xx.tab\n - SPC_xx.tab\n - DIA.tab\n - TERM.tab\n       where xx "
                             "is Probe number\n\nExisting files will be overwritten\n\nContinue?"});
        QVERIFY(QDir(dir).entryList(QDir::Files).isEmpty());
        r.dialogs.directoryAnswers = {dir};
        r.dialogs.answers = {MessageResult::Yes};
        r.Click("SaveAllBT");
        QCOMPARE(r.dialogs.Texts().back(), QStringLiteral("Finished..."));
        QCOMPARE(QDir(dir).entryList(QDir::Files, QDir::Name),
                 (QStringList{"DIA.tab", "RDN_2.tab", "RDN_5.tab", "TERM.tab"}));
        // A file that cannot be written is named, never "Finished...".
        QVERIFY(QFile::remove(r.File("TERM.tab")) && QDir(dir).mkdir(QStringLiteral("TERM.tab")));
        r.dialogs.directoryAnswers = {dir};
        r.dialogs.answers = {MessageResult::Yes};
        r.Click("SaveAllBT");
        QCOMPARE(r.dialogs.Texts().back(), QStringLiteral("These files could not be saved:\n - TERM.tab"));
        QVERIFY(r.Find("SaveAllBT")->isEnabled());
    }

    void viewButtonsOpenTheViewersPrepared()
    {
        ImageRig r;
        TDataStore& store = r.w->Store();
        TRecordsWND records(r.imageSession, store);
        TRadonSpectWND spectra(r.imageSession, store);
        TLocsWND locs(r.imageSession, store);
        TDiasWND dias(r.imageSession, store);
        r.w->SetViewers({&records, &spectra, &locs, &dias});
        // A viewer shown modally is closed again at once; `opened` counts those seen shown.
        int opened = 0;
        const auto closeWhenShown = [&opened](QDialog& viewer) {
            QTimer::singleShot(0, &viewer, [&opened, &viewer] {
                opened += viewer.isVisible();
                viewer.reject();
            });
        };
        closeWhenShown(records);
        r.Click("ShowRecordsBT");  // an empty store opens nothing
        QCoreApplication::processEvents();
        QCOMPARE(opened, 0);
        r.Download();
        r.Find<QComboBox>("MeshRecCB")->setCurrentIndex(1);
        closeWhenShown(records);
        r.Click("ShowRecordsBT");
        QCOMPARE(opened, 1);
        QVERIFY(records.FromData());
        QCOMPARE(records.MeshAdrCB()->currentText(), QStringLiteral("5"));
        QCOMPARE(records.MeshAdrCB()->count(), 2);
        r.Click("ShowSpectBT");  // no spectra in this memory: the spectra window stays shut
        QCOMPARE(opened, 1);
    }

    // Opened, Enter presses no button: neither "Read" nor "Clear".
    void enterPressesNothing()
    {
        ImageRig r;
        r.Download();
        r.w->show();
        for (QPushButton* button : r.w->findChildren<QPushButton*>()) {
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
            QTest::keyClick(button, Qt::Key_Return);
        }
        QTest::keyClick(r.w, Qt::Key_Return);
        QVERIFY(!r.Find<QTimer>("DatasTMR")->isActive());
        QCOMPARE(r.Text("RecordCountLB"), QString("2"));
    }

    // "Store in archive": what it stores, said once per click.
    void storesInTheArchiveOnceAndSaysWhere()
    {
        ImageRig r;
        const QString location = r.File("a.sqlite");
        r.imageSession.archiveLocation = location.toStdString();
        r.imageSession.station = "cellar";
        r.Click("StoreArchiveBT");
        QCOMPARE(r.dialogs.Texts().back(), "There is nothing to store: read the terminal's data first.");
        r.Download();
        const QString stored = "Stored in " + location + ", station \"cellar\":\n";
        r.Click("StoreArchiveBT");
        QCOMPARE(r.dialogs.Texts().back(), stored + "5 new records, 0 already there.");
        r.Click("StoreArchiveBT");
        QCOMPARE(r.dialogs.Texts().back(), stored + "0 new records, 5 already there.");
        history::StationArchive archive;
        history::ArchiveBatch held;
        std::string error;
        QVERIFY(archive.Open(r.imageSession.archiveLocation, error) && archive.Rows("cellar", held, error));
        QCOMPARE(held.radon.size(), 2u);
        QCOMPARE(std::pair(held.radon[0].probe, held.radon[1].probe), std::pair(2, 5));
        QCOMPARE(held.radon[0].radon, 771u);
    }

    // A complete download stored from the window counts as one of the whole memory: a day later
    // `kolmaris-cli download --new-only` reads only the new part. Stored after a probe reading
    // changed the store, or after an interrupted run, it does not count.
    void storedWholeDownloadLetsNewOnlyStopEarly_data()
    {
        Columns<QString, bool>({"before", "early"});
        QTest::newRow("complete") << "" << true;
        QTest::newRow("store changed") << "change" << false;
        QTest::newRow("interrupted") << "interrupt" << false;
    }
    void storedWholeDownloadLetsNewOnlyStopEarly()
    {
        QFETCH(QString, before);
        QFETCH(bool, early);
        Scenario scenario = DefaultScenario();
        scenario.memory.wrapped = true;
        WindowRig r(scenario);
        TempDir dir;
        r.session.archiveLocation = (dir.path / "archive.sqlite").string();
        auto& w = r.Open<TDatasWND>();
        r.Click("LoadEepromBT");
        if (before == "interrupt") {
            r.Run("DatasTMR", {}, 2000);
            r.Click("LoadEepromBT");
        }
        r.Run("DatasTMR");
        if (before == "change")
            w.Store().ClearSpectra(0);
        r.Click("StoreArchiveBT");
        QVERIFY(r.Last().startsWith("Message|Stored in "));

        r.line.AdvanceMs(24ull * 3600 * 1000);
        std::ostringstream out;
        cli::ProgressBar progress(out, false);
        cli::CommandIo io{out, out, progress};
        cli::RunDownload(r.link, dir.path / "next", 0, io, {true, r.session.archiveLocation, "default", true});
        const std::string said = out.str();
        const int read = std::stoi(said.substr(said.find_first_of("0123456789", said.find("Memory read:"))));
        QVERIFY2((read < 0x20000 / 10) == early, said.c_str());
        QCOMPARE(said.find("Read back to the records the archive holds") != std::string::npos, early);
    }
};

QTEST_MAIN(TestDatasWindow)
#include "test_datas_window.moc"
