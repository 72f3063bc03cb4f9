#pragma once
// The COM number under which the simulator is found: a link COM<n> in the port directory
// pointing to its pseudo-terminal. The link goes when the registration does.

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
    // Removes the link, unless something else has replaced it meanwhile.
    ~PortRegistration();
    PortRegistration(const PortRegistration&) = delete;
    PortRegistration& operator=(const PortRegistration&) = delete;

    int Number() const { return port_; }

private:
    PortRegistration(int port, std::filesystem::path device, std::filesystem::path directory)
        : port_(port), device_(std::move(device)), directory_(std::move(directory))
    {
    }

    int port_;
    std::filesystem::path device_;
    std::filesystem::path directory_;
};

}  // namespace kolmaris
