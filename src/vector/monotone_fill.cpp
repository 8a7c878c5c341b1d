// Fills of outlines that run left to right, without the cell store, the sort or a
// running sum carried from row to row.
//
// The rasterizer's cells come out of its walk in the order of the walk. When every
// edge that leaves cover in the view runs left to right and starts where the
// previous one ended or further right, the walk reaches the cells of each row in
// column order: the sweep of a row can follow the walk itself. Each row keeps the
// cover of the cells left of the one being summed and the column where its next run
// starts; a cell is finished when the walk enters a cell further right in its row.
//
//        walk ->   row r:  [cover so far]  ...run...  [cell]  ...run...  [cell]
//
// The edge walk is the rasterizer's own, step for step (the same floor divisions,
// the same clipping, the same cells stored or not), so cover and area are the same
// integers and the runs and pixels handed to the coverage routines are the same;
// only their order differs, and no two of them share a pixel. Edges that leave
// nothing in the view do not count: horizontal ones (no cover), those above or
// below the view, those right of it. An outline that does not qualify (edges back
// to the left, points beyond the rasterizer's limits, earlier sub-paths pending) is
// left to the rasterizer.
//
// The wave layers are such outlines: a straight left side, the top edge sampled
// left to right, the right side beyond the view and a straight bottom.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "blend/coverage_pixels.h"
#include "blend/dispatch.h"
#include "surface/memory.h"
#include "surface/surface.h"
#include "vector/fixed_point.h"
#include "vector/path.h"

namespace {

// ---- fixed point, as the rasterizer has it ---------------------------------------

constexpr int pixelShift = 8;
constexpr int pixelOne = 1 << pixelShift;
constexpr int pixelMask = pixelOne - 1;
constexpr int maxRunLength = 4095;

constexpr int cell_of(int v) { return v >> pixelShift; }

// The rasterizer converts points inside these limits directly; beyond them it cuts
// edges first, and such outlines are left to it.
constexpr float columnLimit = 32767.0f - 1.0f;
constexpr float rowLimit = 4194303.0f - 1.0f;

inline int to_fixed(float v) { return static_cast<int>((v + 0.5f) * 256.0f); }

// Floor division by a row piece's width. Sampled every 3 pixels, most edges of a
// wave lie within one row and are 768 wide: a constant divisor, which the compiler
// turns into a multiplication, with the quotient and remainder of the division (an
// integer division costs a few dozen cycles, two per row piece).
constexpr int sampledWidth = 3 * pixelOne;
inline FloorDiv<int> divide_by_width(int dividend, int width) {
  return width == sampledWidth ? floor_div(dividend, sampledWidth) : floor_div(dividend, width);
}

// Raw coverage 0..255 of cover * 512 - area under the rule.
template <bool evenOdd>
inline int raw_coverage(std::int32_t cover, std::int32_t area) {
  std::int64_t c = (std::int64_t{cover} * 512 - area) >> 9;
  c = c < 0 ? -c : c;
  if constexpr (evenOdd) {
    c &= 511;
    c = c > 256 ? 512 - c : c;
  }
  return c > 255 ? 255 : static_cast<int>(c);
}

// ---- rows ------------------------------------------------------------------------

// One view row while the walk passes: the cell being summed and what lies left of it.
struct RowCells {
  std::int32_t cover;      // the covers of the finished cells, and of all left of column 0
  std::int32_t x;          // the cell being summed, -1 for none
  std::int32_t cellCover;  // its sums so far
  std::int32_t cellArea;
  std::int32_t nextFree;  // the first column not yet plotted
};

// The pixel routine, through its pointer or, for Copy, inlined.
struct AnyPixel {
  CoveragePixelRoutine routine;
  void operator()(Color* p, Color color, int alpha) const { routine(p, color, alpha); }
};
struct CopyPixel {
  void operator()(Color* p, Color color, int alpha) const {
    coverPixel<px::coverCopy>(p, color, alpha);
  }
};

// Hands a row's runs and pixels to the coverage routines, cut as the rasterizer
// cuts them: to the view, to the rows plotted whole (setFillRows), to 12-bit run
// lengths. Which routine a pixel gets must not change: a run cut to one pixel at the
// view's edge takes the pixel routine, one cut by the rows' limit does not.
template <class Pixel>
class Plotter {
 public:
  Plotter(Color color, Pixel pixel)
      : color_(color),
        pixel_(pixel),
        run_(cellRasterizer.streamed ? streamedRun(coverageRoutines.run) : coverageRoutines.run),
        rows_(backBuffer.rowTable.data()),
        viewMaxX_(backBuffer.viewMaxX),
        firstWholeRow_(cellRasterizer.rowsTop),
        lastWholeRow_(cellRasterizer.rowsBottom - 1),
        outsideMaxX_(std::min(cellRasterizer.columnsOutside - 1, backBuffer.viewMaxX)) {}

  // Whether every column of row y is plotted (not cut by setFillRows).
  bool whole_row(int y) const { return y >= firstWholeRow_ && y <= lastWholeRow_; }
  int row_max_x(int y) const { return whole_row(y) ? viewMaxX_ : outsideMaxX_; }
  Color* line(int y) const { return reinterpret_cast<Color*>(rows_[y]); }

  int view_max_x() const { return viewMaxX_; }

  // A pixel known to lie in a row plotted whole, inside the view.
  void pixel_at(Color* p, int alpha) const { pixel_(p, color_, alpha); }

  void pixel(int y, int x, int alpha) const {
    if (x >= 0 && x <= row_max_x(y)) pixel_(line(y) + x, color_, alpha);
  }

  void run(int y, int x, int length, int alpha) const {
    const int rowMaxX = row_max_x(y);
    if (rowMaxX < 0) return;
    int last = x + length - 1;
    if (x > viewMaxX_ || last < 0) return;
    if (x < 0) x = 0;
    if (last > viewMaxX_) last = viewMaxX_;
    if (x == last) {
      if (x <= rowMaxX) pixel_(line(y) + x, color_, alpha);
      return;
    }
    if (last > rowMaxX) last = rowMaxX;
    length = last - x + 1;
    if (length < 1) return;
    Color* p = line(y) + x;
    while (length > maxRunLength) {
      const int piece = std::min(maxRunLength, length - 2);
      run_(p, color_, piece, alpha);
      p += piece;
      length -= piece;
    }
    run_(p, color_, length, alpha);
  }

 private:
  const Color color_;
  const Pixel pixel_;
  const CoverageRunRoutine run_;
  std::uint8_t* const* const rows_;
  const int viewMaxX_;
  const int firstWholeRow_, lastWholeRow_;
  const int outsideMaxX_;
};

// ---- the walk --------------------------------------------------------------------

struct FixedPoint {
  int x, y;
};

// The rasterizer's edge walk for edges running left to right, feeding the rows as
// it leaves each cell instead of storing the cell.
template <bool evenOdd, class Pixel>
class MonotoneWalk {
 public:
  // Rows firstRow .. lastRow (inside the view) are plotted; the walk passes the others.
  MonotoneWalk(const Plotter<Pixel>& plot, RowCells* rows, int width, int height, int firstRow,
               int lastRow)
      : plot_(plot),
        rows_(rows),
        width_(width),
        height_(height),
        firstRow_(firstRow),
        lastRow_(lastRow),
        rowCount_(static_cast<unsigned>(lastRow - firstRow + 1)),
        curve_(cellRasterizer.curve) {}

  // The first point: its cell, the row kept to the view and one row beyond it.
  void move_to(int x, int y) {
    cellX_ = cell_of(x);
    cellY_ = std::clamp(cell_of(y), -1, height_);
    cover_ = area_ = 0;
  }

  // An edge with x2 >= x1, or a horizontal one; the current cell holds (x1, y1).
  void edge(int x1, int y1, int x2, int y2) {
    const int bottomLimit = height_ * pixelOne;
    const bool swapped = y1 > y2;
    if (swapped) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    if (y2 < 0 || y1 >= bottomLimit) return;
    if (y1 < -1) {
      x1 = x2 + static_cast<int>(static_cast<std::int64_t>(x1 - x2) * (y2 + 1) / (y2 - y1));
      y1 = -1;
    }
    if (y2 > bottomLimit) {
      x2 = x1 +
           static_cast<int>(static_cast<std::int64_t>(x2 - x1) * (bottomLimit - y1) / (y2 - y1));
      y2 = bottomLimit;
    }
    if (swapped) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const int ey1 = cell_of(y1), ey2 = cell_of(y2);
    const int fy1 = y1 & pixelMask, fy2 = y2 & pixelMask;
    if (ey1 == ey2) {
      row_piece(ey1, x1, fy1, x2, fy2);
      return;
    }
    const bool down = y2 >= y1;
    const int first = down ? pixelOne : 0;
    const int incr = down ? 1 : -1;

    if (x1 == x2) {
      const int ex = cell_of(x1);
      const int twoFx = (x1 & pixelMask) * 2;
      int delta = first - fy1;
      accumulate(delta, twoFx * delta);
      // The rows crossed whole each hold the same cell: only those plotted are
      // visited, in any order, since rows do not share cells.
      const int fullCover = pixelOne * incr;
      const int fullArea = twoFx * fullCover;
      const int from = std::max(std::min(ey1, ey2) + 1, firstRow_);
      const int to = std::min(std::max(ey1, ey2) - 1, lastRow_);
      for (int row = from; row <= to; ++row) {
        step_to(ex, row);
        accumulate(fullCover, fullArea);
      }
      step_to(ex, ey2);
      delta = fy2 - pixelOne + first;
      accumulate(delta, twoFx * delta);
      return;
    }

    const int dx = x2 - x1;
    const int dy = down ? y2 - y1 : y1 - y2;
    const bool narrow = dx < (1 << 22);
    const auto divide = [narrow, dx, dy](int factor) {
      if (narrow) return floor_div(factor * dx, dy);
      const FloorDiv<std::int64_t> d = floor_div(std::int64_t{factor} * dx, std::int64_t{dy});
      return FloorDiv<int>{static_cast<int>(d.quotient), static_cast<int>(d.remainder)};
    };
    const FloorDiv<int> head = divide(down ? pixelOne - fy1 : fy1);
    int xFrom = x1 + head.quotient;
    int mod = head.remainder;
    row_piece(ey1, x1, fy1, xFrom, first);
    int row = ey1 + incr;
    step_to(cell_of(xFrom), row);
    if (row != ey2) {
      const FloorDiv<int> step = divide(pixelOne);
      mod -= dy;
      while (row != ey2) {
        mod += step.remainder;
        const int carry = mod >= 0;
        const int xTo = xFrom + step.quotient + carry;
        mod -= dy & -carry;
        row_piece(row, xFrom, pixelOne - first, xTo, first);
        xFrom = xTo;
        row += incr;
        step_to(cell_of(xFrom), row);
      }
    }
    row_piece(ey2, xFrom, pixelOne - first, x2, fy2);
  }

  // The edges from point i on that are each one sample step wide (3 pixels from a
  // pixel's centre, as the waves are sampled) and lie in one row, a row plotted
  // whole, inside the view's columns: a wave's top where it stays within a row. They
  // are walked together (walk_sampled_run); the count taken, 0 when edge i is not
  // one of them. `last` is the last point an edge may end at.
  int sampled_run(const FixedPoint* p, int i, int last) {
    const FixedPoint a = p[i];
    const int ey = cell_of(a.y);
    if ((a.x & pixelMask) != pixelOne / 2 || a.x < 0 ||
        static_cast<unsigned>(ey - firstRow_) >= rowCount_ || !plot_.whole_row(ey)) {
      return 0;
    }
    const int lastColumn = plot_.view_max_x() + 1;  // where the run's end may lie
    int k = i;
    while (k < last && p[k + 1].x - p[k].x == sampledWidth && cell_of(p[k + 1].y) == ey &&
           cell_of(p[k + 1].x) <= lastColumn) {
      ++k;
    }
    if (k > i) walk_sampled_run(p + i, k - i, ey);
    return k - i;
  }

  // Whether an edge from row ya to row yb (24.8) touches no row plotted: its cells
  // show nothing, as for one right of the view.
  bool misses_rows(int ya, int yb) const {
    const int low = cell_of(std::min(ya, yb)), high = cell_of(std::max(ya, yb));
    return high < firstRow_ || low > lastRow_;
  }

  // An edge wholly right of the view, or outside the rows plotted: its cells show
  // nothing. The walk would end in the cell of its end point, or in the row beyond
  // the view it was clipped at; any such cell is as good right of the view or in a
  // row not plotted, and an edge above or below the view leaves the cell as it is.
  void skip_edge(int x2, int y2, int yLow, int yHigh) {
    if (yHigh < 0 || yLow >= height_ * pixelOne) return;
    select(cell_of(x2), std::clamp(cell_of(y2), -1, height_));
  }

  // The last cell, then the rest of every row: with cover left over, the row's
  // cells right of the view take it back, and the run reaches past the view.
  void finish(int firstRow, int lastRow, bool upwards) {
    leave_cell();
    const auto end_row = [this](int y) {
      RowCells& row = rows_[y];
      if (row.x >= 0) finish_cell(y, row);
      const int raw = raw_coverage<evenOdd>(row.cover, 0);
      if (raw != 0) plot_.run(y, row.nextFree, width_ - row.nextFree, curve_[raw]);
    };
    if (upwards) {
      for (int y = lastRow; y >= firstRow; --y) end_row(y);
    } else {
      for (int y = firstRow; y <= lastRow; ++y) end_row(y);
    }
  }

 private:
  // The row piece of the rasterizer with xb >= xa.
  void row_piece(int ey, int xa, int ya, int xb, int yb) {
    int ex1 = cell_of(xa);
    const int ex2 = cell_of(xb);
    const int fx1 = xa & pixelMask, fx2 = xb & pixelMask;
    if (ya == yb) {
      select(ex2, ey);
      return;
    }
    if (ex1 == ex2) {
      const int delta = yb - ya;
      accumulate(delta, (fx1 + fx2) * delta);
      return;
    }
    const int dxAbs = xb - xa;
    const FloorDiv<int> head = divide_by_width((pixelOne - fx1) * (yb - ya), dxAbs);
    int delta = head.quotient;
    int mod = head.remainder;
    accumulate(delta, (fx1 + pixelOne) * delta);
    ya += delta;
    ++ex1;
    step_to(ex1, ey);
    if (ex1 != ex2) {
      const FloorDiv<int> step = divide_by_width(pixelOne * (yb - ya + delta), dxAbs);
      mod -= dxAbs;
      while (ex1 != ex2) {
        mod += step.remainder;
        const int carry = mod >= 0;
        delta = step.quotient + carry;
        mod -= dxAbs & -carry;
        accumulate(delta, pixelOne * delta);
        ya += delta;
        ++ex1;
        step_to(ex1, ey);
      }
    }
    delta = yb - ya;
    accumulate(delta, fx2 * delta);
  }

  // Such a run of edges q[0] .. q[edges] in row ey. Each edge starts half a pixel
  // into column 3m and ends half a pixel into column 3m + 3; the rasterizer's steps
  // cross the columns' boundaries at floor(dy / 6), floor(dy / 2) and floor(5dy / 6)
  // below its start (dy its height), so each edge leaves four cells: 3m with
  // (d0, 384 d0), 3m + 1 and 3m + 2 whole wide, and 3m + 3 with the rest, half wide,
  // shared with the next edge. No later edge reaches these columns (edges that show
  // run left to right), so each cell is finished at once, as the walk would finish
  // it on entering the next one, with the row's cover and next free column kept in
  // registers. The last edge's last cell becomes the current cell as usual.
  void walk_sampled_run(const FixedPoint* q, int edges, int ey) {
    int dy = q[1].y - q[0].y;
    int d0 = floor_div(dy, 6).quotient;
    accumulate(d0, (pixelOne + pixelOne / 2) * d0);
    leave_cell();
    RowCells& row = rows_[ey];
    if (row.x >= 0) finish_cell(ey, row);
    std::int32_t cover = row.cover;
    int nextFree = row.nextFree;
    Color* const line = plot_.line(ey);
    const auto finish_now = [&](int x, int cellCover, int cellArea) {
      if (!(cellCover | cellArea)) return;  // not stored: the next run covers it
      if (x > nextFree) {
        const int raw = raw_coverage<evenOdd>(cover, 0);
        if (raw != 0) plot_.run(ey, nextFree, x - nextFree, curve_[raw]);
      }
      cover = wrap_add(cover, cellCover);
      nextFree = x;
      if (cellArea != 0) {
        const int raw = raw_coverage<evenOdd>(cover, cellArea);
        if (raw != 0) plot_.pixel_at(line + x, curve_[raw]);
        nextFree = x + 1;
      }
    };
    int x = cell_of(q[0].x);
    int lastCover = 0;  // the previous edge's share of column x
    for (int e = 0; e < edges; ++e, x += 3) {
      if (e > 0) {
        dy = q[e + 1].y - q[e].y;
        d0 = floor_div(dy, 6).quotient;
        finish_now(x, lastCover + d0, (pixelOne / 2) * lastCover + (pixelOne + pixelOne / 2) * d0);
      }
      const int half = dy >> 1, fiveSixths = floor_div(5 * dy, 6).quotient;
      finish_now(x + 1, half - d0, pixelOne * (half - d0));
      finish_now(x + 2, fiveSixths - half, pixelOne * (fiveSixths - half));
      lastCover = dy - fiveSixths;
    }
    row.cover = cover;
    row.nextFree = nextFree;
    cellX_ = x;
    cellY_ = ey;
    cover_ = lastCover;
    area_ = (pixelOne / 2) * lastCover;
  }

  void accumulate(int cover, int area) {
    cover_ = wrap_add(cover_, cover);
    area_ = wrap_add(area_, area);
  }

  // Leaves the current cell for (cx, cy), which the walk has just stepped into.
  void step_to(int cx, int cy) {
    leave_cell();
    cellX_ = cx;
    cellY_ = cy;
    cover_ = area_ = 0;
  }
  void select(int cx, int cy) {
    if (cx != cellX_ || cy != cellY_) step_to(cx, cy);
  }

  // What the rasterizer would store: the cell, when it holds cover or area. Left of
  // the view only its cover counts; right of it and outside the rows plotted, nothing.
  void leave_cell() {
    if (!(cover_ | area_)) return;
    const int y = cellY_, x = cellX_;
    if (static_cast<unsigned>(y - firstRow_) >= rowCount_ || x >= width_) return;
    RowCells& row = rows_[y];
    if (x < 0) {
      row.cover = wrap_add(row.cover, cover_);
      return;
    }
    if (row.x == x) {
      row.cellCover = wrap_add(row.cellCover, cover_);
      row.cellArea = wrap_add(row.cellArea, area_);
      return;
    }
    if (row.x >= 0) finish_cell(y, row);
    if (x > row.nextFree) {
      const int raw = raw_coverage<evenOdd>(row.cover, 0);
      if (raw != 0) plot_.run(y, row.nextFree, x - row.nextFree, curve_[raw]);
    }
    row.x = x;
    row.cellCover = cover_;
    row.cellArea = area_;
  }

  // The row's summed cell: its pixel, and its cover added to the row's.
  void finish_cell(int y, RowCells& row) {
    row.cover = wrap_add(row.cover, row.cellCover);
    row.nextFree = row.x;
    if (row.cellArea != 0) {
      const int raw = raw_coverage<evenOdd>(row.cover, row.cellArea);
      if (raw != 0) plot_.pixel(y, row.x, curve_[raw]);
      row.nextFree = row.x + 1;
    }
    row.x = -1;
  }

  const Plotter<Pixel>& plot_;
  RowCells* const rows_;
  const int width_, height_;
  const int firstRow_, lastRow_;
  const unsigned rowCount_;
  const int* const curve_;
  int cellX_ = 0, cellY_ = 0;
  std::int32_t cover_ = 0, area_ = 0;
};

// ---- the outline -----------------------------------------------------------------

// The work arrays of this file, one set per drawing thread, freed with the drawing.
struct MonotoneBuffers {
  RowCells* rowCells = nullptr;  // per view row
  int rowCellsCapacity = 0;
  FixedPoint* fixedPoints = nullptr;  // the outline in 24.8
  int fixedCapacity = 0;
};
DRAWING_STATE MonotoneBuffers buffers;

void free_buffers() {
  freeGrownBuffer(buffers.rowCells);
  freeGrownBuffer(buffers.fixedPoints);
  buffers = MonotoneBuffers{};
}

// Grows a work array to `needed` elements (contents not kept). False when memory
// ran out (already reported).
template <typename T>
bool reserve(T*& block, int& capacity, int needed) {
  if (needed <= capacity) return true;
  void* grown = growBuffer(block, sizeof(T) * needed, sizeof(T) * 1024, 0);
  if (!grown) return false;
  if (!block) addDrawingShutdownHook(free_buffers);
  block = static_cast<T*>(grown);
  capacity = needed;
  return true;
}

// What the walk does with an edge.
enum class EdgeKind { walk, skip, refuse };

// Horizontal edges and those above or below the view leave no cover; those right of
// the view none that shows. Every other edge must run left to right from where the
// last one ended or further right: `frontier`, with all of the left of the view as
// one place, since there only the sum of the covers counts.
EdgeKind classify(FixedPoint a, FixedPoint b, int width, int height, int& frontier) {
  if (a.y == b.y) return EdgeKind::walk;
  if (std::max(a.y, b.y) < 0 || std::min(a.y, b.y) >= height * pixelOne) return EdgeKind::walk;
  if (cell_of(std::min(a.x, b.x)) >= width) return EdgeKind::skip;
  if (b.x < a.x || std::max(a.x, -pixelOne) < frontier) return EdgeKind::refuse;
  frontier = std::max(b.x, -pixelOne);
  return EdgeKind::walk;
}

// Whether the float edge a -> b would surely be refused once converted: it runs left
// by more than a pixel, over rows of the view, not wholly right of it (each margin
// of a pixel outlasts the rounding to 24.8). Foam and discs turn back next to their
// first or last point; looking there first spares converting them for nothing.
bool turns_back(PathPoint a, PathPoint b, float width, float height) {
  return b.x <= a.x - 1.0f && std::fabs(a.y - b.y) >= 1.0f && std::max(a.y, b.y) >= 0.0f &&
         std::min(a.y, b.y) <= height - 1.0f && b.x <= width - 1.0f;
}

// The outline in 24.8 as the walk takes it.
struct Outline {
  int count = 0;            // points, identical neighbours merged
  int top = 0, bottom = 0;  // its highest and lowest y
};

// The pending points in 24.8, identical neighbours merged as the rasterizer skips
// them, each edge checked as the walk will take it. A fill with more cells than the
// rasterizer's store holds is drawn by it in bands, whose edges are cut at each
// band's top: their cells differ from one walk's. Such outlines are left to it,
// judged by a bound on the cells an edge can visit (its rows in the view, its
// columns, and one). False when the outline does not qualify or memory ran out.
bool convert_outline(const PathBuffer& pb, int width, int height, Outline& out) {
  const int last = pb.count - 1;
  const PathPoint* const q = pb.points;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  if (turns_back(q[0], q[1], w, h) || turns_back(q[last], q[0], w, h) ||
      (last >= 2 && (turns_back(q[1], q[2], w, h) || turns_back(q[last - 1], q[last], w, h)))) {
    return false;
  }
  if (!reserve(buffers.fixedPoints, buffers.fixedCapacity, pb.count)) return false;
  FixedPoint* const p = buffers.fixedPoints;
  // A plain loop the compiler vectorizes, then the checks on integers.
  for (int i = 0; i <= last; ++i) p[i] = {to_fixed(q[i].x), to_fixed(q[i].y)};
  int frontier = INT_MIN;
  std::int64_t cells = 0;
  const auto take = [&](FixedPoint a, FixedPoint b) {
    if (classify(a, b, width, height, frontier) == EdgeKind::refuse) return false;
    const int rowA = std::clamp(cell_of(a.y), -1, height),
              rowB = std::clamp(cell_of(b.y), -1, height);
    cells += std::abs(rowA - rowB) + std::abs(cell_of(a.x) - cell_of(b.x)) + 2;
    return true;
  };
  int n = 1;
  int top = p[0].y, bottom = p[0].y;
  for (int i = 1; i <= last; ++i) {
    const FixedPoint f = p[i];
    if (f.x == p[n - 1].x && f.y == p[n - 1].y) continue;
    if (!take(p[n - 1], f)) return false;
    top = std::min(top, f.y);
    bottom = std::max(bottom, f.y);
    p[n++] = f;
  }
  out.top = top;
  out.bottom = bottom;
  out.count = n;
  return n >= 2 && take(p[n - 1], p[0]) && cells <= std::int64_t{maxCellBlocks} * cellsPerBlock;
}

template <bool evenOdd, class Pixel>
void walk_outline(const Outline& outline, Color color, Pixel pixel) {
  const BackBuffer& b = backBuffer;
  const int width = b.viewWidth, height = b.viewHeight;
  const FixedPoint* const p = buffers.fixedPoints;
  const int n = outline.count;
  // The outline's rows, and of those the ones this thread plots (setFillBand).
  const int outlineFirst = std::clamp(cell_of(outline.top), 0, height - 1);
  const int outlineLast = std::clamp(cell_of(outline.bottom), 0, height - 1);
  const int firstRow = std::max(outlineFirst, cellRasterizer.limitTop);
  const int lastRow = std::min(outlineLast, cellRasterizer.limitBottom - 1);
  if (firstRow > lastRow) return;
  const bool band = firstRow > outlineFirst || lastRow < outlineLast;  // edges may miss it
  RowCells* const rowCells = buffers.rowCells;
  for (int y = firstRow; y <= lastRow; ++y) rowCells[y] = {0, -1, 0, 0, 0};

  const Plotter<Pixel> plot(color, pixel);
  MonotoneWalk<evenOdd, Pixel> walk(plot, rowCells, width, height, firstRow, lastRow);
  walk.move_to(p[0].x, p[0].y);
  int frontier = INT_MIN;
  for (int i = 0; i < n; ++i) {
    const int run = walk.sampled_run(p, i, n - 1);
    if (run > 0) {
      i += run - 1;
      continue;
    }
    const FixedPoint a = p[i], c = p[i + 1 < n ? i + 1 : 0];
    if (classify(a, c, width, height, frontier) == EdgeKind::skip ||
        (band && walk.misses_rows(a.y, c.y))) {
      walk.skip_edge(c.x, c.y, std::min(a.y, c.y), std::max(a.y, c.y));
    } else {
      walk.edge(a.x, a.y, c.x, c.y);
    }
  }
  walk.finish(firstRow, lastRow, b.rowStep < 0);
}

template <bool evenOdd>
void walk_with_routines(const Outline& outline, Color color) {
  if (coverageRoutines.pixel == &coverPixel<px::coverCopy>) {
    walk_outline<evenOdd>(outline, color, CopyPixel{});
  } else {
    walk_outline<evenOdd>(outline, color, AnyPixel{coverageRoutines.pixel});
  }
}

}  // namespace

bool fillMonotonePath(Color color, int mode) {
  PathBuffer& pb = pathBuffer;
  const BackBuffer& b = backBuffer;
  // A clip (setFillClip) is left to the rasterizer: it serves redrawing small parts,
  // and the walk's plotting stays simpler without it.
  if (fillRuleState.cellsPending || pb.count < 2 || b.viewWidth < 1 || b.viewHeight < 1 ||
      cellRasterizer.clipCount > 0) {
    return false;
  }
  // Not shown at all, or beyond the limits where the rasterizer converts directly.
  if (pb.maxX < -0.5f || pb.minX > b.clipMaxXf || pb.maxY < -0.5f || pb.minY > b.clipMaxYf ||
      !(pb.minX > -columnLimit && pb.maxX < columnLimit && pb.minY > -rowLimit &&
        pb.maxY < rowLimit)) {
    return false;
  }
  Outline outline;
  if (!convert_outline(pb, b.viewWidth, b.viewHeight, outline) ||
      !reserve(buffers.rowCells, buffers.rowCellsCapacity, b.viewHeight)) {
    return false;
  }
  select_coverage_mode(mode & 0xF);
  if (cellRasterizer.fillRule == 1) {
    walk_with_routines<true>(outline, color);
  } else {
    walk_with_routines<false>(outline, color);
  }
  pb.clear();
  if (fillRuleState.restoreAfterFill) {
    fillRuleState.restoreAfterFill = 0;
    restoreFillRule();
  }
  return true;
}
