// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServeLoop.h"

#include "PacedLine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>

namespace kolmaris {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes the pseudo-terminal would not take yet are kept up to this; a line nobody
// reads loses the rest.
constexpr std::size_t kMaxUnsent = 64 * 1024;

// Until the next paced byte arrives (to the nanosecond, so paced bytes are not held back to
// whole milliseconds), but never longer than the poll period.
timespec PollTimeout(const PacedLine& toTerminal, const PacedLine& fromTerminal, Clock::time_point now)
{
    std::chrono::nanoseconds timeout = std::chrono::milliseconds(kServePollMs);
    for (const PacedLine* line : {&toTerminal, &fromTerminal}) {
        if (const auto next = line->NextArrival())
            timeout = std::clamp<std::chrono::nanoseconds>(*next - now, std::chrono::nanoseconds(0), timeout);
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((timeout - seconds).count())};
}

}  // namespace

bool Serve(SimulatedTerminal& terminal, PtyServer& pty, bool baudPacing, const volatile std::sig_atomic_t& stop,
           std::string& error)
{
    PacedLine toTerminal(baudPacing);
    PacedLine fromTerminal(baudPacing);
    std::vector<uint8_t> received;
    std::vector<uint8_t> unsent;
    Clock::time_point advanced = Clock::now();  // the terminal's clock has run up to here

    while (stop == 0) {
        pollfd fd{pty.MasterFd(), short(POLLIN | (unsent.empty() ? 0 : POLLOUT)), 0};
        const timespec timeout = PollTimeout(toTerminal, fromTerminal, Clock::now());
        const int ready = ppoll(&fd, 1, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            error = std::string("cannot wait for the pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        if (ready > 0 && (fd.revents & (POLLERR | POLLNVAL | POLLHUP)) != 0 && (fd.revents & POLLIN) == 0) {
            error = "the pseudo-terminal failed";
            return false;
        }
        pty.ClearExclusiveUse();
        const auto now = Clock::now();
        if (ready > 0 && (fd.revents & POLLIN) != 0) {
            received.clear();
            if (!pty.Read(received, error))
                return false;
            toTerminal.Send(received, now);
        }

        const auto elapsed = std::chrono::floor<std::chrono::milliseconds>(now - advanced);
        if (elapsed.count() > 0) {
            terminal.AdvanceMs(static_cast<uint64_t>(elapsed.count()));
            advanced += elapsed;
        }
        const std::vector<uint8_t> arrived = toTerminal.Arrived(now);
        if (!arrived.empty())
            terminal.Receive(arrived);
        fromTerminal.Send(terminal.TakeOutput(), now);

        const std::vector<uint8_t> due = fromTerminal.Arrived(now);
        unsent.insert(unsent.end(), due.begin(), due.begin() + std::min(due.size(), kMaxUnsent - unsent.size()));
        if (!unsent.empty()) {
            const long written = pty.Write(unsent, error);
            if (written < 0)
                return false;
            unsent.erase(unsent.begin(), unsent.begin() + written);
        }
    }
    return true;
}

}  // namespace kolmaris
