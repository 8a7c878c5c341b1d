// Polygon fill speed: one frame's 20 wave layers at 1920x1080 and 3840x2160, a disc
// as tall as the view, and 1000 small circles. The same layers with the coverage
// routines replaced by no-ops show what the rasterizer costs without the pixels.

#include <benchmark/benchmark.h>

#include <random>

#include "raster_bench_support.h"
#include "vector/shapes.h"

namespace {

void noPixel(Color*, Color, int) {}
void noRun(Color*, Color, int, int) {}

void BM_WaveLayers(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  BenchSurface surface(width, height);
  const auto layers = waveLayers(width, height, static_cast<WaveShape>(state.range(2)));
  for (auto _ : state) fillWaveLayers(layers);
  state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(BM_WaveLayers)
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_WaveLayersCellsOnly(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  BenchSurface surface(width, height);
  const auto layers = waveLayers(width, height, static_cast<WaveShape>(state.range(2)));
  coverageRoutines = {noPixel, noRun, 1};
  for (auto _ : state) fillWaveLayers(layers);
  installDefaultCoverageRoutines();
}
BENCHMARK(BM_WaveLayersCellsOnly)
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_FullHeightDisc(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  BenchSurface surface(width, height);
  for (auto _ : state) fillCircle(width * 0.6f, height * 0.5f, height * 0.5f, 0xFFF0E0C0, 1);
}
BENCHMARK(BM_FullHeightDisc)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

void BM_SmallCircles(benchmark::State& state) {
  BenchSurface surface(1920, 1080);
  struct Circle {
    float x, y, r;
  };
  std::vector<Circle> circles;
  std::mt19937 random(1);
  std::uniform_real_distribution<float> x(0, 1920), y(0, 1080), r(2, 12);
  for (int i = 0; i < 1000; ++i) circles.push_back({x(random), y(random), r(random)});
  for (auto _ : state) {
    for (const Circle& c : circles) fillCircle(c.x, c.y, c.r, 0xFFFFFFFF, 2);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SmallCircles)->Unit(benchmark::kMicrosecond);

// A dense outline far beyond the cell store, drawn in bands: 2,000 random edges of
// up to 16,000 pixels over 1920x1080, one sub-path whose corners lie within 7,950
// columns of the view's centre and 200 rows of the view, so that most edges cross
// many of its rows; under the rule given (0 non-zero, 1 even-odd).
void BM_DenseRandomEdges(benchmark::State& state) {
  BenchSurface surface(1920, 1080);
  std::vector<PathPoint> points;
  std::mt19937 random(1);
  std::uniform_real_distribution<float> x(960 - 7950, 960 + 7950), y(-200, 1280);
  for (int i = 0; i < 2000; ++i) points.push_back({x(random), y(random)});
  setFillRule(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    beginPath();
    for (const PathPoint& p : points) addPoint(p.x, p.y);
    fillPath(0xFFFFFFFF, 1);
  }
  state.counters["banded"] = cellRasterizer.overflowed;
  setFillRuleEvenOdd();
}
BENCHMARK(BM_DenseRandomEdges)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
