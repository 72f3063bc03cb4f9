#include "PortDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kolmaris {
namespace {
namespace fs = std::filesystem;

class PortDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "kolmaris-ports-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = fs::canonical(pattern);
        ports_ = root_ / "kolmaris" / "ports";
        device_ = root_ / "device";
        std::ofstream(device_) << "";
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
    fs::path ports_;
    fs::path device_;
};

TEST(PortDirectoryPathTest, RuntimeDirThenHome)
{
    EXPECT_EQ(PortDirectoryPath({"/run/user/1000", "/home/ann"}), "/run/user/1000/kolmaris/ports");
    EXPECT_EQ(PortDirectoryPath({"", "/home/ann"}), "/home/ann/.local/state/kolmaris/ports");
    EXPECT_EQ(PortDirectoryPath({"run/user", "/home/ann"}), "/home/ann/.local/state/kolmaris/ports");
    EXPECT_EQ(PortDirectoryPath({"", ""}), fs::path());
}

TEST_F(PortDirectoryTest, FixedTableWithoutLinks)
{
    EXPECT_EQ(DevicePathForPort(1, ports_), "/dev/ttyS0");
    EXPECT_EQ(DevicePathForPort(32, ports_), "/dev/ttyS31");
    EXPECT_EQ(DevicePathForPort(33, ports_), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPort(64, ports_), "/dev/ttyUSB31");
    EXPECT_EQ(DevicePathForPort(65, ports_), "/dev/ttyACM0");
    EXPECT_EQ(DevicePathForPort(96, ports_), "/dev/ttyACM31");
    EXPECT_EQ(DevicePathForPort(97, ports_), fs::path());
    EXPECT_EQ(DevicePathForPort(255, ports_), fs::path());
    EXPECT_EQ(DevicePathForPort(0, ports_), fs::path());
    EXPECT_EQ(DevicePathForPort(256, ports_), fs::path());
    EXPECT_EQ(DevicePathForPort(-1, ports_), fs::path());
    EXPECT_EQ(DevicePathForPort(5, fs::path()), "/dev/ttyS4");
}

TEST_F(PortDirectoryTest, LinkWinsOverTableUntilRemoved)
{
    ASSERT_TRUE(RegisterPortLink(1, device_, ports_));
    EXPECT_TRUE(fs::is_symlink(ports_ / "COM1"));
    EXPECT_EQ(DevicePathForPort(1, ports_), device_);
    EXPECT_EQ(DevicePathForPort(2, ports_), "/dev/ttyS1");

    ASSERT_TRUE(RegisterPortLink(200, device_, ports_));
    EXPECT_EQ(DevicePathForPort(200, ports_), device_);

    EXPECT_TRUE(RemovePortLink(1, ports_));
    EXPECT_EQ(DevicePathForPort(1, ports_), "/dev/ttyS0");
    EXPECT_FALSE(RemovePortLink(1, ports_));
    EXPECT_TRUE(fs::exists(device_));
}

TEST_F(PortDirectoryTest, LiveLinkIsKeptAndDanglingOneReplaced)
{
    const fs::path other = root_ / "other";
    std::ofstream(other) << "";
    ASSERT_TRUE(RegisterPortLink(120, device_, ports_));
    EXPECT_FALSE(RegisterPortLink(120, other, ports_));
    EXPECT_EQ(DevicePathForPort(120, ports_), device_);

    fs::remove(device_);
    const fs::path stale = DevicePathForPort(120, ports_);
    EXPECT_FALSE(stale.empty());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(RegisterPortLink(120, other, ports_));
    EXPECT_EQ(DevicePathForPort(120, ports_), other);

    EXPECT_FALSE(RegisterPortLink(0, other, ports_));
    EXPECT_FALSE(RegisterPortLink(256, other, ports_));
    EXPECT_FALSE(RegisterPortLink(121, other, fs::path()));
    EXPECT_FALSE(fs::exists(ports_ / "COM0"));
}

TEST_F(PortDirectoryTest, FirstFreeNumberSkipsTableAndLiveLinks)
{
    EXPECT_EQ(FirstFreePortNumber(ports_), 97);
    for (int port = 97; port <= 255; ++port) {
        if (port != 150) {
            ASSERT_TRUE(RegisterPortLink(port, device_, ports_)) << port;
        }
    }
    EXPECT_EQ(FirstFreePortNumber(ports_), 150);
    ASSERT_TRUE(RegisterPortLink(150, device_, ports_));
    EXPECT_EQ(FirstFreePortNumber(ports_), 0);

    ASSERT_TRUE(RemovePortLink(120, ports_));
    ASSERT_TRUE(RegisterPortLink(120, root_ / "gone", ports_));
    EXPECT_EQ(FirstFreePortNumber(ports_), 120);
    EXPECT_EQ(FirstFreePortNumber(fs::path()), 0);
}

TEST_F(PortDirectoryTest, ListHoldsExistingDevicesInOrder)
{
    ASSERT_TRUE(RegisterPortLink(201, device_, ports_));
    ASSERT_TRUE(RegisterPortLink(200, root_ / "gone", ports_));
    ASSERT_TRUE(RegisterPortLink(40, device_, ports_));
    const auto ports = ListPorts(ports_);

    int previous = 0;
    bool listed40 = false;
    bool listed201 = false;
    for (const auto& entry : ports) {
        EXPECT_GT(entry.number, previous);
        previous = entry.number;
        EXPECT_TRUE(fs::exists(entry.device)) << entry.device;
        EXPECT_NE(entry.number, 200);
        listed40 |= entry == PortEntry{40, device_};
        listed201 |= entry == PortEntry{201, device_};
    }
    EXPECT_TRUE(listed40);
    EXPECT_TRUE(listed201);
}

TEST(PortEntryTest, NumberComesFirstAndStillReadsAsComNumber)
{
    const std::string text = FormatPortEntry({33, "/dev/ttyUSB0"});
    EXPECT_EQ(text, "COM 33 (/dev/ttyUSB0)");
    int number = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "COM %d", &number), 1);
    EXPECT_EQ(number, 33);
}

}  // namespace
}  // namespace kolmaris
