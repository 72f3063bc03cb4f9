// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortRegistration.h"

#include "PortDirectory.h"

#include <system_error>

namespace kolmaris {
namespace fs = std::filesystem;
namespace {

// Another simulator may take a free number between the look-up and the link.
constexpr int kFreeNumberAttempts = 8;

fs::path LinkOf(const fs::path& directory, int port)
{
    return directory / ("COM" + std::to_string(port));
}

std::string WhyNotLinked(const fs::path& directory, int port)
{
    const fs::path link = LinkOf(directory, port);
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    if (!error && fs::exists(link, error))
        return "COM " + std::to_string(port) + " is taken: " + link.string() + " points to " + target.string();
    return "cannot create the link " + link.string();
}

}  // namespace

std::unique_ptr<PortRegistration> PortRegistration::Register(int port, const fs::path& device,
                                                             const fs::path& portDirectory, std::string& error)
{
    if (portDirectory.empty()) {
        error = "no port directory: neither XDG_RUNTIME_DIR nor HOME holds an absolute path";
        return nullptr;
    }
    if (port != 0) {
        if (auto owner = PortLinkOwner::Claim(port, device, portDirectory))
            return std::unique_ptr<PortRegistration>(new PortRegistration(std::move(owner)));
        error = WhyNotLinked(portDirectory, port);
        return nullptr;
    }
    for (int attempt = 0; attempt < kFreeNumberAttempts; ++attempt) {
        const int free = FirstFreePortNumber(portDirectory);
        if (free == 0) {
            error = "no free COM number from 97 to 255 in " + portDirectory.string();
            return nullptr;
        }
        if (auto owner = PortLinkOwner::Claim(free, device, portDirectory))
            return std::unique_ptr<PortRegistration>(new PortRegistration(std::move(owner)));
        error = WhyNotLinked(portDirectory, free);
    }
    return nullptr;
}

}  // namespace kolmaris
