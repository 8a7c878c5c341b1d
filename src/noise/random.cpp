// The random source. The multiplier is the classic minimal-standard one, but the
// product simply wraps at 2^32 (no modulus by 2^31 - 1): the low bits cycle fast,
// which is why only the top 23 bits are used.

#include "noise/random.h"

#include <cstring>

std::uint32_t RandomSeed = 347347347u;

float randomValueOf(std::uint32_t seed) {
  // Exponent field of 2.0 with the seed's top 23 bits as the fraction: [2, 4).
  // (memcpy rather than bit_cast: not every standard library of ours has it yet)
  const std::uint32_t bits = (seed >> 9) | 0x40000000u;
  float f;
  std::memcpy(&f, &bits, sizeof f);
  // Exact: f - 3 is a multiple of 2^-22 smaller than 1 in magnitude.
  const float d = f - 3.0f;
  return d < 0.0f ? -d : d;
}

float nextRandom() {
  RandomSeed *= randomMultiplier;
  return randomValueOf(RandomSeed);
}
