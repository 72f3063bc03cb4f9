#pragma once
// The tool windows the main window opens, created once by the application and kept for the
// whole run. Later windows join as they are built.

namespace kolmaris {

class TAboutWND;
class TDatasWND;
class TDebugWND;
class TPripojeniWND;
class TRadonSpectWND;
class TRecordsWND;
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
    TSetChannelWND* channel = nullptr;
    TSetIqrfModeWND* iqrfMode = nullptr;
    TSetPowerWND* power = nullptr;
    TSumBondWND* meshOverview = nullptr;
};

}  // namespace kolmaris
