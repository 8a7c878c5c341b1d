// The order in which the rasterizer meets cells and plots rows changes nothing it
// plots: a bottom-up surface (rows swept from the bottom, in memory order) gets the
// same runs as a top-down one, and a polygon started at another corner (its cells
// stored in another order, rows arriving as other rising and falling stretches)
// gets the same pixels.

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "raster_support.h"

namespace {

constexpr int width = 96, height = 72;

// Random outlines of the kinds that give rows many stretches: free polygons (often
// self-intersecting, partly outside the view), horizontal zigzags, combs, and crests
// that run right and come back left just below themselves, as foam does.
std::vector<PathPoint> randomOutline(std::mt19937& random) {
  std::uniform_real_distribution<float> across(-20.0f, width + 20.0f), down(-20.0f, height + 20.0f);
  std::uniform_real_distribution<float> jitter(-3.0f, 3.0f);
  std::vector<PathPoint> p;
  switch (random() % 4) {
    case 0: {
      const int n = 3 + static_cast<int>(random() % 30);
      for (int i = 0; i < n; ++i) p.push_back({across(random), down(random)});
      break;
    }
    case 1: {  // zigzag: a row crossed by up to 2 * teeth edges
      const int teeth = 1 + static_cast<int>(random() % 14);
      const float top = down(random) * 0.5f, depth = 5.0f + std::abs(jitter(random)) * 10.0f;
      for (int i = 0; i <= teeth; ++i) {
        const float x = 5.0f + i * (width - 10.0f) / teeth;
        p.push_back({x + jitter(random), top + jitter(random)});
        if (i < teeth) p.push_back({x + (width - 10.0f) / (2 * teeth), top + depth});
      }
      p.push_back({width - 5.0f, top + depth + 20.0f});
      p.push_back({5.0f, top + depth + 20.0f});
      break;
    }
    case 2: {  // comb: teeth hanging from a bar, walked right then back
      const int teeth = 1 + static_cast<int>(random() % 12);
      const float bar = 10.0f + std::abs(jitter(random)), tip = 30.0f + 10.0f * jitter(random);
      p.push_back({2.0f, bar});
      for (int i = 0; i < teeth; ++i) {
        const float x = 4.0f + i * (width - 8.0f) / teeth;
        p.push_back({x, bar});
        p.push_back({x + 1.5f, tip + jitter(random)});
        p.push_back({x + 3.0f, bar});
      }
      p.push_back({width - 2.0f, bar});
      p.push_back({width - 2.0f, bar - 6.0f});
      p.push_back({2.0f, bar - 6.0f});
      break;
    }
    default: {  // crest out to the right, water surface back to the left
      const float base = 20.0f + down(random) * 0.5f;
      const int n = 4 + static_cast<int>(random() % 30);
      std::vector<float> surface(n);
      for (float& s : surface) s = base + jitter(random);
      for (int i = 0; i < n; ++i)
        p.push_back({3.0f * i, surface[i] - 1.0f - std::abs(jitter(random)) * 4});
      for (int i = n - 1; i >= 0; --i) p.push_back({3.0f * i, surface[i]});
      break;
    }
  }
  return p;
}

void fillOutline(const std::vector<PathPoint>& p, std::size_t first) {
  beginPath();
  for (std::size_t i = 0; i < p.size(); ++i) {
    const PathPoint& q = p[(first + i) % p.size()];
    addPoint(q.x, q.y);
  }
  fillPath(0xFF204060, 1);
}

// The calls of each row in plotting order, rows in row order.
std::vector<PlotCall> callsByRow() {
  std::vector<PlotCall> calls = CoverageRecorder::calls;
  std::stable_sort(calls.begin(), calls.end(),
                   [](const PlotCall& a, const PlotCall& b) { return a.y < b.y; });
  return calls;
}

std::string describe(const PlotCall& c) {
  char text[96];
  std::snprintf(text, sizeof text, "row %d x %d count %d coverage %d%s", c.y, c.x, c.count,
                c.coverage, c.pixel ? " pixel" : "");
  return text;
}

class RasterOrder : public ::testing::Test {
 protected:
  RasterSettingsGuard settings;
};

TEST_F(RasterOrder, BottomUpSurfacePlotsTheSameRunsUpwards) {
  std::mt19937 random(9);
  for (int n = 0; n < 400; ++n) {
    const std::vector<PathPoint> outline = randomOutline(random);
    const int rule = static_cast<int>(random() % 2);
    setFillRule(rule);
    std::vector<PlotCall> downwards;
    {
      TestSurface surface(width, height);
      setView(-1, -1, -1, -1, 0, 0);  // top-down: rows swept in row order
      ASSERT_GT(backBuffer.rowStep, 0);
      CoverageRecorder::install();
      fillOutline(outline, 0);
      downwards = CoverageRecorder::calls;
      for (std::size_t i = 1; i < downwards.size(); ++i) {
        ASSERT_LE(downwards[i - 1].y, downwards[i].y) << "outline " << n;
      }
    }
    TestSurface surface(width, height);
    ASSERT_LT(backBuffer.rowStep, 0);
    CoverageRecorder::install();
    fillOutline(outline, 0);
    const std::vector<PlotCall>& upwards = CoverageRecorder::calls;
    for (std::size_t i = 1; i < upwards.size(); ++i) {
      ASSERT_GE(upwards[i - 1].y, upwards[i].y) << "outline " << n << ": rows in memory order";
    }
    const std::vector<PlotCall> regrouped = callsByRow();
    ASSERT_EQ(regrouped.size(), downwards.size()) << "outline " << n << " rule " << rule;
    for (std::size_t i = 0; i < downwards.size(); ++i) {
      ASSERT_EQ(describe(regrouped[i]), describe(downwards[i]))
          << "outline " << n << " rule " << rule;
    }
    EXPECT_EQ(CoverageRecorder::strayCalls, 0);
  }
}

// Past the cell limit the fill is drawn in bands; each band plots the same runs on
// either orientation.
TEST_F(RasterOrder, BandedFillsPlotTheSameRunsOnEitherOrientation) {
  std::vector<PlotCall> downwards;
  for (const int bottomUp : {0, 1}) {
    TestSurface tall(64, 2100);
    setView(-1, -1, -1, -1, 0, bottomUp);
    CoverageRecorder::install();
    beginPath();
    for (int k = 0; k < 1200; ++k) {
      addPoint(float(k % 2 ? 2000 : 0) + k * 0.37f, k % 2 ? 2095.0f : 0.0f);
    }
    fillPath(0xFFFFFFFF, 1);
    ASSERT_EQ(cellRasterizer.overflowed, 1);
    if (!bottomUp) {
      downwards = CoverageRecorder::calls;
      continue;
    }
    const std::vector<PlotCall> regrouped = callsByRow();
    ASSERT_EQ(regrouped.size(), downwards.size());
    for (std::size_t i = 0; i < downwards.size(); ++i) {
      ASSERT_EQ(describe(regrouped[i]), describe(downwards[i])) << "call " << i;
    }
  }
}

TEST_F(RasterOrder, AnyStartingCornerGivesTheSamePixels) {
  TestSurface surface(width, height);
  std::mt19937 random(17);
  int manyStretchRows = 0;
  for (int n = 0; n < 300; ++n) {
    const std::vector<PathPoint> outline = randomOutline(random);
    const int rule = static_cast<int>(random() % 2);
    setFillRule(rule);
    CoverageRecorder::install();
    fillOutline(outline, 0);
    const std::vector<int> reference = CoverageRecorder::alpha;
    for (std::size_t first : {std::size_t{1}, outline.size() / 2, outline.size() - 1}) {
      CoverageRecorder::install();
      fillOutline(outline, first);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          ASSERT_EQ(CoverageRecorder::at(x, y), reference[static_cast<std::size_t>(y) * width + x])
              << "outline " << n << " from corner " << first << " rule " << rule << " pixel " << x
              << ", " << y;
        }
      }
      ASSERT_EQ(CoverageRecorder::strayCalls, 0);
    }
    // Rows with more than eight touched stretches take the library sort.
    for (int y = 0; y < height; ++y) {
      int stretches = 0;
      for (int x = 0; x < width; ++x) {
        const bool touched = reference[static_cast<std::size_t>(y) * width + x] >= 0;
        const bool before = x > 0 && reference[static_cast<std::size_t>(y) * width + x - 1] >= 0;
        stretches += touched && !before;
      }
      manyStretchRows += stretches > 8;
    }
  }
  EXPECT_GT(manyStretchRows, 0) << "no outline reached the fallback sort";
}

}  // namespace
