// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFile.h"

#include "Files.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>

namespace kolmaris {
namespace fs = std::filesystem;

namespace {

constexpr char kConfigFormat[] = "COM: %d\nTimeOut: %d\nAttemptCount: %d\n";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Whether a file can be created in `dir`: tried, not guessed from permission bits.
bool CanCreateFileIn(const fs::path& dir)
{
    std::error_code error;
    if (dir.empty() || !fs::is_directory(dir, error))
        return false;
    const fs::path probe = dir / ".Kolmaris_V2.cfg.probe";
    if (!File(platform::OpenFile(probe, "wb")))
        return false;
    fs::remove(probe, error);
    return true;
}

// An installed program's directory: /usr belongs to the package manager, so nothing is written
// there even when the user, as root, could.
bool IsInstalledProgramDirectory(const fs::path& dir)
{
    const fs::path usr = "/usr";
    const fs::path normal = dir.lexically_normal();
    return std::mismatch(usr.begin(), usr.end(), normal.begin(), normal.end()).first == usr.end();
}

int LowByte(int value)
{
    return static_cast<uint8_t>(value);
}

}  // namespace

fs::path ConfigFilePath(const fs::path& exeDir, const fs::path& userConfigDir)
{
    if (!IsInstalledProgramDirectory(exeDir) && CanCreateFileIn(exeDir))
        return exeDir / kConfigFileName;
    if (!userConfigDir.empty()) {
        std::error_code error;
        fs::create_directories(userConfigDir, error);  // a failure shows when saving
    }
    return userConfigDir / kConfigFileName;
}

LoadResult LoadConfig(const fs::path& path, LinkSettings& settings)
{
    settings.attemptCount = 3;
    // Binary: the same bytes on every system; a CR before a line end is whitespace to the scan.
    const File file(platform::OpenFile(path, "rb"));
    if (!file)
        return LoadResult::CannotRead;
    int port = 0;
    int timeout = 0;
    int attempts = 0;
    const int fields = std::fscanf(file.get(), kConfigFormat, &port, &timeout, &attempts);
    if (fields >= 1)
        settings.configuredPort = LowByte(port);
    // Values no dialog could set (a negative time-out would freeze every wait) are ignored.
    if (fields >= 2 && timeout >= kMinReplyTimeout && timeout <= kMaxReplyTimeout)
        settings.replyTimeout = static_cast<uint32_t>(timeout);
    if (fields >= 3 && attempts >= kMinAttemptCount && attempts <= kMaxAttemptCount)
        settings.attemptCount = attempts;
    return LoadResult::Loaded;
}

SaveResult SaveConfig(const fs::path& path, const LinkSettings& settings)
{
    std::FILE* file = platform::OpenFile(path, "wb");
    if (file == nullptr)
        return SaveResult::CannotCreate;
    const bool written = std::fprintf(file, kConfigFormat, LowByte(settings.configuredPort),
                                      static_cast<int>(settings.replyTimeout), settings.attemptCount) > 0;
    const bool closed = std::fclose(file) == 0;
    return written && closed ? SaveResult::Saved : SaveResult::CannotCreate;
}

}  // namespace kolmaris
