// The help panel on a view of the test's own: where it lies, what it does to the
// pixels under it, that they come back after presentation, and its count of frames.
// Whole runs of the scene show it on the frames after F1 only.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/program.h"
#include "platform/headless/headless.h"
#include "sea/help_panel.h"
#include "sea/sea_scene.h"
#include "shell/shell.h"
#include "surface/saved_rects.h"
#include "surface/surface.h"

namespace {

// Different everywhere, so a pixel put back in the wrong place shows.
Color pattern(int x, int y) {
  return 0xFF000000u | static_cast<Color>((x * 37 + y * 11) & 0xFF) << 16 |
         static_cast<Color>((x * 5 + y * 29) & 0xFF) << 8 | 0x9Cu;
}

struct Panel : ::testing::Test {
  std::vector<Color> memory;

  void SetUp() override {
    headless::configure({});
    resetScene();
    initSavedRects();
    createHelpFont();
  }
  void TearDown() override {
    releaseHelpFont();
    resetScene();
    backBuffer.pixels = nullptr;
    setView(-1, -1, -1, -1, 0, 1);
  }
  // A surface of width x height with a view of viewWidth x viewHeight at its origin.
  void view(int width, int height, int viewWidth, int viewHeight) {
    memory.assign(static_cast<std::size_t>(width) * height, 0);
    backBuffer.surfaceWidth = width;
    backBuffer.surfaceHeight = height;
    backBuffer.pixels = reinterpret_cast<std::uint8_t*>(memory.data());
    setView(0, 0, viewWidth - 1, viewHeight - 1, 0, 1);
    for (int y = 0; y < viewHeight; ++y) {
      for (int x = 0; x < viewWidth; ++x) *viewPixel(x, y) = pattern(x, y);
    }
  }
  static Color at(int x, int y) { return *viewPixel(x, y); }
};

// Red, green and blue times 0x32 / 256, as Multiply by the panel's shade gives them.
Color darkened(Color c) {
  Color out = 0;
  for (int shift = 0; shift < 24; shift += 8) out |= (((c >> shift) & 0xFF) * 0x32 >> 8) << shift;
  return out;
}
Color rgb(Color c) { return c & 0xFFFFFFu; }

TEST_F(Panel, LiesInTheMiddleDarkensTheSceneAndPrintsTheKeys) {
  struct Case {
    int surfaceWidth, viewWidth, viewHeight;
    int x0, y0, x1, y1;
  };
  const Case cases[] = {
      {1024, 1024, 768, 397, 298, 626, 469},
      {1368, 1368, 768, 569, 298, 798, 469},
      {1024, 1023, 767, 396, 297, 626, 469},  // odd sides: 231 x 173
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.viewWidth);
    view(c.surfaceWidth, c.viewHeight, c.viewWidth, c.viewHeight);
    const std::vector<Color> before = memory;
    helpFrames = 250;
    drawHelpPanel();
    EXPECT_EQ(helpFrames, 249);
    EXPECT_EQ(helpDrawn, 1);
    ASSERT_EQ(savedRects.depth, 1);
    const SavedRect& r = savedRects.rects[0];
    EXPECT_EQ(r.x1, c.x0);
    EXPECT_EQ(r.y1, c.y0);
    EXPECT_EQ(r.x2, c.x1);
    EXPECT_EQ(r.y2, c.y1);
    // Nothing outside the panel changes; inside, away from text and corners, the
    // scene is multiplied by the shade.
    const int midX = (c.x0 + c.x1) / 2, midY = (c.y0 + c.y1) / 2;
    EXPECT_EQ(at(c.x0 - 1, midY), pattern(c.x0 - 1, midY));
    EXPECT_EQ(at(c.x1 + 1, midY), pattern(c.x1 + 1, midY));
    EXPECT_EQ(at(midX, c.y0 - 1), pattern(midX, c.y0 - 1));
    EXPECT_EQ(at(midX, c.y1 + 1), pattern(midX, c.y1 + 1));
    EXPECT_EQ(rgb(at(c.x0 + 5, midY)), darkened(pattern(c.x0 + 5, midY)));
    EXPECT_EQ(rgb(at(midX, c.y1 - 3)), darkened(pattern(midX, c.y1 - 3)));
    // The text: 9 lines, the widest the 89 full stops (89 + 88 gaps), the first
    // "Control Keys:" (59 of advances + 12 gaps); 10 + 8 x (4 + 10) rows.
    EXPECT_EQ(helpFont->lineCount, 9);
    EXPECT_EQ(helpFont->lineWidth[0], 71);
    EXPECT_EQ(helpFont->lineWidth[6], 177);
    EXPECT_EQ(helpFont->blockWidth, 177);
    EXPECT_EQ(helpFont->blockHeight, 122);
    const int left = c.viewWidth / 2 - 88, top = c.viewHeight / 2 - 61;
    EXPECT_EQ(helpFont->x0, left);
    EXPECT_EQ(helpFont->y0, top);
    // Ink adds 0x70 to the darkened scene (no channel passes 0x31 + 0x70): the C's top.
    EXPECT_EQ(rgb(at(left + 2, top + 1)), darkened(pattern(left + 2, top + 1)) + 0x707070u);

    restoreHelpBackground();
    EXPECT_EQ(helpDrawn, 0);
    EXPECT_EQ(savedRects.depth, 0);
    EXPECT_TRUE(memory == before) << "the panel left a trace";
  }
}

TEST_F(Panel, ShowsForTwoHundredFiftyFramesThenStaysAway) {
  view(320, 200, 320, 200);
  const std::vector<Color> clean = memory;
  helpFrames = 250;
  int shown = 0;
  for (int frame = 0; frame < 260; ++frame) {
    drawHelpPanel();
    shown += memory != clean;
    restoreHelpBackground();
    ASSERT_TRUE(memory == clean) << "frame " << frame;
  }
  EXPECT_EQ(shown, 250);
  EXPECT_EQ(helpFrames, 0);
}

// ---- whole runs -----------------------------------------------------------------------

std::vector<std::uint64_t> frameHashes;
std::vector<std::pair<int, int>> keyScript;  // frame, key released after it
int runLength = 0;

void hashFrame(int frame) {
  std::uint64_t h = 1469598103934665603ull;
  if (const headless::Canvas* c = headless::windowCanvas(headless::mainWindow())) {
    for (std::uint32_t p : c->pixels) h = (h ^ p) * 1099511628211ull;
  }
  frameHashes.push_back(h);
  for (const auto& [at, vk] : keyScript) {
    if (at == frame) {
      headless::postKey(vk, true);
      headless::postKey(vk, false);
    }
  }
  if (frame == runLength - 1) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

std::vector<std::uint64_t> run(std::vector<std::pair<int, int>> keys, int frames) {
  const Platform saved = platform;
  resetShellState();
  backBuffer = BackBuffer{};
  frameHashes.clear();
  keyScript = std::move(keys);
  runLength = frames;
  headless::Options options;
  options.screenWidth = 320;
  options.screenHeight = 200;
  options.startTimeMs = 777;
  options.onPresent = hashFrame;
  headless::configure(options);
  EXPECT_EQ(runProgram(0, SW_SHOWNORMAL), 0);
  platform = saved;
  resetShellState();
  return frameHashes;
}

TEST(HelpPanelRun, F1ShowsThePanelAndF1AgainHidesIt) {
  const std::vector<std::uint64_t> plain = run({}, 8);
  // F1 after frame 1 and again after frame 4: frames 2 to 4 carry the panel.
  const std::vector<std::uint64_t> helped = run({{1, VK_F1}, {4, VK_F1}}, 8);
  ASSERT_EQ(plain.size(), 8u);
  ASSERT_EQ(helped.size(), 8u);
  for (int f = 0; f < 8; ++f) EXPECT_EQ(helped[f] != plain[f], f >= 2 && f <= 4) << "frame " << f;
  EXPECT_EQ(helpFrames, 0);
}

TEST(HelpPanelRun, EscWhileThePanelShowsEndsWithTheBackgroundBack) {
  const std::vector<std::uint64_t> plain = run({}, 4);
  const std::vector<std::uint64_t> helped = run({{1, VK_F1}}, 4);  // Esc after frame 3
  ASSERT_EQ(helped.size(), 4u);
  EXPECT_NE(helped[3], plain[3]);
  EXPECT_EQ(helpFrames, 248);
  EXPECT_EQ(helpDrawn, 0);
  EXPECT_EQ(savedRects.depth, 0);
  EXPECT_EQ(helpFont, nullptr);
}

}  // namespace
