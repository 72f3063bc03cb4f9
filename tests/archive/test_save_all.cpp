// SPDX-License-Identifier: GPL-3.0-or-later
// "Save All": the files, their names and order, their bytes (those of the single writers), what
// happens to old files, and the failures it reports; and the replacement of a file it writes with.
#include <gtest/gtest.h>

#include "FileReplacement.h"
#include "SaveAll.h"
#include "StreamBuilder.h"
#include "SystemSkips.h"
#include "TabWriters.h"
#include "TempDir.h"
#include "Utf8Path.h"

#include <csignal>
#include <fstream>
#include <map>
#include <sstream>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace kolmaris {
namespace {

namespace fs = std::filesystem;
using namespace kolmaris::test;
using Names = std::vector<std::string>;

using kolmaris::testing::TempDir;
const auto Read = kolmaris::testing::ReadFile;

void Put(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

const Names kAll{"DIA.tab", "TERM.tab", "RDN_1.tab", "RDN_3.tab", "RDN_16.tab", "SPC_1.tab", "SPC_16.tab"};

// What the single writers give for the kinds `Fill` stores, in Save All's order.
std::string Written(const TDataStore& store)
{
    std::ostringstream out;
    WriteDiaFile(out, false, store);
    WriteLocFile(out, false, store);
    for (const int slot : {0, 2, 15})
        WriteRadonFile(out, false, store, slot, 0);
    for (const int slot : {0, 15})
        WriteSpectrumFile(out, false, store, slot, 0);
    return out.str();
}

// Probe 1: two radon records and a spectrum; probe 3: a radon record; probe 16: one of each;
// two meteo records; an element event and a terminal event.
void Fill(TDataStore& store)
{
    const uint32_t t = 794'916'000;
    const Bytes stream =
        Backwards({Meteo(t), ElementEvent(2, 0xF8, (t + 30) & 0xFFF), Radon(0, t + 100, 1), SpectrumData(0, 3),
                   Radon(2, t + 200, 2), Radon(15, t + 250, 5), SpectrumData(15, 9), Meteo(t + 900, 1000),
                   Radon(0, t + 3700, 4), TerminalEvent(12, (t + 3800) & 0xFFF)});
    ASSERT_EQ(FeedUntilResult(store, stream), 1u);
}

TEST(SaveAll, WritesEveryKindWithDataAsTheSingleWritersDo)
{
    TDataStore store;
    Fill(store);
    TempDir dir;
    Put(dir.path / "TERM.tab", "old meteo rows that must go\r\n");
    Put(dir.path / "RDN_2.tab", "probe 2 from an earlier day\r\n");

    std::vector<fs::path> shown;
    EXPECT_EQ(SaveAll(store, dir.path, [&](const fs::path& p) { shown.push_back(p); }).written, kAll);
    std::string all;
    for (std::size_t i = 0; i < kAll.size(); ++i) {
        EXPECT_EQ(shown.at(i), dir.path / kAll[i]);
        all += Read(dir.path / kAll[i]);
    }
    EXPECT_EQ(all, Written(store));
    EXPECT_EQ(Read(dir.path / "RDN_2.tab"), "probe 2 from an earlier day\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 8);
}

TEST(SaveAll, AnEmptyStoreRemovesOnlyTheOldDiagnostics)
{
    TDataStore store;
    TempDir dir;
    Put(dir.path / "DIA.tab", "old events\r\n");
    Put(dir.path / "TERM.tab", "old meteo\r\n");
    Put(dir.path / "SPC_4.tab", "old spectra\r\n");
    const SaveAllResult result = SaveAll(store, dir.path, [](const fs::path& p) { ADD_FAILURE() << p; });
    EXPECT_TRUE(result.Ok() && result.written.empty());
    EXPECT_FALSE(fs::exists(dir.path / "DIA.tab"));
    EXPECT_EQ(Read(dir.path / "TERM.tab"), "old meteo\r\n");
    EXPECT_EQ(Read(dir.path / "SPC_4.tab"), "old spectra\r\n");
}

TEST(SaveAll, FilesThatCannotBeWrittenAreNamedAndTheOthersStillWritten)
{
    TDataStore store;
    Fill(store);

    // No such directory: every file fails.
    TempDir dir;
    const SaveAllResult none = SaveAll(store, dir.path / "missing");
    EXPECT_FALSE(none.Ok());
    EXPECT_EQ(none.failed, kAll);
    EXPECT_EQ(none.written, Names{});

    // A directory in the place of RDN_3.tab; TERM.tab leads to a device that refuses every write
    // (Windows has none: there it is a directory too).
    fs::create_directory(dir.path / "RDN_3.tab");
#ifdef _WIN32
    fs::create_directory(dir.path / "TERM.tab");
#else
    fs::create_symlink("/dev/full", dir.path / "TERM.tab");
#endif
    const SaveAllResult some = SaveAll(store, dir.path);
    EXPECT_EQ(some.failed, (Names{"TERM.tab", "RDN_3.tab"}));
    EXPECT_EQ(some.written, (Names{"DIA.tab", "RDN_1.tab", "RDN_16.tab", "SPC_1.tab", "SPC_16.tab"}));
    EXPECT_TRUE(Written(store).ends_with(Read(dir.path / "SPC_16.tab")));

    // An old DIA.tab that cannot be removed while there are no events to write.
    TDataStore empty;
    TempDir other;
    fs::create_directories(other.path / "DIA.tab" / "inside");
    const SaveAllResult stuck = SaveAll(empty, other.path);
    EXPECT_EQ(stuck.failed, Names{"DIA.tab"});
}

// A write that fails part-way (here beyond the file size limit) is reported, the old file stays
// whole and nothing unfinished is left beside it; Save All names every file it could not write.
TEST(SaveAll, AWriteThatFailsPartWayLeavesTheDirectoryAsItWas)
{
    KOLMARIS_LINUX_ONLY("a file size limit (setrlimit) makes the writes fail part-way");
#ifndef _WIN32
    TDataStore store;
    Fill(store);
    TempDir dir;
    for (const char* name : {"RDN_1.tab", "DIA.tab"})
        Put(dir.path / name, "old rows\r\n");
    const auto files = [&dir] {
        std::map<std::string, std::string> contents;
        for (const auto& entry : fs::directory_iterator(dir.path))
            contents[entry.path().filename().string()] = Read(entry.path());
        return contents;
    };
    const auto before = files();
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{64, limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string errors[2];
    for (const bool append : {false, true})
        EXPECT_FALSE(ReplaceFile(
            dir.path / "RDN_1.tab", append, [](std::ostream& out) { out << std::string(70000, 'n'); }, errors[append]));
    const SaveAllResult result = SaveAll(store, dir.path);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
    for (const std::string& error : errors)
        EXPECT_NE(error.find("File too large"), std::string::npos) << error;
    EXPECT_EQ(result.failed, kAll);
    EXPECT_EQ(files(), before);
#endif
}

// A replacement whose write breaks off keeps the old file whole and leaves nothing beside it;
// a complete one replaces it (on Windows through a handle that may write: one opened to read
// only may not be synced, which failed every save).
TEST(FileReplacement, ReplacesAnOldFileOnlyWhenTheNewOneIsWholeAndNothingIsLeftBeside)
{
    TempDir dir;
    const fs::path file = dir.path / "RDN_1.tab";
    Put(file, "old rows\r\n");
    std::string error;
    for (const bool append : {false, true}) {
        EXPECT_FALSE(ReplaceFile(
            file, append,
            [](std::ostream& out) {
                out << "new rows\r\n";
                out.setstate(std::ios::badbit);  // the disk refused the rest
            },
            error));
        EXPECT_EQ(error, "cannot write " + Utf8FromPath(file));
        EXPECT_EQ(Read(file), "old rows\r\n");
    }
    ASSERT_TRUE(ReplaceFile(
        file, false, [](std::ostream& out) { out << "new rows\r\n"; }, error))
        << error;
    ASSERT_TRUE(ReplaceFile(
        file, true, [](std::ostream& out) { out << "more\r\n"; }, error))
        << error;
    EXPECT_EQ(Read(file), "new rows\r\nmore\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

// File and directory names are UTF-8 inside the program; they reach the disk as the same letters
// and come back as the same bytes.
TEST(FileReplacement, NamesWithNonAsciiLettersRoundTrip)
{
    TempDir dir;
    const fs::path station = dir.path / PathFromUtf8("Zürich-Süd");
    fs::create_directory(station);
    const fs::path file = station / PathFromUtf8("Říčany °C.tab");
    std::string error;
    for (const char* text : {"first\r\n", "second\r\n"})
        ASSERT_TRUE(ReplaceFile(
            file, false, [text](std::ostream& out) { out << text; }, error))
            << error;
    EXPECT_EQ(Read(file), "second\r\n");
    const auto onlyName = [](const fs::path& directory) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory))
            names.push_back(Utf8FromPath(entry.path().filename()));
        return names;
    };
    EXPECT_EQ(onlyName(station), std::vector<std::string>{"\xc5\x98\xc3\xad\xc4\x8d" "any \xc2\xb0" "C.tab"});
    EXPECT_EQ(onlyName(dir.path), std::vector<std::string>{"Z\xc3\xbcrich-S\xc3\xbc" "d"});

    const fs::path missing = dir.path / PathFromUtf8("Süd") / "TERM.tab";
    EXPECT_FALSE(ReplaceFile(
        missing, false, [](std::ostream&) {}, error));
    EXPECT_EQ(error.rfind("cannot create " + Utf8FromPath(missing) + ":", 0), 0u) << error;
}

// A complete append goes through a link to the file it names, which keeps its permissions.
TEST(FileReplacement, AppendsToTheLinkedFileAndKeepsItsPermissions)
{
    KOLMARIS_LINUX_ONLY("symbolic links and POSIX permissions");
    TempDir dir;
    Put(dir.path / "data.tab", "old rows\r\n");
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(dir.path / "data.tab", perms);
    fs::create_symlink("data.tab", dir.path / "link.tab");
    std::string error;
    ASSERT_TRUE(ReplaceFile(
        dir.path / "link.tab", true, [](std::ostream& out) { out << "new"; }, error))
        << error;
    EXPECT_EQ(Read(dir.path / "data.tab"), "old rows\r\nnew");
    EXPECT_EQ(fs::status(dir.path / "data.tab").permissions(), perms);
    EXPECT_TRUE(fs::is_symlink(dir.path / "link.tab"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace kolmaris
