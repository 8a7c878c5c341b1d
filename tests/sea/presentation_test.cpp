// Drawing and presenting only what a frame changed: over a run with every key that
// changes the picture, each frame drawn over the last is the frame drawn whole, what
// the window shows after each frame is exactly the back buffer, the frames that must
// show the whole view do, and the others leave out what stayed.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/program.h"
#include "platform/headless/headless.h"
#include "sea/help_panel.h"
#include "sea/sea_scene.h"
#include "sea/waves.h"
#include "shell/shell.h"
#include "surface/surface.h"
#include "vector/band_threads.h"

namespace {

struct Step {
  int frame;
  int vk;  // 0: move the disc just past its wrap instead
};
const Step steps[] = {{4, VK_RETURN}, {8, VK_F1},    {12, VK_F1},    {16, VK_SPACE},
                      {18, VK_UP},    {20, VK_UP},   {24, VK_LEFT},  {28, 0},
                      {30, VK_RIGHT}, {34, VK_DOWN}, {36, VK_SPACE}, {40, VK_RETURN}};
constexpr int lastFrame = 48;

struct Presented {
  bool whole = false;       // one rectangle, the whole view
  int staleRows = 0;        // rows of the window that differ from the back buffer
  int help = 0;             // the help panel was on the frame
  bool bottomLeft = false;  // the bottom row was left out but for the first column
  std::uint64_t view = 0;   // hash of the back buffer's view
};
std::vector<Presented> presented;
int (*backendPresent)(Handle, Handle, const Rect*, int) = nullptr;

int recordPresent(Handle dc, Handle surface, const Rect* rects, int count) {
  const BackBuffer& b = backBuffer;
  Presented p;
  p.whole = count == 1 && rects[0].left == b.viewLeft && rects[0].top == b.viewTop &&
            rects[0].right == b.viewLeft + b.viewWidth &&
            rects[0].bottom == b.viewTop + b.viewHeight;
  p.help = helpDrawn;
  p.bottomLeft = true;
  for (int i = 0; i < count; ++i) {
    if (rects[i].bottom == b.viewTop + b.viewHeight && rects[i].right > b.viewLeft + 1) {
      p.bottomLeft = false;
    }
  }
  presented.push_back(p);
  return backendPresent(dc, surface, rects, count);
}

void onPresent(int frame) {
  const BackBuffer& b = backBuffer;
  const headless::Canvas* c = headless::windowCanvas(headless::mainWindow());
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(presented.size(), static_cast<std::size_t>(frame + 1));
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the view's pixel words
  for (int y = 0; y < b.viewHeight; ++y) {
    const std::uint32_t* shown =
        c->pixels.data() + static_cast<std::size_t>(b.viewTop + y) * c->width + b.viewLeft;
    for (int x = 0; x < b.viewWidth; ++x) h = (h ^ *viewPixel(x, y)) * 1099511628211ull;
    for (int x = 0; x < b.viewWidth; ++x) {
      if (shown[x] != (*viewPixel(x, y) | 0xFF000000u)) {
        ++presented.back().staleRows;
        break;
      }
    }
  }
  for (const Step& s : steps) {
    if (s.frame != frame) continue;
    if (s.vk == 0) {
      discX = -discRadius + 0.1f;  // the next frame wraps it round to the right
    } else {
      headless::postKey(s.vk, true);
      headless::postKey(s.vk, false);
    }
  }
  presented.back().view = h;
  if (frame == lastFrame) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

// The scripted run at width x height on `threads` drawing threads; with `whole` every
// frame is drawn and shown whole.
std::vector<Presented> runSteps(int width, int height, int threads = 1, bool whole = false) {
  const Platform saved = platform;
  resetShellState();
  backBuffer = BackBuffer{};
  presented.clear();
  headless::Options options;
  options.screenWidth = width;
  options.screenHeight = height;
  options.onPresent = onPresent;
  headless::configure(options);
  backendPresent = platform.presentRects;
  platform.presentRects = recordPresent;
  redrawWholeFrames = whole;
  setDrawingThreads(threads);
  EXPECT_EQ(runProgram(0, SW_SHOWNORMAL, withoutSplash), 0);
  setDrawingThreads(1);
  redrawWholeFrames = 0;
  platform = saved;
  resetShellState();
  return presented;
}

// Sizes where the disc's arcs meet the view's sides, the waves' crests reach the
// top, or the disc lies below the waves.
TEST(Presentation, EachFrameDrawnOverTheLastIsTheFrameDrawnWhole) {
  struct Case {
    int width, height, threads;
  };
  const Case cases[] = {{640, 360, 1}, {333, 517, 2}, {1280, 96, 1}, {64, 64, 3}};
  for (const Case& c : cases) {
    const std::vector<Presented> whole = runSteps(c.width, c.height, c.threads, true);
    const std::vector<Presented> over = runSteps(c.width, c.height, c.threads);
    ASSERT_EQ(over.size(), whole.size());
    int partial = 0;
    for (std::size_t f = 0; f < whole.size(); ++f) {
      EXPECT_TRUE(whole[f].whole) << c.width << "x" << c.height << " frame " << f;
      EXPECT_EQ(over[f].view, whole[f].view) << c.width << "x" << c.height << " frame " << f;
      EXPECT_EQ(over[f].staleRows, 0) << c.width << "x" << c.height << " frame " << f;
      partial += over[f].whole ? 0 : 1;
    }
    EXPECT_GE(partial, 30) << c.width << "x" << c.height;
  }
}

TEST(Presentation, TheWindowAlwaysShowsTheBackBuffer) {
  runSteps(640, 360);
  ASSERT_EQ(presented.size(), static_cast<std::size_t>(lastFrame + 1));
  int partial = 0, bottomLeft = 0;
  for (int f = 0; f <= lastFrame; ++f) {
    const Presented& p = presented[f];
    EXPECT_EQ(p.staleRows, 0) << "frame " << f;
    // Keys posted after frame n are handled before frame n + 1 is drawn.
    const bool schemeChanged = f == 5 || f == 41;
    const bool helpNow = p.help != 0, helpBefore = f > 0 && presented[f - 1].help != 0;
    if (f == 0 || schemeChanged || helpNow || helpBefore) {
      EXPECT_TRUE(p.whole) << "frame " << f;
    }
    partial += p.whole ? 0 : 1;
    bottomLeft += p.bottomLeft ? 1 : 0;
  }
  // The help panel was on from frame 9 to 12, and most other frames were partial.
  EXPECT_EQ(presented[8].help, 0);
  EXPECT_EQ(presented[9].help, 1);
  EXPECT_EQ(presented[12].help, 1);
  EXPECT_EQ(presented[13].help, 0);
  EXPECT_GE(partial, 30);
  // Under the nearest layer only the first column changes, and that is all of
  // those rows most frames copy.
  EXPECT_GE(bottomLeft, 30);
}

}  // namespace
