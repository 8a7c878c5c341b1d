// A starting state asked for gives the same frames, pixel for pixel, as the
// default start steered to that state by key releases before the first frame.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/program.h"
#include "input/input_state.h"
#include "platform/headless/headless.h"
#include "sea/help_panel.h"
#include "sea/scene_start.h"
#include "sea/sea_scene.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

constexpr int frames = 3;
std::vector<std::uint64_t> hashes;
std::vector<int> keysFirst;

void onPresent(int frame) {
  if (const headless::Canvas* c = headless::windowCanvas(headless::mainWindow())) {
    hashes.push_back(emu::hashCanvas(*c));
  }
  if (frame + 1 == frames) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

// The scene's process with the keys of `keysFirst` released, one at a time as the
// keyboard would, between the set-up and the first frame.
void processWithKeysFirst() {
  initScene();
  for (int vk : keysFirst) {
    keyUp(vk, 0);
    seaKeyHandler();
  }
  while (!exitRequested) drawFrame();
  releaseHelpFont();
  shutdownDrawing();
}

void useKeysFirst() {
  withoutSplash();
  userCallbacks.process = processWithKeysFirst;
}

std::vector<std::uint64_t> run(const SceneStart& start, const std::vector<int>& keys) {
  const Platform saved = platform;
  resetShellState();
  backBuffer = BackBuffer{};
  hashes.clear();
  keysFirst = keys;
  sceneStart = start;
  headless::Options options;
  options.screenWidth = 200;
  options.screenHeight = 120;
  options.startTimeMs = 1234 - 10;
  options.onPresent = onPresent;
  headless::configure(options);
  EXPECT_EQ(runProgram(0, SW_SHOWNORMAL, useKeysFirst), 0);
  platform = saved;
  resetShellState();
  sceneStart = SceneStart{};
  return hashes;
}

struct Case {
  const char* name;
  SceneStart start;
  std::vector<int> keys;  // from the default start to the same state
};

}  // namespace

TEST(SceneStart, EachStartEqualsTheDefaultSteeredByKeys) {
  const std::vector<std::uint64_t> plain = run(SceneStart{}, {});
  ASSERT_EQ(plain.size(), static_cast<std::size_t>(frames));
  const Case cases[] = {
      {"teal", {3, 1.5f, 1, -1.0f}, {VK_RETURN}},
      {"red", {0, 1.5f, 1, -1.0f}, {VK_RETURN, VK_RETURN}},
      {"blue", {1, 1.5f, 1, -1.0f}, {VK_RETURN, VK_RETURN, VK_RETURN}},
      {"force 1", {2, 1.0f, 1, -1.0f}, {VK_DOWN, VK_DOWN}},
      {"force 2.25", {2, 2.25f, 1, -1.0f}, {VK_UP, VK_UP, VK_UP}},
      {"force 3", {2, 3.0f, 1, -1.0f}, {VK_UP, VK_UP, VK_UP, VK_UP, VK_UP, VK_UP}},
      {"no foam", {2, 1.5f, 0, -1.0f}, {VK_SPACE}},
      {"drift right", {2, 1.5f, 1, 1.0f}, {VK_LEFT}},
      {"all",
       {1, 2.75f, 0, 1.0f},
       {VK_LEFT, VK_SPACE, VK_UP, VK_RETURN, VK_UP, VK_RETURN, VK_UP, VK_UP, VK_UP, VK_RETURN}},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint64_t> asked = run(c.start, {});
    const std::vector<std::uint64_t> steered = run(SceneStart{}, c.keys);
    ASSERT_EQ(asked.size(), static_cast<std::size_t>(frames)) << c.name;
    EXPECT_EQ(asked, steered) << c.name;
    EXPECT_NE(asked[0], plain[0]) << c.name << ": the start changed nothing";
  }
  // The defaults are the start of every run.
  EXPECT_EQ(run(SceneStart{2, 1.5f, 1, -1.0f}, {}), plain);
}
