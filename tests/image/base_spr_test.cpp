// The picture object: loading with the pending options, placement by anchors,
// drawing, scrolling, reading and the refusals that keep every index in its array.

#include "image/base_spr.h"

#include <gtest/gtest.h>

#include <climits>

#include "fake_pictures.h"
#include "image/picture_io.h"
#include "input/input_state.h"
#include "sprite_fixture.h"

namespace {

using fake_pictures::solid;

struct Sprite : SpriteTest {};

// Per channel c * t >> 8, worked out channel by channel; alpha kept.
Color tintByHand(Color c, Color t) {
  Color out = c & 0xFF000000u;
  for (int shift : {0, 8, 16})
    out |= ((((c >> shift) & 0xFF) * ((t >> shift) & 0xFF)) >> 8) << shift;
  return out;
}

}  // namespace

TEST_F(Sprite, AlphaFlagAndModePromotion) {
  PictureData mixed = solid(2, 2, 0xFF102030);
  mixed.pixels[3] = 0x80102030;
  fake_pictures::install({{L"Opaque", solid(2, 2, 0xFF102030)},
                          {L"Clear", solid(2, 2, 0x00102030)},
                          {L"Mixed", mixed},
                          {L"Mask", solid(2, 2, 0xFF0000FF)}});
  const struct {
    const wchar_t *name, *mask;
    int flags;
    int alphaFlag, mode;
  } cases[] = {
      {L"Opaque", nullptr, 0x01, 0, 1}, {L"Clear", nullptr, 0x01, 0, 1},
      {L"Mixed", nullptr, 0x01, 1, 2},  {L"Opaque", L"Mask", 0x21, 1, 2},
      {L"Mixed", nullptr, 0x05, 1, 5},  {nullptr, L"Mask", 0x01, 1, 2},
  };
  for (const auto& c : cases) {
    BaseSPR s(c.name, c.mask, -1, -1);
    ASSERT_NE(s.pixels, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(s.pixels) % 16, 0u);
    EXPECT_EQ(s.alphaFlag, c.alphaFlag);
    s.Place(0, 0, c.flags);
    EXPECT_EQ(s.mode, c.mode) << "flags " << c.flags;
    s.Draw(1);  // Draw promotes the same way
    EXPECT_EQ(s.mode, c.alphaFlag ? 2 : 1);
  }
  // The mask's blue byte became the alpha; a mask alone is opaque and names the picture.
  BaseSPR masked(L"Opaque", L"Mask", -1, -1);
  EXPECT_EQ(masked.GetPixel(1, 1), 0xFF102030u);
  BaseSPR maskOnly(nullptr, L"Mask", -1, -1);
  EXPECT_EQ(maskOnly.GetPixel(0, 0), 0xFF0000FFu);
  EXPECT_STREQ(maskOnly.name, L"Mask");
  EXPECT_TRUE(sandbox.platformFake.boxTexts.empty());
}

TEST_F(Sprite, OpaquePictureDrawsAsAPlainCopyAndTheOverrideWins) {
  view.make(16, 8, 0xFF000000u);
  fake_pictures::install({{L"Half", solid(2, 1, 0x80FFFFFF)}});
  BaseSPR s(L"Half", nullptr, -1, -1);
  EXPECT_EQ(s.alphaFlag, 0);  // uniform alpha, even below 0xFF
  s.Place(3, 2, 0x01);
  s.Draw(-1);
  EXPECT_EQ(view.at(3, 2), 0x80FFFFFFu);
  EXPECT_EQ(view.at(4, 2), 0x80FFFFFFu);
  EXPECT_EQ(view.at(5, 2), 0xFF000000u);
  view.at(3, 2) = 0xFF000000u;
  spriteModeOverride = BLEND_ADD;
  s.Draw(-1);
  EXPECT_EQ(view.at(3, 2), 0xFFFFFFFFu);  // Add saturates every byte
  EXPECT_EQ(s.mode, 1);                   // the picture's own mode is kept
}

TEST_F(Sprite, TintIsAppliedToLoadsCopiesAndGrabsThenReset) {
  view.make(8, 8, 0xFFFFFFFFu);
  const Color tint = 0xFFAAAAAA;
  const Color sources[] = {0xFFFFFFFF, 0x80FF8040, 0x00000000, 0x7F010203};
  PictureData picture = solid(4, 1, 0);
  for (int i = 0; i < 4; ++i) picture.pixels[i] = sources[i];
  fake_pictures::install({{L"Four", picture}});
  ASSERT_EQ(tintByHand(0xFFFFFFFF, tint), 0xFFA9A9A9u);  // 255 * 170 >> 8 = 169

  pendingLoad.tint = tint;
  BaseSPR loaded(L"Four", nullptr, -1, -1);
  EXPECT_EQ(pendingLoad.tint, 0xFFFFFFFFu);
  BaseSPR copied;
  pendingLoad.tint = tint;
  pendingLoad.pixelSize = 3;
  ASSERT_TRUE(copied.FromPixels(sources, 4, 1));
  EXPECT_EQ(pendingLoad.tint, 0xFFFFFFFFu);
  EXPECT_EQ(pendingLoad.pixelSize, 3);  // only the tint is taken by a copy
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(loaded.GetPixel(i, 0), tintByHand(sources[i], tint)) << i;
    EXPECT_EQ(copied.GetPixel(i, 0), tintByHand(sources[i], tint)) << i;
  }
  BaseSPR grabbed;  // constructing consumes the pending options, so the tint comes after
  pendingLoad.tint = tint;
  view.at(1, 1) = 0x00FFFFFF;  // a grab is opaque whatever the view's alpha
  ASSERT_TRUE(grabbed.Grab(1, 1, 2, 2));
  EXPECT_EQ(grabbed.GetPixel(0, 0), 0xFFA9A9A9u);
  EXPECT_EQ(grabbed.alphaFlag, 0);
  EXPECT_EQ(pendingLoad.tint, 0xFFFFFFFFu);
  // A tint whose colour is white is no tint.
  pendingLoad.tint = 0x00FFFFFF;
  BaseSPR untinted(L"Four", nullptr, -1, -1);
  EXPECT_EQ(untinted.GetPixel(1, 0), sources[1]);
}

TEST_F(Sprite, PendingPixelSizeBecomesOddAndSetsThePlacedSize) {
  view.make(640, 480);
  fake_pictures::install({{L"Ten", solid(10, 10, 0xFF00FF00)}});
  const struct {
    int pending, gap, pixelSize, side;
  } cases[] = {
      {0, 1, 0, 10},      {1, 1, 1, 19},  {4, 1, 5, 59},   // 10 x 6 - 1
      {5, 2, 5, 68},      {6, 0, 7, 70},  {-3, 1, 0, 10},  // refused: natural size
      {100000, 1, 0, 10}, {3, -3, 0, 10},                  // a pitch below one is refused
  };
  for (const auto& c : cases) {
    pendingLoad.pixelSize = c.pending;
    pendingLoad.gap = c.gap;
    pendingLoad.slant = 2;
    BaseSPR s(L"Ten", nullptr, -1, -1);
    EXPECT_EQ(s.pixelSize, c.pixelSize) << c.pending;
    EXPECT_EQ(s.slant, 2);
    s.Place(0, 0, 1);
    EXPECT_EQ(s.x1 - s.x0 + 1, c.side) << c.pending;
    EXPECT_EQ(s.y1 - s.y0 + 1, c.side) << c.pending;
    EXPECT_EQ(pendingLoad.pixelSize, 0);
    EXPECT_EQ(pendingLoad.gap, 1);
    EXPECT_EQ(pendingLoad.slant, 0);
  }
}

TEST_F(Sprite, MissingPicturesReportOrFailSilentlyOnceKeepingTheTint) {
  fake_pictures::install({{L"White", solid(1, 1, 0xFFFFFFFF)}});
  auto& boxes = sandbox.platformFake.boxTexts;
  pendingLoad.reportMissing = 0;
  pendingLoad.tint = 0xFFAAAAAA;
  pendingLoad.pixelSize = 3;
  BaseSPR silent(L"Nowhere", nullptr, -1, -1);
  EXPECT_EQ(silent.pixels, nullptr);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(pendingLoad.reportMissing, 1);
  EXPECT_EQ(pendingLoad.tint, 0xFFAAAAAAu);
  EXPECT_EQ(pendingLoad.pixelSize, 3);
  BaseSPR next(L"White", nullptr, -1, -1);
  EXPECT_EQ(next.GetPixel(0, 0), 0xFFA9A9A9u);
  EXPECT_EQ(next.pixelSize, 3);
  EXPECT_EQ(gdiplusUsers, 0);

  BaseSPR reported(L"Nowhere", nullptr, -1, -1);
  BaseSPR mask(L"White", L"Nowhere", -1, -1);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], L"BaseSPR : Load : JPG, GIF, PNG or BMP Resource Not Found");
  EXPECT_EQ(boxes[1], L"JPG, GIF, PNG or BMP Resource Not Found");
  EXPECT_EQ(sandbox.platformFake.boxCaptions[0], L"Process Runtime Error");
  EXPECT_TRUE(sandbox.platformFake.called("SendMessage 0 16 0 0"));  // WM_CLOSE
  EXPECT_EQ(reported.pixels, nullptr);
  EXPECT_EQ(reported.GetPixel(0, 0), 0u);
  reported.Place(0, 0, 1);
  reported.Draw(-1);  // nothing to draw, nothing touched
  EXPECT_EQ(gdiplusUsers, 0);
}

TEST_F(Sprite, PlacementByAnchors) {
  const struct {
    int viewW, viewH, w, h, pixelSize, x, y, flags;
    int left, top, right, bottom;
  } cases[] = {
      {640, 480, 152, 13, 0, 0, 12, 0x61, 244, 455, 395, 467},  // 480 - 12 - 13
      {640, 480, 152, 13, 0, 5, 7, 0x01, 5, 7, 156, 19},
      {640, 480, 152, 13, 0, 10, 3, 0x52, 478, 464, 629, 476},    // right and bottom
      {1024, 768, 655, 214, 0, 0, 0, 0xA1, 185, 277, 839, 490},   // 512 - 327, 384 - 107
      {1024, 768, 108, 13, 1, 0, 506, 0x21, 405, 506, 619, 530},  // dots: 215 x 25
      {1024, 768, 152, 13, 0, 0, 12, 0x61, 436, 743, 587, 755},
      {641, 481, 3, 3, 0, -1, -1, 0xA1, 318, 238, 320, 240},  // 320 - 1 - 1, 240 - 1 - 1
  };
  for (const auto& c : cases) {
    view.make(c.viewW, c.viewH);
    setView(0, 0, c.viewW - 1, c.viewH - 1, 0, 1);  // exactly the asked width
    BaseSPR s;
    const std::vector<Color> pixels(static_cast<std::size_t>(c.w) * c.h, 0xFF000000u);
    ASSERT_TRUE(s.FromPixels(pixels.data(), c.w, c.h));
    s.pixelSize = c.pixelSize;
    s.Place(c.x, c.y, c.flags);
    EXPECT_EQ(s.x0, c.left) << c.flags;
    EXPECT_EQ(s.y0, c.top) << c.flags;
    EXPECT_EQ(s.x1, c.right) << c.flags;
    EXPECT_EQ(s.y1, c.bottom) << c.flags;
  }
}

TEST_F(Sprite, AnchorPointAndMouseOver) {
  view.make(640, 480);
  const struct {
    int x, y, flags, ax, ay;
  } points[] = {{10, 20, 0x00, 10, 20},        {10, 20, 0x10, 629, 20}, {10, 20, 0x20, 330, 20},
                {10, 20, 0x40, 10, 459},       {10, 20, 0x80, 10, 260}, {10, 20, 0x30, 10, 20},
                {INT_MIN, 0, 0x10, INT_MAX, 0}};
  for (const auto& p : points) {
    int x = p.x, y = p.y;
    BaseSPR::AnchorPoint(x, y, p.flags);
    EXPECT_EQ(x, p.ax) << p.flags;
    EXPECT_EQ(y, p.ay) << p.flags;
  }
  setView(100, 50, 539, 429, 0, 1);  // the rectangle is shifted by the view's corner
  BaseSPR s;
  const Color pixels[6] = {};
  ASSERT_TRUE(s.FromPixels(pixels, 3, 2));
  s.Place(10, 20, 1);  // view (10, 20)-(12, 21), window (110, 70)-(112, 71)
  const struct {
    int x, y;
    bool over;
  } mouse[] = {{110, 70, true},  {112, 71, true},  {109, 70, false},
               {113, 71, false}, {111, 72, false}, {10, 20, false}};
  for (const auto& m : mouse) {
    input.x = m.x;
    input.y = m.y;
    EXPECT_EQ(s.IsMouseOver(), m.over) << m.x << "," << m.y;
  }
  BaseSPR empty;
  EXPECT_FALSE(empty.IsMouseOver());
}

TEST_F(Sprite, ScrollDrawVisitsOffsetsAndShowsEveryColumnOnce) {
  view.make(16, 8);
  const struct {
    int step;
    int offsets[6];
  } cases[] = {{3, {0, 3, 6, 9, 2, 5}}, {-3, {0, 7, 4, 1, 8, 5}}};
  Color row[10];
  for (int i = 0; i < 10; ++i) row[i] = 0xFF000000u + i;
  for (const auto& c : cases) {
    BaseSPR s;
    ASSERT_TRUE(s.FromPixels(row, 10, 1));
    s.scrollStep = c.step;
    s.Place(2, 1, 1);
    for (int k = 0; k < 6; ++k) {
      const int e = c.offsets[k];
      ASSERT_EQ(s.scrollOffset, e);
      s.ScrollDraw(-1);
      for (int x = 0; x < 10; ++x) ASSERT_EQ(view.at(2 + x, 1), row[(x + e) % 10]) << e;
    }
  }
  // Vertically: rows e.. first, then rows 0 .. e - 1.
  BaseSPR column;
  ASSERT_TRUE(column.FromPixels(row, 1, 10));
  column.scrollVertical = 1;
  column.scrollOffset = 13;  // set from outside the range: taken modulo the length
  column.Place(0, 0, 1);
  view.make(8, 10);
  column.ScrollDraw(-1);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(view.at(0, y), row[(y + 3) % 10]);
}

TEST_F(Sprite, GetPixelClampsAndFlipSwaps) {
  Color pixels[16];
  for (int i = 0; i < 16; ++i) pixels[i] = 0xFF000000u + i;
  BaseSPR s;
  ASSERT_TRUE(s.FromPixels(pixels, 4, 4));
  const struct {
    int column, row, index;
  } reads[] = {{-5, 99, 12}, {2, -1, 2}, {7, 1, 7}, {3, 3, 15}, {1, 2, 9}, {INT_MIN, INT_MAX, 12}};
  for (const auto& r : reads) EXPECT_EQ(s.GetPixel(r.column, r.row), pixels[r.index]);
  s.Flip(1);
  EXPECT_EQ(s.GetPixel(1, 0), pixels[13]);
  EXPECT_EQ(s.GetPixel(1, 3), pixels[1]);
  s.Flip(0);
  EXPECT_EQ(s.GetPixel(0, 0), pixels[15]);
  EXPECT_EQ(s.GetPixel(3, 2), pixels[4]);
  BaseSPR odd;
  ASSERT_TRUE(odd.FromPixels(pixels, 3, 5));  // the middle row and column stay
  odd.Flip(1);
  odd.Flip(0);
  EXPECT_EQ(odd.GetPixel(1, 2), pixels[7]);
}

// The mends: nothing reads or writes outside the view or an array, and sizes that
// would wrap are refused.
TEST_F(Sprite, GrabOutsideTheViewReadsOnlyTheView) {
  view.make(16, 8);
  view.pattern();
  BaseSPR s;
  ASSERT_TRUE(s.Grab(-2, 6, 1, 9));  // 4 x 4, half of it off the view
  ASSERT_EQ(s.width, 4);
  ASSERT_EQ(s.height, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const int vx = x - 2, vy = y + 6;
      const Color want = vx >= 0 && vy <= 7 ? view.at(vx, vy) : 0xFF000000u;
      EXPECT_EQ(s.GetPixel(x, y), want) << x << "," << y;
    }
  }
  const struct {
    int x0, y0, x1, y1;
  } refused[] = {{5, 0, 4, 3}, {0, 0, 40000, 0}, {INT_MIN, 0, INT_MAX, 0}};
  for (const auto& r : refused) EXPECT_FALSE(s.Grab(r.x0, r.y0, r.x1, r.y1));
  ASSERT_TRUE(s.Grab(100, 100, 101, 101));  // wholly outside: all black
  EXPECT_EQ(s.GetPixel(1, 1), 0xFF000000u);
}

TEST_F(Sprite, MasksOfAnotherSizeStayInsideBothArrays) {
  fake_pictures::install({{L"Pic", solid(4, 3, 0xFF808080)},
                          {L"Wide", solid(6, 2, 0xFF000040)},
                          {L"Small", solid(1, 1, 0xFF000020)}});
  BaseSPR wide(L"Pic", L"Wide", -1, -1);  // covers rows 0-1 only
  EXPECT_EQ(wide.GetPixel(3, 1), 0x40808080u);
  EXPECT_EQ(wide.GetPixel(3, 2), 0x00808080u);
  BaseSPR small(L"Pic", L"Small", -1, -1);
  EXPECT_EQ(small.GetPixel(0, 0), 0x20808080u);
  EXPECT_EQ(small.GetPixel(1, 0), 0x00808080u);
  EXPECT_EQ(small.width, 4);
}

TEST_F(Sprite, OversizedPicturesAndPlacementsAreRefused) {
  view.make(32, 32);
  const Color one[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
  BaseSPR s;
  const struct {
    int w, h;
  } sizes[] = {{0, 4}, {4, -1}, {pictureSideLimit + 1, 1}, {1 << 16, 1 << 16}};
  for (const auto& z : sizes) EXPECT_FALSE(s.FromPixels(one, z.w, z.h)) << z.w;
  EXPECT_FALSE(s.FromPixels(nullptr, 2, 2));
  // Dots so large that the placed rectangle would leave the int range draw nothing.
  ASSERT_TRUE(s.FromPixels(one, 2, 2));
  s.pixelSize = INT_MAX;
  s.Place(0, 0, 1);
  EXPECT_LT(s.x1, s.x0);
  s.Draw(-1);
  EXPECT_EQ(view.at(0, 0), 0u);
  // A picture reloaded smaller after its Place draws only its own pixels.
  BaseSPR big;
  const std::vector<Color> many(100, 0xFF0000FFu);
  ASSERT_TRUE(big.FromPixels(many.data(), 10, 10));
  big.Place(0, 0, 1);
  ASSERT_TRUE(big.FromPixels(one, 2, 2));
  big.Draw(-1);
  EXPECT_EQ(view.at(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(view.at(2, 2), 0u);
}
