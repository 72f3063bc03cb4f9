#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <sstream>
#include <string>

#include "DataStore.h"
#include "StreamBuilder.h"
#include "TabWriters.h"

namespace kolmaris {
namespace {

using namespace kolmaris::test;

constexpr std::uint32_t kT0 = 849794400;  // 05.12.2026 14:00:00

const std::string kChannelColumns =
    "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\t17\t18\t19\t20\t21\t22"
    "\t23\t24\t25\t26\t27\t28\t29\t30\t31\t32\t33\t34\t35\t36\t37\t38\t39\t40\t41\t42"
    "\t43\t44\t45\t46\t47\t48\t49\t50\t51\t52\t53\t54\t55\t56\t57\t58\t59\t60\t61\t62"
    "\t63\t64\t65\t66\t67\t68\t69\t70\t71\t72\t73\t74\t75\t76\t77\t78\t79\t80\t81\t82"
    "\t83\t84\t85\t86\t87\t88\t89\t90\t91\t92\t93\t94\t95\t96"
    "\r\n";

std::string Repeat(const std::string& piece, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

Bytes RadonFields(std::uint32_t time, std::uint8_t radonHi, std::uint8_t radonLo, std::uint8_t temperature,
                  std::uint8_t flags, std::uint16_t sum1, std::uint16_t sum2, std::uint16_t sum3, std::uint16_t sum4,
                  std::uint8_t hv)
{
    Bytes r = Radon(0, time);
    r[5] = radonHi;
    r[6] = radonLo;
    r[7] = temperature;
    r[8] = flags;
    const std::uint16_t sums[4] = {sum1, sum2, sum3, sum4};
    for (int i = 0; i < 4; ++i) {
        r[9 + 2 * i] = static_cast<std::uint8_t>(sums[i] >> 8);
        r[10 + 2 * i] = static_cast<std::uint8_t>(sums[i]);
    }
    r[17] = hv;
    return r;
}

// Three radon records of slot 0, added newest first as a probe reading delivers them.
TDataStore ThreeRadonRecords()
{
    TDataStore store;
    const Bytes records[] = {
        RadonFields(kT0 + 7200, 0x01, 0x23, 0x7F, 0x00, 0, 0, 0, 0, 255),
        RadonFields(kT0 + 3600, 0x80, 0x00, 21, 50, 1, 2, 3, 4, 0),
        RadonFields(kT0 + 119, 0x80, 0x00, 0xFB, 0x80 | 45, 0x8001, 0xFFFF, 0x8800, 0, 200),
    };
    for (const Bytes& r : records)
        EXPECT_EQ(store.AddRadonRecord(std::span<const std::uint8_t, 18>(r.data(), 18), false), 0u);
    return store;
}

const char* const kRadonRows =
    "3\t05.12.2026 14:01\t32768\t32784\t2146959360\t65536\t0\t-5\t45\t200\r\n"
    "2\t05.12.2026 15:00\t32768\t1\t2\t3\t4\t21\t50\t0\r\n"
    "1\t05.12.2026 16:00\t291\t0\t0\t0\t0\t127\t0\t255\r\n";

TEST(TabWriters, RadonFileOldestFirst)
{
    const TDataStore store = ThreeRadonRecords();
    std::ostringstream out;
    WriteRadonFile(out, false, store, 0, 0);
    EXPECT_EQ(out.str(), std::string("record\ttime\tradon[Bq/m3]\tsum1\tsum2\tsum3\tsum4\ttemperature[\xB0"
                                     "C]\thumidity[%]\tHV\r\n") +
                             kRadonRows);
}

TEST(TabWriters, RadonFileAppendsWithOffsetAndWithoutHeader)
{
    const TDataStore store = ThreeRadonRecords();
    std::ostringstream out;
    out << "old\r\n";
    WriteRadonFile(out, true, store, 0, 99);
    EXPECT_EQ(out.str(),
              "old\r\n"
              "102\t05.12.2026 14:01\t32768\t32784\t2146959360\t65536\t0\t-5\t45\t200\r\n"
              "101\t05.12.2026 15:00\t32768\t1\t2\t3\t4\t21\t50\t0\r\n"
              "100\t05.12.2026 16:00\t291\t0\t0\t0\t0\t127\t0\t255\r\n");
}

TEST(TabWriters, EmptyKindWritesOnlyTheHeader)
{
    const TDataStore store;
    std::ostringstream out;
    WriteRadonFile(out, true, store, 3, 0);
    WriteLocFile(out, true, store);
    EXPECT_EQ(out.str(), "");
    WriteDiaFile(out, false, store);
    WriteRadonFile(out, false, store, 16, 0);
    EXPECT_EQ(out.str(),
              "record\ttime\tmesh\toutput\tcomment\r\n"
              "record\ttime\tradon[Bq/m3]\tsum1\tsum2\tsum3\tsum4\ttemperature[\xB0"
              "C]\thumidity[%]\tHV\r\n");
}

Bytes SpectrumEnds(std::uint8_t slot, std::uint8_t first, std::uint8_t last)
{
    Bytes s(97, 0);
    s[0] = slot;
    s[1] = first;
    s[96] = last;
    return s;
}

TEST(TabWriters, SpectrumFileByTimeNewestFirst)
{
    TDataStore store;
    ASSERT_EQ(FeedUntilResult(store, Backwards({Radon(2, kT0), SpectrumEnds(2, 1, 2), Radon(2, kT0 + 3600),
                                                SpectrumEnds(2, 255, 7)})),
              1u);
    std::ostringstream out;
    WriteSpectrumFile(out, false, store, 2, 0);
    EXPECT_EQ(out.str(), " time \\ channel" + kChannelColumns + "05.12.2026 15:00\t255" + Repeat("\t0", 94) +
                             "\t7\r\n" + "05.12.2026 14:00\t1" + Repeat("\t0", 94) + "\t2\r\n");
}

TEST(TabWriters, SpectrumFileByBlock)
{
    TDataStore store;
    for (std::uint8_t v : {10, 20, 30}) {
        const Bytes s = SpectrumEnds(7, v, v);
        ASSERT_EQ(store.AddSpectrum(std::span<const std::uint8_t, 97>(s.data(), 97), false), 0u);
    }
    std::ostringstream out;
    WriteSpectrumFile(out, false, store, 7, 5);
    const std::string zeros = Repeat("\t0", 94);
    EXPECT_EQ(out.str(), "block \\ channel" + kChannelColumns + "5\t10" + zeros + "\t10\r\n" + "6\t20" + zeros +
                             "\t20\r\n" + "7\t30" + zeros + "\t30\r\n");
    std::ostringstream appended;
    WriteSpectrumFile(appended, true, store, 7, 5);
    EXPECT_EQ(appended.str().substr(0, 6), "5\t10\t0");
}

// Memory oldest first: meteo 14:00, element 3 event, terminal type 9, element 5 event,
// acquisition start 14:50, meteo 15:00.
TDataStore MeteoAndEvents()
{
    TDataStore store;
    EXPECT_EQ(FeedUntilResult(
                  store, Backwards({Meteo(kT0, 1013, 2700, 455, 1234), ElementEvent(3, 0x05, (kT0 + 64) & 0xFFF),
                                    TerminalEvent(9, (kT0 + 120) & 0xFFF), ElementEvent(5, 0x0A, (kT0 + 200) & 0xFFF),
                                    TerminalEvent(15, (kT0 + 3000) & 0xFFF), Meteo(kT0 + 3600, 987, 2732, 1000, 5)})),
              1u);
    return store;
}

TEST(TabWriters, MeteoFile)
{
    const TDataStore store = MeteoAndEvents();
    std::ostringstream out;
    WriteLocFile(out, false, store);
    EXPECT_EQ(out.str(),
              "record\ttime\tpressure[hPa]\ttemperature[\xB0"
              "C]\thumidity[%]\tvoltage[V]\r\n"
              "2\t05.12.2026 14:00\t1013\t-3.2\t45.5\t12.34\r\n"
              "1\t05.12.2026 15:00\t987\t0.0\t100.0\t0.05\r\n");
}

TEST(TabWriters, DiagnosticFile)
{
    const TDataStore store = MeteoAndEvents();
    std::ostringstream out;
    WriteDiaFile(out, false, store);
    EXPECT_EQ(out.str(),
              "record\ttime\tmesh\toutput\tcomment\r\n"
              "4\t05.12.2026 14:01\t3\t05\tanswer error: 0x05\r\n"
              "3\t05.12.2026 14:02\tTerm\t09\t\r\n"
              "2\t05.12.2026 14:03\t5\t0A\tanswer error: 0x0A\r\n"
              "1\t05.12.2026 14:50\tTerm\t0F\tstart of data acquisition\r\n");
}

TEST(TabWriters, WriteErrorsShowInTheStream)
{
    const TDataStore store = MeteoAndEvents();
    std::ostream broken(nullptr);
    WriteDiaFile(broken, false, store);
    EXPECT_TRUE(broken.bad());
}

}  // namespace
}  // namespace kolmaris
