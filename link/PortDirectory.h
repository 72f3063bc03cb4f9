// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where COM port numbers live on this machine. A link named COM<n> in the port
// directory names the device of port n; without one, COM 1-32 are /dev/ttyS0-31,
// COM 33-64 /dev/ttyUSB0-31 and COM 65-96 /dev/ttyACM0-31. Other numbers have a
// device only through a link (the simulated terminal registers itself that way).
// A link may have an owner: the process holding the lock on COM<n>.lock beside it. The lock
// ends with the process however it ends, so a link whose lock nobody holds is stale: it is
// ignored like a missing link, and the next owner replaces it.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kolmaris {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 255;

// The parts of the environment that locate the port directory.
struct PortEnvironment {
    std::string runtimeDir;  // $XDG_RUNTIME_DIR, empty when unset
    std::string home;        // $HOME, empty when unset
};

PortEnvironment ProcessPortEnvironment();

// $XDG_RUNTIME_DIR/kolmaris/ports, else ~/.local/state/kolmaris/ports; empty when
// neither variable holds an absolute path.
std::filesystem::path PortDirectoryPath(const PortEnvironment& env = ProcessPortEnvironment());

// The device of COM `port`, resolved through its link if there is one; empty when the
// number has no device. The device need not exist.
std::filesystem::path DevicePathForPort(int port, const std::filesystem::path& portDirectory = PortDirectoryPath());

// Links COM `port` to `devicePath` (absolute) without an owner, creating the directory if
// needed. A link whose device is gone or whose owner is gone is replaced; a live one is left
// alone and false returned.
bool RegisterPortLink(int port, const std::filesystem::path& devicePath,
                      const std::filesystem::path& portDirectory = PortDirectoryPath());
// The number `port` owned by this process as long as the object lives: its link points to
// the device; on destruction the link (if still ours) and the lock go.
class PortLinkOwner {
public:
    // Takes COM `port` for `devicePath` (absolute), replacing a dangling or stale link. Null
    // when another live owner holds it, a live link without owner is there, or it cannot be made.
    static std::unique_ptr<PortLinkOwner> Claim(int port, const std::filesystem::path& devicePath,
                                                const std::filesystem::path& portDirectory = PortDirectoryPath());
    ~PortLinkOwner();
    PortLinkOwner(const PortLinkOwner&) = delete;
    PortLinkOwner& operator=(const PortLinkOwner&) = delete;

    int Number() const { return port_; }

private:
    PortLinkOwner(int port, int lockFd, std::filesystem::path device, std::filesystem::path directory)
        : port_(port), lockFd_(lockFd), device_(std::move(device)), directory_(std::move(directory))
    {
    }

    int port_;
    int lockFd_;
    std::filesystem::path device_;
    std::filesystem::path directory_;
};

// True when a link for COM `port` was removed.
bool RemovePortLink(int port, const std::filesystem::path& portDirectory = PortDirectoryPath());

// The lowest number above the fixed ranges (97-255) without a live, owned-or-ownerless link, so a
// registered port never hides a device plugged in later; 0 when all are taken.
int FirstFreePortNumber(const std::filesystem::path& portDirectory = PortDirectoryPath());

struct PortEntry {
    int number = 0;
    std::filesystem::path device;
    bool operator==(const PortEntry&) const = default;
};

// Ports 1-255 whose device exists, in ascending order.
std::vector<PortEntry> ListPorts(const std::filesystem::path& portDirectory = PortDirectoryPath());

// The ports of ListPorts that have a port behind their device: a serial-core device whose
// `type` in `sysClassTty` reads 0 has no UART (the /dev/ttyS nodes of a PC without them).
std::vector<PortEntry> PresentPorts(const std::filesystem::path& portDirectory = PortDirectoryPath(),
                                    const std::filesystem::path& sysClassTty = "/sys/class/tty");

// False when this process lacks the permission to open `device` for reading and writing (on
// Linux a serial device usually needs the dialout group).
bool DeviceAccessible(const std::filesystem::path& device);

// "COM 33 (/dev/ttyUSB0)": the number first, so the text still reads as "COM %d".
std::string FormatPortEntry(const PortEntry& entry);

}  // namespace kolmaris
