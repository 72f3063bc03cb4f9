// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial port that lives in memory: what the program writes goes to a peer callback,
// what the peer delivers is read back. No wall clock: an empty read returns at once and
// calls the empty-read hook, which a test uses to advance its clock by the read time-out.

#include "SerialPort.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <span>
#include <vector>

namespace kolmaris {

class MemorySerialPort final : public SerialPort {
public:
    struct LineSettings {
        uint32_t baud = 0;
        uint8_t byteSize = 0;
        uint8_t stopBits = 0;  // 1 or 2, as mapped from the stop-bits code
        uint8_t parity = 0;
        bool parityCheck = false;
    };

    // Called with every block the program writes (only the accepted part).
    using Peer = std::function<void(std::span<const uint8_t> written)>;

    // Makes COM `port` openable; a busy port exists but refuses with AccessDenied.
    void AddDevice(uint8_t port, bool busy = false);
    // A port that exists but refuses to open with `refusal` (AccessDenied, NoAccess).
    void AddRefusingDevice(uint8_t port, PortError refusal) { devices_[port] = refusal; }
    void RemoveDevice(uint8_t port);
    void SetPeer(Peer peer) { peer_ = std::move(peer); }
    void SetEmptyReadHook(std::function<void()> hook) { emptyRead_ = std::move(hook); }

    // Bytes for the program to read.
    void Deliver(std::span<const uint8_t> bytes);
    void Deliver(std::initializer_list<uint8_t> bytes)
    {
        Deliver(std::span<const uint8_t>(bytes.begin(), bytes.size()));
    }

    // Fault injection: accept at most this many further bytes (then writes come up short).
    void LimitWrites(std::size_t bytes) { writeBudget_ = bytes; }
    void UnlimitWrites() { writeBudget_ = SIZE_MAX; }
    void SetCloseFails(bool fails) { closeFails_ = fails; }

    // What happened, for tests.
    const std::vector<uint8_t>& Written() const { return written_; }
    void ClearWritten() { written_.clear(); }
    uint8_t OpenedPort() const { return open_ ? port_ : 0; }
    const LineSettings& Settings() const { return settings_; }
    int OpenCount() const { return openCount_; }
    int PurgeCount() const { return purgeCount_; }
    std::size_t PendingInput() const { return input_.size(); }

    bool OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity) override;
    bool ClosePort() override;
    uint32_t WriteBytes(const uint8_t* data, uint32_t count) override;
    void PurgePort() override;
    bool IsOpen() const override { return open_; }
    PortError LastError() const override { return lastError_; }

protected:
    bool ReadByte(uint8_t& byte) override;

private:
    std::map<uint8_t, PortError> devices_;  // port -> why it refuses to open (None: it opens)
    Peer peer_;
    std::function<void()> emptyRead_;
    std::deque<uint8_t> input_;
    std::vector<uint8_t> written_;
    std::size_t writeBudget_ = SIZE_MAX;
    bool closeFails_ = false;
    bool open_ = false;
    uint8_t port_ = 0;
    LineSettings settings_;
    PortError lastError_ = PortError::None;
    int openCount_ = 0;
    int purgeCount_ = 0;
};

}  // namespace kolmaris
