// The random source against draws worked out by hand (seed * 16807 mod 2^32, top 23
// bits as the mantissa of a float in [2, 4), folded with |f - 3|).

#include "noise/random.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(RandomSource, FirstDrawsFromTheStartSeed) {
  RandomSeed = 347347347u;
  EXPECT_EQ(nextRandom(), 0.531402587890625f);
  EXPECT_EQ(RandomSeed, 1006305765u);
  const std::uint32_t seeds[] = {3694748003u, 992520853u, 3939966003u, 3497809989u};
  const float values[] = {0.7205009460449219f, 0.5378215312957764f, 0.8346896171569824f,
                          0.6287946701049805f};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(nextRandom(), values[k]);
    EXPECT_EQ(RandomSeed, seeds[k]);
  }
}

TEST(RandomSource, ProductWrapsAtTwoToThe32) {
  RandomSeed = 0xFFFFFFFFu;  // -1 * 16807 mod 2^32
  nextRandom();
  EXPECT_EQ(RandomSeed, 4294950489u);
  RandomSeed = 0;  // zero is a fixed point, as the plain product implies
  EXPECT_EQ(nextRandom(), 1.0f);
  EXPECT_EQ(RandomSeed, 0u);
}

TEST(RandomSource, ValueUsesOnlyTheTop23Bits) {
  EXPECT_EQ(randomValueOf(0), 1.0f);                                  // 2.0
  EXPECT_EQ(randomValueOf(0x80000000u), 0.0f);                        // 3.0
  EXPECT_EQ(randomValueOf(0xFFFFFFFFu), 1.0f - 0x1p-22f);             // just below 4.0
  EXPECT_EQ(randomValueOf(0x40000000u), 0.5f);                        // 2.5
  EXPECT_EQ(randomValueOf(0x400001FFu), randomValueOf(0x40000000u));  // low 9 bits unused
  EXPECT_EQ(randomValueOf(0x7FFFFE00u), 0x1p-22f);                    // just below 3.0
}

TEST(RandomSource, ValueDoesNotAdvanceTheSeed) {
  RandomSeed = 12345u;
  const float v = randomValueOf(12345u * 16807u);
  EXPECT_EQ(RandomSeed, 12345u);
  EXPECT_EQ(nextRandom(), v);
}

}  // namespace
