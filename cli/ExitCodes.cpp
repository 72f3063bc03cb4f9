#include "ExitCodes.h"

namespace kolmaris::cli {

namespace {

// A terminal left without recording matters most, then lost data, then files.
int Rank(Exit e)
{
    switch (e) {
        case Exit::RecordingOff:
            return 6;
        case Exit::Failed:
            return 5;
        case Exit::Interrupted:
            return 4;
        case Exit::Files:
        case Exit::Archive:
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
