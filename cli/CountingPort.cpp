// SPDX-License-Identifier: GPL-3.0-or-later
#include "CountingPort.h"

namespace kolmaris::cli {

bool CountingPort::OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity)
{
    return inner_.OpenPort(port, baud, byteSize, stopBits, parity);
}

uint32_t CountingPort::WriteBytes(const uint8_t* data, uint32_t count)
{
    const uint32_t accepted = inner_.WriteBytes(data, count);
    written_ += accepted;
    return accepted;
}

bool CountingPort::ReadByte(uint8_t& byte)
{
    if (!inner_.ByteAvailable())
        return false;
    byte = inner_.TakeByte();
    ++read_;
    return true;
}

}  // namespace kolmaris::cli
