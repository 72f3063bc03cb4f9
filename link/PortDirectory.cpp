// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortDirectory.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

fs::path LockPath(const fs::path& portDirectory, int port)
{
    return LinkPath(portDirectory, port).concat(".lock");
}

// A lock file that nobody holds: its owner is gone. A lock taken and dropped at once tells.
bool OwnerGone(const fs::path& portDirectory, int port)
{
    const int fd = ::open(LockPath(portDirectory, port).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;  // no owner recorded
    const bool unheld = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return unheld;
}

// A link whose device is present and whose owner, if it has one, still runs.
bool IsLiveLink(const fs::path& portDirectory, int port)
{
    const fs::path link = LinkPath(portDirectory, port);
    return IsLink(link) && Exists(link) && !OwnerGone(portDirectory, port);
}

// The lock of COM `port`, held exclusively; -1 when another process holds it. A reader's
// momentary test may be in the way, so a refusal is retried briefly; a lock file replaced
// meanwhile (its owner left) is opened again.
int TakeLock(const fs::path& portDirectory, int port)
{
    const fs::path path = LockPath(portDirectory, port);
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return -1;
        struct stat held{}, named{};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
                held.st_dev == named.st_dev)
                return fd;
        }
        ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
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
        if (IsLink(link) && !OwnerGone(portDirectory, port)) {
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
    if (IsLiveLink(portDirectory, port))
        return false;
    if (OwnerGone(portDirectory, port))
        ::unlink(LockPath(portDirectory, port).c_str());
    fs::remove(link, error);
    fs::create_symlink(devicePath, link, error);
    return !error;
}

std::unique_ptr<PortLinkOwner> PortLinkOwner::Claim(int port, const fs::path& devicePath,
                                                    const fs::path& portDirectory)
{
    if (!ValidPort(port) || portDirectory.empty() || devicePath.empty())
        return nullptr;
    std::error_code error;
    fs::create_directories(portDirectory, error);
    const fs::path link = LinkPath(portDirectory, port);
    // An ownerless live link (made by hand, or by RegisterPortLink) stays.
    if (error || (IsLink(link) && Exists(link) && !Exists(LockPath(portDirectory, port))))
        return nullptr;
    const int fd = TakeLock(portDirectory, port);
    if (fd < 0)
        return nullptr;
    fs::remove(link, error);
    fs::create_symlink(devicePath, link, error);
    if (error) {
        ::unlink(LockPath(portDirectory, port).c_str());
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<PortLinkOwner>(new PortLinkOwner(port, fd, devicePath, portDirectory));
}

PortLinkOwner::~PortLinkOwner()
{
    const fs::path link = LinkPath(directory_, port_);
    std::error_code error;
    if (fs::read_symlink(link, error) == device_ && !error)
        fs::remove(link, error);
    // Unlinked before the lock is dropped, so no one can take the lock of a file on its way out.
    ::unlink(LockPath(directory_, port_).c_str());
    ::close(lockFd_);
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
        if (!IsLiveLink(portDirectory, port))
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

bool DeviceAccessible(const fs::path& device)
{
    return ::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0 || errno != EACCES;
}

std::string FormatPortEntry(const PortEntry& entry)
{
    return "COM " + std::to_string(entry.number) + " (" + entry.device.string() + ")";
}

}  // namespace kolmaris
