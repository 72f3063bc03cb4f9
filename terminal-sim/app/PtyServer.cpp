// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyServer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kolmaris {
namespace {

std::string SystemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// Opens the master and its slave; both descriptors close on exec.
bool OpenPair(int& master, int& slave, std::string& device, std::string& error)
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error = SystemError("cannot open a pseudo-terminal");
        return false;
    }
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        error = SystemError("cannot unlock the pseudo-terminal");
        return false;
    }
    device = name;
    slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        error = SystemError("cannot open " + device);
        return false;
    }
    return true;
}

// Bytes pass unchanged both ways until the program sets the line up itself.
bool MakeRaw(int master, int slave, std::string& error)
{
    termios t{};
    if (tcgetattr(slave, &t) != 0) {
        error = SystemError("cannot read the pseudo-terminal's settings");
        return false;
    }
    cfmakeraw(&t);
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    const int flags = fcntl(master, F_GETFL);
    if (tcsetattr(slave, TCSANOW, &t) != 0 || flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = SystemError("cannot set the pseudo-terminal up");
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<PtyServer> PtyServer::Open(std::string& error)
{
    int master = -1;
    int slave = -1;
    std::string device;
    if (OpenPair(master, slave, device, error) && MakeRaw(master, slave, error))
        return std::unique_ptr<PtyServer>(new PtyServer(master, slave, device));
    if (slave >= 0)
        close(slave);
    if (master >= 0)
        close(master);
    return nullptr;
}

PtyServer::~PtyServer()
{
    close(slave_);
    close(master_);
}

void PtyServer::ClearExclusiveUse()
{
    ioctl(slave_, TIOCNXCL);
}

bool PtyServer::Read(std::vector<uint8_t>& into, std::string& error)
{
    uint8_t buffer[512];
    for (;;) {
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n > 0) {
            into.insert(into.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        error = n == 0 ? std::string("the pseudo-terminal was closed") : SystemError("cannot read the pseudo-terminal");
        return false;
    }
}

long PtyServer::Write(std::span<const uint8_t> bytes, std::string& error)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            error = SystemError("cannot write the pseudo-terminal");
            return -1;
        }
    }
    return static_cast<long>(written);
}

}  // namespace kolmaris
