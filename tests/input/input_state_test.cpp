// Keyboard and mouse state: presses, releases, repeats, locks, the queue, the
// trail and the key names.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "input/input_state.h"
#include "platform/platform.h"

namespace {

struct Input : ::testing::Test {
  void SetUp() override { initInput(); }
  void TearDown() override { initInput(); }
};

int notified[256];
void countUp(int vk) { ++notified[vk]; }

}  // namespace

TEST_F(Input, HeldKeyCountsOnceUntilTheNextReset) {
  static int downs;
  downs = 0;
  input.keyDownNotify = [](int) { ++downs; };
  keyDown('A', 0);
  keyDown('A', 0);  // automatic repeat
  keyDown('A', 0);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(input.keyHeld['A'], 1);
  EXPECT_EQ(input.lastKey, 'A');
  resetInput();
  EXPECT_EQ(input.keyHeld['A'], 0);
  keyDown('A', 0);  // the next repeat after a reset counts again
  EXPECT_EQ(downs, 2);
}

TEST_F(Input, ReleaseSetsTheFlagsEvenWithoutAPress) {
  std::memset(notified, 0, sizeof notified);
  input.keyUpNotify = countUp;
  keyUp(VK_ESCAPE, 0);
  EXPECT_EQ(input.keyReleased[VK_ESCAPE], 1);
  EXPECT_EQ(input.keyUpEvent, 1);
  EXPECT_EQ(input.keyEvent, 1);
  EXPECT_EQ(notified[VK_ESCAPE], 1);
  resetInput();
  EXPECT_EQ(input.keyReleased[VK_ESCAPE], 0);
  EXPECT_EQ(input.keyUpEvent, 0);
  EXPECT_EQ(input.keyEvent, 0);
}

TEST_F(Input, CodeZeroAfterMaskingDoesNothing) {
  keyDown(0, 0);
  keyUp(0x100, 0);
  EXPECT_EQ(input.keyEvent, 0);
  keyUp(0x141, 0);  // taken modulo 256: 'A'
  EXPECT_EQ(input.keyReleased['A'], 1);
}

TEST_F(Input, LockedKeyPassesOnlyWhenForced) {
  input.keyLocked['M'] = 1;
  keyDown('M', 0);
  keyUp('M', 0);
  EXPECT_EQ(input.keyEvent, 0);
  keyDown('M', 1);
  EXPECT_EQ(input.forcedCount, -1);
  EXPECT_EQ(input.keyHeld['M'], 1);
  keyUp('M', 1);
  EXPECT_EQ(input.forcedCount, 0);
  EXPECT_EQ(input.keyReleased['M'], 1);
  // A reset leaves a locked key's held flag alone.
  keyDown('M', 1);
  resetInput();
  EXPECT_EQ(input.keyHeld['M'], 1);
}

TEST_F(Input, ModifiersSurviveAResetUnlessAsked) {
  keyDown(VK_SHIFT, 0);
  keyDown(VK_PAUSE, 0);
  resetInput();
  EXPECT_EQ(input.keyHeld[VK_SHIFT], 1);
  EXPECT_EQ(input.keyHeld[VK_PAUSE], 1);
  input.resetReleasesModifiers = 1;
  input.keyLocked[VK_SHIFT] = 1;  // released whatever the lock
  resetInput();
  EXPECT_EQ(input.keyHeld[VK_SHIFT], 0);
  EXPECT_EQ(input.keyHeld[VK_PAUSE], 0);
}

TEST_F(Input, QueuedEventsReplayNewestFirstOnePerReset) {
  input.queueEnabled = 1;
  input.queueing = 1;
  keyDown('A', 0);
  keyUp('B', 0);
  keyUp('C', 0);
  EXPECT_EQ(input.queueCount, 3);
  EXPECT_EQ(input.keyEvent, 0);
  resetInput();  // also ends queueing
  EXPECT_EQ(input.keyReleased['C'], 1);
  EXPECT_EQ(input.queueCount, 2);
  resetInput();
  EXPECT_EQ(input.keyReleased['C'], 0);
  EXPECT_EQ(input.keyReleased['B'], 1);
  resetInput();
  EXPECT_EQ(input.keyHeld['A'], 1);
  EXPECT_EQ(input.queueCount, 0);
}

TEST_F(Input, QueueHolds256AndIsDroppedWhenDisabled) {
  input.queueEnabled = 1;
  input.queueing = 1;
  for (int i = 0; i < 300; ++i) keyUp('Q', 0);
  EXPECT_EQ(input.queueCount, 256);
  input.queueEnabled = 0;
  queueKeyEvent('R', 1);
  EXPECT_EQ(input.queueCount, 256);
  resetInput();
  EXPECT_EQ(input.queueCount, 0);
  EXPECT_EQ(input.keyReleased['Q'], 0);
}

TEST_F(Input, MouseMovesFillTheTrailRing) {
  for (int i = 1; i <= 300; ++i) mouseMove(i, 2 * i);
  EXPECT_EQ(input.trailIndex, 43);
  EXPECT_EQ(input.trail[43].x, 300);
  EXPECT_EQ(input.trail[43].dy, 2);
  EXPECT_EQ(input.trail[44].x, 45);  // the oldest kept move
  EXPECT_EQ(input.moved, 1);
  mouseMove(300, 600);
  EXPECT_EQ(input.moved, 0);
  EXPECT_EQ(input.dx, 0);
  resetInput();
  EXPECT_EQ(input.trailIndex, -1);
  EXPECT_EQ(input.moved, 0);
}

TEST_F(Input, ResetClearsMouseEventsButNotTheDoubleClick) {
  input.buttonDown = 1;
  input.buttonUp = 1;
  input.leftButton = 1;
  input.rightButton = 1;
  input.middleButton = 1;
  input.doubleClick = 1;
  input.wheel = 0x780000;
  resetInput();
  EXPECT_EQ(
      input.buttonDown + input.buttonUp + input.leftButton + input.rightButton + input.middleButton,
      0);
  EXPECT_EQ(input.wheel, 0u);
  EXPECT_EQ(input.doubleClick, 1);
}

TEST(KeyNames, SeventyNineCodesAreNamedInBothCases) {
  int named = 0;
  for (int vk = 0; vk < 256; ++vk) {
    ASSERT_EQ(keyNamesUp[vk] == nullptr, keyNamesDown[vk] == nullptr) << vk;
    if (!keyNamesUp[vk]) continue;
    ++named;
    std::string lower = keyNamesUp[vk];
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(lower, keyNamesDown[vk]) << vk;
  }
  EXPECT_EQ(named, 79);
  EXPECT_STREQ(keyNamesUp[0x0D], "Enter");
  EXPECT_STREQ(keyNamesUp[0x25], "CL");
  EXPECT_STREQ(keyNamesDown[0x28], "cd");
  EXPECT_STREQ(keyNamesUp[0x39], "N9");
  EXPECT_STREQ(keyNamesUp[0x5A], "Z");
  EXPECT_STREQ(keyNamesUp[0x7B], "F12");
  EXPECT_STREQ(keyNamesUp[0x6B], "Plus");
  EXPECT_STREQ(keyNamesUp[0xBB], "Plus");
  EXPECT_STREQ(keyNamesUp[0xBD], "Minus");
  EXPECT_STREQ(keyNamesUp[0xDE], "Quote");
  EXPECT_EQ(keyNamesUp[0x60], nullptr);  // keypad digits have no name
  EXPECT_EQ(keyNamesUp[0x7C], nullptr);  // nor F13
  EXPECT_EQ(keyNamesUp[0x0C], nullptr);
}
