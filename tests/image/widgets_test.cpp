// The sprite widgets: digit cells, list layouts, strip edges, colour ramps and the
// deferred rows, with the short, empty and oversized cases made safe.

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "fake_pictures.h"
#include "image/color_ramp.h"
#include "image/list_spr.h"
#include "image/number_spr.h"
#include "image/picture_io.h"
#include "image/row_delay.h"
#include "image/scroll_spr.h"
#include "sprite_fixture.h"

namespace {

using fake_pictures::solid;

struct Widgets : SpriteTest {};

constexpr Color background = 0xFF000000u;
Color cellColour(int cell) { return 0xFF100000u + static_cast<Color>(cell); }

}  // namespace

TEST_F(Widgets, NumberShowsTheLastDigitsRightAlignedWithBlankLeaders) {
  view.make(16, 4, background);
  PictureData strip = solid(1, 2 * numberCells, 0);  // cells two rows tall
  for (int cell = 0; cell < numberCells; ++cell)
    strip.pixels[2 * cell] = strip.pixels[2 * cell + 1] = cellColour(cell);
  fake_pictures::install({{L"Digits", strip}});
  NumberSPR number(L"Digits", nullptr);
  EXPECT_EQ(number.digits, 2);
  EXPECT_EQ(number.advance, 3);
  EXPECT_EQ(number.cellHeight, 2);
  number.SetDigits(3);
  EXPECT_EQ(number.blockWidth, 9);
  number.Place(0, 1, 1);
  ASSERT_EQ(number.x1, 8);
  ASSERT_EQ(number.y1, 2);

  const struct {
    unsigned value;
    int cells[3];  // left to right, 10 = blank
  } cases[] = {{7, {10, 10, 7}},
               {105, {1, 0, 5}},
               {0, {10, 10, 10}},
               {1234, {2, 3, 4}},
               {4294967295u, {2, 9, 5}}};
  for (const auto& c : cases) {
    number.Draw(c.value);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(view.at(3 * i, 1), cellColour(c.cells[i])) << c.value << " position " << i;
      EXPECT_EQ(view.at(3 * i, 2), cellColour(c.cells[i])) << c.value << " position " << i;
      EXPECT_EQ(view.at(3 * i + 1, 1), background);  // the advance's gap
    }
    EXPECT_EQ(view.at(0, 0), background);
    EXPECT_EQ(view.at(0, 3), background);
  }
  EXPECT_EQ(number.picture->height, 22);  // pointer and height put back
  EXPECT_EQ(number.picture->GetPixel(0, 21), cellColour(10));

  number.SetDigits(-4);
  EXPECT_EQ(number.digits, 0);
  number.SetDigits(1 << 30);
  EXPECT_EQ(number.digits, numberDigitLimit);
  fake_pictures::install({{L"Short", solid(1, 10, 0xFFFFFFFF)}});  // no whole cell
  NumberSPR flat(L"Short", nullptr);
  flat.Place(0, 0, 1);
  view.at(0, 0) = background;
  flat.Draw(5);
  EXPECT_EQ(view.at(0, 0), background);
}

TEST_F(Widgets, ListMeasuresAndLaysOutEveryDirection) {
  view.make(40, 60, background);
  fake_pictures::install({{L"A", solid(6, 10, 0xFF0000AA)}, {L"B", solid(8, 20, 0xFF0000BB)}});
  ListSPR list(L"A", -1);
  EXPECT_EQ(list.Add(L"B", -1), 1);
  EXPECT_EQ(list.spacing[0], 0);
  EXPECT_EQ(list.spacing[1], 4);
  // View 40 x 60, list placed at (2, 3). Expected corners worked out from the
  // anchor rule: right anchor left = 40 - w - v, bottom top = 60 - h - v, centre
  // left = v + 20 - w / 2.
  const struct {
    int flags;
    int blockW, blockH;
    int ax, ay, bx, by;
    int blockY0 = 3;
  } cases[] = {
      {0x4001, 8, 34, 2, 3, 2, 17},    // 10 + 4 + 20 high
      {0xC001, 8, 34, 2, 3, 2, 17},    // both columns: from the top
      {0x4101, 8, 34, 2, 3, 1, 17},    // centre pixel 2 + 7 / 2, less half of each width
      {0x4301, 8, 34, 2, 3, 1, 17},    // centring wins over right
      {0x4201, 8, 34, 4, 3, 2, 17},    // right edges at 9
      {0x8001, 8, 34, 2, 27, 2, 3},    // upward: A ends at 36, B above after the gap
      {0x0001, 18, 20, 2, 3, 12, 3},   // row, cross y as given
      {0x2001, 18, 20, 2, 3, 12, 3},   // 0x2000 ignored
      {0x0401, 18, 20, 2, 3, 12, 3},   // top of the block
      {0x0801, 18, 20, 2, 7, 12, 2},   // centre row 3 + 19 / 2 = 12, less half height
      {0x0C01, 18, 20, 2, 13, 12, 3},  // bottoms at 22
      {0x1001, 18, 20, 14, 3, 2, 3},   // right to left from 19
      // Anchored at the bottom (60 - 3 - h) or the centre (3 + 30 - h / 2): the items
      // go where the block is.
      {0x0041, 18, 20, 2, 37, 12, 37, 37},
      {0x0081, 18, 20, 2, 23, 12, 23, 23},
      {0x4041, 8, 34, 2, 23, 2, 37, 23},
      {0x8081, 8, 34, 2, 40, 2, 16, 16},
  };
  for (const auto& c : cases) {
    list.Place(2, 3, c.flags);
    EXPECT_EQ(list.blockWidth, c.blockW) << std::hex << c.flags;
    EXPECT_EQ(list.blockHeight, c.blockH) << std::hex << c.flags;
    EXPECT_EQ(list.x0, 2);
    EXPECT_EQ(list.y0, c.blockY0) << std::hex << c.flags;
    EXPECT_EQ(list.items[0]->x0, c.ax) << std::hex << c.flags;
    EXPECT_EQ(list.items[0]->y0, c.ay) << std::hex << c.flags;
    EXPECT_EQ(list.items[1]->x0, c.bx) << std::hex << c.flags;
    EXPECT_EQ(list.items[1]->y0, c.by) << std::hex << c.flags;
  }

  // One item drawn alone goes to the list's point and keeps its placed rectangle.
  list.Place(2, 3, 0x4001);
  static std::vector<int> hooked;
  hooked.clear();
  list.backgroundHook = [](int x0, int y0, int x1, int y1) { hooked = {x0, y0, x1, y1}; };
  list.DrawNamed(L"B");
  EXPECT_EQ(view.at(2, 3), 0xFF0000BBu);
  EXPECT_EQ(hooked, (std::vector<int>{2, 3, 9, 22}));
  EXPECT_EQ(list.items[1]->y0, 17);
  list.Draw(-1);
  EXPECT_EQ(hooked, (std::vector<int>{2, 3, 9, 36}));
  EXPECT_EQ(view.at(2, 36), 0xFF0000BBu);
  EXPECT_EQ(list.IndexOf(L"b"), -1);
  EXPECT_EQ(list.IndexOf(nullptr), -1);
  list.Draw(2);  // past the list: nothing
  list.Draw(-7);

  EXPECT_EQ(list.Add(nullptr, 3), -1);
  while (list.count < widgetListLimit) ASSERT_GE(list.Add(L"A", 0), 0);
  EXPECT_EQ(list.Add(L"A", 0), -1);
  EXPECT_EQ(list.count, 256);
  list.Free();
  EXPECT_EQ(list.count, 0);
  EXPECT_FALSE(list.items[0]);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Widgets, ScrollStripsRunAlongTheChosenEdge) {
  view.make(96, 50, background);
  fake_pictures::install({{L"S", solid(80, 10, 0xFF00CC00)}});
  ScrollSPR scroll(10, 5, 80, 40, -1, -1, 0);
  ASSERT_EQ(scroll.x1, 89);
  ASSERT_EQ(scroll.y1, 44);
  const struct {
    int flags;
    int x0, y0, vertical;
  } cases[] = {
      {0x0001, 13, 20, 1},  // left edge + 3, centred vertically
      {0x1001, 7, 20, 1},   // right edge: ends at 89 - 3
      {0x4001, 8, 8, 0},    // top edge + 3, centred on the 96-pixel view
      {0x8001, 8, 32, 0},   // bottom edge: ends at 44 - 3
      {0x3001, 13, 20, 1},  // no edge of its own: the left
  };
  for (const auto& c : cases) {
    const int i = scroll.Add(L"S", 3, 2, c.flags);
    ASSERT_GE(i, 0);
    EXPECT_EQ(scroll.strips[i]->x0, c.x0) << std::hex << c.flags;
    EXPECT_EQ(scroll.strips[i]->y0, c.y0) << std::hex << c.flags;
    EXPECT_EQ(scroll.strips[i]->scrollVertical, c.vertical) << std::hex << c.flags;
  }
  scroll.SetDirection(-1);
  EXPECT_EQ(scroll.strips[4]->scrollVertical, 0);
  scroll.SetDirection(7);
  EXPECT_EQ(scroll.strips[4]->scrollVertical, 1);
  scroll.Draw(-1);
  EXPECT_EQ(scroll.strips[0]->scrollOffset, 2);
  scroll.Draw(4);
  EXPECT_EQ(scroll.strips[4]->scrollOffset, 4);
  EXPECT_EQ(scroll.strips[0]->scrollOffset, 2);
  scroll.Draw(5);

  const struct {
    int lw, lh;
    float xs, ys;
  } scales[] = {{-1, -1, 0, 0},       {40, -1, 2, 2}, {40, 20, 2, 2},
                {160, 0, 0.5f, 0.5f}, {0, 10, 0, 0},  {-9, 10, 0, 0}};
  for (const auto& s : scales) {
    scroll.SetView(10, 5, 80, 40, s.lw, s.lh, 0);
    EXPECT_EQ(scroll.xScale, s.xs) << s.lw << " " << s.lh;
    EXPECT_EQ(scroll.yScale, s.ys) << s.lw << " " << s.lh;
  }
  // A strip that is not found leaves no scale pending for the next load.
  EXPECT_EQ(scroll.Add(L"Gone", 0, 1, 0), 5);
  EXPECT_EQ(pictureScale.scaleX, 0.0f);
  EXPECT_EQ(boxes().size(), 1u);
  scroll.SetView(0, 0, -5, -5, -1, -1, 0);  // negative sides count as 0
  EXPECT_EQ(scroll.x1, -1);
  EXPECT_EQ(scroll.Add(nullptr, 0, 1, 0), -1);
  scroll.Free();
  EXPECT_EQ(scroll.count, 0);
  scroll.SetDirection(0);  // nothing to turn
}

// Strips resampled by the view's scales: sizes w0 x s + 0.5 truncated, positions
// scaled by the ratios the resize left, and a vertical scroll that wraps over the
// scaled height. Rows of the picture differ, so the scroll offset shows; the
// resample is a plain nearest-pixel one of the test's own.
TEST_F(Widgets, ScrollStripsUnderScalingKeepTheirScaledSizeAndPlace) {
  view.make(96, 50, background);
  PictureData strip = solid(80, 10, 0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 80; ++x) strip.pixels[y * 80 + x] = 0xFF000000u | y << 8 | x;
  fake_pictures::install({{L"S", strip}});
  platform.resamplePicture = [](const PictureData& from, int w, int h, PictureData& to) {
    to = solid(w, h, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        to.pixels[y * w + x] = from.pixels[y * from.height / h * from.width + x * from.width / w];
    return 1;
  };
  const auto source = [&](int x, int y) { return strip.pixels[y * 80 + x]; };

  // Scales 2 (logical 40 x 20 on 80 x 40): 160 x 20 against the left edge at
  // 3 x 2 + 10, centred on the view's height. Scales 0.5 (logical 160, the height
  // following the width): 80 x 0.5 + 0.5 and 10 x 0.5 + 0.5 give 40 x 5, below the
  // top edge at trunc(3 x 0.5 + 5) = 6, centred: 48 - 20 = 28.
  ScrollSPR twice(10, 5, 80, 40, 40, 20, 0), half(10, 5, 80, 40, 160, -1, 0);
  const struct {
    ScrollSPR* scroll;
    int step, flags;
    int width, height, x0, y0;
  } cases[] = {{&twice, 7, 0x0001, 160, 20, 16, 15}, {&half, 1, 0x4001, 40, 5, 28, 6}};
  for (const auto& c : cases) {
    ASSERT_EQ(c.scroll->Add(L"S", 3, c.step, c.flags), 0);
    const BaseSPR& placed = *c.scroll->strips[0];
    EXPECT_EQ(placed.width, c.width) << c.width;
    EXPECT_EQ(placed.height, c.height) << c.width;
    EXPECT_EQ(placed.x0, c.x0) << c.width;
    EXPECT_EQ(placed.y0, c.y0) << c.width;
  }
  // Offsets 0, 7, 14, then 21 - 20 = 1: the top row (15) shows that picture row,
  // the bottom row (34) the one before it; picture row r is the source's row r / 2.
  for (const int offset : {0, 7, 14, 1}) {
    twice.Draw(-1);
    EXPECT_EQ(view.at(16, 15), source(0, offset / 2)) << offset;
    EXPECT_EQ(view.at(95, 34), source(39, (offset + 19) % 20 / 2)) << offset;
    EXPECT_EQ(view.at(15, 15), background);
  }
  EXPECT_EQ(view.at(16, 14), background);
  EXPECT_EQ(view.at(16, 35), background);
  view.make(96, 50, background);
  half.Draw(-1);
  EXPECT_EQ(view.at(28, 6), source(0, 0));
  EXPECT_EQ(view.at(67, 10), source(78, 8));
  EXPECT_EQ(view.at(68, 10), background);
  half.Draw(-1);  // offset 1: the second column first
  EXPECT_EQ(view.at(28, 6), source(2, 0));
  EXPECT_EQ(view.at(67, 6), source(0, 0));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Widgets, RampsBuildSampleAndFillRows) {
  ColorRamp ramp;
  const struct {
    float curve;
    int n;
    std::vector<Color> colours;
  } builds[] = {
      {0, 3, {0xFF000000, 0xFF7F7F7F, 0xFFFEFEFE}},  // w = 0, 128, 255
      {1, 3, {0xFF000000, 0xFF000000, 0xFFFEFEFE}},  // e = 0.5: f = 0; e = 0: f = 1
      {0, 1, {0xFF000000}},                          // one colour: a
      {0, 0, {}},
      {0, -3, {}},
  };
  for (const auto& b : builds) {
    EXPECT_EQ(ramp.Build(0xFF000000, 0xFFFFFFFF, b.n, b.curve), !b.colours.empty());
    EXPECT_EQ(ramp.colors, b.colours) << b.n << " " << b.curve;
    EXPECT_EQ(ramp.count, static_cast<int>(b.colours.size()));
  }
  EXPECT_EQ(ramp.Sample(0, 5), 0u);  // empty

  const Color three[] = {0xFF000000, 0xFF808080, 0xFFFFFFFF};
  ASSERT_TRUE(ramp.SetColors(three, 3));
  // levels 5: t = 2i, k = t / 4, weight (t mod 4) * 255 / 3 = 170 between.
  const struct {
    int index, levels;
    Color expected;
  } samples[] = {
      {0, 5, 0xFF000000},  {1, 5, 0xFF555555},  {2, 5, 0xFF808080},  // 128 * 170 >> 8
      {3, 5, 0xFFD4D4D4},                                            // 128 + 127 * 170 >> 8
      {4, 5, 0xFFFFFFFF},  {0, 3, 0xFF000000},  {1, 3, 0xFF808080}, {2, 3, 0xFFFFFFFF},
      {7, 3, 0xFFFFFFFF},  {-1, 5, 0xFF000000}, {9, 5, 0xFFFFFFFF},  // index kept in range
      {0, 2, 0xFF000000},  {1, 2, 0xFFFFFFFF},  {0, 1, 0xFF000000}, {3, 0, 0xFF000000},
      {1, -4, 0xFF000000},
  };
  for (const auto& s : samples)
    EXPECT_EQ(ramp.Sample(s.index, s.levels), s.expected) << s.index << " of " << s.levels;

  // Rows 2..6 are the five levels above, each channel * 255 >> 8 by the white tint.
  view.make(8, 8, 0xFF0000FF);
  ramp.FillRows(1, 2, 3, 6);
  const Color rows[] = {0xFF000000, 0xFF545454, 0xFF7F7F7F, 0xFFD3D3D3, 0xFFFEFEFE};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(view.at(1, 2 + i), rows[i]) << i;
    EXPECT_EQ(view.at(3, 2 + i), rows[i]) << i;
    EXPECT_EQ(view.at(0, 2 + i), 0xFF0000FFu);
    EXPECT_EQ(view.at(4, 2 + i), 0xFF0000FFu);
  }
  EXPECT_EQ(view.at(1, 1), 0xFF0000FFu);
  EXPECT_EQ(view.at(1, 7), 0xFF0000FFu);
  // Two rows and one row blend nothing; a rectangle past the view is clipped.
  ramp.FillRows(0, 0, 7, 1);
  EXPECT_EQ(view.at(5, 0), 0xFF000000u);
  EXPECT_EQ(view.at(5, 1), 0xFFFEFEFEu);
  ramp.FillRows(-100, 7, 100, 7);
  EXPECT_EQ(view.at(7, 7), 0xFF000000u);
  // An inset past the int range saturates: rows from INT_MIN to INT_MAX, the view's
  // far down them, so it takes the last colour (levels cut to INT_MAX).
  ramp.FillRows(INT_MIN, 0, 0, 0);
  EXPECT_EQ(view.at(0, 0), 0xFFFEFEFEu);
  // All three zero: the view inset by x0, six rows over three colours.
  view.make(8, 8, 0xFF0000FF);
  ramp.tint = 0xFF808080;
  ramp.FillRows(1, 0, 0, 0);
  EXPECT_EQ(view.at(1, 1), 0xFF000000u);
  EXPECT_EQ(view.at(6, 6), 0xFF7F7F7Fu);  // 255 * 128 >> 8
  EXPECT_EQ(view.at(0, 1), 0xFF0000FFu);
  EXPECT_EQ(view.at(7, 6), 0xFF0000FFu);
  EXPECT_EQ(view.at(6, 7), 0xFF0000FFu);

  EXPECT_FALSE(ramp.SetColors(nullptr, 3));
  EXPECT_EQ(ramp.count, 0);
  EXPECT_FALSE(ramp.SetColors(three, 0));
}

TEST_F(Widgets, RampPicturesMustBeOnePixelWide) {
  PictureData column = solid(1, 3, 0);
  column.pixels = {0x00112233, 0x80445566, 0xFF778899};
  fake_pictures::install({{L"Column", column}, {L"Wide", solid(2, 3, 0xFF000000)}});
  ColorRamp ramp(L"Column");
  EXPECT_EQ(ramp.colors, (std::vector<Color>{0xFF112233, 0xFF445566, 0xFF778899}));
  EXPECT_TRUE(boxes().empty());
  const struct {
    const wchar_t* name;
    const wchar_t* box;
  } failures[] = {{L"Wide", L"File for Gradient not 1 pixel width"},
                  {L"Gone", L"JPG or BMP Resource Not Found"},
                  {L"", nullptr},
                  {nullptr, nullptr}};
  for (const auto& f : failures) {
    const std::size_t before = boxes().size();
    ASSERT_TRUE(ramp.LoadFile(L"Column"));
    EXPECT_FALSE(ramp.LoadFile(f.name));
    EXPECT_EQ(ramp.count, 0);
    EXPECT_TRUE(ramp.colors.empty());
    if (f.box) {
      ASSERT_EQ(boxes().size(), before + 1);
      EXPECT_EQ(boxes().back(), f.box);
    } else {
      EXPECT_EQ(boxes().size(), before);
    }
    EXPECT_EQ(gdiplusUsers, 0);
  }
}

TEST_F(Widgets, DelayedRowsArriveNCallsLaterAtAnyWidth) {
  view.make(8, 2);
  setView(0, 0, 5, 1, 0, 1);  // six pixels: not a multiple of four
  RowDelay delay(3);
  ASSERT_EQ(delay.width, 6);
  constexpr Color untouched = 0xDEADBEEF;
  std::vector<std::vector<Color>> rows(6, std::vector<Color>(7, 0));
  for (auto& r : rows) r[6] = untouched;
  // After call c, row j holds j + 1 when it was handed out three calls before.
  for (int c = 1; c <= 6; ++c) {
    Color* buffer = delay.Next(rows[c - 1].data());
    ASSERT_NE(buffer, nullptr);
    std::fill(buffer, buffer + 6, static_cast<Color>(c));
    for (int j = 0; j < 6; ++j) {
      const Color expected = j + 1 + 3 <= c ? static_cast<Color>(j + 1) : 0u;
      EXPECT_EQ(rows[j][0], expected) << "call " << c << " row " << j;
      EXPECT_EQ(rows[j][5], expected) << "call " << c << " row " << j;
      EXPECT_EQ(rows[j][6], untouched);
    }
  }
  delay.Flush();
  for (int j = 0; j < 6; ++j) EXPECT_EQ(rows[j][5], static_cast<Color>(j + 1));
  EXPECT_EQ(delay.last, 2);
  rows[5][0] = 0;
  delay.Flush();  // nothing pending any more
  EXPECT_EQ(rows[5][0], 0u);

  RowDelay none(0);
  EXPECT_EQ(none.slots, 1);
  Color* first = none.Next(rows[0].data());
  std::fill(first, first + 6, 42u);
  none.Next(nullptr);  // a null destination is no destination
  EXPECT_EQ(rows[0][0], 42u);
  none.Free();
  EXPECT_EQ(none.Next(rows[1].data()), nullptr);
  none.Flush();
}
