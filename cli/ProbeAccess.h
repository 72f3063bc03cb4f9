// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a reading from a probe needs around it, as the records and spectra windows do it: the
// address must be a bonded radon probe, and the terminal's data acquisition must be stopped
// while the probe is read. Unlike the windows, the tool continues an acquisition it stopped
// once the reading is over: no one is at a main window to do it.

#include "StepLink.h"

#include <cstdint>
#include <string>

namespace kolmaris::cli {

// Empty when `address` is bonded to the coordinator and its function is radon probe; else the
// one-line reason.
std::string CheckRadonProbe(StepLink& link, int attempts, uint8_t address);

class AcquisitionPause {
public:
    // Reads the acquisition state and, while acquisition runs, sends the stop. False, with the
    // one-line `error`, when the state cannot be read or the stop is refused.
    bool Stop(StepLink& link, int attempts, std::string& error);
    // Acquisition ran when Stop was called: the reading waits until the terminal reports it
    // stopped, and Resume continues it.
    bool WasRunning() const { return wasRunning_; }
    // Continues the acquisition ("Continue", 0xB4) when it was running. Empty, or the one-line
    // error.
    std::string Resume(StepLink& link, int attempts);

private:
    bool wasRunning_ = false;
};

}  // namespace kolmaris::cli
