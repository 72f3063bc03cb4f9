// Scenario errors stay one printable line whatever the file holds.
#include "ScenarioJson.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kolmaris;

class ScenarioErrorText : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(ScenarioErrorText, EscapesControlCharactersOfTheFile)
{
    const auto [json, escaped] = GetParam();
    const std::string error = ParseScenarioJson(json, "x.json").error;
    EXPECT_NE(error.find(escaped), std::string::npos) << error;
    EXPECT_TRUE(std::none_of(error.begin(), error.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }));
    EXPECT_EQ(error.find("\xC2\x9B"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Keys, ScenarioErrorText,
                         ::testing::Values(std::pair{R"({"a\nb": 1})", R"("a\nb")"},
                                           std::pair{R"({"\u001b[2J": 1})", R"("\x1b[2J")"},
                                           std::pair{R"({"\u009b1m": 1})", R"("\u009b1m")"},
                                           std::pair{R"({"seed": "\t\u007f"})", R"("\t\x7f")"}));
