// SPDX-License-Identifier: GPL-3.0-or-later
#include "Process.h"

#include <atomic>
#include <cstdlib>

#include <windows.h>

namespace kolmaris::platform {

unsigned long ProcessId()
{
    return ::GetCurrentProcessId();
}

// The C runtime's copy, which getenv reads (SetEnvironmentVariableW alone would not reach it).
void SetEnvironmentValue(const char* name, const std::optional<std::string>& value)
{
    ::_putenv_s(name, value ? value->c_str() : "");
}

std::filesystem::path MakeTemporaryDirectory(const char* prefix)
{
    static std::atomic<unsigned> serial = 0;
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        return {};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = prefix + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(::GetTickCount64() % 100000) + "-" + std::to_string(++serial);
        const std::filesystem::path directory = base / name;
        if (::CreateDirectoryW(directory.c_str(), nullptr))
            return directory;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

}  // namespace kolmaris::platform
