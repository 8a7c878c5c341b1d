// The load average, the overload callback, the threshold and its cooldown, and the
// effective rate, driven by frames of a chosen load on the counter at 30 per second.

#include "pacing_fake.h"

namespace {

using scripted::display;

std::vector<int> overloadCalls;
void recordOverload(int state) { overloadCalls.push_back(state); }

class LoadAverage : public scripted::DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    overloadCalls.clear();
    initPacing(-1, recordOverload);
    frame(0);  // starts the clock
  }
  // A frame whose drawing takes `load` periods.
  static void loadFrame(double load) { frame(load * 1e6 / 30); }
  static void loadFrames(int count, double load) {
    for (int i = 0; i < count; ++i) loadFrame(load);
  }
};

TEST_F(LoadAverage, SustainedDoubleLoadOverloadsOnceAndHalvesTheRate) {
  ASSERT_EQ(pacing.frameRate, 30);
  int lastEffective = 30;
  for (int i = 0; i < 600; ++i) {
    const float before = pacing.loadAverage;
    const std::size_t callsBefore = overloadCalls.size();
    loadFrame(2);
    ASSERT_NEAR(pacing.frameLoad, 2.0f, 1e-5f);
    if (overloadCalls.size() != callsBefore) {
      // Called on the frame that lifts the average above 1.
      EXPECT_LE(before, 1.0f);
      EXPECT_GT(pacing.loadAverage, 1.0f);
    }
    EXPECT_LE(pacing.effectiveRate, lastEffective);
    lastEffective = pacing.effectiveRate;
  }
  EXPECT_EQ(overloadCalls, std::vector<int>{1});
  EXPECT_EQ(pacing.overloaded, 1);
  EXPECT_NEAR(pacing.loadAverage, 2.0f, 1e-3f);
  EXPECT_EQ(pacing.effectiveRate, 15);
}

TEST_F(LoadAverage, LightFramesKeepTheFullRate) {
  loadFrames(600, 0.4);
  EXPECT_EQ(pacing.effectiveRate, 30);
  EXPECT_NEAR(pacing.loadAverage, 0.4f, 0.02f);
  EXPECT_TRUE(overloadCalls.empty());
}

TEST_F(LoadAverage, AnOutlierAboveEightChangesNothing) {
  loadFrames(100, 2);
  pacing.overloadCooldown = 5;
  const PacingState before = pacing;
  loadFrame(10);
  EXPECT_GT(pacing.frameLoad, 8.0f);
  EXPECT_EQ(pacing.loadAverage, before.loadAverage);
  EXPECT_EQ(pacing.effectiveRate, before.effectiveRate);
  EXPECT_EQ(pacing.overloadThreshold, before.overloadThreshold);
  EXPECT_EQ(pacing.overloadCooldown, 5);
  EXPECT_EQ(pacing.overloaded, 1);
}

TEST_F(LoadAverage, AnOutlierAsTheFirstPacedFrameLeavesTheRateUnset) {
  loadFrame(9);
  EXPECT_FLOAT_EQ(pacing.loadAverage, 0.7f);
  EXPECT_EQ(pacing.effectiveRate, 0);
}

TEST_F(LoadAverage, OverloadEndsBelowTheThresholdThenCoolsDownFor1024Frames) {
  loadFrames(300, 2);
  overloadCalls.clear();
  int frames = 0;
  while (pacing.overloaded && frames < 5000) {
    loadFrame(0.3);
    ++frames;
  }
  EXPECT_EQ(overloadCalls, std::vector<int>{0});
  EXPECT_LT(pacing.loadAverage, 0.75f);
  EXPECT_GT(pacing.loadAverage, 0.74f);  // it ended on the first frame below
  EXPECT_EQ(pacing.overloadCooldown, 1023);
  EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.75f);

  loadFrames(1022, 0.3);
  EXPECT_EQ(pacing.overloadCooldown, 1);
  EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.75f);
  loadFrame(0.3);
  EXPECT_EQ(pacing.overloadCooldown, 0);
  EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.85f);

  loadFrames(2000, 0.3);
  EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.85f);
  EXPECT_EQ(overloadCalls, std::vector<int>{0});
}

TEST_F(LoadAverage, ARiseDuringTheCooldownLowersTheThresholdOnce) {
  loadFrames(300, 2);
  while (pacing.overloaded) loadFrame(0.3);
  overloadCalls.clear();
  bool lowered = false;
  for (int i = 0; i < 300; ++i) {
    loadFrame(2);
    if (!lowered && pacing.overloadCooldown == 0) {
      lowered = true;
      EXPECT_GT(pacing.loadAverage, 0.9f);
      EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.65f);
    }
  }
  EXPECT_TRUE(lowered);
  EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.65f);
  EXPECT_EQ(overloadCalls, std::vector<int>{1});

  // The next overload ends only below 0.65.
  overloadCalls.clear();
  while (pacing.overloaded) loadFrame(0.3);
  EXPECT_LT(pacing.loadAverage, 0.65f);
  EXPECT_EQ(overloadCalls, std::vector<int>{0});
}

TEST_F(LoadAverage, TheThresholdStaysWithin015And085) {
  // Lowered to 0.15 at least.
  for (float start : {0.2f, 0.15f}) {
    pacing.overloadThreshold = start;
    pacing.overloadCooldown = 100;
    pacing.loadAverage = 0.95f;
    loadFrame(2);
    EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.15f) << start;
    EXPECT_EQ(pacing.overloadCooldown, 0);
  }
  // Raised to 0.85 at most, and only when the average is below 0.85.
  pacing.overloaded = 0;
  pacing.overloadThreshold = 0.8f;
  pacing.overloadCooldown = 1;
  pacing.loadAverage = 0.5f;
  loadFrame(0.3);
  EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.85f);

  pacing.overloadThreshold = 0.75f;
  pacing.overloadCooldown = 1;
  pacing.loadAverage = 0.9f;
  loadFrame(0.88);
  EXPECT_EQ(pacing.overloadCooldown, 0);
  EXPECT_GE(pacing.loadAverage, 0.85f);
  EXPECT_FLOAT_EQ(pacing.overloadThreshold, 0.75f);
}

TEST_F(LoadAverage, AResetWhileOverloadedEndsTheOverload) {
  loadFrames(100, 2);
  ASSERT_EQ(pacing.overloaded, 1);
  overloadCalls.clear();
  initPacing(-1, nullptr);
  EXPECT_EQ(overloadCalls, std::vector<int>{0});
  EXPECT_EQ(pacing.overloaded, 0);
  EXPECT_FLOAT_EQ(pacing.loadAverage, 0.7f);
  // Without a callback an overload still runs its course.
  frame(0);
  loadFrames(100, 2);
  EXPECT_EQ(pacing.overloaded, 1);
  EXPECT_EQ(overloadCalls, std::vector<int>{0});
}

}  // namespace
