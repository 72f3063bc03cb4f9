// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The line between the program and the terminal: with the scenario's rates, bytes are
// corrupted (one bit flipped) or lost, in either direction.

#include "SimRandom.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kolmaris::sim {

class LineNoise {
public:
    LineNoise(double corruptionRate, double lossRate, uint64_t seed)
        : corruption_(corruptionRate), loss_(lossRate), rng_(seed)
    {
    }

    std::vector<uint8_t> Pass(std::span<const uint8_t> bytes);

private:
    double corruption_;
    double loss_;
    Rng rng_;
};

}  // namespace kolmaris::sim
