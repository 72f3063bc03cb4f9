// SPDX-License-Identifier: GPL-3.0-or-later
#include "Files.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace kolmaris::platform {

bool DeviceExists(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

// fsync through a descriptor of its own: the stream that wrote the file offers none.
int SyncFile(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

int ReplaceWith(const std::filesystem::path& replacement, const std::filesystem::path& target)
{
    return ::rename(replacement.c_str(), target.c_str()) == 0 ? 0 : errno;
}

}  // namespace kolmaris::platform
