// The vertical-blank measurement, its fallback to the counter and the rate that
// initPacing chooses.

#include <cmath>
#include <string>

#include "pacing_fake.h"

namespace {

using scripted::Blank;
using scripted::display;

class BlankMeasure : public scripted::DisplayTest {};

struct Measured {
  double hz;
  double phaseUs;
  int periodMs;
  int frameRate;
};

TEST_F(BlankMeasure, NearestWholeNumberOfRefreshesTo33Ms) {
  // 75 Hz gives 26 or 27 depending on where the millisecond clock ticks against the
  // refreshes, and so does 60 Hz: 34 for a third of the phases, at the same rate.
  const Measured cases[] = {{60, 100, 33, 30}, {60, 0, 34, 30},   {50, 0, 40, 25},
                            {50, 300, 40, 25}, {75, 100, 26, 39}, {75, 500, 27, 37},
                            {100, 0, 30, 33},  {100, 700, 30, 33}};
  for (const Measured& c : cases) {
    resetDisplay();
    useDisplay(c.hz, c.phaseUs);
    initPacing(-1, nullptr);
    SCOPED_TRACE(std::to_string(c.hz) + " Hz, phase " + std::to_string(c.phaseUs));
    EXPECT_EQ(pacing.useVerticalBlank, 1);
    EXPECT_EQ(pacing.blankPeriodMs, c.periodMs);
    EXPECT_EQ(pacing.frameRate, c.frameRate);
    EXPECT_EQ(display.releases, 0);
  }
}

TEST_F(BlankMeasure, EveryRealDisplayIsAccepted) {
  const double rates[] = {23.976, 24,     30,  48,  50,  56,  59.94, 60,  70,  72,  75,  85, 90,
                          100,    119.88, 120, 144, 165, 170, 200,   240, 280, 360, 480, 500};
  for (double hz : rates) {
    for (int phase = 0; phase < 1000; phase += 100) {
      resetDisplay();
      useDisplay(hz, phase);
      display.timeOffsetMs = 0xFFFFFFF0u;  // the millisecond clock wraps during the measurement
      initPacing(-1, nullptr);
      SCOPED_TRACE(std::to_string(hz) + " Hz, phase " + std::to_string(phase));
      ASSERT_EQ(pacing.useVerticalBlank, 1);
      // A whole number of refreshes, within the clock's millisecond, nearest 33 ms.
      const double interval = 1000.0 / hz;
      const double k = std::round(pacing.blankPeriodMs / interval);
      EXPECT_GE(k, 1);
      EXPECT_LE(std::fabs(pacing.blankPeriodMs - k * interval), 1.0);
      EXPECT_LE(std::fabs(k * interval - 33), interval / 2 + 1);
      EXPECT_EQ(pacing.frameRate, static_cast<int>(1000.0 / pacing.blankPeriodMs + 0.6));
    }
  }
}

TEST_F(BlankMeasure, WaitsThatCannotBeADisplaysFallBackToTheCounter) {
  struct Case {
    const char* name;
    Blank blank;
    double waitUs;
  };
  const Case cases[] = {
      {"returns at once", Blank::instant, 0},    {"0.5 ms polling", Blank::fixed, 500},
      {"1 ms polling", Blank::fixed, 1000},      {"0.9 ms polling", Blank::fixed, 900},
      {"200 ms per wait", Blank::fixed, 200000}, {"wait fails", Blank::failing, 0},
  };
  for (const Case& c : cases) {
    resetDisplay();
    display.rates = {75};
    display.blank = Blank::none;
    initPacing(-1, nullptr);
    const PacingState missing = pacing;

    resetDisplay();
    display.rates = {75};
    display.blank = c.blank;
    display.waitUs = c.waitUs;
    initPacing(-1, nullptr);
    SCOPED_TRACE(c.name);
    // Exactly as without a vertical blank: counter mode, the 75 Hz monitor gives 25.
    EXPECT_EQ(pacing.useVerticalBlank, 0);
    EXPECT_EQ(pacing.usePerformanceCounter, missing.usePerformanceCounter);
    EXPECT_EQ(pacing.frameRate, 25);
    EXPECT_EQ(pacing.frameRate, missing.frameRate);
    EXPECT_EQ(pacing.blankPeriodMs, missing.blankPeriodMs);
    EXPECT_EQ(pacing.verticalBlankCreated, 0);
    EXPECT_EQ(display.creates, 1);
    EXPECT_EQ(display.releases, 1);

    // Frames run on the counter, with no blank wait and a finite load.
    const int waitsBefore = display.waits;
    frame(0);
    frame(10000);
    EXPECT_EQ(display.waits, waitsBefore);
    EXPECT_EQ(pacing.frameStart,
              static_cast<std::int64_t>(display.nowUs * display.counterHz / 1e6));
    EXPECT_TRUE(std::isfinite(pacing.frameLoad));
    EXPECT_NEAR(pacing.frameLoad, 0.25f, 1e-4f);

    // The blank is not tried again on the next reset.
    initPacing(-1, nullptr);
    EXPECT_EQ(display.creates, 1);
  }
}

TEST_F(BlankMeasure, OldSystemOrMissingBlankSkipsTheMeasurement) {
  useDisplay(60);
  display.majorVersion = 5;
  initPacing(-1, nullptr);
  EXPECT_EQ(pacing.useVerticalBlank, 0);
  EXPECT_EQ(display.creates, 0);
  EXPECT_EQ(display.waits, 0);

  resetDisplay();
  display.blank = Blank::none;
  initPacing(-1, nullptr);
  EXPECT_EQ(pacing.useVerticalBlank, 0);
  EXPECT_EQ(display.creates, 1);
  EXPECT_EQ(display.releases, 0);
}

TEST_F(BlankMeasure, EachResetReleasesThePreviousObjectAndShutdownReleasesTheLast) {
  useDisplay(60);
  initPacing(-1, nullptr);
  initPacing(-1, nullptr);
  EXPECT_EQ(display.creates, 2);
  EXPECT_EQ(display.releases, 1);
  releasePacing();
  releasePacing();
  EXPECT_EQ(display.releases, 2);
  EXPECT_EQ(pacing.verticalBlankCreated, 0);
}

class RateChoice : public scripted::DisplayTest {};

TEST_F(RateChoice, WithoutABlankMultiplesOf25Give25) {
  const int monitorHz[] = {75, 60, 50, 100, 144, 0, 125};
  const int expected[] = {25, 30, 25, 25, 30, 30, 25};
  for (int i = 0; i < 7; ++i) {
    resetDisplay();
    display.rates = {monitorHz[i]};
    initPacing(-1, nullptr);
    EXPECT_EQ(pacing.frameRate, expected[i]) << monitorHz[i] << " Hz";
    EXPECT_EQ(pacing.effectiveRate, 0);
  }
}

TEST_F(RateChoice, TheMeasuredBlankRateStaysOnA75HzDisplay) {
  useDisplay(75, 100);
  display.rates = {75};
  initPacing(-1, nullptr);
  EXPECT_EQ(pacing.frameRate, 39);
  EXPECT_EQ(display.frequencyQueries, 0);
}

void recordOverload(int) {}

TEST_F(RateChoice, AGivenRateWinsWhateverTheDisplay) {
  display.rates = {75};
  initPacing(50, recordOverload);
  EXPECT_EQ(pacing.frameRate, 50);
  EXPECT_EQ(pacing.overloadCallback, &recordOverload);

  resetDisplay();
  useDisplay(60);
  initPacing(50, recordOverload);
  EXPECT_EQ(pacing.useVerticalBlank, 1);
  EXPECT_EQ(pacing.frameRate, 50);
}

TEST_F(RateChoice, ABadRateFallsBackTo30) {
  for (int rate : {0, -2, -1000000, INT32_MIN}) {
    resetDisplay();
    display.rates = {75};
    initPacing(rate, nullptr);
    EXPECT_EQ(pacing.frameRate, 30) << rate;
    frame(0);
    frame(10000);
    EXPECT_NEAR(pacing.frameLoad, 0.3f, 1e-4f);
  }
}

}  // namespace
