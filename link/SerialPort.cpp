// SPDX-License-Identifier: GPL-3.0-or-later
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

bool SerialPort::AwaitBytes(std::size_t count, uint32_t maxWaitMs)
{
    if (lookAhead_)
        return true;
    return IsOpen() && WaitForBytes(count, maxWaitMs);
}

uint8_t SerialPort::TakeByte()
{
    lookAhead_ = false;
    return lookAheadByte_;
}

}  // namespace kolmaris
