#include "SerialPort.h"

namespace kolmaris {

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
