// The font object with the shipped font: advances from the markers, the layout of
// lines and blocks, placement by the anchors, where Draw puts each line, and the
// bounds of the line table and of NarrowText.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "font/font_spr.h"
#include "font_expect.h"
#include "image/picture_io.h"
#include "platform/headless/headless.h"
#include "surface/surface.h"
#include "test_view.h"

namespace {

constexpr Color kBackground = 0xFF202020u;

// The shipped font over a view of the test's own.
struct Font : ::testing::Test {
  TestView surface;
  std::vector<Color>& memory = surface.memory;
  PictureData picture;  // the font picture as decoded, markers still in place

  void SetUp() override {
    headless::configure({});
    resetPendingLoad();
    ASSERT_EQ(LoadPicturePixels(L"TYPE_EN_RU", -1, 0, picture), 1);
    view(640, 480);
  }
  void TearDown() override {
    backBuffer.pixels = nullptr;
    setView(-1, -1, -1, -1, 0, 1);
  }
  void view(int width, int height) { surface.make(width, height, kBackground); }
  static Color at(int x, int y) { return *viewPixel(x, y); }
  // Cell pixel as Load leaves it: the marker turned into the ground.
  Color cell(int code, int row, int column) const {
    const Color c = picture.pixels[(code * 10 + row) * 8 + column] & 0xFFFFFFu;
    return 0xFF000000u | (c == 0xFF00FFu ? 0u : c);
  }
  // The whole cell of `code` copied at (x, y)?
  ::testing::AssertionResult cellAt(int code, int x, int y) const {
    for (int r = 0; r < 10; ++r) {
      for (int c = 0; c < 8; ++c) {
        if ((at(x + c, y + r) | 0xFF000000u) != cell(code, r, c)) {
          return ::testing::AssertionFailure()
                 << "cell 0x" << std::hex << code << std::dec << " at " << x << "," << y
                 << ": pixel " << c << "," << r;
        }
      }
    }
    return ::testing::AssertionSuccess();
  }
};

TEST_F(Font, LoadTakesTheAdvancesFromTheMarkersAndClearsThem) {
  FontSPR font(L"TYPE_EN_RU", nullptr);
  EXPECT_EQ(font.cellWidth, 8);
  EXPECT_EQ(font.glyphHeight, 10);
  EXPECT_EQ(font.flags, -1);
  EXPECT_EQ(font.letterGap, 1);
  EXPECT_EQ(font.lineGap, 0);
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(font.advance[code], font_expect::advance(code)) << "code 0x" << std::hex << code;
    for (int column = 0; column < 8; ++column) {
      EXPECT_EQ(font.glyphs->pixels[code * 80 + column] & 0xFFFFFFu,
                cell(code, 0, column) & 0xFFFFFFu);
    }
  }
}

TEST_F(Font, LayoutOfLines) {
  struct Case {
    const char* text;
    int lineGap, lines, firstWidth, lastWidth, blockWidth, blockHeight;
  };
  // Widths: advances plus one letter gap each, less the last gap.
  const Case cases[] = {
      {"A\nB", 4, 2, 7, 7, 7, 24},
      {"A\n", 4, 2, 7, -1, 7, 24},  // the empty last line is -letter gap wide
      {" ", 0, 1, 5, 5, 5, 10},
      {"", 0, 1, -1, -1, 0, 10},
      {"'", 0, 1, 7, 7, 7, 10},
      {"`", 0, 1, 0, 0, 0, 10},
      {"\x01\x1F\x7F\xA7", 0, 1, 3, 3, 3, 10},   // empty cells: the letter gap only
      {"Control Keys:", 0, 1, 71, 71, 71, 10},   // 59 of advances, 12 gaps
      {"\xC0\xE4\xFC\r", 2, 1, 20, 20, 20, 10},  // 7 + 6 + 4 + 0 and a gap after each of four
      {"ab\n\nabc", 3, 3, 11, 17, 17, 36},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FontSPR font(L"TYPE_EN_RU", nullptr);
    font.lineGap = c.lineGap;
    font.Print(0, 0, 1, c.text);
    EXPECT_EQ(font.lineCount, c.lines);
    EXPECT_EQ(font.lineWidth[0], c.firstWidth);
    EXPECT_EQ(font.lineWidth[c.lines - 1], c.lastWidth);
    EXPECT_EQ(font.blockWidth, c.blockWidth);
    EXPECT_EQ(font.blockHeight, c.blockHeight);
  }
}

TEST_F(Font, BlockPlacementByTheAnchors) {
  struct Case {
    int x, y, flags, pixelSize;
    int x0, y0, x1, y1;
  };
  // Twenty spaces with no letter gap: a block of 100 x 10 on a 640 x 480 view.
  const Case cases[] = {
      {0, 0, 0x120, 0, 270, 0, 369, 9},                 // 320 - 50
      {10, 0, 0x110, 0, 530, 0, 629, 9},                // 640 - 10 - 100
      {0, 0, 0x0A3, 0, 270, 235, 369, 244},             // 240 - 5
      {5, 12, 0x041, 0, 5, 458, 104, 467},              // 480 - 12 - 10
      {5, 6, 0x001, 3, 5, 6, 5 + 399 - 1, 6 + 39 - 1},  // dots of 3, gap 1: 100*4-1 by 10*4-1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    FontSPR font(L"TYPE_EN_RU", nullptr);
    font.letterGap = 0;
    font.glyphs->pixelSize = c.pixelSize;
    font.Print(c.x, c.y, c.flags, "                    ");
    EXPECT_EQ(font.blockWidth, 100);
    EXPECT_EQ(font.x0, c.x0);
    EXPECT_EQ(font.y0, c.y0);
    EXPECT_EQ(font.x1, c.x1);
    EXPECT_EQ(font.y1, c.y1);
  }
}

TEST_F(Font, DrawPutsEachLineByItsAlignment) {
  struct Case {
    const char* text;
    int flags, lineGap, code, x, y;  // the last glyph's cell and where it lands
  };
  // Printed at (20, 30): the block's top left.
  const Case cases[] = {
      {"A\nB", 1, 4, 'B', 20, 44},
      {"'A", 1, 0, 'A', 28, 30},  // 0x27 draws an empty cell and advances by 8
      {"\x01\x60"
       "A",
       1, 0, 'A', 22, 30},               // empty cells advance by the letter gap only
      {"A1\n#", 0x101, 0, '#', 23, 40},  // centred: 20 + 10 / 2 - 5 / 2
      {"A1\n#", 0x201, 0, '#', 25, 40},  // right: 20 + 10 - 5
      {"A1\n#", 0x301, 0, '#', 20, 40},  // 3 aligns left
      {"#\nA1", 0x101, 2, '1', 28, 42},  // the wider line starts at 20, 'A' advances 8
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    view(640, 480);
    FontSPR font(L"TYPE_EN_RU", nullptr);
    font.lineGap = c.lineGap;
    font.Print(20, 30, c.flags, c.text);
    font.Draw();
    EXPECT_TRUE(cellAt(c.code, c.x, c.y));
  }
}

TEST_F(Font, ModesComeFromTheFlagsAndDotsStepByTheirPitch) {
  FontSPR font(L"TYPE_EN_RU", nullptr);
  // Even a picture with an alpha flag copies in mode 1.
  font.glyphs->alphaFlag = 1;
  font.Print(0, 0, 1, "H");
  EXPECT_EQ(font.glyphs->mode, 1);
  font.Draw();
  EXPECT_TRUE(cellAt('H', 0, 0));
  // Add: the ground leaves the view as it was, the ink brightens it by 0x70.
  view(64, 64);
  font.Print(0, 0, 3, "H");
  font.Draw();
  EXPECT_EQ(at(7, 4), kBackground);
  EXPECT_EQ(at(0, 4), 0xFF909090u);
  // Dots of 3 with a gap of 1: a pen step of 4, the line gap not magnified. Cell
  // pixel (c, r) of a line starting at y0 lies in the 4 x 4 block at (4c, y0 + 4r).
  view(200, 200);
  font.glyphs->pixelSize = 3;
  font.lineGap = 5;
  font.Print(0, 0, 3, "H\nH");
  font.Draw();
  const auto lit = [&](int c, int top) {
    bool any = false;
    for (int i = 0; i < 16; ++i) any |= at(4 * c + i % 4, top + i / 4) != kBackground;
    return any;
  };
  const int second = 4 * 10 + 5;
  EXPECT_TRUE(lit(0, 4 * 4));           // row 4 of the first H
  EXPECT_TRUE(lit(6, 4 * 4));           // its right stem
  EXPECT_FALSE(lit(7, 4 * 4));          // nothing past the stem
  EXPECT_TRUE(lit(1, second + 4 * 4));  // the crossbar of the second
  EXPECT_FALSE(lit(1, second + 2 * 4));
}

TEST_F(Font, NothingIsLaidOutOrDrawnWithoutFlagsTextOrPicture) {
  FontSPR font(L"TYPE_EN_RU", nullptr);
  font.Print(0, 0, 0, "A");  // flags 0: stored, not laid out
  EXPECT_EQ(font.text, std::string("A"));
  EXPECT_EQ(font.blockWidth, 0);
  font.Draw();
  font.Print(0, 0, 1, "AB");
  font.Print(0, 0, 1, nullptr);  // keeps "AB"
  EXPECT_EQ(font.blockWidth, 15);
  font.SetText(nullptr);  // held text gone; the layout stays as it was
  EXPECT_EQ(font.text, nullptr);
  font.Draw();
  font.Free();
  font.Print(0, 0, 1, "A");
  font.Draw();
  pendingLoad.reportMissing = 0;
  FontSPR missing(L"NO_SUCH_FONT", nullptr);
  EXPECT_EQ(missing.cellWidth, 0);
  EXPECT_EQ(missing.glyphHeight, 0);
  EXPECT_EQ(missing.advance['A'], 0);
  missing.Print(0, 0, 1, "A");
  missing.Draw();
  for (Color c : memory) ASSERT_EQ(c, kBackground);
}

TEST_F(Font, TextsPastTheTablesAreCut) {
  // 300 lines: the first 256 are laid out and drawn, the rest is cut off.
  std::string text;
  for (int i = 0; i < 300; ++i) text += "A\n";
  view(16, 2600);
  FontSPR font(L"TYPE_EN_RU", nullptr);
  font.Print(0, 0, 1, text.c_str());
  EXPECT_EQ(font.lineCount, 256);
  EXPECT_EQ(font.blockHeight, 2560);
  EXPECT_EQ(font.lineWidth[255], 7);
  font.Draw();
  EXPECT_TRUE(cellAt('A', 0, 2550));
  EXPECT_EQ(at(0, 2562), kBackground);

  char buffer[narrowTextCapacity];
  std::wstring wide(300, L'x');
  EXPECT_EQ(std::string(NarrowText(wide.c_str(), buffer)), std::string(255, 'x'));
  EXPECT_EQ(std::string(NarrowText(L"A\u0410\u00FF\u0141", buffer)), "A\x10\xFF\x41");
  EXPECT_EQ(std::string(NarrowText(nullptr, buffer)), "");
}

}  // namespace
