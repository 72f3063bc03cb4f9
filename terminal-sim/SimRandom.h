// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Deterministic randomness for the simulated terminal: a seeded generator for events on
// the line, and a stateless hash noise for measured values, so that a value depends only
// on the seed, the source and the time, never on how often it was asked for.

#include <cstdint>

namespace kolmaris::sim {

constexpr uint64_t Mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Uniform in [-1, 1], fixed by its three keys.
inline double Noise(uint64_t seed, uint64_t source, uint64_t at)
{
    const uint64_t h = Mix(Mix(Mix(seed) ^ source) ^ at);
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() { return Mix(state_++); }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) / static_cast<double>(1ull << 53); }
    bool Chance(double p) { return p > 0.0 && Unit() < p; }

private:
    uint64_t state_;
};

}  // namespace kolmaris::sim
