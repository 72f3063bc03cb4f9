// Automatic detection tries only the ports whose device is there.
#include "PortDirectory.h"
#include "StepLink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kolmaris {
namespace {
namespace fs = std::filesystem;

// Devices at COM 5 and 9 only; notes what is opened.
struct TwoDevicePort final : SerialPort {
    bool OpenPort(uint8_t port, uint32_t, uint8_t, uint8_t, uint8_t) override { return opened.push_back(port), false; }
    bool ClosePort() override { return true; }
    uint32_t WriteBytes(const uint8_t*, uint32_t) override { return 0; }
    void PurgePort() override {}
    bool IsOpen() const override { return false; }
    PortError LastError() const override { return PortError::NotFound; }
    std::vector<uint8_t> PresentPorts() const override { return {5, 9}; }
    bool ReadByte(uint8_t&) override { return false; }
    std::vector<uint8_t> opened;
};

TEST(PresentPorts, DetectionOpensOnlyPresentPortsAndUartlessOrMissingDevicesAreNotPresent)
{
    TwoDevicePort port;
    SteadyClock clock;
    StepLink link(port, clock);
    EXPECT_EQ(link.Connect(0), kErrNoTerminal);
    EXPECT_EQ(port.opened, (std::vector<uint8_t>{5, 9}));

    std::string root = (fs::temp_directory_path() / "kolmaris-present-XXXXXX").string();
    ASSERT_NE(mkdtemp(root.data()), nullptr);
    // COM 100: a UART of type 0 (none); 101: type 4; 102: no type (a pseudo-terminal); 103: gone.
    for (const auto& [number, type] : {std::pair{100, "0"}, {101, "4"}, {102, ""}, {103, ""}}) {
        const fs::path device = fs::path(root) / ("tty" + std::to_string(number));
        if (number != 103)
            std::ofstream{device};
        ASSERT_TRUE(RegisterPortLink(number, device, fs::path(root) / "ports"));
        fs::create_directories(fs::path(root) / "sys" / device.filename());
        std::ofstream(fs::path(root) / "sys" / device.filename() / "type") << type;
    }
    std::vector<int> present;
    for (const PortEntry& entry : PresentPorts(fs::path(root) / "ports", fs::path(root) / "sys"))
        present.push_back(entry.number);
    std::erase_if(present, [](int n) { return n < 100; });
    EXPECT_EQ(present, (std::vector<int>{101, 102}));
    fs::remove_all(root);
}

}  // namespace
}  // namespace kolmaris
