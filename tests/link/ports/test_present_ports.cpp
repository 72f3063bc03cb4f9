// Automatic detection tries only the ports whose device is there.

#include "PortDirectory.h"
#include "StepLink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kolmaris {
namespace {
namespace fs = std::filesystem;

// A port with devices at 5 and 9 only, recording what is opened.
class TwoDevicePort final : public SerialPort {
public:
    bool OpenPort(uint8_t port, uint32_t, uint8_t, uint8_t, uint8_t) override
    {
        opened.push_back(port);
        return false;
    }
    bool ClosePort() override { return true; }
    uint32_t WriteBytes(const uint8_t*, uint32_t) override { return 0; }
    void PurgePort() override {}
    bool IsOpen() const override { return false; }
    PortError LastError() const override { return PortError::NotFound; }
    std::vector<uint8_t> PresentPorts() const override { return {5, 9}; }
    std::vector<uint8_t> opened;

protected:
    bool ReadByte(uint8_t&) override { return false; }
};

TEST(PresentPortsTest, AutomaticDetectionOpensOnlyPresentPorts)
{
    TwoDevicePort port;
    SteadyClock clock;
    StepLink link(port, clock);
    EXPECT_EQ(link.Connect(0), kErrNoTerminal);
    EXPECT_EQ(port.opened, (std::vector<uint8_t>{5, 9}));
}

TEST(PresentPortsTest, DevicesWithoutUartAndMissingDevicesAreLeftOut)
{
    std::string pattern = (fs::temp_directory_path() / "kolmaris-present-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path root = fs::canonical(pattern);
    const fs::path ports = root / "ports";
    const fs::path sys = root / "sys";
    // COM 100: a UART of type 0 (none); 101: type 4; 102: no type (a pseudo-terminal); 103: gone.
    const std::pair<int, const char*> devices[] = {{100, "0"}, {101, "4"}, {102, nullptr}, {103, nullptr}};
    for (const auto& [number, type] : devices) {
        const fs::path device = root / ("tty" + std::to_string(number));
        if (number != 103)
            std::ofstream(device) << "";
        ASSERT_TRUE(RegisterPortLink(number, device, ports));
        fs::create_directories(sys / device.filename());
        if (type)
            std::ofstream(sys / device.filename() / "type") << type << "\n";
    }
    std::vector<int> present;
    for (const PortEntry& entry : PresentPorts(ports, sys))
        if (entry.number >= 100)
            present.push_back(entry.number);
    EXPECT_EQ(present, (std::vector<int>{101, 102}));
    fs::remove_all(root);
}

}  // namespace
}  // namespace kolmaris
