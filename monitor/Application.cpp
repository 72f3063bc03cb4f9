// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"

#include "LinkLogCategory.h"

#include "TAboutWND.h"
#include "TActivateSensorWND.h"
#include "TConfigureMeasurementWND.h"
#include "TAddBondWND.h"
#include "TDatasWND.h"
#include "TDebugWND.h"
#include "TDiasWND.h"
#include "TInitSensorWND.h"
#include "TLocsWND.h"
#include "TMainWND.h"
#include "TPripojeniWND.h"
#include "TRadonHistoryWND.h"
#include "TRadonSpectWND.h"
#include "TRecordsWND.h"
#include "TSetParamFanWND.h"
#include "TSetParamSensorWND.h"
#include "TRemoveBondWND.h"
#include "TRssiBondWND.h"
#include "TSetChannelWND.h"
#include "TSetIqrfModeWND.h"
#include "TSetPowerWND.h"
#include "TSumBondWND.h"

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
    link_.SetLogSink(QtLinkLogSink());
    session_.configPath = ConfigFilePath(ToPath(QCoreApplication::applicationDirPath()),
                                         ToPath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
    mainWindow_ = std::make_unique<TMainWND>(session_);
    windows_.link = new TPripojeniWND(session_, mainWindow_.get());
    windows_.about = new TAboutWND(session_, mainWindow_.get());
    windows_.debug = new TDebugWND(mainWindow_.get());
    // The terminal data window owns the one data store; the viewers show what it holds.
    windows_.datas = new TDatasWND(session_, mainWindow_.get());
    TDataStore& store = windows_.datas->Store();
    windows_.records = new TRecordsWND(session_, store, mainWindow_.get());
    windows_.spectra = new TRadonSpectWND(session_, store, mainWindow_.get());
    windows_.datas->SetViewers({windows_.records, windows_.spectra, new TLocsWND(session_, store, mainWindow_.get()),
                                new TDiasWND(session_, store, mainWindow_.get())});
    windows_.history = new TRadonHistoryWND(session_, mainWindow_.get());
    windows_.measureConfig = new TConfigureMeasurementWND(session_, mainWindow_.get());
    windows_.activateSensor = new TActivateSensorWND(session_, mainWindow_.get());
    windows_.initSensor = new TInitSensorWND(session_, mainWindow_.get());
    windows_.sensorParams = new TSetParamSensorWND(session_, *windows_.initSensor, mainWindow_.get());
    windows_.fanParams = new TSetParamFanWND(session_, mainWindow_.get());
    windows_.addBond = new TAddBondWND(session_, mainWindow_.get());
    windows_.removeBond = new TRemoveBondWND(session_, mainWindow_.get());
    windows_.rssiBond = new TRssiBondWND(session_, mainWindow_.get());
    windows_.channel = new TSetChannelWND(session_, mainWindow_.get());
    windows_.iqrfMode = new TSetIqrfModeWND(session_, mainWindow_.get());
    windows_.power = new TSetPowerWND(session_, mainWindow_.get());
    windows_.meshOverview = new TSumBondWND(session_, mainWindow_.get());
    windows_.meshOverview->SetPresetWindows(windows_.power, windows_.channel);
    mainWindow_->SetToolWindows(windows_);
}

Application::~Application() = default;

void Application::Show()
{
    mainWindow_->show();
}

}  // namespace kolmaris
