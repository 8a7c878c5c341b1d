// Monitor refresh rates by enumeration index and the move onto the rightmost
// monitor, over a scripted monitor list.

#include "pacing_fake.h"
#include "surface/surface.h"

namespace {

using scripted::display;

class MonitorRates : public scripted::DisplayTest {};

TEST_F(MonitorRates, OneMonitor) {
  display.rates = {75};
  EXPECT_EQ(monitorRate(0), 75);
  EXPECT_EQ(monitorCount, 1);
  EXPECT_EQ(monitorRate(1), 0);
}

TEST_F(MonitorRates, SeventeenMonitorsRecordSixteenRates) {
  display.monitors.clear();
  display.rates.clear();
  for (int i = 0; i < 17; ++i) {
    display.monitors.push_back(Rect{i * 1920, 0, (i + 1) * 1920, 1080});
    display.rates.push_back(100 + i);
  }
  EXPECT_EQ(monitorRate(15), 115);
  EXPECT_EQ(monitorCount, 17);
  EXPECT_EQ(display.frequencyQueries, 16);
  for (int i = 0; i < maxMonitorRates; ++i) EXPECT_EQ(monitorRates[i], 100 + i);
  // Index 16 has no slot: no rate, no write (the sanitizer build watches the table's
  // end).
  EXPECT_EQ(monitorRate(16), 0);
}

TEST_F(MonitorRates, BadIndexOrFailedEnumerationGivesZero) {
  for (int index : {-1, 16, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(monitorRate(index), 0) << index;
  }
  EXPECT_EQ(display.frequencyQueries, 0);

  EXPECT_EQ(monitorRate(0), 60);
  display.enumFails = 1;
  EXPECT_EQ(monitorRate(0), 0);  // the stale rate is cleared first
  EXPECT_EQ(monitorRates[0], 0);
}

TEST_F(MonitorRates, PacingAsksTheRightmostMonitorOnceTheWindowMoved) {
  display.monitors = {Rect{0, 0, 1920, 1080}, Rect{1920, 0, 3200, 1024}};
  display.rates = {60, 75};
  initPacing(-1, nullptr);
  EXPECT_EQ(pacing.frameRate, 30);
  ASSERT_EQ(moveToRightmostMonitor(), 1);
  initPacing(-1, nullptr);
  EXPECT_EQ(pacing.frameRate, 25);
}

class RightmostMonitor : public scripted::DisplayTest {};

TEST_F(RightmostMonitor, MovesOntoTheMonitorWithTheGreatestLeftEdge) {
  const Rect primary{0, 0, 1920, 1080}, left{-1920, 0, 0, 1200};
  const struct {
    const char* name;
    std::vector<Rect> monitors;
    Rect moved;  // x, y, width, height
  } cases[] = {
      {"right of the primary", {primary, Rect{1920, 0, 3200, 1024}}, {1920, 0, 1280, 1024}},
      // A monitor left of the primary is not chosen; alone, it is the rightmost.
      {"left, primary", {left, primary}, {0, 0, 1920, 1080}},
      {"primary, left", {primary, left}, {0, 0, 1920, 1080}},
      {"left alone", {left}, {-1920, 0, 1920, 1200}},
      // Empty or oversized rectangles are passed over.
      {"empty or oversized",
       {primary, Rect{5000, 0, 5000, 1080}, Rect{6000, 0, 5000, 1080}, Rect{7000, 10, 8000, 10},
        Rect{9000, INT32_MIN, 9100, INT32_MAX}},
       {0, 0, 1920, 1080}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    resetDisplay();
    display.monitors = c.monitors;
    EXPECT_EQ(moveToRightmostMonitor(), 1);
    EXPECT_EQ(display.moves, 1);
    EXPECT_EQ(display.moved.left, c.moved.left);
    EXPECT_EQ(display.moved.top, c.moved.top);
    EXPECT_EQ(display.moved.right, c.moved.right);
    EXPECT_EQ(display.moved.bottom, c.moved.bottom);
    EXPECT_EQ(shellConfig.windowWidth, c.moved.right);
    EXPECT_EQ(shellConfig.windowHeight, c.moved.bottom);
    EXPECT_EQ(onRightmostMonitor, 1);
  }
}

TEST_F(RightmostMonitor, TiesKeepTheFirstAndASecondSearchKeepsTheFirstResult) {
  display.monitors = {Rect{1920, 0, 3840, 1080}, Rect{1920, 100, 3200, 1124}};
  ASSERT_EQ(moveToRightmostMonitor(), 1);
  EXPECT_EQ(display.moved.top, 0);
  EXPECT_EQ(display.moved.right, 1920);

  display.monitors = {Rect{0, 0, 1920, 1080}, Rect{1000, 0, 2000, 800}};
  ASSERT_EQ(moveToRightmostMonitor(), 1);
  EXPECT_EQ(display.moved.left, 1920);
  EXPECT_EQ(display.moved.right, 1920);
}

TEST_F(RightmostMonitor, FailuresLeaveTheWindowWhereItWas) {
  display.enumFails = 1;
  EXPECT_EQ(moveToRightmostMonitor(), 0);
  EXPECT_EQ(display.moves, 0);
  EXPECT_EQ(useRightmostMonitor(), 0);

  resetDisplay();
  display.moveFails = 1;
  EXPECT_EQ(moveToRightmostMonitor(), 0);
  EXPECT_EQ(onRightmostMonitor, 0);
}

TEST_F(RightmostMonitor, UseSetsTheScreenSizeRoundedToEight) {
  const BackBuffer saved = backBuffer;
  backBuffer.pixels = nullptr;
  display.monitors = {Rect{0, 0, 1920, 1080}, Rect{1920, 0, 3286, 768}};
  EXPECT_EQ(useRightmostMonitor(), 1);
  EXPECT_EQ(display.moved.right, 1366);
  EXPECT_EQ(backBuffer.surfaceWidth, 1368);
  EXPECT_EQ(backBuffer.surfaceHeight, 768);
  EXPECT_EQ(shellConfig.windowWidth, 1368);
  backBuffer = saved;
}

}  // namespace
