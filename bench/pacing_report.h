// What the frame-pacing probes share (bench/frame_pacing.cpp on headless and SDL,
// bench/win32/frame_pacing_win32.cpp on the Win32 backend): how many frames they
// measure, the spread of the intervals between presents, and the line they print.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "shell/pacing.h"

namespace pacing_report {

constexpr int warmupFrames = 5;  // the clock's first frame and the window settling
constexpr int measuredFrames = 300;

// Median and 95th percentile (nearest rank) of the intervals between stamps.
struct Spread {
  double median = 0, p95 = 0;
};
inline Spread spreadOf(const std::vector<double>& stamps) {
  std::vector<double> d;
  for (std::size_t i = 1; i < stamps.size(); ++i) d.push_back(stamps[i] - stamps[i - 1]);
  if (d.empty()) return {};
  std::sort(d.begin(), d.end());
  const std::size_t n = d.size();
  const double median = n % 2 ? d[n / 2] : (d[n / 2 - 1] + d[n / 2]) / 2;
  return {median, d[(n * 95 + 99) / 100 - 1]};
}

inline const char* clockName() {
  if (pacing.useVerticalBlank) return "vertical blank";
  return pacing.usePerformanceCounter ? "performance counter" : "millisecond timer";
}

inline double periodMs() { return 1000.0 / pacing.frameRate; }

// One line per target: `onPlatform` from the platform's millisecond clock, `onWall`
// from a clock outside the program, `cpuMs` the process CPU time per frame.
inline void print(const char* target, const Spread& onPlatform, const Spread& onWall,
                  double cpuMs) {
  std::printf(
      "%s: %d frames at %d/s on the %s (period %.2f ms): interval median %.2f ms, "
      "95%% %.2f ms (wall: median %.2f ms, 95%% %.2f ms); CPU %.3f ms per frame, %.1f%% "
      "of the period; load average %.2f, effective rate %d/s\n",
      target, measuredFrames, pacing.frameRate, clockName(), periodMs(), onPlatform.median,
      onPlatform.p95, onWall.median, onWall.p95, cpuMs, 100.0 * cpuMs / periodMs(),
      pacing.loadAverage, pacing.effectiveRate);
  std::fflush(stdout);
}

}  // namespace pacing_report
