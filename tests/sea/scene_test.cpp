// The scene's key handler and colour schemes.

#include <gtest/gtest.h>

#include "input/input_state.h"
#include "platform/platform.h"
#include "sea/sea_scene.h"
#include "sea/waves.h"

namespace {

struct Keys : ::testing::Test {
  void SetUp() override {
    resetScene();
    initInput();
  }
  void TearDown() override {
    resetScene();
    initInput();
  }
  // One key release, as the window procedure delivers it.
  void release(int vk) {
    keyDown(vk, 0);
    keyUp(vk, 0);
    seaKeyHandler();
  }
};

}  // namespace

TEST_F(Keys, UpStopsAtThreeAndDownAtOne) {
  for (int i = 0; i < 8; ++i) release(VK_UP);
  EXPECT_EQ(waveForce, 3.0f);
  waveForce = 1.5f;
  release(VK_DOWN);
  EXPECT_EQ(waveForce, 1.25f);
  release(VK_DOWN);
  EXPECT_EQ(waveForce, 1.0f);
  release(VK_DOWN);
  EXPECT_EQ(waveForce, 1.0f);
}

TEST_F(Keys, F1TogglesTheHelpCounter) {
  release(VK_F1);
  EXPECT_EQ(helpFrames, 250);
  release(VK_F1);
  EXPECT_EQ(helpFrames, 0);
  helpFrames = 17;  // still running down: F1 hides it
  release(VK_F1);
  EXPECT_EQ(helpFrames, 0);
}

TEST_F(Keys, SpaceLeftAndRight) {
  release(VK_SPACE);
  EXPECT_EQ(whiteHorses, 0);
  release(VK_SPACE);
  EXPECT_EQ(whiteHorses, 1);
  release(VK_LEFT);
  EXPECT_EQ(waveDirection, 1.0f);
  release(VK_RIGHT);
  EXPECT_EQ(waveDirection, -1.0f);
}

TEST_F(Keys, EnterCyclesTheSchemes) {
  nextScheme();  // the start: 1 -> 2
  EXPECT_EQ(schemeIndex, 2);
  EXPECT_EQ(deepColour, 0xFF460023u);
  EXPECT_EQ(lightColour, 0xFFFF8700u);
  const int expected[] = {3, 0, 1, 2};
  for (int next : expected) {
    release(VK_RETURN);
    EXPECT_EQ(schemeIndex, next);
    EXPECT_EQ(deepColour, schemeColours[next][0]);
    EXPECT_EQ(lightColour, schemeColours[next][1]);
  }
}

TEST_F(Keys, OnlyTheReleaseOfEscEndsTheRun) {
  keyDown(VK_ESCAPE, 0);
  seaKeyHandler();  // a release of another key while Esc is held
  EXPECT_EQ(exitRequested, 0);
  keyUp(VK_ESCAPE, 0);
  seaKeyHandler();
  EXPECT_EQ(exitRequested, 1);
}

TEST_F(Keys, AReleaseAfterEscKeepsTheExit) {
  for (const int other : {int{VK_RETURN}, int{VK_SPACE}, int{VK_F1}, int{'A'}}) {
    exitRequested = 0;
    release(VK_ESCAPE);
    release(other);
    EXPECT_EQ(exitRequested, 1) << other;
  }
}

TEST_F(Keys, EveryReleaseIsActedOnOnce) {
  keyUp(VK_UP, 0);
  seaKeyHandler();
  seaKeyHandler();  // the flags were reset: no second step
  EXPECT_EQ(waveForce, 1.75f);
  EXPECT_EQ(input.keyReleased[VK_UP], 0);
}

TEST_F(Keys, OtherKeysChangeNothing) {
  release('A');
  release(VK_F1 + 1);
  EXPECT_EQ(waveForce, 1.5f);
  EXPECT_EQ(waveDirection, -1.0f);
  EXPECT_EQ(whiteHorses, 1);
  EXPECT_EQ(helpFrames, 0);
  EXPECT_EQ(exitRequested, 0);
}
