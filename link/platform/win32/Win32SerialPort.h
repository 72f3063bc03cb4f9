// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real serial port on the Win32 API: COM n opened as "\\.\COMn", 8N1 and friends through
// SetCommState, reads that wait at most 5 ms through SetCommTimeouts. A port another program
// holds open refuses with "access denied".

#include "SerialPort.h"

#include <array>
#include <cstddef>

namespace kolmaris {

class Win32SerialPort final : public SerialPort {
public:
    static constexpr unsigned kReadTimeoutMs = 5;
    static constexpr unsigned kWriteTimeoutMs = 100;

    Win32SerialPort() = default;
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity) override;
    bool ClosePort() override;
    uint32_t WriteBytes(const uint8_t* data, uint32_t count) override;
    void PurgePort() override;
    bool IsOpen() const override { return handle_ != nullptr; }
    PortError LastError() const override { return lastError_; }
    // The ports Windows lists.
    std::vector<uint8_t> PresentPorts() const override;

protected:
    bool ReadByte(uint8_t& byte) override;

private:
    bool Fail(PortError error);

    void* handle_ = nullptr;  // HANDLE; null when closed
    PortError lastError_ = PortError::None;
    // Bytes read from the driver and not yet taken: one read call fetches what is there.
    std::array<uint8_t, 256> buffer_{};
    std::size_t bufferStart_ = 0;
    std::size_t bufferEnd_ = 0;
};

}  // namespace kolmaris
