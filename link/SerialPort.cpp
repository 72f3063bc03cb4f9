#include "SerialPort.h"

namespace kolmaris {

std::vector<uint8_t> SerialPort::PresentPorts() const
{
    std::vector<uint8_t> ports;
    for (int port = 1; port <= 255; ++port)
        ports.push_back(static_cast<uint8_t>(port));
    return ports;
}

bool SerialPort::ByteAvailable()
{
    if (lookAhead_)
        return true;
    if (!IsOpen() || !ReadByte(lookAheadByte_))
        return false;
    lookAhead_ = true;
    return true;
}

uint8_t SerialPort::TakeByte()
{
    lookAhead_ = false;
    return lookAheadByte_;
}

}  // namespace kolmaris
