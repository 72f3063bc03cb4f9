// SPDX-License-Identifier: GPL-3.0-or-later
// QtSerialPort against real pseudo-terminals, with no QCoreApplication and no event loop.
#include "PortDirectory.h"
#include "QtSerialPort.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace kolmaris {
namespace {

using Bytes = std::vector<uint8_t>;

// A pseudo-terminal registered as COM 200 in a port directory of its own (the process
// environment names it); the test holds its far end.
class QtSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_TRUE(master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0);
        slave_ = ptsname(master_);
        ASSERT_TRUE(RegisterPortLink(kPort, slave_));
    }
    void TearDown() override
    {
        port_.ClosePort();
        close(master_);
    }

    bool Open(uint8_t port, uint8_t stopBits = 1, uint8_t parity = 0, uint8_t byteSize = 8)
    {
        return port_.OpenPort(port, 19200, byteSize, stopBits, parity);
    }
    void Send(const Bytes& bytes) { ASSERT_EQ(write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    // Up to `count` bytes at the far end, until nothing more arrives for `quietMs`.
    Bytes Receive(std::size_t count, int quietMs = 1000)
    {
        Bytes received(count);
        std::size_t n = 0;
        pollfd fd{master_, POLLIN, 0};
        for (ssize_t got = 1; n < count && got > 0 && poll(&fd, 1, quietMs) == 1 && (fd.revents & POLLIN); n += got)
            got = std::max<ssize_t>(read(master_, received.data() + n, count - n), 0);
        received.resize(n);
        return received;
    }
    // True once nothing holds the slave open any more.
    bool SlaveClosed() const
    {
        pollfd fd{master_, POLLIN, 0};
        return poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP);
    }
    // Bytes arrive through the kernel a moment after the master writes them; each empty read waits.
    bool WaitForByte()
    {
        for (int attempt = 0; attempt < 400; ++attempt)
            if (port_.ByteAvailable())
                return true;
        return false;
    }

    static constexpr uint8_t kPort = 200;
    testing::TempDir root_{true};
    int master_ = -1;
    std::string slave_;
    QtSerialPort port_;
};

TEST_F(QtSerialPortTest, BytesPassUnchangedBothWaysAndPurgeDropsInput)
{
    ASSERT_TRUE(Open(kPort));
    // Bytes a terminal line discipline would act on: CR, LF, ^C, XON, XOFF, DEL, 0x00, 0xFF.
    const Bytes controlBytes{0xFF, 0x0D, 0x0A, 0x03, 0x11, 0x13, 0x7F, 0x00, 0xFE};
    EXPECT_EQ(port_.WriteBytes(controlBytes.data(), uint32_t(controlBytes.size())), controlBytes.size());
    EXPECT_EQ(Receive(controlBytes.size()), controlBytes);
    EXPECT_TRUE(Receive(1, 50).empty());
    Send(controlBytes);
    Bytes received;
    while (received.size() < controlBytes.size() && WaitForByte()) {
        EXPECT_TRUE(port_.ByteAvailable());  // asking again does not consume it
        received.push_back(port_.TakeByte());
    }
    EXPECT_EQ(received, controlBytes);

    Send({1, 2, 3, 4});
    ASSERT_TRUE(WaitForByte());
    EXPECT_EQ(port_.TakeByte(), 1);
    port_.PurgePort();
    EXPECT_FALSE(port_.ByteAvailable());
    Send({5});
    ASSERT_TRUE(WaitForByte());
    EXPECT_EQ(port_.TakeByte(), 5);
}

TEST_F(QtSerialPortTest, LineSettingsReachTheDevice)
{
    // Our own descriptor of the slave, opened first, reads back what the port set.
    const int slave = open(slave_.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    termios t{};
    ASSERT_TRUE(Open(kPort));
    ASSERT_EQ(tcgetattr(slave, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK | ICRNL), 0u);  // raw: no flow control, no translation
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);

    // Stop-bit codes 0 and 3 mean one; a pseudo-terminal forces 8 data bits without parity but keeps odd/even.
    const struct {
        uint8_t stopBits, parity, byteSize;
        tcflag_t set;
    } cases[] = {{0, 0, 8, 0}, {3, 0, 8, 0}, {2, 1, 8, CSTOPB | PARODD}, {1, 2, 7, 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(Open(kPort, c.stopBits, c.parity, c.byteSize));
        ASSERT_EQ(tcgetattr(slave, &t), 0);
        EXPECT_EQ(t.c_cflag & (CSTOPB | PARODD), c.set) << int(c.stopBits) << int(c.parity);
    }
    close(slave);
}

TEST_F(QtSerialPortTest, FailedOpensLeaveThePortClosed)
{
    ASSERT_TRUE(Open(kPort));
    EXPECT_FALSE(Open(150));  // no link, no fixed device: the port open before is closed too
    EXPECT_EQ(port_.LastError(), PortError::NotFound);
    EXPECT_TRUE(SlaveClosed());
    ASSERT_TRUE(Open(kPort));
    EXPECT_FALSE(Open(kPort, 1, 0, 9));  // unsupported settings
    EXPECT_TRUE(SlaveClosed());
    EXPECT_FALSE(Open(kPort, 1, 5));
    EXPECT_EQ(port_.LastError(), PortError::Other);
    ASSERT_TRUE(RegisterPortLink(151, root_.path / "gone"));
    EXPECT_FALSE(Open(151));
    EXPECT_EQ(port_.LastError(), PortError::NotFound);
    EXPECT_FALSE(port_.IsOpen());

    QtSerialPort holder;  // a port another holds is busy, not missing
    ASSERT_TRUE(holder.OpenPort(kPort, 19200, 8, 1, 0));
    EXPECT_FALSE(Open(kPort));
    EXPECT_EQ(port_.LastError(), PortError::AccessDenied);
    EXPECT_FALSE(port_.IsOpen());
}

TEST_F(QtSerialPortTest, ADeviceThisUserMayNotOpenIsNoAccessNotBusy)
{
    // The pseudo-terminal is root's (mode 620): a child process that has become nobody tries it.
    std::filesystem::permissions(root_.path, std::filesystem::perms(0755));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        QtSerialPort port;
        if (port.OpenPort(kPort, 19200, 8, 1, 0))
            _exit(1);
        _exit(port.LastError() == PortError::NoAccess ? 0 : 10 + int(port.LastError()));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: no privileges to drop, 1: it opened, 10 + n: PortError n";
    EXPECT_TRUE(DeviceAccessible(slave_));  // for root it is there to open
    ASSERT_TRUE(Open(kPort));
}

TEST_F(QtSerialPortTest, WriteThatCannotDrainGivesUpShortAndSendsNoMoreLater)
{
    ASSERT_TRUE(Open(kPort));
    const Bytes big(1 << 20, 0x55);  // far beyond what the unread pseudo-terminal holds
    const uint32_t written = port_.WriteBytes(big.data(), uint32_t(big.size()));
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size());
    EXPECT_LE(Receive(big.size(), 50).size(), written);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(port_.ByteAvailable());  // a read also lets Qt send what it still holds
    EXPECT_EQ(Receive(big.size(), 50).size(), 0u);
}

}  // namespace
}  // namespace kolmaris
