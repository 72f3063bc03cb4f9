// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtSerialPort.h"

#include "Files.h"
#include "PortDirectory.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <limits>
#include <optional>

namespace kolmaris {
namespace {

std::optional<QSerialPort::DataBits> DataBitsFor(uint8_t byteSize)
{
    if (byteSize < 5 || byteSize > 8)
        return std::nullopt;
    return static_cast<QSerialPort::DataBits>(byteSize);
}

// Parity codes of the link: 0 none, 1 odd, 2 even, 3 mark, 4 space.
std::optional<QSerialPort::Parity> ParityFor(uint8_t parity)
{
    switch (parity) {
        case 0:
            return QSerialPort::NoParity;
        case 1:
            return QSerialPort::OddParity;
        case 2:
            return QSerialPort::EvenParity;
        case 3:
            return QSerialPort::MarkParity;
        case 4:
            return QSerialPort::SpaceParity;
        default:
            return std::nullopt;
    }
}

PortError OpenErrorFor(QSerialPort::SerialPortError error, const std::filesystem::path& device)
{
    switch (error) {
        case QSerialPort::PermissionError:
            // Qt says so for a device this user may not open and for a busy or locked one alike.
            return DeviceAccessible(device) ? PortError::AccessDenied : PortError::NoAccess;
        case QSerialPort::DeviceNotFoundError:
            return PortError::NotFound;
        default:
            return PortError::Other;
    }
}

}  // namespace

bool QtSerialPort::Fail(PortError error)
{
    lastError_ = error;
    return false;
}

bool QtSerialPort::OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity)
{
    if (port_.isOpen() && !ClosePort())
        return false;
    // An absent device fails here, before the port's lock file is written.
    const auto device = DevicePathForPort(port);
    if (device.empty() || !platform::DeviceExists(device))
        return Fail(PortError::NotFound);
    const auto dataBits = DataBitsFor(byteSize);
    const auto parityMode = ParityFor(parity);
    if (!dataBits || !parityMode || baud == 0 || baud > uint32_t(std::numeric_limits<qint32>::max()))
        return Fail(PortError::Other);

    port_.setPortName(QString::fromStdString(device.string()));
    port_.setBaudRate(static_cast<qint32>(baud));
    port_.setDataBits(*dataBits);
    port_.setParity(*parityMode);
    port_.setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite))
        return Fail(OpenErrorFor(port_.error(), device));
    if (!SetModemLines()) {
        port_.close();
        return Fail(PortError::Other);
    }
    port_.clearError();
    port_.clear(QSerialPort::AllDirections);
    lastError_ = PortError::None;
    baud_ = baud;
    return true;
}

std::vector<uint8_t> QtSerialPort::PresentPorts() const
{
    std::vector<uint8_t> ports;
    for (const PortEntry& entry : kolmaris::PresentPorts())
        ports.push_back(static_cast<uint8_t>(entry.number));
    return ports;
}

// RTS on, DTR off. A device that has no modem-control lines refuses as unsupported.
bool QtSerialPort::SetModemLines()
{
    const auto set = [this](bool done) { return done || port_.error() == QSerialPort::UnsupportedOperationError; };
    return set(port_.setDataTerminalReady(false)) && set(port_.setRequestToSend(true));
}

bool QtSerialPort::ClosePort()
{
    if (port_.isOpen())
        port_.close();
    return !port_.isOpen();
}

uint32_t QtSerialPort::WriteBytes(const uint8_t* data, uint32_t count)
{
    if (!port_.isOpen() || data == nullptr || count == 0)
        return 0;
    const qint64 queued = port_.write(reinterpret_cast<const char*>(data), count);
    if (queued <= 0)
        return 0;
    const QDeadlineTimer deadline(kWriteTimeoutMs);
    while (port_.bytesToWrite() > 0 && port_.waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    const qint64 unsent = port_.bytesToWrite();
    if (unsent > 0)
        port_.clear(QSerialPort::Output);  // the write timed out: the rest is not sent later
    return static_cast<uint32_t>(queued - unsent);
}

void QtSerialPort::PurgePort()
{
    if (port_.isOpen())
        port_.clear(QSerialPort::AllDirections);  // also drops what Qt has buffered
}

bool QtSerialPort::ReadByte(uint8_t& byte)
{
    if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(kReadTimeoutMs))
        return false;
    char c = 0;
    if (!port_.getChar(&c))
        return false;
    byte = static_cast<uint8_t>(c);
    return true;
}

bool QtSerialPort::WaitForBytes(std::size_t count, uint32_t maxWaitMs)
{
    constexpr int kBitsPerByte = 10;  // start, 8 data, stop
    const QDeadlineTimer deadline(std::chrono::milliseconds{maxWaitMs});
    bool slept = false;
    while (static_cast<std::size_t>(port_.bytesAvailable()) < count && !deadline.hasExpired()) {
        const auto have = static_cast<std::size_t>(port_.bytesAvailable());
        if (have > 0 && !slept) {
            // The rest of the frame is on its way: let it arrive, then take it in one read.
            const std::chrono::nanoseconds rest{(count - have) * kBitsPerByte * 1'000'000'000ull / baud_};
            std::this_thread::sleep_for(std::min(rest, deadline.remainingTimeAsDuration()));
            port_.waitForReadyRead(0);
            slept = true;
            continue;
        }
        // Nothing new since the last read: asleep until the device has bytes.
        if (!port_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        slept = false;
    }
    return port_.bytesAvailable() > 0;
}

}  // namespace kolmaris
