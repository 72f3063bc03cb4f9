// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port on the Win32 API, run under Wine. Without a terminal: numbers Windows does not
// list do not open. With one (scripts/test-windows.sh maps the simulated terminal's
// pseudo-terminal to a COM port and names it in KOLMARIS_TEST_COM_PORT): automatic detection
// finds it among the ports Windows lists, and the whole memory is downloaded through it into KOLMARIS_TEST_DOWNLOAD_DIR with the files of Save All,
// which the script compares with the Linux tool's.
#include "Clock.h"
#include "DataStore.h"
#include "Files.h"
#include "PortDirectory.h"
#include "SaveAll.h"
#include "StepLink.h"
#include "TerminalDownload.h"
#include "Utf8Path.h"
#include "Win32SerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace kolmaris {
namespace {

int MappedPort()
{
    const char* value = std::getenv("KOLMARIS_TEST_COM_PORT");
    return value != nullptr ? std::atoi(value) : 0;
}

#define REQUIRE_MAPPED_PORT()                                                                   \
    if (MappedPort() == 0)                                                                      \
    GTEST_SKIP() << "no terminal on a COM port (scripts/test-windows.sh maps the simulated one)"

TEST(Win32SerialPort, APortWindowsDoesNotListIsNotFound)
{
    const auto listed = ListPorts();
    Win32SerialPort port;
    for (const int number : {1, 9, 10, 200, 255}) {
        if (std::any_of(listed.begin(), listed.end(), [&](const PortEntry& e) { return e.number == number; }))
            continue;
        EXPECT_FALSE(port.OpenPort(static_cast<uint8_t>(number), 19200, 8, 1, 0)) << number;
        EXPECT_EQ(port.LastError(), PortError::NotFound) << number;
        EXPECT_FALSE(port.IsOpen());
        EXPECT_FALSE(platform::DeviceExists(DevicePathForPort(number))) << number;
    }
    for (const PortEntry& entry : listed)
        EXPECT_TRUE(platform::DeviceExists(entry.device)) << entry.number;
}

TEST(Win32SerialPort, DetectionFindsTheTerminalAmongThePortsWindowsLists)
{
    REQUIRE_MAPPED_PORT();
    Win32SerialPort port;
    SteadyClock clock;
    StepLink link(port, clock);
    ASSERT_EQ(link.Connect(0), kOk);
    EXPECT_EQ(link.ConnectedPort, MappedPort());
    link.Disconnect();
}

TEST(Win32SerialPort, DownloadsTheWholeMemory)
{
    REQUIRE_MAPPED_PORT();
    const char* directory = std::getenv("KOLMARIS_TEST_DOWNLOAD_DIR");
    if (directory == nullptr)
        GTEST_SKIP() << "no KOLMARIS_TEST_DOWNLOAD_DIR to download into";
    Win32SerialPort port;
    SteadyClock clock;
    StepLink link(port, clock);
    ASSERT_EQ(link.DetectTerminal(static_cast<uint8_t>(MappedPort())), kOk);
    TDataStore store;
    TerminalDownload download;
    download.Start();
    while (download.Running()) {
        const uint32_t pause = download.Tick(link, store);
        if (pause > TerminalDownload::kTickMs)  // a retry; the exchanges themselves pace the rest
            clock.SleepMs(pause);
    }
    ASSERT_EQ(download.Outcome(), DownloadOutcome::Completed);
    link.Disconnect();
    const SaveAllResult saved = SaveAll(store, PathFromUtf8(directory));
    EXPECT_TRUE(saved.Ok());
    EXPECT_FALSE(saved.written.empty());
}

}  // namespace
}  // namespace kolmaris
