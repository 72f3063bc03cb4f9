// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>

#include "DataStore.h"
#include "StreamBuilder.h"
#include "TabWriters.h"

namespace kolmaris {
namespace {

using namespace kolmaris::test;

constexpr std::uint32_t kT0 = 849794400;  // 05.12.2026 14:00:00

const std::string kChannelColumns = [] {
    std::string columns;
    for (int channel = 1; channel <= 96; ++channel)
        columns += '\t' + std::to_string(channel);
    return columns + "\r\n";
}();

// A spectrum row whose channels 2-95 are 0.
std::string Row(const std::string& label, int first, int last)
{
    std::string row = label + '\t' + std::to_string(first);
    for (int i = 0; i < 94; ++i)
        row += "\t0";
    return row + '\t' + std::to_string(last) + "\r\n";
}

TEST(TabWriters, RadonFileOldestFirstAppendedWithOffsetOrEmpty)
{
    // Three radon records of slot 0, added newest first as a probe reading delivers them: time, then
    // radon, temperature, compressed flag and humidity, sums 1-4, HV.
    const std::pair<std::uint32_t, Bytes> records[] = {
        {kT0 + 7200, {0x01, 0x23, 0x7F, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 255}},
        {kT0 + 3600, {0x80, 0x00, 21, 50, 0, 1, 0, 2, 0, 3, 0, 4, 0}},
        {kT0 + 119, {0x80, 0x00, 0xFB, 0x80 | 45, 0x80, 0x01, 0xFF, 0xFF, 0x88, 0x00, 0, 0, 200}}};
    TDataStore store;
    for (const auto& [time, fields] : records) {
        Bytes r = Radon(0, time);
        std::copy(fields.begin(), fields.end(), r.begin() + 5);
        ASSERT_EQ(AddRadon(store, r), 0u);
    }
    std::ostringstream out;
    WriteRadonFile(out, false, store, 0, 0);
    EXPECT_EQ(out.str(),
              "record\ttime\tradon[Bq/m3]\tsum1\tsum2\tsum3\tsum4\ttemperature[\xB0"
              "C]\thumidity[%]\tHV\r\n"
              "3\t05.12.2026 14:01\t32768\t32784\t2146959360\t65536\t0\t-5\t45\t200\r\n"
              "2\t05.12.2026 15:00\t32768\t1\t2\t3\t4\t21\t50\t0\r\n"
              "1\t05.12.2026 16:00\t291\t0\t0\t0\t0\t127\t0\t255\r\n");
    std::ostringstream appended, empty;
    WriteRadonFile(appended, true, store, 0, 99);
    const std::string rows = appended.str();
    EXPECT_EQ(rows.substr(0, 21), "102\t05.12.2026 14:01\t");
    EXPECT_EQ(rows.find("record"), std::string::npos);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 3);

    // A kind without records: only the header, or nothing when appending.
    WriteRadonFile(empty, true, store, 3, 0);
    WriteLocFile(empty, true, store);
    EXPECT_EQ(empty.str(), "");
    WriteRadonFile(empty, false, store, 16, 0);
    EXPECT_EQ(empty.str(), out.str().substr(0, out.str().find('\n') + 1));
}

Bytes SpectrumEnds(std::uint8_t slot, std::uint8_t first, std::uint8_t last)
{
    Bytes s(97, 0);
    s[0] = slot;
    s[1] = first;
    s[96] = last;
    return s;
}

TEST(TabWriters, SpectrumFileByTimeNewestFirstOrByBlock)
{
    TDataStore store;
    ASSERT_EQ(FeedUntilResult(store, Backwards({Radon(2, kT0), SpectrumEnds(2, 1, 2), Radon(2, kT0 + 3600),
                                                SpectrumEnds(2, 255, 7)})),
              1u);
    std::ostringstream byTime;
    WriteSpectrumFile(byTime, false, store, 2, 0);
    EXPECT_EQ(byTime.str(),
              " time \\ channel" + kChannelColumns + Row("05.12.2026 15:00", 255, 7) + Row("05.12.2026 14:00", 1, 2));

    for (std::uint8_t v : {10, 20, 30})
        ASSERT_EQ(AddSpectrum(store, SpectrumEnds(7, v, v)), 0u);
    std::ostringstream byBlock, appended;
    WriteSpectrumFile(byBlock, false, store, 7, 5);
    EXPECT_EQ(byBlock.str(),
              "block \\ channel" + kChannelColumns + Row("5", 10, 10) + Row("6", 20, 20) + Row("7", 30, 30));
    WriteSpectrumFile(appended, true, store, 7, 5);
    EXPECT_EQ(appended.str(), Row("5", 10, 10) + Row("6", 20, 20) + Row("7", 30, 30));
}

TEST(TabWriters, MeteoAndDiagnosticFiles)
{
    // Memory oldest first: meteo 14:00, element 3 event, terminal type 9, element 5 event,
    // acquisition start 14:50, meteo 15:00.
    TDataStore store;
    ASSERT_EQ(FeedUntilResult(
                  store, Backwards({Meteo(kT0, 1013, 2700, 455, 1234), ElementEvent(3, 0x05, (kT0 + 64) & 0xFFF),
                                    TerminalEvent(9, (kT0 + 120) & 0xFFF), ElementEvent(5, 0x0A, (kT0 + 200) & 0xFFF),
                                    TerminalEvent(15, (kT0 + 3000) & 0xFFF), Meteo(kT0 + 3600, 987, 2732, 1000, 5)})),
              1u);
    std::ostringstream meteo, dia;
    WriteLocFile(meteo, false, store);
    EXPECT_EQ(meteo.str(),
              "record\ttime\tpressure[hPa]\ttemperature[\xB0"
              "C]\thumidity[%]\tvoltage[V]\r\n"
              "2\t05.12.2026 14:00\t1013\t-3.2\t45.5\t12.34\r\n"
              "1\t05.12.2026 15:00\t987\t0.0\t100.0\t0.05\r\n");
    WriteDiaFile(dia, false, store);
    EXPECT_EQ(dia.str(),
              "record\ttime\tmesh\toutput\tcomment\r\n"
              "4\t05.12.2026 14:01\t3\t05\tanswer error: 0x05\r\n"
              "3\t05.12.2026 14:02\tTerm\t09\t\r\n"
              "2\t05.12.2026 14:03\t5\t0A\tanswer error: 0x0A\r\n"
              "1\t05.12.2026 14:50\tTerm\t0F\tstart of data acquisition\r\n");

    std::ostream broken(nullptr);  // a write error shows in the stream
    WriteDiaFile(broken, false, store);
    EXPECT_TRUE(broken.bad());
}

}  // namespace
}  // namespace kolmaris
