// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFile.h"
#include "SystemSkips.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

namespace kolmaris {
namespace {
namespace fs = std::filesystem;

class ConfigFileTest : public ::testing::Test {
protected:
    std::string Read() const { return testing::ReadFile(file_); }

    testing::TempDir temp_;
    fs::path dir_ = temp_.path;
    fs::path file_ = dir_ / "Kolmaris_V2.cfg";
};

auto Fields(const LinkSettings& s)
{
    return std::make_tuple(s.configuredPort, s.replyTimeout, s.attemptCount);
}

TEST_F(ConfigFileTest, SavesThreeLinesThatLoadBack)
{
    ASSERT_EQ(SaveConfig(file_, LinkSettings{}), SaveResult::Saved);
    EXPECT_EQ(Read(), "COM: 0\nTimeOut: 200\nAttemptCount: 3\n");
    ASSERT_EQ(SaveConfig(file_, LinkSettings{17, 60000, 15}), SaveResult::Saved);
    LinkSettings loaded;
    ASSERT_EQ(LoadConfig(file_, loaded), LoadResult::Loaded);
    EXPECT_EQ(Fields(loaded), std::make_tuple(17, 60000u, 15));

    // Only the port's low byte is written.
    ASSERT_EQ(SaveConfig(file_, LinkSettings{260, 200, 3}), SaveResult::Saved);
    EXPECT_EQ(Read(), "COM: 4\nTimeOut: 200\nAttemptCount: 3\n");
    EXPECT_EQ(SaveConfig(dir_ / "no" / "Kolmaris_V2.cfg", LinkSettings{}), SaveResult::CannotCreate);
}

TEST_F(ConfigFileTest, LoadScansUntilTheFirstMismatchAndIgnoresValuesOutOfBounds)
{
    // Each load starts from a time-out of 750 and 9 attempts; the attempt count is reset to 3 first.
    const std::pair<const char*, std::tuple<int, uint32_t, int>> cases[] = {
        {"COM: 4", {4, 750, 3}},
        {"COM: 9\nTimeout: 300\nAttemptCount: 5\n", {9, 750, 3}},  // "Timeout" does not match
        {"COM: 6\nTimeOut: 350\nAttemptCount: x\n", {6, 350, 3}},
        {"", {0, 750, 3}},
        {"COM: 5\nTimeOut: 0\nAttemptCount: 16\n", {5, 750, 3}},  // out of bounds
        {"COM: 5\nTimeOut: 60001\nAttemptCount: 0\n", {5, 750, 3}},
        {"COM: 5\nTimeOut: 1\nAttemptCount: 1\n", {5, 1, 1}},
        {"COM:12\r\n TimeOut:\t\t450\r\n\r\nAttemptCount:   7", {12, 450, 7}},  // any whitespace run
        {"COM: 260\nTimeOut: 200\nAttemptCount: 3\n", {4, 200, 3}}};            // the port's low byte
    for (const auto& [text, expected] : cases) {
        std::ofstream(file_, std::ios::binary) << text;
        LinkSettings settings{0, 750, 9};
        ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded) << text;
        EXPECT_EQ(Fields(settings), expected) << text;
    }

    LinkSettings settings{7, 750, 9};
    EXPECT_EQ(LoadConfig(dir_ / "absent.cfg", settings), LoadResult::CannotRead);
    EXPECT_EQ(Fields(settings), std::make_tuple(7, 750u, 3));
}

TEST_F(ConfigFileTest, FileGoesNextToExecutableOnlyWhenThatDirectoryTakesFiles)
{
    const fs::path userDir = dir_ / "user" / "Kolmaris";
    EXPECT_EQ(ConfigFilePath(dir_, userDir), dir_ / "Kolmaris_V2.cfg");
    EXPECT_FALSE(fs::exists(userDir));
    EXPECT_TRUE(fs::is_empty(dir_)) << "probe left behind";

    EXPECT_EQ(ConfigFilePath(dir_ / "missing", userDir), userDir / "Kolmaris_V2.cfg");
    EXPECT_TRUE(fs::is_directory(userDir));
    std::ofstream(file_) << "not a directory";
    EXPECT_EQ(ConfigFilePath(file_, userDir), userDir / "Kolmaris_V2.cfg");
    EXPECT_EQ(ConfigFilePath(fs::path(), userDir), userDir / "Kolmaris_V2.cfg");
    // /proc takes no new files, not even from root; an installed program writes nothing into
    // /usr, even when root could.
    KOLMARIS_LINUX_ONLY("/proc and /usr, directories a program must not write into");
    for (const fs::path exeDir : {"/proc", "/usr/bin", "/usr/local/bin/", "/usr"})
        EXPECT_EQ(ConfigFilePath(exeDir, userDir), userDir / "Kolmaris_V2.cfg") << exeDir;
    EXPECT_FALSE(fs::exists("/usr/bin/.Kolmaris_V2.cfg.probe"));
}

}  // namespace
}  // namespace kolmaris
