// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace kolmaris {

// Meaning of a diagnostic event: for an element (1..16) the code is the element's answer code,
// for the terminal (element 0) it is the event type 0..15. Possibly empty.
std::string DiaEventText(std::uint8_t element, std::uint8_t code);

}  // namespace kolmaris
