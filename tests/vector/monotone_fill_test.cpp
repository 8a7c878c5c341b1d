// Outlines that run left to right, filled by their own path and by the rasterizer's
// cell store and sweep: the pixels must be the same, bit for bit, in every blend
// mode, under both rules, with the rows' limits of the scene, on views from 1x1 to
// 7680x4320. Every failure names its seed.

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "raster_support.h"

namespace {

// A wave-like outline: its left side down to the base, a top edge sampled left to
// right in steps of 1 to 8 pixels, the right side, the base back. Heights wander
// or jump, now and then far above or below the view; the ends reach far out.
std::vector<PathPoint> randomOutline(std::mt19937& random, int width, int height) {
  const auto uniform = [&random](float a, float b) {
    return std::uniform_real_distribution<float>(a, b)(random);
  };
  const float w = float(width), h = float(height);
  const bool integral = random() % 2 == 0;             // the scene's steps are whole pixels
  const bool sampled = integral && random() % 2 == 0;  // 3 pixels, as the waves are
  const float step = sampled ? 3.0f : integral ? float(1 + random() % 8) : uniform(1.0f, 8.0f);
  float x = random() % 4 == 0 ? uniform(-3000.0f, -1.0f) : uniform(-1.0f, 2.0f);
  if (integral) x = float(int(x));
  const float end = random() % 4 == 0 ? w + uniform(0.0f, 3000.0f) : w + uniform(0.0f, 4.0f);
  const float base = random() % 5 == 0 ? uniform(-2.0f * h, 3.0f * h) : uniform(0.5f * h, h + 5);
  std::vector<PathPoint> outline{{x, base}};
  float y = uniform(-0.2f * h, 1.2f * h);
  // Often gentle, so that runs of edges stay within a row.
  const float swing = random() % 2 ? uniform(0.05f, 3.0f) : uniform(0.5f, 0.1f * h + 20.0f);
  for (; x <= end; x += step) {
    switch (random() % 16) {
      case 0:
        y = uniform(-30000.0f, 30000.0f);
        break;
      case 1:
        y = uniform(-0.5f * h, 1.5f * h);
        break;
      default:
        y = std::clamp(y + uniform(-swing, swing), -0.5f * h - 50, 1.5f * h + 50);
    }
    outline.push_back({x, y});
  }
  outline.push_back({random() % 2 ? w : x - step, base});
  return outline;
}

// Bytes leaning towards 0x00 and 0xFF, where blending breaks first.
Color randomColour(std::mt19937& random) {
  Color c = 0;
  for (int i = 0; i < 4; ++i) {
    const unsigned r = random() % 4;
    const unsigned byte = r == 0 ? 0 : r == 1 ? 255 : random() % 256;
    c = c << 8 | byte;
  }
  return c;
}

// Whether any of the outline's box lies where the view shows it.
bool reachesTheView(const std::vector<PathPoint>& outline, int width, int height) {
  float minX = outline[0].x, maxX = minX, minY = outline[0].y, maxY = minY;
  for (const PathPoint& p : outline) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  return maxX >= -0.5f && minX <= width - 0.5f && maxY >= -0.5f && minY <= height - 0.5f;
}

// Fills the outline through the cell store (the sub-path converted before the fill
// makes the rasterizer take it) or through the monotone path, which must take every
// outline that reaches the view.
void fill(const std::vector<PathPoint>& outline, Color colour, int mode, bool monotone) {
  beginPath();
  for (const PathPoint& p : outline) addPoint(p.x, p.y);
  if (monotone) {
    const bool shown = reachesTheView(outline, backBuffer.viewWidth, backBuffer.viewHeight);
    ASSERT_EQ(fillMonotonePath(colour, mode), shown);
    if (!shown) pathBuffer.count = 0;
  } else {
    beginPath();
    fillPath(colour, mode);
  }
}

TEST(MonotoneFill, RandomOutlinesGiveTheRasterizersPixels) {
  RasterSettingsGuard settings;
  const struct {
    int width, height;
  } large[] = {{1920, 1080}, {3840, 2160}, {7680, 4320}, {4097, 3}, {1, 1}};
  for (int seed = 1; seed <= 400; ++seed) {
    std::mt19937 random(seed);
    const bool big = seed % 80 == 0;
    const int width = big ? large[seed / 80 - 1].width : 1 + int(random() % 160);
    const int height = big ? large[seed / 80 - 1].height : 1 + int(random() % 120);
    TestSurface surface(width, height);
    setView(-1, -1, -1, -1, 0, random() % 4 ? 1 : 0);
    std::vector<Color> background(surface.memory.size());
    for (Color& c : background) c = randomColour(random);
    setFillRule(int(random() % 2));
    if (random() % 4 == 0) setCoverageGamma(std::uniform_real_distribution<float>(0.3f, 3)(random));
    if (random() % 3 == 0) {
      setFillRows(int(random() % (height + 2)), int(random() % (height + 2)),
                  int(random() % (width + 2)));
    }
    setFillStreamed(random() % 4 == 0);
    const std::vector<PathPoint> outline = randomOutline(random, width, height);
    const Color colour = randomColour(random);
    const int mode = 1 + int(random() % 11);

    surface.memory = background;
    fill(outline, colour, mode, false);
    const std::vector<Color> expected = surface.memory;
    surface.memory = background;
    fill(outline, colour, mode, true);
    if (HasFatalFailure()) {
      ADD_FAILURE() << "seed " << seed << " was not taken";
      return;
    }
    std::size_t differ = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) differ += expected[i] != surface.memory[i];
    ASSERT_EQ(differ, 0u) << "seed " << seed << ", view " << width << "x" << height << ", mode "
                          << mode << ", " << outline.size() << " points";
    setFillStreamed(0);
    clearFillRows();
    setCoverageTable(settings.curve);
  }
}

// Outlines that turn back left, join earlier sub-paths or outgrow the cell store are
// the rasterizer's.
TEST(MonotoneFill, OutlinesTheRasterizerMustDrawAreLeftToIt) {
  RasterSettingsGuard settings;
  TestSurface surface(64, 48);
  const std::vector<std::vector<PathPoint>> refused = {
      {{10, 10}, {20, 10}, {20, 20}, {10, 20}},  // its left side comes after the right
      {{0, 40}, {0, 10}, {30, 5}, {20, 12}, {50, 40}},
      {{0, 40}, {0, 10}, {30, 5}, {60, 40}, {-5, 30}},  // the closing edge runs left
  };
  for (const std::vector<PathPoint>& outline : refused) {
    beginPath();
    for (const PathPoint& p : outline) addPoint(p.x, p.y);
    EXPECT_FALSE(fillMonotonePath(0xFF102030, 1)) << outline.size() << " points";
    pathBuffer.count = 0;
  }
  addSubPath({0, 40, 0, 10, 60, 40});
  addSubPath({0, 40, 0, 20, 60, 40});
  EXPECT_FALSE(fillMonotonePath(0xFF102030, 1)) << "a second sub-path";
  fillRuleState.cellsPending = 0;
  cellRasterizer.flags &= ~2;
  pathBuffer.count = 0;

  const Rect clip{5, 5, 30, 30};  // a clip is the rasterizer's to plot
  setFillClip(&clip, 1);
  beginPath();
  addPoint(0, 40);
  addPoint(0, 10);
  addPoint(60, 40);
  EXPECT_FALSE(fillMonotonePath(0xFF102030, 1)) << "a clip";
  clearFillClip();
  EXPECT_TRUE(fillMonotonePath(0xFF102030, 1)) << "the clip cleared";

  // More cells than the store holds: the rasterizer draws it in bands, with other
  // cells than one walk gives (a million pixels of this zigzag differ).
  TestSurface wide(7680, 1080);
  beginPath();
  addPoint(0, 1100);
  for (int k = 0; k <= 7682; ++k) addPoint(float(k), k % 2 ? -5.0f : 1085.0f);
  addPoint(7680, 1100);
  EXPECT_FALSE(fillMonotonePath(0xFF102030, 1)) << "a fill in bands";
  pathBuffer.count = 0;
}

}  // namespace
