// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiaEventText.h"

#include <array>
#include <cstdio>

namespace kolmaris {
namespace {

std::string ElementEventText(std::uint8_t code)
{
    switch (code) {
        case 0xF0:
            return "bad CODE84 in IQRF packet";
        case 0xF1:
            return "bad address in IQRF packet";
        case 0xF2:
            return "bad IQRF packet length";
        case 0xF3:
            return "bad command in current mode";
        case 0xF4:
            return "bad command structure";
        case 0xF8:
            return "state: OK";
        case 0xF9:
            return "probe: Bad data structure";
        case 0xFA:
            return "actuator: relay failure";
        case 0xFB:
            return "answer error 0xF8 - 0xFC";
        case 0xFD:
            return "slave SPI timeout";
        case 0xFE:
            return "slave IQRF timeout";
        case 0xFF:
            return "master IQRF timeout";
        default: {
            char text[24];
            std::snprintf(text, sizeof text, "answer error: 0x%02X", static_cast<unsigned>(code));
            return text;
        }
    }
}

// Types 0..7: bit 0, 1, 2 set = relay test 1, 2, 3 failed.
constexpr std::array<const char*, 16> kTerminalEventTexts = {
    "relay: 1-OK,2-OK,3-OK",
    "relay: 1-fail,2-OK,3-OK",
    "relay: 1-OK,2-fail,3-OK",
    "relay: 1-fail,2-fail,3-OK",
    "relay: 1-OK,2-OK,3-fail",
    "relay: 1-fail,2-OK,3-fail",
    "relay: 1-OK,2-fail,3-fail",
    "relay: 1-fail,2-fail,3-fail",
    "",
    "",
    "",
    "",
    "alarm off",
    "alarm on",
    "stop of data acquisition",
    "start of data acquisition",
};

}  // namespace

std::string DiaEventText(std::uint8_t element, std::uint8_t code)
{
    if (element != 0)
        return ElementEventText(code);
    return code < kTerminalEventTexts.size() ? kTerminalEventTexts[code] : "";
}

}  // namespace kolmaris
