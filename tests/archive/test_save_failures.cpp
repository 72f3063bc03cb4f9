// Saving into a full or a read-only file system: every failure reported, old files kept whole,
// nothing unfinished left beside them. Both are small tmpfs mounts in a mount namespace of this
// process only; where that is not allowed the tests are skipped with the reason.
#include <gtest/gtest.h>

#include "FileReplacement.h"
#include "SaveAll.h"
#include "StreamBuilder.h"
#include "TempDir.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

#include <sched.h>
#include <sys/mount.h>

namespace kolmaris {
namespace {

namespace fs = std::filesystem;
using namespace kolmaris::test;

const std::string kOld = "old rows\r\n";

std::set<std::string> Listing(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

const auto Read = kolmaris::testing::ReadFile;

// A tmpfs at `dir` holding RDN_1.tab and DIA.tab, then filled to the last byte or made read-only.
// An empty text when done, else why not.
std::string MountFailingDirectory(const fs::path& dir, bool readOnly)
{
    fs::create_directories(dir);
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
        return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    for (const char* name : {"RDN_1.tab", "DIA.tab"})
        std::ofstream(dir / name, std::ios::binary) << kOld;
    if (readOnly && ::mount("tmpfs", dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        return std::string("cannot remount read-only: ") + std::strerror(errno);
    std::ofstream filler(dir / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (!readOnly && filler.write(block.data(), block.size()) && filler.flush()) {
    }
    return "";
}

class SaveFailures : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite()
    {
        const bool isolated =
            ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        const std::string why = std::string("no private mount namespace: ") + std::strerror(errno);
        for (const bool readOnly : {false, true})
            skip_[readOnly] = isolated ? MountFailingDirectory(Dir(readOnly), readOnly) : why;
    }
    static void TearDownTestSuite()
    {
        for (const bool readOnly : {false, true})
            ::umount(Dir(readOnly).c_str());
        fs::remove_all(Dir(false).parent_path());
    }
    static fs::path Dir(bool readOnly)
    {
        return fs::temp_directory_path() / ("kolmaris-savefail-" + std::to_string(::getpid())) /
               (readOnly ? "ro" : "full");
    }
    static inline std::string skip_[2];
};

TEST_P(SaveFailures, EverySaveReportsTheFailureAndLeavesTheDirectoryAsItWas)
{
    const fs::path dir = Dir(GetParam());
    if (!skip_[GetParam()].empty())
        GTEST_SKIP() << skip_[GetParam()];
    const auto before = Listing(dir);
    for (const bool append : {false, true}) {
        std::string error;
        EXPECT_FALSE(ReplaceFile(
            dir / "RDN_1.tab", append, [](std::ostream& out) { out << std::string(70000, 'n'); }, error));
        EXPECT_NE(error.find(GetParam() ? "Read-only file system" : "No space left on device"), std::string::npos)
            << error;
    }
    TDataStore store;
    ASSERT_EQ(FeedUntilResult(store, Backwards({Meteo(794'916'000), ElementEvent(2, 0xF8, 30), Radon(0, 794'916'100, 1),
                                                SpectrumData(0, 3)})),
              1u);
    const SaveAllResult result = SaveAll(store, dir);
    EXPECT_TRUE(result.written.empty());
    EXPECT_EQ(result.failed, (std::vector<std::string>{"DIA.tab", "TERM.tab", "RDN_1.tab", "SPC_1.tab"}));
    EXPECT_EQ(Listing(dir), before);
    EXPECT_EQ(Read(dir / "RDN_1.tab"), kOld);
    EXPECT_EQ(Read(dir / "DIA.tab"), kOld);
}

INSTANTIATE_TEST_SUITE_P(FileSystems, SaveFailures, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ReadOnly" : "Full"; });

// A complete append goes through a link to the file it names, which keeps its permissions.
TEST(FileReplacement, AppendsToTheLinkedFileAndKeepsItsPermissions)
{
    const kolmaris::testing::TempDir temp;
    const fs::path& dir = temp.path;
    std::ofstream(dir / "data.tab", std::ios::binary) << kOld;
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(dir / "data.tab", perms);
    fs::create_symlink("data.tab", dir / "link.tab");
    std::string error;
    ASSERT_TRUE(ReplaceFile(
        dir / "link.tab", true, [](std::ostream& out) { out << "new"; }, error))
        << error;
    EXPECT_EQ(Read(dir / "data.tab"), kOld + "new");
    EXPECT_EQ(fs::status(dir / "data.tab").permissions(), perms);
    EXPECT_EQ(Listing(dir), (std::set<std::string>{"data.tab", "link.tab"}));
}

}  // namespace
}  // namespace kolmaris
