// The back buffer and painting on real GDI (run under Wine): the DIB's layout,
// copies between contexts, stock fills and text colours, bad sizes and handles.

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace {

struct Dib {
  Handle dc = 0;
  std::uint32_t* pixels = nullptr;
  int width = 0, height = 0;
  // Picture row y (0 at the top) in memory, bottom row first.
  std::uint32_t* row(int y) const {
    return pixels + static_cast<std::ptrdiff_t>(height - 1 - y) * width;
  }
};

class Win32Surface : public ::testing::Test {
 protected:
  void SetUp() override {
    win32::install();
    screen = platform.getDC(0);
    ASSERT_NE(screen, 0u);
  }
  void TearDown() override {
    for (Dib& d : dibs) platform.releaseSurface(d.dc);
    platform.releaseDC(0, screen);
  }
  Dib make(int width, int height) {
    Dib d;
    void* bits = nullptr;
    d.dc = platform.createSurface(screen, width, height, &bits);
    d.pixels = static_cast<std::uint32_t*>(bits);
    d.width = width;
    d.height = height;
    dibs[count++] = d;
    return d;
  }
  Handle screen = 0;
  Dib dibs[4];
  int count = 0;
};

TEST_F(Win32Surface, DibIsPageAlignedAndBottomUp) {
  const Dib a = make(16, 8);
  const Dib b = make(16, 8);
  ASSERT_NE(a.dc, 0u);
  ASSERT_NE(b.dc, 0u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a.pixels) % 4096, 0u);
  for (int x = 0; x < 16; ++x) {
    a.row(0)[x] = 0x00102030u + static_cast<std::uint32_t>(x);
    b.row(1)[x] = 0;
  }
  // Picture row 0 of a onto picture row 1 of b: with the rows stored bottom first
  // this lands in b's second-to-last memory row; a top-down store would not.
  ASSERT_EQ(platform.bitBlt(b.dc, 0, 1, 16, 1, a.dc, 0, 0), 1);
  for (int x = 0; x < 16; ++x) {
    EXPECT_EQ(b.row(1)[x] & 0xFFFFFFu, 0x102030u + static_cast<std::uint32_t>(x)) << "x " << x;
  }
  EXPECT_EQ(b.pixels + 6 * 16, b.row(1));
}

TEST_F(Win32Surface, CopyIsClippedToTheRectangle) {
  const Dib a = make(8, 8);
  const Dib b = make(8, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      a.row(y)[x] = 0x00FFFFFFu;
      b.row(y)[x] = 0;
    }
  }
  ASSERT_EQ(platform.bitBlt(b.dc, 2, 3, 4, 2, a.dc, 0, 0), 1);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 5;
      EXPECT_EQ(b.row(y)[x] & 0xFFFFFFu, inside ? 0xFFFFFFu : 0u) << x << "," << y;
    }
  }
}

TEST_F(Win32Surface, StockFillsAndTextUseColourRefs) {
  const Dib d = make(64, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) d.row(y)[x] = 0;
  }
  ASSERT_EQ(platform.fillRectStock(d.dc, Rect{4, 2, 10, 6}, GRAY_BRUSH), 1);
  EXPECT_EQ(d.row(2)[4] & 0xFFFFFFu, 0x808080u);
  EXPECT_EQ(d.row(5)[9] & 0xFFFFFFu, 0x808080u);
  EXPECT_EQ(d.row(6)[9], 0u);  // right and bottom edges are exclusive
  EXPECT_EQ(d.row(5)[10], 0u);
  ASSERT_EQ(platform.fillRectStock(d.dc, Rect{0, 0, 2, 2}, DKGRAY_BRUSH), 1);
  EXPECT_EQ(d.row(1)[1] & 0xFFFFFFu, 0x404040u);
  EXPECT_EQ(platform.fillRectStock(d.dc, Rect{0, 0, 2, 2}, 7), 0);
  EXPECT_EQ(d.row(1)[1] & 0xFFFFFFu, 0x404040u);

  // Colours are 0x00BBGGRR: a red background shows as 0x00FF0000 in the DIB.
  ASSERT_EQ(platform.textOut(d.dc, 32, 12, L"W", 0x0000FF, 0xFF0000, TA_CENTER), 1);
  int red = 0, blue = 0;
  for (int y = 12; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const std::uint32_t p = d.row(y)[x] & 0xFFFFFFu;
      red += p == 0xFF0000u;
      blue += p == 0x0000FFu;
    }
  }
  EXPECT_GT(red, 0);
  EXPECT_GT(blue, 0);
  EXPECT_EQ(d.row(13)[0], 0u);  // centred on x = 32: the left edge stays clear
  EXPECT_EQ(platform.textOut(d.dc, 0, 0, nullptr, 0, 0, 0), 0);
}

TEST_F(Win32Surface, BadSizesAndHandlesFailSafely) {
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(platform.createSurface(screen, 0, 10, &bits), 0u);
  EXPECT_EQ(bits, nullptr);
  EXPECT_EQ(platform.createSurface(screen, 10, -5, &bits), 0u);
  EXPECT_EQ(platform.createSurface(screen, 0x7FFFFFFF, 0x7FFFFFFF, &bits), 0u);
  EXPECT_EQ(bits, nullptr);
  platform.releaseSurface(0);
  platform.releaseSurface(12345);
  // Every release frees its slot: many more surfaces than slots in sequence.
  for (int i = 0; i < 40; ++i) {
    void* p = nullptr;
    const Handle s = platform.createSurface(screen, 32, 32, &p);
    ASSERT_NE(s, 0u) << "round " << i;
    platform.releaseSurface(s);
  }
  // A released surface cannot be copied from.
  const Dib live = make(8, 8);
  void* p = nullptr;
  const Handle gone = platform.createSurface(screen, 8, 8, &p);
  platform.releaseSurface(gone);
  EXPECT_EQ(platform.bitBlt(live.dc, 0, 0, 8, 8, gone, 0, 0), 0);
}

}  // namespace
