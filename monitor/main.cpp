// SPDX-License-Identifier: GPL-3.0-or-later
// Kolmaris: operates a wireless radon monitoring system through its terminal.

#include "AcquisitionStop.h"
#include "Application.h"
#include "TMainWND.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

const char* const kHelpText =
    "Usage: kolmaris [options]\n"
    "\n"
    "Operates a wireless radon monitoring system through its terminal on an RS232 line:\n"
    "the live state of the terminal and its elements with alarms, data acquisition, the\n"
    "IQRF MESH of elements, the configuration of the system and its probes, and the\n"
    "measured data, read from the terminal's memory or the probes and saved as .tab\n"
    "files. The terminal is found by automatic detection over COM 1 to 255, or on the\n"
    "port set in Configuration > PC link; kolmaris-terminal-sim serves a simulated one.\n"
    "\n"
    "Options:\n"
    "  --screenshot FILE  save a picture of the main window (PNG) once it shows live\n"
    "                     values, print what it shows, and exit; 1 when nothing live\n"
    "                     came within 20 s\n"
    "  --open ENTRY       with --screenshot: then choose the menu entry of this object\n"
    "                     name (AddBondMnu, ...) and picture its window instead\n"
    "  --zoom             with --open: zoom that window's chart in once first\n"
    "  --version          print the program's name and version and exit\n"
    "  -h, --help         print this help and exit\n";

}  // namespace

int main(int argc, char** argv)
{
    QString screenshot;
    QString openEntry;  // --open: a menu entry whose window is pictured instead of the main window
    bool zoom = false;  // --zoom: that window's chart zoomed in once first
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", kolmaris::kApplicationTitle, kolmaris::kApplicationVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--open") == 0 && i + 1 < argc)
            openEntry = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--zoom") == 0)
            zoom = true;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kolmaris::kApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kolmaris::kApplicationVersion));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/logo.svg")));
    QApplication::setDesktopFileName(QStringLiteral("kolmaris"));  // the menu entry kolmaris.desktop
    kolmaris::Application application;
    application.Show();
    if (!screenshot.isEmpty()) {
        // Saves a picture of the main window once it shows live values, prints the file and
        // what it shows, and exits; 1 when nothing live came within 20 s or nothing was saved.
        // With --open, the menu entry is then chosen and its window pictured 4 s later; with
        // --zoom its chart, if it has one, zoomed in once before.
        QObject::connect(&application.MainWindow(), &kolmaris::TMainWND::ScreenshotTaken, &app,
                         [&](bool saved, bool live, const QString& summary) {
                             auto* entry = application.MainWindow().findChild<QAction*>(openEntry);
                             if (entry)
                                 entry->setVisible(true);  // a hidden entry's window is pictured too
                             if (openEntry.isEmpty() || !saved || !live || !entry || !entry->isEnabled()) {
                                 std::printf("%s\n%s\n", qPrintable(screenshot),
                                             entry || openEntry.isEmpty() ? qPrintable(summary) : "no such entry");
                                 std::fflush(stdout);
                                 QCoreApplication::exit(saved && live && (entry || openEntry.isEmpty()) ? 0 : 1);
                                 return;
                             }
                             QTimer::singleShot(4000, &app, [&screenshot, zoom] {
                                 QWidget* window = QApplication::activeModalWidget();
                                 // As a rubber band over the third before the last sixth of the span.
                                 if (auto* view = window ? window->findChild<QChartView*>() : nullptr; view && zoom) {
                                     const QRectF plot = view->chart()->plotArea();
                                     view->chart()->zoomIn(QRectF(plot.left() + plot.width() / 2, plot.top(),
                                                                  plot.width() / 3, plot.height()));
                                     QCoreApplication::processEvents();
                                 }
                                 const bool ok = window && window->grab().save(screenshot, "PNG");
                                 std::printf("%s\n%s\n", qPrintable(screenshot),
                                             window ? qPrintable(window->windowTitle()) : "no window open");
                                 std::fflush(stdout);
                                 QCoreApplication::exit(ok ? 0 : 1);
                             });
                             // Nobody is there to confirm stopping the acquisition first.
                             application.Dialogs().AnswerOnce(QString::fromLatin1(kolmaris::kStopQuestionText),
                                                              kolmaris::MessageResult::Ok);
                             QTimer::singleShot(0, entry, &QAction::trigger);
                         });
        application.MainWindow().ScreenshotWhenLive(screenshot, 20000);
    }
    return app.exec();
}
