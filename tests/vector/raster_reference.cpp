// The fill against a plain reference coverage (tests/support/reference_raster.h):
// random many-edged polygons under both rules, with far-out, huge and non-finite
// points, and fills drawn in many bands. Every failure names its seed.

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "raster_support.h"
#include "reference_raster.h"

namespace {

class RasterReference : public ::testing::Test {
 protected:
  RasterSettingsGuard settings;
  void SetUp() override {
    int identity[256];
    for (int i = 0; i < 256; ++i) identity[i] = i;
    setCoverageTable(identity);
  }
};

// Fills the sub-paths in one fill under `rule` and compares every view pixel with
// the reference; each pixel is plotted at most once. Stops at the first mismatch.
void expectMatchesReference(const std::vector<ReferenceSubPath>& path, int rule,
                            const std::string& context) {
  CoverageRecorder::install();
  setFillRule(rule);
  for (const ReferenceSubPath& sub : path) {
    beginPath();
    for (const PathPoint& p : sub) addPoint(p.x, p.y);
  }
  fillPath(0xFFFFFFFF, 1);
  ASSERT_EQ(CoverageRecorder::strayCalls, 0) << context;
  const int width = backBuffer.viewWidth, height = backBuffer.viewHeight;
  const ReferenceCoverage expected = referenceCoverage(path, width, height, rule);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      ASSERT_LE(CoverageRecorder::touchesAt(x, y), 1) << context << " pixel " << x << ", " << y;
      const int tolerance = expected.toleranceAt(x, y);
      if (tolerance < 0) continue;
      const int ours = std::max(CoverageRecorder::at(x, y), 0);
      ASSERT_LE(std::abs(ours - expected.at(x, y)), tolerance)
          << context << " pixel " << x << ", " << y << ": " << ours << " against "
          << expected.at(x, y);
    }
  }
}

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
}

// A fill is drawn in bands of as many rows as the store holds; where the bands
// begin must change nothing. Each case fills once in a single band and once in
// bands of a few rows, on views and outlines that put edges, runs and far points
// across band boundaries: both fills match the reference, and the banded one makes
// exactly the calls of the single band, in the same order. The next fill after
// them is one band again.
TEST_F(RasterReference, BandsOfAnyHeightGiveTheSameRuns) {
  std::mt19937 random(3);
  const auto randomPolygon = [&random](int width, int height, int points) {
    std::uniform_real_distribution<float> x(-50, width + 50), y(-50, height + 50);
    ReferenceSubPath outline;
    for (int i = 0; i < points; ++i) outline.push_back({x(random), y(random)});
    return std::vector<ReferenceSubPath>{outline};
  };
  ReferenceSubPath zigzag;
  for (int k = 0; k < 1200; ++k)
    zigzag.push_back({(k % 2 ? 2000 : 0) + k * 0.37f, k % 2 ? 2095.0f : 0.0f});
  const struct {
    const char* name;
    int width, height, bandRows, rule;
    std::vector<ReferenceSubPath> path;
  } cases[] = {
      {"full-size random", 1920, 1080, 37, 0, randomPolygon(1920, 1080, 3000)},
      {"many edges, small view", 64, 48, 5, 1, randomPolygon(64, 48, 20000)},
      {"steep zigzag, one-row bands", 64, 2100, 1, 0, {zigzag}},
      {"steep zigzag", 64, 2100, 7, 1, {zigzag}},
      {"one pixel wide",
       1,
       40,
       3,
       0,
       {{{-5, -3}, {6, 19.5f}, {-2, 44}}, {{0, 10}, {0.4f, 30}, {-0.3f, 31}}}},
      {"vertical edges on band rows",
       30,
       40,
       4,
       0,
       {{{3.5f, 3.5f}, {20, 3.5f}, {20, 35.5f}, {3.5f, 35.5f}}}},
      {"huge coordinates",
       96,
       72,
       4,
       1,
       {{{-1e9f, -3e8f}, {5e8f, 40}, {20, 1e9f}}, {{10, -1e7f}, {11, 1e7f}, {12, -1e7f}}}},
      {"rows above and below the view", 96, 72, 2, 0, randomPolygon(96, 72, 40)},
  };
  for (const auto& c : cases) {
    TestSurface surface(c.width, c.height);
    cellRasterizer.bandCells = (c.width + 2) * c.height;
    expectMatchesReference(c.path, c.rule, std::string(c.name) + ", one band");
    if (HasFatalFailure()) return;
    ASSERT_EQ(cellRasterizer.bandsSwept, 1) << c.name;
    const std::vector<PlotCall> single = CoverageRecorder::calls;
    cellRasterizer.bandCells = (c.width + 2) * c.bandRows;
    expectMatchesReference(c.path, c.rule, std::string(c.name) + ", bands");
    if (HasFatalFailure()) return;
    EXPECT_GT(cellRasterizer.bandsSwept, 1) << c.name;
    const std::vector<PlotCall>& banded = CoverageRecorder::calls;
    ASSERT_EQ(banded.size(), single.size()) << c.name;
    for (std::size_t i = 0; i < single.size(); ++i) {
      const PlotCall& p = banded[i];
      const PlotCall& q = single[i];
      ASSERT_TRUE(p.x == q.x && p.y == q.y && p.count == q.count && p.coverage == q.coverage &&
                  p.pixel == q.pixel)
          << c.name << " call " << i << " at " << q.x << ", " << q.y;
    }
  }
  cellRasterizer.bandCells = defaultBandCells;
  TestSurface surface(64, 48);
  expectMatchesReference({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}, 1, "small fill after");
  EXPECT_EQ(cellRasterizer.bandsSwept, 1);
}

}  // namespace
