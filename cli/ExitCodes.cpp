// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExitCodes.h"

namespace kolmaris::cli {

namespace {

// A terminal left without recording matters most, then lost data, then the archive (whose
// failure a full disk would otherwise hide behind the files'), then files.
int Rank(Exit e)
{
    switch (e) {
        case Exit::RecordingOff:
            return 7;
        case Exit::Failed:
            return 6;
        case Exit::Interrupted:
            return 5;
        case Exit::Archive:
            return 4;
        case Exit::Files:
            return 3;
        case Exit::NoTerminal:
            return 2;
        case Exit::Usage:
            return 1;
        case Exit::Ok:
            return 0;
    }
    return 0;
}

}  // namespace

Exit Worse(Exit a, Exit b)
{
    return Rank(b) > Rank(a) ? b : a;
}

}  // namespace kolmaris::cli
