// Pacing one frame on each clock: the vertical blank, the performance counter and
// the millisecond timer; the unpaced first frame; present's order.

#include <algorithm>
#include <cmath>

#include "pacing_fake.h"
#include "surface/surface.h"

namespace {

using scripted::display;

class FrameClock : public scripted::DisplayTest {
 protected:
  // The sleeps since the last call.
  static std::vector<std::uint32_t> takeSleeps() {
    std::vector<std::uint32_t> s = display.sleeps;
    display.sleeps.clear();
    return s;
  }
};

TEST_F(FrameClock, NothingIsPacedBeforeTheClockRuns) {
  startFrameClock();  // the clock is stopped until the first reset
  EXPECT_EQ(pacing.clockRunning, 0);
  EXPECT_EQ(paceFrame(30), 0);

  initPacing(-1, nullptr);
  display.nowUs += 50000;
  adaptRate();  // the first frame after a reset only starts the clock
  EXPECT_TRUE(display.sleeps.empty());
  EXPECT_FLOAT_EQ(pacing.loadAverage, 0.7f);
  EXPECT_EQ(pacing.effectiveRate, 0);
  startFrameClock();
  EXPECT_EQ(pacing.clockRunning, 1);
  EXPECT_EQ(paceFrame(30), 1);
  EXPECT_EQ(pacing.clockRunning, 0);
}

TEST_F(FrameClock, VerticalBlankSleepsToAMillisecondBeforeThenWaits) {
  useDisplay(60, 100);
  initPacing(-1, nullptr);
  ASSERT_EQ(pacing.blankPeriodMs, 33);
  frame(0);
  takeSleeps();
  const int waits = display.waits;
  frame(10000);
  EXPECT_EQ(pacing.frameElapsed, 10);
  EXPECT_EQ(pacing.frameSlack, 23);
  EXPECT_FLOAT_EQ(pacing.frameLoad, static_cast<float>(1.0 - 23.0 / 33.0));
  EXPECT_EQ(takeSleeps(), std::vector<std::uint32_t>{22});
  EXPECT_EQ(display.waits, waits + 1);
  // The frame ends on a refresh.
  const double interval = 1e6 / 60;
  const double intoRefresh = std::fmod(display.nowUs - display.phaseUs, interval);
  EXPECT_LT(std::min(intoRefresh, interval - intoRefresh), 1e-3);

  // A frame longer than the period is not waited for.
  frame(40000);
  EXPECT_EQ(pacing.frameSlack, -7);
  EXPECT_FLOAT_EQ(pacing.frameLoad, static_cast<float>(1.0 + 7.0 / 33.0));
  EXPECT_TRUE(takeSleeps().empty());
  EXPECT_EQ(display.waits, waits + 1);
}

TEST_F(FrameClock, CounterSleepsThenSpinsToTheDeadline) {
  initPacing(-1, nullptr);  // 60 Hz monitor: 30 frames a second
  ASSERT_EQ(pacing.usePerformanceCounter, 1);
  frame(0);
  const double start = display.nowUs;
  takeSleeps();
  frame(10000);
  EXPECT_EQ(pacing.frameElapsed, 100000);
  EXPECT_NEAR(pacing.frameLoad, 0.3f, 1e-6f);
  EXPECT_EQ(pacing.frameSlack, 23);  // trunc(0.7 * 1000 / 30)
  const std::vector<std::uint32_t> sleeps = takeSleeps();
  ASSERT_FALSE(sleeps.empty());
  EXPECT_EQ(sleeps[0], 22u);
  EXPECT_TRUE(std::all_of(sleeps.begin() + 1, sleeps.end(), [](auto s) { return s == 0; }));
  // Ends at the deadline, 333333 ticks after the start, within one Sleep(0).
  const double deadline = start + 333333 / 10.0;
  EXPECT_GE(display.nowUs, deadline);
  EXPECT_LT(display.nowUs, deadline + display.sleepZeroUs + 1);

  // An overrun returns at once.
  frame(50000);
  EXPECT_LT(pacing.frameSlack, 0);
  EXPECT_NEAR(pacing.frameLoad, 1.5f, 1e-6f);
  EXPECT_TRUE(takeSleeps().empty());
}

TEST_F(FrameClock, CounterStaleStartCountsAQuarterPeriod) {
  initPacing(-1, nullptr);
  frame(0);
  takeSleeps();
  // The start lies ahead of the clock (x > 1).
  pacing.frameStart += 10 * display.counterHz;
  const double before = display.nowUs;
  frame(1000);
  EXPECT_LT(pacing.frameElapsed, 0);
  EXPECT_FLOAT_EQ(pacing.frameLoad, 0.75f);
  EXPECT_EQ(pacing.frameSlack, 8);  // trunc(0.25 * 1000 / 30)
  // Sleeps to a millisecond before, then one Sleep(0) finds the deadline out of reach.
  EXPECT_EQ(takeSleeps(), (std::vector<std::uint32_t>{7, 0}));
  EXPECT_NEAR(display.nowUs - before, 1000 + 7000 + display.sleepZeroUs, 1e-6);
}

TEST_F(FrameClock, CounterWrappedElapsedTimeCountsAQuarterPeriod) {
  display.counterHz = 1000000000;  // 1 GHz: the low 32 bits wrap after 2.1 s
  initPacing(-1, nullptr);
  frame(0);
  takeSleeps();
  frame(3e6);  // a three-second frame
  EXPECT_LT(pacing.frameElapsed, 0);
  EXPECT_FLOAT_EQ(pacing.frameLoad, 0.75f);
  EXPECT_EQ(pacing.frameSlack, 8);
  // The deadline is long past: no spin.
  EXPECT_EQ(takeSleeps(), std::vector<std::uint32_t>{7});
}

TEST_F(FrameClock, CounterSlackOfHugeElapsedTimesDoesNotOverflow) {
  display.counterHz = 1;  // one tick a second: 2^31 ticks is 68 years
  initPacing(1000000, nullptr);
  frame(0);
  pacing.frameStart -= 0x7FFFFFF0;
  frame(0);
  EXPECT_EQ(pacing.frameSlack, INT32_MIN);
  EXPECT_GT(pacing.frameLoad, 8.0f);
  EXPECT_EQ(pacing.effectiveRate, 0);
}

TEST_F(FrameClock, MillisecondTimerSleepsTheWholeSlack) {
  display.counterHz = 0;
  initPacing(-1, nullptr);
  ASSERT_EQ(pacing.usePerformanceCounter, 0);
  display.timeOffsetMs = 0xFFFFFFFBu;  // the millisecond clock wraps during the frame
  frame(0);
  takeSleeps();
  frame(10000);
  EXPECT_EQ(pacing.frameElapsed, 10);
  EXPECT_EQ(pacing.frameSlack, 23);  // trunc(33.33 - 10)
  EXPECT_FLOAT_EQ(pacing.frameLoad, static_cast<float>(1.0 - 23 / (1000.0 / 30)));
  EXPECT_EQ(takeSleeps(), std::vector<std::uint32_t>{23});

  frame(50000);
  EXPECT_EQ(pacing.frameSlack, -16);
  EXPECT_TRUE(takeSleeps().empty());
}

TEST_F(FrameClock, PresentPacesThenRestartsTheClockWhileEnabled) {
  const int enabled = backBuffer.pacingEnabled;
  const Handle surface = backBuffer.surface;
  backBuffer.surface = 0;  // nothing to copy: only the pacing runs
  backBuffer.pacingEnabled = 1;
  initPacing(-1, nullptr);
  present();
  EXPECT_TRUE(display.sleeps.empty());
  EXPECT_EQ(pacing.clockRunning, 1);
  display.nowUs += 10000;
  present();
  ASSERT_FALSE(display.sleeps.empty());
  EXPECT_EQ(display.sleeps[0], 22u);
  EXPECT_EQ(pacing.clockRunning, 1);
  EXPECT_EQ(pacing.frameStart, static_cast<std::int64_t>(display.nowUs * display.counterHz / 1e6));

  backBuffer.pacingEnabled = 0;
  display.sleeps.clear();
  display.nowUs += 10000;
  present();
  EXPECT_TRUE(display.sleeps.empty());
  backBuffer.pacingEnabled = enabled;
  backBuffer.surface = surface;
}

TEST_F(FrameClock, ShutdownDrawingReleasesTheBlankOnce) {
  useDisplay(60);
  initPacing(-1, nullptr);
  ASSERT_EQ(pacing.verticalBlankCreated, 1);
  shutdownDrawing();
  shutdownDrawing();
  EXPECT_EQ(display.releases, 1);
}

}  // namespace
