// The polygon fill: exact coverage of simple shapes, fill rules, culling, clipping
// and the run plotting, checked through recording coverage routines.

#include <climits>
#include <cmath>

#include "raster_support.h"

namespace {

class RasterFill : public ::testing::Test {
 protected:
  TestSurface surface{64, 48};
  RasterSettingsGuard settings;
  void SetUp() override { CoverageRecorder::install(); }
};

void expectSquareTenToTwenty() {
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool edgeX = x == 10 || x == 20, edgeY = y == 10 || y == 20;
      const bool insideX = x > 10 && x<20, insideY = y> 10 && y < 20;
      int expected = -1;
      if (insideX && insideY) expected = 255;
      if ((edgeX && insideY) || (edgeY && insideX)) expected = 85;
      if (edgeX && edgeY) expected = 39;
      ASSERT_EQ(CoverageRecorder::at(x, y), expected) << "pixel " << x << ", " << y;
      if (expected >= 0) {
        ASSERT_EQ(CoverageRecorder::touchesAt(x, y), 1);
      }
    }
  }
}

TEST_F(RasterFill, SquareGetsFullEdgeAndCornerCoverage) {
  fillPolygon({10, 10, 20, 10, 20, 20, 10, 20});
  expectSquareTenToTwenty();
  // Each inside row is one run between two single pixels.
  for (const PlotCall& c : CoverageRecorder::calls) {
    EXPECT_EQ(c.pixel, c.count == 1);
    if (c.y > 10 && c.y < 20 && !c.pixel) {
      EXPECT_EQ(c.x, 11);
      EXPECT_EQ(c.count, 9);
    }
  }
  EXPECT_EQ(CoverageRecorder::strayCalls, 0);
}

// A row limit plots exactly the rows it keeps, and the first columns of the others,
// as the whole fill plots them (coverage and routine alike: a run cut to one column
// stays a run), and nothing else; a clip cuts that again to its rectangles, each
// pixel once however they overlap; limits past the view are cut to it, and clearing
// brings back all. One shape lies inside the view, one reaches past its left edge.
TEST_F(RasterFill, RowLimitsAndClipsPlotTheirPixelsAsTheWholeFillDoes) {
  // Per pixel: the coverage plotted, plus 1000 when the pixel routine plotted it.
  const auto plotted = [](std::initializer_list<float> shape) {
    CoverageRecorder::clear();
    fillPolygon(shape);
    std::vector<int> seen(64 * 48, -1);
    for (const PlotCall& c : CoverageRecorder::calls) {
      for (int x = c.x; x < c.x + c.count; ++x) {
        EXPECT_EQ(seen[c.y * 64 + x], -1) << "pixel " << x << ", " << c.y << " plotted twice";
        seen[c.y * 64 + x] = c.coverage + (c.pixel ? 1000 : 0);
      }
    }
    return seen;
  };
  const std::initializer_list<float> shapes[] = {
      {3.3f, 2.7f, 60.1f, 17.2f, 41.6f, 45.9f, 1.2f, 30.4f},
      {-10.3f, 5.2f, 30.7f, 8.1f, 20.2f, 40.6f, -12.1f, 44.4f}};
  constexpr int low = INT_MIN, high = INT_MAX;              // as none, as all
  const std::vector<Rect> seventeen(17, Rect{0, 0, 1, 1});  // too many: no clip
  const struct {
    int top, bottom, columns;
    std::vector<Rect> clip;
  } limits[] = {{10, 20, 0, {}},
                {0, 48, 0, {}},
                {-5, 7, 0, {}},
                {40, 100, 0, {}},
                {30, 30, 0, {}},
                {25, 12, 0, {}},
                {47, 48, 0, {}},
                {10, 20, 1, {}},
                {30, 30, 3, {}},
                {0, 0, 100, {}},
                {low, low, low, {}},
                {0, 48, 0, {{12, 0, 13, 48}}},                   // one column
                {0, 48, 0, {{2, 5, 20, 30}, {30, 10, 50, 40}}},  // two pieces a row
                {0, 48, 0, {{2, 5, 20, 30}, {10, 20, 35, 45}, {34, 0, 40, 48}}},  // overlapping
                {0, 48, 0, {{5, 3, 9, 40}, {9, 3, 12, 40}}},                      // adjacent
                {0, 48, 0, {{low, low, 3, high}, {61, -5, high, 44}}},            // past the view
                {0, 48, 0, {{low, low, low, low}, {high, high, high, high}, {40, 2, 50, 9}}},
                {10, 20, 3, {{1, 0, 30, 48}, {40, 15, 44, 25}}},  // with a row limit
                {0, 48, 0, {{30, 0, 20, 48}, {0, 30, 64, 30}}},   // empty rectangles
                {0, 48, 0, seventeen}};
  for (const auto& shape : shapes) {
    const std::vector<int> whole = plotted(shape);
    for (const auto& l : limits) {
      setFillRows(l.top, l.bottom, l.columns);
      setFillClip(l.clip.data(), static_cast<int>(l.clip.size()));
      const std::vector<int> limited = plotted(shape);
      clearFillRows();
      clearFillClip();
      for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
          bool clipped = l.clip.size() >= 1 && l.clip.size() <= 16;
          for (const Rect& r : l.clip) {
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) clipped = false;
          }
          const bool kept = ((y >= l.top && y < l.bottom) || x < l.columns) && !clipped;
          ASSERT_EQ(limited[y * 64 + x], kept ? whole[y * 64 + x] : -1)
              << "rows " << l.top << ".." << l.bottom << " and " << l.columns << " columns, "
              << l.clip.size() << " clip rectangles, pixel " << x << ", " << y;
        }
      }
    }
    EXPECT_EQ(plotted(shape), whole);
  }
}

TEST_F(RasterFill, CounterClockwiseSquareGivesTheSamePixels) {
  fillPolygon({10, 10, 10, 20, 20, 20, 20, 10});
  expectSquareTenToTwenty();
}

TEST_F(RasterFill, FractionalRectangleCoverageIsExact) {
  int identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = i;
  setCoverageTable(identity);
  const float x1 = 10.25f, y1 = 5.5f, x2 = 30.75f, y2 = 17.25f;
  fillPolygon({x1, y1, x2, y1, x2, y2, x1, y2});
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const double ox =
          std::max(0.0, std::min(x + 0.5, double(x2)) - std::max(x - 0.5, double(x1)));
      const double oy =
          std::max(0.0, std::min(y + 0.5, double(y2)) - std::max(y - 0.5, double(y1)));
      const int raw = std::min(255, static_cast<int>(ox * oy * 256));
      ASSERT_EQ(CoverageRecorder::at(x, y), raw == 0 ? -1 : raw) << "pixel " << x << ", " << y;
    }
  }
}

TEST_F(RasterFill, FillRulesCombineOverlappingSubPaths) {
  const auto twoSquares = [](bool secondReversed) {
    addSubPath({10, 10, 30, 10, 30, 30, 10, 30});
    if (secondReversed) {
      addSubPath({20, 20, 20, 40, 40, 40, 40, 20});
    } else {
      addSubPath({20, 20, 40, 20, 40, 40, 20, 40});
    }
    fillPath(0xFFFFFFFF, 1);
  };
  ASSERT_EQ(fillRuleState.fillRule, 1);  // even-odd from the start
  twoSquares(false);
  EXPECT_EQ(CoverageRecorder::at(15, 15), 255);
  EXPECT_EQ(CoverageRecorder::at(35, 35), 255);
  EXPECT_EQ(CoverageRecorder::at(25, 25), -1);
  EXPECT_EQ(CoverageRecorder::at(20, 25), 85);  // half of it lies in the overlap

  CoverageRecorder::clear();
  setFillRuleNonZero();
  twoSquares(false);
  EXPECT_EQ(CoverageRecorder::at(25, 25), 255);
  EXPECT_EQ(CoverageRecorder::at(20, 25), 255);

  CoverageRecorder::clear();
  twoSquares(true);  // opposite windings cancel under non-zero too
  EXPECT_EQ(CoverageRecorder::at(25, 25), -1);
  EXPECT_EQ(CoverageRecorder::at(15, 15), 255);
}

TEST_F(RasterFill, CullingAtTheViewEdgesIsStrict) {
  const float right = backBuffer.clipMaxXf, bottom = backBuffer.clipMaxYf;
  struct Case {
    std::initializer_list<float> xy;
    int kept;
  };
  const Case cases[] = {
      {{-5, 5, -0.5f, 5, -0.5f, 10}, 1},
      {{-5, 5, -0.6f, 5, -0.6f, 10}, 0},
      {{5, -5, 5, -0.5f, 10, -0.5f}, 1},
      {{5, -5, 5, -0.6f, 10, -0.6f}, 0},
      {{right, 5, right + 5, 5, right, 9}, 1},
      {{right + 0.1f, 5, right + 5, 5, right + 1, 9}, 0},
      {{5, bottom, 5, bottom + 5, 9, bottom}, 1},
      {{5, bottom + 0.1f, 5, bottom + 5, 9, bottom + 1}, 0},
      {{5, 5}, 0},  // one point is no polygon
  };
  for (const Case& c : cases) {
    addSubPath(c.xy);
    beginPath();
    EXPECT_EQ(fillRuleState.cellsPending, c.kept) << "first x " << *c.xy.begin();
    EXPECT_EQ(pathBuffer.count, 0);
    EXPECT_EQ(pathBuffer.minX, 100000.0f);
    EXPECT_EQ(pathBuffer.maxY, -100000.0f);
    fillPath(0, 1);
  }
  EXPECT_EQ(CoverageRecorder::touchedPixels(), 0);  // the kept ones lie outside, too
}

// Rows inside the view come out as if the view were taller and nothing was clipped.
// The top vertex is placed so that the slanted edge crosses y = -1 at a whole 1/256
// step (the cut point is rounded to that step, and the vertical edge is exact).
TEST_F(RasterFill, TriangleClippedAtTheTopMatchesUnclipped) {
  const float shift = 1100;
  std::vector<int> clipped;
  const float topX = 11.171875f, topY = -972.59765625f;
  fillPolygon({topX, topY, 60, 40, topX, 30});
  clipped = CoverageRecorder::alpha;
  ASSERT_GT(CoverageRecorder::touchedPixels(), 300);
  {
    TestSurface tall(64, 1200);
    CoverageRecorder::install();
    fillPolygon({topX, topY + shift, 60, 40 + shift, topX, 30 + shift});
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 64; ++x) {
        ASSERT_EQ(clipped[y * 64 + x], CoverageRecorder::at(x, y + int(shift))) << x << ", " << y;
      }
    }
  }
}

TEST_F(RasterFill, RunWiderThanTheViewIsCutToTheRow) {
  fillPolygon({-50, 10, 200, 10, 200, 20, -50, 20});
  for (int y = 11; y < 20; ++y) {
    for (int x = 0; x < 64; ++x) ASSERT_EQ(CoverageRecorder::at(x, y), 255);
  }
  int runs = 0;
  for (const PlotCall& c : CoverageRecorder::calls) {
    if (c.y > 10 && c.y < 20) {
      EXPECT_EQ(c.x, 0);
      EXPECT_EQ(c.count, 64);
      ++runs;
    }
  }
  EXPECT_EQ(runs, 9);
  EXPECT_EQ(CoverageRecorder::strayCalls, 0);
}

TEST_F(RasterFill, FillWithoutPointsDrawsNothingAndKeepsTheRule) {
  setFillRuleNonZero();
  fillPath(0xFFFFFFFF, 1);
  EXPECT_EQ(fillRuleState.fillRule, 0);
  setFillRuleOnce(1);
  EXPECT_EQ(fillRuleState.fillRule, 1);
  fillPath(0xFFFFFFFF, 1);
  EXPECT_EQ(fillRuleState.fillRule, 0);  // the one-shot rule is over
  EXPECT_EQ(fillRuleState.restoreAfterFill, 0);
  EXPECT_EQ(cellRasterizer.fillRule, 0);
  EXPECT_TRUE(CoverageRecorder::calls.empty());
}

TEST_F(RasterFill, FillRuleCallsKeepThePreviousRule) {
  setFillRule(0);
  EXPECT_EQ(fillRuleState.previousRule, 1);
  setFillRuleEvenOdd();
  EXPECT_EQ(fillRuleState.previousRule, 0);
  restoreFillRule();
  EXPECT_EQ(fillRuleState.fillRule, 0);
  EXPECT_EQ(cellRasterizer.fillRule, 0);
}

TEST_F(RasterFill, RotationNeedsAnAngleAboveTheThreshold) {
  setPathRotation(5, 5, 0.000005f);
  EXPECT_EQ(pathRotation.enabled, 0);
  setPathRotation(5, 5, -0.00002f);
  EXPECT_EQ(pathRotation.enabled, 1);
  clearPathRotation();
  EXPECT_EQ(pathRotation.enabled, 0);

  setPathRotation(10, 10, 1.5707963f);  // a quarter turn: x to the right becomes down
  beginPath();
  addPoint(20, 10);
  EXPECT_NEAR(pathBuffer.points[0].x, 10.0f, 1e-5f);
  EXPECT_NEAR(pathBuffer.points[0].y, 20.0f, 1e-5f);
  EXPECT_EQ(pathBuffer.maxY, pathBuffer.points[0].y);
}

// The shutdown frees every work buffer; drawing afterwards grows them again, the
// point list by 4096 bytes (512 points) at a time.
TEST_F(RasterFill, ShutdownFreesTheBuffersAndTheyGrowAgain) {
  fillPolygon({10, 10, 20, 10, 20, 20, 10, 20});
  ASSERT_GT(cellRasterizer.blocksAllocated, 0);
  shutdownDrawing();
  EXPECT_EQ(pathBuffer.points, nullptr);
  EXPECT_EQ(pathBuffer.capacity, 0);
  EXPECT_EQ(cellRasterizer.blocksAllocated, 0);
  EXPECT_EQ(cellRasterizer.sorted, nullptr);
  backBuffer.pixels = reinterpret_cast<std::uint8_t*>(surface.memory.data());
  setView(-1, -1, -1, -1, 0, 1);

  beginPath();
  addPoint(1, 2);
  EXPECT_EQ(pathBuffer.capacity, 512);
  for (int i = 1; i < 512; ++i) addPoint(float(i), 3);
  EXPECT_EQ(pathBuffer.capacity, 512);
  addPoint(600, -7);
  EXPECT_EQ(pathBuffer.capacity, 1024);
  EXPECT_EQ(pathBuffer.points[0].y, 2);
  EXPECT_EQ(pathBuffer.points[512].x, 600);
  EXPECT_EQ(pathBuffer.minY, -7);
  EXPECT_EQ(pathBuffer.maxX, 600);
  beginPath();
  EXPECT_EQ(pathBuffer.count, 0);
  EXPECT_EQ(pathBuffer.minX, 100000.0f);
  EXPECT_EQ(pathBuffer.maxX, -100000.0f);
  fillPath(0, 1);

  CoverageRecorder::clear();
  fillPolygon({10, 10, 20, 10, 20, 20, 10, 20});
  expectSquareTenToTwenty();
}

TEST_F(RasterFill, CoverageCurveCanBeReplaced) {
  setCoverageGamma(2.0f);
  EXPECT_EQ(cellRasterizer.curve[0], 0);
  EXPECT_EQ(cellRasterizer.curve[128], 64);  // 255 * (128/255)^2 = 64.25
  EXPECT_EQ(cellRasterizer.curve[255], 255);
  setCoverageGamma(1.0f);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(cellRasterizer.curve[i], i);
  setCoverageGamma(NAN);  // refused
  EXPECT_EQ(cellRasterizer.curve[100], 100);

  int table[256];
  for (int i = 0; i < 256; ++i) table[i] = 300 - i;  // out of range entries are clamped
  setCoverageTable(table);
  EXPECT_EQ(cellRasterizer.curve[0], 255);
  EXPECT_EQ(cellRasterizer.curve[255], 45);
  fillPolygon({10, 10, 20, 10, 20, 20, 10, 20});
  EXPECT_EQ(CoverageRecorder::at(15, 15), 45);   // raw 255
  EXPECT_EQ(CoverageRecorder::at(10, 15), 172);  // raw 128
  EXPECT_EQ(CoverageRecorder::at(10, 10), 236);  // raw 64
}

TEST_F(RasterFill, PixelCoveredFollowsTheRuleWithoutPlotting) {
  EXPECT_EQ(isPixelCovered(15, 15), 0);  // nothing pending
  addSubPath({10, 10, 30, 10, 30, 30, 10, 30});
  addSubPath({20, 20, 40, 20, 40, 40, 20, 40});
  beginPath();
  EXPECT_EQ(isPixelCovered(15, 15), 1);
  EXPECT_EQ(isPixelCovered(10, 15), 1);  // an edge pixel, half covered
  EXPECT_EQ(isPixelCovered(25, 25), 0);  // even-odd overlap
  EXPECT_EQ(isPixelCovered(45, 25), 0);
  EXPECT_EQ(isPixelCovered(5, 5), 0);
  setFillRuleNonZero();
  EXPECT_EQ(isPixelCovered(25, 25), 1);
  EXPECT_TRUE(CoverageRecorder::calls.empty());
  fillPath(0xFFFFFFFF, 1);  // the cells are still pending and fill once
  EXPECT_EQ(CoverageRecorder::at(25, 25), 255);
  EXPECT_EQ(CoverageRecorder::touchesAt(15, 15), 1);
}

TEST_F(RasterFill, SubPathsAccumulateUntilTheFill) {
  addSubPath({2, 2, 8, 2, 8, 8, 2, 8});
  beginPathAt(40, 30);
  addPoint(50, 30);
  addPoint(45, 40);
  EXPECT_EQ(pathBuffer.count, 3);
  fillPath(0xFFFFFFFF, 1);
  EXPECT_EQ(CoverageRecorder::at(5, 5), 255);
  EXPECT_EQ(CoverageRecorder::at(45, 33), 255);
  EXPECT_EQ(fillRuleState.cellsPending, 0);
  CoverageRecorder::clear();
  fillPolygon({20, 20, 21, 22});  // zero area: two points are a line there and back
  EXPECT_TRUE(CoverageRecorder::calls.empty());
}

TEST_F(RasterFill, ModeIsPassedWithoutItsHighBits) {
  coverageRoutines.mode = 0x3;
  fillPolygon({10, 10, 20, 10, 20, 20}, 0xFFFFFFFF, 0x73);
  EXPECT_EQ(coverageRoutines.mode, 0x3);
  EXPECT_EQ(CoverageRecorder::at(18, 12), 255);  // the recorder stayed installed
}

}  // namespace
