#include "Application.h"

#include "TAboutWND.h"
#include "TDebugWND.h"
#include "TMainWND.h"
#include "TPripojeniWND.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace kolmaris {

namespace {

std::filesystem::path ToPath(const QString& dir)
{
    return std::filesystem::path(dir.toStdU16String());
}

}  // namespace

Application::Application()
{
    session_.configPath = ConfigFilePath(ToPath(QCoreApplication::applicationDirPath()),
                                         ToPath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
    mainWindow_ = std::make_unique<TMainWND>(session_);
    windows_.link = new TPripojeniWND(session_, mainWindow_.get());
    windows_.about = new TAboutWND(session_, mainWindow_.get());
    windows_.debug = new TDebugWND(mainWindow_.get());
    mainWindow_->SetToolWindows(windows_);
}

Application::~Application() = default;

void Application::Show()
{
    mainWindow_->show();
}

}  // namespace kolmaris
