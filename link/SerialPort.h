// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one serial port of the program: open by COM number, block writes,
// one-byte reads through a look-ahead, purge, close.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kolmaris {

// What went wrong in the last failed OpenPort. AccessDenied: the port exists but another
// program holds it (busy); NoAccess: this user lacks the permission to open it.
enum class PortError { None, NotFound, AccessDenied, NoAccess, Other };

// Line settings the link always uses: 19200 baud, 8 data bits, stop-bits code 1, parity 0.
inline constexpr uint32_t kLinkBaud = 19200;
inline constexpr uint8_t kLinkByteSize = 8;
inline constexpr uint8_t kLinkStopBits = 1;
inline constexpr uint8_t kLinkParity = 0;

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens COM `port` (1..255); an open port is closed first, and if that close
    // fails nothing is opened. Stop-bits code 2 means two stop bits, any other one.
    virtual bool OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity) = 0;
    // True when the port is closed afterwards (also when it was not open).
    virtual bool ClosePort() = 0;
    // Bytes the port accepted; 0 when the write failed.
    virtual uint32_t WriteBytes(const uint8_t* data, uint32_t count) = 0;
    // Drops whatever waits in either direction.
    virtual void PurgePort() = 0;
    virtual bool IsOpen() const = 0;
    // Why the last OpenPort failed.
    virtual PortError LastError() const = 0;
    // The numbers worth trying, ascending: every number 1..255 unless the port knows which
    // devices are there.
    virtual std::vector<uint8_t> PresentPorts() const;

    // True when a byte waits in the look-ahead, reading one from the device if needed
    // (a read with nothing to read returns after the read time-out, about 5 ms).
    bool ByteAvailable();
    // Waits until `count` bytes can be taken or `maxWaitMs` has passed, asleep on the port's own
    // events rather than reading again and again. False when nothing came; true when a byte may
    // be there (ByteAvailable tells).
    bool AwaitBytes(std::size_t count, uint32_t maxWaitMs);
    // The look-ahead byte; clears the look-ahead.
    uint8_t TakeByte();

protected:
    // Reads one byte, waiting at most the read time-out. False when none came.
    virtual bool ReadByte(uint8_t& byte) = 0;
    // AwaitBytes below the look-ahead. A port without events of its own waits for nothing and
    // leaves it to the reads (the in-memory port, whose empty reads advance a test's clock).
    virtual bool WaitForBytes(std::size_t /*count*/, uint32_t /*maxWaitMs*/) { return true; }

private:
    bool lookAhead_ = false;
    uint8_t lookAheadByte_ = 0;
};

}  // namespace kolmaris
