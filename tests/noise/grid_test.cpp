// Value-noise lattices: fill order, exact lattice values, wrapping, the shaped
// passes and their extra terms, octaves, the table and refusals of odd input.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "noise/noise.h"
#include "noise/random.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<float> drawsFrom(std::uint32_t seed, int count) {
  RandomSeed = seed;
  std::vector<float> v;
  for (int k = 0; k < count; ++k) v.push_back(nextRandom());
  return v;
}

float at(const NoiseGrid2D& g, int i, int j) { return g.values[i + j * g.stride]; }

// A 2D grid with the seed fixed, so failures reproduce.
NoiseGrid2D makeGrid(int lastX, int lastY, float scale) {
  RandomSeed = 347347347u;
  NoiseGrid2D g;
  EXPECT_EQ(init2D(g, lastX, lastY, scale), 1);
  return g;
}

// ---- filling ---------------------------------------------------------------

TEST(NoiseFill, TwoDimensionsDrawXOutermost) {
  const std::vector<float> d = drawsFrom(99u, 12);
  RandomSeed = 99u;
  NoiseGrid2D g;
  ASSERT_EQ(init2D(g, 2, 3, 1.0f), 1);
  EXPECT_EQ(g.nx, 3);
  EXPECT_EQ(g.ny, 4);
  EXPECT_EQ(g.stride, 3);
  EXPECT_EQ(g.periodX, 3.0f);
  EXPECT_EQ(g.periodY, 4.0f);
  int k = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(at(g, i, j), d[k++]) << i << "," << j;
}

TEST(NoiseFill, ThreeDimensionsDrawZInnermost) {
  const std::vector<float> d = drawsFrom(7u, 24);
  RandomSeed = 7u;
  NoiseGrid3D g;  // default construction draws its own lattice first
  RandomSeed = 7u;
  ASSERT_EQ(init3D(g, 1, 2, 3, 1.0f), 1);
  int k = 0;
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 3; ++j)
      for (int z = 0; z < 4; ++z) EXPECT_EQ(g.values[i + j * 2 + z * 6], d[k++]);
}

TEST(NoiseFill, OneDimensionDrawsInOrder) {
  const std::vector<float> d = drawsFrom(5u, 6);
  RandomSeed = 5u;
  NoiseGrid1D g;
  ASSERT_EQ(init1D(g, 5, 2.0f), 1);
  EXPECT_EQ(g.values, d);
  EXPECT_EQ(g.n, 6);
  EXPECT_EQ(g.period, 6.0f);
}

TEST(NoiseFill, DefaultThreeDimensionalGridIsTenCubed) {
  RandomSeed = 1u;
  NoiseGrid3D g;
  EXPECT_EQ(g.values.size(), 1331u);
  EXPECT_EQ(g.scale, 10.0f);
  EXPECT_EQ(g.nz, 11);
  drawsFrom(1u, 1331);
  const std::uint32_t after = RandomSeed;
  RandomSeed = 1u;
  NoiseGrid3D h;
  EXPECT_EQ(RandomSeed, after);
}

TEST(NoiseFill, SceneGridStartsEmptyAndTakesItsSize) {
  // Only this test touches the scene's grid.
  EXPECT_TRUE(noiseGrid.values.empty());
  EXPECT_EQ(sample2D(noiseGrid, 10.0f, 20.0f, 1, 0.5f, 4), 0.0f);
  ASSERT_EQ(init2D(noiseGrid, 50, 50, 100.0f), 1);
  EXPECT_EQ(noiseGrid.values.size(), 2601u);
  EXPECT_EQ(noiseGrid.periodX, 51.0f);
  EXPECT_EQ(noiseGrid.scale, 100.0f);
}

TEST(NoiseFill, ClearZeroesAndKeepsTheSize) {
  NoiseGrid2D g = makeGrid(3, 3, 1.0f);
  clear(g);
  EXPECT_EQ(g.values, std::vector<float>(16, 0.0f));
  EXPECT_EQ(sample2D(g, 1.3f, 2.7f, 1, 0.0f, -1), 0.0f);
}

// ---- refusals --------------------------------------------------------------

TEST(NoiseRefusal, BadSizesLeaveAnEmptyGridThatSamplesAsZero) {
  NoiseGrid2D g = makeGrid(4, 4, 1.0f);
  EXPECT_EQ(init2D(g, -1, 4, 1.0f), 0);
  EXPECT_TRUE(g.values.empty());
  EXPECT_EQ(g.nx, 0);
  EXPECT_EQ(sample2D(g, 1.5f, 1.5f, 0, 0.0f, -1), 0.0f);
  EXPECT_EQ(octaves2D(g, 1.5f, 1.5f, 3, 0, 0.0f, -1), 0.0f);
  EXPECT_EQ(init2D(g, 100000, 100000, 1.0f), 0);  // 10^10 values
  EXPECT_EQ(init2D(g, INT_MAX, INT_MAX, 1.0f), 0);

  NoiseGrid3D h;
  EXPECT_EQ(init3D(h, 65535, 65535, 65535, 1.0f), 0);
  EXPECT_EQ(init3D(h, INT_MAX, 0, INT_MAX, 1.0f), 0);
  EXPECT_TRUE(h.values.empty());
  EXPECT_EQ(sample3D(h, 1.0f, 2.0f, 3.0f, 1, 0.0f), 0.0f);

  NoiseGrid1D o;
  EXPECT_EQ(init1D(o, INT_MAX, 1.0f), 0);
  EXPECT_EQ(init1D(o, -5, 1.0f), 0);
  EXPECT_EQ(value1D(o, 3), 0.0f);
  EXPECT_EQ(sample1D(o, 3.0f, 0, 0.0f), 0.0f);
}

// ---- lattice points and wrapping -------------------------------------------

TEST(NoiseLattice, ExactPointsReturnTheValue) {
  for (float scale : {100.0f, 2.5f, 1.0f}) {
    NoiseGrid2D g = makeGrid(6, 4, scale);
    for (int type : {0, 1, 2, 4, 5})
      for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 5; ++j)
          EXPECT_EQ(sample2D(g, i * scale, j * scale, type, 0.3f, -1), at(g, i, j))
              << "scale " << scale << " type " << type << " at " << i << "," << j;
  }
}

TEST(NoiseLattice, NegativeAndPeriodCoordinatesWrap) {
  NoiseGrid2D g = makeGrid(50, 50, 100.0f);
  const float y = 1234.5f;
  // -1 x scale is the last column; n x scale is column 0.
  EXPECT_EQ(sample2D(g, -100.0f, y, 1, 0.2f, 4), sample2D(g, 5000.0f, y, 1, 0.2f, 4));
  EXPECT_EQ(sample2D(g, 5100.0f, y, 1, 0.2f, 4), sample2D(g, 0.0f, y, 1, 0.2f, 4));
  EXPECT_EQ(sample2D(g, 3.0f * 5100.0f, -5100.0f, 1, 0.0f, -1), at(g, 0, 0));
  // Between lattice points the wrapped coordinate is rounded differently.
  for (float x : {-37.3f, -5099.0f, -123456.7f, 777.7f}) {
    EXPECT_NEAR(sample2D(g, x, y, 1, 0.2f, 4), sample2D(g, x + 5100.0f, y, 1, 0.2f, 4), 2e-4f) << x;
  }
}

// A tiny negative coordinate leaves fmod a remainder that rounds up to the period
// when the period is added back; it must index column 0, not one past the end.
TEST(NoiseLattice, RemainderRoundingUpToThePeriodIsZero) {
  const float tiny = -1e-6f;                // lattice coordinate -1e-8
  ASSERT_EQ(tiny / 100.0f + 51.0f, 51.0f);  // the case is real
  NoiseGrid2D g = makeGrid(50, 50, 100.0f);
  EXPECT_EQ(sample2D(g, tiny, 0.0f, 0, 0.0f, -1), at(g, 0, 0));
  // On the last row an index past the lattice would read past the values.
  EXPECT_EQ(sample2D(g, 0.0f, tiny, 0, 0.0f, -1), at(g, 0, 0));
  EXPECT_EQ(sample2D(g, tiny, tiny, 1, 0.5f, 4), at(g, 0, 0));

  RandomSeed = 3u;
  NoiseGrid1D o;
  init1D(o, 50, 100.0f);
  EXPECT_EQ(sample1D(o, tiny, 0, 0.0f), o.values[0]);
  NoiseGrid3D c;
  init3D(c, 50, 50, 50, 100.0f);
  EXPECT_EQ(sample3D(c, tiny, tiny, tiny, 1, 0.0f), c.values[0]);
}

TEST(NoiseLattice, NonFiniteCoordinatesSampleAsZero) {
  NoiseGrid2D g = makeGrid(50, 50, 100.0f);
  const float y = 321.0f;
  const float atZero = sample2D(g, 0.0f, y, 1, 0.2f, 4);
  for (float bad : {kNaN, kInf, -kInf}) {
    EXPECT_EQ(sample2D(g, bad, y, 1, 0.2f, 4), atZero);
    EXPECT_EQ(sample2D(g, bad, bad, 1, 0.2f, 4), at(g, 0, 0));
    EXPECT_EQ(octaves2D(g, bad, bad, 4, 0, 0.0f, -1), at(g, 0, 0) * (1.0f + 0.9375f));
  }
  // A zero scale turns every coordinate into an infinity or NaN.
  RandomSeed = 11u;
  NoiseGrid2D z;
  init2D(z, 4, 4, 0.0f);
  EXPECT_EQ(sample2D(z, 1.0f, -2.0f, 1, 0.0f, -1), at(z, 0, 0));
  EXPECT_EQ(sample2D(z, 0.0f, 0.0f, 1, 0.0f, -1), at(z, 0, 0));

  NoiseGrid1D o;
  init1D(o, 9, 1.0f);
  EXPECT_EQ(sample1D(o, kNaN, 1, 0.0f), o.values[0]);
  NoiseGrid3D c;
  EXPECT_EQ(sample3D(c, kInf, kNaN, -kInf, 1, 0.0f), c.values[0]);
}

TEST(NoiseLattice, HugeCoordinatesStayInRange) {
  NoiseGrid2D g = makeGrid(50, 50, 100.0f);
  for (float x : {1e30f, -1e30f, 3.4e38f, -3.4e38f, 1e-40f}) {
    const float s = sample2D(g, x, x, 1, 0.0f, -1);
    EXPECT_GE(s, 0.0f) << x;
    EXPECT_LE(s, 1.0f) << x;
  }
}

// ---- shaping and extra terms ------------------------------------------------

TEST(NoiseShape, HumpAddsAmplitudeHalfwayAndNothingAtLatticePoints) {
  RandomSeed = 21u;
  NoiseGrid1D o;
  init1D(o, 7, 4.0f);
  clear(o);  // flat lattice: the sample is the extra term alone
  EXPECT_EQ(sample1D(o, 0.0f, 5, 1.0f), 0.0f);
  EXPECT_EQ(sample1D(o, 4.0f, 5, 1.0f), 0.0f);
  EXPECT_EQ(sample1D(o, 1.0f, 5, 1.0f), 0.6875f);
  EXPECT_EQ(sample1D(o, 2.0f, 5, 1.0f), 1.0f);
  EXPECT_EQ(sample1D(o, 3.0f, 5, 1.0f), 0.6875f);
  EXPECT_EQ(sample1D(o, 2.0f, 4, 1.0f), -1.0f);
  EXPECT_EQ(sample1D(o, 2.0f, 4, -0.5f), 0.5f);
  EXPECT_EQ(sample1D(o, 2.0f, 0, 1.0f), 0.0f);  // linear has no extra term
  EXPECT_EQ(sample1D(o, 2.0f, 3, 1.0f), 0.0f);
}

TEST(NoiseShape, TypesFourAndFiveOffsetTheLinearSampleByTheAmplitude) {
  NoiseGrid2D g = makeGrid(10, 10, 100.0f);
  const float amp = 0.25f;
  for (int i = 0; i < 10; ++i) {
    const float x = i * 100.0f + 50.0f;  // halfway across, on a lattice row
    const float y = i * 100.0f;
    const float linear = sample2D(g, x, y, 0, 0.0f, -1);
    EXPECT_NEAR(sample2D(g, x, y, 1, amp, 4), linear - amp, 1e-6f);
    EXPECT_NEAR(sample2D(g, x, y, 1, amp, 5), linear + amp, 1e-6f);
    EXPECT_EQ(sample2D(g, i * 100.0f, y, 1, amp, 4), at(g, i, i));  // lattice point
    // Halfway on both axes the trough is dug once per pass.
    const float centre = sample2D(g, x, y + 50.0f, 0, 0.0f, -1);
    EXPECT_NEAR(sample2D(g, x, y + 50.0f, 4, amp, -1), centre - 2.0f * amp, 1e-6f);
  }
}

// Left column 0, right column 1: the sample is the horizontal profile alone.
// Top row 0, bottom row 1: the vertical one.
TEST(NoiseShape, HorizontalTypeReplacesTheVerticalOneOnlyAcross) {
  NoiseGrid2D g = makeGrid(1, 1, 1.0f);
  g.values = {0.0f, 1.0f, 0.0f, 1.0f};  // value(1, j) = 1
  const float f = 0.25f;
  const float smooth = (3.0f - 2.0f * f) * f * f;  // 0.15625
  EXPECT_EQ(sample2D(g, f, 0.6f, 1, 0.5f, -1), smooth);
  EXPECT_EQ(sample2D(g, f, 0.6f, 1, 0.5f, 1), smooth);
  EXPECT_EQ(sample2D(g, f, 0.6f, 1, 0.5f, 4), f - 0.5f * 0.6875f);
  EXPECT_EQ(sample2D(g, f, 0.6f, 1, 0.5f, 0), f);

  g.values = {0.0f, 0.0f, 1.0f, 1.0f};  // value(i, 1) = 1
  EXPECT_EQ(sample2D(g, 0.0f, f, 1, 0.5f, -1), smooth);
  EXPECT_EQ(sample2D(g, 0.0f, f, 1, 0.5f, 4), smooth);  // hump is 0 at fx = 0
  EXPECT_EQ(sample2D(g, 0.5f, f, 1, 0.5f, 4), smooth - 0.5f);
  EXPECT_EQ(sample2D(g, 0.0f, f, 4, 0.5f, 0), f - 0.5f * 0.6875f);
}

TEST(NoiseShape, ThreeDimensionsAddTheTermAtEachStage) {
  NoiseGrid3D c;
  clear(c);
  EXPECT_EQ(sample3D(c, 5.0f, 5.0f, 5.0f, 5, 1.0f), 3.0f);  // centre of a cell
  EXPECT_EQ(sample3D(c, 5.0f, 0.0f, 0.0f, 5, 1.0f), 1.0f);
  EXPECT_EQ(sample3D(c, 0.0f, 5.0f, 5.0f, 4, 1.0f), -2.0f);
  // Corners interpolate trilinearly with type 0.
  init3D(c, 1, 1, 1, 1.0f);
  c.values = {0, 1, 2, 3, 4, 5, 6, 7};  // value = i + 2j + 4k
  EXPECT_EQ(sample3D(c, 0.5f, 0.25f, 0.75f, 0, 0.0f), 0.5f + 0.5f + 3.0f);
}

// ---- octaves -----------------------------------------------------------------

TEST(NoiseOctaves, CountZeroIsTheBaseOctaveWithoutExtraTerm) {
  NoiseGrid2D g = makeGrid(50, 50, 100.0f);
  for (float x : {12.5f, 777.0f, -3000.25f}) {
    const float base = sample2D(g, x, 99.0f, 1, 0.0f, -1);
    EXPECT_EQ(octaves2D(g, x, 99.0f, 0, 1, 0.7f, 4), base);
    EXPECT_EQ(octaves2D(g, x, 99.0f, -3, 1, 0.7f, 4), base);
  }
}

TEST(NoiseOctaves, EachOctaveScalesTheCoordinatesAndHalvesTheWeight) {
  NoiseGrid2D g = makeGrid(50, 50, 100.0f);
  const float x = 1234.5f, y = 678.25f;
  const float x1 = static_cast<float>(x * 1.7773), y1 = static_cast<float>(y * 1.7773);
  const float x2 = static_cast<float>(x1 * 1.7773), y2 = static_cast<float>(y1 * 1.7773);
  float expected = sample2D(g, x, y, 1, 0.0f, -1);
  expected += sample2D(g, x1, y1, 1, 0.3f, 4) * 0.5f;
  expected += sample2D(g, x2, y2, 1, 0.3f, 4) * 0.25f;
  EXPECT_EQ(octaves2D(g, x, y, 2, 1, 0.3f, 4), expected);

  NoiseGrid3D c;
  const float z = 44.5f;
  float e3 = sample3D(c, x, y, z, 1, 0.0f);
  e3 += sample3D(c, x * 1.7773f, y * 1.7773f, z * 1.7773f, 1, 0.3f) * 0.5f;
  EXPECT_EQ(octaves3D(c, x, y, z, 1, 1, 0.3f), e3);

  RandomSeed = 8u;
  NoiseGrid1D o;
  init1D(o, 30, 10.0f);
  const float e1 = sample1D(o, x, 5, 0.0f) + sample1D(o, x1, 5, 0.3f) * 0.5f;
  EXPECT_EQ(octaves1D(o, x, 1, 5, 0.3f), e1);
}

TEST(NoiseOctaves, AbsurdCountEndsWithAFiniteSum) {
  NoiseGrid2D g = makeGrid(50, 50, 100.0f);
  const float s = octaves2D(g, 10.0f, 20.0f, INT_MAX, 1, 0.1f, 4);
  EXPECT_TRUE(std::isfinite(s));
  EXPECT_EQ(s, octaves2D(g, 10.0f, 20.0f, 400, 1, 0.1f, 4));
}

// ---- one dimension: indices and table ----------------------------------------

TEST(NoiseOneDimension, ValueWrapsAnyIndex) {
  RandomSeed = 4u;
  NoiseGrid1D o;
  init1D(o, 50, 1.0f);
  EXPECT_EQ(value1D(o, 0), o.values[0]);
  EXPECT_EQ(value1D(o, 53), o.values[2]);
  EXPECT_EQ(value1D(o, -1), o.values[50]);
  EXPECT_EQ(value1D(o, -51), o.values[0]);
  EXPECT_EQ(value1D(o, -52), o.values[50]);
  EXPECT_EQ(value1D(o, INT_MAX), o.values[INT_MAX % 51]);
  EXPECT_EQ(value1D(o, INT_MIN), o.values[51 - 2147483648LL % 51]);
}

TEST(NoiseOneDimension, TableCoversOnePeriodMappedToCentreAndSpread) {
  RandomSeed = 6u;
  NoiseGrid1D o;
  init1D(o, 4, 2.5f);  // n = 5: trunc(12.5 + 0.5) = 13 entries
  ASSERT_EQ(buildTable1D(o, 10.0f, 2.0f, 0, 0.0f), 1);
  ASSERT_EQ(o.table.size(), 13u);
  for (int k = 0; k < 5; ++k) {  // i = 2.5 k lands on lattice points for even k
    if (k % 2) continue;
    EXPECT_EQ(o.table[k * 5 / 2], 8.0f + 4.0f * o.values[k]) << k;
  }
  for (float t : o.table) {
    EXPECT_GE(t, 8.0f);
    EXPECT_LE(t, 12.0f);
  }
  init1D(o, 4, 1e30f);
  EXPECT_EQ(buildTable1D(o, 0.0f, 1.0f, 0, 0.0f), 0);
  EXPECT_TRUE(o.table.empty());
  init1D(o, 4, kNaN);
  EXPECT_EQ(buildTable1D(o, 0.0f, 1.0f, 0, 0.0f), 0);
  init1D(o, 4, -3.0f);
  EXPECT_EQ(buildTable1D(o, 0.0f, 1.0f, 0, 0.0f), 0);
}

}  // namespace
