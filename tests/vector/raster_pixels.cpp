// The polygon fill through the real coverage routines, on a view inside a larger
// surface: what lands in the pixels, and that nothing lands outside the view.

#include <random>

#include "raster_support.h"

namespace {

constexpr Color sentinel = 0x5A5A5A5A;

class RasterPixels : public ::testing::Test {
 protected:
  TestSurface surface{96, 80};
  RasterSettingsGuard settings;
  void SetUp() override {
    installDefaultCoverageRoutines();
    std::fill(surface.memory.begin(), surface.memory.end(), sentinel);
    setView(16, 8, 79, 55, 0, 1);  // 64 x 48 in the middle
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 64; ++x) *viewPixel(x, y) = 0xFF000000;
    }
  }
  int sentinelsLeft() const {
    int n = 0;
    for (Color c : surface.memory) n += c == sentinel;
    return n;
  }
};

TEST_F(RasterPixels, CopyModeFillsTheInsideAndBlendsTheEdges) {
  fillPolygon({10, 10, 20, 10, 20, 20, 10, 20}, 0xFF80C040, 1);
  EXPECT_EQ(*viewPixel(15, 15), 0xFF80C040u);
  EXPECT_EQ(*viewPixel(11, 19), 0xFF80C040u);
  EXPECT_EQ(*viewPixel(9, 15), 0xFF000000u);
  EXPECT_EQ(*viewPixel(21, 15), 0xFF000000u);
  // Edge pixels lie between the background and the colour, corners nearer the
  // background than edges.
  const Color edge = *viewPixel(10, 15), corner = *viewPixel(10, 10);
  const int edgeGreen = (edge >> 8) & 0xFF, cornerGreen = (corner >> 8) & 0xFF;
  EXPECT_GT(edgeGreen, 0);
  EXPECT_LT(edgeGreen, 0xC0);
  EXPECT_GT(cornerGreen, 0);
  EXPECT_LT(cornerGreen, edgeGreen);
  EXPECT_EQ(*viewPixel(20, 15), edge);
  const int runGreen = (*viewPixel(15, 20) >> 8) & 0xFF;  // a run, not a single pixel
  EXPECT_GT(runGreen, cornerGreen);
  EXPECT_LT(runGreen, 0xC0);
  EXPECT_EQ(sentinelsLeft(), 96 * 80 - 64 * 48);
}

TEST_F(RasterPixels, ModesReachTheirRoutines) {
  // Add scales the colour by the coverage: 255 / 256 of 0x10 is 0x0F.
  fillPolygon({-5, 2, 70, 2, 70, 6, -5, 6}, 0xFF101010, 3);
  EXPECT_EQ(*viewPixel(0, 4), 0xFF0F0F0Fu);
  fillPolygon({-5, 2, 70, 2, 70, 6, -5, 6}, 0xFF101010, 3 | 0x30);
  EXPECT_EQ(*viewPixel(63, 4), 0xFF1E1E1Eu);
  EXPECT_EQ(sentinelsLeft(), 96 * 80 - 64 * 48);
}

// Random polygons in every mode, absurd coordinates included, through the real
// kernels: the surface outside the view keeps its sentinel.
TEST_F(RasterPixels, RandomPolygonsNeverWriteOutsideTheView) {
  const float specials[] = {NAN, INFINITY, -INFINITY, 3e38f, -3e38f, 1e7f, -1e7f, -0.5f, 63.5f};
  for (int seed = 1; seed <= 1500; ++seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> kind(0, 9), pick(0, 8), count(2, 30), mode(0, 15);
    std::uniform_real_distribution<float> near(-30.0f, 100.0f);
    std::uniform_int_distribution<std::uint32_t> colour;
    const auto coordinate = [&]() {
      return kind(random) == 0 ? specials[pick(random)] : near(random);
    };
    seed % 2 ? setFillRuleNonZero() : setFillRuleEvenOdd();
    for (int s = 0; s < 1 + seed % 3; ++s) {
      beginPath();
      for (int i = count(random); i > 0; --i) {
        const float x = coordinate();
        addPoint(x, coordinate());
      }
    }
    fillPath(colour(random), mode(random));
    ASSERT_EQ(sentinelsLeft(), 96 * 80 - 64 * 48) << "seed " << seed;
  }
}

}  // namespace
