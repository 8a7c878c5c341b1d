// Golden frames: whole runs of the scene on the headless backend, hashed frame by
// frame. The same seed and key script give the same pixels on every target: the
// Windows build runs this test under Wine against the same hashes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/program.h"
#include "noise/noise.h"
#include "noise/random.h"
#include "platform/headless/headless.h"
#include "sea/help_panel.h"
#include "sea/sea_scene.h"
#include "shell/shell.h"
#include "surface/saved_rects.h"
#include "surface/surface.h"

namespace {

struct Script {
  int frame;
  int vk;
};

const std::vector<Script>* script = nullptr;
std::vector<std::uint64_t> hashes;
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

// Runs the program at 320x200 with the scene's seed set through the clock.
std::vector<std::uint64_t> runScene(std::uint32_t seed, const std::vector<Script>& keys,
                                    int frames) {
  const Platform saved = platform;
  resetShellState();
  backBuffer = BackBuffer{};
  hashes.clear();
  script = &keys;
  lastFrame = frames - 1;
  headless::Options options;
  options.screenWidth = 320;
  options.screenHeight = 200;
  options.startTimeMs = seed - 10;  // the process thread sleeps 10 ms before the scene starts
  options.onPresent = onPresent;
  headless::configure(options);
  EXPECT_EQ(runProgram(0, SW_SHOWNORMAL, withoutSplash), 0);
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
