// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real serial port, on QSerialPort. Every call completes synchronously, so it works
// without a running event loop and without a QCoreApplication (Qt then warns once per
// open that it cannot watch the port in the background; nothing depends on that).

#include "SerialPort.h"

#include <QSerialPort>

namespace kolmaris {

class QtSerialPort final : public SerialPort {
public:
    // Read and write time-outs of the link.
    static constexpr int kReadTimeoutMs = 5;
    static constexpr int kWriteTimeoutMs = 100;

    // Opens the device that PortDirectory gives for the number. A device without
    // modem-control lines (a pseudo-terminal) is fine; RTS and DTR are then left alone.
    bool OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity) override;
    bool ClosePort() override;
    uint32_t WriteBytes(const uint8_t* data, uint32_t count) override;
    void PurgePort() override;
    bool IsOpen() const override { return port_.isOpen(); }
    PortError LastError() const override { return lastError_; }
    // Ports whose device exists and has a port behind it (PortDirectory's PresentPorts).
    std::vector<uint8_t> PresentPorts() const override;

protected:
    bool ReadByte(uint8_t& byte) override;
    // Blocks on the device until bytes come; once some have, sleeps for the time the rest needs on
    // the line at the port's baud rate and takes all there is in one read.
    bool WaitForBytes(std::size_t count, uint32_t maxWaitMs) override;

private:
    bool Fail(PortError error);
    bool SetModemLines();

    QSerialPort port_;
    PortError lastError_ = PortError::None;
    uint32_t baud_ = 0;
};

}  // namespace kolmaris
