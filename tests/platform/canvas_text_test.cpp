// Text on a canvas: placement, colours, glyph pictures and clipping of emu::drawText.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/common/surface_memory.h"

namespace {

// Never produced by drawText: its alpha is not 0xFF.
constexpr std::uint32_t untouched = 0x12345678;
constexpr std::uint32_t grey = 0xFF7F7F7F, white = 0xFFFFFFFF;

emu::Canvas blankCanvas(int width, int height) {
  emu::Canvas canvas;
  canvas.resize(width, height);
  canvas.pixels.assign(canvas.pixels.size(), untouched);
  return canvas;
}

std::uint32_t at(const emu::Canvas& canvas, int x, int y) {
  return canvas.pixels[static_cast<std::size_t>(y) * canvas.width + x];
}

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
  bool empty() const { return left > right; }
  bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Bounding box of the pixels for which `pick` holds.
template <typename Pick>
Box boundsOf(const emu::Canvas& canvas, Pick pick) {
  Box box;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      if (!pick(at(canvas, x, y))) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

// The cell of a character drawn alone at the canvas origin, as rows of '#' and '.'.
std::vector<std::string> cellPicture(wchar_t ch) {
  const wchar_t text[] = {ch, 0};
  emu::Canvas canvas = blankCanvas(7, 8);
  emu::drawText(canvas, 0, 0, text, 0x000000, 0xFFFFFF, 0);
  std::vector<std::string> rows;
  for (int y = 0; y < 8; ++y) {
    std::string row;
    for (int x = 1; x < 7; ++x) row += at(canvas, x, y) == white ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST(CanvasTextPreview, PreviewTitleIsCentredOnItsPointInTwoColours) {
  // The default preview painter's call on a preview-sized canvas.
  emu::Canvas canvas = blankCanvas(152, 112);
  ASSERT_EQ(emu::drawText(canvas, 76, 47, L"Q u i l l m a r k", 0x7F7F7F, 0xFFFFFF, TA_CENTER), 1);

  const Box ink = boundsOf(canvas, [](std::uint32_t p) { return p == white; });
  ASSERT_FALSE(ink.empty());
  EXPECT_LE(std::abs(ink.left + ink.right - 2 * 76), 2) << ink.left << ".." << ink.right;
  EXPECT_GE(ink.top, 47);
  EXPECT_LE(ink.bottom, 47 + 6);

  // The touched pixels form one 103 x 8 box holding only the two colours.
  const Box touched = boundsOf(canvas, [](std::uint32_t p) { return p != untouched; });
  EXPECT_EQ(touched.right - touched.left + 1, 17 * 6 + 1);
  EXPECT_EQ(touched.top, 47);
  EXPECT_EQ(touched.bottom, 47 + 7);
  int lit = 0, back = 0;
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const std::uint32_t p = at(canvas, x, y);
      if (!touched.contains(x, y)) {
        ASSERT_EQ(p, untouched) << x << "," << y;
      } else {
        ASSERT_TRUE(p == white || p == grey)
            << std::hex << p << " at " << std::dec << x << "," << y;
        (p == white ? lit : back) += 1;
      }
    }
  }
  EXPECT_GT(lit, 17 * 3);  // nine letters, several pixels each
  EXPECT_GT(back, lit);
}

TEST(CanvasTextPreview, ColoursAreConvertedFromBlueGreenRedOrder) {
  emu::Canvas canvas = blankCanvas(20, 10);
  emu::drawText(canvas, 0, 0, L"I", 0x00332211, 0x00CCBBAA, 0);
  EXPECT_EQ(at(canvas, 0, 0), 0xFF112233u);  // the leading blank column
  EXPECT_EQ(at(canvas, 3, 0), 0xFFAABBCCu);  // the top of the I's stem
}

TEST(CanvasTextPlacement, LeftAlignedBoxStartsAtXAndTopAtY) {
  emu::Canvas canvas = blankCanvas(40, 20);
  emu::drawText(canvas, 10, 5, L"AB", 0x7F7F7F, 0xFFFFFF, 0);
  const Box touched = boundsOf(canvas, [](std::uint32_t p) { return p != untouched; });
  EXPECT_EQ(touched.left, 10);
  EXPECT_EQ(touched.right, 10 + 2 * 6);
  EXPECT_EQ(touched.top, 5);
  EXPECT_EQ(touched.bottom, 5 + 7);
  // Glyph ink starts one column in; the cell's last row and column stay blank.
  const Box ink = boundsOf(canvas, [](std::uint32_t p) { return p == white; });
  EXPECT_EQ(ink.left, 11);
  EXPECT_EQ(ink.right, 11 + 6 + 4);
  EXPECT_EQ(ink.bottom, 5 + 6);
}

TEST(CanvasTextGlyphs, LettersMatchTheirPictures) {
  const std::vector<std::string> q = {".###..", "#...#.", "#...#.", "#...#.",
                                      "#.#.#.", "#..#..", ".##.#.", "......"};
  const std::vector<std::string> k = {"#.....", "#.....", "#...#.", "#..#..",
                                      "###...", "#..#..", "#...#.", "......"};
  const std::vector<std::string> g = {"......", ".####.", "#...#.", "#...#.",
                                      ".####.", "....#.", ".###..", "......"};
  EXPECT_EQ(cellPicture(L'Q'), q);
  EXPECT_EQ(cellPicture(L'k'), k);
  EXPECT_EQ(cellPicture(L'g'), g);  // descender raised into the seven rows
}

TEST(CanvasTextGlyphs, EveryPrintableGlyphIsDistinctAndOnlySpaceIsBlank) {
  const std::vector<std::string> blank(8, "......");
  std::set<std::vector<std::string>> seen;
  for (wchar_t ch = 0x20; ch <= 0x7E; ++ch) {
    const std::vector<std::string> picture = cellPicture(ch);
    EXPECT_EQ(picture == blank, ch == L' ') << "character " << static_cast<int>(ch);
    EXPECT_TRUE(seen.insert(picture).second) << "character " << static_cast<int>(ch);
  }
}

TEST(CanvasTextGlyphs, CharactersOutsideTheTableAreEmptyCells) {
  const std::vector<std::string> blank(8, "......");
  for (wchar_t ch : {L'\t', L'\x7F', L'\xE9', L'\x2603', static_cast<wchar_t>(-1)}) {
    EXPECT_EQ(cellPicture(ch), blank) << "character " << static_cast<long>(ch);
  }
}

TEST(CanvasTextClipping, PartlyVisibleTextDrawsTheSameVisiblePixels) {
  // Each case is drawn on a small canvas and, shifted by `pad`, on one large enough to hold
  // all of it; the small canvas must show exactly the matching window of the large one.
  constexpr int width = 40, height = 12, pad = 100;
  const struct {
    int x, y;
    std::uint32_t align;
  } cases[] = {{-20, 2, 0}, {20, 2, 0},        {-3, -4, 0},        {30, 7, 0},  {0, -7, 0},
               {0, 11, 0},  {0, 2, TA_CENTER}, {40, 2, TA_CENTER}, {-1, -1, 0}, {5, 3, 0},
               {-60, 2, 0}, {40, 0, 0},        {0, 12, 0},         {0, -8, 0},  {70, 2, TA_CENTER}};
  for (const auto& c : cases) {
    emu::Canvas small = blankCanvas(width, height);
    emu::Canvas large = blankCanvas(width + 2 * pad, height + 2 * pad);
    EXPECT_EQ(emu::drawText(small, c.x, c.y, L"Hi there", 0x7F7F7F, 0xFFFFFF, c.align), 1);
    emu::drawText(large, c.x + pad, c.y + pad, L"Hi there", 0x7F7F7F, 0xFFFFFF, c.align);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(at(small, x, y), at(large, x + pad, y + pad))
            << "case " << c.x << "," << c.y << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(CanvasTextClipping, ExtremeCoordinatesDrawNothing) {
  const int cases[][2] = {{INT_MIN, 0},       {INT_MAX, 0},       {0, INT_MIN},  {0, INT_MAX},
                          {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {-1000000, 3}, {3, 1000000}};
  for (const auto& c : cases) {
    for (std::uint32_t align : {0u, static_cast<std::uint32_t>(TA_CENTER)}) {
      emu::Canvas canvas = blankCanvas(30, 10);
      EXPECT_EQ(emu::drawText(canvas, c[0], c[1], L"Wide words", 0, 0xFFFFFF, align), 1);
      const Box touched = boundsOf(canvas, [](std::uint32_t p) { return p != untouched; });
      EXPECT_TRUE(touched.empty()) << c[0] << "," << c[1] << " align " << align;
    }
  }
}

TEST(CanvasTextClipping, VeryLongTextCoversOnlyItsRowsAcrossTheCanvas) {
  const std::wstring text(200000, L'M');
  for (std::uint32_t align : {0u, static_cast<std::uint32_t>(TA_CENTER)}) {
    emu::Canvas canvas = blankCanvas(64, 16);
    EXPECT_EQ(emu::drawText(canvas, 32, 4, text.c_str(), 0x7F7F7F, 0xFFFFFF, align), 1);
    const Box touched = boundsOf(canvas, [](std::uint32_t p) { return p != untouched; });
    EXPECT_EQ(touched.left, align ? 0 : 32);
    EXPECT_EQ(touched.right, 63);
    EXPECT_EQ(touched.top, 4);
    EXPECT_EQ(touched.bottom, 11);
  }
}

TEST(CanvasTextClipping, NullEmptyTextAndEmptyCanvasWriteNothing) {
  emu::Canvas canvas = blankCanvas(20, 10);
  EXPECT_EQ(emu::drawText(canvas, 5, 5, nullptr, 0, 0xFFFFFF, 0), 0);
  EXPECT_EQ(emu::drawText(canvas, 5, 5, L"", 0, 0xFFFFFF, TA_CENTER), 1);
  const Box touched = boundsOf(canvas, [](std::uint32_t p) { return p != untouched; });
  EXPECT_TRUE(touched.empty());

  emu::Canvas none;
  EXPECT_EQ(emu::drawText(none, 0, 0, L"text", 0, 0xFFFFFF, 0), 1);
  EXPECT_TRUE(none.pixels.empty());
}

}  // namespace
