// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of kolmaris-cli under its commands: the progress bar, the pacing of ticks, the
// counting port, the private port directory of --device, the port list and the file writer.
#include "Commands.h"
#include "CountingPort.h"
#include "DeviceMapping.h"
#include "FakeClock.h"
#include "MemorySerialPort.h"
#include "PortDirectory.h"
#include "ProgressBar.h"
#include "Requests.h"
#include "StopSignals.h"
#include "SystemSkips.h"
#include "TabFile.h"
#include "TempDir.h"
#include "TickPacer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kolmaris::cli {
namespace {

namespace fs = std::filesystem;
using kolmaris::testing::ReadFile;
using kolmaris::testing::TempDir;

TEST(CliProgressBar, RedrawsInPlaceOnlyWhenTheLineChangesAndWipesLongerText)
{
    std::ostringstream out;
    ProgressBar bar(out, true);
    bar.Show(0.0, "...");
    EXPECT_EQ(out.str(), "\r[------------------------------] ...");
    bar.Show(0.5, "50 % (100 B)");
    bar.Show(0.5, "50 % (100 B)");
    EXPECT_EQ(out.str(), "\r[------------------------------] ...\r[###############---------------] 50 % (100 B)");
    out.str("");
    bar.Show(1.7, "done");  // a fraction above 1 fills the bar, no more
    EXPECT_EQ(out.str(), "\r[##############################] done" + std::string(8, ' '));
    bar.Show(1.0, "don");  // one character shorter: one space wipes it
    EXPECT_TRUE(out.str().ends_with("\r[##############################] don ")) << out.str();
    out.str("");
    bar.Finish();
    bar.Finish();
    EXPECT_EQ(out.str(), "\n");

    std::ostringstream quiet;
    ProgressBar off(quiet, false);
    off.Show(0.3, "30 %");
    off.Finish();
    EXPECT_EQ(quiet.str(), "");
}

TEST(CliTickPacer, APeriodCountsFromTheStartOfATickAndANewPauseFromItsEnd)
{
    kolmaris::testing::FakeClock clock;
    TickPacer pacer(clock, 10);
    // A short exchange waits the rest of the period, a longer one none; a failed read that waited out
    // its time-out, then asks for 500 ms, waits them all, and again with 500 as the period; a good
    // read goes back to the short period, started afresh.
    const struct {
        uint64_t took;
        uint32_t pause;
        uint64_t slept;
    } ticks[] = {{3, 10, 7}, {17, 10, 7}, {200, 500, 507}, {200, 500, 807}, {17, 10, 817}};
    for (const auto& t : ticks) {
        pacer.Begin();
        clock.now += t.took;
        pacer.Wait(t.pause);
        EXPECT_EQ(clock.slept, t.slept) << t.took;
    }
}

TEST(CliCountingPort, CountsWhatThePortTookAndWhatWasReadAndPassesErrorsOn)
{
    MemorySerialPort inner;
    inner.AddDevice(4);
    inner.AddDevice(5, true);
    CountingPort port(inner);
    EXPECT_FALSE(port.OpenPort(5, 19200, 8, 1, 0));
    EXPECT_EQ(port.LastError(), PortError::AccessDenied);
    ASSERT_TRUE(port.OpenPort(4, 19200, 8, 1, 0));
    const uint8_t frame[] = {0xFF, 0xD1, 0x03, 0x9A};
    EXPECT_EQ(port.WriteBytes(frame, 4), 4u);
    inner.LimitWrites(1);
    EXPECT_EQ(port.WriteBytes(frame, 4), 1u);
    EXPECT_EQ(port.BytesWritten(), 5u);
    inner.Deliver({0xD1, 0x42, 0xA3});
    while (port.ByteAvailable())
        port.TakeByte();
    EXPECT_EQ(port.BytesRead(), 3u);
    EXPECT_TRUE(port.ClosePort());
    EXPECT_FALSE(inner.IsOpen());
}

TEST(CliDeviceMapping, ThePathAnswersToComOneOnlyWhileTheMappingLives)
{
    TempDir home;
#ifdef _WIN32
    std::string refusal;
    EXPECT_EQ(DeviceMapping::Map(home.path, refusal), nullptr);
    EXPECT_EQ(refusal, "--device names a Linux device; on Windows give the port's number with --port");
    KOLMARIS_LINUX_ONLY("devices by path and the port directory");
#endif
    const fs::path device = home.path / "ttyFake";
    std::ofstream(device) << "";
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string before = old != nullptr ? old : "";
    {
        std::string error;
        auto mapping = DeviceMapping::Map(device, error);
        ASSERT_NE(mapping, nullptr) << error;
        EXPECT_EQ(mapping->Device(), device);
        EXPECT_EQ(DevicePathForPort(DeviceMapping::kPortNumber), fs::canonical(device));
        EXPECT_NE(PortDirectoryPath(), fs::path(before) / "kolmaris" / "ports");
    }
    const char* after = std::getenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(after != nullptr ? std::string(after) : "", before);

    std::string error;
    EXPECT_EQ(DeviceMapping::Map(home.path / "none", error), nullptr);
    EXPECT_EQ(error, (home.path / "none").string() + ": no such device");
}

TEST(CliPorts, ListsPortsThatOpenAndBusyOnesAndThoseWithoutAccessButNotOthers)
{
    KOLMARIS_LINUX_ONLY("port links");
    TempDir dir;
    const fs::path ports = dir.path / "ports";
    MemorySerialPort port;
    ASSERT_TRUE(RegisterPortLink(199, dir.path / "gone", ports));  // dangling: not listed
    for (const int number : {202, 200, 201, 203}) {
        const fs::path device = dir.path / std::to_string(number);
        std::ofstream(device) << "";
        ASSERT_TRUE(RegisterPortLink(number, device, ports));
    }
    port.AddDevice(199);
    port.AddDevice(200);
    port.AddDevice(201, true);  // held by another program; 202 does not open: left out, as the link dialog does
    port.AddRefusingDevice(203, PortError::NoAccess);
    std::ostringstream out;
    EXPECT_EQ(RunPorts(port, ports, out), Exit::Ok);
    const std::string dev = dir.path.string() + "/";
    EXPECT_EQ(out.str(), "COM 200 (" + dev + "200)\nCOM 201 (" + dev + "201) busy\nCOM 203 (" + dev +
                             "203) no access\nNo access: add the user to the dialout group (sudo usermod -aG "
                             "dialout $USER) and log in again.\n");
    EXPECT_EQ(out.str().find("COM 202"), std::string::npos);
    EXPECT_EQ(out.str().find("COM 199"), std::string::npos);
    EXPECT_FALSE(port.IsOpen());

    std::ostringstream none;
    EXPECT_EQ(RunPorts(port, dir.path / "empty", none), Exit::Ok);
    EXPECT_TRUE(none.str().ends_with("No ports found.\n")) << none.str();
}

TEST(CliTabFile, WritesAnewAndNamesTheFileThatFailed)
{
    TempDir dir;
    const fs::path file = dir.path / "r.tab";
    std::ofstream(file) << "old contents that are longer";
    std::string error;
    EXPECT_TRUE(WriteTabFile(
        file, [](std::ostream& out) { out << "a\tb\r\n"; }, error));
    EXPECT_EQ(ReadFile(file), "a\tb\r\n");

    EXPECT_FALSE(WriteTabFile(
        dir.path / "no" / "r.tab", [](std::ostream& out) { out << "x"; }, error));
    EXPECT_EQ(error, "cannot create " + (dir.path / "no" / "r.tab").string() + ": No such file or directory");
#ifndef _WIN32
    EXPECT_FALSE(WriteTabFile(
        "/dev/full", [](std::ostream& out) { out << std::string(70000, 'x'); }, error));
    EXPECT_EQ(error, "cannot write /dev/full: No space left on device");
#endif
}

TEST(CliStopSignals, ASignalEndsTheProgramAtOnceUnlessARunDefersIt)
{
    KOLMARIS_LINUX_ONLY("POSIX signals; Windows stops a run through the console's control handler");
#ifndef _WIN32
    EXPECT_EXIT(
        {
            InstallStopHandlers();
            std::raise(SIGINT);
            std::exit(0);
        },
        ::testing::ExitedWithCode(130), "");
    EXPECT_EXIT(
        {
            InstallStopHandlers();
            DeferStop(true);
            const bool before = StopRequested();
            std::raise(SIGTERM);
            std::raise(SIGPIPE);  // ignored: a closed output does not end a run
            std::exit(!before && StopRequested() ? 7 : 1);
        },
        ::testing::ExitedWithCode(7), "");
#endif
}

TEST(CliRequests, ACommandIsTriedUntilItSucceedsAtMostAttemptsTimes)
{
    int calls = 0;
    EXPECT_EQ(Retried(3, [&] { return ++calls < 3 ? 22u : 0u; }), 0u);
    EXPECT_EQ(calls, 3);
    calls = 0;
    EXPECT_EQ(Retried(2, [&] { return ++calls, 0x2000Fu; }), 0x2000Fu);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ResultText(0x2000F), "damaged reply (error 0x2000F)");
    EXPECT_EQ(ResultText(22), "no reply within the time-out (error 22)");
}

}  // namespace
}  // namespace kolmaris::cli
