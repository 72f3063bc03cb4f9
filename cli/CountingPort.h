// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial port that counts the bytes going through another one: what the port accepted for
// writing and what was read from it.

#include "SerialPort.h"

#include <cstdint>

namespace kolmaris::cli {

class CountingPort final : public SerialPort {
public:
    explicit CountingPort(SerialPort& inner) : inner_(inner) {}

    bool OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity) override;
    bool ClosePort() override { return inner_.ClosePort(); }
    uint32_t WriteBytes(const uint8_t* data, uint32_t count) override;
    void PurgePort() override { inner_.PurgePort(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    PortError LastError() const override { return inner_.LastError(); }

    uint64_t BytesWritten() const { return written_; }
    uint64_t BytesRead() const { return read_; }

protected:
    bool ReadByte(uint8_t& byte) override;

private:
    SerialPort& inner_;
    uint64_t written_ = 0;
    uint64_t read_ = 0;
};

}  // namespace kolmaris::cli
