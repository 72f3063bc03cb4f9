// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The COM number under which the simulator is found: a link COM<n> in the port directory
// pointing to its pseudo-terminal, owned by this process. The link goes when the registration
// does; should the process be killed, the next simulator or reader sees the link as stale.

#include "PortDirectory.h"

#include <filesystem>
#include <memory>
#include <string>

namespace kolmaris {

class PortRegistration {
public:
    // Links COM `port` (1-255), or the first free number when `port` is 0, to `device`.
    // Null, `error` set, when the number is taken, none is free or the link cannot be made.
    static std::unique_ptr<PortRegistration> Register(int port, const std::filesystem::path& device,
                                                      const std::filesystem::path& portDirectory, std::string& error);

    int Number() const { return owner_->Number(); }

private:
    explicit PortRegistration(std::unique_ptr<PortLinkOwner> owner) : owner_(std::move(owner)) {}

    std::unique_ptr<PortLinkOwner> owner_;
};

}  // namespace kolmaris
