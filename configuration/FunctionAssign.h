// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and assigning the function of a bonded element, as the system configuration and the
// function assigning windows do. What the terminal confirms goes into bits 0-2 of the element
// slot's kind; the other bits stay.

#include <cstdint>
#include <optional>

class QString;
class QWidget;

namespace kolmaris {

struct Session;

// Function codes 0 not assigned, 1 repeater, 2 actuator, 3 radon probe.
inline constexpr int kFunctionCodes = 4;

// The MESH address a selector's text names, when it is one of 1 to 16.
std::optional<uint8_t> SelectedAddress(const QString& text);

// ReadElementKind: the element's function code, also kept in its slot. Nothing when the read
// failed.
std::optional<uint8_t> ReadFunction(Session& session, uint8_t address);

// SetElementFunction. Refused or failed: "Command disabled!" and nothing changes. Done: the
// slot takes the code, then `doneText` (with %1 for the address) is shown. True when done.
bool AssignFunction(Session& session, QWidget* window, uint8_t address, uint8_t function, const QString& doneText);

}  // namespace kolmaris
