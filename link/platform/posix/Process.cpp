// SPDX-License-Identifier: GPL-3.0-or-later
#include "Process.h"

#include <stdlib.h>
#include <unistd.h>

namespace kolmaris::platform {

unsigned long ProcessId()
{
    return static_cast<unsigned long>(::getpid());
}

void SetEnvironmentValue(const char* name, const std::optional<std::string>& value)
{
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

std::filesystem::path MakeTemporaryDirectory(const char* prefix)
{
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / prefix).string() + "XXXXXX";
    if (error || ::mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

}  // namespace kolmaris::platform
