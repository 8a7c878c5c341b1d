// Every vector kernel against the scalar reference on seeded random pixels: every
// mode (and values outside the range), start alignments 0..7 (every pixel offset
// from a vector boundary), lengths 0..100 so heads, bodies of several steps and
// tails all run, both signs of row step. Pixels around the
// written area must stay untouched. A failure names its seed (the case number).

#include <gtest/gtest.h>

#include <vector>

#include "blend_test_support.h"

namespace {

constexpr int modesToTry[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr int guard = 8;  // untouched pixels checked on each side of a run

// Seeded random pixels in `want` and the same in `got`; the generator goes on from
// there.
TestRandom twinPixels(unsigned seed, AlignedPixels& want, AlignedPixels& got, int n) {
  TestRandom random(seed);
  random.fill(want.data, n);
  for (int i = 0; i < n; ++i) got[i] = want[i];
  return random;
}

// Index of the first difference, or -1.
int firstDifference(const Color* a, const Color* b, int n) {
  for (int i = 0; i < n; ++i)
    if (a[i] != b[i]) return i;
  return -1;
}

TEST(BlendKernels, EveryVectorSetIsBuilt) {
#if defined(__SSE2__)
  ASSERT_NE(sse2KernelSet(), nullptr);
#endif
#if !defined(__x86_64__)
  EXPECT_EQ(avx2KernelSet(), nullptr);  // SSE2 is the only vector path on 32-bit x86
#endif
  EXPECT_NE(activeKernels, nullptr);
}

TEST(BlendKernels, SpansMatchTheReference) {
  const int n = 100 + 7 + 2 * guard;
  AlignedPixels want(n), got(n);
  unsigned seed = 0;
  for (const BlendKernels* k : vectorKernelSets()) {
    for (int mode : modesToTry) {
      for (int align = 0; align < 8; ++align) {
        for (int length = 0; length <= 100; ++length, ++seed) {
          TestRandom random = twinPixels(seed, want, got, n);
          const Color colour = random.pixel();
          scalarKernels.span[modeSlot(mode)](want.data + guard + align, colour, length);
          k->span[modeSlot(mode)](got.data + guard + align, colour, length);
          const int at = firstDifference(want.data, got.data, n);
          ASSERT_EQ(at, -1) << k->name << " seed " << seed << " mode " << mode << " align " << align
                            << " length " << length;
        }
      }
    }
  }
}

TEST(BlendKernels, ImageRowsMatchTheReference) {
  const int width = 83 + 2 * guard, height = 4;
  AlignedPixels want(width * height), got(width * height), source(width * height);
  unsigned seed = 100000;
  for (const BlendKernels* k : vectorKernelSets()) {
    for (int mode : modesToTry) {
      for (int align = 0; align < 4; ++align) {
        for (int length = 0; length <= 80; ++length, ++seed) {
          TestRandom random = twinPixels(seed, want, got, width * height);
          random.fill(source.data, width * height);
          // Source offset differs from the destination's, so the two never share alignment.
          const int sourceAlign = random.below(4);
          const int rows = 1 + random.below(height - 1);
          const int sourceRowLength = length + random.below(3);
          const bool upward = random.below(2) != 0;
          const int step = (upward ? -1 : 1) * width * 4;
          const int firstRow = upward ? height - 1 : 0;
          Color* w = want.data + firstRow * width + guard + align;
          Color* g = got.data + firstRow * width + guard + align;
          const Color* s = source.data + sourceAlign;
          scalarKernels.imageRows[imageModeSlot(mode)](w, s, sourceRowLength, length, rows, step);
          k->imageRows[imageModeSlot(mode)](g, s, sourceRowLength, length, rows, step);
          const int at = firstDifference(want.data, got.data, width * height);
          ASSERT_EQ(at, -1) << k->name << " seed " << seed << " mode " << mode << " align " << align
                            << " length " << length << " rows " << rows;
        }
      }
    }
  }
}

TEST(BlendKernels, RectanglesColumnsAndPixelsMatchTheReference) {
  const int width = 40, height = 7;
  AlignedPixels want(width * height), got(width * height);
  unsigned seed = 200000;
  for (const BlendKernels* k : vectorKernelSets()) {
    for (int mode : modesToTry) {
      for (int trial = 0; trial < 300; ++trial, ++seed) {
        TestRandom random = twinPixels(seed, want, got, width * height);
        const Color colour = random.pixel();
        const int x = random.below(4);
        const int w = random.below(width - x - 1);  // odd and even widths, 0 included
        const int h = 1 + random.below(height - 1);
        const bool upward = random.below(2) != 0;
        const int step = (upward ? -1 : 1) * width * 4;
        const int firstRow = upward ? height - 1 : 0;
        const int slot = modeSlot(mode);
        switch (trial % 3) {
          case 0:
            scalarKernels.rect[slot](want.data + firstRow * width + x, colour, w, h, step);
            k->rect[slot](got.data + firstRow * width + x, colour, w, h, step);
            break;
          case 1:
            scalarKernels.column[slot](want.data + firstRow * width + x, colour, h, step);
            k->column[slot](got.data + firstRow * width + x, colour, h, step);
            break;
          default:
            scalarKernels.pixel[slot](want.data + firstRow * width + x, colour);
            k->pixel[slot](got.data + firstRow * width + x, colour);
            break;
        }
        const int at = firstDifference(want.data, got.data, width * height);
        ASSERT_EQ(at, -1) << k->name << " seed " << seed << " mode " << mode << " family "
                          << trial % 3 << " width " << w << " height " << h;
      }
    }
  }
}

// Plain fills that bypass the cache (spans from 2048 pixels, rectangles from 2 Mi
// pixels, and the streamed Copy at any length) write what the scalar Copy writes,
// heads and tails included, and nothing beside it.
TEST(BlendKernels, LongCopyFillsMatchTheReference) {
  const int width = 2049 + 2 * guard, height = 2048;
  AlignedPixels want(width * height), got(width * height);
  unsigned seed = 300000;
  for (const BlendKernels* k : vectorKernelSets()) {
    for (int align = 0; align < 4; ++align) {
      for (const int length : {2047, 2048, 2049}) {
        TestRandom random = twinPixels(++seed, want, got, width);
        const Color colour = random.pixel();
        scalarKernels.span[BLEND_COPY](want.data + guard + align, colour, length);
        k->span[BLEND_COPY](got.data + guard + align, colour, length);
        ASSERT_EQ(firstDifference(want.data, got.data, width), -1)
            << k->name << " span, align " << align << " length " << length;
      }
    }
    // Every start within a cache line, and lengths round its 16 pixels.
    for (int align = 0; align < 16; ++align) {
      for (const int length : {1, 3, 15, 16, 17, 31, 47, 64, 2049}) {
        TestRandom random = twinPixels(++seed, want, got, width);
        const Color colour = random.pixel();
        scalarKernels.span[BLEND_COPY](want.data + guard + align, colour, length);
        k->streamedCopy(got.data + guard + align, colour, length);
        ASSERT_EQ(firstDifference(want.data, got.data, width), -1)
            << k->name << " streamed copy, align " << align << " length " << length;
      }
    }
    TestRandom random = twinPixels(++seed, want, got, width * height);
    const Color colour = random.pixel();
    const int step = -width * 4;  // bottom-up, as the back buffer
    Color* const lastRow = want.data + (height - 1) * width + guard - 1;
    scalarKernels.rect[BLEND_COPY](lastRow, colour, 2049, height, step);
    k->rect[BLEND_COPY](got.data + (lastRow - want.data), colour, 2049, height, step);
    ASSERT_EQ(firstDifference(want.data, got.data, width * height), -1) << k->name << " rectangle";
  }
}

// A rectangle whose width is no multiple of four must blend its last pixels with
// the colour, never with a neighbour's result.
TEST(BlendKernels, Mix25RectangleTailsMixWithTheColour) {
  const int width = 16, height = 3;
  for (const BlendKernels* k : allKernelSets()) {
    for (int w = 1; w <= 13; ++w) {
      AlignedPixels p(width * height);
      for (int i = 0; i < width * height; ++i) p[i] = 0;
      k->rect[BLEND_MIX25](p.data + 1, 0xFFFFFFFFu, w, height, width * 4);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          ASSERT_EQ(p[y * width + x], x >= 1 && x <= w ? 0x40404040u : 0u)
              << k->name << " width " << w << " at " << x << "," << y;
    }
  }
}

TEST(BlendKernels, EmptySpansWriteNothing) {
  for (const BlendKernels* k : allKernelSets()) {
    for (int mode = 1; mode <= 10; ++mode) {
      AlignedPixels p(8);
      for (int i = 0; i < 8; ++i) p[i] = 0x5A5A5A5Au;
      k->span[mode](p.data + 1, 0xFFFFFFFFu, 0);
      k->rect[mode](p.data + 1, 0xFFFFFFFFu, 0, 3, 0);
      k->imageRows[mode](p.data + 1, p.data + 4, 0, 0, 2, 0);
      for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], 0x5A5A5A5Au) << k->name << " mode " << mode;
    }
  }
}

}  // namespace
