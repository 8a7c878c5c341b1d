// Rows of two-dimensional samples: every sample, single or batched (four lanes at a
// time and the leftovers, long rows from premixed columns), has the bits of sample2D at the same
// point, for all types, odd coordinates, odd grids and any count.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "noise/noise.h"
#include "noise/random.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::uint32_t bitsOf(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

// Coordinates of every kind: inside one period, a few periods away on either side,
// lattice points and halfway points, either side of a multiple of the period, signed
// zeros, tiny, huge and non-finite values.
float oddCoordinate(std::mt19937& random, float scale, float period) {
  const float span = scale * period;
  switch (random() % 12) {
    case 0:
      return std::uniform_real_distribution<float>(0.0f, span)(random);
    case 1:
      return std::uniform_real_distribution<float>(-5.0f * span, 5.0f * span)(random);
    case 2:
      return scale * static_cast<float>(static_cast<int>(random() % 400) - 200);
    case 3:
      return scale * (static_cast<float>(static_cast<int>(random() % 400) - 200) + 0.5f);
    case 4: {
      const float odd[] = {0.0f,
                           -0.0f,
                           1e-40f,
                           -1e-40f,
                           1e-30f,
                           -3e-20f,
                           span,
                           -span,
                           std::nextafter(span, 0.0f),
                           std::nextafter(-span, 0.0f)};
      return odd[random() % std::size(odd)];
    }
    case 5: {
      const float huge[] = {1e7f, -1e7f, 16777217.0f, 3e9f, -1e20f, 1e30f, 3.4e38f, -3.4e38f};
      return huge[random() % std::size(huge)];
    }
    case 8:
    case 9: {
      // Next to a multiple of the period on either side, where a rounded quotient
      // can land on the integer.
      const float multiple = span * static_cast<float>(static_cast<int>(random() % 601) - 300);
      return std::nextafter(multiple, random() % 2 ? kInf : -kInf);
    }
    case 6: {
      const float bad[] = {kNaN, -kNaN, kInf, -kInf};
      return bad[random() % std::size(bad)];
    }
    default: {
      // Any bit pattern: subnormals, NaN payloads and every exponent.
      const std::uint32_t b = static_cast<std::uint32_t>(random());
      float f;
      std::memcpy(&f, &b, sizeof f);
      return f;
    }
  }
}

// Compares the row forms with sample2D over `samples` random rows of `count` points.
void expectRowsMatchSingleSamples(const NoiseGrid2D& g, std::uint32_t seed, int rows) {
  std::mt19937 random(seed);
  const int types[] = {0, 1, 4, 5, 7, -1};
  for (int n = 0; n < rows; ++n) {
    const float y = oddCoordinate(random, g.scale, g.periodY);
    const int type = types[random() % 5];  // -1 is no vertical type
    const int typeX = types[random() % std::size(types)];
    const float amplitude = random() % 4 == 0 ? 0.0f : static_cast<float>(random() % 1000) / 997.0f;
    // Short rows, and rows longer than the lattice is wide (its columns mixed first).
    const int count = static_cast<int>(random() % 4 ? random() % 23 : random() % 160);
    std::vector<float> xs(count), out(count);
    for (float& x : xs) x = oddCoordinate(random, g.scale, g.periodX);
    const NoiseRow2D row = noiseRow2D(g, y, type, amplitude, typeX);
    sampleRow2D(row, xs.data(), out.data(), count);
    for (int k = 0; k < count; ++k) {
      const float expected = sample2D(g, xs[k], y, type, amplitude, typeX);
      ASSERT_EQ(bitsOf(sampleRow2D(row, xs[k])), bitsOf(expected))
          << "seed " << seed << " row " << n << " x " << xs[k] << " y " << y << " type " << type
          << " typeX " << typeX << " amplitude " << amplitude;
      ASSERT_EQ(bitsOf(out[k]), bitsOf(expected))
          << "seed " << seed << " row " << n << " sample " << k << " of " << count << " x " << xs[k]
          << " y " << y << " type " << type << " typeX " << typeX;
    }
    // In place, as the waves call it.
    sampleRow2D(row, xs.data(), xs.data(), count);
    for (int k = 0; k < count; ++k) ASSERT_EQ(bitsOf(xs[k]), bitsOf(out[k])) << "seed " << seed;
  }
}

TEST(NoiseRows, EqualSingleSamplesOnTheSceneGrid) {
  RandomSeed = 4242u;
  NoiseGrid2D g;
  ASSERT_EQ(init2D(g, 50, 50, 100.0f), 1);
  for (std::uint32_t seed = 1; seed <= 20; ++seed) expectRowsMatchSingleSamples(g, seed, 500);
}

TEST(NoiseRows, EqualSingleSamplesOnOddGrids) {
  struct Shape {
    int lastX, lastY;
    float scale;
  };
  // One column, one row, non-square, a tiny and a negative scale, and a zero scale
  // that makes every coordinate non-finite.
  const Shape shapes[] = {{0, 0, 1.0f},   {0, 7, 3.0f}, {7, 0, 0.25f}, {2, 9, 1e-3f},
                          {12, 5, -7.0f}, {3, 3, 0.0f}, {99, 1, 1e6f}, {1, 1, 1.0f}};
  std::uint32_t seed = 100;
  for (const Shape& s : shapes) {
    RandomSeed = seed;
    NoiseGrid2D g;
    ASSERT_EQ(init2D(g, s.lastX, s.lastY, s.scale), 1);
    expectRowsMatchSingleSamples(g, ++seed, 200);
  }
}

TEST(NoiseRows, EmptyGridSamplesZero) {
  NoiseGrid2D empty;
  const NoiseRow2D row = noiseRow2D(empty, 5.0f, 1, 0.5f, 4);
  EXPECT_EQ(row.grid, nullptr);
  EXPECT_EQ(sampleRow2D(row, 12.0f), 0.0f);
  std::vector<float> xs = {1.0f, kNaN, -3.0f, 1e30f, 7.0f};
  sampleRow2D(row, xs.data(), xs.data(), static_cast<int>(xs.size()));
  for (float v : xs) EXPECT_EQ(v, 0.0f);
}

}  // namespace
