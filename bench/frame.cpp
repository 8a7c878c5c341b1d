// The sea's whole frame without presentation (sky, disc, 20 wave layers with foam,
// noise included) at 1920x1080, 3840x2160 and 7680x4320 (133 MB a view), single thread,
// then on one and two drawing threads, and where its time goes.
//
// BM_FrameShares replays each frame step by step in thread CPU time: the noise (the
// 20 layer edges sampled), the sky fill and the disc above the rows the waves hide,
// the waves with the coverage routines replaced by no-ops (path building and
// rasterization without pixels) and the waves for real; plotting is the real waves
// less the no-op ones. Counters are medians in ms, and each step's share of the
// whole frame; "sky_memset_ms" is memset of the sky's rows (every other iteration),
// the write floor for the sky there. BM_FrameThreads and BM_ViewMemsetThreads time
// the frame and the view's memset on one and two drawing threads.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <utility>

#include "frame_bench_support.h"
#include "vector/band_threads.h"
#include "vector/shapes.h"

namespace {

void noPixel(Color*, Color, int) {}
void noRun(Color*, Color, int, int) {}

void BM_Frame(benchmark::State& state) {
  SeaBenchScene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) drawScene();
}
BENCHMARK(BM_Frame)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Args({7680, 4320})
    ->Unit(benchmark::kMillisecond);

// The three views on one and on two drawing threads, in wall-clock time: the
// threads' CPU time adds up, what the renderer's --threads buys is the elapsed time.
void onOneAndTwoThreads(benchmark::internal::Benchmark* b) {
  b->ArgNames({"width", "height", "threads"})
      ->ArgsProduct({{1920}, {1080}, {1, 2}})
      ->ArgsProduct({{3840}, {2160}, {1, 2}})
      ->ArgsProduct({{7680}, {4320}, {1, 2}})
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

// The scene on a view of its own, drawn on the benchmark's count of threads.
struct ThreadedScene {
  SeaBenchScene scene;
  explicit ThreadedScene(const benchmark::State& state)
      : scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))) {
    setDrawingThreads(static_cast<int>(state.range(2)));
  }
  ~ThreadedScene() { setDrawingThreads(1); }
};

// The frame drawn in bands.
void BM_FrameThreads(benchmark::State& state) {
  ThreadedScene scene(state);
  for (auto _ : state) drawScene();
}
BENCHMARK(BM_FrameThreads)->Apply(onOneAndTwoThreads);

void BM_FrameShares(benchmark::State& state) {
  SeaBenchScene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<double> frame, sky, floor, disc, noise, raster, waves;
  bool memsetTurn = false;
  for (auto _ : state) {
    const float phaseBefore = wavePhase, discBefore = discX;
    const double t0 = cpuMs();
    drawScene();
    const double t1 = cpuMs();
    wavePhase = phaseBefore;
    discX = discBefore;
    sampleWaveLayers();
    const int hidden = wavesHideFrom();
    const double t2 = cpuMs();
    // Every other iteration, memset writes the sky's rows instead: the floor for the
    // sky in the same place of the frame (the disc overwrites either).
    if (memsetTurn) {
      const std::size_t rowBytes = static_cast<std::size_t>(backBuffer.viewWidth) * sizeof(Color);
      for (int y = 0; y < hidden; ++y) std::memset(viewPixel(0, y), 0x40, rowBytes);
      benchmark::ClobberMemory();
    } else {
      drawSky(hidden, 0, backBuffer.viewHeight);
    }
    const double t3 = cpuMs();
    drawDisc(discBefore, hidden);
    const double t4 = cpuMs();
    coverageRoutines = {noPixel, noRun, BLEND_COPY};  // mode 1: the fills keep the pair
    drawSampledWaveLayers();
    installDefaultCoverageRoutines();
    const double t5 = cpuMs();
    drawSampledWaveLayers();
    const double t6 = cpuMs();
    frame.push_back(t1 - t0);
    noise.push_back(t2 - t1);
    (memsetTurn ? floor : sky).push_back(t3 - t2);
    memsetTurn = !memsetTurn;
    disc.push_back(t4 - t3);
    raster.push_back(t5 - t4);
    waves.push_back(t6 - t5);
  }
  const double f = median(frame), s = median(sky), d = median(disc), n = median(noise);
  const double r = median(raster), w = median(waves);
  // raster + plot add up to the real waves; the rest is what the steps measured
  // apart do not account for.
  const std::pair<const char*, double> steps[] = {{"sky", s},      {"disc", d},
                                                  {"noise", n},    {"raster", r},
                                                  {"plot", w - r}, {"rest", f - s - d - n - w}};
  state.counters["frame_ms"] = f;
  state.counters["sky_memset_ms"] = median(floor);
  for (const auto& [name, ms] : steps) {
    state.counters[std::string(name) + "_ms"] = ms;
    state.counters[std::string(name) + "_share"] = f > 0.0 ? ms / f : 0.0;
  }
}
BENCHMARK(BM_FrameShares)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Args({7680, 4320})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// The write floor: memset over the whole view.
void BM_ViewMemset(benchmark::State& state) {
  SeaBenchScene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::size_t bytes =
      static_cast<std::size_t>(backBuffer.surfaceWidth) * backBuffer.surfaceHeight * sizeof(Color);
  int value = 0;
  for (auto _ : state) {
    std::memset(backBuffer.pixels, ++value & 0xFF, bytes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ViewMemset)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Args({7680, 4320})
    ->Unit(benchmark::kMillisecond);

// The same floor on one and two threads, each writing its half of the view at once,
// in wall-clock time: what two cores gain on writes alone.
void BM_ViewMemsetThreads(benchmark::State& state) {
  ThreadedScene scene(state);
  for (auto _ : state) {
    runOnDrawingThreads([](int index, int count) {
      const std::size_t bytes = static_cast<std::size_t>(backBuffer.surfaceWidth) *
                                backBuffer.surfaceHeight * sizeof(Color);
      const std::size_t from = bytes * index / count, to = bytes * (index + 1) / count;
      std::memset(backBuffer.pixels + from, 0x40 + index, to - from);
    });
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ViewMemsetThreads)->Apply(onOneAndTwoThreads);

}  // namespace

BENCHMARK_MAIN();
