// Fuzz target: the polygon fill with arbitrary paths, checked pixel by pixel against
// the plain reference coverage (tests/support/reference_raster.h), and drawn again
// with the cell store shrunk so that it is drawn in bands: every plot call must be
// the same. Aborts on a mismatch, a pixel plotted twice, or a plot outside the view.
// The input bytes are read as tests/support/raster_input.h describes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "blend/dispatch.h"
#include "raster_input.h"
#include "reference_raster.h"
#include "surface/surface.h"
#include "vector/path.h"

namespace {

struct View {
  int width, height;
  bool topDown;
  std::vector<Color> memory;
};

// The coverage the fill plotted, per view pixel (-1 where it plotted none).
struct Plotted {
  static inline std::vector<int> alpha;
  // Every call as (row, x, count, coverage, pixel routine), in plotting order.
  static inline std::vector<std::tuple<int, int, int, int, bool>> calls;
  static inline const View* view = nullptr;

  static void record(Color* address, int count, int coverage, bool pixel) {
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
      calls.emplace_back(static_cast<int>(y), x, count, coverage, pixel);
      for (int i = x; i < x + count; ++i) {
        int& slot = alpha[static_cast<std::size_t>(y) * view->width + i];
        if (slot >= 0) fail("pixel plotted twice");
        slot = coverage;
      }
      return;
    }
    fail("plot outside the view");
  }
  static void pixel(Color* address, Color, int coverage) { record(address, 1, coverage, true); }
  static void run(Color* address, Color, int count, int coverage) {
    record(address, count, coverage, false);
  }
  // The calls row by row, in plotting order within each row: the order of the rows
  // follows the surface's and the bands'.
  static std::vector<std::tuple<int, int, int, int, bool>> byRow() {
    std::vector<std::tuple<int, int, int, int, bool>> sorted = calls;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return std::get<0>(a) < std::get<0>(b); });
    return sorted;
  }
  [[noreturn]] static void fail(const char* what) {
    std::fprintf(stderr, "raster fuzz: %s\n", what);
    std::abort();
  }
};

// Fills the path in one fill with the store at `storeCells` cells, recording the
// plot calls.
void fill(const std::vector<ReferenceSubPath>& path, View& view, int storeCells) {
  Plotted::view = &view;
  Plotted::alpha.assign(view.memory.size(), -1);
  Plotted::calls.clear();
  coverageRoutines.pixel = &Plotted::pixel;
  coverageRoutines.run = &Plotted::run;
  coverageRoutines.mode = 1;  // so that the fill's mode selection keeps these
  cellRasterizer.storeCells = storeCells;
  for (const ReferenceSubPath& sub : path) {
    beginPath();
    for (const PathPoint& p : sub) addPoint(p.x, p.y);
  }
  fillPath(0xFFFFFFFF, 1);
  cellRasterizer.storeCells = cellsPerBlock * maxCellBlocks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const RasterInput input = decodeRasterInput(data, size);
  View view;
  view.width = input.width;
  view.height = input.height;
  view.topDown = input.topDown;
  const int rule = input.rule;
  const std::vector<ReferenceSubPath>& path = input.path;

  view.memory.assign(static_cast<std::size_t>(view.width) * view.height, 0);
  backBuffer.surfaceWidth = view.width;
  backBuffer.surfaceHeight = view.height;
  backBuffer.pixels = reinterpret_cast<std::uint8_t*>(view.memory.data());
  setView(-1, -1, -1, -1, 0, view.topDown ? 0 : 1);
  int identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = i;
  setCoverageTable(identity);
  setFillRule(rule);
  fill(path, view, cellsPerBlock * maxCellBlocks);

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

  // The same fill from a smaller store, in bands: the same calls, row by row.
  if (input.store != 0 && cellRasterizer.numCells > 0) {
    const auto whole = Plotted::byRow();
    const int store = shrunkStore(input.store, cellRasterizer.numCells);
    fill(path, view, store);
    if (Plotted::byRow() != whole) {
      std::fprintf(stderr, "raster fuzz: view %dx%d rule %d: a store of %d cells plots otherwise\n",
                   view.width, view.height, rule, store);
      std::abort();
    }
  }

  backBuffer.pixels = nullptr;
  setView(-1, -1, -1, -1, 0, 1);
  return 0;
}
