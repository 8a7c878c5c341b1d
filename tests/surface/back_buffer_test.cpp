// Screen size, view arithmetic, creation, presentation and the aligned blocks.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "shell/pacing.h"
#include "shell/shell.h"
#include "surface/memory.h"
#include "surface/surface.h"

namespace {

void* fakeSurfacePixels = nullptr;
Handle fakeCreateSurface(Handle, int w, int h, void** pixels) {
  fakeSurfacePixels = std::calloc(static_cast<std::size_t>(w) * h, 4);
  *pixels = fakeSurfacePixels;
  return 0x5F;
}
void fakeReleaseSurface(Handle) {
  std::free(fakeSurfacePixels);
  fakeSurfacePixels = nullptr;
}

// A back buffer over memory of the test's own.
struct SurfaceFixture : ::testing::Test {
  ShellSandbox sandbox;
  std::vector<std::uint32_t> memory;
  void makeSurface(int width, int height) {
    setScreenSize(width, height);
    memory.assign(static_cast<std::size_t>(backBuffer.surfaceWidth) * backBuffer.surfaceHeight, 0);
    backBuffer.pixels = reinterpret_cast<std::uint8_t*>(memory.data());
  }
  std::uint8_t* base() { return backBuffer.pixels; }
  // The back buffer made as the program makes it, on surfaces of the fake's memory.
  static int createFakeBackBuffer(int width, int height) {
    platform.createSurface = fakeCreateSurface;
    platform.releaseSurface = fakeReleaseSurface;
    setScreenSize(width, height);
    return createBackBuffer();
  }
};

}  // namespace

TEST_F(SurfaceFixture, RequestedSizesAreRoundedAndClamped) {
  fake->screenWidth = 1366;
  fake->screenHeight = 768;
  const struct {
    int width, height, surfaceWidth, surfaceHeight, fullScreen;
  } cases[] = {
      {7777777, 1024, 1368, 768, 1},  // the full screen, its width rounded up to eight
      {1001, 600, 1008, 600, 0},
      {1024, 600, 1024, 600, 0},
      {-5, 0, 8, 1, 0},  // absurd sizes are clamped, not allocated
      {2000000000, 2000000000, 32768, 32768, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    setScreenSize(c.width, c.height);
    EXPECT_EQ(backBuffer.surfaceWidth, c.surfaceWidth);
    EXPECT_EQ(backBuffer.surfaceHeight, c.surfaceHeight);
    EXPECT_EQ(shellConfig.windowWidth, c.surfaceWidth);
    EXPECT_EQ(backBuffer.fullScreen, c.fullScreen);
  }
}

TEST_F(SurfaceFixture, ViewCornersAreOrderedClampedAndAligned) {
  makeSurface(64, 48);
  const struct {
    int x1, y1, x2, y2, alignTo8;
    int left, top, right, bottom;
  } cases[] = {
      {-1, 5, 6, 7, 0, 0, 0, 63, 47},  // -1 selects the whole surface
      {10, 20, 5, 2, 0, 5, 2, 10, 20},
      {-20, -3, 500, 900, 0, 0, 0, 63, 47},
      // Wholly outside: collapses to one pixel at the edge instead of a negative size.
      {100, 100, 200, 200, 0, 63, 47, 63, 47},
      {3, 3, 20, 20, 1, 0, 0, 15, 15},  // aligning to eight rounds inwards
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2);
    setView(c.x1, c.y1, c.x2, c.y2, c.alignTo8, 1);
    EXPECT_EQ(backBuffer.viewLeft, c.left);
    EXPECT_EQ(backBuffer.viewTop, c.top);
    EXPECT_EQ(backBuffer.viewRight, c.right);
    EXPECT_EQ(backBuffer.viewBottom, c.bottom);
    EXPECT_EQ(backBuffer.viewWidth, c.right - c.left + 1);
    EXPECT_EQ(backBuffer.viewHeight, c.bottom - c.top + 1);
    EXPECT_EQ(backBuffer.viewIsFullWidth, c.right - c.left == 63 ? 1 : 0);
  }
  // The values derived from the whole surface's view.
  setView(-1, 5, 6, 7, 0, 1);
  EXPECT_EQ(backBuffer.viewMaxY, 47);
  EXPECT_EQ(backBuffer.halfViewWidth, 32);
  EXPECT_EQ(backBuffer.viewArea, 64 * 48);
  EXPECT_EQ(backBuffer.viewIsFullHeight, 1);
  EXPECT_FLOAT_EQ(backBuffer.clipMaxXf, 63.5f);
  EXPECT_FLOAT_EQ(backBuffer.clipMaxYf, 47.5f);
  setView(10, 20, 5, 2, 0, 1);
  EXPECT_EQ(backBuffer.halfViewHeight, 9);
}

TEST_F(SurfaceFixture, BottomUpRowTableStartsAtTheLastRow) {
  makeSurface(64, 48);
  setView(-1, -1, -1, -1, 0, 1);
  const int pitch = 64 * 4;
  EXPECT_EQ(backBuffer.rowStep, -pitch);
  EXPECT_EQ(backBuffer.rowTable[0], base() + 47 * pitch);
  EXPECT_EQ(backBuffer.rowTable[47], base());
  EXPECT_EQ(backBuffer.firstPixelAddress, base());
  EXPECT_EQ(backBuffer.lastPixelAddress, base() + 47 * pitch + 63 * 4);
  for (int y = 1; y < 48; ++y) {
    EXPECT_EQ(backBuffer.rowTable[y] - backBuffer.rowTable[y - 1], backBuffer.rowStep);
  }
  // A sub-view: entry 0 is view pixel (0, 0) = surface pixel (5, 2).
  setView(5, 2, 10, 20, 0, 1);
  EXPECT_EQ(backBuffer.rowTable[0], base() + (45 * 64 + 5) * 4);
  EXPECT_EQ(viewPixel(1, 1), reinterpret_cast<Color*>(base() + (44 * 64 + 6) * 4));
}

TEST_F(SurfaceFixture, TopDownRowTable) {
  makeSurface(64, 48);
  setView(5, 2, 10, 20, 0, 0);
  EXPECT_EQ(backBuffer.rowStep, 256);
  EXPECT_EQ(backBuffer.rowTable[0], base() + (2 * 64 + 5) * 4);
  EXPECT_EQ(backBuffer.firstPixelAddress, backBuffer.rowTable[0]);
  EXPECT_EQ(backBuffer.lastPixelAddress, backBuffer.rowTable[18] + 5 * 4);
}

TEST_F(SurfaceFixture, ViewChangeHookIsSkippedForTheFirstViewAndInsideSetScreenSize) {
  static int calls;
  calls = 0;
  makeSurface(64, 48);
  onViewChange = [] { ++calls; };
  setView(-1, -1, -1, -1, 0, 1);
  setView(-1, -1, -1, -1, 0, 1);
  const int afterTwo = calls;
  setScreenSize(64, 48);  // re-applies the view without the hook
  EXPECT_EQ(calls, afterTwo);
  setView(-1, -1, -1, -1, 0, 1);
  EXPECT_EQ(calls, afterTwo + 1);
  onViewChange = nullptr;
}

TEST_F(SurfaceFixture, CreateClearsTheSurfaceWithoutASplash) {
  backBuffer.clearColour = 0xFF123456;
  ASSERT_EQ(createFakeBackBuffer(40, 10), 1);
  const Color* p = reinterpret_cast<const Color*>(backBuffer.pixels);
  for (int i = 0; i < 400; ++i) ASSERT_EQ(p[i], 0xFF123456u) << i;
  EXPECT_EQ(backBuffer.viewWidth, 40);
  shutdownDrawing();
  EXPECT_EQ(backBuffer.pixels, nullptr);
  EXPECT_EQ(fakeSurfacePixels, nullptr);
}

TEST(ClearBlocks, WholeBlocksKeepEveryHighBit) {
  // 32768 x 32768 pixels are 4 GiB: the count of a 64-bit build has bit 32 set.
  const std::uint64_t counts[] = {
      0, 15, 16, 33, 1ull << 32, (1ull << 32) + 15, (1ull << 32) + 40, ~0ull};
  for (std::uint64_t bytes : counts) {
    EXPECT_EQ(wholeBlockBytes(bytes), bytes / 16 * 16) << bytes;
  }
  EXPECT_EQ(wholeBlockBytes(std::uint32_t{0xFFFFFFFF}), 0xFFFFFFF0u);
}

TEST_F(SurfaceFixture, CreateFailsWhenTheSurfaceCannotBeMade) {
  platform.createSurface = [](Handle, int, int, void**) -> Handle { return 0; };
  setScreenSize(40, 10);
  EXPECT_EQ(createBackBuffer(), 0);
  EXPECT_EQ(backBuffer.pixels, nullptr);
}

TEST_F(SurfaceFixture, SplashIsPaintedAndItsTimerStarted) {
  static int painted;
  painted = 0;
  shell.mainWindow = 0x500;
  splashTimerSlot = 255;
  splashPainter = [] { ++painted; };
  ASSERT_EQ(createFakeBackBuffer(40, 10), 1);
  EXPECT_EQ(painted, 1);
  EXPECT_TRUE(fake->called("SetTimer 1280 1602 1000"));
  EXPECT_EQ(timerSlots[255].timerActive, 1);
  EXPECT_EQ(timerSlots[255].timerAutoKill, 1);
  // The wait sleeps in 100 ms steps until the expiry clears the flag.
  static int sleeps;
  sleeps = 0;
  platform.sleep = [](std::uint32_t ms) {
    EXPECT_EQ(ms, 100u);
    if (++sleeps == 3) windowProc(0x500, WM_TIMER, 1602, 0);
  };
  waitForSplash();
  EXPECT_EQ(sleeps, 3);
  EXPECT_EQ(timerSlots[255].timerActive, 0);
  splashPainter = nullptr;
  shutdownDrawing();
}

TEST_F(SurfaceFixture, PresentCopiesTheViewOrTheWholeSurface) {
  shell.windowDC = 0xDC;
  backBuffer.pacingEnabled = 0;
  ASSERT_EQ(createFakeBackBuffer(40, 30), 1);
  setView(2, 3, 12, 9, 0, 1);
  present();
  EXPECT_TRUE(fake->called("BitBlt 220 2 3 11 7 95 2 3"));
  backBuffer.fullPresentPending = 1;
  present();
  EXPECT_TRUE(fake->called("BitBlt 220 0 0 40 30 95 0 0"));
  EXPECT_EQ(backBuffer.fullPresentPending, 0);
  // A surface that no longer matches the window shows nothing, and keeps the flag.
  shellConfig.windowWidth = 48;
  setView(-1, -1, -1, -1, 0, 1);
  backBuffer.fullPresentPending = 1;
  fake->calls.clear();
  present();
  EXPECT_TRUE(fake->callsStartingWith("BitBlt").empty());
  EXPECT_EQ(backBuffer.fullPresentPending, 1);
  shutdownDrawing();
}

TEST_F(SurfaceFixture, PresentShowsOnlyWhatTheFrameMarked) {
  shell.windowDC = 0xDC;
  backBuffer.pacingEnabled = 0;
  ASSERT_EQ(createFakeBackBuffer(40, 30), 1);
  setView(2, 3, 12, 9, 0, 1);  // 11 x 7 at (2, 3)
  const std::string whole = "BitBlt 220 2 3 11 7 95 2 3";
  struct Case {
    const char* name;
    void (*frame)();
    std::vector<std::string> blits;
  } cases[] = {
      {"a new surface shows all", [] { beginChangedRects(); }, {whole}},
      {"marks move to the surface, clipped to the view",
       [] {
         beginChangedRects();
         markChanged(1, 1, 3, 2);
         markChanged(20, -4, 5, 0);
       },
       {"BitBlt 220 3 4 3 2 95 3 4", "BitBlt 220 7 3 6 1 95 7 3"}},
      {"nothing marked shows nothing",
       [] {
         beginChangedRects();
         markChanged(50, 50, 60, 60);
       },
       {}},
      {"a frame that says nothing shows all", [] { markChanged(0, 0, 1, 1); }, {whole}},
      {"too many marks show all",
       [] {
         beginChangedRects();
         for (int i = 0; i <= BackBuffer::maxChangedRects; ++i) markChanged(i % 11, 0, i % 11, 0);
       },
       {whole}},
      {"a repaint shows all",
       [] {
         beginChangedRects();
         markChanged(0, 0, 0, 0);
         backBuffer.repainted = 1;
       },
       {whole}},
      {"a new view shows all",
       [] {
         beginChangedRects();
         setView(2, 3, 12, 9, 0, 1);
       },
       {whole}},
  };
  for (const Case& c : cases) {
    fake->calls.clear();
    c.frame();
    present();
    EXPECT_EQ(fake->callsStartingWith("BitBlt"), c.blits) << c.name;
  }
  // A present that showed nothing leaves the next one to show all.
  shellConfig.windowWidth = 48;
  setView(2, 3, 12, 9, 0, 1);
  present();
  shellConfig.windowWidth = 40;
  setView(2, 3, 12, 9, 0, 1);
  fake->calls.clear();
  beginChangedRects();
  markChanged(0, 0, 0, 0);
  present();
  EXPECT_EQ(fake->callsStartingWith("BitBlt"), std::vector<std::string>{whole});
  shutdownDrawing();
}

TEST(AlignedBlocks, AlignmentAndFill) {
  for (std::size_t alignment : {1u, 4u, 16u, 64u, 4096u}) {
    std::uint8_t* block = static_cast<std::uint8_t*>(allocAligned(100, alignment, 255));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignment, 0u);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(block[i], 0xFF);
    EXPECT_GE(alignedBlockSize(block), 100 + alignment);
    freeAligned(block);
  }
  std::uint8_t* zeroed = static_cast<std::uint8_t*>(allocAligned(33, 16, 7));
  for (int i = 0; i < 33; ++i) ASSERT_EQ(zeroed[i], 0);
  freeAligned(zeroed);
  freeAligned(nullptr);
  EXPECT_EQ(alignedBlockSize(nullptr), 0u);
}

TEST(AlignedBlocks, ExhaustionReportsAndClosesTheRun) {
  ShellSandbox sandbox;
  shell.mainWindow = 0x500;
  EXPECT_EQ(allocAligned(SIZE_MAX - 8, 16, 0), nullptr);
  ASSERT_EQ(fake->boxTexts.size(), 1u);
  EXPECT_EQ(fake->boxTexts[0], L"Out of memory");
  EXPECT_EQ(fake->boxCaptions[0], L"Process Runtime Error");
  EXPECT_TRUE(fake->called("MessageBox 1280 16"));
  EXPECT_TRUE(fake->called("SendMessage 1280 16 0 0"));
}

TEST(GrowBuffer, GrowsInGranulesAndKeepsTheOldBytes) {
  EXPECT_EQ(growBuffer(nullptr, 0, 4096, 0), nullptr);
  EXPECT_EQ(lastGrowSize, 0u);
  char* block = static_cast<char*>(growBuffer(nullptr, 10, 4096, 0));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(lastGrowSize, 4096u);
  std::strcpy(block, "waves");
  EXPECT_EQ(growBuffer(block, 4096, 4096, 0), block);  // fits: unchanged
  EXPECT_EQ(lastGrowSize, 0u);
  EXPECT_EQ(growBuffer(block, 0, 4096, 0), block);
  char* bigger = static_cast<char*>(growBuffer(block, 4097, 4096, 0));
  EXPECT_EQ(lastGrowSize, 8192u);
  EXPECT_STREQ(bigger, "waves");
  // A capacity smaller than the block: only that much is kept, and it decides.
  char* again = static_cast<char*>(growBuffer(bigger, 100, 64, 3));
  EXPECT_EQ(lastGrowSize, 128u);
  EXPECT_EQ(std::memcmp(again, "wav", 3), 0);
  freeGrownBuffer(again);
  freeGrownBuffer(nullptr);
}
