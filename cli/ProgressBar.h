// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A one-line progress bar redrawn in place ("\r"), for a terminal: the bar, then a text.
// Disabled, it writes nothing (the output is not a terminal).

#include <ostream>
#include <string>

namespace kolmaris::cli {

class ProgressBar {
public:
    static constexpr int kWidth = 30;

    ProgressBar(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}

    // Draws the bar filled to `fraction` (0 to 1) with `text` after it; nothing when the line
    // would not change.
    void Show(double fraction, const std::string& text);
    // Ends the bar's line, so that what follows starts on a line of its own.
    void Finish();

private:
    std::ostream& out_;
    bool enabled_;
    std::string shown_;  // the line on screen; empty when there is none
};

}  // namespace kolmaris::cli
