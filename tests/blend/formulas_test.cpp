// The ten modes byte by byte: the cases where integer blending usually goes wrong,
// checked through every family of every kernel set, and every byte combination
// checked against the formulas.

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "blend/formulas.h"
#include "blend_test_support.h"

namespace {

constexpr Color bytes4(int b) { return static_cast<Color>(b) * 0x01010101u; }

Color viaImage(const BlendKernels* k, int mode, Color d, Color s) {
  k->imageRows[imageModeSlot(mode)](&d, &s, 1, 1, 1, 4);
  return d;
}

// Checks one case through every family that has the mode, in every kernel set: one
// destination pixel blended with one colour or source pixel.
void expectBlend(int mode, Color d, Color s, Color expected, bool imagesToo = true) {
  const int slot = modeSlot(mode);
  for (const BlendKernels* k : allKernelSets()) {
    SCOPED_TRACE(testing::Message() << k->name << " mode " << mode);
    Color pixel = d, span = d, column = d, rect = d;
    k->pixel[slot](&pixel, s);
    k->span[slot](&span, s, 1);
    k->column[slot](&column, s, 1, 4);
    k->rect[slot](&rect, s, 1, 1, 4);
    EXPECT_EQ(pixel, expected);
    EXPECT_EQ(span, expected);
    EXPECT_EQ(column, expected);
    EXPECT_EQ(rect, expected);
    if (imagesToo) {
      EXPECT_EQ(viaImage(k, mode, d, s), expected);
    }
  }
}

TEST(BlendFormulas, AlphaKeepsOne256thOfTheDestination) {
  expectBlend(BLEND_ALPHA, 0x00000000u, 0xFFFFFFFFu, 0xFEFEFEFEu);
  expectBlend(BLEND_ALPHA, 0x12345678u, 0x00ABCDEFu, 0x12345678u);  // alpha 0: unchanged
  // Colour bytes 0 at alpha 128 over 255: 127, and the alpha byte itself blends to 191.
  expectBlend(BLEND_ALPHA, 0xFFFFFFFFu, 0x80000000u, 0xBF7F7F7Fu);
}

TEST(BlendFormulas, MultiplyAndScreenDivideBy256) {
  expectBlend(BLEND_MULTIPLY, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFEFEFEFEu);
  expectBlend(BLEND_MULTIPLY, 0x80402010u, 0xFFFFFFFFu, 0x7F3F1F0Fu);
  expectBlend(BLEND_SCREEN, 0, 0, 0x01010101u, false);
  expectBlend(BLEND_SCREEN, bytes4(128), bytes4(128), bytes4(192), false);
  expectBlend(BLEND_SCREEN, 0x00FF7F01u, 0xFFFFFFFFu, 0xFFFFFFFFu, false);
}

TEST(BlendFormulas, ChainedAveragesRoundHalfUp) {
  expectBlend(BLEND_MIX75, 0, 0xFFFFFFFFu, bytes4(192));
  expectBlend(BLEND_MIX25, 0, 0xFFFFFFFFu, bytes4(64));
  expectBlend(BLEND_AVERAGE, 0, 0xFFFFFFFFu, bytes4(128));
  expectBlend(BLEND_AVERAGE, 0x01000100u, 0x00000000u, 0x01000100u);
}

TEST(BlendFormulas, AddAndSubtractSaturatePerByte) {
  expectBlend(BLEND_ADD, bytes4(144), bytes4(128), 0xFFFFFFFFu);
  expectBlend(BLEND_SUBTRACT, bytes4(128), bytes4(144), 0u);
  // No carry or borrow crosses into the neighbouring byte.
  expectBlend(BLEND_ADD, 0x00FF00FFu, 0x00010001u, 0x00FF00FFu);
  expectBlend(BLEND_SUBTRACT, 0xFF00FF00u, 0x00010001u, 0xFF00FF00u);
  expectBlend(BLEND_LIGHTEN, 0x10F010F0u, 0xF010F010u, 0xF0F0F0F0u);
}

TEST(BlendFormulas, ModesOutsideTheRangeCopy) {
  for (int mode : {0, 11, -1, -2147483647 - 1, 2147483647})
    expectBlend(mode, 0x12345678u, 0x9ABCDEF0u, 0x9ABCDEF0u);
  // Images have no Screen: mode 10 copies the source.
  for (const BlendKernels* k : allKernelSets())
    EXPECT_EQ(viaImage(k, BLEND_SCREEN, 0x12345678u, 0x9ABCDEF0u), 0x9ABCDEF0u) << k->name;
}

TEST(BlendFormulas, CoverageWeighting) {
  // Multiply fades the colour toward white: coverage 0 leaves 255 * d / 256 in blue,
  // green and red, and clears the alpha byte; full coverage of black blackens.
  EXPECT_EQ(px::coverMultiply(0xFFFFFFFFu, 0x00000000u, 0), 0x00FEFEFEu);
  EXPECT_EQ(px::coverMultiply(0x80402010u, 0x12345678u, 0), 0x003F1F0Fu);
  EXPECT_EQ(px::coverMultiply(0xFFFFFFFFu, 0xFF000000u, 255), 0xFD000000u);
  EXPECT_EQ(px::coverMultiply(0x80402010u, 0x00000000u, 255), 0x00000000u);
  // Copy moves all four bytes toward the colour, alpha byte included.
  EXPECT_EQ(px::coverCopy(0x00000000u, 0xFFFFFFFFu, 255), 0xFEFEFEFEu);
  EXPECT_EQ(px::coverCopy(0x00000000u, 0x00FF0000u, 128), 0x007F0000u);
  // Alpha weight (coverage * alpha) >> 8: 128 * 128 >> 8 = 64.
  EXPECT_EQ(px::coverAlpha(0x00000000u, 0x80FF0000u, 128), 0x203F0000u);
  // Add, Subtract and Screen scale all four bytes: 255 * 128 >> 8 = 127.
  EXPECT_EQ(px::coverAdd(0x01010101u, 0xFFFFFFFFu, 128), 0x80808080u);
  EXPECT_EQ(px::coverSubtract(0xFFFFFFFFu, 0xFFFFFFFFu, 128), 0x80808080u);
  EXPECT_EQ(px::coverScreen(0x00000000u, 0xFFFFFFFFu, 128), 0x80808080u);
}

// ---- every byte combination -------------------------------------------------

// Expected byte of each mode, written from the definitions rather than from
// formulas.h where a second form exists.
int expectedByte(int mode, int d, int s, int a) {
  switch (mode) {
    case BLEND_ALPHA:
      return (d * (256 - a) + s * a) / 256;
    case BLEND_ADD:
      return d + s < 255 ? d + s : 255;
    case BLEND_SUBTRACT:
      return d - s > 0 ? d - s : 0;
    case BLEND_MULTIPLY:
      return d * s / 256;
    case BLEND_AVERAGE:
      return (d + s + 1) / 2;
    case BLEND_MIX75:
      return (s + (s + d + 1) / 2 + 1) / 2;
    case BLEND_MIX25:
      return (d + (d + s + 1) / 2 + 1) / 2;
    case BLEND_LIGHTEN:
      return d < s ? s : d;
    case BLEND_SCREEN:
      return 255 - (255 - d) * (255 - s) / 256;
    default:
      return s;
  }
}

// Destination bytes 0..255 in every lane against one colour per call: each lane
// sees every (d, s) pair, and Alpha every (d, s, A) triple in blue, green and red.
TEST(BlendFormulas, EveryByteCombinationInEveryKernelSet) {
  AlignedPixels row(256), source(256), got(256);
  std::vector<Color> expected(256);
  for (int mode = 1; mode <= 10; ++mode) {
    const int alphas = mode == BLEND_ALPHA ? 256 : 1;
    for (int a = 0; a < alphas; ++a) {
      for (int s = 0; s < 256; ++s) {
        const Color colour =
            (mode == BLEND_ALPHA) ? (bytes4(s) & 0x00FFFFFFu) | Color(a) << 24 : bytes4(s);
        const int weight = static_cast<int>(colour >> 24);
        for (int d = 0; d < 256; ++d) {
          Color e = 0;
          for (int lane = 0; lane < 4; ++lane)
            e |= Color(expectedByte(mode, d, px::byteOf(colour, lane), weight)) << (8 * lane);
          expected[d] = e;
          source[d] = colour;
        }
        for (const BlendKernels* k : allKernelSets()) {
          for (int d = 0; d < 256; ++d) got[d] = bytes4(d);
          k->span[mode](got.data, colour, 256);
          for (int d = 0; d < 256; ++d) {
            if (got[d] != expected[d]) {
              FAIL() << k->name << " span mode " << mode << " d " << d << " colour " << std::hex
                     << colour << ": " << got[d] << " != " << expected[d];
            }
          }
          if (mode == BLEND_SCREEN) continue;
          for (int d = 0; d < 256; ++d) got[d] = bytes4(d);
          k->imageRows[mode](got.data, source.data, 256, 256, 1, 0);
          for (int d = 0; d < 256; ++d) {
            if (got[d] != expected[d]) {
              FAIL() << k->name << " image mode " << mode << " d " << d << " source " << std::hex
                     << colour << ": " << got[d] << " != " << expected[d];
            }
          }
        }
      }
    }
  }
}

}  // namespace
