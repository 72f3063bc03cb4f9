// SPDX-License-Identifier: GPL-3.0-or-later
#include "TickPacer.h"

namespace kolmaris::cli {

void TickPacer::Wait(uint32_t pauseMs)
{
    if (pauseMs != period_) {
        period_ = pauseMs;
        clock_.SleepMs(pauseMs);
        return;
    }
    const uint64_t elapsed = clock_.NowMs() - began_;
    if (elapsed < pauseMs)
        clock_.SleepMs(static_cast<uint32_t>(pauseMs - elapsed));
}

}  // namespace kolmaris::cli
