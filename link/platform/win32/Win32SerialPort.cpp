// SPDX-License-Identifier: GPL-3.0-or-later
#include "Win32SerialPort.h"

#include "PortDirectory.h"

#include <windows.h>

namespace kolmaris {
namespace {

HANDLE Handle(void* handle)
{
    return static_cast<HANDLE>(handle);
}

PortError OpenErrorFor(DWORD error)
{
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return PortError::NotFound;
        case ERROR_ACCESS_DENIED:  // also a port another program holds open
        case ERROR_SHARING_VIOLATION:
            return PortError::AccessDenied;
        default:
            return PortError::Other;
    }
}

// Parity codes of the link: 0 none, 1 odd, 2 even, 3 mark, 4 space, as in the DCB.
bool LineSettings(DCB& dcb, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity)
{
    if (byteSize < 5 || byteSize > 8 || parity > 4 || baud == 0)
        return false;
    dcb.BaudRate = baud;
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.fParity = parity != 0;
    dcb.StopBits = stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;  // RTS on, DTR off
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    return true;
}

}  // namespace

Win32SerialPort::~Win32SerialPort()
{
    ClosePort();
}

bool Win32SerialPort::Fail(PortError error)
{
    lastError_ = error;
    return false;
}

bool Win32SerialPort::OpenPort(uint8_t port, uint32_t baud, uint8_t byteSize, uint8_t stopBits, uint8_t parity)
{
    if (IsOpen() && !ClosePort())
        return false;
    const std::filesystem::path device = DevicePathForPort(port);
    if (device.empty())
        return Fail(PortError::NotFound);
    const HANDLE handle =
        ::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return Fail(OpenErrorFor(::GetLastError()));

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    // Returns at once with what has come, else after the first byte, else after the time-out.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!::GetCommState(handle, &dcb) || !LineSettings(dcb, baud, byteSize, stopBits, parity) ||
        !::SetCommState(handle, &dcb) || !::SetCommTimeouts(handle, &timeouts)) {
        ::CloseHandle(handle);
        return Fail(PortError::Other);
    }
    handle_ = handle;
    PurgePort();
    lastError_ = PortError::None;
    return true;
}

bool Win32SerialPort::ClosePort()
{
    if (handle_ != nullptr && !::CloseHandle(Handle(handle_)))
        return false;
    handle_ = nullptr;
    bufferStart_ = bufferEnd_ = 0;
    return true;
}

uint32_t Win32SerialPort::WriteBytes(const uint8_t* data, uint32_t count)
{
    if (!IsOpen() || data == nullptr || count == 0)
        return 0;
    DWORD written = 0;
    if (!::WriteFile(Handle(handle_), data, count, &written, nullptr))
        return 0;
    if (written < count)
        ::PurgeComm(Handle(handle_), PURGE_TXABORT | PURGE_TXCLEAR);  // timed out: the rest is not sent later
    return written;
}

void Win32SerialPort::PurgePort()
{
    if (IsOpen())
        ::PurgeComm(Handle(handle_), PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    bufferStart_ = bufferEnd_ = 0;
}

std::vector<uint8_t> Win32SerialPort::PresentPorts() const
{
    std::vector<uint8_t> ports;
    for (const PortEntry& entry : ListPorts())
        ports.push_back(static_cast<uint8_t>(entry.number));
    return ports;
}

bool Win32SerialPort::ReadByte(uint8_t& byte)
{
    if (bufferStart_ == bufferEnd_) {
        DWORD read = 0;
        if (!::ReadFile(Handle(handle_), buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr) ||
            read == 0)
            return false;
        bufferStart_ = 0;
        bufferEnd_ = read;
    }
    byte = buffer_[bufferStart_++];
    return true;
}

}  // namespace kolmaris
