// Noise sampling speed: single two-dimensional samples, and the noise work of one
// frame of the sea's wave layers on a 1920-wide view.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "noise/noise.h"
#include "noise/random.h"

namespace {

// The scene's grid: 51 x 51 values, 100 units per lattice step.
const NoiseGrid2D& sceneGrid() {
  static NoiseGrid2D g = [] {
    RandomSeed = 347347347u;
    NoiseGrid2D n;
    init2D(n, 50, 50, 100.0f);
    return n;
  }();
  return g;
}

// Coordinates walk across several periods so that both the fmod path and the
// in-range path of the wrap are taken, as the waves do.
void BM_Sample2D(benchmark::State& state) {
  const NoiseGrid2D& g = sceneGrid();
  const int type = static_cast<int>(state.range(0));
  const int typeX = static_cast<int>(state.range(1));
  const float amplitude = state.range(2) ? 0.2f : 0.0f;
  float x = -3000.0f, y = 1234.5f;
  for (auto _ : state) {
    for (int k = 0; k < 1024; ++k) {
      benchmark::DoNotOptimize(sample2D(g, x, y, type, amplitude, typeX));
      x += 13.7f;
      if (x > 12000.0f) x = -3000.0f;
    }
    y += 0.75f;
  }
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_Sample2D)
    ->ArgNames({"type", "typeX", "amp"})
    ->Args({1, 4, 1})
    ->Args({1, -1, 0})
    ->Args({0, -1, 0});

// The three samples per outline point of every wave layer, with the layers'
// window, stretch and amplitude as the scene sets them (force 1.5, 3-pixel steps).
void BM_WaveFrameNoise(benchmark::State& state) {
  const NoiseGrid2D& g = sceneGrid();
  constexpr int layers = 20;
  constexpr float width = 1920.0f;
  constexpr double force = 1.5;
  const int points = static_cast<int>(width) / 3 + 2;
  double phase = 347.347;
  for (auto _ : state) {
    phase += 1.25;
    const double t = phase;
    float sum = 0.0f;
    for (int i = 0; i < layers; ++i) {
      const double e = i / 19.0;
      const double denom = 0.5 * (1 - e) + e;
      const double stretch = 1.7 - 1.5 * (denom != 0 ? e / denom : 0);
      const double amplitude = 0.1 + 0.8 * e;
      const float timeY = static_cast<float>(1.5 * t + 700 * e);
      const float shift = static_cast<float>(-t);
      const float x0 = static_cast<float>(2500 - 2000 * stretch + shift);
      const float span = static_cast<float>(static_cast<float>(2500 + 2000 * stretch + shift) - x0);
      const float y1 = static_cast<float>(timeY * 1.35 + 1347);
      const float y3 = static_cast<float>(timeY + 2347.0);
      const float ampRipple = static_cast<float>(force * amplitude * 0.1);
      const float ampSwell = static_cast<float>(force * amplitude * 0.15);
      float x = 0.0f;
      for (int k = 0; k < points; ++k) {
        const float u = static_cast<float>(span * x / width + x0);
        sum += sample2D(g, static_cast<float>(u * 2.5 / force), y1, 1, ampRipple, 4);
        sum += sample2D(g, static_cast<float>(u / force), timeY, 1, ampSwell, 4);
        sum += sample2D(g, static_cast<float>(u * 0.5 / force), y3, 1, 0.0f, -1);
        x += 3.0f;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["samples"] = static_cast<double>(layers * points * 3);
}
BENCHMARK(BM_WaveFrameNoise)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
