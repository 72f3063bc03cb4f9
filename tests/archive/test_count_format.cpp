#include <gtest/gtest.h>

#include <cstdint>

#include "CountFormat.h"
#include "MeasuredValues.h"

namespace kolmaris {
namespace {

TEST(CountFormat, DecodeCount)
{
    EXPECT_EQ(DecodeCount(0), 0u);
    EXPECT_EQ(DecodeCount(32767), 32767u);
    EXPECT_EQ(DecodeCount(0x8000), 32768u);       // 0x800 << 4
    EXPECT_EQ(DecodeCount(0x8001), 32784u);       // 0x801 << 4
    EXPECT_EQ(DecodeCount(0x8800), 65536u);       // exponent 1
    EXPECT_EQ(DecodeCount(0xFFFF), 2146959360u);  // 0xFFF << 19
}

TEST(CountFormat, Engineering)
{
    EXPECT_EQ(FormatEngineering(0), "0");
    EXPECT_EQ(FormatEngineering(32767), "32767");
    EXPECT_EQ(FormatEngineering(32768), "32.77k");
    EXPECT_EQ(FormatEngineering(99999), "100.0k");
    EXPECT_EQ(FormatEngineering(100000), "100.0k");
    EXPECT_EQ(FormatEngineering(123456), "123.5k");
    EXPECT_EQ(FormatEngineering(999999), "1.000M");
    EXPECT_EQ(FormatEngineering(1234567), "1.235M");
    EXPECT_EQ(FormatEngineering(12345678), "12.35M");
    EXPECT_EQ(FormatEngineering(2146959360), "2.147G");
    EXPECT_EQ(FormatEngineering(0xFFFFFFFFu), "4.295G");
}

TEST(CountFormat, FlagSelectsExpansion)
{
    EXPECT_EQ(FormatCount(0x8000, 0x00, true), "32768");  // not compressed: no expansion
    EXPECT_EQ(FormatCount(0x8000, 0x7F, true), "32768");
    EXPECT_EQ(FormatCount(0x8000, 0x80, true), "32.77k");
    EXPECT_EQ(FormatCount(0x8000, 0x80, false), "32768");
    EXPECT_EQ(FormatCount(0xFFFF, 0x80, false), "2146959360");
    EXPECT_EQ(FormatCount(0xFFFF, 0x00, false), "65535");
    EXPECT_EQ(FormatCount(1234, 0x80, true), "1234");
    const std::uint8_t be[2] = {0x88, 0x00};
    EXPECT_EQ(FormatCountBE(be, 0x80, false), "65536");
    EXPECT_EQ(FormatCountBE(be, 0x00, false), "34816");
}

TEST(MeasuredValues, TerminalMeteoTexts)
{
    EXPECT_EQ(FormatTerminalTemperature(2732), "0.0");
    EXPECT_EQ(FormatTerminalTemperature(2700), "-3.2");
    EXPECT_EQ(FormatTerminalTemperature(2965), "23.3");
    EXPECT_EQ(FormatTerminalTemperature(0), "-273.2");
    EXPECT_EQ(FormatTerminalHumidity(455), "45.5");
    EXPECT_EQ(FormatTerminalHumidity(1000), "100.0");
    EXPECT_EQ(FormatAccumulatorVoltage(1234), "12.34");
    EXPECT_EQ(FormatAccumulatorVoltage(5), "0.05");
    EXPECT_DOUBLE_EQ(TerminalTemperature(2700), -3.2);
}

}  // namespace
}  // namespace kolmaris
