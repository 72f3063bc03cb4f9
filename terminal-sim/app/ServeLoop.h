// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a simulated terminal on a pseudo-terminal: what the program writes goes to the
// terminal, its answers go back, and its clock follows the real one.

#include "PtyServer.h"
#include "SimulatedTerminal.h"

#include <csignal>
#include <string>

namespace kolmaris {

// Polls no longer than this, so the terminal's clock keeps running while the line is quiet.
inline constexpr int kServePollMs = 10;

// Serves until `stop` becomes non-zero (true) or the pseudo-terminal fails (false, `error`
// set). With `baudPacing` both directions carry no more than 1920 bytes a second.
bool Serve(SimulatedTerminal& terminal, PtyServer& pty, bool baudPacing, const volatile std::sig_atomic_t& stop,
           std::string& error);

}  // namespace kolmaris
