// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The exit status of kolmaris-cli, as its help documents it.

namespace kolmaris::cli {

enum class Exit : int {
    Ok = 0,
    Failed = 1,         // the terminal or a probe did not deliver; what was read is saved
    Usage = 2,          // bad command line
    NoTerminal = 3,     // the port cannot be opened or no terminal answers on it
    Files = 4,          // an output file or directory cannot be written
    RecordingOff = 5,   // recording into the terminal's memory could not be switched on again
    Archive = 6,        // the archive cannot be opened or written, or a file to import is not one
    Interrupted = 130,  // stopped by SIGINT or SIGTERM; the terminal was left as the run found it
};

// The more serious of two outcomes: the one to exit with when both happened.
Exit Worse(Exit a, Exit b);

}  // namespace kolmaris::cli
