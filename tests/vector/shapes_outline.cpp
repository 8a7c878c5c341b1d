// Shapes: their outline points (collected with the one-shot fill rule, which keeps
// them pending), visibility, degenerate cases, and what they plot.

#include <cmath>
#include <random>

#include "noise/random.h"
#include "raster_support.h"
#include "vector/shapes.h"

namespace {

constexpr float pi = 3.14159265f;

class Shapes : public ::testing::Test {
 protected:
  TestSurface surface{64, 48};
  RasterSettingsGuard settings;
  void SetUp() override { CoverageRecorder::install(); }

  // The points a shape adds, without filling them.
  template <typename Draw>
  std::vector<PathPoint> outline(Draw draw) {
    setFillRuleOnce(fillRuleState.fillRule);
    draw();
    std::vector<PathPoint> points(pathBuffer.points, pathBuffer.points + pathBuffer.count);
    pathBuffer.count = 0;
    fillPath(0, 1);  // ends the one-shot rule with nothing pending
    return points;
  }
  // The coverage a shape plots.
  template <typename Draw>
  std::vector<int> pixels(Draw draw) {
    CoverageRecorder::clear();
    draw();
    return CoverageRecorder::alpha;
  }
};

TEST_F(Shapes, ArcSegmentCountGrowsFromTwelveToThreeHundredSixty) {
  EXPECT_EQ(arcSegmentCount(3), 12);
  EXPECT_EQ(arcSegmentCount(5), 16);
  EXPECT_EQ(arcSegmentCount(7), 20);
  EXPECT_EQ(arcSegmentCount(2000), 360);
  EXPECT_EQ(arcSegmentCount(5000), 360);
  EXPECT_EQ(arcSegmentCount(-3), 12);
  EXPECT_EQ(arcSegmentCount(NAN), 12);
  EXPECT_EQ(arcSegmentCount(INFINITY), 360);
  int previous = 12;
  for (float r = 0; r < 2100; r += 0.25f) {
    const int n = arcSegmentCount(r);
    ASSERT_EQ(n % 4, 0) << r;
    ASSERT_GE(n, previous) << r;
    ASSERT_LE(n, 360) << r;
    previous = n;
  }
  EXPECT_GT(arcSegmentCount(50), arcSegmentCount(20));
}

TEST_F(Shapes, AngleOfFollowsTheUpwardConvention) {
  EXPECT_FLOAT_EQ(angleOf(1, 0), 0);
  EXPECT_FLOAT_EQ(angleOf(0, -1), pi / 2);
  EXPECT_FLOAT_EQ(angleOf(-1, 0), pi);
  EXPECT_FLOAT_EQ(angleOf(0, 1), 3 * pi / 2);
  EXPECT_FLOAT_EQ(angleOf(1, -1), pi / 4);
  EXPECT_FLOAT_EQ(angleOf(-2, 2), 5 * pi / 4);
  EXPECT_NEAR(angleOf(1, 1e-6f), 2 * pi, 1e-5);
  EXPECT_EQ(angleOf(5e-8f, -5e-8f), 0);
  EXPECT_EQ(angleOf(NAN, 1), 0);
}

TEST_F(Shapes, CirclePointCountsFollowTheRadius) {
  for (auto [r, n] :
       {std::pair{3.0f, 12}, {5.0f, 16}, {7.0f, 20}, {2000.0f, 360}, {5000.0f, 360}}) {
    const auto points = outline([r = r] { fillCircle(32, 24, r, 0, 1); });
    ASSERT_EQ(int(points.size()), n) << r;
    EXPECT_FLOAT_EQ(points[0].x, 32 - r);  // from the leftmost point
    EXPECT_FLOAT_EQ(points[0].y, 24);
    EXPECT_FLOAT_EQ(points[n / 4].y, 24 + r);  // then down to the bottom
    for (const PathPoint& p : points) ASSERT_NEAR(std::hypot(p.x - 32, p.y - 24), r, r * 1e-5f);
  }
}

TEST_F(Shapes, CircleBoxMustReachIntoTheView) {
  const auto drawn = pixels([] { fillCircle(-10, 24, 10.4f, 0xFFFFFFFF, 1); });
  int touched = 0;
  for (int y = 0; y < 48; ++y) touched += drawn[y * 64] >= 0;
  EXPECT_GT(touched, 0);
  EXPECT_EQ(outline([] { fillCircle(-10, 24, 9.4f, 0, 1); }).size(), 0u);
  EXPECT_EQ(outline([] { fillCircle(74, 24, 9.4f, 0, 1); }).size(), 0u);
  EXPECT_EQ(outline([] { fillCircle(32, 56, 8.5f, 0, 1); }).size(), 20u);  // reaches 47.5
  EXPECT_EQ(outline([] { fillCircle(32, 56, 8.4f, 0, 1); }).size(), 0u);
}

TEST_F(Shapes, DegenerateLines) {
  EXPECT_EQ(outline([] { fillThickLine(10, 10, 10, 10, 4, 0, 1); }).size(), 0u);
  EXPECT_EQ(outline([] { fillTaperedLine(10, 10, 10.001f, 10, 4, 2, 0, 1); }).size(), 0u);
  const auto line = pixels([] { fillCappedLine(10, 10, 10, 10, 6, 0xFFFFFFFF, 1, 1, 1); });
  const auto circle = pixels([] { fillCircle(10, 10, 3, 0xFFFFFFFF, 1); });
  EXPECT_EQ(line, circle);
  EXPECT_EQ(CoverageRecorder::at(10, 10), 255);
}

TEST_F(Shapes, ThickLineIsARectangleAroundTheSegment) {
  const auto points = outline([] { fillThickLine(0, 5, 10, 5, 2, 0, 1); });
  ASSERT_EQ(points.size(), 4u);
  const float expected[4][2] = {{0, 6}, {10, 6}, {10, 4}, {0, 4}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(points[i].x, expected[i][0]);
    EXPECT_FLOAT_EQ(points[i].y, expected[i][1]);
  }
  EXPECT_EQ(pixels([] { fillThickLine(3, 20, 40, 20, 6, 0xFFFFFFFF, 1); }),
            pixels([] { fillPolyRect(3, 17, 40, 23, 0xFFFFFFFF, 1); }));
  const auto tapered = outline([] { fillTaperedLine(0, 5, 10, 5, 2, 6, 0, 1); });
  EXPECT_FLOAT_EQ(tapered[1].y, 8);  // width 6 at the second end
  EXPECT_FLOAT_EQ(tapered[3].y, 4);
}

TEST_F(Shapes, CapsBulgeBeyondTheEnds) {
  const auto both = pixels([] { fillCappedLine(15, 24, 45, 24, 12, 0xFFFFFFFF, 1, 1, 1); });
  EXPECT_EQ(both[24 * 64 + 49], 255);  // 4 beyond the end, inside the cap
  EXPECT_EQ(both[24 * 64 + 11], 255);
  EXPECT_EQ(both[24 * 64 + 52], -1);
  const auto flat = pixels([] { fillCappedLine(15, 24, 45, 24, 12, 0xFFFFFFFF, 1, 0, 0); });
  EXPECT_EQ(flat, pixels([] { fillThickLine(15, 24, 45, 24, 12, 0xFFFFFFFF, 1); }));
  const auto endOnly = pixels([] { fillCappedLine(15, 24, 45, 24, 12, 0xFFFFFFFF, 1, 1, 0); });
  EXPECT_EQ(endOnly[24 * 64 + 49], 255);
  EXPECT_EQ(endOnly[24 * 64 + 11], -1);
  const auto points = outline([] { fillCappedLine(15, 24, 45, 24, 12, 0, 1, 1, 1); });
  EXPECT_EQ(int(points.size()), 4 + 2 * (arcSegmentCount(6) / 2 - 1));
  for (const PathPoint& p : points) {
    const float nearest = std::min(std::hypot(p.x - 45, p.y - 24), std::hypot(p.x - 15, p.y - 24));
    ASSERT_LE(nearest, 6.0001f);
  }
}

TEST_F(Shapes, RoundRectangleWithoutRadiusIsARectangle) {
  const auto points = outline([] { fillRoundRect(5, 6, 30, 20, 0, 0, 1); });
  EXPECT_EQ(points.size(), 20u);  // four corners of c + 1 = 4 points, all repeated
  EXPECT_EQ(pixels([] { fillRoundRect(5, 6, 30, 20, 0, 0xFFFFFFFF, 1); }),
            pixels([] { fillPolyRect(5, 6, 30, 20, 0xFFFFFFFF, 1); }));
  const auto round = outline([] { fillRoundRect(5, 6, 45, 40, 10, 0, 1); });
  EXPECT_FLOAT_EQ(round.front().x, 5);
  EXPECT_FLOAT_EQ(round.front().y, 16);
  for (const PathPoint& p : round) {
    ASSERT_GE(p.x, 5 - 1e-4f);
    ASSERT_LE(p.x, 45 + 1e-4f);
    ASSERT_GE(p.y, 6 - 1e-4f);
    ASSERT_LE(p.y, 40 + 1e-4f);
  }
  const auto drawn = pixels([] { fillRoundRect(5, 6, 45, 40, 10, 0xFFFFFFFF, 1); });
  EXPECT_EQ(drawn[7 * 64 + 6], -1);  // the corner is cut away
  EXPECT_EQ(drawn[20 * 64 + 6], 255);
}

TEST_F(Shapes, OneShotRuleCombinesShapesIntoOneFill) {
  setFillRuleOnce(1);
  fillCircle(25, 24, 12, 0xFFFFFFFF, 1);
  fillCircle(39, 24, 12, 0xFFFFFFFF, 1);
  EXPECT_TRUE(CoverageRecorder::calls.empty());
  fillPath(0xFFFFFFFF, 1);
  EXPECT_EQ(CoverageRecorder::at(32, 24), -1);  // even-odd: the overlap stays empty
  EXPECT_EQ(CoverageRecorder::at(18, 24), 255);
  EXPECT_EQ(CoverageRecorder::at(46, 24), 255);
  EXPECT_EQ(fillRuleState.restoreAfterFill, 0);

  CoverageRecorder::clear();
  setFillRuleOnce(0);
  fillCircle(25, 24, 12, 0xFFFFFFFF, 1);
  fillCircle(39, 24, 12, 0xFFFFFFFF, 1);
  fillPath(0xFFFFFFFF, 1);
  EXPECT_EQ(CoverageRecorder::at(32, 24), 255);
  EXPECT_EQ(fillRuleState.fillRule, 1);  // back to the rule before
}

TEST_F(Shapes, CircleRotatedAboutItsOwnCentreIsNotRotated) {
  const auto plain = outline([] { fillCircle(20, 20, 8, 0, 1); });
  setPathRotation(20, 20, 0.7f);
  const auto same = outline([] { fillCircle(20, 20, 8, 0, 1); });
  EXPECT_EQ(pathRotation.enabled, 1);
  ASSERT_EQ(same.size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(same[i].x, plain[i].x);
    EXPECT_EQ(same[i].y, plain[i].y);
  }
  // Elsewhere the circle turns with the rotation; its box is not tested, so one
  // that the rotation brings into the view is drawn.
  setPathRotation(32, 24, pi);
  const auto turned = outline([] { fillCircle(84, 24, 8, 0, 1); });
  ASSERT_EQ(turned.size(), plain.size());
  EXPECT_NEAR(turned[0].x, -20 + 8, 1e-3f);  // the leftmost point ends up rightmost
  EXPECT_EQ(outline([] { fillEllipse(84, 24, 8, 4, 0, 1); }).size(), 20u);
}

TEST_F(Shapes, EllipseUsesBothRadii) {
  const auto points = outline([] { fillEllipse(32, 24, 20, 6, 0, 1); });
  EXPECT_EQ(int(points.size()), arcSegmentCount(20));
  for (const PathPoint& p : points) {
    const float u = (p.x - 32) / 20, v = (p.y - 24) / 6;
    ASSERT_NEAR(u * u + v * v, 1.0f, 1e-4f);
  }
  EXPECT_EQ(outline([] { fillEllipse(32, -7, 20, 6, 0, 1); }).size(), 0u);
}

TEST_F(Shapes, DiscHullContainingOneDiscIsThatDisc) {
  const auto circle1 = outline([] { fillCircle(20, 20, 10, 0, 1); });
  const auto hull1 = outline([] { fillDiscHull(20, 20, 23, 21, 20, 6, 0, 1); });
  ASSERT_EQ(hull1.size(), circle1.size());
  for (std::size_t i = 0; i < hull1.size(); ++i) EXPECT_EQ(hull1[i].x, circle1[i].x);
  const auto circle2 = outline([] { fillCircle(30, 22, 12, 0, 1); });
  const auto hull2 = outline([] { fillDiscHull(28, 21, 30, 22, 4, 24, 0, 1); });
  ASSERT_EQ(hull2.size(), circle2.size());
  EXPECT_EQ(hull2[0].x, circle2[0].x);
  const auto same = outline([] { fillDiscHull(20, 20, 20, 20, 8, 8, 0, 1); });
  EXPECT_EQ(same.size(), outline([] { fillCircle(20, 20, 4, 0, 1); }).size());
}

TEST_F(Shapes, DiscHullWrapsBothDiscs) {
  const float x1 = 14, y1 = 20, r1 = 9, x2 = 48, y2 = 30, r2 = 4;
  const auto points = outline([&] { fillDiscHull(x1, y1, x2, y2, 2 * r1, 2 * r2, 0, 1); });
  // Every point lies on one of the two circles; the first on the left disc.
  for (const PathPoint& p : points) {
    const float e1 = std::fabs(std::hypot(p.x - x1, p.y - y1) - r1);
    const float e2 = std::fabs(std::hypot(p.x - x2, p.y - y2) - r2);
    ASSERT_LT(std::min(e1, e2), 1e-3f);
  }
  EXPECT_LT(std::fabs(std::hypot(points[0].x - x1, points[0].y - y1) - r1), 1e-3f);
  const auto hull = pixels([&] { fillDiscHull(x1, y1, x2, y2, 2 * r1, 2 * r2, 0xFFFFFFFF, 1); });
  const auto disc1 = pixels([&] { fillCircle(x1, y1, r1, 0xFFFFFFFF, 1); });
  const auto disc2 = pixels([&] { fillCircle(x2, y2, r2, 0xFFFFFFFF, 1); });
  for (std::size_t i = 0; i < hull.size(); ++i) {
    if (disc1[i] == 255 || disc2[i] == 255) {
      ASSERT_EQ(hull[i], 255) << i;
    }
  }
  EXPECT_EQ(hull[25 * 64 + 31], 255);  // between the discs
  EXPECT_EQ(hull[40 * 64 + 20], -1);   // below the lower tangent
  // Without arcs each disc keeps only its two tangent points.
  EXPECT_EQ(outline([&] { fillDiscHull(x1, y1, x2, y2, 2 * r1, 2 * r2, 0, 1, 0, 0); }).size(), 4u);
  EXPECT_GT(points.size(), 12u);
}

// The arc flags belong to the left and the right disc, not to the argument order:
// giving the discs the other way round draws the same outline. With only the first
// flag, the left disc (the larger, r = 9) has its arc: m = arcSegmentCount(9) *
// trunc(100 (pi + 2 asin(5 / d))) / 628 points, the right disc its two tangent points.
TEST_F(Shapes, DiscHullArcFlagsGoByPlace) {
  const float xl = 14, yl = 20, rl = 9, xr = 48, yr = 30, rr = 4;
  for (const int first : {0, 1}) {
    for (const int second : {0, 1}) {
      const auto given =
          outline([&] { fillDiscHull(xl, yl, xr, yr, 2 * rl, 2 * rr, 0, 1, first, second); });
      const auto swapped =
          outline([&] { fillDiscHull(xr, yr, xl, yl, 2 * rr, 2 * rl, 0, 1, first, second); });
      ASSERT_EQ(given.size(), swapped.size()) << first << second;
      for (std::size_t i = 0; i < given.size(); ++i) {
        EXPECT_EQ(given[i].x, swapped[i].x) << first << second << " point " << i;
        EXPECT_EQ(given[i].y, swapped[i].y) << first << second << " point " << i;
      }
    }
  }
  const double d = std::hypot(xr - xl, yr - yl);
  const int m =
      arcSegmentCount(rl) * int(100 * (3.14159265358979 + 2 * std::asin((rl - rr) / d))) / 628;
  const auto leftArc = outline([&] { fillDiscHull(xr, yr, xl, yl, 2 * rr, 2 * rl, 0, 1, 1, 0); });
  ASSERT_EQ(int(leftArc.size()), m + 3);
  for (int i = 0; i <= m; ++i) {
    EXPECT_NEAR(std::hypot(leftArc[i].x - xl, leftArc[i].y - yl), rl, 1e-3f) << i;
  }
}

TEST_F(Shapes, BulgedQuadWithoutBulgeIsTheInscribedSquare) {
  const float r = 16;
  const auto points = outline([&] { fillBulgedQuad(32, 24, r, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, -1); });
  const int v = ((arcSegmentCount(r) + 4) & ~3) / 4;
  ASSERT_EQ(int(points.size()), 4 * v);
  const float h = r * std::sqrt(0.5f);
  EXPECT_NEAR(points[0].x, 32 - h, 1e-4f);  // start angle pi / 4
  EXPECT_NEAR(points[0].y, 24 + h, 1e-4f);
  for (const PathPoint& p : points) {  // on the square's sides
    ASSERT_NEAR(std::max(std::fabs(p.x - 32), std::fabs(p.y - 24)), h, 1e-3f);
  }
  // A bulge of 0.25 bows side 0 (left-bottom to right-bottom corner) down by up to
  // r / 4, as a parabola over the side.
  const auto bowed =
      outline([&] { fillBulgedQuad(32, 24, r, 0, 1, 1, 1, 1, 1, 0.25f, 0, 0, 0, -1); });
  const int v2 = bowed.size() / 4;
  EXPECT_EQ(v2, ((int(arcSegmentCount(r) * 1.75f) + 4) & ~3) / 4);
  for (int j = 0; j < v2; ++j) {
    const float t = float(j) / v2, s = 2 * t - 1;
    EXPECT_NEAR(bowed[j].x, 32 - h + 2 * h * t, 1e-3f) << j;
    EXPECT_NEAR(bowed[j].y, 24 + h + r * 0.25f * (1 - s * s), 1e-3f) << j;
  }
}

TEST_F(Shapes, RandomStarDrawsTwicePerCorner) {
  for (int n : {1, 2, 5, 8}) {
    RandomSeed = 12345;
    std::uint32_t expected = 12345;
    for (int i = 0; i < 2 * n; ++i) expected *= randomMultiplier;
    const auto points =
        outline([n] { fillRandomStar(32, 24, 12, n, 0, 1, 1, 0.5f, 0, 0, 0.2f, 0.1f, -1); });
    EXPECT_EQ(RandomSeed, expected) << n;
    EXPECT_EQ(int(points.size()), n) << n;  // no bulge: the corners only
  }
  RandomSeed = 99;
  const auto bowed =
      outline([] { fillRandomStar(32, 24, 12, 6, 0, 1, 1, 0.5f, 0.2f, 0, 0.2f, 0.1f, -1); });
  const int perSide = int(arcSegmentCount(12) * ((0.2f + 0.05f) * 3 + 1) + 4) & ~3;
  EXPECT_EQ(int(bowed.size()), 6 * perSide);
  // Without jitter the corners alternate between the two radii, from pi / 6.
  const auto star = outline([] { fillRandomStar(32, 24, 10, 6, 0, 1, 1, 0.5f, 0, 0, 0, 0, -1); });
  ASSERT_EQ(star.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(std::hypot(star[i].x - 32, star[i].y - 24), i % 2 ? 5 : 10, 1e-4f) << i;
  }
  EXPECT_NEAR(star[0].x, 32 - 10 * std::cos(pi / 6), 1e-4f);
  EXPECT_EQ(outline([] { fillRandomStar(32, 24, 10, 0, 0, 1, 1, 1, 0, 0, 0, 0, -1); }).size(), 0u);
}

// Bulged sides take arcSegmentCount(r) * (3 |b| + 1) + 4 points (down to a multiple
// of 4), at most 4096 each and 2^20 for the whole outline: a frame can afford that,
// and 65536 corners no longer make a billion points.
TEST_F(Shapes, RandomStarPointsAreBounded) {
  const struct {
    int corners;
    float r, bulge;
    int perSide;
  } cases[] = {{3, 12, 0.2f, 36}, {4, 3000, 4, 4096}, {1024, 3000, 4, 1024}, {65536, 3000, 4, 16}};
  for (const auto& c : cases) {
    const auto points = outline(
        [&] { fillRandomStar(32, 24, c.r, c.corners, 0, 1, 1, 0.5f, c.bulge, c.bulge, 0, 0, -1); });
    EXPECT_EQ(int(points.size()), c.corners * c.perSide) << c.corners << " corners";
  }
}

TEST_F(Shapes, NonFiniteArgumentsSkipTheShape) {
  EXPECT_EQ(outline([] { fillCircle(NAN, 24, 5, 0, 1); }).size(), 0u);
  EXPECT_EQ(outline([] { fillThickLine(0, 0, INFINITY, 5, 2, 0, 1); }).size(), 0u);
  EXPECT_EQ(outline([] { fillDiscHull(0, 0, 10, 5, NAN, 2, 0, 1); }).size(), 0u);
  EXPECT_EQ(outline([] { fillRandomStar(0, 0, 10, 5, 0, 1, 1, 1, NAN, 0, 0, 0, -1); }).size(), 0u);
  fillCircle(32, 24, 3e38f, 0xFFFFFFFF, 1);  // huge but finite: fills the view
  EXPECT_EQ(CoverageRecorder::at(0, 0), 255);
  EXPECT_EQ(CoverageRecorder::strayCalls, 0);
}

// Every shape with random arguments, odd ones included: no fault, nothing outside
// the view, the one-shot rule and rotation mixed in.
TEST_F(Shapes, RandomArgumentsStayInsideTheView) {
  const float odd[] = {NAN, INFINITY, -INFINITY, 3e38f, -3e38f, 1e6f, -1e6f, 0, -5};
  for (int seed = 1; seed <= 1500; ++seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> near(-20.0f, 80.0f), size(-2.0f, 40.0f);
    std::uniform_int_distribution<int> pick(0, 8), oddOne(0, 14), shape(0, 9), flag(0, 1);
    const auto f = [&]() { return oddOne(random) == 0 ? odd[pick(random)] : near(random); };
    const auto z = [&]() { return oddOne(random) == 0 ? odd[pick(random)] : size(random); };
    if (seed % 5 == 0) setFillRuleOnce(seed % 2);
    if (seed % 7 == 0) setPathRotation(f(), f(), f());
    switch (shape(random)) {
      case 0:
        fillPolyRect(f(), f(), f(), f(), 0xFFFFFFFF, 1);
        break;
      case 1:
        fillThickLine(f(), f(), f(), f(), z(), 0xFFFFFFFF, 1);
        break;
      case 2:
        fillTaperedLine(f(), f(), f(), f(), z(), z(), 0xFFFFFFFF, 1);
        break;
      case 3:
        fillCappedLine(f(), f(), f(), f(), z(), 0xFFFFFFFF, 1, flag(random), flag(random));
        break;
      case 4:
        fillCircle(f(), f(), z(), 0xFFFFFFFF, 1);
        break;
      case 5:
        fillEllipse(f(), f(), z(), z(), 0xFFFFFFFF, 1);
        break;
      case 6:
        fillRoundRect(f(), f(), f(), f(), z(), 0xFFFFFFFF, 1);
        break;
      case 7:
        fillDiscHull(f(), f(), f(), f(), z(), z(), 0xFFFFFFFF, 1, flag(random), flag(random));
        break;
      case 8:
        fillBulgedQuad(f(), f(), z(), 0xFFFFFFFF, 1, z(), z(), z(), z(), z(), z(), z(), z(), f());
        break;
      default:
        fillRandomStar(f(), f(), z(), int(z()), 0xFFFFFFFF, 1, z(), z(), z(), z(), z(), z(), f());
        break;
    }
    fillPath(0xFFFFFFFF, 1);
    clearPathRotation();
    ASSERT_EQ(CoverageRecorder::strayCalls, 0) << "seed " << seed;
    ASSERT_EQ(CoverageRecorder::badCoverage, 0) << "seed " << seed;
  }
  EXPECT_GT(CoverageRecorder::touchedPixels(), 1000);
}

}  // namespace
