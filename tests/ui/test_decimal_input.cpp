#include "DecimalInput.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace kolmaris {
namespace {

TEST(DecimalInput, LeadingBlanksAndOneSign)
{
    EXPECT_EQ(ReadDecimal("57190"), 57190);
    EXPECT_EQ(ReadDecimal("  \t42"), 42);
    EXPECT_EQ(ReadDecimal("+7"), 7);
    EXPECT_EQ(ReadDecimal("-15"), -15);
    EXPECT_EQ(ReadDecimal(" -0"), 0);
    EXPECT_EQ(ReadDecimal("--5"), 0);
    EXPECT_EQ(ReadDecimal("+-5"), 0);
    EXPECT_EQ(ReadDecimal("- 5"), 0);
}

TEST(DecimalInput, StopsAtTheFirstNonDigit)
{
    EXPECT_EQ(ReadDecimal("57190abc"), 57190);
    EXPECT_EQ(ReadDecimal("12 34"), 12);
    EXPECT_EQ(ReadDecimal("3.9"), 3);
    EXPECT_EQ(ReadDecimal("0x1F"), 0);
    EXPECT_EQ(ReadDecimal("007"), 7);
}

TEST(DecimalInput, NoDigitsGiveZero)
{
    EXPECT_EQ(ReadDecimal(""), 0);
    EXPECT_EQ(ReadDecimal("abc"), 0);
    EXPECT_EQ(ReadDecimal("   "), 0);
    EXPECT_EQ(ReadDecimal("-"), 0);
    EXPECT_EQ(ReadDecimal("x12"), 0);
}

TEST(DecimalInput, HugeNumbersStopAtTheLimits)
{
    EXPECT_EQ(ReadDecimal("2147483647"), INT_MAX);
    EXPECT_EQ(ReadDecimal("2147483648"), INT_MAX);
    EXPECT_EQ(ReadDecimal("-2147483648"), INT_MIN);
    EXPECT_EQ(ReadDecimal("-2147483649"), INT_MIN);
    EXPECT_EQ(ReadDecimal(std::string(400, '9')), INT_MAX);
    EXPECT_EQ(ReadDecimal("-" + std::string(400, '9') + "x"), INT_MIN);
}

}  // namespace
}  // namespace kolmaris
