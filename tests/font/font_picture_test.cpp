// The embedded font picture: its size, its four colours, one width marker per cell at
// the advance width of the table below, and glyphs that keep to their cells' rows.

#include <gtest/gtest.h>

#include <cstdint>

#include "font_expect.h"
#include "image/picture_io.h"
#include "platform/headless/headless.h"

namespace {

constexpr std::uint32_t kGround = 0x000000, kInk = 0x707070, kCorner = 0x303030, kMarker = 0xFF00FF;

class FontPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::configure({});
    ASSERT_EQ(LoadPicturePixels(L"TYPE_EN_RU", -1, 0, picture), 1);
    ASSERT_EQ(picture.width, 8);
    ASSERT_EQ(picture.height, 2560);
  }
  std::uint32_t at(int code, int row, int column) const {
    return picture.pixels[(code * 10 + row) * 8 + column] & 0xFFFFFFu;
  }
  bool inked(int code, int row, int column) const {
    const std::uint32_t c = at(code, row, column);
    return c == kInk || c == kCorner;
  }
  // Lowest row of the cell holding ink, -1 for an empty cell.
  int bottomRow(int code) const {
    int bottom = -1;
    for (int r = 0; r < 10; ++r) {
      for (int x = 0; x < 8; ++x) {
        if (inked(code, r, x)) bottom = r;
      }
    }
    return bottom;
  }
  PictureData picture;
};

TEST_F(FontPicture, EveryCellHasOneMarkerAtItsAdvanceAndInkOnlyToItsLeft) {
  for (int code = 0; code < 256; ++code) {
    SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << code);
    int marker = -1;
    for (int r = 0; r < 10; ++r) {
      for (int x = 0; x < 8; ++x) {
        const std::uint32_t c = at(code, r, x);
        ASSERT_TRUE(c == kGround || c == kInk || c == kCorner || c == kMarker) << std::hex << c;
        if (c == kMarker) {
          EXPECT_EQ(r, 0);
          EXPECT_EQ(marker, -1) << "a second marker";
          marker = x;
        }
      }
    }
    EXPECT_EQ(marker, font_expect::advance(code));
    // Ink past the advance would run into the next glyph.
    for (int r = 0; r < 10; ++r) {
      for (int x = marker; x < 8; ++x) EXPECT_FALSE(inked(code, r, x)) << r << "," << x;
    }
  }
  // The replacement colour of the markers is the ground.
  EXPECT_EQ(at(0, 1, 7), kGround);
}

TEST_F(FontPicture, CellsWithoutAGlyphAreEmpty) {
  for (int code = 0; code < 256; ++code) {
    const bool empty = code < 0x20 || code == 0x20 || code == 0x27 || code == 0x60 ||
                       (code >= 0x7F && code <= 0xBF && code != 0xA8 && code != 0xB8);
    EXPECT_EQ(bottomRow(code) == -1, empty) << "code 0x" << std::hex << code;
  }
}

TEST_F(FontPicture, GlyphsStandOnTheBaselineAndDescendersReachBelow) {
  // Letters and digits end on row 7 unless they descend; descenders end on row 8 or 9.
  const char* descenders = "gjpqy\xC4\xD6\xD9\xE4\xF0\xF3\xF4\xF6\xF9";
  for (int code = 0x30; code < 256; ++code) {
    const bool letter = (code >= 0x30 && code <= 0x39) || (code >= 0x41 && code <= 0x5A) ||
                        (code >= 0x61 && code <= 0x7A) || code >= 0xC0 || code == 0xA8 ||
                        code == 0xB8;
    if (!letter) continue;
    bool descends = false;
    for (const char* d = descenders; *d; ++d) descends |= static_cast<unsigned char>(*d) == code;
    const int bottom = bottomRow(code);
    if (descends) {
      EXPECT_TRUE(bottom == 8 || bottom == 9) << "code 0x" << std::hex << code;
    } else {
      EXPECT_EQ(bottom, 7) << "code 0x" << std::hex << code;
    }
  }
}

TEST_F(FontPicture, SpecialCells) {
  // 0x24 holds a two-pixel tick at the left.
  int tick = 0;
  for (int r = 0; r < 10; ++r) {
    for (int x = 0; x < 8; ++x) tick += inked(0x24, r, x) ? (x == 0 ? 1 : 100) : 0;
  }
  EXPECT_EQ(tick, 2);
  // The diaeresis of 0xA8 stands in the top row, left of the marker.
  int dots = 0;
  for (int x = 0; x < 7; ++x) dots += inked(0xA8, 0, x);
  EXPECT_EQ(dots, 2);
  // Capitals rise to row 1, x-height letters to row 3.
  for (int x = 0; x < 8; ++x) {
    EXPECT_FALSE(inked('A', 0, x));
    EXPECT_FALSE(inked('a', 2, x));
    EXPECT_FALSE(inked(0xE0, 2, x));
  }
  EXPECT_TRUE(inked('A', 1, 3));
  EXPECT_TRUE(inked('H', 4, 3));  // the crossbar
  EXPECT_TRUE(inked('a', 3, 2));
  EXPECT_TRUE(inked(0xC0, 1, 3));
}

}  // namespace
