#include "QtSerialPort.h"

#include "Files.h"
#include "PortDirectory.h"

#include <QDeadlineTimer>

#include <filesystem>
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

PortError OpenErrorFor(QSerialPort::SerialPortError error)
{
    switch (error) {
        case QSerialPort::PermissionError:
            return PortError::AccessDenied;  // also a busy or locked device
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
        return Fail(OpenErrorFor(port_.error()));
    if (!SetModemLines()) {
        port_.close();
        return Fail(PortError::Other);
    }
    port_.clearError();
    port_.clear(QSerialPort::AllDirections);
    lastError_ = PortError::None;
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

}  // namespace kolmaris
