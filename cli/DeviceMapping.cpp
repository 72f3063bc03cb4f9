// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceMapping.h"

#include "PortDirectory.h"
#include "Process.h"

#include <cstdlib>
#include <system_error>

namespace kolmaris::cli {

namespace fs = std::filesystem;

#ifdef _WIN32
// Windows has no devices by path nor a port directory: its ports are known by number alone.
std::unique_ptr<DeviceMapping> DeviceMapping::Map(const fs::path&, std::string& error)
{
    error = "--device names a Linux device; on Windows give the port's number with --port";
    return nullptr;
}
#else
std::unique_ptr<DeviceMapping> DeviceMapping::Map(const fs::path& device, std::string& error)
{
    std::error_code code;
    const fs::path absolute = fs::absolute(device, code);
    if (code || !fs::exists(absolute, code)) {
        error = device.string() + ": no such device";
        return nullptr;
    }
    const fs::path root = platform::MakeTemporaryDirectory("kolmaris-cli-");
    if (root.empty()) {
        error = "cannot make a private port directory in " + fs::temp_directory_path(code).string();
        return nullptr;
    }
    if (!RegisterPortLink(kPortNumber, absolute, root / "kolmaris" / "ports")) {
        fs::remove_all(root, code);
        error = "cannot make a private port directory in " + root.parent_path().string();
        return nullptr;
    }
    std::optional<std::string> old;
    if (const char* value = std::getenv("XDG_RUNTIME_DIR"))
        old = value;
    platform::SetEnvironmentValue("XDG_RUNTIME_DIR", root.string());
    return std::unique_ptr<DeviceMapping>(new DeviceMapping(root, absolute, std::move(old)));
}
#endif

DeviceMapping::DeviceMapping(fs::path root, fs::path device, std::optional<std::string> oldRuntimeDir)
    : root_(std::move(root)), device_(std::move(device)), oldRuntimeDir_(std::move(oldRuntimeDir))
{
}

DeviceMapping::~DeviceMapping()
{
    platform::SetEnvironmentValue("XDG_RUNTIME_DIR", oldRuntimeDir_);
    std::error_code code;
    fs::remove_all(root_, code);
}

}  // namespace kolmaris::cli
