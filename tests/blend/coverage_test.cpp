// The polygon coverage routines: one pixel and one run routine per mode, chosen
// once and kept until another mode is asked for.

#include <gtest/gtest.h>

#include <vector>

#include "blend/dispatch.h"
#include "blend/formulas.h"
#include "blend_test_support.h"

namespace {

// The edge-pixel formula each mode's pixel routine must apply.
Color expectedPixel(int mode, Color d, Color s, int c) {
  switch (mode) {
    case BLEND_ALPHA:
      return px::coverAlpha(d, s, c);
    case BLEND_ADD:
      return px::coverAdd(d, s, c);
    case BLEND_SUBTRACT:
      return px::coverSubtract(d, s, c);
    case BLEND_MULTIPLY:
      return px::coverMultiply(d, s, c);
    case BLEND_SCREEN:
      return px::coverScreen(d, s, c);
    default:
      return px::coverCopy(d, s, c);
  }
}

// What a run of two or more pixels gives each pixel: the pixel formula, except
// that Copy and Alpha put the weight in the colour's alpha byte and Alpha divides
// by 255.
Color expectedRunPixel(int mode, Color d, Color s, int c) {
  if (mode == BLEND_ALPHA) {
    const int w = c * px::alphaOf(s) / 255;
    return w == 255 ? s : px::alphaPixel(d, px::withAlpha(s, w));
  }
  if (mode == BLEND_ADD || mode == BLEND_SUBTRACT || mode == BLEND_MULTIPLY || mode == BLEND_SCREEN)
    return expectedPixel(mode, d, s, c);
  return c == 255 ? s : px::alphaPixel(d, px::withAlpha(s, c));
}

TEST(CoverageRoutines, StartAsCopy) {
  installDefaultCoverageRoutines();
  EXPECT_EQ(coverageRoutines.mode, BLEND_COPY);
  Color p = 0;
  coverageRoutines.pixel(&p, 0xFFFFFFFFu, 255);
  EXPECT_EQ(p, 0xFEFEFEFEu);
}

TEST(CoverageRoutines, EveryModeAndCoverage) {
  AlignedPixels row(40), want(40);
  unsigned seed = 0;
  for (int mode = -1; mode <= 11; ++mode) {
    select_coverage_mode(mode);
    EXPECT_EQ(coverageRoutines.mode, mode);
    for (int c = 0; c <= 255; ++c, ++seed) {
      TestRandom random(seed);
      random.fill(row.data, 40);
      const Color colour = c == 255 && seed % 2 ? (random.pixel() | 0xFF000000u) : random.pixel();
      const int start = random.below(4), count = 2 + random.below(33);
      for (int i = 0; i < 40; ++i) {
        const bool inRun = i >= start && i < start + count;
        want[i] = inRun ? expectedRunPixel(mode, row[i], colour, c) : row[i];
      }
      Color single = row[39];
      coverageRoutines.pixel(&single, colour, c);
      ASSERT_EQ(single, expectedPixel(mode, row[39], colour, c)) << "seed " << seed;
      coverageRoutines.run(row.data + start, colour, count, c);
      for (int i = 0; i < 40; ++i)
        ASSERT_EQ(row[i], want[i]) << "seed " << seed << " mode " << mode << " at " << i;
    }
  }
}

// In Add, Subtract, Multiply and Screen a run gives every pixel what the pixel
// routine gives it.
TEST(CoverageRoutines, RunsAgreeWithPixelsWhereTheModeHasNoRunForm) {
  for (int mode : {BLEND_ADD, BLEND_SUBTRACT, BLEND_MULTIPLY, BLEND_SCREEN}) {
    select_coverage_mode(mode);
    for (int c : {0, 1, 127, 128, 254, 255}) {
      TestRandom random(static_cast<unsigned>(mode * 1000 + c));
      AlignedPixels a(20), b(20);
      random.fill(a.data, 20);
      for (int i = 0; i < 20; ++i) b[i] = a[i];
      const Color colour = random.pixel();
      coverageRoutines.run(a.data, colour, 20, c);
      for (int i = 0; i < 20; ++i) coverageRoutines.pixel(b.data + i, colour, c);
      for (int i = 0; i < 20; ++i) ASSERT_EQ(a[i], b[i]) << "mode " << mode << " c " << c;
    }
  }
}

TEST(CoverageRoutines, SelectionIsSkippedForTheRecordedMode) {
  select_coverage_mode(BLEND_ADD);
  const CoveragePixelRoutine marker = [](Color* p, Color, int) { *p = 0xC0FFEEu; };
  coverageRoutines.pixel = marker;
  select_coverage_mode(BLEND_ADD);
  EXPECT_EQ(coverageRoutines.pixel, marker);
  select_coverage_mode(BLEND_SUBTRACT);
  EXPECT_NE(coverageRoutines.pixel, marker);
  installDefaultCoverageRoutines();
}

}  // namespace
