// The sampled wave edge against the sample loop written out one sample at a time
// with single noise samples: the batched noise rows and the two-lane double steps
// must give every point and height bit for bit, for any force, phase and width.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "noise/noise.h"
#include "noise/random.h"
#include "sea/sea_scene.h"
#include "sea/waves.h"
#include "surface/surface.h"

namespace {

std::uint32_t bitsOf(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

struct Sample {
  float x, row, height;
};

// The sample loop, one sample after the other, each noise value a single sample2D.
std::vector<Sample> sampleOneByOne(float level, float stretch, float amplitude, float timeY,
                                   float shift) {
  const double force = waveForce;
  const float width = static_cast<float>(backBuffer.viewWidth);
  const float bottom = static_cast<float>(backBuffer.viewMaxY);
  const float x0 = static_cast<float>(2500.0 - 2000.0 * stretch + shift);
  const float span = static_cast<float>(
      static_cast<double>(static_cast<float>(2500.0 + 2000.0 * stretch + shift)) - x0);
  const float y1 = static_cast<float>(static_cast<double>(timeY) * 1.35 + 1347.0);
  const float y3 = static_cast<float>(static_cast<double>(timeY) + 2347.0);
  std::vector<Sample> out;
  float x = 0.0f;
  for (;;) {
    const bool last = x > width;
    const float u = static_cast<float>(static_cast<double>(span) * x / width + x0);
    const float ripple = sample2D(noiseGrid, static_cast<float>(u * 2.5 / force), y1, 1,
                                  static_cast<float>(force * amplitude * 0.1), 4);
    const float swell = sample2D(noiseGrid, static_cast<float>(u / force), timeY, 1,
                                 static_cast<float>(force * amplitude * 0.15), 4);
    const float p = static_cast<float>((swell + 0.25 * ripple) * (force * 0.05 * amplitude));
    const float ground = sample2D(noiseGrid, static_cast<float>(u * 0.5 / force), y3, 1, 0.0f, -1);
    const float y =
        static_cast<float>(ground * (force * 0.075 * amplitude) + (static_cast<double>(p) + level));
    out.push_back({x, static_cast<float>(bottom - static_cast<double>(y) * bottom), y});
    x = static_cast<float>(x + 3.0);
    if (last) break;
  }
  return out;
}

struct WaveEdgeBits : ::testing::Test {
  std::vector<std::uint32_t> memory;
  void SetUp() override {
    resetScene();
    RandomSeed = 347347347u;
    init2D(noiseGrid, 50, 50, 100.0f);
  }
  void TearDown() override {
    backBuffer = BackBuffer{};
    resetScene();
  }
  void makeView(int width, int height) {
    backBuffer = BackBuffer{};
    backBuffer.surfaceWidth = width;
    backBuffer.surfaceHeight = height;
    memory.assign(static_cast<std::size_t>(width) * height, 0);
    backBuffer.pixels = reinterpret_cast<std::uint8_t*>(memory.data());
    setView(-1, -1, -1, -1, 0, 1);
  }
};

TEST_F(WaveEdgeBits, EveryPointEqualsTheSampleLoopOneByOne) {
  std::mt19937 random(5);
  // Widths giving odd and even sample counts, one past the 2000 slots.
  const int widths[] = {8, 9, 10, 640, 1024, 1366, 1920, 3840, 6001};
  WaveEdge edge;  // reused, as the scene does, across sizes
  for (int n = 0; n < 120; ++n) {
    makeView(widths[n % std::size(widths)], 64 + static_cast<int>(random() % 2000));
    waveForce = 1.0f + 0.25f * static_cast<float>(random() % 9);
    const int layer = static_cast<int>(random() % 20);
    const LayerParameters p = layerParameters(layer, 19);
    // Phases from the start value to far beyond, both directions.
    const float phase = std::uniform_real_distribution<float>(-3.4e8f, 3.4e8f)(random) /
                        static_cast<float>(1 << (random() % 28));
    const float timeY = static_cast<float>(1.5 * phase + 700.0 * layer / 19.0);
    sampleWaveEdge(p.depth, p.level, p.stretch, p.amplitude, timeY, -phase, edge);
    const std::vector<Sample> expected =
        sampleOneByOne(p.level, p.stretch, p.amplitude, timeY, -phase);
    ASSERT_EQ(edge.count, static_cast<int>(expected.size())) << "case " << n;
    for (int k = 0; k < edge.count; ++k) {
      ASSERT_EQ(bitsOf(edge.xs[k]), bitsOf(expected[k].x)) << "case " << n << " sample " << k;
      ASSERT_EQ(bitsOf(edge.heights[k]), bitsOf(expected[k].height))
          << "case " << n << " sample " << k << " force " << waveForce << " phase " << phase;
      ASSERT_EQ(bitsOf(edge.ys[k]), bitsOf(expected[k].row)) << "case " << n << " sample " << k;
    }
  }
}

}  // namespace
