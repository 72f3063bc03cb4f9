// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The requests the terminal answers: memory reads (header type 0), its own commands
// (type 1) and relayed requests with their polls (type 2). A reply carries the opcode
// in byte 0. A command the terminal refuses (unknown opcode, a value out of range, a
// refusal the scenario asks for) is answered with header type 3: [opcode, 0xFF].

#include "FrameFrontEnd.h"
#include "TerminalCore.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kolmaris::sim {

inline constexpr uint8_t kRefusalHeaderType = 3;

std::optional<Frame> AnswerRequest(TerminalCore& core, const Frame& request,
                                   const std::vector<uint8_t>& refusedOpcodes);

}  // namespace kolmaris::sim
