// Frame pacing measured on the real program: the shell, the application's own
// process function and present(), for 300 frames after a short warm-up, on the
// headless backend (virtual clock) and on SDL (a real display, e.g. Xvfb). The
// backend's presentation is wrapped to stamp each frame the process thread presents; after
// the last one the probe releases Esc, as a user would.
//
// Reported per target: the rate the pacing chose and its clock, the median and the
// 95th percentile of the frame-to-frame interval on the platform's millisecond clock
// (virtual time on headless) and on the wall clock, and the process CPU time per
// frame against the period; and the pacing's own view: its load average and the
// effective rate it derives.
//
//   bench_frame_pacing --benchmark_filter=Headless
//   xvfb-run -s "-screen 0 1920x1080x24" bench_frame_pacing --benchmark_filter=Sdl

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

#include "app/program.h"
#include "pacing_report.h"
#include "platform/headless/headless.h"
#include "platform/sdl/sdl.h"
#include "shell/pacing.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

using pacing_report::measuredFrames;
using pacing_report::warmupFrames;

using PresentRects = int (*)(Handle, Handle, const Rect*, int);

struct Probe {
  std::thread::id mainThread;
  PresentRects backendPresent = nullptr;
  int frames = 0;                  // frames presented by the process thread
  std::vector<double> wallMs;      // steady clock at each measured frame
  std::vector<double> platformMs;  // timeGetTime at each measured frame
  std::clock_t cpuFirst = 0, cpuLast = 0;
  bool exitPosted = false;
};
Probe probe;

double steadyMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int probePresent(Handle dc, Handle surface, const Rect* rects, int count) {
  const int result = probe.backendPresent(dc, surface, rects, count);
  if (std::this_thread::get_id() == probe.mainThread) return result;  // a repaint
  const int frame = probe.frames++;
  if (frame < warmupFrames || frame > warmupFrames + measuredFrames) return result;
  probe.wallMs.push_back(steadyMs());
  probe.platformMs.push_back(platform.timeGetTime());
  if (frame == warmupFrames) probe.cpuFirst = std::clock();
  if (frame == warmupFrames + measuredFrames) {
    probe.cpuLast = std::clock();
    if (!probe.exitPosted) {
      probe.exitPosted = true;
      platform.postMessage(shell.mainWindow, WM_KEYDOWN, VK_ESCAPE, 1);
      platform.postMessage(shell.mainWindow, WM_KEYUP, VK_ESCAPE, static_cast<LParam>(0xC0000001u));
    }
  }
  return result;
}

// Runs the program on the installed backend until the measured frames are in.
void runAndReport(benchmark::State& state, const char* target) {
  probe = Probe{};
  probe.mainThread = std::this_thread::get_id();
  probe.backendPresent = platform.presentRects;
  platform.presentRects = probePresent;
  pacing = PacingState{};
  resetShellState();
  runProgram(0, SW_SHOWNORMAL, withoutSplash);
  platform.presentRects = probe.backendPresent;

  if (probe.wallMs.size() != measuredFrames + 1) {
    state.SkipWithError("the program ended before the measured frames were in");
    return;
  }
  const pacing_report::Spread onPlatform = pacing_report::spreadOf(probe.platformMs);
  const pacing_report::Spread onWall = pacing_report::spreadOf(probe.wallMs);
  const double cpuMs = 1000.0 * static_cast<double>(probe.cpuLast - probe.cpuFirst) /
                       CLOCKS_PER_SEC / measuredFrames;
  const double periodMs = pacing_report::periodMs();
  state.counters["rate"] = pacing.frameRate;
  state.counters["period_ms"] = periodMs;
  state.counters["median_ms"] = onPlatform.median;
  state.counters["p95_ms"] = onPlatform.p95;
  state.counters["wall_median_ms"] = onWall.median;
  state.counters["wall_p95_ms"] = onWall.p95;
  state.counters["cpu_ms"] = cpuMs;
  state.counters["cpu_share"] = cpuMs / periodMs;
  state.counters["effective_rate"] = pacing.effectiveRate;
  pacing_report::print(target, onPlatform, onWall, cpuMs);
}

void Headless(benchmark::State& state) {
  for (auto _ : state) {
    headless::Options options;
    options.screenWidth = 1920;
    options.screenHeight = 1080;
    headless::configure(options);
    runAndReport(state, "headless");
  }
}
BENCHMARK(Headless)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void Sdl(benchmark::State& state) {
  for (auto _ : state) {
    char name[] = "brinemere";
    char* argv[] = {name, nullptr};
    if (!sdl::start(1, argv)) {
      state.SkipWithError("no display (run under xvfb-run)");
      break;
    }
    runAndReport(state, "sdl");
    sdl::stop();
  }
}
BENCHMARK(Sdl)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
