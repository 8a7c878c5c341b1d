// The saved-rectangle stack: what a push keeps, what the pops put back and in which
// order, how the store grows, and the limits.

#include "surface/saved_rects.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "test_view.h"

namespace {

struct SavedRects : ::testing::Test {
  ShellSandbox sandbox;
  TestView view;
  SavedRects() { initSavedRects(); }
  ~SavedRects() override { initSavedRects(); }
};

}  // namespace

TEST_F(SavedRects, PushClipsAndPopsRestoreNewestFirst) {
  view.make(64, 48);
  view.pattern();
  const std::vector<Color> before = view.memory;
  // Push (-10, -10, 9, 9): the 10 x 10 block at the origin.
  ASSERT_EQ(pushRect(-10, -10, 9, 9), 1);
  EXPECT_EQ(savedRects.depth, 1);
  EXPECT_EQ(savedRects.rects[0].x1, 0);
  EXPECT_EQ(savedRects.rects[0].y2, 9);
  EXPECT_EQ(savedRects.usedBytes, 10u * 10u * 4u);
  EXPECT_EQ(savedRects.blocks[0][0], view.at(0, 0));
  EXPECT_EQ(savedRects.blocks[0][10 * 10 - 1], view.at(9, 9));
  // Draw, push an overlapping rectangle, draw again: pop-all undoes both.
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) view.at(x, y) = 0xFF111111u;
  ASSERT_EQ(pushRect(5, 5, 70, 30), 1);  // clipped to x 63
  EXPECT_EQ(savedRects.rects[1].x2, 63);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) view.at(x, y) = 0xFF222222u;
  ASSERT_EQ(popRect(), 1);  // the newest only: the first drawing shows again
  EXPECT_EQ(view.at(6, 6), 0xFF111111u);
  EXPECT_EQ(view.at(40, 40), 0xFF222222u);
  ASSERT_EQ(pushRect(30, 30, 40, 40), 1);
  ASSERT_EQ(popAllRects(), 1);
  EXPECT_EQ(view.at(0, 47), 0xFF222222u);  // never pushed
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(view.at(x, y), before[(47 - y) * 64 + x]);
  EXPECT_EQ(savedRects.depth, 0);
  EXPECT_EQ(savedRects.usedBytes, 0u);
  EXPECT_EQ(popRect(), 0);
  EXPECT_EQ(popAllRects(), 0);
}

TEST_F(SavedRects, EmptyRectanglesAreAcceptedAndNotSaved) {
  view.make(64, 48);
  const struct {
    int x1, y1, x2, y2;
  } empty[] = {{9, 0, 3, 5}, {0, 9, 5, 3}, {64, 0, 70, 5}, {-20, -20, -1, -1}, {0, 48, 5, 60}};
  for (const auto& r : empty) {
    EXPECT_EQ(pushRect(r.x1, r.y1, r.x2, r.y2), 1) << r.x1 << "," << r.y1;
    EXPECT_EQ(savedRects.depth, 0);
    EXPECT_EQ(savedRects.usedBytes, 0u);
  }
}

TEST_F(SavedRects, RestoreIsClippedToAViewThatChanged) {
  view.make(64, 48);
  view.pattern();
  ASSERT_EQ(pushRect(10, 10, 30, 30), 1);
  std::vector<Color> expected = view.memory;
  // The view (15, 15)-(25, 25) keeps only view pixel (10, 10) of the rectangle: it is
  // surface pixel (25, 25) now and gets the block's first pixel.
  const Color first = view.at(10, 10);
  setView(15, 15, 25, 25, 0, 1);
  expected[(47 - 25) * 64 + 25] = first;
  ASSERT_EQ(popAllRects(), 1);
  EXPECT_EQ(view.memory, expected);
}

TEST_F(SavedRects, GrowingKeepsTheEarlierBlocks) {
  view.make(512, 400);  // the whole view is 819,200 bytes, more than the store
  view.pattern();
  const std::vector<Color> before = view.memory;
  ASSERT_EQ(savedRects.capacityBytes, 655360u);
  ASSERT_EQ(pushRect(100, 100, 109, 109), 1);
  const Color first = savedRects.blocks[0][0];
  ASSERT_EQ(pushRect(0, 0, 511, 399), 1);
  const std::uint32_t used = 400u + 512u * 400u * 4u;
  EXPECT_EQ(savedRects.usedBytes, used);
  EXPECT_EQ(savedRects.capacityBytes, used + 655360u);
  EXPECT_EQ(savedRects.blocks[0][0], first);
  EXPECT_EQ(reinterpret_cast<std::uint8_t*>(savedRects.blocks[1]) - savedRects.store, 400);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(savedRects.store) % 16, 0u);
  std::fill(view.memory.begin(), view.memory.end(), 0u);
  ASSERT_EQ(popAllRects(), 1);
  EXPECT_EQ(view.memory, before);
}

TEST_F(SavedRects, The257thPushAndAStorePast4GiBAreRefused) {
  view.make(16, 16);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(pushRect(i % 16, 0, i % 16, 0), 1);
  EXPECT_EQ(pushRect(0, 0, 3, 3), 0);
  EXPECT_EQ(savedRects.depth, 256);
  EXPECT_EQ(savedRects.usedBytes, 256u * 4u);
  ASSERT_EQ(popAllRects(), 1);
  // A store that would have to pass the 32-bit byte count is refused, not wrapped.
  savedRects.usedBytes = 0xFFFF0000u;
  EXPECT_EQ(pushRect(0, 0, 15, 15), 0);
  EXPECT_EQ(savedRects.depth, 0);
  EXPECT_EQ(savedRects.usedBytes, 0xFFFF0000u);
}
