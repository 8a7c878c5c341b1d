// The help panel on a view of the test's own: where it lies, what it does to the
// pixels under it, that they come back after presentation, and its count of frames.
// Whole runs with F1 are among the golden frames.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/headless.h"
#include "sea/help_panel.h"
#include "sea/sea_scene.h"
#include "surface/saved_rects.h"
#include "surface/surface.h"
#include "test_view.h"

namespace {

// Different everywhere, so a pixel put back in the wrong place shows.
Color pattern(int x, int y) {
  return 0xFF000000u | static_cast<Color>((x * 37 + y * 11) & 0xFF) << 16 |
         static_cast<Color>((x * 5 + y * 29) & 0xFF) << 8 | 0x9Cu;
}

struct Panel : ::testing::Test {
  TestView surface;
  std::vector<Color>& memory = surface.memory;

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
    surface.make(width, height);
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
    // The rounded corners, radius 20: at the top left the arc's centre is (x0 + 20,
    // y0 + 20). Pixel (x0 + 7, y0 + 7) lies whole within 13.5 x sqrt 2 = 19.1 of it
    // (inside even the chords, which sag 0.1 below the arc at 32 points a turn);
    // (x0 + 5, y0 + 5) lies whole beyond 14.5 x sqrt 2 = 20.5. Mirrored likewise at
    // the bottom right.
    EXPECT_EQ(rgb(at(c.x0 + 7, c.y0 + 7)), darkened(pattern(c.x0 + 7, c.y0 + 7)));
    EXPECT_EQ(at(c.x0 + 5, c.y0 + 5), pattern(c.x0 + 5, c.y0 + 5));
    EXPECT_EQ(rgb(at(c.x1 - 7, c.y1 - 7)), darkened(pattern(c.x1 - 7, c.y1 - 7)));
    EXPECT_EQ(at(c.x1 - 5, c.y1 - 5), pattern(c.x1 - 5, c.y1 - 5));
    // The text, whole (the heading spelt right), then its layout: 9 lines, the widest
    // the 89 full stops (89 + 88 gaps), the first "Control Keys:" (59 of advances +
    // 12 gaps); 10 + 8 x (4 + 10) rows.
    ASSERT_NE(helpFont->text, nullptr);
    EXPECT_EQ(std::string(helpFont->text),
              "Control Keys:\n\nEnter - Color\nCursor Left, Right - Direction\n"
              "Cursor Up, Down - Waves Force\nSpace - Off/On White Horses\n" +
                  std::string(89, '.') + "\nF1 - hide/show Help\nEsc - Exit");
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

// F1 on the main thread toggles the counter while frames count it down. The count
// must never go below 0: a -1 would never reach 0 again and keep the panel up.
TEST_F(Panel, AnF1DuringTheCountdownNeverLeavesItBelowZero) {
  view(16, 16, 16, 16);
  releaseHelpFont();  // the text takes most of a frame's time and is not in question
  std::atomic<bool> stop{false}, negative{false};
  std::thread keys([&] {
    while (!stop) {
      const int seen = helpFrames;
      if (seen < 0) negative = true;
      helpFrames = seen != 0 ? 0 : 250;  // what the key handler does on F1
    }
  });
  // The race is rare: up to 100000 frames that drew (so the loop does not end before
  // the thread runs), or a second.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (int drawn = 0; drawn < 100000 && !negative && std::chrono::steady_clock::now() < end;) {
    drawHelpPanel();
    drawn += helpDrawn;
    restoreHelpBackground();
    if (helpFrames < 0) negative = true;
  }
  stop = true;
  keys.join();
  EXPECT_FALSE(negative);
}

}  // namespace
