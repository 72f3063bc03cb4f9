// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers typed by the user, read as decimal integers: leading blanks and one sign are
// accepted, reading stops at the first non-digit, no digits give 0. Values beyond the range
// of int are held at its limits. Range checks, where a window has them, follow the read.

#include <string_view>

namespace kolmaris {

int ReadDecimal(std::string_view text);

}  // namespace kolmaris
