#pragma once
// The tool windows the main window opens, created once by the application and kept for the
// whole run. Later windows join as they are built.

namespace kolmaris {

class TAboutWND;
class TDebugWND;
class TPripojeniWND;

struct ToolWindows {
    TPripojeniWND* link = nullptr;
    TAboutWND* about = nullptr;
    TDebugWND* debug = nullptr;
};

}  // namespace kolmaris
