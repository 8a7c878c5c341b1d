// The framework's one random source: a 32-bit multiplicative generator whose top
// 23 bits become the mantissa of a float in [2, 4), folded to [0, 1].
#pragma once

#include <cstdint>

// The seed of every draw; 347347347 at program start. Process thread only.
extern std::uint32_t RandomSeed;

constexpr std::uint32_t randomMultiplier = 16807u;  // one step: seed * 16807 mod 2^32

// The value a seed stands for: |f - 3| for the float f in [2, 4) whose mantissa is
// the seed's top 23 bits. Always in [0, 1]; does not touch RandomSeed.
float randomValueOf(std::uint32_t seed);

// One draw: advances RandomSeed by one step and returns the new seed's value.
float nextRandom();
