// Test support for the vector drawing tests: a back buffer of the tests' own, and
// coverage routines that record what the rasterizer plots instead of blending it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "blend/dispatch.h"
#include "reference_raster.h"
#include "surface/surface.h"
#include "vector/path.h"

// A surface in plain memory with a view on it (the whole surface by default).
struct TestSurface {
  std::vector<Color> memory;
  TestSurface(int width, int height) : memory(static_cast<std::size_t>(width) * height, 0) {
    backBuffer.surfaceWidth = width;
    backBuffer.surfaceHeight = height;
    backBuffer.pixels = reinterpret_cast<std::uint8_t*>(memory.data());
    setView(-1, -1, -1, -1, 0, 1);
  }
  ~TestSurface() {
    backBuffer.pixels = nullptr;
    setView(-1, -1, -1, -1, 0, 1);
  }
};

// One call of a coverage routine, in view coordinates.
struct PlotCall {
  int x, y, count, coverage;
  bool pixel;  // the pixel routine, not the run routine
};

// Records every call of the coverage routines; `alpha` keeps the last coverage per
// view pixel (-1: never touched) and `touches` how often each pixel was plotted.
struct CoverageRecorder {
  static inline std::vector<PlotCall> calls;
  static inline std::vector<int> alpha, touches;
  static inline int width = 0, height = 0;
  static inline int strayCalls = 0;  // addresses outside the view, or bad counts
  static inline int badCoverage = 0;

  static void install(int mode = 1) {
    width = backBuffer.viewWidth;
    height = backBuffer.viewHeight;
    clear();
    coverageRoutines.pixel = &pixel;
    coverageRoutines.run = &run;
    coverageRoutines.mode = mode;  // so that select_coverage_mode keeps these
  }
  static void clear() {
    calls.clear();
    alpha.assign(static_cast<std::size_t>(width) * height, -1);
    touches.assign(static_cast<std::size_t>(width) * height, 0);
    strayCalls = badCoverage = 0;
  }
  static int at(int x, int y) { return alpha[static_cast<std::size_t>(y) * width + x]; }
  static int touchesAt(int x, int y) { return touches[static_cast<std::size_t>(y) * width + x]; }
  static int touchedPixels() {
    int n = 0;
    for (int t : touches) n += t != 0;
    return n;
  }

  static void record(Color* address, int count, int coverage, bool isPixel) {
    // The row whose span of view pixels holds the address, if any.
    const std::ptrdiff_t d =
        reinterpret_cast<const std::uint8_t*>(address) - backBuffer.rowTable[0];
    const std::ptrdiff_t step = backBuffer.rowStep;
    const std::ptrdiff_t y = d / step;  // the row, or one beside it
    for (std::ptrdiff_t row = y - 1; row <= y + 1; ++row) {
      if (row < 0 || row >= backBuffer.viewHeight) continue;
      const std::ptrdiff_t offset = d - row * step;
      if (offset < 0 || offset >= 4 * backBuffer.viewWidth || offset % 4 != 0) continue;
      const int x = static_cast<int>(offset / 4);
      if (count < 1 || x + count > backBuffer.viewWidth) ++strayCalls;
      if (coverage < 0 || coverage > 255) ++badCoverage;
      calls.push_back({x, static_cast<int>(row), count, coverage, isPixel});
      for (int i = x; i < x + count && i < width; ++i) {
        alpha[static_cast<std::size_t>(row) * width + i] = coverage;
        ++touches[static_cast<std::size_t>(row) * width + i];
      }
      return;
    }
    ++strayCalls;
  }
  static void pixel(Color* address, Color, int coverage) { record(address, 1, coverage, true); }
  static void run(Color* address, Color, int count, int coverage) {
    record(address, count, coverage, false);
  }
};

// Adds x, y pairs as a new sub-path.
inline void addSubPath(std::initializer_list<float> xy) {
  beginPath();
  for (auto it = xy.begin(); it != xy.end(); it += 2) addPoint(it[0], it[1]);
}

// Fills the polygon given as x, y pairs as one sub-path.
inline void fillPolygon(std::initializer_list<float> xy, Color color = 0xFF102030, int mode = 1) {
  addSubPath(xy);
  fillPath(color, mode);
}

// Plotted coverage is then the raw coverage (a RasterSettingsGuard restores the curve).
inline void setIdentityCurve() {
  int identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = i;
  setCoverageTable(identity);
}

// Restores the rasterizer's process-wide settings that a test may change.
struct RasterSettingsGuard {
  int curve[256];
  RasterSettingsGuard() {
    for (int i = 0; i < 256; ++i) curve[i] = cellRasterizer.curve[i];
  }
  ~RasterSettingsGuard() {
    setCoverageTable(curve);
    cellRasterizer.storeCells = cellsPerBlock * maxCellBlocks;
    clearFillRows();
    clearFillClip();
    setFillRuleEvenOdd();
    setFillRuleEvenOdd();
    fillRuleState.restoreAfterFill = 0;
    clearPathRotation();
    // Drop pending points and cells without plotting them.
    pathBuffer.count = 0;
    fillRuleState.cellsPending = 0;
    cellRasterizer.flags &= ~2;
  }
};

// Fills the sub-paths in one fill under `rule` and compares every view pixel with
// the plain reference (identity curve expected); each pixel is plotted at most once.
// Stops at the first mismatch.
inline void expectMatchesReference(const std::vector<ReferenceSubPath>& path, int rule,
                                   const std::string& context) {
  CoverageRecorder::install();
  setFillRule(rule);
  for (const ReferenceSubPath& sub : path) {
    beginPath();
    for (const PathPoint& p : sub) addPoint(p.x, p.y);
  }
  fillPath(0xFFFFFFFF, 1);
  ASSERT_EQ(CoverageRecorder::strayCalls, 0) << context;
  const int width = backBuffer.viewWidth, height = backBuffer.viewHeight;
  const ReferenceCoverage expected = referenceCoverage(path, width, height, rule);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      ASSERT_LE(CoverageRecorder::touchesAt(x, y), 1) << context << " pixel " << x << ", " << y;
      const int tolerance = expected.toleranceAt(x, y);
      if (tolerance < 0) continue;
      const int ours = std::max(CoverageRecorder::at(x, y), 0);
      ASSERT_LE(std::abs(ours - expected.at(x, y)), tolerance)
          << context << " pixel " << x << ", " << y << ": " << ours << " against "
          << expected.at(x, y);
    }
  }
}
