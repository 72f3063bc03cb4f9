// Kolmaris: operates a wireless radon monitoring system through its terminal.

#include "AcquisitionStop.h"
#include "Application.h"
#include "TMainWND.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QString screenshot;
    QString openEntry;  // --open: a menu entry whose window is pictured instead of the main window
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", kolmaris::kApplicationTitle, kolmaris::kApplicationVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--open") == 0 && i + 1 < argc)
            openEntry = QString::fromLocal8Bit(argv[++i]);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kolmaris::kApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kolmaris::kApplicationVersion));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/logo.svg")));
    kolmaris::Application application;
    application.Show();
    if (!screenshot.isEmpty()) {
        // Saves a picture of the main window once it shows live values, prints the file and
        // what it shows, and exits; 1 when nothing live came within 20 s or nothing was saved.
        // With --open, the menu entry is then chosen and its window pictured 4 s later.
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
                             QTimer::singleShot(4000, &app, [&screenshot] {
                                 QWidget* window = QApplication::activeModalWidget();
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
