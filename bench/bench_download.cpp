// SPDX-License-Identifier: GPL-3.0-or-later
// Timing of the terminal memory download over a real serial port (the simulated terminal on a
// pseudo-terminal, paced at 19200 baud): the wall time of a whole download against the wire
// floor, the time the bytes exchanged need at 1920 bytes a second.
//
//   bench_download --port N --mode window|loop|paced-loop [--out DIR]
//
// window      the "Data in terminal" window's own download: its 10 ms timer in a Qt event loop
// loop        the machine ticked back to back, pausing only before a retried piece
// paced-loop  the machine ticked in a loop that sleeps every interval it returns (10 ms)
//
// A window download that stops for want of an answer is continued as its user would: the link
// connected again when it was dropped (as the main window does), then "Continue", as long as a
// run reads something and three times after runs that read nothing. With --out DIR the data
// are saved as "Save All" saves them.

#include "Dialogs.h"
#include "QtSerialPort.h"
#include "SaveAll.h"
#include "Session.h"
#include "StepLink.h"
#include "TDatasWND.h"
#include "TerminalDownload.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

using namespace kolmaris;

namespace {

// Counts the bytes that cross the line in both directions.
class CountingPort final : public SerialPort {
public:
    explicit CountingPort(SerialPort& inner) : inner_(inner) {}
    bool OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity) override
    {
        return inner_.OpenPort(port, baud, byteSize, stopBits, parity);
    }
    bool ClosePort() override { return inner_.ClosePort(); }
    uint32_t WriteBytes(const uint8_t* data, uint32_t count) override
    {
        const uint32_t n = inner_.WriteBytes(data, count);
        written += n;
        return n;
    }
    void PurgePort() override { inner_.PurgePort(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    PortError LastError() const override { return inner_.LastError(); }

    uint64_t written = 0;
    uint64_t read = 0;

protected:
    bool ReadByte(uint8_t& byte) override
    {
        if (!inner_.ByteAvailable())
            return false;
        byte = inner_.TakeByte();
        ++read;
        return true;
    }

private:
    SerialPort& inner_;
};

// Messages go to stderr; nothing is asked.
class ConsoleDialogs final : public Dialogs {
public:
    MessageResult Message(QWidget*, const QString& caption, const QString& text, MessageButtons, MessageIcon) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return MessageResult::Ok;
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QString> DirectoryName(QWidget*, const QString&) override { return std::nullopt; }
};

int Usage()
{
    std::fprintf(stderr, "usage: bench_download --port N --mode window|loop|paced-loop [--out DIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int port = 0;
    std::string mode;
    std::string out;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port") == 0)
            port = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--mode") == 0)
            mode = argv[i + 1];
        else if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
    }
    if (port < 1 || port > 255 || (mode != "window" && mode != "loop" && mode != "paced-loop"))
        return Usage();

    QtSerialPort serial;
    CountingPort counting(serial);
    SteadyClock clock;
    StepLink link(counting, clock);
    if (link.Connect(static_cast<uint8_t>(port)) != 0) {
        std::fprintf(stderr, "no terminal on COM %d\n", port);
        return 1;
    }
    counting.written = counting.read = 0;

    TDataStore* store = nullptr;
    const TerminalDownload* download = nullptr;
    TerminalDownload machine;
    TDataStore loopStore;
    ConsoleDialogs dialogs;
    Session session(link, dialogs);
    TDatasWND window(session);

    const auto start = std::chrono::steady_clock::now();
    if (mode == "window") {
        store = &window.Store();
        download = &window.Download();
        auto* timer = window.findChild<QTimer*>(QStringLiteral("DatasTMR"));
        auto* button = window.findChild<QPushButton*>(QStringLiteral("LoadEepromBT"));
        int idle = 0;
        int lastBytes = 0;
        QObject::connect(timer, &QTimer::timeout, &app, [&] {
            if (timer->isActive())
                return;
            const bool moved = download->BytesRead() != lastBytes;
            lastBytes = download->BytesRead();
            if (!download->ContinueOffered() || (!moved && ++idle > 3)) {
                app.quit();
                return;
            }
            if (link.ConnectedPort == 0)
                link.Connect(static_cast<uint8_t>(port));
            button->click();
        });
        button->click();
        app.exec();
    } else {
        store = &loopStore;
        download = &machine;
        machine.Start();
        while (machine.Running()) {
            const uint32_t pause = machine.Tick(link, loopStore);
            if (machine.Running() && (mode == "paced-loop" || pause != TerminalDownload::kTickMs))
                clock.SleepMs(pause);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const uint64_t bytes = counting.written + counting.read;
    const double floor = static_cast<double>(bytes) / 1920.0;
    std::printf("%-10s bytes read %d of %d; %d radon records, %d spectra, %d meteo records, %d events\n", mode.c_str(),
                download->BytesRead(), download->BytesTotal(), store->TotalRadonRecords(), store->TotalSpectra(),
                store->LocRecordCount(), store->DiaEventCount());
    std::printf("%-10s time %.2f s, wire floor %.2f s (%llu bytes on the line), ratio %.3f\n", mode.c_str(), seconds,
                floor, static_cast<unsigned long long>(bytes), seconds / floor);
    if (!out.empty()) {
        std::error_code error;
        std::filesystem::create_directories(out, error);
        if (!SaveAll(*store, out).Ok()) {
            std::fprintf(stderr, "cannot save in %s\n", out.c_str());
            return 1;
        }
    }
    return download->Outcome() == DownloadOutcome::Completed ? 0 : 1;
}
