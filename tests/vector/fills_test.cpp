// Whole-view fills on surfaces of our own, the colour arithmetic against values
// worked out by hand, and the dot mosaic's centres against discs drawn directly.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "blend/dispatch.h"
#include "noise/random.h"
#include "surface/surface.h"
#include "vector/fills.h"

namespace {

constexpr Color kSentinel = 0x5A5A5A5Au;

// A back buffer over memory owned by the test; the view is set per case.
class FillSurface : public ::testing::Test {
 protected:
  void use(int width, int height, int bottomUp = 1) {
    memory.assign(static_cast<std::size_t>(width) * height, kSentinel);
    backBuffer.surfaceWidth = width;
    backBuffer.surfaceHeight = height;
    backBuffer.pixels = reinterpret_cast<std::uint8_t*>(memory.data());
    backBuffer.fullPresentPending = 0;
    setView(-1, -1, -1, -1, 0, bottomUp);
  }
  void TearDown() override {
    backBuffer.pixels = nullptr;
    setView(-1, -1, -1, -1, 0, 1);
  }
  // Pixel at surface column x, row y counted from the top.
  Color& surfaceAt(int x, int y) {
    const int row = backBuffer.bottomUp ? backBuffer.surfaceHeight - 1 - y : y;
    return memory[static_cast<std::size_t>(row) * backBuffer.surfaceWidth + x];
  }
  bool insideView(int x, int y) const {
    return x >= backBuffer.viewLeft && x <= backBuffer.viewRight && y >= backBuffer.viewTop &&
           y <= backBuffer.viewBottom;
  }
  // Counts surface pixels that differ from what the view and the rest should hold.
  int mismatches(Color inside, Color outside) {
    int bad = 0;
    for (int y = 0; y < backBuffer.surfaceHeight; ++y)
      for (int x = 0; x < backBuffer.surfaceWidth; ++x)
        bad += surfaceAt(x, y) != (insideView(x, y) ? inside : outside);
    return bad;
  }
  std::vector<Color> memory;
};

// ---- whole-view fills -----------------------------------------------------------

TEST_F(FillSurface, FillViewCoversTheViewOnly) {
  use(40, 30);
  fillView(0xFF102030u, 1);
  EXPECT_EQ(mismatches(0xFF102030u, kSentinel), 0);
  setView(3, 2, 36, 20, 0, 1);
  fillView(0xFF405060u, 0);  // an unknown mode copies
  EXPECT_EQ(mismatches(0xFF405060u, 0xFF102030u), 0);
  fillView(0x00010203u, BLEND_ADD);
  EXPECT_EQ(mismatches(0xFF415263u, 0xFF102030u), 0);
}

TEST_F(FillSurface, ClearViewSetsEveryPixelOfAnOddSizedView) {
  backBuffer.clearColour = 0xFF000000u;
  use(1023, 767);  // one contiguous block whose size is not a multiple of four
  ASSERT_TRUE(backBuffer.viewIsFullWidth);
  clearView();
  EXPECT_EQ(mismatches(0xFF000000u, kSentinel), 0);
  EXPECT_EQ(memory.back(), 0xFF000000u);

  use(1024, 768, 0);  // the same view inside a wider surface, row by row
  setView(0, 0, 1022, 766, 0, 0);
  ASSERT_FALSE(backBuffer.viewIsFullWidth);
  backBuffer.clearColour = 0x00000000u;
  clearView();
  EXPECT_EQ(mismatches(0x00000000u, kSentinel), 0);
}

TEST_F(FillSurface, FadeViewBlendsTheClearColourWithOneMinusA) {
  backBuffer.clearColour = 0xFF000000u;
  use(24, 10);
  setView(1, 1, 20, 8, 0, 1);
  fillView(0xFF8040C0u, 1);
  fadeView(1);  // alpha 0: unchanged
  EXPECT_EQ(mismatches(0xFF8040C0u, kSentinel), 0);
  // a = 129: alpha byte 128 over d = (FF, 80, 40, C0) towards (80, 00, 00, 00),
  // (d * 256 + (s - d) * 128) >> 8 per byte.
  fadeView(129);
  EXPECT_EQ(mismatches(0xBF402060u, kSentinel), 0);
  // a = 0 wraps to alpha 1: one 256th of the way.
  fillView(0xFF8040C0u, 1);
  fadeView(0);
  EXPECT_EQ(mismatches(0xFE7F3FBFu, kSentinel), 0);
  use(24, 10);  // full width: one run
  fillView(0xFF8040C0u, 1);
  fadeView(129);
  EXPECT_EQ(mismatches(0xBF402060u, kSentinel), 0);
}

TEST_F(FillSurface, FillOutsideViewPaintsTheBorderBothWaysUp) {
  for (int bottomUp : {1, 0}) {
    SCOPED_TRACE(bottomUp);
    use(16, 9, bottomUp);
    setView(2, 1, 9, 5, 0, bottomUp);
    fillOutsideView();
    EXPECT_EQ(mismatches(kSentinel, borderColour), 0);
    EXPECT_EQ(backBuffer.fullPresentPending, 1);
  }
  use(16, 9);  // full view: nothing outside, still asks for a full present
  fillOutsideView();
  EXPECT_EQ(mismatches(kSentinel, borderColour), 0);
  EXPECT_EQ(backBuffer.fullPresentPending, 1);
}

TEST_F(FillSurface, FillsWithoutASurfaceDoNothing) {
  backBuffer.pixels = nullptr;
  backBuffer.fullPresentPending = 0;
  setView(-1, -1, -1, -1, 0, 1);
  fillView(0xFFFFFFFFu, 1);
  clearView();
  fadeView(5);
  fillOutsideView();
  const Color dot = 0xFFFFFFFFu;
  drawDotMosaic(0, 0, 1, 1, 1, &dot, 4, 2, 0);
  EXPECT_EQ(backBuffer.fullPresentPending, 0);  // there was nothing to present
}

// ---- colour arithmetic --------------------------------------------------------

TEST(ColourArithmetic, PackClampsEachChannel) {
  EXPECT_EQ(packRGB(300, -5, 128), 0xFFFF0080u);
  EXPECT_EQ(packRGB(0, 255, 1), 0xFF00FF01u);
  EXPECT_EQ(packRGB(INT32_MIN, INT32_MAX, 256), 0xFF00FFFFu);
}

TEST(ColourArithmetic, LerpWorksPerByteAlphaIncluded) {
  EXPECT_EQ(lerpColor(0x00000000u, 0xFFFFFFFFu, 128), 0x7F7F7F7Fu);
  EXPECT_EQ(lerpColor(0x12345678u, 0x9ABCDEF0u, 0), 0x12345678u);
  EXPECT_EQ(lerpColor(0x00000000u, 0xFFFFFFFFu, 255), 0xFEFEFEFEu);
  EXPECT_EQ(lerpColor(0xFFFFFFFFu, 0x00000000u, 255), 0x00000000u);
  // Falling and rising bytes side by side: no borrow crosses a byte.
  // a = (00, FF, 10, F0), b = (FF, 00, F0, 10), w = 64.
  EXPECT_EQ(lerpColor(0x00FF10F0u, 0xFF00F010u, 64), 0x3FBF48B8u);
  EXPECT_EQ(lerpColor(0x00FF10F0u, 0xFF00F010u, 256), 0xFF00F010u);
  EXPECT_EQ(lerpColor(0x00FF10F0u, 0xFF00F010u, 1000), 0xFF00F010u);  // clamped
  EXPECT_EQ(lerpColor(0x00FF10F0u, 0xFF00F010u, -9), 0x00FF10F0u);
}

// Seeds from 347347347: s1 = 1006305765, s2 = 3694748003, s3 = 992520853, with values
// 0.5314026, 0.7205009, 0.5378215. Red reads s3, green s2, blue s1.
TEST(ColourArithmetic, JitterColourTakesThreeStepsAtOnce) {
  RandomSeed = 347347347u;
  EXPECT_EQ(jitterColor(0xFF808080u, 10), 0xFF818481u);  // offsets +1, +4, +1
  EXPECT_EQ(RandomSeed, 992520853u);
  EXPECT_EQ(jitterColor(0xFF808080u, 10), 0xFF7A8387u);  // -6, +3, +7
  EXPECT_EQ(RandomSeed, 2475104771u);
  EXPECT_EQ(jitterColor(0x00FF0005u, 100), 0xFFFF0000u);  // +86, -69, -82 saturate
  EXPECT_EQ(jitterColor(0x80102030u, -7), 0xFF0C2030u);   // -4, 0, 0
  EXPECT_EQ(RandomSeed, 327402867u);
  EXPECT_EQ(jitterColor(0x12345678u, 0), 0x12345678u);
  EXPECT_EQ(RandomSeed, 327402867u);
  EXPECT_EQ(jitterColor(0xFF808080u, INT32_MIN) >> 24, 0xFFu);  // saturates, no overflow
}

TEST(ColourArithmetic, JitterGrayTakesOneStep) {
  RandomSeed = 347347347u;
  EXPECT_EQ(jitterGray(0xFF808080u, 10), 0xFF818181u);  // +1
  EXPECT_EQ(RandomSeed, 1006305765u);
  EXPECT_EQ(jitterGray(0xFF808080u, 10), 0xFF848484u);   // +4
  EXPECT_EQ(jitterGray(0x00102030u, 300), 0xFF273747u);  // +23
  EXPECT_EQ(jitterGray(0xFF000000u, -50), 0xFF000000u);  // -32, saturated
  EXPECT_EQ(jitterGray(0xFF0000FFu, 40), 0xFF0A0AFFu);   // +10
  EXPECT_EQ(RandomSeed, 3497809989u);
  EXPECT_EQ(jitterGray(0x12345678u, 0), 0x12345678u);
  EXPECT_EQ(RandomSeed, 3497809989u);
}

// ---- dot mosaic -----------------------------------------------------------------

struct Centre {
  int x, y;
};

class DotMosaic : public FillSurface {
 protected:
  // Draws the 2 x 2 picture as a mosaic, then the expected discs directly on a second
  // surface, and compares the two.
  void expectCentres(int slant, const std::vector<Centre>& centres) {
    const Color picture[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80FFFFFFu};
    use(32, 24);
    fillView(0, 1);
    drawDotMosaic(0, 0, 1, 2, 2, picture, 4, 2, slant);
    const std::vector<Color> mosaic = memory;
    fillView(0, 1);
    for (int k = 0; k < 4; ++k) fill_disc_aa(centres[k].x, centres[k].y, 2.0f, picture[k], 1);
    EXPECT_EQ(mosaic, memory);
    EXPECT_EQ(viewPixel(centres[3].x, centres[3].y)[0], picture[3]);
  }
};

TEST_F(DotMosaic, CentresForSlantZeroStaggerAndLean) {
  {
    SCOPED_TRACE("slant 0");
    expectCentres(0, {{2, 2}, {8, 2}, {2, 8}, {8, 8}});
  }
  {
    SCOPED_TRACE("slant 347: odd rows half a pitch right");
    expectCentres(347, {{2, 2}, {8, 2}, {5, 8}, {11, 8}});
  }
  {
    SCOPED_TRACE("slant 1: the top row leans right");
    expectCentres(1, {{3, 2}, {9, 2}, {2, 8}, {8, 8}});
  }
  {
    SCOPED_TRACE("slant -2");
    expectCentres(-2, {{0, 2}, {6, 2}, {2, 8}, {8, 8}});
  }
}

TEST_F(DotMosaic, OddInputDrawsNothing) {
  use(16, 16);
  fillView(0, 1);
  const std::vector<Color> before = memory;
  const Color dot = 0xFFFFFFFFu;
  drawDotMosaic(0, 0, 1, 0, 1, &dot, 4, 2, 0);
  drawDotMosaic(0, 0, 1, 1, -1, &dot, 4, 2, 0);
  drawDotMosaic(0, 0, 1, 1, 1, nullptr, 4, 2, 0);
  drawDotMosaic(0, 0, 1, 1, 1, &dot, -4, 2, 0);
  drawDotMosaic(0, 0, 1, 1, 1, &dot, 1 << 20, 2, 0);
  EXPECT_EQ(memory, before);
  // Extreme positions and pitches stay off the view without overflowing.
  const Color strip[3] = {dot, dot, dot};
  drawDotMosaic(INT32_MAX, INT32_MIN, 1, 3, 1, strip, 4, INT32_MAX, INT32_MAX);
  drawDotMosaic(-100, 0, 1, 3, 1, strip, 4, INT32_MAX, 0);
  EXPECT_EQ(memory, before);
}

}  // namespace
