// Frame pacing. present() calls adaptRate() (which paces) and then
// startFrameClock(), so a frame's time runs from the end of one presentation to
// the start of the next. Every float step is stored as float.

#include "shell/pacing.h"

#include <cstdlib>

#include "platform/platform.h"
#include "shell/monitors.h"

PacingState pacing;

namespace {

void noOverloadCallback(int) {}

std::int64_t readClock() {
  if (!pacing.useVerticalBlank && pacing.usePerformanceCounter) {
    std::int64_t now = 0;
    platform.queryPerformanceCounter(now);
    return now;
  }
  return platform.timeGetTime();
}

// The whole number of refresh intervals closest to 33 ms, measured on the blank.
// Returns 0 when the waits do not block (no interval fits), which callers treat as
// "no usable vertical blank".
int measureBlankPeriod() {
  if (!platform.waitVerticalBlank()) return 0;
  const std::uint32_t t0 = platform.timeGetTime();
  int bestDistance = -1;
  std::uint32_t best = t0;
  for (int i = 0; i < 30; ++i) {
    if (!platform.waitVerticalBlank()) return 0;
    const std::uint32_t t = platform.timeGetTime();
    const int d = std::abs(static_cast<int>(t - t0) - 33);
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = t;
    } else {
      break;
    }
  }
  return static_cast<int>(best - t0);
}

// A period no display can have: faster than 250 Hz per interval would need more
// than eight intervals in 33 ms, and anything beyond 100 ms is no refresh rate.
bool plausibleBlankPeriod(int ms) { return ms >= 8 && ms <= 100; }

}  // namespace

void releasePacing() {
  if (pacing.verticalBlankCreated) {
    platform.releaseVerticalBlank();
    pacing.verticalBlankCreated = 0;
  }
}

void resetPacing() {
  PacingState& p = pacing;
  p.frameRate = 30;
  p.effectiveRate = 0;
  if (p.usePerformanceCounter) {
    p.usePerformanceCounter = platform.queryPerformanceFrequency(p.counterFrequency) ? 1 : 0;
    if (p.counterFrequency <= 0) p.usePerformanceCounter = 0;
  }
  p.clockRunning = 0;
  p.clockStopped = 0;
  if (p.overloaded) {
    p.overloaded = 0;
    if (p.overloadCallback) p.overloadCallback(0);
  }
  p.loadAverage = 0.7f;
  p.overloadCooldown = 0;
  p.overloaded = 0;
  p.overloadThreshold = 0.75f;
  releasePacing();
  if (p.useVerticalBlank && platform.systemMajorVersion() >= 6) {
    if (!platform.createVerticalBlank()) {
      p.useVerticalBlank = 0;
      return;
    }
    p.verticalBlankCreated = 1;
    const int period = measureBlankPeriod();
    if (!plausibleBlankPeriod(period)) {
      // A wait that returns at once (virtual displays, some drivers) measures 0 ms;
      // fall back to the counter exactly as when there is no vertical blank.
      releasePacing();
      p.useVerticalBlank = 0;
      return;
    }
    p.blankPeriodMs = period;
    p.frameRate = static_cast<int>(1000.0 / p.blankPeriodMs + 0.6);
  } else {
    p.useVerticalBlank = 0;
  }
}

void initPacing(int rate, void (*callback)(int)) {
  resetPacing();
  if (rate != -1) {
    // A rate of 0 or below would divide by zero in every clock mode.
    pacing.frameRate = rate > 0 ? rate : 30;
  } else if (!pacing.useVerticalBlank) {
    const int hz = monitorRate(onRightmostMonitor);
    if (hz != 0 && hz % 25 == 0) pacing.frameRate = 25;
  }
  pacing.overloadCallback = callback ? callback : noOverloadCallback;
}

void startFrameClock() {
  if (pacing.clockStopped) return;
  pacing.frameStart = readClock();
  pacing.clockRunning = 1;
}

int paceFrame(int rate) {
  PacingState& p = pacing;
  if (!p.clockRunning) return 0;
  p.clockRunning = 0;
  p.frameElapsed = static_cast<int>(static_cast<std::uint32_t>(readClock() - p.frameStart));
  if (rate <= 0) rate = 30;

  if (p.useVerticalBlank) {
    p.frameSlack = p.blankPeriodMs - p.frameElapsed;
    p.frameLoad = 1.0f - static_cast<float>(p.frameSlack) / static_cast<float>(p.blankPeriodMs);
    if (p.frameSlack < 0) return 1;
    platform.sleep(p.frameSlack - 1 > 0 ? p.frameSlack - 1 : 0);
    platform.waitVerticalBlank();
    return 1;
  }

  if (p.usePerformanceCounter) {
    const std::int64_t ticks = p.counterFrequency / rate;
    const double period = static_cast<double>(p.counterFrequency) / rate;
    float x = static_cast<float>((period - p.frameElapsed) / period);
    if (x > 1.0f) x = 0.25f;  // wrapped or stale start: a quarter period of slack
    p.frameLoad = 1.0f - x;
    p.frameSlack = static_cast<int>(x * 1000.0f / static_cast<float>(rate));
    if (p.frameSlack < 0) return 1;
    platform.sleep(p.frameSlack - 1 > 0 ? p.frameSlack - 1 : 0);
    const std::int64_t deadline = p.frameStart + ticks;
    for (;;) {
      const std::int64_t left = deadline - readClock();
      if (left <= 0 || left > ticks) break;
      platform.sleep(0);
    }
    return 1;
  }

  const double period = 1000.0 / rate;
  p.frameSlack = static_cast<int>(period - p.frameElapsed);
  p.frameLoad = static_cast<float>(1.0 - p.frameSlack / period);
  if (p.frameSlack > 0) platform.sleep(static_cast<std::uint32_t>(p.frameSlack));
  return 1;
}

void adaptRate() {
  PacingState& p = pacing;
  if (!paceFrame(p.frameRate)) return;
  if (p.frameLoad > p.loadAverage) {
    if (p.frameLoad > 8.0f) return;  // an outlier changes nothing
    p.loadAverage = p.loadAverage + (p.frameLoad - p.loadAverage) / 32.0f;
    if (p.overloadCooldown != 0 && p.loadAverage > 0.9f) {
      p.overloadThreshold = p.overloadThreshold - 0.1f;
      if (p.overloadThreshold < 0.15f) p.overloadThreshold = 0.15f;
      p.overloadCooldown = 0;
    }
    if (!p.overloaded && p.loadAverage > 1.0f) {
      p.overloaded = 1;
      if (p.overloadCallback) p.overloadCallback(1);
    }
  } else {
    p.loadAverage = p.loadAverage + (p.frameLoad - p.loadAverage) / 128.0f;
    if (p.overloaded && p.overloadThreshold > p.loadAverage) {
      p.overloaded = 0;
      if (p.overloadCallback) p.overloadCallback(0);
      p.overloadCooldown = 1024;
    }
  }
  if (p.overloadCooldown != 0) {
    --p.overloadCooldown;
    if (p.overloadCooldown == 0 && p.loadAverage < 0.85f) {
      p.overloadThreshold = p.overloadThreshold + 0.1f;
      if (p.overloadThreshold > 0.85f) p.overloadThreshold = 0.85f;
    }
  }
  p.effectiveRate = p.loadAverage > 1.0f
                        ? static_cast<int>(static_cast<float>(p.frameRate) / p.loadAverage + 0.5f)
                        : p.frameRate;
}
