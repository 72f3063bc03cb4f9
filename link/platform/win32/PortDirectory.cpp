// SPDX-License-Identifier: GPL-3.0-or-later
// Ports on Windows: COM n is the device "\\.\COMn"; there is no port directory and no
// registering of links. The ports present are those Windows lists in
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (every serial driver enters its ports there).
#include "PortDirectory.h"

#include "ComNames.h"

#include <algorithm>

#include <windows.h>

namespace kolmaris {
namespace fs = std::filesystem;

namespace {

std::string Narrow(const wchar_t* text, size_t length)
{
    std::string narrow;
    for (size_t i = 0; i < length && text[i] != L'\0'; ++i)
        narrow += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return narrow;
}

std::vector<int> ListedComNumbers()
{
    std::vector<int> numbers;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return numbers;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t data[64];
        DWORD nameLength = 256;
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        const LONG result = ::RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue;
        if (const int number = platform::ComPortNumber(Narrow(data, dataBytes / sizeof(wchar_t))))
            numbers.push_back(number);
    }
    ::RegCloseKey(key);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

}  // namespace

PortEnvironment ProcessPortEnvironment()
{
    return {};
}

fs::path PortDirectoryPath(const PortEnvironment&)
{
    return {};
}

fs::path DevicePathForPort(int port, const fs::path&)
{
    return platform::ComDevicePath(port);
}

bool RegisterPortLink(int, const fs::path&, const fs::path&)
{
    return false;
}

std::unique_ptr<PortLinkOwner> PortLinkOwner::Claim(int, const fs::path&, const fs::path&)
{
    return nullptr;
}

PortLinkOwner::~PortLinkOwner() = default;

bool RemovePortLink(int, const fs::path&)
{
    return false;
}

int FirstFreePortNumber(const fs::path&)
{
    return 0;
}

std::vector<PortEntry> ListPorts(const fs::path&)
{
    std::vector<PortEntry> ports;
    for (const int number : ListedComNumbers())
        ports.push_back({number, platform::ComDevicePath(number)});
    return ports;
}

std::vector<PortEntry> PresentPorts(const fs::path& portDirectory, const fs::path&)
{
    return ListPorts(portDirectory);
}

// A COM port has no permission of its own to lack: one that refuses is held by another program.
bool DeviceAccessible(const fs::path&)
{
    return true;
}

// Windows users know their ports by the number alone.
std::string FormatPortEntry(const PortEntry& entry)
{
    return "COM " + std::to_string(entry.number);
}

}  // namespace kolmaris
