#include "ConfigFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kolmaris {
namespace {
namespace fs = std::filesystem;

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "kolmaris-config-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        file_ = dir_ / "Kolmaris_V2.cfg";
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }
    std::string Read() const
    {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
    fs::path file_;
};

TEST_F(ConfigFileTest, DefaultsAreWrittenAsThreeLines)
{
    ASSERT_EQ(SaveConfig(file_, LinkSettings{}), SaveResult::Saved);
    EXPECT_EQ(Read(), "COM: 0\nTimeOut: 200\nAttemptCount: 3\n");
}

TEST_F(ConfigFileTest, SavedSettingsLoadBack)
{
    const LinkSettings saved{17, 60000, 15};
    ASSERT_EQ(SaveConfig(file_, saved), SaveResult::Saved);
    LinkSettings loaded;
    ASSERT_EQ(LoadConfig(file_, loaded), LoadResult::Loaded);
    EXPECT_EQ(loaded.configuredPort, 17);
    EXPECT_EQ(loaded.replyTimeout, 60000u);
    EXPECT_EQ(loaded.attemptCount, 15);
}

TEST_F(ConfigFileTest, MissingFileKeepsDefaultsAndResetsAttempts)
{
    LinkSettings settings;
    settings.attemptCount = 9;
    EXPECT_EQ(LoadConfig(dir_ / "absent.cfg", settings), LoadResult::CannotRead);
    EXPECT_EQ(settings.configuredPort, 0);
    EXPECT_EQ(settings.replyTimeout, 200u);
    EXPECT_EQ(settings.attemptCount, 3);
}

TEST_F(ConfigFileTest, ScanStopsAtFirstMismatchKeepingEarlierFields)
{
    LinkSettings settings;
    settings.replyTimeout = 750;
    Write("COM: 4");
    ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded);
    EXPECT_EQ(settings.configuredPort, 4);
    EXPECT_EQ(settings.replyTimeout, 750u);
    EXPECT_EQ(settings.attemptCount, 3);

    settings = LinkSettings{};
    Write("COM: 9\nTimeout: 300\nAttemptCount: 5\n");
    ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded);
    EXPECT_EQ(settings.configuredPort, 9);
    EXPECT_EQ(settings.replyTimeout, 200u);
    EXPECT_EQ(settings.attemptCount, 3);

    settings = LinkSettings{};
    Write("COM: 6\nTimeOut: 350\nAttemptCount: x\n");
    ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded);
    EXPECT_EQ(settings.replyTimeout, 350u);
    EXPECT_EQ(settings.attemptCount, 3);

    settings = LinkSettings{};
    Write("");
    ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded);
    EXPECT_EQ(settings.configuredPort, 0);
    EXPECT_EQ(settings.replyTimeout, 200u);
}

TEST_F(ConfigFileTest, OutOfBoundsTimeOutAndAttemptsAreIgnored)
{
    LinkSettings settings;
    Write("COM: 5\nTimeOut: -1\nAttemptCount: 0\n");
    ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded);
    EXPECT_EQ(settings.configuredPort, 5);
    EXPECT_EQ(settings.replyTimeout, 200u);
    EXPECT_EQ(settings.attemptCount, 3);

    Write("COM: 5\nTimeOut: 60001\nAttemptCount: 16\n");
    ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded);
    EXPECT_EQ(settings.replyTimeout, 200u);
    EXPECT_EQ(settings.attemptCount, 3);
}

TEST_F(ConfigFileTest, WhitespaceInTheFormatMatchesAnyRun)
{
    LinkSettings settings;
    Write("COM:12\r\n TimeOut:\t\t450\r\n\r\nAttemptCount:   7");
    ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded);
    EXPECT_EQ(settings.configuredPort, 12);
    EXPECT_EQ(settings.replyTimeout, 450u);
    EXPECT_EQ(settings.attemptCount, 7);
}

TEST_F(ConfigFileTest, PortKeepsOnlyItsLowByte)
{
    LinkSettings settings;
    Write("COM: 260\nTimeOut: 200\nAttemptCount: 3\n");
    ASSERT_EQ(LoadConfig(file_, settings), LoadResult::Loaded);
    EXPECT_EQ(settings.configuredPort, 4);
    ASSERT_EQ(SaveConfig(file_, settings), SaveResult::Saved);
    EXPECT_EQ(Read(), "COM: 4\nTimeOut: 200\nAttemptCount: 3\n");

    settings.configuredPort = 511;
    ASSERT_EQ(SaveConfig(file_, settings), SaveResult::Saved);
    EXPECT_EQ(Read(), "COM: 255\nTimeOut: 200\nAttemptCount: 3\n");
}

TEST_F(ConfigFileTest, SavingIntoMissingDirectoryFails)
{
    EXPECT_EQ(SaveConfig(dir_ / "no" / "Kolmaris_V2.cfg", LinkSettings{}), SaveResult::CannotCreate);
}

TEST_F(ConfigFileTest, FileGoesNextToExecutableOnlyWhenThatDirectoryTakesFiles)
{
    const fs::path userDir = dir_ / "user" / "Kolmaris";
    EXPECT_EQ(ConfigFilePath(dir_, userDir), dir_ / "Kolmaris_V2.cfg");
    EXPECT_FALSE(fs::exists(userDir));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 0) << "probe left behind";

    EXPECT_EQ(ConfigFilePath(dir_ / "missing", userDir), userDir / "Kolmaris_V2.cfg");
    EXPECT_TRUE(fs::is_directory(userDir));

    Write("not a directory");
    EXPECT_EQ(ConfigFilePath(file_, userDir), userDir / "Kolmaris_V2.cfg");
    EXPECT_EQ(ConfigFilePath(fs::path(), userDir), userDir / "Kolmaris_V2.cfg");
    // /proc takes no new files, not even from root.
    EXPECT_EQ(ConfigFilePath("/proc", userDir), userDir / "Kolmaris_V2.cfg");
}

}  // namespace
}  // namespace kolmaris
