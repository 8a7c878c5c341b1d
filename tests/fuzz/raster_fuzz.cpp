// Fuzz target: the polygon fill with arbitrary paths, checked pixel by pixel against
// the plain reference coverage (tests/support/reference_raster.h). Aborts on a
// mismatch, a pixel plotted twice, or a plot outside the view.
//
// Input bytes, read in order (missing bytes read as 0):
//   2 + 2   view width and height, each 1 .. 8192, the height then cut so the view
//           has at most 2^18 pixels (fuzz::viewSize);
//   1       bit 0 the fill rule (0 non-zero, 1 even-odd), bit 1 a top-down surface;
//   then    commands until the input ends: a byte whose low 3 bits are 0 starts a new
//           sub-path; any other adds a point whose x and y are each decoded by a
//           selector byte: small (2 bytes: -1024 .. 1023 plus 1/32 steps around the
//           view), raw (4 bytes: any float, NaN, infinity and huge ones too), or one
//           of the limits the fill cuts at and values just beyond them.
// At most 64 sub-paths and 4096 points: more adds nothing the fuzzer can find in
// the time a run may take.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "blend/dispatch.h"
#include "fuzz_support.h"
#include "reference_raster.h"
#include "surface/surface.h"
#include "vector/path.h"

namespace {

constexpr int maxSubPaths = 64;
constexpr int maxPoints = 4096;

using fuzz::Bytes;

float coordinate(Bytes& in, int side) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  static const float limits[] = {
      32767.0f, -32767.0f, 32766.4f, -32768.6f, 4194303.0f, -4194303.0f, 4194304.5f, -4194305.0f,
      1e9f,     -1e9f,     3.4e38f,  -3.4e38f,  inf,        -inf,        -0.5f,      0.0f};
  const std::uint8_t selector = in.byte();
  switch (selector % 4) {
    case 0: {
      const int v = static_cast<std::int16_t>(in.u16());
      return v / 32.0f + (selector & 4 ? static_cast<float>(side) : 0.0f);
    }
    case 1: {
      const std::uint32_t bits = in.u32();
      float v;
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
    case 2:
      return limits[(selector >> 2) % 16];
    default:
      return static_cast<float>(static_cast<std::int16_t>(in.u16()));
  }
}

struct View {
  int width, height;
  bool topDown;
  std::vector<Color> memory;
};

// The coverage the fill plotted, per view pixel (-1 where it plotted none).
struct Plotted {
  static inline std::vector<int> alpha;
  static inline const View* view = nullptr;

  static void record(Color* address, int count, int coverage) {
    if (count < 1 || coverage < 0 || coverage > 255) fail("bad plot call");
    // The view row whose pixels hold the address, found through the row table.
    const std::ptrdiff_t d =
        reinterpret_cast<const std::uint8_t*>(address) - backBuffer.rowTable[0];
    const std::ptrdiff_t step = backBuffer.rowStep;
    for (std::ptrdiff_t y = d / step - 1; y <= d / step + 1; ++y) {
      const std::ptrdiff_t offset = d - y * step;
      if (y < 0 || y >= view->height || offset < 0 || offset >= 4 * std::ptrdiff_t{view->width}) {
        continue;
      }
      const int x = static_cast<int>(offset / 4);
      if (offset % 4 != 0 || x + count > view->width) fail("plot outside the view");
      for (int i = x; i < x + count; ++i) {
        int& slot = alpha[static_cast<std::size_t>(y) * view->width + i];
        if (slot >= 0) fail("pixel plotted twice");
        slot = coverage;
      }
      return;
    }
    fail("plot outside the view");
  }
  static void pixel(Color* address, Color, int coverage) { record(address, 1, coverage); }
  static void run(Color* address, Color, int count, int coverage) {
    record(address, count, coverage);
  }
  [[noreturn]] static void fail(const char* what) {
    std::fprintf(stderr, "raster fuzz: %s\n", what);
    std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  View view;
  const fuzz::ViewSize side = fuzz::viewSize(in);
  view.width = side.width;
  view.height = side.height;
  const std::uint8_t flags = in.byte();
  const int rule = flags & 1;
  view.topDown = (flags & 2) != 0;

  std::vector<ReferenceSubPath> path;
  int points = 0;
  while (!in.empty() && points < maxPoints) {
    const std::uint8_t command = in.byte();
    if (command % 8 == 0 || path.empty()) {
      if (static_cast<int>(path.size()) == maxSubPaths) break;
      path.emplace_back();
      if (command % 8 == 0) continue;
    }
    const float x = coordinate(in, view.width);
    const float y = coordinate(in, view.height);
    path.back().push_back({x, y});
    ++points;
  }

  view.memory.assign(static_cast<std::size_t>(view.width) * view.height, 0);
  backBuffer.surfaceWidth = view.width;
  backBuffer.surfaceHeight = view.height;
  backBuffer.pixels = reinterpret_cast<std::uint8_t*>(view.memory.data());
  setView(-1, -1, -1, -1, 0, view.topDown ? 0 : 1);
  int identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = i;
  setCoverageTable(identity);
  Plotted::view = &view;
  Plotted::alpha.assign(view.memory.size(), -1);
  coverageRoutines.pixel = &Plotted::pixel;
  coverageRoutines.run = &Plotted::run;
  coverageRoutines.mode = 1;  // so that the fill's mode selection keeps these

  setFillRule(rule);
  for (const ReferenceSubPath& sub : path) {
    beginPath();
    for (const PathPoint& p : sub) addPoint(p.x, p.y);
  }
  fillPath(0xFFFFFFFF, 1);

  const ReferenceCoverage expected = referenceCoverage(path, view.width, view.height, rule);
  for (int y = 0; y < view.height; ++y) {
    for (int x = 0; x < view.width; ++x) {
      const int tolerance = expected.toleranceAt(x, y);
      if (tolerance < 0) continue;
      const int ours = std::max(Plotted::alpha[static_cast<std::size_t>(y) * view.width + x], 0);
      if (std::abs(ours - expected.at(x, y)) > tolerance) {
        std::fprintf(stderr, "raster fuzz: view %dx%d rule %d pixel %d, %d: %d, reference %d\n",
                     view.width, view.height, rule, x, y, ours, expected.at(x, y));
        std::abort();
      }
    }
  }

  backBuffer.pixels = nullptr;
  setView(-1, -1, -1, -1, 0, 1);
  return 0;
}
