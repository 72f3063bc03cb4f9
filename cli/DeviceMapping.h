// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opens a serial device named by its path through the link's usual port machinery, which
// finds devices by COM number: for its lifetime the process gets a private port directory in
// which COM 1 points to the device. Nothing is registered in the user's port directory, and
// the port code (time-outs, modem lines, pseudo-terminals) stays the one the program uses.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace kolmaris::cli {

class DeviceMapping {
public:
    // The number the device answers to while the mapping lives.
    static constexpr int kPortNumber = 1;

    // Null, with a one-line `error`, when the device does not exist or the directory cannot be
    // made; always on Windows.
    static std::unique_ptr<DeviceMapping> Map(const std::filesystem::path& device, std::string& error);
    ~DeviceMapping();
    DeviceMapping(const DeviceMapping&) = delete;
    DeviceMapping& operator=(const DeviceMapping&) = delete;

    const std::filesystem::path& Device() const { return device_; }

private:
    DeviceMapping(std::filesystem::path root, std::filesystem::path device, std::optional<std::string> oldRuntimeDir);

    std::filesystem::path root_;
    std::filesystem::path device_;
    std::optional<std::string> oldRuntimeDir_;
};

}  // namespace kolmaris::cli
