// The anti-aliased disc: small radii pixel by pixel, large ones by their shape,
// and discs that cross the view's edges against the same disc drawn whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "blend/dispatch.h"
#include "blend/formulas.h"
#include "blend_test_support.h"

namespace {

constexpr Color background = 0x20406080u;
constexpr Color ink = 0xFFE0C0A0u;

// Small discs pixel by pixel. By the disc's symmetry each case lists the coverage of
// the pixels at (0, 0), (1, 0), (1, 1), (2, 0) and (2, 1) from the centre, and of their
// mirror images (-1 solid, 0 untouched); every pixel further out stays untouched.
TEST(DiscSmall, SmallRadiiPixelByPixel) {
  struct Case {
    int cx, cy;
    float r;
    int coverage[5];
  };
  const Case cases[] = {
      {5, 6, 0.5f, {255, 0, 0, 0, 0}},  // radii below half a pixel draw one pixel
      {5, 6, 0.2f, {102, 0, 0, 0, 0}},
      {5, 6, -3.0f, {0, 0, 0, 0, 0}},  // negative: coverage 0 leaves the pixel
      {-1, 6, 0.4f, {0, 0, 0, 0, 0}},  // centre off the view: nothing
      {5, 16, 0.4f, {0, 0, 0, 0, 0}},
      {7, 8, 1.0f, {-1, 127, 26, 0, 0}},  // axes, centre and corners
      // h = 1.2: edge coverage trunc(0.2 * 255) = 51; r * r = 0.49 is not above
      // 0.575: no corners.
      {7, 8, 0.7f, {-1, 51, 0, 0, 0}},
      // Two pixels out: n = 2, u = trunc(0.1 * 255) = 25; ring i = 1:
      // sqrt(2.56 - 1) + 0.5 = 1.74899, B = 1, coverage trunc(0.74899 * 255) = 190;
      // inner left equals left: nothing more.
      {7, 8, 1.6f, {-1, -1, 190, 25, 0}},
  };
  TestSurface surface(16, 16);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "r " << c.r << " at " << c.cx << "," << c.cy);
    surface.fill(background);
    fill_disc_aa(c.cx, c.cy, c.r, ink, BLEND_COPY);
    for (int y = 0; y <= backBuffer.viewMaxY; ++y) {
      for (int x = 0; x <= backBuffer.viewMaxX; ++x) {
        const int outer = std::max(std::abs(x - c.cx), std::abs(y - c.cy));
        const int inner = std::min(std::abs(x - c.cx), std::abs(y - c.cy));
        const int slot = outer == 0                 ? 0
                         : outer == 1               ? 1 + inner
                         : outer == 2 && inner <= 1 ? 3 + inner
                                                    : -1;
        const int coverage = slot < 0 ? 0 : c.coverage[slot];
        const Color want = coverage == 0  ? background
                           : coverage < 0 ? ink
                                          : px::coverCopy(background, ink, coverage);
        ASSERT_EQ(TestSurface::at(x, y), want) << x << "," << y;
      }
    }
  }
}

// Area of the unit pixel centred on (x, y) inside the circle, by supersampling.
double pixelArea(double x, double y, double r) {
  int inside = 0;
  for (int j = 0; j < 16; ++j)
    for (int i = 0; i < 16; ++i) {
      const double px = x - 0.5 + (i + 0.5) / 16, py = y - 0.5 + (j + 0.5) / 16;
      inside += px * px + py * py <= r * r;
    }
  return inside / 256.0;
}

// Copy over black with white ink: each pixel holds (255 * coverage) >> 8, solid 255.
TEST(DiscLarge, FollowsTheCircleAndIsSymmetric) {
  for (float r : {1.5f, 2.0f, 3.3f, 7.5f, 12.25f, 20.7f, 31.0f}) {
    TestSurface surface(73, 73);
    surface.fill(0);
    const int c = 36;
    fill_disc_aa(c, c, r, 0xFFFFFFFFu, BLEND_COPY);
    for (int y = 0; y < 73; ++y) {
      for (int x = 0; x < 73; ++x) {
        const int v = static_cast<int>(TestSurface::at(x, y) & 0xFF);
        const double area = pixelArea(x - c, y - c, r);
        ASSERT_NEAR(v / 255.0, area, 0.35) << "r " << r << " at " << x - c << "," << y - c;
        // Mirror images across both axes and the diagonal.
        ASSERT_EQ(TestSurface::at(x, y), TestSurface::at(2 * c - x, y)) << r;
        ASSERT_EQ(TestSurface::at(x, y), TestSurface::at(x, 2 * c - y)) << r;
        ASSERT_EQ(TestSurface::at(x, y), TestSurface::at(y, x)) << r << " at " << x << "," << y;
        if (area == 1.0 && (x - c) * (x - c) + (y - c) * (y - c) < (r - 1) * (r - 1)) {
          ASSERT_EQ(v, 255) << "interior r " << r << " at " << x - c << "," << y - c;
        }
      }
    }
  }
}

// Alpha at half strength shows any pixel that is drawn twice: the interior must
// hold exactly one blend.
TEST(DiscLarge, InteriorIsDrawnOnce) {
  TestSurface surface(72, 72);
  for (float r : {2.5f, 9.9f, 30.0f}) {
    surface.fill(0);
    fill_disc_aa(36, 36, r, 0x80FFFFFFu, BLEND_ALPHA);
    const Color once = px::alphaPixel(0, 0x80FFFFFFu);
    for (int y = 0; y < 72; ++y)
      for (int x = 0; x < 72; ++x) {
        const double d = std::hypot(x - 36.0, y - 36.0);
        if (d < r - 1.5) {
          ASSERT_EQ(TestSurface::at(x, y), once) << r << " " << x << "," << y;
        }
        if (d > r + 1.5) {
          ASSERT_EQ(TestSurface::at(x, y), 0u) << r << " " << x << "," << y;
        }
      }
  }
}

TEST(DiscModes, ModesWithoutDiscRoutinesDrawAsCopy) {
  TestSurface surface(40, 40);
  for (int mode : {0, 6, 7, 8, 9, 11, -1}) {
    surface.fill(background);
    fill_disc_aa(20, 20, 9.3f, ink, BLEND_COPY);
    const std::vector<Color> copy = surface.snapshot();
    surface.fill(background);
    fill_disc_aa(20, 20, 9.3f, ink, mode);
    EXPECT_EQ(surface.snapshot(), copy) << "mode " << mode;
    EXPECT_EQ(discRoutines.mode, mode);
  }
}

// Each mode's disc: edge pixels by its coverage formula, the rest of the radius-1
// disc's centre by its span kernel.
TEST(DiscModes, EdgesAndRunsUseTheModesFormulas) {
  TestSurface surface(16, 16);
  struct Case {
    int mode;
    Color (*cover)(Color, Color, int);
    Color (*solid)(Color, Color);
  };
  const Case cases[] = {{BLEND_ALPHA, px::coverAlpha, px::alphaPixel},
                        {BLEND_ADD, px::coverAdd, px::addPixel},
                        {BLEND_SUBTRACT, px::coverSubtract, px::subtractPixel},
                        {BLEND_MULTIPLY, px::coverMultiply, px::multiplyPixel},
                        {BLEND_SCREEN, px::coverScreen, px::screenPixel}};
  for (const Case& k : cases) {
    surface.fill(background);
    fill_disc_aa(7, 8, 1.0f, ink, k.mode);
    EXPECT_EQ(TestSurface::at(7, 8), k.solid(background, ink)) << k.mode;
    EXPECT_EQ(TestSurface::at(6, 8), k.cover(background, ink, 127)) << k.mode;
    EXPECT_EQ(TestSurface::at(7, 9), k.cover(background, ink, 127)) << k.mode;
    EXPECT_EQ(TestSurface::at(8, 9), k.cover(background, ink, 26)) << k.mode;
    EXPECT_EQ(TestSurface::at(9, 8), background) << k.mode;
  }
}

// A disc crossing the view's edges draws exactly the visible part of the same disc
// drawn whole on a larger view, and nothing outside the view.
TEST(DiscClipping, CrossingEveryEdgeDrawsTheVisiblePart) {
  const int size = 80, left = 20, top = 20, side = 40;
  TestSurface surface(size, size);
  const float radii[] = {0.3f, 1.0f, 1.2f, 1.49f, 2.5f, 7.3f, 15.0f};
  const int places[] = {-15, -5, -1, 0, 3, 20, 36, 39, 40, 44, 54};
  for (int mode : {BLEND_COPY, BLEND_ADD, BLEND_MULTIPLY}) {
    for (float r : radii) {
      for (int cx : places) {
        for (int cy : places) {
          TestRandom random(static_cast<unsigned>(cx * 131 + cy));
          random.fill(surface.pixels.data, surface.size());
          const std::vector<Color> before = surface.snapshot();
          setView(-1, -1, -1, -1, 0, 1);
          fill_disc_aa(cx + left, cy + top, r, ink, mode);
          const std::vector<Color> whole = surface.snapshot();
          std::copy(before.begin(), before.end(), surface.pixels.data);
          setView(left, top, left + side - 1, top + side - 1, 0, 1);
          fill_disc_aa(cx, cy, r, ink, mode);
          const std::vector<Color> clipped = surface.snapshot();
          for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
              const bool visible = x >= left && x < left + side && y >= top && y < top + side;
              // Surface rows are bottom-up; view rows are counted from the top.
              const std::size_t i = static_cast<std::size_t>(size - 1 - y) * size + x;
              ASSERT_EQ(clipped[i], visible ? whole[i] : before[i])
                  << "mode " << mode << " r " << r << " centre " << cx << "," << cy << " at "
                  << x - left << "," << y - top;
            }
        }
      }
    }
  }
}

TEST(DiscClipping, ExtremeArgumentsAreSafe) {
  TestSurface surface(16, 16);
  surface.fill(background);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  fill_disc_aa(5, 5, nan, ink, BLEND_COPY);
  for (Color c : surface.snapshot()) ASSERT_EQ(c, background);
  fill_disc_aa(-2147483647 - 1, 2147483647, 1.0e30f, ink, BLEND_COPY);
  fill_disc_aa(2147483647, 5, 3.0e9f, ink, BLEND_COPY);
  for (Color c : surface.snapshot()) ASSERT_EQ(c, background);
  // An infinite radius draws as the largest one: it covers the whole view.
  fill_disc_aa(5, 5, inf, ink, BLEND_COPY);
  for (Color c : surface.snapshot()) ASSERT_EQ(c, ink);
}

}  // namespace
