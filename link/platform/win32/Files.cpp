// SPDX-License-Identifier: GPL-3.0-or-later
#include "Files.h"

#include "Win32Errors.h"

#include <string>

#include <windows.h>

namespace kolmaris::platform {

bool DeviceExists(const std::filesystem::path& path)
{
    const std::wstring name = path.native();
    const std::wstring deviceNamespace = L"\\\\.\\";
    if (name.starts_with(deviceNamespace)) {
        wchar_t target[1024];
        return ::QueryDosDeviceW(name.substr(deviceNamespace.size()).c_str(), target, 1024) != 0 ||
               ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
    }
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    const std::string narrow = mode;
    return ::_wfopen(path.c_str(), std::wstring(narrow.begin(), narrow.end()).c_str());
}

// Windows syncs only through a handle that may write.
int SyncFile(const std::filesystem::path& file)
{
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return ErrnoFromWin32(::GetLastError());
    const int result = ::FlushFileBuffers(handle) ? 0 : ErrnoFromWin32(::GetLastError());
    ::CloseHandle(handle);
    return result;
}

// MoveFileExW replaces in one step; write-through returns only when the move is on the disk.
int ReplaceWith(const std::filesystem::path& replacement, const std::filesystem::path& target)
{
    if (::MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return ErrnoFromWin32(::GetLastError());
}

}  // namespace kolmaris::platform
