// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three link settings that persist between runs, in "Kolmaris_V2.cfg".

#include <cstdint>
#include <filesystem>

namespace kolmaris {

struct LinkSettings {
    int configuredPort = 0;       // COM number 0-255; 0 = automatic detection
    uint32_t replyTimeout = 200;  // ms
    int attemptCount = 3;
};

// Values outside these bounds in a file are ignored.
inline constexpr int kMinReplyTimeout = 1;
inline constexpr int kMaxReplyTimeout = 60000;
inline constexpr int kMinAttemptCount = 1;
inline constexpr int kMaxAttemptCount = 15;

inline constexpr char kConfigFileName[] = "Kolmaris_V2.cfg";
inline constexpr char kConfigWarningCaption[] = "Warning";
inline constexpr char kCannotReadConfigText[] = "Cannot read configuration, setting default values..";
inline constexpr char kCannotSaveConfigText[] = "Cannot save configuration, file creating failed..";

// exeDir/Kolmaris_V2.cfg when a file can be created in exeDir and it is not an installed
// program's directory (under /usr), else userConfigDir/Kolmaris_V2.cfg (userConfigDir is
// created if missing).
std::filesystem::path ConfigFilePath(const std::filesystem::path& exeDir, const std::filesystem::path& userConfigDir);

enum class LoadResult { Loaded, CannotRead };
enum class SaveResult { Saved, CannotCreate };

// Sets the attempt count to 3, then reads "COM: %d", "TimeOut: %d", "AttemptCount: %d"
// as far as the file matches; the fields read replace the settings, the others stay.
// The port keeps only its low byte; a time-out or attempt count out of bounds is ignored.
LoadResult LoadConfig(const std::filesystem::path& path, LinkSettings& settings);

// Writes the three lines, the port as its low byte.
SaveResult SaveConfig(const std::filesystem::path& path, const LinkSettings& settings);

}  // namespace kolmaris
