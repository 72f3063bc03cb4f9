#include "DeviceMapping.h"

#include "PortDirectory.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace kolmaris::cli {

namespace fs = std::filesystem;

std::unique_ptr<DeviceMapping> DeviceMapping::Map(const fs::path& device, std::string& error)
{
    std::error_code code;
    const fs::path absolute = fs::absolute(device, code);
    if (code || !fs::exists(absolute, code)) {
        error = device.string() + ": no such device";
        return nullptr;
    }
    std::string pattern = (fs::temp_directory_path(code) / "kolmaris-cli-XXXXXX").string();
    if (code || mkdtemp(pattern.data()) == nullptr) {
        error = "cannot make a private port directory in " + fs::temp_directory_path(code).string();
        return nullptr;
    }
    const fs::path root = pattern;
    if (!RegisterPortLink(kPortNumber, absolute, root / "kolmaris" / "ports")) {
        fs::remove_all(root, code);
        error = "cannot make a private port directory in " + root.parent_path().string();
        return nullptr;
    }
    std::optional<std::string> old;
    if (const char* value = std::getenv("XDG_RUNTIME_DIR"))
        old = value;
    setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    return std::unique_ptr<DeviceMapping>(new DeviceMapping(root, absolute, std::move(old)));
}

DeviceMapping::DeviceMapping(fs::path root, fs::path device, std::optional<std::string> oldRuntimeDir)
    : root_(std::move(root)), device_(std::move(device)), oldRuntimeDir_(std::move(oldRuntimeDir))
{
}

DeviceMapping::~DeviceMapping()
{
    if (oldRuntimeDir_)
        setenv("XDG_RUNTIME_DIR", oldRuntimeDir_->c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    std::error_code code;
    fs::remove_all(root_, code);
}

}  // namespace kolmaris::cli
