// A fill's pixels do not depend on how it is stored: the same outline plots the same
// calls whether its cells fit the store or it is drawn in bands of any height. The
// store is shrunk (a test hook) so that small fills take 2, 3, 7 or 64 bands, or
// hold exactly as many cells as the store, one less or one more.

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "blend/kernels.h"
#include "raster_input.h"
#include "raster_support.h"

namespace {

using Path = std::vector<ReferenceSubPath>;

struct Outline {
  int width, height;
  Path path;
};

constexpr int fullStore = cellsPerBlock * maxCellBlocks;

void addPath(const Path& path) {
  for (const ReferenceSubPath& sub : path) {
    beginPath();
    for (const PathPoint& p : sub) addPoint(p.x, p.y);
  }
}

// Outlines as the raster fuzz target reads them, from random bytes, on views of at
// most 2^14 pixels (the fuzz target takes up to 2^18) to keep the run short.
Outline fuzzedOutline(std::mt19937& random) {
  std::vector<std::uint8_t> bytes(5 + random() % 300);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
  RasterInput input = decodeRasterInput(bytes.data(), bytes.size());
  return {input.width, std::min(input.height, std::max(16384 / input.width, 1)),
          std::move(input.path)};
}

// Outlines with many cells for their view: many overlapping sub-paths; shapes with
// long edges far beside the view; slivers; copies of a thin triangle beside the
// view whose closing edge holds nearly all its cells.
Outline denseOutline(std::mt19937& random, int kind) {
  const int width = 8 + int(random() % 100), height = 8 + int(random() % 90);
  std::uniform_real_distribution<float> x(-0.2f * width, 1.2f * width);
  std::uniform_real_distribution<float> y(-0.2f * height, 1.2f * height);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  Outline o{width, height, {}};
  const int count = 4 + int(random() % (kind == 1 ? 16 : 60));
  for (int i = 0; i < count; ++i) {
    ReferenceSubPath sub;
    switch (kind) {
      case 0:  // overlapping polygons
        for (int k = 3 + int(random() % 4); k > 0; --k) sub.push_back({x(random), y(random)});
        break;
      case 1: {  // an edge from far beside the view through it and back along another
        const float far = (random() % 2 ? 1 : -1) * (200.0f + 3000.0f * unit(random));
        sub = {{far, y(random)}, {x(random), y(random)}, {far + 3.0f * unit(random), y(random)}};
        break;
      }
      case 2: {  // a sliver under a pixel wide and up to a few views long
        const float ax = x(random), ay = y(random), length = 3.0f * width * unit(random);
        const float angle = 6.2832f * unit(random), thickness = unit(random);
        const float dx = length * std::cos(angle), dy = length * std::sin(angle);
        sub = {{ax, ay}, {ax + dx, ay + dy}, {ax + dx + thickness, ay + dy + thickness}};
        break;
      }
      default:  // beside the view, its cover reaching column 0 only
        if (i == 0) {
          sub = {{x(random), y(random)}, {x(random), y(random)}, {x(random), y(random)}};
        } else {
          const float left = -0.5f - 50.0f - 600.0f * unit(random);
          sub = {{left, 0}, {-0.5f, 0}, {-0.5f, float(height - 1)}};
        }
        break;
    }
    o.path.push_back(sub);
  }
  return o;
}

// The plot calls of one fill from a store of `storeCells` cells, row by row (rows
// in order, each row's calls in plotting order). `cells` becomes the cells it
// stored, 0 when none were pending.
std::vector<PlotCall> plotted(const Path& path, int rule, int storeCells, int& cells) {
  CoverageRecorder::install();
  setFillRule(rule);
  cellRasterizer.storeCells = storeCells;
  addPath(path);
  const bool pending = fillRuleState.cellsPending != 0;
  fillPath(0xFFFFFFFF, 1);
  cells = pending ? cellRasterizer.numCells : 0;
  cellRasterizer.storeCells = fullStore;
  std::vector<PlotCall> calls = CoverageRecorder::calls;
  std::stable_sort(calls.begin(), calls.end(),
                   [](const PlotCall& a, const PlotCall& b) { return a.y < b.y; });
  return calls;
}

bool samePlot(const PlotCall& a, const PlotCall& b) {
  return a.x == b.x && a.y == b.y && a.count == b.count && a.coverage == b.coverage &&
         a.pixel == b.pixel;
}

// The stores that draw a fill of `cells` cells, `columns` wide, in about 2, 3, 7 and
// 64 bands (a band holds at most half the store), and those of exactly its cells,
// one less and one more.
std::vector<int> shrunkStores(int cells, int columns, int height) {
  std::vector<int> stores;
  for (const int bands : {2, 3, 7, 64}) {
    const int rows = (height + bands - 1) / bands;
    stores.push_back(std::clamp(2 * columns * rows, 1, std::max(cells - 1, 1)));
  }
  for (const int d : {-1, 0, 1}) stores.push_back(std::max(cells + d, 1));
  return stores;
}

class RasterBands : public ::testing::Test {
 protected:
  RasterSettingsGuard settings;
  void SetUp() override { setIdentityCurve(); }

  // Every store against the full one, both rules, both row orders; the full one
  // against the plain coverage.
  void expectSameInEveryStore(const Outline& o, const std::string& context) {
    TestSurface surface(o.width, o.height);
    for (const int rule : {0, 1}) {
      int cells = 0;
      for (const int bottomUp : {1, 0}) {
        setView(-1, -1, -1, -1, 0, bottomUp);
        const std::vector<PlotCall> whole = plotted(o.path, rule, fullStore, cells);
        const int columns = cellRasterizer.maxCellX - cellRasterizer.minCellX + 1;
        if (cells == 0) continue;
        for (const int store : shrunkStores(cells, columns, o.height)) {
          const std::string where = context + " rule " + std::to_string(rule) + " bottom-up " +
                                    std::to_string(bottomUp) + " store " + std::to_string(store) +
                                    " of " + std::to_string(cells);
          int bandCells = 0;
          const std::vector<PlotCall> banded = plotted(o.path, rule, store, bandCells);
          ASSERT_EQ(cellRasterizer.overflowed, store < cells ? 1 : 0) << where;
          ASSERT_EQ(banded.size(), whole.size()) << where;
          const auto diff = std::mismatch(whole.begin(), whole.end(), banded.begin(), samePlot);
          ASSERT_TRUE(diff.first == whole.end())
              << where << ": row " << diff.first->y << " x " << diff.first->x << " count "
              << diff.first->count << " coverage " << diff.first->coverage << " against x "
              << diff.second->x << " count " << diff.second->count << " coverage "
              << diff.second->coverage;
        }
      }
      // In bands, where the fill has cells to spare.
      cellRasterizer.storeCells = std::max(cells / 7, 1);
      expectMatchesReference(o.path, rule, context + " against the plain coverage");
      cellRasterizer.storeCells = fullStore;
      if (HasFatalFailure()) return;
    }
  }
};

TEST_F(RasterBands, FuzzedOutlinesPlotTheSameInEveryStore) {
  for (int seed = 1; seed <= 1200; ++seed) {
    std::mt19937 random(seed);
    expectSameInEveryStore(fuzzedOutline(random), "fuzzed seed " + std::to_string(seed));
    if (HasFatalFailure()) return;
  }
}

TEST_F(RasterBands, DenseOutlinesPlotTheSameInEveryStore) {
  for (int seed = 1; seed <= 320; ++seed) {
    std::mt19937 random(seed);
    // Built step by step: GCC 12 for i686 warns of a false overlap in "a" + b + "c".
    std::string label = "dense kind ";
    label += std::to_string(seed % 4);
    label += " seed ";
    label += std::to_string(seed);
    expectSameInEveryStore(denseOutline(random, seed % 4), label);
    if (HasFatalFailure()) return;
  }
}

// The real routines of every mode, in every kernel set, leave the same pixels when
// the fill is drawn in bands.
TEST_F(RasterBands, EveryModeAndKernelSetGivesTheSamePixelsInBands) {
  const BlendKernels* const active = activeKernels;
  std::vector<const BlendKernels*> sets{&scalarKernels};
  for (const BlendKernels* k : {sse2KernelSet(), avx2KernelSet()}) {
    if (k) sets.push_back(k);
  }
  for (int seed = 1; seed <= 12; ++seed) {
    std::mt19937 random(seed);
    const Outline o = denseOutline(random, seed % 4);
    TestSurface surface(o.width, o.height);
    std::vector<Color> background(surface.memory.size());
    for (Color& c : background) c = (static_cast<Color>(random()) & 0xFFFFFFu) | 0x80000000u;
    CoverageRecorder::install();
    addPath(o.path);
    fillPath(0xFFFFFFFF, 1);
    const int store = std::max(cellRasterizer.numCells / 7, 1);
    for (const BlendKernels* kernels : sets) {
      activeKernels = kernels;
      for (int mode = 1; mode <= 10; ++mode) {
        std::vector<Color> pictures[2];
        for (const int cells : {fullStore, store}) {
          surface.memory = background;
          installDefaultCoverageRoutines();
          cellRasterizer.storeCells = cells;
          addPath(o.path);
          fillPath(0xC080FF40, mode);
          cellRasterizer.storeCells = fullStore;
          pictures[cells == store] = surface.memory;
        }
        ASSERT_TRUE(pictures[0] == pictures[1])
            << "seed " << seed << " mode " << mode << " kernels " << kernels->name;
      }
    }
    activeKernels = active;
  }
  activeKernels = active;
}

// Reduced from dense fills that outgrew the real store, white over black under the
// non-zero rule: each must give the picture of the same outline with one copy of
// its part beside the view (which fits the store), and the pixels worked out for it.
TEST_F(RasterBands, FillsPastTheRealStoreGiveThePicturesOfSmallerOnes) {
  struct Pixel {
    int x, y;
    Color colour;
  };
  const struct Case {
    int width, height;
    Path inView;
    ReferenceSubPath beside;
    std::vector<int> copies;
    std::vector<Pixel> expected;
  } cases[] = {
      // The last copy fills the store as its sub-path is closed.
      {16,
       64,
       {{{4, 4}, {11, 4}, {11, 11}, {4, 11}}},
       {{-4000.5f, 0}, {-0.5f, 0}, {-0.5f, 63}},
       {1021, 1022},
       {{0, 4, 0xFF000000}}},
      // Bands of 127 rows; edges must be cut at the view's rows only.
      {200,
       200,
       {{{33, 125}, {102, 159}, {33, 159}}},
       {{199.5f, 0}, {16199.5f, 199}},
       {140},
       {{36, 127, 0xFFE9E9E9}}},
      // Cells whose sums cancel (the squares' shared edge) still end a run.
      {12,
       64,
       {{{2.5f, 0.5f}, {3.5f, 0.5f}, {3.5f, 2.5f}, {2.5f, 2.5f}},
        {{3.5f, 0.5f}, {8.5f, 0.5f}, {8.5f, 2.5f}, {3.5f, 2.5f}}},
       {{11.5f, 0}, {4011.5f, 63}},
       {520},
       {{3, 1, 0xFFFEFEFE}, {3, 2, 0xFFFEFEFE}}},
  };
  int defaultCurve[256];
  for (int i = 0; i < 256; ++i) defaultCurve[i] = settings.curve[i];
  setCoverageTable(defaultCurve);
  setFillRuleNonZero();
  for (const Case& c : cases) {
    for (const int bottomUp : {1, 0}) {
      TestSurface surface(c.width, c.height);
      setView(-1, -1, -1, -1, 0, bottomUp);
      installDefaultCoverageRoutines();
      const auto draw = [&](int copies) {
        std::fill(surface.memory.begin(), surface.memory.end(), 0xFF000000u);
        Path path = c.inView;
        path.insert(path.end(), copies, c.beside);
        addPath(path);
        fillPath(0xFFFFFFFF, 1);
        return surface.memory;
      };
      const std::vector<Color> small = draw(1);
      for (const int copies : c.copies) {
        const std::string where = std::to_string(c.width) + "x" + std::to_string(c.height) +
                                  " with " + std::to_string(copies) + " copies, bottom-up " +
                                  std::to_string(bottomUp);
        const std::vector<Color> large = draw(copies);
        EXPECT_EQ(cellRasterizer.overflowed, 1) << where;
        for (const Pixel& p : c.expected) {
          EXPECT_EQ(*viewPixel(p.x, p.y), p.colour) << where << " pixel " << p.x << ", " << p.y;
        }
        int differing = 0;
        for (std::size_t i = 0; i < large.size(); ++i) differing += large[i] != small[i];
        EXPECT_EQ(differing, 0) << where;
      }
    }
  }
}

}  // namespace
