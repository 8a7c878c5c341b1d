// Frame pacing. present() calls adaptRate() (which paces) and then
// startFrameClock(), so a frame's time runs from the end of one presentation to
// the start of the next. The float state is stored as float after every step;
// shares of a period are worked out in double and stored once.

#include "shell/pacing.h"

#include <climits>
#include <cstdlib>

#include "platform/platform.h"
#include "shell/monitors.h"

PacingState pacing;

namespace {

constexpr int measureTargetMs = 33;  // the blank period nearest this is measured
constexpr int measureMaxWaits = 30;

void noOverloadCallback(int) {}

// Counter ticks while pacing on the performance counter, else timeGetTime's
// milliseconds (high half 0). The blank measurement always reads milliseconds.
std::int64_t readClock() {
  if (!pacing.useVerticalBlank && pacing.usePerformanceCounter) {
    std::int64_t now = 0;
    platform.queryPerformanceCounter(now);
    return now;
  }
  return platform.timeGetTime();
}

// Truncation that saturates: slack comes from a 32-bit elapsed time and a rate the
// caller chose, and an elapsed time that wrapped to negative must not overflow the
// int.
int truncToInt(double value) {
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

int sleepBefore(int slackMs) { return slackMs - 1 > 0 ? slackMs - 1 : 0; }

// Whether `periodMs` can be a display's; `settled`: a later wait came no closer to
// 33 ms. For a display refreshing every I ms the nearest
// multiple of I is I itself when I >= 22 and otherwise lies within I / 2 of 33 ms,
// so every display from 10 Hz up measures 22..100 ms; 20 leaves room for the
// millisecond clock and a late wake-up. A wait that returns at once measures 0 ms;
// one that polls every millisecond never settles within 30 waits.
bool fitsADisplay(int periodMs, bool settled) {
  return settled && periodMs >= 20 && periodMs <= 100;
}

// The whole number of refresh intervals closest to 33 ms: the first minimum of the
// distance |t - t0 - 33| over up to 30 blanks. 0 when the waits are not a display's.
int measureBlankPeriod() {
  if (!platform.waitVerticalBlank()) return 0;
  const std::uint32_t t0 = platform.timeGetTime();
  int bestDistance = INT_MAX;
  std::uint32_t best = t0;
  bool settled = false;
  for (int i = 0; i < measureMaxWaits; ++i) {
    if (!platform.waitVerticalBlank()) return 0;
    const std::uint32_t t = platform.timeGetTime();
    const int d = std::abs(static_cast<int>(t - t0) - measureTargetMs);
    if (d < bestDistance) {
      bestDistance = d;
      best = t;
    } else {
      settled = true;
      break;
    }
  }
  const int period = static_cast<int>(best - t0);
  return fitsADisplay(period, settled) ? period : 0;
}

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
    // A counter that reports no frequency would divide by zero in every frame.
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
  if (!p.useVerticalBlank || platform.systemMajorVersion() < 6) {
    p.useVerticalBlank = 0;
    return;
  }
  if (!platform.createVerticalBlank()) {
    p.useVerticalBlank = 0;
    return;
  }
  p.verticalBlankCreated = 1;
  const int period = measureBlankPeriod();
  if (period == 0) {
    // NOTE: virtual displays and some drivers (Wine on Xvfb among them) return from
    // the wait at once; 1000 / 0 would follow. Pace as if there were no blank.
    releasePacing();
    p.useVerticalBlank = 0;
    return;
  }
  p.blankPeriodMs = period;
  p.frameRate = static_cast<int>(1000.0 / p.blankPeriodMs + 0.6);
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
    p.frameSlack = truncToInt(static_cast<double>(p.blankPeriodMs) - p.frameElapsed);
    p.frameLoad = static_cast<float>(1.0 - static_cast<double>(p.frameSlack) / p.blankPeriodMs);
    if (p.frameSlack < 0) return 1;
    platform.sleep(static_cast<std::uint32_t>(sleepBefore(p.frameSlack)));
    platform.waitVerticalBlank();
    return 1;
  }

  if (p.usePerformanceCounter) {
    const std::int64_t ticks = p.counterFrequency / rate;
    const double period = static_cast<double>(p.counterFrequency) / rate;
    double x = (period - p.frameElapsed) / period;
    if (x > 1.0) x = 0.25;  // wrapped or stale start: a quarter period of slack
    p.frameLoad = static_cast<float>(1.0 - x);
    p.frameSlack = truncToInt(x * 1000.0 / rate);
    if (p.frameSlack < 0) return 1;
    platform.sleep(static_cast<std::uint32_t>(sleepBefore(p.frameSlack)));
    // The last millisecond on the counter; a clock that went back ends the wait.
    const std::int64_t deadline = p.frameStart + ticks;
    for (;;) {
      const std::int64_t left = deadline - readClock();
      if (left <= 0) break;
      platform.sleep(0);
      if (left > ticks) break;
    }
    return 1;
  }

  const double period = 1000.0 / rate;
  p.frameSlack = truncToInt(period - p.frameElapsed);
  p.frameLoad = static_cast<float>(1.0 - p.frameSlack / period);
  if (p.frameSlack > 0) platform.sleep(static_cast<std::uint32_t>(p.frameSlack));
  return 1;
}

void adaptRate() {
  PacingState& p = pacing;
  if (!paceFrame(p.frameRate)) return;
  if (p.frameLoad > p.loadAverage) {
    if (p.frameLoad > 8.0f) return;  // an outlier changes nothing, not even effectiveRate
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
      p.overloadCooldown = 1024;  // decreased below at once: 1023 remain
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
