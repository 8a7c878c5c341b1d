// The wave layers: the layer table, the sampled edge, the foam runs, the drift.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "noise/noise.h"
#include "noise/random.h"
#include "sea/sea_scene.h"
#include "sea/waves.h"
#include "surface/surface.h"
#include "vector/path.h"

namespace {

// A view of the given size over memory of the test's own, and the scene's grid.
struct Waves : ::testing::Test {
  std::vector<std::uint32_t> memory;
  void SetUp() override {
    resetScene();
    RandomSeed = 347347347u;
    init2D(noiseGrid, 50, 50, 100.0f);
    makeView(1024, 768);
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

}  // namespace

TEST(Bias, MapsZeroToZeroAndOneToOne) {
  EXPECT_EQ(bias(0.0f, 0.7f), 0.0f);
  EXPECT_EQ(bias(1.0f, 0.7f), 1.0f);
  EXPECT_EQ(bias(0.5f, 2.0f), 1.0f);  // 1 - k t is exactly 0
  EXPECT_NEAR(bias(0.5f, 0.5f), 1.0 - 0.5 / 0.75, 1e-6);
}

TEST(LayerTable, MatchesTheReferenceRowsToFourPlaces) {
  struct Row {
    int i;
    double depth, level, amplitude, stretch;
    int weight;
    double baseline;  // fraction of the view height at force 1.5
  };
  const Row rows[] = {{0, 0.3951, 0.4000, 0.1000, 1.7000, 15, 0.6124},
                      {1, 0.3898, 0.3951, 0.1216, 1.5500, 27, 0.6193},
                      {9, 0.3250, 0.3362, 0.3483, 0.7357, 128, 0.7011},
                      {18, 0.1000, 0.1469, 0.8200, 0.2405, 242, 0.9615},
                      {19, 0.0, 0.1000, 0.9000, 0.2000, 255, 1.0675}};
  for (const Row& r : rows) {
    const LayerParameters p = layerParameters(r.i, 19);
    EXPECT_NEAR(p.depth, r.depth, 5e-5) << r.i;
    EXPECT_NEAR(p.level, r.level, 5e-5) << r.i;
    EXPECT_NEAR(p.amplitude, r.amplitude, 5e-5) << r.i;
    EXPECT_NEAR(p.stretch, r.stretch, 5e-5) << r.i;
    EXPECT_EQ(p.weight, r.weight) << r.i;
    EXPECT_NEAR(1.5 * 0.05 * p.amplitude + (1.0 - p.depth), r.baseline, 5e-5) << r.i;
  }
}

TEST_F(Waves, EdgeHas343SamplesAt1024WideEndingPastTheRightEdge) {
  WaveEdge edge;
  const LayerParameters p = layerParameters(0, 19);
  sampleWaveEdge(p.depth, p.level, p.stretch, p.amplitude, 521.0f, -347.347f, edge);
  EXPECT_EQ(edge.count, 343);  // plus the two baseline points: 345 polygon points
  EXPECT_EQ(edge.xs[0], 0.0f);
  EXPECT_EQ(edge.xs[342], 1026.0f);
  EXPECT_EQ(edge.xs[341], 1023.0f);
  // base = (1.5 * 0.05 * 0.1 + (1 - depth)) * 768 + 0.5
  EXPECT_NEAR(edge.base, (1.5 * 0.05 * 0.1 + (1.0 - p.depth)) * 768 + 0.5, 1e-3);
  for (int k = 0; k < edge.count; ++k) {
    // Every point sits where its height says: row viewMaxY - Y * viewMaxY.
    ASSERT_FLOAT_EQ(edge.ys[k], 767.0f - edge.heights[k] * 767.0f);
    ASSERT_GT(edge.heights[k], 0.2f);
    ASSERT_LT(edge.heights[k], 0.6f);
  }
}

TEST_F(Waves, WideViewsGrowTheHeightStorage) {
  makeView(6144, 8);
  WaveEdge edge;
  sampleWaveEdge(0.3f, 0.3f, 1.0f, 0.5f, 100.0f, 0.0f, edge);
  EXPECT_EQ(edge.count, 6144 / 3 + 2);
  EXPECT_GE(edge.heights.size(), static_cast<std::size_t>(edge.count));
  EXPECT_EQ(edge.xs[edge.count - 1], 6147.0f);
}

namespace {

// An edge with the given heights at x = 0, 3, 6, ...
WaveEdge edgeOf(const std::vector<float>& heights) {
  WaveEdge edge;
  edge.heights = heights;
  edge.count = static_cast<int>(heights.size());
  for (int k = 0; k < edge.count; ++k) {
    edge.xs.push_back(3.0f * k);
    edge.ys.push_back(767.0f - heights[k] * 767.0f);
  }
  return edge;
}

std::vector<float> polygonXs(const FoamRuns& runs, int p) {
  std::vector<float> xs;
  for (int i = runs.starts[p]; i < runs.starts[p + 1]; ++i) xs.push_back(runs.points[2 * i]);
  return xs;
}

}  // namespace

TEST_F(Waves, FoamRunClosedInTheMiddleIncludesTheFirstSampleBelow) {
  // Limit at force 1.5, level 0.3, amplitude 0.4: 0.3 + 1.6 * 0.03 = 0.348.
  const float hi = 0.36f, lo = 0.30f;
  const WaveEdge edge = edgeOf({lo, hi, hi, lo, lo, hi, lo});
  FoamRuns runs;
  findFoam(edge, 0.3f, 0.4f, runs);
  ASSERT_EQ(runs.polygons(), 2);
  EXPECT_EQ(polygonXs(runs, 0), (std::vector<float>{3, 6, 9, 6, 3}));
  // The last sample is never visited: the run opened at 15 closes after the loop.
  EXPECT_EQ(polygonXs(runs, 1), (std::vector<float>{15, 15}));
  // Crest points are lifted by 200 pixels per unit of excess.
  const double excess = static_cast<double>(hi) - (0.3 + 1.6 * (0.4 * 0.075));
  EXPECT_NEAR(runs.points[1], 767.0 - hi * 767.0 - excess * 200.0, 1e-3);
  EXPECT_FLOAT_EQ(runs.points[2 * 4 + 1], 767.0f - hi * 767.0f);  // back along the water
}

TEST_F(Waves, FoamRunOpenAtTheEndIsClosedAfterTheLoop) {
  const float hi = 0.36f, lo = 0.30f;
  // The last sample is never a foam point: the run ends at the second-to-last.
  const WaveEdge edge = edgeOf({lo, lo, hi, hi, hi});
  FoamRuns runs;
  findFoam(edge, 0.3f, 0.4f, runs);
  ASSERT_EQ(runs.polygons(), 1);
  EXPECT_EQ(polygonXs(runs, 0), (std::vector<float>{6, 9, 9, 6}));
}

TEST_F(Waves, NoFoamBelowTheLimitOrOnTooFewSamples) {
  FoamRuns runs;
  findFoam(edgeOf({0.30f, 0.31f, 0.32f}), 0.3f, 0.4f, runs);
  EXPECT_EQ(runs.polygons(), 0);
  findFoam(edgeOf({0.9f}), 0.3f, 0.4f, runs);
  EXPECT_EQ(runs.polygons(), 0);
}

TEST_F(Waves, DiscWrapsOnlyWhenDriftingLeft) {
  discRadius = 100.0f;
  discX = -100.2f;
  waveDirection = -1.0f;
  drawWaveLayers();
  EXPECT_EQ(discX, 1124.0f);  // viewWidth + radius
  discX = 2000.0f;
  waveDirection = 1.0f;
  drawWaveLayers();
  EXPECT_FLOAT_EQ(discX, 2000.333f);
}

// The rows wavesHideFrom gives are painted over whole but for the first column,
// whatever the view, the force or the phase, so the sky and disc may skip them; at
// the usual sizes some rows are hidden.
TEST_F(Waves, RowsSaidHiddenArePaintedOverWhole) {
  const struct {
    int width, height;
    float force;
  } cases[] = {{1024, 768, 1.5f},  {1024, 768, 1.0f}, {1024, 768, 3.0f}, {320, 200, 2.2f},
               {1920, 1080, 1.5f}, {7, 400, 1.5f},    {64, 3, 1.5f}};
  constexpr std::uint32_t marker = 0x12345679u;
  for (const auto& c : cases) {
    makeView(c.width, c.height);
    waveForce = c.force;
    int fewest = c.height;
    for (int frame = 0; frame < 6; ++frame) {
      wavePhase = static_cast<float>(347.347 + 91.0 * frame);
      sampleWaveLayers();
      const int hidden = wavesHideFrom();
      ASSERT_GE(hidden, 0);
      ASSERT_LE(hidden, c.height);
      fewest = std::min(fewest, hidden);
      std::fill(memory.begin(), memory.end(), marker);
      drawSampledWaveLayers();
      for (int y = hidden; y < c.height; ++y) {
        for (int x = 1; x < c.width; ++x) {
          ASSERT_NE(*viewPixel(x, y), marker)
              << c.width << "x" << c.height << " force " << c.force << " frame " << frame
              << " pixel " << x << ", " << y << " (hidden from " << hidden << ")";
        }
      }
    }
    if (c.height >= 200) {
      EXPECT_LT(fewest, c.height * 3 / 4) << c.width << "x" << c.height;
    }
  }
}

// A coverage curve that lightens full coverage lets what lies beneath show through:
// then no row counts as hidden.
TEST_F(Waves, NothingIsHiddenWhenFullCoverageIsNotWhole) {
  int saved[256], table[256];
  for (int i = 0; i < 256; ++i) saved[i] = cellRasterizer.curve[i];
  for (int i = 0; i < 256; ++i) table[i] = i * 250 / 255;
  sampleWaveLayers();
  const int usual = wavesHideFrom();
  setCoverageTable(table);
  const int lightened = wavesHideFrom();
  setCoverageTable(saved);
  EXPECT_LT(usual, 768);
  EXPECT_EQ(lightened, 768);
}

TEST_F(Waves, PhaseAdvancesAndResetsBeyondItsLimit) {
  wavePhase = 347.347f;
  waveDirection = -1.0f;
  drawWaveLayers();
  EXPECT_EQ(wavePhase, static_cast<float>(347.347f - 1.25));
  wavePhase = 3.5e8f;
  waveDirection = 1.0f;
  drawWaveLayers();
  EXPECT_EQ(wavePhase, 347.347f);
  wavePhase = -3.48e8f;
  drawWaveLayers();
  EXPECT_EQ(wavePhase, 347.347f);
}

namespace {

std::uint32_t bitsOf(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

struct Sample {
  float x, row, height;
};

// The sample loop written out one sample after the other, each noise value a single
// sample2D: the batched noise rows and the two-lane double steps of sampleWaveEdge
// must give every point and height bit for bit, for any force, phase and width.
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

}  // namespace

TEST_F(Waves, EdgeEqualsTheSampleLoopDoneOneSampleAtATime) {
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
