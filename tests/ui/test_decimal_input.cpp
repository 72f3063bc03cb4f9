// SPDX-License-Identifier: GPL-3.0-or-later
#include "DecimalInput.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace kolmaris {
namespace {

struct Case {
    std::string text;
    int value;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << '"' << c.text.substr(0, 16) << '"';
}

class DecimalInput : public ::testing::TestWithParam<Case> {};

TEST_P(DecimalInput, ReadsBlanksOneSignDigitsUpToTheLimits)
{
    EXPECT_EQ(ReadDecimal(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DecimalInput,
    ::testing::Values(Case{"57190", 57190}, Case{"  \t42", 42}, Case{"+7", 7}, Case{"-15", -15}, Case{"--5", 0},
                      Case{"- 5", 0}, Case{"57190abc", 57190}, Case{"3.9", 3}, Case{"0x1F", 0}, Case{"", 0},
                      Case{"-", 0}, Case{"2147483647", INT_MAX}, Case{"2147483648", INT_MAX},
                      Case{"-2147483648", INT_MIN}, Case{"-2147483649", INT_MIN},
                      Case{std::string(400, '9'), INT_MAX}, Case{"-" + std::string(400, '9') + "x", INT_MIN}));

}  // namespace
}  // namespace kolmaris
