// The clipped rectangle and image entry points, the copy out of the view and the
// per-address calls, on a back buffer of the test's own. Random cases compare each
// view pixel with the reference blend of the pixel the call should have drawn.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "blend/dispatch.h"
#include "blend_test_support.h"

namespace {

Color reference(int mode, Color d, Color s) {
  scalarKernels.pixel[modeSlot(mode)](&d, s);
  return d;
}
Color referenceImage(int mode, Color d, Color s) {
  scalarKernels.imageRows[imageModeSlot(mode)](&d, &s, 1, 1, 1, 0);
  return d;
}

// Surface pixel index of view pixel (x, y).
std::size_t surfaceIndex(int x, int y) {
  return static_cast<std::size_t>(viewPixel(x, y) - reinterpret_cast<Color*>(backBuffer.pixels));
}

TEST(FillRect, ClipsToTheView) {
  TestSurface surface(16, 10);
  surface.fill(0);
  fill_rect(-5, -5, 3, 3, 0xFFFFFFFFu, BLEND_COPY);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(TestSurface::at(x, y), x <= 3 && y <= 3 ? 0xFFFFFFFFu : 0u) << x << "," << y;
  surface.fill(0);
  fill_rect(10, 0, 9, 5, 0xFFFFFFFFu, BLEND_COPY);  // x1 > x2: empty, never swapped
  fill_rect(0, 6, 5, 5, 0xFFFFFFFFu, BLEND_COPY);
  fill_rect(16, 0, 40, 9, 0xFFFFFFFFu, BLEND_COPY);
  fill_rect(-2147483647 - 1, 10, 2147483647, 2147483647, 0xFFFFFFFFu, BLEND_COPY);
  for (Color c : surface.snapshot()) ASSERT_EQ(c, 0u);
}

TEST(FillRect, OnePixelWideGivesTheRectanglePixels) {
  TestSurface surface(16, 10);
  for (int mode = 0; mode <= 11; ++mode) {
    TestRandom random(mode);
    random.fill(surface.pixels.data, surface.size());
    std::vector<Color> want = surface.snapshot();
    const Color colour = random.pixel();
    for (int y = 2; y <= 8; ++y)
      want[surfaceIndex(5, y)] = reference(mode, want[surfaceIndex(5, y)], colour);
    fill_rect(5, 2, 5, 8, colour, mode);
    EXPECT_EQ(surface.snapshot(), want) << "mode " << mode;
  }
}

// Random rectangles around a view smaller than its surface, both row orders.
TEST(FillRect, RandomRectanglesMatchTheReference) {
  for (int bottomUp = 0; bottomUp < 2; ++bottomUp) {
    TestSurface surface(24, 16, bottomUp);
    setView(3, 2, 18, 12, 0, bottomUp);
    for (unsigned seed = 0; seed < 400; ++seed) {
      TestRandom random(seed);
      random.fill(surface.pixels.data, surface.size());
      std::vector<Color> want = surface.snapshot();
      const int x1 = random.below(26) - 5, x2 = random.below(26) - 5;
      const int y1 = random.below(20) - 4, y2 = random.below(20) - 4;
      const int mode = random.below(13) - 1;
      const Color colour = random.pixel();
      for (int y = 0; y <= backBuffer.viewMaxY; ++y)
        for (int x = 0; x <= backBuffer.viewMaxX; ++x)
          if (x >= x1 && x <= x2 && y >= y1 && y <= y2)
            want[surfaceIndex(x, y)] = reference(mode, want[surfaceIndex(x, y)], colour);
      fill_rect(x1, y1, x2, y2, colour, mode);
      ASSERT_EQ(surface.snapshot(), want) << "seed " << seed << " bottomUp " << bottomUp;
    }
  }
}

TEST(BlitImage, SkipsClippedColumnsAndRows) {
  TestSurface surface(16, 10);
  surface.fill(0);
  std::vector<Color> image(10 * 4);
  for (int i = 0; i < 40; ++i) image[i] = static_cast<Color>(i + 1);
  // x1 = -2 on rows of 10: the first drawn pixel is the image's third column.
  blit_image(-2, -1, 7, 2, image.data(), BLEND_COPY, 10);
  EXPECT_EQ(TestSurface::at(0, 0), 13u);  // row 1, column 2
  EXPECT_EQ(TestSurface::at(7, 2), 40u);
  EXPECT_EQ(TestSurface::at(8, 0), 0u);
  EXPECT_EQ(TestSurface::at(0, 3), 0u);
  // Row length -1 is the unclipped width x2 - x1 + 1 = 4.
  surface.fill(0);
  blit_image(-1, 0, 2, 1, image.data(), BLEND_SCREEN, -1);  // mode 10 copies
  EXPECT_EQ(TestSurface::at(0, 0), 2u);
  EXPECT_EQ(TestSurface::at(2, 0), 4u);
  EXPECT_EQ(TestSurface::at(0, 1), 6u);
  EXPECT_EQ(TestSurface::at(3, 0), 0u);
}

TEST(BlitImage, RefusesBadArguments) {
  TestSurface surface(16, 10);
  surface.fill(0);
  std::vector<Color> image(16, 0xFFFFFFFFu);
  blit_image(0, 0, 3, 3, nullptr, BLEND_COPY, 4);
  blit_image(0, 0, 3, 3, image.data(), BLEND_COPY, -2);
  blit_image(5, 5, 4, 8, image.data(), BLEND_COPY, -1);
  blit_image(16, 0, 19, 3, image.data(), BLEND_COPY, 4);
  blit_image(0, -4, 3, -1, image.data(), BLEND_COPY, 4);
  blit_image(-2147483647 - 1, 0, 2147483647, 3, image.data(), BLEND_COPY, -1);
  for (Color c : surface.snapshot()) ASSERT_EQ(c, 0u);
}

// Random images at random places around the view, sized exactly so that the
// sanitizer catches a read outside the implied rectangle.
TEST(BlitImage, RandomPlacementsMatchTheReference) {
  for (int bottomUp = 0; bottomUp < 2; ++bottomUp) {
    TestSurface surface(24, 16, bottomUp);
    setView(2, 3, 19, 14, 0, bottomUp);
    for (unsigned seed = 1000; seed < 1600; ++seed) {
      TestRandom random(seed);
      random.fill(surface.pixels.data, surface.size());
      std::vector<Color> want = surface.snapshot();
      const int w = 1 + random.below(22), h = 1 + random.below(16);
      const int x1 = random.below(30) - 8 - w / 2, y1 = random.below(22) - 5 - h / 2;
      const int x2 = x1 + w - 1, y2 = y1 + h - 1;
      const int asked = random.below(3) == 0 ? -1 : w + random.below(4);
      const int rowLength = asked == -1 ? w : asked;
      const int mode = random.below(13) - 1;
      std::vector<Color> image(static_cast<std::size_t>(h - 1) * rowLength + w);
      random.fill(image.data(), image.size());
      for (int y = 0; y <= backBuffer.viewMaxY; ++y)
        for (int x = 0; x <= backBuffer.viewMaxX; ++x)
          if (x >= x1 && x <= x2 && y >= y1 && y <= y2) {
            const Color s = image[static_cast<std::size_t>(y - y1) * rowLength + (x - x1)];
            want[surfaceIndex(x, y)] = referenceImage(mode, want[surfaceIndex(x, y)], s);
          }
      blit_image(x1, y1, x2, y2, image.data(), mode, asked);
      ASSERT_EQ(surface.snapshot(), want) << "seed " << seed << " bottomUp " << bottomUp;
    }
  }
}

TEST(CopyRectOut, PacksRowsTopToBottom) {
  TestSurface surface(16, 10);
  setView(2, 1, 13, 8, 0, 1);
  for (int y = 0; y <= backBuffer.viewMaxY; ++y)
    for (int x = 0; x <= backBuffer.viewMaxX; ++x)
      *viewPixel(x, y) = static_cast<Color>(y * 100 + x);
  std::vector<Color> out(12, 0xDEADu);
  copy_rect_out(out.data(), 3, 4, 5, 6);
  const std::vector<Color> want{403, 404, 405, 503,    504,    505,
                                603, 604, 605, 0xDEAD, 0xDEAD, 0xDEAD};
  EXPECT_EQ(out, want);
  // Not inside the view: nothing is copied.
  std::vector<Color> untouched(4, 0xDEADu);
  copy_rect_out(untouched.data(), 11, 0, 12, 0);
  copy_rect_out(untouched.data(), 0, 7, 0, 8);
  copy_rect_out(untouched.data(), 3, 0, 2, 0);
  for (Color c : untouched) EXPECT_EQ(c, 0xDEADu);
}

TEST(CopyRectOut, WholeViewInMemoryOrder) {
  for (int bottomUp = 0; bottomUp < 2; ++bottomUp) {
    TestSurface surface(16, 10, bottomUp);
    setView(2, 1, 13, 8, 0, bottomUp);
    const int w = backBuffer.viewWidth, h = backBuffer.viewHeight;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) *viewPixel(x, y) = static_cast<Color>(y * 100 + x);
    std::vector<Color> out(static_cast<std::size_t>(w) * h + 1, 0xDEADu);
    copy_rect_out(out.data(), -1, 0, 0, 0);
    // A bottom-up surface holds the bottom row first.
    for (int row = 0; row < h; ++row) {
      const int y = bottomUp ? h - 1 - row : row;
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(out[static_cast<std::size_t>(row) * w + x], static_cast<Color>(y * 100 + x))
            << "bottomUp " << bottomUp << " row " << row;
    }
    EXPECT_EQ(out.back(), 0xDEADu);
  }
}

TEST(AddressCalls, PickTheKernelOfTheMode) {
  TestSurface surface(16, 10);
  surface.fill(0x40404040u);
  plot_pixel(viewPixel(0, 0), 0x40404040u, BLEND_ADD);
  plot_pixel(viewPixel(1, 0), 0x12345678u, 12);  // copies
  EXPECT_EQ(TestSurface::at(0, 0), 0x80808080u);
  EXPECT_EQ(TestSurface::at(1, 0), 0x12345678u);
  fill_span(viewPixel(2, 1), 0x40404040u, 5, BLEND_SUBTRACT);
  fill_span(viewPixel(2, 2), 0xFFFFFFFFu, 0, BLEND_COPY);
  fill_span(viewPixel(2, 2), 0xFFFFFFFFu, -3, BLEND_COPY);
  for (int x = 0; x < 16; ++x) {
    EXPECT_EQ(TestSurface::at(x, 1), x >= 2 && x <= 6 ? 0u : 0x40404040u);
    EXPECT_EQ(TestSurface::at(x, 2), 0x40404040u);
  }
  // The column steps down the view whatever the memory order.
  fill_column(viewPixel(9, 3), 0xFFFFFFFFu, 4, BLEND_LIGHTEN);
  for (int y = 0; y < 10; ++y)
    EXPECT_EQ(TestSurface::at(9, y), y >= 3 && y <= 6 ? 0xFFFFFFFFu : 0x40404040u) << y;
  const Color row[3] = {0x01020304u, 0x05060708u, 0x090A0B0Cu};
  blit_row(viewPixel(0, 8), row, 3, BLEND_SCREEN);  // no Screen for images: copies
  blit_row(viewPixel(0, 9), row, 3, BLEND_MULTIPLY);
  EXPECT_EQ(TestSurface::at(2, 8), 0x090A0B0Cu);
  EXPECT_EQ(TestSurface::at(3, 8), 0x40404040u);
  EXPECT_EQ(TestSurface::at(0, 9), 0x00000001u);  // 0x40 * b >> 8: 4 gives 1, less gives 0
  EXPECT_EQ(TestSurface::at(2, 9), 0x02020203u);
}

}  // namespace
