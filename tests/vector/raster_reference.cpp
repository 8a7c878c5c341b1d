// The fill against a plain reference coverage (tests/support/reference_raster.h):
// random many-edged polygons under both rules, with far-out, huge and non-finite
// points, and fills that outgrow the cell store. Every failure names its seed.

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "raster_support.h"

namespace {

class RasterReference : public ::testing::Test {
 protected:
  RasterSettingsGuard settings;
  void SetUp() override { setIdentityCurve(); }
};

// A coordinate near the view, or now and then far out, huge or not finite.
float randomCoordinate(std::mt19937& random, float size, int kind) {
  std::uniform_real_distribution<float> near(-0.25f * size, 1.25f * size);
  const float v = near(random);
  if (kind == 0 || random() % 8 != 0) return v;
  switch (kind == 1 ? random() % 3 : random() % 6) {
    case 0:
      return v + (random() % 2 ? 1 : -1) * std::ldexp(1.0f, 10 + int(random() % 20));
    case 1:
      return (random() % 2 ? 1 : -1) * std::ldexp(1.0f, 30 + int(random() % 98));
    case 2:
      return v * 1e6f;
    case 3:
      return std::numeric_limits<float>::quiet_NaN();
    case 4:
      return std::numeric_limits<float>::infinity();
    default:
      return -std::numeric_limits<float>::infinity();
  }
}

// Kinds: 0 near the view, 1 with far and huge points, 2 also non-finite ones.
TEST_F(RasterReference, RandomPolygonsMatchThePlainCoverage) {
  for (int seed = 1; seed <= 1000; ++seed) {
    std::mt19937 random(seed);
    const int width = 1 + int(random() % 150), height = 1 + int(random() % 110);
    const int kind = seed % 3;
    TestSurface surface(width, height);
    std::vector<ReferenceSubPath> path(1 + random() % 3);
    for (ReferenceSubPath& sub : path) {
      const int n = 2 + int(random() % 60);
      for (int i = 0; i < n; ++i) {
        const float x = randomCoordinate(random, float(width), kind);
        sub.push_back({x, randomCoordinate(random, float(height), kind)});
      }
    }
    expectMatchesReference(path, int(random() % 2), "seed " + std::to_string(seed));
    if (HasFatalFailure()) return;
  }
}

// Huge coordinates must not bend a slanted edge: this thin triangle covers about a
// hundredth of pixel (32, 47), and clamping its rows made it 209.
TEST_F(RasterReference, FarVerticesKeepSlantedEdgesStraight) {
  TestSurface surface(64, 48);
  const std::vector<ReferenceSubPath> path{{{32, -10}, {30000, 1e9f}, {-30000, 1e9f}}};
  expectMatchesReference(path, 1, "thin triangle");
  EXPECT_LE(CoverageRecorder::at(32, 47), 2);
  const std::vector<ReferenceSubPath> wide{{{-1e9f, -3e8f}, {5e8f, 40}, {20, 1e9f}}};
  expectMatchesReference(wide, 0, "wide triangle");
  // Nearly vertical edges from end points 1e30 and more away, through the view or
  // left of it (found by fuzzing: a row cut placed from such an end point landed on
  // row 0, and the edge leaned by a pixel every 5,000 rows).
  const struct {
    int width, height;
    std::vector<ReferenceSubPath> path;
  } steep[] = {
      {15, 200, {{{769, 2.2e32f}, {0, -2e30f}, {1072, 0}}}},
      {15, 200, {{{0, -2.2e32f}, {769, 2e30f}, {1072, 0}}}},
      {15,
       1167,
       {{{1.46875f, 32767},
         {256.09375f, 25.03125f},
         {769, 2.231236e32f},
         {0, -2.06e30f},
         {1072, 0}}}},
      {40, 60, {{{-40000, -1e32f}, {10, 1e32f}, {3e4f, 5}}}},
      {40, 60, {{{-1e5f, 3e33f}, {-2e4f, -3e33f}, {20, 30}}}},
  };
  for (const auto& c : steep) {
    TestSurface view(c.width, c.height);
    expectMatchesReference(
        c.path, 0, "steep edge in " + std::to_string(c.width) + "x" + std::to_string(c.height));
    if (HasFatalFailure()) return;
  }
}

// A sub-path starting below the view must not leave the previous one's last cell
// current: the vertical edge coming up from there wrote over it (found by fuzzing,
// pixel 0 of the row came out 11 or 13 instead of 0). Likewise from above.
TEST_F(RasterReference, SubPathsStartingOutsideTheViewKeepThePreviousCells) {
  const struct {
    int height;
    std::vector<ReferenceSubPath> path;
  } cases[] = {
      {1, {{{0, 0}, {30, -10}}, {{0, 5}, {0, -8}}}},
      {2, {{{0, 1}, {30, -10}}, {{0, 5}, {0, -8}}}},
      {1, {{{0, 0}, {294, -112.09375f}}, {{0, 0.625f}, {0, -8}, {0, 0}, {0, 24.625f}}}},
      {3, {{{0, 2}, {30, 10}}, {{0, -5}, {0, 8}}}},
      {4, {{{5, 1}, {40, 3}, {20, 9}}, {{5, 9}, {5, -3}, {9, 2}}, {{6, -4}, {6, 12}}}},
  };
  for (int rule = 0; rule <= 1; ++rule) {
    for (const auto& c : cases) {
      TestSurface surface(64, c.height);
      expectMatchesReference(c.path, rule, "height " + std::to_string(c.height));
      if (HasFatalFailure()) return;
    }
  }
}

// Slivers that run right along a wave and come back left just under it, as foam
// does: their rows hold cells that rise and then fall, and are merged, not sorted.
TEST_F(RasterReference, RowsCrossedThereAndBackMatchThePlainCoverage) {
  const struct {
    int width, height;
    float step, amplitude, thickness;
  } slivers[] = {
      {200, 40, 3, 12, 0.7f},
      {200, 40, 3, 12, 4},
      {97, 30, 0.5f, 20, 0.2f},
      {300, 20, 7, 3, 1},
  };
  for (int rule = 0; rule <= 1; ++rule) {
    for (const auto& c : slivers) {
      TestSurface surface(c.width, c.height);
      ReferenceSubPath sliver;
      const auto wave = [&](float x) {
        return c.height * 0.5f + c.amplitude * std::sin(x * 0.05f);
      };
      for (float x = -2; x <= c.width + 2; x += c.step) sliver.push_back({x, wave(x)});
      for (float x = c.width + 2; x >= -2; x -= c.step) {
        sliver.push_back({x, wave(x) + c.thickness});
      }
      expectMatchesReference({sliver}, rule, "sliver of " + std::to_string(c.thickness));
      if (HasFatalFailure()) return;
    }
  }
}

// A square wound round thousands of times: the running cover of its inside passes
// 2^21 pixel heights, where a 32-bit build leaves 32-bit sums for 64-bit ones
// (8191 and 8192 windings lie either side), and then 2^23, where 32-bit sums
// would wrap round to nothing. Non-zero fills it; even-odd by parity.
TEST_F(RasterReference, ThousandsOfWindingsMatchThePlainCoverage) {
  TestSurface surface(16, 16);
  for (const int windings : {8191, 8192, 32768}) {
    ReferenceSubPath square;
    for (int k = 0; k < windings; ++k) {
      square.insert(square.end(), {{2.3f, 2.6f}, {12.7f, 2.6f}, {12.7f, 13.2f}, {2.3f, 13.2f}});
    }
    for (const int rule : {0, 1}) {
      expectMatchesReference({square}, rule,
                             std::to_string(windings) + " windings, rule " + std::to_string(rule));
      if (HasFatalFailure()) return;
    }
  }
}

// Fills with more cells than the store holds are drawn in bands, and exactly:
// random polygons of thousands of long edges over a full-size view, a zigzag of
// steep edges down a tall one, and a hundred thousand edges over a small view,
// whose band's store fills with the same cells again and again. The next fill
// starts afresh.
TEST_F(RasterReference, FillsBeyondTheStoreAreExact) {
  const struct {
    int width, height, points;
  } views[] = {
      {1920, 1080, 6000}, {1920, 1080, 6000}, {64, 2100, 0}, {64, 2100, 0}, {64, 48, 120000}};
  for (int seed = 1; seed <= 5; ++seed) {
    std::mt19937 random(seed);
    const int width = views[seed - 1].width, height = views[seed - 1].height;
    TestSurface surface(width, height);
    ReferenceSubPath outline;
    if (views[seed - 1].points > 0) {
      std::uniform_real_distribution<float> x(-50, width + 50), y(-50, height + 50);
      for (int i = 0; i < views[seed - 1].points; ++i) outline.push_back({x(random), y(random)});
    } else {
      for (int k = 0; k < 1200; ++k)
        outline.push_back({(k % 2 ? 2000 : 0) + k * 0.37f, k % 2 ? 2095.0f : 0.0f});
    }
    expectMatchesReference({outline}, seed % 2, "seed " + std::to_string(seed));
    if (HasFatalFailure()) return;
    EXPECT_EQ(cellRasterizer.overflowed, 1) << "seed " << seed << " fitted the store";
  }
  TestSurface surface(64, 48);
  expectMatchesReference({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}, 1, "small fill after");
  EXPECT_EQ(cellRasterizer.overflowed, 0);
}

}  // namespace
