#include <gtest/gtest.h>

#include "CountFormat.h"

namespace kolmaris {
namespace {

// The plain forms and the meteo texts are checked byte for byte in the tab writers' files.
TEST(CountFormat, DecodeEngineeringFormAndTheCompressedFlag)
{
    EXPECT_EQ(DecodeCount(32767), 32767u);
    EXPECT_EQ(DecodeCount(0x8000), 32768u);
    EXPECT_EQ(DecodeCount(0x8001), 32784u);       // 0x801 << 4
    EXPECT_EQ(DecodeCount(0x8800), 65536u);       // exponent 1
    EXPECT_EQ(DecodeCount(0xFFFF), 2146959360u);  // 0xFFF << 19
    // Four significant digits, rounded, from 32768 on.
    EXPECT_EQ(FormatEngineering(32767), "32767");
    EXPECT_EQ(FormatEngineering(32768), "32.77k");
    EXPECT_EQ(FormatEngineering(32775), "32.78k");
    EXPECT_EQ(FormatEngineering(99999), "100.0k");
    EXPECT_EQ(FormatEngineering(123456), "123.5k");
    EXPECT_EQ(FormatEngineering(999999), "1.000M");
    EXPECT_EQ(FormatEngineering(1234567), "1.235M");
    EXPECT_EQ(FormatEngineering(2146959360), "2.147G");
    EXPECT_EQ(FormatEngineering(0xFFFFFFFFu), "4.295G");

    EXPECT_EQ(FormatCount(0x8000, 0x7F, true), "32768");  // not compressed: no expansion
    EXPECT_EQ(FormatCount(0x8000, 0x80, true), "32.77k");
    EXPECT_EQ(FormatCount(0xFFFF, 0x80, false), "2146959360");
    EXPECT_EQ(FormatCount(1234, 0x80, true), "1234");
}

}  // namespace
}  // namespace kolmaris
