// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tool windows the main window opens, created once by the application and kept for the
// whole run. Later windows join as they are built.

namespace kolmaris {

class TAboutWND;
class TActivateSensorWND;
class TConfigureMeasurementWND;
class TAddBondWND;
class TDatasWND;
class TDebugWND;
class TInitSensorWND;
class TPripojeniWND;
class TRadonHistoryWND;
class TRadonSpectWND;
class TRecordsWND;
class TSetParamFanWND;
class TSetParamSensorWND;
class TRemoveBondWND;
class TRssiBondWND;
class TSetChannelWND;
class TSetIqrfModeWND;
class TSetPowerWND;
class TSumBondWND;

struct ToolWindows {
    TPripojeniWND* link = nullptr;
    TAboutWND* about = nullptr;
    TDebugWND* debug = nullptr;
    TDatasWND* datas = nullptr;
    TRecordsWND* records = nullptr;
    TRadonSpectWND* spectra = nullptr;
    TRadonHistoryWND* history = nullptr;
    TConfigureMeasurementWND* measureConfig = nullptr;
    TActivateSensorWND* activateSensor = nullptr;
    TInitSensorWND* initSensor = nullptr;
    TSetParamSensorWND* sensorParams = nullptr;
    TSetParamFanWND* fanParams = nullptr;
    TAddBondWND* addBond = nullptr;
    TRemoveBondWND* removeBond = nullptr;
    TRssiBondWND* rssiBond = nullptr;
    TSetChannelWND* channel = nullptr;
    TSetIqrfModeWND* iqrfMode = nullptr;
    TSetPowerWND* power = nullptr;
    TSumBondWND* meshOverview = nullptr;
};

}  // namespace kolmaris
