// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineNoise.h"

namespace kolmaris::sim {

std::vector<uint8_t> LineNoise::Pass(std::span<const uint8_t> bytes)
{
    std::vector<uint8_t> out;
    out.reserve(bytes.size());
    for (uint8_t b : bytes) {
        if (rng_.Chance(loss_))
            continue;
        if (rng_.Chance(corruption_))
            b ^= static_cast<uint8_t>(1u << (rng_.Next() % 8));
        out.push_back(b);
    }
    return out;
}

}  // namespace kolmaris::sim
