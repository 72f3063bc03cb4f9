// Files the import refuses, each named with its line and what is wrong.
#include "TabImport.h"
#include "TabWriters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kolmaris::history {
namespace {

namespace fs = std::filesystem;

std::string Header(void (*write)(std::ostream&, bool, const TDataStore&))
{
    std::ostringstream out;
    write(out, false, TDataStore());
    return out.str();
}

const std::string kRadon = [] {
    std::ostringstream out;
    WriteRadonFile(out, false, TDataStore(), 0, 0);
    return out.str();
}();
const std::string kMeteo = Header(WriteLocFile);
const std::string kDia = Header(WriteDiaFile);
const std::string kRadonLine = "1\t01.02.2025 10:00\t120\t1\t2\t3\t4\t21\t50\t170";

struct BadFile {
    const char* name;
    std::string content;
    std::string error;  // after "<path>"
};

void PrintTo(const BadFile& b, std::ostream* os)
{
    *os << b.name << ": " << b.error.substr(0, 40);
}

class TabImportRefuses : public ::testing::TestWithParam<BadFile> {};

TEST_P(TabImportRefuses, NamingFileAndLine)
{
    const fs::path file = fs::temp_directory_path() / ("kolmaris-import-" + std::to_string(getpid())) / GetParam().name;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << GetParam().content;
    ArchiveBatch batch;
    std::string error;
    EXPECT_FALSE(ImportTabFile(file, batch, error));
    EXPECT_EQ(error, file.string() + GetParam().error);
    fs::remove_all(file.parent_path());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TabImportRefuses,
    ::testing::Values(
        BadFile{"RDN_17.tab", kRadon, ": not a file this program writes (RDN_n.tab, SPC_n.tab, TERM.tab, DIA.tab)"},
        BadFile{"RDN_1.tab", "", ": empty"},
        BadFile{"TERM.tab", kRadon, ", line 1: not the header of TERM.tab"},
        BadFile{"SPC_2.tab", "block \\ channel\t1\r\n", ", line 1: spectra labelled by block number carry no time"},
        BadFile{"RDN_1.tab", kRadon + kRadonLine + "\n", ", line 2: the line does not end with CR LF"},
        BadFile{"RDN_1.tab", kRadon + kRadonLine + "\t1\r\n", ", line 2: 11 fields where 10 belong"},
        BadFile{"RDN_1.tab", kRadon + "1\t29.02.2025 10:00\t1\t1\t2\t3\t4\t21\t50\t170\r\n",
                ", line 2: bad time \"29.02.2025 10:00\""},
        BadFile{"RDN_1.tab", kRadon + kRadonLine + "\r\n1\t01.02.2025 11:00\t1\t1\t2\t3\t4\t128\t50\t170\r\n",
                ", line 3: bad value \"128\" in column 8"},
        BadFile{"RDN_1.tab", kRadon + "1\t01.02.2025 11:00\t-1\t1\t2\t3\t4\t1\t50\t170\r\n",
                ", line 2: bad value \"-1\" in column 3"},
        BadFile{"TERM.tab", kMeteo + "1\t01.02.2025 10:00\t990\t4.5\t60.0\t12.5\r\n",
                ", line 2: bad value in \"4.5\t60.0\t12.5\""},
        BadFile{"DIA.tab", kDia + "1\t01.02.2025 10:00\t17\tF4\t\r\n", ", line 2: bad element \"17\""},
        BadFile{"DIA.tab", kDia + "1\t01.02.2025 10:00\tTerm\t1G\t\r\n", ", line 2: bad code \"1G\""}));

}  // namespace
}  // namespace kolmaris::history
