// SPDX-License-Identifier: GPL-3.0-or-later
// Files the import refuses, each named with its line and what is wrong.
#include "TabImport.h"
#include "TabWriters.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kolmaris::history {
namespace {

namespace fs = std::filesystem;
using kolmaris::testing::TempDir;

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

TEST(TabImport, RefusesNamingFileAndLine)
{
    const struct {
        const char* name;
        std::string content;
        std::string error;  // after the path
    } cases[] = {
        {"RDN_17.tab", kRadon, ": not a file this program writes (RDN_n.tab, SPC_n.tab, TERM.tab, DIA.tab)"},
        {"RDN_1.tab", "", ": empty"},
        {"TERM.tab", kRadon, ", line 1: not the header of TERM.tab"},
        {"SPC_2.tab", "block \\ channel\t1\r\n", ", line 1: spectra labelled by block number carry no time"},
        {"RDN_1.tab", kRadon + kRadonLine + "\n", ", line 2: the line does not end with CR LF"},
        {"RDN_1.tab", kRadon + kRadonLine + "\t1\r\n", ", line 2: 11 fields where 10 belong"},
        {"RDN_1.tab", kRadon + "1\t29.02.2025 10:00\t1\t1\t2\t3\t4\t21\t50\t170\r\n",
         ", line 2: bad time \"29.02.2025 10:00\""},
        {"RDN_1.tab", kRadon + kRadonLine + "\r\n1\t01.02.2025 11:00\t1\t1\t2\t3\t4\t128\t50\t170\r\n",
         ", line 3: bad value \"128\" in column 8"},
        {"RDN_1.tab", kRadon + "1\t01.02.2025 11:00\t-1\t1\t2\t3\t4\t1\t50\t170\r\n",
         ", line 2: bad value \"-1\" in column 3"},
        {"TERM.tab", kMeteo + "1\t01.02.2025 10:00\t990\t4.5\t60.0\t12.5\r\n",
         ", line 2: bad value in \"4.5\t60.0\t12.5\""},
        {"DIA.tab", kDia + "1\t01.02.2025 10:00\t17\tF4\t\r\n", ", line 2: bad element \"17\""},
        {"DIA.tab", kDia + "1\t01.02.2025 10:00\tTerm\t1G\t\r\n", ", line 2: bad code \"1G\""},
    };
    const TempDir dir;
    for (const auto& c : cases) {
        const fs::path file = dir.path / c.name;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << c.content;
        ArchiveBatch batch;
        std::string error;
        EXPECT_FALSE(ImportTabFile(file, batch, error)) << c.error;
        EXPECT_EQ(error, file.string() + c.error);
    }
}

}  // namespace
}  // namespace kolmaris::history
