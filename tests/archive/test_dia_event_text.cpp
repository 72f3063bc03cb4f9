#include <gtest/gtest.h>

#include "DiaEventText.h"

namespace kolmaris {
namespace {

// More texts appear in the diagnostics file written by the tab writers.
TEST(DiaEventText, ElementAnswerCodesAndTerminalEventTypes)
{
    const struct {
        uint8_t element;
        uint8_t code;
        const char* text;
    } cases[] = {
        {3, 0xF0, "bad CODE84 in IQRF packet"}, {1, 0xF4, "bad command structure"},
        {3, 0xF9, "probe: Bad data structure"}, {16, 0xFB, "answer error 0xF8 - 0xFC"},
        {2, 0xFF, "master IQRF timeout"},       {3, 0xFC, "answer error: 0xFC"},
        {3, 0x0F, "answer error: 0x0F"},        {0, 0, "relay: 1-OK,2-OK,3-OK"},
        {0, 5, "relay: 1-fail,2-OK,3-fail"},    {0, 6, "relay: 1-OK,2-fail,3-fail"},
        {0, 11, ""},                            {0, 12, "alarm off"},
        {0, 13, "alarm on"},                    {0, 14, "stop of data acquisition"},
        {0, 0xF8, ""},  // no such terminal type
    };
    for (const auto& c : cases)
        EXPECT_EQ(DiaEventText(c.element, c.code), c.text) << int(c.element) << " " << int(c.code);
}

}  // namespace
}  // namespace kolmaris
