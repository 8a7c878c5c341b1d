// Fuzz target: outlines that run left to right, filled by the monotone path and by
// the rasterizer's cell store and sweep, must give the same pixels. Aborts on the
// first pixel that differs, or when the monotone path refuses an outline that
// reaches the view.
//
// Input bytes, read in order (missing bytes read as 0):
//   2 + 2   view width and height, each 1 .. 8192 (as the raster target); the height
//           is then cut so the view has at most 2^18 pixels;
//   1       bit 0 the fill rule, bit 1 a top-down surface, bit 2 a gamma curve,
//           bits 3-6 the blend mode (0 .. 15);
//   4 + 4   the base line's y and the first sample's x, as raw floats, kept to
//           +-30000 (beyond, the rasterizer cuts edges and the outline is its own);
//   then    per sample 3 bytes: the step to the next x (1/32 .. 8 px), the height
//           (16 bits, 1/8 px around the view), until the input ends.
// The outline is a wave layer's: the base under the first sample, the samples, the
// base under the last one, and back. Both paths then draw it again in two bands of
// rows cut where the sample count says (setFillBand, as the drawing threads do), and
// the rasterizer through two clips that share the view (setFillClip): the pixels
// must come out the same.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "blend/dispatch.h"
#include "fuzz_support.h"
#include "surface/surface.h"
#include "vector/path.h"

namespace {

// Few enough that no outline can outgrow the rasterizer's cell store, which the path
// leaves to the rasterizer: 400 edges over at most 8193 rows each, plus their
// columns, stay under 2^22 cells.
constexpr int maxSamples = 400;
constexpr float limit = 30000.0f;

using fuzz::Bytes;

// A raw float kept to +-limit; not a number reads as 0.
float clamped(Bytes& in) {
  const std::uint32_t bits = in.u32();
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return std::isfinite(v) ? std::fmax(-limit, std::fmin(limit, v)) : 0.0f;
}

void fill(const std::vector<PathPoint>& outline, bool monotone, int mode) {
  beginPath();
  for (const PathPoint& p : outline) addPoint(p.x, p.y);
  if (monotone) {
    if (!fillMonotonePath(0xC080FF40, mode)) {
      pathBuffer.count = 0;
      std::fprintf(stderr, "monotone fuzz: outline refused\n");
      std::abort();
    }
  } else {
    beginPath();  // converted before the fill: the rasterizer's sweep takes it
    fillPath(0xC080FF40, mode);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  const fuzz::ViewSize view = fuzz::viewSize(in);
  const int width = view.width, height = view.height;
  const std::uint8_t flags = in.byte();
  const float base = clamped(in);
  float x = clamped(in);
  std::vector<PathPoint> outline{{x, base}};
  while (!in.empty() && outline.size() < maxSamples && x < limit) {
    const float step = (1 + in.byte() % 256) / 32.0f;
    const float y = static_cast<std::int16_t>(in.u16()) / 8.0f + height * 0.5f;
    outline.push_back({x, y});
    x += step;
  }
  outline.push_back({outline.back().x, base});
  float minX = outline[0].x, maxX = minX, minY = base, maxY = base;
  for (const PathPoint& p : outline) {
    minX = std::fmin(minX, p.x);
    maxX = std::fmax(maxX, p.x);
    minY = std::fmin(minY, p.y);
    maxY = std::fmax(maxY, p.y);
  }
  // Not shown, or a single point: the rasterizer draws nothing, the path declines.
  if (maxX < -0.5f || minX > width - 0.5f || maxY < -0.5f || minY > height - 0.5f) return 0;
  if (minX == maxX && minY == maxY) return 0;

  std::vector<Color> memory(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<Color>(i * 2654435761u);
  const std::vector<Color> background = memory;
  backBuffer.surfaceWidth = width;
  backBuffer.surfaceHeight = height;
  backBuffer.pixels = reinterpret_cast<std::uint8_t*>(memory.data());
  setView(-1, -1, -1, -1, 0, flags & 2 ? 0 : 1);
  if (flags & 4) {
    setCoverageGamma(0.4f + (flags >> 3) * 0.15f);
  } else {
    setCoverageGamma(1.0f);
  }
  setFillRule(flags & 1);
  const int mode = (flags >> 3) & 15;

  fill(outline, false, mode);
  const std::vector<Color> expected = memory;
  const auto compare = [&](const char* what) {
    for (std::size_t i = 0; i < memory.size(); ++i) {
      if (memory[i] != expected[i]) {
        std::fprintf(stderr,
                     "monotone fuzz: %s, view %dx%d flags %d pixel %zu: %08x, rasterizer %08x\n",
                     what, width, height, flags, i, memory[i], expected[i]);
        std::abort();
      }
    }
  };
  memory = background;
  fill(outline, true, mode);
  compare("monotone");
  const int cut = static_cast<int>(outline.size() * 2654435761u % (height + 1u));
  for (const bool monotone : {false, true}) {
    memory = background;
    setFillBand(0, cut);
    fill(outline, monotone, mode);
    setFillBand(cut, height);
    fill(outline, monotone, mode);
    clearFillBand();
    compare(monotone ? "monotone in two bands" : "rasterizer in two bands");
  }
  // A clip is the rasterizer's alone: the view cut in two by a column, the right part
  // filled through two overlapping rectangles.
  memory = background;
  const int cutX = static_cast<int>(outline.size() * 40503u % (width + 1u));
  const Rect left{0, 0, cutX, height};
  const Rect right[] = {{cutX, 0, width, cut + 1}, {cutX, cut, width, height}};
  setFillClip(&left, 1);
  fill(outline, false, mode);
  setFillClip(right, 2);
  fill(outline, false, mode);
  clearFillClip();
  compare("rasterizer in a clip");
  backBuffer.pixels = nullptr;
  setView(-1, -1, -1, -1, 0, 1);
  return 0;
}
