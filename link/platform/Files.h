// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files as this system opens, syncs and replaces them. Paths are UTF-8 inside the program
// (Utf8Path.h); the Windows side hands them to the system as wide strings.
// Errors are errno values (0: done), so messages read alike on both systems.

#include <cstdio>
#include <filesystem>

namespace kolmaris::platform {

// Whether the file or device exists; on Windows also a device such as "\\.\COM3", which no
// file system call sees.
bool DeviceExists(const std::filesystem::path& path);

// std::fopen for a path of any letters.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Forces a written and closed file's contents to the disk.
int SyncFile(const std::filesystem::path& file);

// Puts `replacement` in `target`'s place in one step; the target need not exist.
int ReplaceWith(const std::filesystem::path& replacement, const std::filesystem::path& target);

}  // namespace kolmaris::platform
