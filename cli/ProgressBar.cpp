// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressBar.h"

#include <algorithm>

namespace kolmaris::cli {

void ProgressBar::Show(double fraction, const std::string& text)
{
    if (!enabled_)
        return;
    const int filled = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kWidth);
    std::string line = "[" + std::string(filled, '#') + std::string(kWidth - filled, '-') + "] " + text;
    if (line == shown_)
        return;
    // Blanks wipe out the rest of a longer line drawn before.
    const std::size_t width = line.size();
    if (shown_.size() > width)
        line.append(shown_.size() - width, ' ');
    out_ << '\r' << line << std::flush;
    shown_ = line.substr(0, width);
}

void ProgressBar::Finish()
{
    if (shown_.empty())
        return;
    out_ << '\n' << std::flush;
    shown_.clear();
}

}  // namespace kolmaris::cli
