// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemorySerialPort.h"

#include <algorithm>
#include <cstdint>

namespace kolmaris {

void MemorySerialPort::AddDevice(uint8_t port, bool busy)
{
    devices_[port] = busy ? PortError::AccessDenied : PortError::None;
}

void MemorySerialPort::RemoveDevice(uint8_t port)
{
    devices_.erase(port);
}

void MemorySerialPort::Deliver(std::span<const uint8_t> bytes)
{
    input_.insert(input_.end(), bytes.begin(), bytes.end());
}

bool MemorySerialPort::OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity)
{
    if (open_ && !ClosePort())
        return false;
    const auto device = devices_.find(port);
    if (device == devices_.end()) {
        lastError_ = PortError::NotFound;
        return false;
    }
    if (device->second != PortError::None) {
        lastError_ = device->second;
        return false;
    }
    settings_ = {baud, byteSize, static_cast<uint8_t>(stopBits == 2 ? 2 : 1), parity, parity != 0};
    open_ = true;
    port_ = port;
    lastError_ = PortError::None;
    ++openCount_;
    PurgePort();
    return true;
}

bool MemorySerialPort::ClosePort()
{
    if (!open_)
        return true;
    if (closeFails_)
        return false;
    open_ = false;
    return true;
}

uint32_t MemorySerialPort::WriteBytes(const uint8_t* data, uint32_t count)
{
    if (!open_ || data == nullptr)
        return 0;
    const auto accepted = static_cast<uint32_t>(std::min<std::size_t>(count, writeBudget_));
    if (writeBudget_ != SIZE_MAX)
        writeBudget_ -= accepted;
    written_.insert(written_.end(), data, data + accepted);
    if (peer_ && accepted > 0)
        peer_(std::span<const uint8_t>(data, accepted));
    return accepted;
}

void MemorySerialPort::PurgePort()
{
    input_.clear();
    ++purgeCount_;
}

bool MemorySerialPort::ReadByte(uint8_t& byte)
{
    if (input_.empty()) {
        if (emptyRead_)
            emptyRead_();
        return false;
    }
    byte = input_.front();
    input_.pop_front();
    return true;
}

}  // namespace kolmaris
