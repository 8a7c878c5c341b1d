// Golden frames: whole runs of the scene on the headless backend, hashed frame by
// frame. The same seed and key script give the same pixels on every target: the
// Windows build runs this test under Wine against the same hashes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/program.h"
#include "blend/drawing_state.h"
#include "noise/noise.h"
#include "noise/random.h"
#include "platform/common/surface_memory.h"
#include "platform/headless/headless.h"
#include "sea/help_panel.h"
#include "sea/sea_scene.h"
#include "shell/shell.h"
#include "surface/saved_rects.h"
#include "surface/surface.h"
#include "vector/band_threads.h"

namespace {

struct Script {
  int frame;
  int vk;
};

const std::vector<Script>* script = nullptr;
std::vector<std::uint64_t> hashes;
std::vector<std::uint64_t> colourHashes;  // the hash every target writes (no alpha)
int lastFrame = 0;

std::uint64_t hashAllBytes(const headless::Canvas& c) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the pixel words
  for (std::uint32_t p : c.pixels) {
    for (int b = 0; b < 4; ++b) {
      h ^= (p >> (8 * b)) & 0xFF;
      h *= 1099511628211ull;
    }
  }
  return h;
}

void onPresent(int frame) {
  if (const headless::Canvas* c = headless::windowCanvas(headless::mainWindow())) {
    hashes.push_back(hashAllBytes(*c));
    colourHashes.push_back(emu::hashCanvas(*c));
  }
  for (const Script& s : *script) {
    if (s.frame == frame) {
      headless::postKey(s.vk, true);
      headless::postKey(s.vk, false);
    }
  }
  if (frame == lastFrame) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

// Runs the program (at 320x200 without the splash, on one drawing thread, unless
// told otherwise) with the scene's seed set through the clock.
std::vector<std::uint64_t> runScene(std::uint32_t seed, const std::vector<Script>& keys, int frames,
                                    int width = 320, int height = 200, bool splash = false,
                                    int threads = 1) {
  const Platform saved = platform;
  resetShellState();
  backBuffer = BackBuffer{};
  hashes.clear();
  colourHashes.clear();
  script = &keys;
  lastFrame = frames - 1;
  headless::Options options;
  options.screenWidth = width;
  options.screenHeight = height;
  options.startTimeMs = seed - 10;  // the process thread sleeps 10 ms before the scene starts
  options.onPresent = onPresent;
  headless::configure(options);
  setDrawingThreads(threads);
  EXPECT_EQ(runProgram(0, SW_SHOWNORMAL, splash ? nullptr : withoutSplash), 0);
  setDrawingThreads(1);
  platform = saved;
  resetShellState();
  return hashes;
}

std::string hex(std::uint64_t h) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

const std::vector<Script> steering = {{3, VK_RETURN}, {5, VK_UP},    {6, VK_UP},
                                      {8, VK_SPACE},  {10, VK_LEFT}, {14, VK_DOWN}};

}  // namespace

TEST(GoldenFrames, SameSeedAndKeysGiveTheSameFrames) {
  const std::vector<std::uint64_t> first = runScene(1234, steering, 16);
  const std::vector<std::uint64_t> second = runScene(1234, steering, 16);
  ASSERT_EQ(first.size(), 16u);
  EXPECT_EQ(first, second);
  // Frames differ from one another: the sea moves.
  EXPECT_NE(first[0], first[1]);
}

TEST(GoldenFrames, MatchTheStoredHashes) {
  const std::vector<std::uint64_t> a = runScene(1234, steering, 16);
  const std::vector<std::uint64_t> b = runScene(4321, {}, 6);
  ASSERT_EQ(a.size(), 16u);
  ASSERT_EQ(b.size(), 6u);
  const char* expectedA[] = {"4ace0bb24e183047", "d38734aef7982124", "1f6f3b352ca95cdb",
                             "acc34cd46104c0b4"};
  const char* expectedB[] = {"1fd62c34b4019bf3", "8519cadeb5dbff25"};
  const int framesA[] = {0, 4, 9, 15};
  const int framesB[] = {0, 5};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(hex(a[framesA[i]]), expectedA[i]) << "seed 1234, frame " << framesA[i];
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(hex(b[framesB[i]]), expectedB[i]) << "seed 4321, frame " << framesB[i];
  }
}

TEST(GoldenFrames, TheSeedComesFromTheClock) {
  runScene(4321, {}, 1);
  // The lattice's first value is the first draw after the seed 4321.
  ASSERT_FALSE(noiseGrid.values.empty());
  EXPECT_EQ(noiseGrid.values[0], randomValueOf(4321u * randomMultiplier));
  EXPECT_EQ(schemeIndex, 2);  // the first frame shows scheme 2
}

TEST(GoldenFrames, F1ShowsTheHelpPanelAndF1AgainHidesIt) {
  const std::vector<std::uint64_t> plain = runScene(1234, {}, 8);
  // F1 after frame 1 and again after frame 4: frames 2 to 4 carry the panel.
  const std::vector<std::uint64_t> helped = runScene(1234, {{1, VK_F1}, {4, VK_F1}}, 8);
  ASSERT_EQ(plain.size(), 8u);
  ASSERT_EQ(helped.size(), 8u);
  for (int f = 0; f < 8; ++f) EXPECT_EQ(helped[f] != plain[f], f >= 2 && f <= 4) << "frame " << f;
  EXPECT_EQ(helpFrames, 0);
}

TEST(GoldenFrames, EscWhileTheHelpPanelShowsEndsWithItsBackgroundBack) {
  const std::vector<std::uint64_t> plain = runScene(1234, {}, 4);
  const std::vector<std::uint64_t> helped = runScene(1234, {{1, VK_F1}}, 4);  // Esc after 3
  ASSERT_EQ(helped.size(), 4u);
  EXPECT_NE(helped[3], plain[3]);
  EXPECT_EQ(helpFrames, 248);
  EXPECT_EQ(helpDrawn, 0);
  EXPECT_EQ(savedRects.depth, 0);
  EXPECT_EQ(helpFont, nullptr);
}

// The same frames at 1920x1080 as brinemere-render --splash --hashes prints them,
// and as the Linux program writes them from its window (tests/e2e/e2e_linux_golden.sh):
// seed 2024, keys F1 after frame 1 and again after 2, Enter after 3, 4 and 5, Left
// after 6. Each pinned frame guards one part of the picture:
//   0  the splash's first frame: the three pictures, the tint, the dots;
//   1  the first frame of the sea: scheme 2, the waves drifting left;
//   2  the help panel over it: the rounded darkening and the text;
//   4, 5, 6  schemes 3, 0 and 1;
//   7  the waves drifting right after Left.
TEST(GoldenFrames, FullHdFramesMatchOnEveryTarget) {
  runScene(2024,
           {{1, VK_F1}, {2, VK_F1}, {3, VK_RETURN}, {4, VK_RETURN}, {5, VK_RETURN}, {6, VK_LEFT}},
           8, 1920, 1080, true);
  ASSERT_EQ(colourHashes.size(), 8u);
  const struct {
    int frame;
    const char* hash;
  } pinned[] = {{0, "214a4b8ebcfd000b"}, {1, "6188575f476c717e"}, {2, "a3f79c45ad5af2ce"},
                {4, "12915436a65e1b09"}, {5, "3e0574edacd9103e"}, {6, "7e5d9f8e4f09fe50"},
                {7, "d1eeedf64a5e27fd"}};
  for (const auto& p : pinned) {
    EXPECT_EQ(hex(colourHashes[static_cast<std::size_t>(p.frame)]), p.hash) << "frame " << p.frame;
  }
}

// Bands of rows drawn on several threads give the one-thread frames bit for bit: at
// odd sizes, with bands thinner than a wave (57 rows in 7 bands, 9 rows in 3), over
// the splash, the help panel, scheme changes and the foam going off and on.
TEST(GoldenFrames, BandsOnSeveralThreadsGiveTheOneThreadFrames) {
  if (!drawingStatePerThread) GTEST_SKIP() << "this build draws on one thread";
  const std::vector<Script> keys = {{1, VK_F1},     {3, VK_RETURN}, {4, VK_SPACE},
                                    {5, VK_RETURN}, {6, VK_F1},     {7, VK_SPACE},
                                    {8, VK_UP},     {9, VK_RIGHT},  {10, VK_RETURN}};
  const struct { int width, height; } sizes[] = {{101, 57}, {8, 9}, {320, 201}, {640, 480}};
  for (const auto& size : sizes) {
    const std::vector<std::uint64_t> one = runScene(2024, keys, 12, size.width, size.height, true);
    ASSERT_EQ(one.size(), 12u);
    for (const int threads : {2, 3, 7}) {
      EXPECT_EQ(runScene(2024, keys, 12, size.width, size.height, true, threads), one)
          << size.width << "x" << size.height << " on " << threads << " threads";
    }
  }
}
