// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComNames.h"
#include "PortDirectory.h"
#include "SystemSkips.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace kolmaris {
namespace {
namespace fs = std::filesystem;

constexpr const char* kPortLinks = "the port directory of links and locks; Windows names its ports COMn";

class PortDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KOLMARIS_LINUX_ONLY(kPortLinks);
        std::ofstream(device_) << "";
    }

    testing::TempDir temp_;
    fs::path root_ = temp_.path, ports_ = temp_.Ports(), device_ = root_ / "device";
};

// Windows' port names, read from its list of ports; "\\.\COMn" is the name that opens them all.
TEST(ComNamesTest, NumbersOfWindowsPortNamesAndTheirDevices)
{
    const std::pair<const char*, int> names[] = {{"COM1", 1},   {"COM9", 9},    {"COM10", 10}, {"COM255", 255},
                                                 {"com3", 3},   {"COM256", 0},  {"COM0", 0},   {"COM01", 0},
                                                 {"COM", 0},    {"COM-1", 0},   {"COM 3", 0},  {"COM3 ", 0},
                                                 {"LPT1", 0},   {"COM1000", 0}, {"", 0},       {"XCOM3", 0}};
    for (const auto& [name, number] : names)
        EXPECT_EQ(platform::ComPortNumber(name), number) << name;
    EXPECT_EQ(platform::ComDevicePath(1), "\\\\.\\COM1");
    EXPECT_EQ(platform::ComDevicePath(255), "\\\\.\\COM255");
    EXPECT_EQ(platform::ComDevicePath(0), "");
    EXPECT_EQ(platform::ComDevicePath(256), "");
}

#ifdef _WIN32
// Every number 1-255 is Windows' COMn; the ports listed are those Windows lists, numbered as it does.
TEST(WindowsPortsTest, NumbersAreComNamesAndOnlyListedPortsAreListed)
{
    EXPECT_EQ(DevicePathForPort(3), fs::path(L"\\\\.\\COM3"));
    EXPECT_EQ(DevicePathForPort(200), fs::path(L"\\\\.\\COM200"));
    EXPECT_EQ(DevicePathForPort(0), fs::path());
    EXPECT_EQ(DevicePathForPort(256), fs::path());
    EXPECT_EQ(PortDirectoryPath(), fs::path());
    EXPECT_FALSE(RegisterPortLink(97, "C:\\device"));
    EXPECT_EQ(FirstFreePortNumber(), 0);
    EXPECT_EQ(FormatPortEntry({7, DevicePathForPort(7)}), "COM 7");
    int previous = 0;
    for (const PortEntry& entry : ListPorts()) {
        EXPECT_GT(entry.number, previous);
        EXPECT_EQ(entry.device, DevicePathForPort(entry.number));
        previous = entry.number;
    }
}
#endif

TEST(PortDirectoryPathTest, RuntimeDirThenHomeAndTheEntryText)
{
    KOLMARIS_LINUX_ONLY(kPortLinks);
    EXPECT_EQ(PortDirectoryPath({"/run/user/1000", "/home/ann"}), "/run/user/1000/kolmaris/ports");
    EXPECT_EQ(PortDirectoryPath({"", "/home/ann"}), "/home/ann/.local/state/kolmaris/ports");
    EXPECT_EQ(PortDirectoryPath({"run/user", "/home/ann"}), "/home/ann/.local/state/kolmaris/ports");
    EXPECT_EQ(PortDirectoryPath({"", ""}), fs::path());
    // The number first, so the text still reads as "COM %d".
    EXPECT_EQ(FormatPortEntry({33, "/dev/ttyUSB0"}), "COM 33 (/dev/ttyUSB0)");
}

TEST_F(PortDirectoryTest, FixedTableWithoutLinks)
{
    const std::pair<int, fs::path> cases[] = {{1, "/dev/ttyS0"},
                                              {32, "/dev/ttyS31"},
                                              {33, "/dev/ttyUSB0"},
                                              {64, "/dev/ttyUSB31"},
                                              {65, "/dev/ttyACM0"},
                                              {96, "/dev/ttyACM31"},
                                              {97, ""},
                                              {0, ""},
                                              {256, ""}};
    for (const auto& [port, device] : cases)
        EXPECT_EQ(DevicePathForPort(port, ports_), device) << port;
    EXPECT_EQ(DevicePathForPort(5, fs::path()), "/dev/ttyS4");
}

TEST_F(PortDirectoryTest, LinkWinsOverTableLiveLinkIsKeptDanglingOneReplaced)
{
    const fs::path other = root_ / "other";
    std::ofstream(other) << "";
    ASSERT_TRUE(RegisterPortLink(1, device_, ports_));
    EXPECT_TRUE(fs::is_symlink(ports_ / "COM1"));
    EXPECT_EQ(DevicePathForPort(1, ports_), device_);
    EXPECT_EQ(DevicePathForPort(2, ports_), "/dev/ttyS1");
    EXPECT_FALSE(RegisterPortLink(1, other, ports_));
    EXPECT_TRUE(RemovePortLink(1, ports_));
    EXPECT_EQ(DevicePathForPort(1, ports_), "/dev/ttyS0");
    EXPECT_FALSE(RemovePortLink(1, ports_));

    ASSERT_TRUE(RegisterPortLink(120, device_, ports_));
    fs::remove(device_);
    const fs::path stale = DevicePathForPort(120, ports_);  // a dangling link names nothing that opens
    EXPECT_TRUE(!stale.empty() && !fs::exists(stale)) << stale;
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
    for (int port = 97; port <= 255; ++port)
        ASSERT_TRUE(port == 150 || RegisterPortLink(port, device_, ports_)) << port;
    EXPECT_EQ(FirstFreePortNumber(ports_), 150);
    ASSERT_TRUE(RegisterPortLink(150, device_, ports_));
    EXPECT_EQ(FirstFreePortNumber(ports_), 0);

    ASSERT_TRUE(RemovePortLink(120, ports_));
    ASSERT_TRUE(RegisterPortLink(120, root_ / "gone", ports_));
    EXPECT_EQ(FirstFreePortNumber(ports_), 120);
    EXPECT_EQ(FirstFreePortNumber(fs::path()), 0);
}

// A link whose owner was killed is stale: readers ignore it, the next owner replaces it.
TEST_F(PortDirectoryTest, AKilledOwnersLinkIsIgnoredAndReplaced)
{
    const fs::path other = root_ / "other";
    std::ofstream(other) << "";
#ifndef _WIN32
    int claimed[2];
    ASSERT_EQ(::pipe(claimed), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const auto owner = PortLinkOwner::Claim(97, device_, ports_);
        (void)!::write(claimed[1], owner ? "y" : "n", 1);
        ::pause();
    }
    char answer = 0;
    ASSERT_TRUE(::read(claimed[0], &answer, 1) == 1 && answer == 'y');
    EXPECT_EQ(DevicePathForPort(97, ports_), device_);
    EXPECT_EQ(FirstFreePortNumber(ports_), 98);
    EXPECT_EQ(PortLinkOwner::Claim(97, other, ports_), nullptr);
    EXPECT_FALSE(RegisterPortLink(97, other, ports_));

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(fs::is_symlink(ports_ / "COM97"));  // left behind, still naming an existing device
    EXPECT_EQ(DevicePathForPort(97, ports_), fs::path());
    EXPECT_EQ(FirstFreePortNumber(ports_), 97);
    for (const PortEntry& entry : ListPorts(ports_))
        EXPECT_NE(entry.number, 97);
    {
        const auto owner = PortLinkOwner::Claim(97, other, ports_);
        EXPECT_TRUE(owner && DevicePathForPort(97, ports_) == other);
    }
    EXPECT_TRUE(fs::is_empty(ports_));
#endif
}

}  // namespace
}  // namespace kolmaris
