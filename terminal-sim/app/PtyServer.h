// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pseudo-terminal the simulated terminal is served on. The program opens the slave
// side (/dev/pts/N) as its serial port; the simulator reads and writes the master side.
// The simulator keeps a slave descriptor of its own, so the master never reports a hang-up
// while no program has the port open, and a program may close and reopen it at will.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kolmaris {

class PtyServer {
public:
    // A pseudo-terminal in raw mode with a non-blocking master; null and `error` set on failure.
    static std::unique_ptr<PtyServer> Open(std::string& error);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    int MasterFd() const { return master_; }
    const std::string& DevicePath() const { return device_; }

    // Takes back exclusive use of the device that a program asked for. A program killed
    // while holding it would otherwise lock every later one out for as long as the simulator
    // runs, since the simulator's own descriptor keeps the device alive. Programs that lock
    // the port with a lock file, as Qt does, still keep each other out.
    void ClearExclusiveUse();

    // Appends what the program wrote. False, `error` set, when the master fails.
    bool Read(std::vector<uint8_t>& into, std::string& error);
    // Writes as much as the pseudo-terminal takes now; the count written, or -1 with
    // `error` set when the master fails.
    long Write(std::span<const uint8_t> bytes, std::string& error);

private:
    PtyServer(int master, int slave, std::string device) : master_(master), slave_(slave), device_(std::move(device))
    {
    }

    int master_;
    int slave_;
    std::string device_;
};

}  // namespace kolmaris
