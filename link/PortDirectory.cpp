#include "PortDirectory.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace kolmaris {
namespace fs = std::filesystem;

namespace {

constexpr int kTablePorts = 96;  // COM 1-96 have a fixed device

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool ValidPort(int port)
{
    return port >= kFirstPort && port <= kLastPort;
}

fs::path LinkPath(const fs::path& portDirectory, int port)
{
    return portDirectory / ("COM" + std::to_string(port));
}

fs::path TableDevice(int port)
{
    if (port < 1 || port > kTablePorts)
        return {};
    static constexpr const char* kFamilies[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    const int index = port - 1;
    return kFamilies[index / 32] + std::to_string(index % 32);
}

bool IsLink(const fs::path& path)
{
    std::error_code error;
    return fs::is_symlink(path, error);
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

// A link whose device is present.
bool IsLiveLink(const fs::path& link)
{
    return IsLink(link) && Exists(link);
}

}  // namespace

PortEnvironment ProcessPortEnvironment()
{
    return {EnvironmentValue("XDG_RUNTIME_DIR"), EnvironmentValue("HOME")};
}

fs::path PortDirectoryPath(const PortEnvironment& env)
{
    const fs::path runtimeDir = env.runtimeDir;
    if (runtimeDir.is_absolute())
        return runtimeDir / "kolmaris" / "ports";
    const fs::path home = env.home;
    if (home.is_absolute())
        return home / ".local" / "state" / "kolmaris" / "ports";
    return {};
}

fs::path DevicePathForPort(int port, const fs::path& portDirectory)
{
    if (!ValidPort(port))
        return {};
    if (!portDirectory.empty()) {
        const fs::path link = LinkPath(portDirectory, port);
        if (IsLink(link)) {
            std::error_code error;
            fs::path device = fs::canonical(link, error);
            return error ? link : device;  // a dangling link names no device that opens
        }
    }
    return TableDevice(port);
}

bool RegisterPortLink(int port, const fs::path& devicePath, const fs::path& portDirectory)
{
    if (!ValidPort(port) || portDirectory.empty() || devicePath.empty())
        return false;
    std::error_code error;
    fs::create_directories(portDirectory, error);
    if (error)
        return false;
    const fs::path link = LinkPath(portDirectory, port);
    if (IsLink(link)) {
        if (Exists(link))
            return false;
        fs::remove(link, error);
    }
    fs::create_symlink(devicePath, link, error);
    return !error;
}

bool RemovePortLink(int port, const fs::path& portDirectory)
{
    if (!ValidPort(port) || portDirectory.empty())
        return false;
    const fs::path link = LinkPath(portDirectory, port);
    std::error_code error;
    return IsLink(link) && fs::remove(link, error);
}

int FirstFreePortNumber(const fs::path& portDirectory)
{
    if (portDirectory.empty())
        return 0;
    for (int port = kTablePorts + 1; port <= kLastPort; ++port) {
        if (!IsLiveLink(LinkPath(portDirectory, port)))
            return port;
    }
    return 0;
}

std::vector<PortEntry> ListPorts(const fs::path& portDirectory)
{
    std::vector<PortEntry> ports;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        fs::path device = DevicePathForPort(port, portDirectory);
        if (!device.empty() && Exists(device))
            ports.push_back({port, std::move(device)});
    }
    return ports;
}

std::vector<PortEntry> PresentPorts(const fs::path& portDirectory, const fs::path& sysClassTty)
{
    std::vector<PortEntry> ports = ListPorts(portDirectory);
    std::erase_if(ports, [&](const PortEntry& entry) {
        std::ifstream type(sysClassTty / entry.device.filename() / "type");
        int code = -1;
        return type >> code && code == 0;
    });
    return ports;
}

std::string FormatPortEntry(const PortEntry& entry)
{
    return "COM " + std::to_string(entry.number) + " (" + entry.device.string() + ")";
}

}  // namespace kolmaris
