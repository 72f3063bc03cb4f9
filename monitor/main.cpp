// Kolmaris: operates a wireless radon monitoring system through its terminal.

#include "Application.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", kolmaris::kApplicationTitle, kolmaris::kApplicationVersion);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kolmaris::kApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kolmaris::kApplicationVersion));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/logo.svg")));
    kolmaris::Application application;
    application.Show();
    return app.exec();
}
