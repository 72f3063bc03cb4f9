// Kolmaris: operates a wireless radon monitoring system through its terminal.

#include "Application.h"
#include "TMainWND.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QString screenshot;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", kolmaris::kApplicationTitle, kolmaris::kApplicationVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = QString::fromLocal8Bit(argv[++i]);
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
        QObject::connect(&application.MainWindow(), &kolmaris::TMainWND::ScreenshotTaken, &app,
                         [&screenshot](bool saved, bool live, const QString& summary) {
                             std::printf("%s\n%s\n", qPrintable(screenshot), qPrintable(summary));
                             std::fflush(stdout);
                             QCoreApplication::exit(saved && live ? 0 : 1);
                         });
        application.MainWindow().ScreenshotWhenLive(screenshot, 20000);
    }
    return app.exec();
}
