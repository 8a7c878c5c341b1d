// The polygon fill under hostile input: non-finite and huge coordinates, runs longer
// than a run word holds, and thousands of random polygons.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>

#include "raster_support.h"

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

class RasterRobustness : public ::testing::Test {
 protected:
  TestSurface surface{64, 48};
  RasterSettingsGuard settings;
  void SetUp() override { CoverageRecorder::install(); }
};

TEST_F(RasterRobustness, NonFinitePointsAreDropped) {
  beginPath();
  addPoint(nan, 5);
  addPoint(5, inf);
  addPoint(-inf, -inf);
  EXPECT_EQ(pathBuffer.count, 0);
  setPathRotation(nan, 0, 1.0f);  // a rotation that turns every point into NaN
  addPoint(5, 5);
  clearPathRotation();
  EXPECT_EQ(pathBuffer.count, 0);

  // The bulk form keeps the same points and box, turned or not.
  const std::vector<float> xs{1, nan, 7, -inf, 3, 2}, ys{4, 5, -2, 0, inf, 9};
  for (const float angle : {0.0f, 0.5f}) {
    setPathRotation(3, 4, angle);
    beginPath();
    for (std::size_t i = 0; i < xs.size(); ++i) addPoint(xs[i], ys[i]);
    const std::vector<PathPoint> single(pathBuffer.points, pathBuffer.points + pathBuffer.count);
    const std::array<float, 4> box{pathBuffer.minX, pathBuffer.minY, pathBuffer.maxX,
                                   pathBuffer.maxY};
    pathBuffer.count = 0;
    pathBuffer.minX = pathBuffer.minY = 100000.0f;
    pathBuffer.maxX = pathBuffer.maxY = -100000.0f;
    addPoints(xs.data(), ys.data(), static_cast<int>(xs.size()));
    ASSERT_EQ(pathBuffer.count, 3) << angle;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(pathBuffer.points[i].x, single[i].x);
      EXPECT_EQ(pathBuffer.points[i].y, single[i].y);
    }
    EXPECT_EQ(
        (std::array<float, 4>{pathBuffer.minX, pathBuffer.minY, pathBuffer.maxX, pathBuffer.maxY}),
        box);
    pathBuffer.count = 0;
  }
  clearPathRotation();

  fillPolygon({10, 10, 20, 10, 20, 20, 10, 20});
  const std::vector<int> plain = CoverageRecorder::alpha;
  CoverageRecorder::clear();
  fillPolygon({10, 10, nan, 3, 20, 10, 20, inf, 20, 20, 10, 20, -inf, nan});
  EXPECT_EQ(CoverageRecorder::alpha, plain);
}

// Far points are cut along a vertical line outside the view (columns) or clamped
// (rows beyond millions of pixels); the view sees the same polygon.
TEST_F(RasterRobustness, HugeCoordinatesKeepTheVisiblePart) {
  fillPolygon({-100, 10, 200, 10, 200, 20, -100, 20});
  const std::vector<int> band = CoverageRecorder::alpha;
  for (float far : {1e5f, 3e6f, 1e12f, 3e38f}) {
    CoverageRecorder::clear();
    fillPolygon({-far, 10, far, 10, far, 20, -far, 20});
    EXPECT_EQ(CoverageRecorder::alpha, band) << far;
  }
  CoverageRecorder::clear();
  fillPolygon({10, -3e38f, 20, -3e38f, 20, 3e38f, 10, 3e38f});
  for (int y = 0; y < 48; ++y) ASSERT_EQ(CoverageRecorder::at(15, y), 255) << y;
  EXPECT_EQ(CoverageRecorder::strayCalls, 0);
}

// A slanted edge from far outside: the cut keeps its slope, so the view shows the
// same edge as a short polygon along the same line (within a 1/256-pixel rounding).
TEST_F(RasterRobustness, SlantedEdgeFromFarAwayKeepsItsSlope) {
  const auto lineX = [](float y) { return 30.0f + (y - 24.0f) * 0.5f; };  // x on the edge
  const float farY = -200000.0f;
  fillPolygon({lineX(farY), farY, lineX(60), 60, 70, 60, 70, farY});
  const std::vector<int> far = CoverageRecorder::alpha;
  CoverageRecorder::clear();
  fillPolygon({lineX(-10), -10, lineX(60), 60, 70, 60, 70, -10});
  int differing = 0;
  for (std::size_t i = 0; i < far.size(); ++i) {
    ASSERT_NEAR(far[i], CoverageRecorder::alpha[i], 2) << i;
    differing += far[i] != CoverageRecorder::alpha[i];
  }
  EXPECT_LT(differing, 10);
}

TEST_F(RasterRobustness, RunsLongerThanARunWordAreSplit) {
  TestSurface wide(5000, 4);
  CoverageRecorder::install();
  fillPolygon({-10, -10, 6000, -10, 6000, 10, -10, 10});
  for (int y = 0; y < 4; ++y) {
    int calls = 0;
    for (const PlotCall& c : CoverageRecorder::calls) {
      if (c.y != y) continue;
      ++calls;
      EXPECT_LE(c.count, 4095);
    }
    EXPECT_GE(calls, 2);
    for (int x = 0; x < 5000; ++x) {
      ASSERT_EQ(CoverageRecorder::at(x, y), 255) << x;
      ASSERT_EQ(CoverageRecorder::touchesAt(x, y), 1) << x;
    }
  }
  EXPECT_EQ(CoverageRecorder::strayCalls, 0);
}

// A long run is clipped before it is cut into run words, so no fully covered pixel
// of it is left over as a piece of one and blended by the pixel routine: white in
// Copy over black stays white in every covered pixel of row 4.
TEST_F(RasterRobustness, LongRunsKeepFullyCoveredPixelsWhole) {
  const struct {
    int width;
    float left, right;
  } cases[] = {{64, -4095, 100}, {5120, 1023.5f, 6000}, {5120, -3071.5f, 6000}, {4096, -1, 5000}};
  for (const auto& c : cases) {
    TestSurface wide(c.width, 8);
    std::fill(wide.memory.begin(), wide.memory.end(), 0xFF000000u);
    installDefaultCoverageRoutines();
    fillPolygon({c.left, 2, c.right, 2, c.right, 6, c.left, 6}, 0xFFFFFFFF, 1);
    const Color* row = reinterpret_cast<const Color*>(backBuffer.rowTable[4]);
    const int first = std::max(0, static_cast<int>(std::ceil(c.left + 0.5f)));
    for (int x = first; x < c.width; ++x) {
      ASSERT_EQ(row[x], 0xFFFFFFFFu) << "width " << c.width << " from " << c.left << " pixel " << x;
    }
  }
  CoverageRecorder::install();
}

using Point = std::array<double, 2>;

// Area of a convex polygon inside the axis-aligned box (Sutherland-Hodgman).
double areaInside(std::vector<Point> points, double left, double top, double right, double bottom) {
  const double limits[4] = {left, right, top, bottom};
  for (int side = 0; side < 4 && !points.empty(); ++side) {
    const int axis = side / 2;
    const double limit = limits[side];
    const auto inside = [&](const Point& p) {
      return side % 2 ? p[axis] <= limit : p[axis] >= limit;
    };
    std::vector<Point> out;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Point& a = points[i];
      const Point& b = points[(i + 1) % points.size()];
      if (inside(a)) out.push_back(a);
      if (inside(a) != inside(b)) {
        const double t = (limit - a[axis]) / (b[axis] - a[axis]);
        out.push_back({a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1])});
      }
    }
    points = out;
  }
  double area = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Point& a = points[i];
    const Point& b = points[(i + 1) % points.size()];
    area += a[0] * b[1] - b[0] * a[1];
  }
  return std::fabs(area) * 0.5;
}

// Fills a convex polygon with the identity curve and compares every view pixel with
// its exact area in 1/256 units (truncated, 256 shown as 255), within `tolerance`.
void expectExactCoverage(const std::vector<Point>& polygon, int tolerance, int seed) {
  CoverageRecorder::clear();
  beginPath();
  for (const Point& p : polygon) addPoint(float(p[0]), float(p[1]));
  fillPath(0xFFFFFFFF, 1);
  // The caller's pixel centres are integers: pixel (x, y) is the box x +- 0.5.
  std::vector<Point> fixed;
  for (const Point& p : polygon) {
    fixed.push_back({std::trunc((float(p[0]) + 0.5f) * 256.0f) / 256.0 - 0.5,
                     std::trunc((float(p[1]) + 0.5f) * 256.0f) / 256.0 - 0.5});
  }
  for (int y = 0; y < CoverageRecorder::height; ++y) {
    for (int x = 0; x < CoverageRecorder::width; ++x) {
      const double a = areaInside(fixed, x - 0.5, y - 0.5, x + 0.5, y + 0.5);
      const int raw = std::min(255, static_cast<int>(a * 256.0 + 1e-9));
      const int got = std::max(CoverageRecorder::at(x, y), 0);
      ASSERT_NEAR(got, raw, tolerance) << "pixel " << x << ", " << y << " seed " << seed;
    }
  }
}

// Edges through pixel corners at slopes 1, 1/2 and 2 cut pixels in exact 1/256
// fractions: the coverage must match to the unit.
TEST_F(RasterRobustness, SlantedEdgesThroughCornersAreExact) {
  int identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = i;
  setCoverageTable(identity);
  expectExactCoverage({{9.5, 9.5}, {29.5, 9.5}, {9.5, 29.5}}, 0, 0);
  expectExactCoverage({{4.5, 4.5}, {44.5, 24.5}, {4.5, 24.5}}, 0, 0);
  expectExactCoverage({{30.5, 2.5}, {40.5, 22.5}, {20.5, 22.5}}, 0, 0);
  expectExactCoverage({{30.5, 2.5}, {50.5, 22.5}, {30.5, 42.5}, {10.5, 22.5}}, 0, 0);
  expectExactCoverage({{-9.5, 40.5}, {70.5, 0.5}, {70.5, 40.5}}, 0, 0);  // beyond both sides
}

// Random convex polygons against their exact pixel areas. The edge walk places x at
// each row boundary to the 1/256 below the exact crossing, the top clip rounds the
// point where an edge enters, and the result is truncated: up to three units.
TEST_F(RasterRobustness, ConvexPolygonsMatchTheirPixelAreas) {
  int identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = i;
  setCoverageTable(identity);
  for (int seed = 1; seed <= 200; ++seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> angle(0.0, 6.283185307179586), radius(2.0, 25.0);
    std::uniform_real_distribution<double> centre(-10.0, 70.0);
    const int n = 3 + seed % 12;
    std::vector<double> angles(n);
    for (double& a : angles) a = angle(random);
    std::sort(angles.begin(), angles.end());
    const double cx = centre(random), cy = centre(random) * 0.6, r = radius(random);
    std::vector<Point> polygon;
    for (double a : angles) polygon.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    if (seed % 2) std::reverse(polygon.begin(), polygon.end());
    expectExactCoverage(polygon, 3, seed);
    if (HasFatalFailure()) return;
  }
}

// Thousands of random polygons, sane and absurd: no fault (the sanitizer build
// watches), coverage within 0..255, nothing plotted outside the view, which is a
// window in the middle of a larger surface.
TEST_F(RasterRobustness, RandomPolygonsStayInsideTheView) {
  TestSurface big(96, 80);
  setView(10, 12, 73, 59, 0, 1);
  CoverageRecorder::install();
  const float specials[] = {nan,      inf,       -inf,       3e38f,       -3e38f, 1e9f,  -1e9f,
                            32767.4f, -32768.6f, 4194303.0f, -4194305.0f, -0.5f,  63.5f, 47.5f};
  for (int seed = 1; seed <= 3000; ++seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> kind(0, 9), pick(0, 13), count(1, 40);
    std::uniform_real_distribution<float> near(-20.0f, 90.0f), wide(-70000.0f, 70000.0f);
    const bool absurd = seed % 4 == 0;  // most polygons keep to the view's neighbourhood
    const auto coordinate = [&]() {
      switch (absurd ? kind(random) : 19) {
        case 0:
        case 1:
          return specials[pick(random)];
        case 2:
          return wide(random);
        default:
          return near(random);
      }
    };
    if (seed % 3 == 0) setFillRuleNonZero();
    if (seed % 3 == 1) setFillRuleEvenOdd();
    const int subPaths = 1 + seed % 3;
    for (int s = 0; s < subPaths; ++s) {
      beginPath();
      const int n = count(random);
      for (int i = 0; i < n; ++i) {
        const float x = coordinate();
        addPoint(x, coordinate());
      }
    }
    if (seed % 7 == 0) isPixelCovered(seed % 64, seed % 48);
    fillPath(0xFF00FF00, seed % 11);
    coverageRoutines.mode = 1;
    ASSERT_EQ(CoverageRecorder::strayCalls, 0) << "seed " << seed;
    ASSERT_EQ(CoverageRecorder::badCoverage, 0) << "seed " << seed;
  }
  EXPECT_GT(CoverageRecorder::calls.size(), 1000u);
}

}  // namespace
