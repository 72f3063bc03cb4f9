#include <gtest/gtest.h>

#include "DiaEventText.h"

namespace kolmaris {
namespace {

// More texts appear in the diagnostics file written by the tab writers.
TEST(DiaEventText, ElementAnswerCodesAndTerminalEventTypes)
{
    EXPECT_EQ(DiaEventText(3, 0xF0), "bad CODE84 in IQRF packet");
    EXPECT_EQ(DiaEventText(1, 0xF4), "bad command structure");
    EXPECT_EQ(DiaEventText(3, 0xF9), "probe: Bad data structure");
    EXPECT_EQ(DiaEventText(16, 0xFB), "answer error 0xF8 - 0xFC");
    EXPECT_EQ(DiaEventText(2, 0xFF), "master IQRF timeout");
    EXPECT_EQ(DiaEventText(3, 0xFC), "answer error: 0xFC");
    EXPECT_EQ(DiaEventText(3, 0x0F), "answer error: 0x0F");  // not a terminal type
    EXPECT_EQ(DiaEventText(0, 0), "relay: 1-OK,2-OK,3-OK");
    EXPECT_EQ(DiaEventText(0, 5), "relay: 1-fail,2-OK,3-fail");
    EXPECT_EQ(DiaEventText(0, 6), "relay: 1-OK,2-fail,3-fail");
    EXPECT_EQ(DiaEventText(0, 7), "relay: 1-fail,2-fail,3-fail");
    EXPECT_EQ(DiaEventText(0, 11), "");
    EXPECT_EQ(DiaEventText(0, 12), "alarm off");
    EXPECT_EQ(DiaEventText(0, 13), "alarm on");
    EXPECT_EQ(DiaEventText(0, 14), "stop of data acquisition");
    EXPECT_EQ(DiaEventText(0, 0xF8), "");  // no such terminal type
}

}  // namespace
}  // namespace kolmaris
