// The polygon fill: an exact-area coverage rasterizer.
//
// Cells, cover and area
// ---------------------
// The outline is cut at every pixel boundary. Each piece of edge inside a pixel
// cell leaves two numbers in that cell:
//
//   cover  the signed height of the piece, in 1/256 pixel: positive going down;
//   area   the piece's height times twice its mean x inside the cell (0..512).
//
//        cell x             To the right of the piece, the whole height of the
//     +---------+           piece is inside the shape; to its left, none of it.
//     |   /     |           Inside the cell, the part right of the piece is
//     |  / ...  |           cover * 256 - area / 2 (in 1/256 x 1/256 pixel).
//     | /  ...  |
//     +---------+
//
// The cells are sorted by row, then column, and swept once, left to right, keeping
// the running sum of all covers seen so far. Every pixel between two cells of a row
// is covered by that running sum; a pixel with a cell is covered by
// running cover * 512 - area, which counts only the part right of its pieces. Both
// are in units of 1/(256 * 512) pixel; shifting by 9 gives 0..256. For a closed
// outline the covers of each row add up to 0, so the running sum needs no reset.
//
// The fill rule turns the signed sum into coverage: non-zero takes its absolute
// value; even-odd folds it modulo 512, so a region covered twice comes out empty.
//
// 24.8 fixed point
// ----------------
// Coordinates become integers in 1/256 pixel: X = trunc((x + 0.5) * 256). The top
// 24 bits are the cell, the low 8 the position inside it. The caller's integer
// coordinates are pixel centres; adding 0.5 puts the pixel's left edge at the
// cell's left edge, so a pixel's centre lies in the middle of its cell.
//
// Pipeline, in the order of this file: fixed-point helpers, the cell store and the
// walk's state, the edge walk, sub-paths and point conversion, the sort (cells are
// counted per row as they are stored; one scatter orders them by row), the sweep
// with plotting, and the entry points.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "blend/coverage_pixels.h"
#include "blend/dispatch.h"
#include "surface/memory.h"
#include "surface/surface.h"
#include "vector/fixed_point.h"
#include "vector/path.h"
#include "vector/portable_math.h"

// ---- fixed-point helpers ------------------------------------------------------

namespace {

constexpr int pixelShift = 8;              // 24.8
constexpr int pixelOne = 1 << pixelShift;  // 256: one pixel
constexpr int pixelMask = pixelOne - 1;    // position inside a cell
constexpr int openSubPath = 1;             // flags bit 0
constexpr int accumulating = 2;            // flags bit 1
constexpr int maxRunLength = 4095;         // 12 bits of run length
constexpr int emptyRow = 0x7FFF;

// The cell holding a 24.8 coordinate (an arithmetic shift rounds toward -inf).
constexpr int cell_of(int v) { return v >> pixelShift; }

// Modular, so that a cell that cannot hold cover (the row below a 32768-row view)
// has a defined key too.
constexpr std::int32_t cell_key(int x, int y) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(y) << 16) +
                                   static_cast<std::uint32_t>(x));
}

static_assert(std::endian::native == std::endian::little, "cells are stored as x86 lays them out");
static_assert(offsetof(CoverageCell, x) == 0 && offsetof(CoverageCell, y) == 2);

// The current cell before the first one is selected: a key no selected cell has.
constexpr CoverageCell emptyCell{0x7FFF, 0x7FFF, cell_key(0x7FFF, 0x7FFF), 0, 0};

// Shifted coordinates (x + 0.5) are kept inside these limits before conversion, so
// every cell column fits 16 bits and every fixed-point value fits 32 bits, even the
// height of an edge from the top limit to the bottom one. Edges are cut where they
// cross a limit, along a vertical line for columns and a horizontal one for rows
// (see add_guarded_edge), so no visible edge changes its slope.
constexpr float minColumnLimit = -32767.0f;
constexpr float maxColumnLimit = 32767.0f;
constexpr float rowLimit = 4194303.0f;

// A shifted, in-range coordinate to 24.8, truncating toward zero.
inline int to_fixed(float shifted) { return static_cast<int>(shifted * 256.0f); }

// Raw coverage i to alpha: convex, so partial coverage is drawn lighter than linear.
// clang-format off
constexpr int defaultCurve[256] = {
      0,   0,   1,   1,   2,   2,   3,   4,   4,   5,   5,   6,   7,   7,   8,   8,
      9,  10,  10,  11,  11,  12,  13,  13,  14,  14,  15,  16,  16,  17,  18,  18,
     19,  19,  20,  21,  21,  22,  22,  23,  24,  24,  25,  25,  26,  27,  27,  28,
     29,  29,  30,  30,  31,  32,  32,  33,  34,  34,  35,  36,  36,  37,  37,  38,
     39,  39,  40,  41,  41,  42,  43,  43,  44,  45,  45,  46,  47,  47,  48,  49,
     49,  50,  51,  51,  52,  53,  53,  54,  55,  55,  56,  57,  57,  58,  59,  60,
     60,  61,  62,  62,  63,  64,  65,  65,  66,  67,  68,  68,  69,  70,  71,  71,
     72,  73,  74,  74,  75,  76,  77,  78,  78,  79,  80,  81,  82,  83,  83,  84,
     85,  86,  87,  88,  89,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,
    100, 101, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 114, 115,
    116, 117, 118, 119, 120, 121, 122, 123, 124, 126, 127, 128, 129, 130, 131, 132,
    134, 135, 136, 137, 139, 140, 141, 142, 144, 145, 146, 147, 149, 150, 151, 153,
    154, 155, 157, 158, 159, 161, 162, 164, 165, 166, 168, 169, 171, 172, 174, 175,
    177, 178, 180, 181, 183, 184, 186, 188, 189, 191, 192, 194, 195, 197, 199, 200,
    202, 204, 205, 207, 209, 210, 212, 214, 215, 217, 219, 220, 222, 224, 225, 227,
    229, 230, 232, 234, 236, 237, 239, 241, 242, 244, 246, 248, 249, 251, 253, 255,
};
// clang-format on

constexpr CellRasterizer initial_rasterizer() {
  CellRasterizer r{};
  for (int i = 0; i < 256; ++i) r.curve[i] = defaultCurve[i];
  return r;
}

}  // namespace

DRAWING_STATE PathBuffer pathBuffer;
DRAWING_STATE PathRotation pathRotation;
DRAWING_STATE FillRuleState fillRuleState;
DRAWING_STATE CellRasterizer cellRasterizer = initial_rasterizer();

namespace {

// ---- work buffers ---------------------------------------------------------------

// Frees every work buffer; registered with the drawing shutdown. Pending points and
// cells are dropped with them.
void free_raster_buffers() {
  CellRasterizer& r = cellRasterizer;
  freeGrownBuffer(pathBuffer.points);
  pathBuffer.points = nullptr;
  pathBuffer.count = pathBuffer.capacity = 0;
  for (int i = 0; i < r.blocksAllocated; ++i) freeAligned(r.blocks[i]);
  freeGrownBuffer(r.blocks);
  freeGrownBuffer(r.sorted);
  freeGrownBuffer(r.mergeScratch);
  r.mergeScratch = nullptr;
  r.mergeScratchCapacity = 0;
  freeGrownBuffer(r.rowStarts);
  freeGrownBuffer(r.rowCounts);
  freeGrownBuffer(r.outline);
  r.outline = nullptr;
  r.outlineCount = r.outlineCapacity = 0;
  r.blocks = nullptr;
  r.blockSlots = r.blocksAllocated = 0;
  r.sorted = nullptr;
  r.sortedCapacity = 0;
  r.rowStarts = nullptr;
  r.rowStartsCapacity = 0;
  r.rowCounts = nullptr;
  r.rowCountsCapacity = r.rowsInUse = 0;
  // The state of a new fill, as at the start.
  r.numCells = r.overflowed = r.banded = 0;
  r.blockIndex = -1;
  r.cell = emptyCell;
  r.next = r.limit = nullptr;
  r.minCellX = r.minCellY = 0x7FFFFFFF;
  r.maxCellX = r.maxCellY = -0x7FFFFFFF;
  r.flags = accumulating;
  fillRuleState.cellsPending = 0;
}

// Registers the release once, at the first allocation.
void register_release() {
  static DRAWING_STATE bool registered = false;  // each thread frees its own
  if (!registered) {
    addDrawingShutdownHook(free_raster_buffers);
    registered = true;
  }
}

// Grows a work array to hold `needed` elements, in steps of `step` elements; the
// contents are kept. False when memory ran out (already reported).
template <typename T>
bool grow_array(T*& block, int& capacity, int needed, int step) {
  if (needed <= capacity) return true;
  void* grown = growBuffer(block, sizeof(T) * needed, sizeof(T) * step, 0);
  if (!grown) return false;
  block = static_cast<T*>(grown);
  capacity = lastGrowSize ? static_cast<int>(lastGrowSize / sizeof(T)) : needed;
  register_release();
  return true;
}

// ---- cell store -----------------------------------------------------------------

// Free slots of the block being written.
struct CellSlots {
  CoverageCell* next;
  CoverageCell* limit;
};

CellSlots compact_cells();

// The store's size as the tests may have set it.
int store_size() { return std::clamp(cellRasterizer.storeCells, 1, cellsPerBlock * maxCellBlocks); }

// Cells the current fill, or band, may store.
int cell_limit() { return cellRasterizer.banded ? cellRasterizer.bandCells : store_size(); }

// The slots of block `index` from `used` on, up to the cell limit.
CellSlots block_slots(int index, int used) {
  CoverageCell* const block = cellRasterizer.blocks[index];
  const int end = std::min(cellsPerBlock, cell_limit() - index * cellsPerBlock);
  return {block + used, block + end};
}

// Adds a block to the store. False when memory ran out (already reported).
bool allocate_block() {
  CellRasterizer& r = cellRasterizer;
  if (!grow_array(r.blocks, r.blockSlots, r.blocksAllocated + 1, 512)) return false;
  void* block = allocAligned(sizeof(CoverageCell) * cellsPerBlock, 64, 0);
  if (!block) return false;
  register_release();
  r.blocks[r.blocksAllocated++] = static_cast<CoverageCell*>(block);
  return true;
}

// Opens the next block for writing, reusing a block of an earlier fill or
// allocating one. At the block limit (or when memory ran out) the whole fill is
// marked for bands and no slots are given: this cell and every later one of the
// fill are dropped, since the bands walk the outline again. While a band is walked,
// the full store is compacted instead.
[[gnu::noinline]] CellSlots open_next_block() {
  CellRasterizer& r = cellRasterizer;
  const int next = r.blockIndex + 1;
  if (next * cellsPerBlock < cell_limit() && (next < r.blocksAllocated || allocate_block())) {
    r.blockIndex = next;
    return block_slots(next, 0);
  }
  if (r.banded) return compact_cells();
  r.overflowed = 1;
  return {nullptr, nullptr};
}

// Cells stored so far in the current fill.
int stored_cell_count() {
  const CellRasterizer& r = cellRasterizer;
  if (r.blockIndex < 0) return 0;
  return r.blockIndex * cellsPerBlock + static_cast<int>(r.next - r.blocks[r.blockIndex]);
}

// Makes the row counts cover rows -1 .. viewHeight of the current view (the rows a
// walk can reach); rows added start at 0. False when memory ran out.
bool reserve_row_counts() {
  CellRasterizer& r = cellRasterizer;
  const int needed = backBuffer.viewHeight + 2;
  if (needed <= r.rowsInUse) return true;
  if (!grow_array(r.rowCounts, r.rowCountsCapacity, needed, 1024)) return false;
  std::memset(r.rowCounts + r.rowsInUse, 0, sizeof(int) * (needed - r.rowsInUse));
  r.rowsInUse = needed;
  return true;
}

// The counter of a cell's row. Rows lie in -1 .. viewHeight; the clamp only keeps
// a stray row inside the array.
inline unsigned row_index(int y, unsigned lastRow) {
  return std::min(static_cast<unsigned>(y + 1), lastRow);
}

// ---- the walk's state -----------------------------------------------------------

// What the edge walk changes, held in a local record while a point list is walked.
// Every cell store could alias the global record, so the compiler would reload and
// rewrite it around each store; a local record lives in registers.
struct Walk {
  // The current cell, field by field (a record copied whole would stay in memory);
  // its column and row are read from the key when it is stored.
  std::int32_t cellKey, cellCover, cellArea;
  CoverageCell* next;
  CoverageCell* limit;
  int* rowCounts;
  unsigned lastRow;  // last index of rowCounts in use
  int minCellY, maxCellY;
  int startX, startY, curX, curY;
  int flags;
  int bottomLimit;          // the view's height in 24.8: edges are clipped there, and 1 above row 0
  int bandTop, bandBottom;  // rows whose cells are stored: the band's, or all a walk reaches
};

// The current cell as stored: key = y * 65536 + x, modulo 2^32.
inline CoverageCell cell_of_walk(const Walk& w) {
  const auto x = static_cast<std::int16_t>(w.cellKey);
  const auto y = static_cast<std::int16_t>(
      (static_cast<std::uint32_t>(w.cellKey) - static_cast<std::uint32_t>(x)) >> 16);
  return {x, y, w.cellKey, w.cellCover, w.cellArea};
}

Walk begin_walk() {
  const CellRasterizer& r = cellRasterizer;
  return {r.cell.key,
          r.cell.cover,
          r.cell.area,
          r.next,
          r.limit,
          r.rowCounts,
          static_cast<unsigned>(r.rowsInUse - 1),
          r.minCellY,
          r.maxCellY,
          r.startX,
          r.startY,
          r.curX,
          r.curY,
          r.flags,
          backBuffer.viewHeight * pixelOne,
          r.bandTop,
          r.bandBottom};
}

void end_walk(const Walk& w) {
  CellRasterizer& r = cellRasterizer;
  r.cell = cell_of_walk(w);
  r.next = w.next;
  r.limit = w.limit;
  r.minCellY = w.minCellY;
  r.maxCellY = w.maxCellY;
  r.startX = w.startX;
  r.startY = w.startY;
  r.curX = w.curX;
  r.curY = w.curY;
  r.flags = w.flags;
}

// Makes the current cell the empty one that no selected cell matches.
inline void clear_cell(Walk& w) {
  w.cellKey = emptyCell.key;
  w.cellCover = w.cellArea = 0;
}

// Stores the current cell in the next slot and counts it in its row.
inline void store_cell(Walk& w) {
  if (w.next == w.limit) {
    const CellSlots slots = open_next_block();
    if (!slots.next) return;
    w.next = slots.next;
    w.limit = slots.limit;
  }
  // Column and row are the cell's first four bytes: the key, plus the 65536 that a
  // negative column borrowed from the row. Four plain stores; composing the record
  // in registers costs twice as many instructions.
  const auto key = static_cast<std::uint32_t>(w.cellKey);
  const std::uint32_t columnAndRow = key + ((key & 0x8000u) << 1);
  CoverageCell* const c = w.next++;
  std::memcpy(c, &columnAndRow, sizeof columnAndRow);
  c->key = w.cellKey;
  c->cover = w.cellCover;
  c->area = w.cellArea;
  ++w.rowCounts[row_index(static_cast<std::int16_t>(columnAndRow >> 16), w.lastRow)];
}

// Makes (cx, cy) the current cell, storing the previous one if it holds anything,
// for a cell the walk has just stepped into, which cannot be the current one: no
// comparison. (Were it the same, the cell would be stored twice, and the sweep sums
// cells of one key anyway.)
inline void step_to_cell(Walk& w, int cx, int cy) {
  if (w.cellCover | w.cellArea) store_cell(w);
  w.cellKey = cell_key(cx, cy);
  w.cellCover = 0;
  w.cellArea = 0;
}

// The same for a cell that may be the current one, which then stays as it is.
inline void select_cell(Walk& w, int cx, int cy) {
  if (cell_key(cx, cy) != w.cellKey) step_to_cell(w, cx, cy);
}

// Adds a piece's height and area to the current cell.
inline void accumulate(Walk& w, int cover, int area) {
  w.cellCover = wrap_add(w.cellCover, cover);
  w.cellArea = wrap_add(w.cellArea, area);
}

// ---- edge walk ------------------------------------------------------------------

// The row piece: the part of an edge inside row ey, from (xa, ya) to (xb, yb), ya and
// yb being heights 0..256 inside the row. The current cell is the one holding xa.
//
// Crossing from cell to cell, the height gained per cell is 256 * (yb - ya) / |dx|.
// It is done in integers: the first cell gets floor(p / |dx|) with p its share of
// the width, every further cell `lift` plus one whenever the carried remainder
// `mod` comes round, and the last cell whatever height is left, so the heights add
// up to yb - ya exactly. (The carry is computed without a branch: it comes round
// at no foreseeable cell.)
[[gnu::always_inline]] inline void render_row_piece(Walk& w, int ey, int xa, int ya, int xb,
                                                    int yb) {
  int ex1 = cell_of(xa);
  const int ex2 = cell_of(xb);
  const int fx1 = xa & pixelMask;
  const int fx2 = xb & pixelMask;

  if (ya == yb) {  // horizontal: no cover, only the cell changes
    select_cell(w, ex2, ey);
    return;
  }
  if (ex1 == ex2) {  // inside one cell
    const int delta = yb - ya;
    accumulate(w, delta, (fx1 + fx2) * delta);
    return;
  }

  int p, first, incr, dxAbs;
  if (xb >= xa) {
    p = (pixelOne - fx1) * (yb - ya);
    first = pixelOne;
    incr = 1;
    dxAbs = xb - xa;
  } else {
    p = fx1 * (yb - ya);
    first = 0;
    incr = -1;
    dxAbs = xa - xb;
  }
  const FloorDiv<int> head = floor_div(p, dxAbs);
  int delta = head.quotient;
  int mod = head.remainder;
  accumulate(w, delta, (fx1 + first) * delta);
  ya += delta;
  ex1 += incr;
  step_to_cell(w, ex1, ey);

  if (ex1 != ex2) {
    const FloorDiv<int> step = floor_div(pixelOne * (yb - ya + delta), dxAbs);
    const int lift = step.quotient;
    const int rem = step.remainder;
    mod -= dxAbs;
    while (ex1 != ex2) {
      mod += rem;
      const int carry = mod >= 0;
      delta = lift + carry;
      mod -= dxAbs & -carry;
      accumulate(w, delta, pixelOne * delta);
      ya += delta;
      ex1 += incr;
      step_to_cell(w, ex1, ey);
    }
  }
  delta = yb - ya;
  accumulate(w, delta, (fx2 + pixelOne - first) * delta);
}

// An edge from (x1, y1) to (x2, y2) in 24.8; the current cell holds (x1, y1).
//
// Vertical clipping keeps the rows of the view and the row above it. The upper end
// moves one step above row 0, not onto it: a clipped edge then deposits its first
// piece in the row above, which is swept but never plotted, whatever cell is
// current there. Edges are never clipped horizontally; their runs are cut when
// plotted.
//
// Across rows the same integer stepping as in the row piece applies: x advances by
// floor(256 * dx / dy) per row plus a carried remainder, so where the edge enters a
// row is floor(height above it * dx / dy) from its start, exactly.
//
// Bands: an edge is clipped at the view's rows whatever the band, and only the rows
// of the band are walked; the walk enters the band's first row where the whole
// walk would, computed at once from that formula. Outside the band the current cell
// is one that is never stored (nothing is added to it), as the whole walk's cell
// there is never plotted: the cells of the band's rows come out the same, piece by
// piece, cell by cell, whatever the band's height.
//
// The walk of a band is its own instantiation (`band`): the whole walk, on every
// fill, keeps every row it reaches and carries none of this.
template <bool band>
[[gnu::always_inline]] inline void render_edge(Walk& w, int x1, int y1, int x2, int y2) {
  const int bottomLimit = w.bottomLimit;

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
    x2 = x1 + static_cast<int>(static_cast<std::int64_t>(x2 - x1) * (bottomLimit - y1) / (y2 - y1));
    y2 = bottomLimit;
  }
  if constexpr (!band) {
    if (cell_of(y1) < w.minCellY) w.minCellY = cell_of(y1);
    if (cell_of(y2) + 1 > w.maxCellY) w.maxCellY = cell_of(y2) + 1;
  }
  if (swapped) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }

  const int ey1 = cell_of(y1);
  const int ey2 = cell_of(y2);
  const int fy1 = y1 & pixelMask;
  const int fy2 = y2 & pixelMask;
  const bool down = y2 >= y1;

  // The rows of the edge inside the band, in the walk's direction: enter .. exit.
  const int enter = !band ? ey1 : down ? std::max(ey1, w.bandTop) : std::min(ey1, w.bandBottom - 1);
  const int exit = !band ? ey2 : down ? std::min(ey2, w.bandBottom - 1) : std::max(ey2, w.bandTop);
  if constexpr (band) {
    if (down ? enter > exit : enter < exit) {  // the edge ends outside the band, as its walk
      step_to_cell(w, emptyCell.x, ey2 < w.bandTop ? w.bandTop - 1 : w.bandBottom);
      return;
    }
    if (std::min(enter, exit) < w.minCellY) w.minCellY = std::min(enter, exit);
    if (std::max(enter, exit) + 1 > w.maxCellY) w.maxCellY = std::max(enter, exit) + 1;
  }

  if (ey1 == ey2) {
    render_row_piece(w, ey1, x1, fy1, x2, fy2);
    return;
  }
  const int first = down ? pixelOne : 0;
  const int incr = down ? 1 : -1;
  // The row after the last one walked: past the edge's last row, or outside the band
  // (stepped into, with nothing added).
  const int end = exit == ey2 ? ey2 : exit + incr;

  if (x1 == x2) {  // vertical: one cell per row, no row pieces needed
    const int ex = cell_of(x1);
    const int twoFx = (x1 & pixelMask) * 2;
    int row = enter;
    if (row == ey1) {
      const int delta = first - fy1;
      accumulate(w, delta, twoFx * delta);
      row += incr;
    }
    step_to_cell(w, ex, row);
    const int fullCover = pixelOne * incr;
    const int fullArea = twoFx * fullCover;
    while (row != end) {
      accumulate(w, fullCover, fullArea);
      row += incr;
      step_to_cell(w, ex, row);
    }
    if (exit == ey2) {
      const int delta = fy2 - pixelOne + first;
      accumulate(w, delta, twoFx * delta);
    }
    return;
  }

  // General edge. x moves by `head` over the first row and `step` per further row;
  // with 16-bit columns dx may reach 2^24, so the products may need 64 bits.
  const int dx = x2 - x1;
  const int dy = down ? y2 - y1 : y1 - y2;
  const bool narrow = dx > -(1 << 22) && dx < (1 << 22);
  const auto divide = [narrow, dx, dy](int factor) {  // floor(factor * dx / dy)
    if (narrow) return floor_div(factor * dx, dy);
    const FloorDiv<std::int64_t> d = floor_div(std::int64_t{factor} * dx, std::int64_t{dy});
    return FloorDiv<int>{static_cast<int>(d.quotient), static_cast<int>(d.remainder)};
  };
  int xFrom, mod, row;
  if (enter == ey1) {
    const FloorDiv<int> head = divide(down ? pixelOne - fy1 : fy1);
    xFrom = x1 + head.quotient;
    mod = head.remainder;
    render_row_piece(w, ey1, x1, fy1, xFrom, first);
    row = ey1 + incr;
  } else {  // enters the band further on: where the whole walk would
    const int above = down ? enter * pixelOne - y1 : y1 - (enter + 1) * pixelOne;
    const FloorDiv<std::int64_t> at = floor_div(std::int64_t{above} * dx, std::int64_t{dy});
    xFrom = x1 + static_cast<int>(at.quotient);
    mod = static_cast<int>(at.remainder);
    row = enter;
  }
  step_to_cell(w, cell_of(xFrom), row);
  if (row != end) {
    const FloorDiv<int> step = divide(pixelOne);
    const int lift = step.quotient;
    const int rem = step.remainder;
    mod -= dy;
    while (row != end) {
      mod += rem;
      const int carry = mod >= 0;
      const int xTo = xFrom + lift + carry;
      mod -= dy & -carry;
      render_row_piece(w, row, xFrom, pixelOne - first, xTo, first);
      xFrom = xTo;
      row += incr;
      step_to_cell(w, cell_of(xFrom), row);
    }
  }
  if (exit == ey2) render_row_piece(w, ey2, xFrom, pixelOne - first, x2, fy2);
}

// ---- sub-paths ------------------------------------------------------------------

// Starts a new fill, or a band of one: the cells of the last are forgotten (their
// blocks stay). The fill's columns stay: they were widened as the outline was
// recorded.
void start_fill(Walk& w) {
  CellRasterizer& r = cellRasterizer;
  r.numCells = 0;
  r.blockIndex = -1;
  clear_cell(w);
  w.next = w.limit = nullptr;
  // A band counts cells in its own rows only: a fill drawn in many bands must not
  // clear every row's counter for each.
  const int rows = static_cast<int>(w.lastRow) + 1;
  const int first = r.banded ? std::clamp(w.bandTop + 1, 0, rows) : 0;
  const int last = r.banded ? std::clamp(w.bandBottom + 1, first, rows) : rows;
  std::memset(w.rowCounts + first, 0, sizeof(int) * (last - first));
  w.minCellY = 0x7FFFFFFF;
  w.maxCellY = -0x7FFFFFFF;
  w.flags = accumulating;
}

// The column box is widened once per point list, from its least and greatest x
// (the conversion to cells is monotonic), not point by point in the walk.
inline void widen_columns(int cx) {
  if (cx < cellRasterizer.minCellX) cellRasterizer.minCellX = cx;
  if (cx + 1 > cellRasterizer.maxCellX) cellRasterizer.maxCellX = cx + 1;
}

// A straight edge from the current point to (x, y); the current point moves there.
template <bool band>
[[gnu::always_inline]] inline void line_to(Walk& w, int x, int y) {
  render_edge<band>(w, w.curX, w.curY, x, y);
  w.curX = x;
  w.curY = y;
}

// Closes the open sub-path: out of line, once per sub-path, and by value so that
// the caller's record stays in registers.
template <bool band>
[[gnu::noinline]] Walk close_sub_path(Walk w) {
  line_to<band>(w, w.startX, w.startY);
  w.flags &= ~openSubPath;
  return w;
}

// Starts a sub-path at (x, y), closing the open one first.
//
// NOTE: a start outside the view selects its column in the row just above or just
// below it rather than its own row: there its edges enter the view once clipped.
// Every walk relies on the current cell holding its start; a start below the view
// that kept the previous sub-path's cell had a vertical edge pour its first row
// into that cell.
template <bool band>
inline void move_to(Walk& w, int x, int y) {
  if (!(w.flags & accumulating)) start_fill(w);
  if (w.flags & openSubPath) w = close_sub_path<band>(w);
  const int row = std::clamp(cell_of(y), -1, cell_of(w.bottomLimit));
  select_cell(w, cell_of(x), row);
  if (!band || (row >= w.bandTop && row < w.bandBottom)) {
    if (row < w.minCellY) w.minCellY = row;
    if (row + 1 > w.maxCellY) w.maxCellY = row + 1;
  }
  w.startX = w.curX = x;
  w.startY = w.curY = y;
}

// Next point of the sub-path; identical consecutive points are skipped.
template <bool band>
[[gnu::always_inline]] inline void add_edge_to(Walk& w, int x, int y) {
  if (x == w.curX && y == w.curY) return;
  line_to<band>(w, x, y);
  w.flags |= openSubPath;
}

// ---- converting the point list --------------------------------------------------
//
// Each point list becomes one sub-path of the fill's outline record, in 24.8, and
// that sub-path is then walked into cells. The record lets a fill that outgrows the
// store be walked again, band by band (see the bands below); the points themselves
// are gone by then.

// A sub-path in the record: a header of two entries (point count, 1 when its closing
// edge is among its points), then x, y per point.
constexpr int headerEntries = 2;
// The record's own limit (1 GiB, whose size in bytes a 32-bit build can still
// hold); sub-paths beyond it are dropped.
constexpr std::int64_t maxOutlineEntries = std::int64_t{1} << 28;

// Appends one sub-path to the record, point by point.
class OutlineWriter {
 public:
  // Room for a header and up to `points` points; false when memory ran out (already
  // reported) or the record is at its limit.
  bool reserve(std::int64_t points) {
    CellRasterizer& r = cellRasterizer;
    const std::int64_t needed = std::int64_t{r.outlineCount} + headerEntries + 2 * points;
    if (needed > maxOutlineEntries) return false;
    if (!grow_array(r.outline, r.outlineCapacity, static_cast<int>(needed), 16384)) return false;
    header_ = r.outline + r.outlineCount;
    next_ = header_ + headerEntries;
    return true;
  }
  void add(int x, int y) {
    next_[0] = x;
    next_[1] = y;
    next_ += 2;
  }
  // Ends the sub-path; returns its header.
  const std::int32_t* finish(bool closed) {
    header_[0] = static_cast<std::int32_t>((next_ - header_ - headerEntries) / 2);
    header_[1] = closed ? 1 : 0;
    cellRasterizer.outlineCount = static_cast<int>(next_ - cellRasterizer.outline);
    return header_;
  }

 private:
  std::int32_t* header_ = nullptr;
  std::int32_t* next_ = nullptr;
};

// Walks one recorded sub-path; returns the next one. The walk's record is copied
// in and out: a local copy stays in registers, which the cell stores could alias
// if it were reached through a reference.
template <bool band>
const std::int32_t* walk_sub_path(Walk& walk, const std::int32_t* sub) {
  Walk w = walk;
  const int count = sub[0];
  const bool closed = sub[1] != 0;
  const std::int32_t* p = sub + headerEntries;
  move_to<band>(w, p[0], p[1]);
  for (int i = 1; i < count; ++i) add_edge_to<band>(w, p[2 * i], p[2 * i + 1]);
  if (closed) w.flags &= ~openSubPath;
  walk = w;
  return p + 2 * count;
}

// Every point inside the limits: the plain conversion. minX and maxX are the
// least and greatest x of the points.
void record_in_range(OutlineWriter& out, const PathPoint* points, int count, float minX,
                     float maxX) {
  for (int i = 0; i < count; ++i) {
    out.add(to_fixed(points[i].x + 0.5f), to_fixed(points[i].y + 0.5f));
  }
  widen_columns(cell_of(to_fixed(minX + 0.5f)));
  widen_columns(cell_of(to_fixed(maxX + 0.5f)));
}

struct ShiftedPoint {
  double x, y;
};

ShiftedPoint shifted_point(PathPoint p) { return {p.x + 0.5f, p.y + 0.5f}; }

// A shifted point on or inside the limits, in 24.8.
void add_limited(OutlineWriter& out, double x, double y) {
  const int fx =
      static_cast<int>(std::clamp(x, double(minColumnLimit), double(maxColumnLimit)) * 256.0);
  const int fy = static_cast<int>(std::clamp(y, double(-rowLimit), double(rowLimit)) * 256.0);
  widen_columns(cell_of(fx));
  out.add(fx, fy);
}

// An edge between shifted points, cut where it crosses a column or a row limit; the
// parts beyond a limit run along it. That keeps every pixel inside the view exact:
// beyond a column limit only an edge's height counts, and beyond a row limit
// nothing does.
//
//     limit                    limit
//       |   /                    |   /
//       |  /           ->        |  /
//       | /                      | /
//       |/                       |/
//      /|                        |
//     / |                        |   (the part beyond runs down the limit)
//
// The end point is added; the start point is the previous one.
//
// Rows are cut first: what lies beyond a row limit runs along it and adds no cover,
// so only the part between them is cut at the columns. Each cut lies on its limit
// exactly, with its other coordinate placed from the nearer end of the piece cut:
// from the farther end, or on a limit of the other axis, a point of a huge edge
// rounds to somewhere else entirely (a row cut of an edge 2e32 long once landed on
// row 0 and bent the edge there). Along one axis the cuts come in the edge's
// direction, so their order never rests on rounding either.

// Where the piece from a to b crosses `limit` along x (or y when `rows`), placed
// from the nearer end.
ShiftedPoint cut_at(ShiftedPoint a, ShiftedPoint b, double limit, bool rows) {
  const double av = rows ? a.y : a.x, bv = rows ? b.y : b.x;
  const double fromA = (limit - av) / (bv - av), fromB = (limit - bv) / (av - bv);
  const double other = fromA <= fromB
                           ? (rows ? a.x + (b.x - a.x) * fromA : a.y + (b.y - a.y) * fromA)
                           : (rows ? b.x + (a.x - b.x) * fromB : b.y + (a.y - b.y) * fromB);
  return rows ? ShiftedPoint{other, limit} : ShiftedPoint{limit, other};
}

// The part of the piece from a to b between -limit and limit along x (or y), as its
// two ends; false when no part lies there.
bool inner_part(ShiftedPoint& a, ShiftedPoint& b, double limit, bool rows) {
  const double av = rows ? a.y : a.x, bv = rows ? b.y : b.x;
  if ((av < -limit && bv < -limit) || (av > limit && bv > limit)) return false;
  const ShiftedPoint from = a, to = b;
  if (av < -limit || av > limit) a = cut_at(from, to, av < -limit ? -limit : limit, rows);
  if (bv < -limit || bv > limit) b = cut_at(from, to, bv < -limit ? -limit : limit, rows);
  return true;
}

void add_guarded_edge(OutlineWriter& out, ShiftedPoint a, ShiftedPoint b) {
  static_assert(minColumnLimit == -maxColumnLimit);
  ShiftedPoint p = a, q = b;
  if (inner_part(p, q, rowLimit, true)) {
    add_limited(out, p.x, p.y);
    ShiftedPoint u = p, v = q;
    if (inner_part(u, v, maxColumnLimit, false)) {
      add_limited(out, u.x, u.y);
      add_limited(out, v.x, v.y);
    }
    add_limited(out, q.x, q.y);
  }
  add_limited(out, b.x, b.y);
}

// Some point beyond the limits: edges are cut along the limits, and the sub-path
// is closed here, since its closing edge may cross a limit too.
void record_guarded(OutlineWriter& out, const PathPoint* points, int count) {
  const ShiftedPoint start = shifted_point(points[0]);
  add_limited(out, start.x, start.y);
  ShiftedPoint previous = start;
  for (int i = 1; i < count; ++i) {
    const ShiftedPoint next = shifted_point(points[i]);
    add_guarded_edge(out, previous, next);
    previous = next;
  }
  add_guarded_edge(out, previous, start);
}

// Records the pending points as a sub-path; null when they could not be kept.
const std::int32_t* record_sub_path(const PathBuffer& pb) {
  OutlineWriter out;
  const float margin = 1.0f;  // the shift by 0.5 must not cross a limit either
  const bool inRange = pb.minX > minColumnLimit + margin && pb.maxX < maxColumnLimit - margin &&
                       pb.minY > -rowLimit + margin && pb.maxY < rowLimit - margin;
  if (inRange) {
    if (!out.reserve(pb.count)) return nullptr;
    record_in_range(out, pb.points, pb.count, pb.minX, pb.maxX);
    return out.finish(false);
  }
  // Each edge gains at most four cut points; the closing edge is added too.
  if (!out.reserve(5 * (std::int64_t{pb.count} + 1))) return nullptr;
  record_guarded(out, pb.points, pb.count);
  return out.finish(true);
}

// Turns the pending points into cells, or drops them when they cannot show. Once
// the fill has outgrown the store, its sub-paths are only recorded.
void convert_pending_points() {
  PathBuffer& pb = pathBuffer;
  const BackBuffer& b = backBuffer;
  const bool visible = pb.count >= 2 && !(pb.maxX < -0.5f) && !(pb.minX > b.clipMaxXf) &&
                       !(pb.maxY < -0.5f) && !(pb.minY > b.clipMaxYf);
  if (visible && reserve_row_counts()) {
    CellRasterizer& r = cellRasterizer;
    if (!(r.flags & accumulating)) {  // a new fill; its walk clears the rest
      r.outlineCount = 0;
      r.overflowed = 0;
      r.minCellX = 0x7FFFFFFF;
      r.maxCellX = -0x7FFFFFFF;
    }
    // Every row a walk reaches, or those of the band this thread plots (setFillBand),
    // walked as a band of an oversized fill is: the same cells in its rows.
    r.limited = r.limitTop > 0 || r.limitBottom < b.viewHeight;
    r.bandTop = r.limited ? r.limitTop : -1;
    r.bandBottom = r.limited ? std::min(r.limitBottom, b.viewHeight) : b.viewHeight + 1;
    if (const std::int32_t* sub = record_sub_path(pb)) {
      if (!r.overflowed) {
        Walk w = begin_walk();
        if (r.limited) {
          walk_sub_path<true>(w, sub);
        } else {
          walk_sub_path<false>(w, sub);
        }
        end_walk(w);
      }
      fillRuleState.cellsPending = 1;
    }
  }
  pb.clear();
}

// The pixel of every cell is read when the sweep blends it, and its row was last
// written one or more fills ago: most miss the cache. The sort asks for each pixel
// as it moves the cell, in a short loop that keeps many requests in flight, and
// the sweep then finds them in the cache.
class PixelPrefetcher {
 public:
  PixelPrefetcher()
      : rows_(backBuffer.viewMaxY >= 0 ? backBuffer.rowTable.data() : noRows),
        maxY_(std::max(backBuffer.viewMaxY, 0)) {}
  void prefetch(const CoverageCell* cell) const {
    const int y = std::clamp<int>(cell->y, 0, maxY_);
    const std::uintptr_t address =
        reinterpret_cast<std::uintptr_t>(rows_[y]) + static_cast<std::uintptr_t>(cell->x) * 4;
    __builtin_prefetch(reinterpret_cast<const void*>(address), 1);  // never faults
  }

 private:
  static inline std::uint8_t* const noRows[1] = {nullptr};
  std::uint8_t* const* const rows_;
  const int maxY_;
};

// ---- sorting --------------------------------------------------------------------

// A row the outline crossed going right and then coming back left (foam, thin
// shapes): its cells rise up to `forward`, then fall. One merge from both ends
// orders them, where insertion sort would give up and sort the row again from
// scratch. False when the merge's scratch could not be had.
bool merge_back_run(CoverageCell* cells, int forward, int count) {
  CellRasterizer& r = cellRasterizer;
  if (!grow_array(r.mergeScratch, r.mergeScratchCapacity, count, 1024)) return false;
  CoverageCell* out = r.mergeScratch;
  const CoverageCell* a = cells;  // rising
  const CoverageCell* const aEnd = cells + forward;
  const CoverageCell* b = cells + count - 1;  // falling, read from its end
  const CoverageCell* const bEnd = cells + forward - 1;
  while (a != aEnd && b != bEnd) *out++ = b->x < a->x ? *b-- : *a++;
  while (a != aEnd) *out++ = *a++;
  while (b != bEnd) *out++ = *b--;
  std::memcpy(cells, r.mergeScratch, sizeof(CoverageCell) * count);
  return true;
}

// Orders the cells of one row by column. Rows are usually in order already (edges
// are walked left to right, or cross a row once): a look first; a merge when the
// row rises and then falls; else insertion sort until it has moved cells more than
// a few times the row's length, and then the library sort.
void sort_row(CoverageCell* cells, int count) {
  int i = 1;
  for (int previous = cells[0].x; i < count && previous <= cells[i].x; ++i) previous = cells[i].x;
  if (i == count) return;
  int k = i + 1;
  for (int previous = cells[i].x; k < count && previous >= cells[k].x; ++k) previous = cells[k].x;
  if (k == count && merge_back_run(cells, i, count)) return;
  int budget = 4 * count + 16;
  for (; i < count; ++i) {
    const CoverageCell c = cells[i];
    int j = i;
    for (; j > 0 && cells[j - 1].x > c.x; --j) cells[j] = cells[j - 1];
    cells[j] = c;
    budget -= i - j;
    if (budget < 0) {
      std::sort(cells, cells + count,
                [](const CoverageCell& a, const CoverageCell& b) { return a.x < b.x; });
      return;
    }
  }
}

// The counters of the rows that hold cells: those of the fill's box (row + 1).
struct SortedRows {
  int first, last;
};
SortedRows sorted_rows() {
  const int first = std::clamp(cellRasterizer.minCellY + 1, 0, cellRasterizer.rowsInUse - 1);
  return {first, std::clamp(cellRasterizer.maxCellY + 1, first + 1, cellRasterizer.rowsInUse)};
}

// Sorts the n stored cells by key into one array, with the sweep's sentinel after
// them: a counting sort by row (the rows were counted as the cells were stored,
// between counters first and last), then each row by column. False when memory ran
// out (already reported).
bool order_cells(int n, int first, int last) {
  CellRasterizer& r = cellRasterizer;
  if (!grow_array(r.sorted, r.sortedCapacity, n + 1, 16384) ||
      !grow_array(r.rowStarts, r.rowStartsCapacity, r.rowsInUse, 4096)) {
    return false;
  }
  int* starts = r.rowStarts;
  for (int i = first, sum = 0; i < last; ++i) {
    starts[i] = sum;
    sum += r.rowCounts[i];
  }
  const PixelPrefetcher pixels;
  for (int b = 0, left = n; left > 0; ++b, left -= cellsPerBlock) {
    const CoverageCell* block = r.blocks[b];
    for (int i = 0, end = std::min(left, cellsPerBlock); i < end; ++i) {
      pixels.prefetch(block + i);
      // Every stored cell was counted in its row, inside the box; the clamp and the
      // test only guard memory.
      const int slot = starts[std::clamp(block[i].y + 1, first, last - 1)]++;
      if (slot < n) r.sorted[slot] = block[i];
    }
  }
  // The scatter moved each start to the next row's: sort each row in place.
  for (int y = first, begin = 0; y < last; ++y) {
    const int end = std::min(starts[y], n);
    if (end - begin > 1) sort_row(r.sorted + begin, end - begin);
    begin = std::max(begin, end);
  }
  // The sweep's sentinel: another key than the last cell's, and the least column.
  r.sorted[n] = {-0x8000, 0, ~r.sorted[n - 1].key, 0, 0};
  return true;
}

// Closes the outline, stores the last cell and sorts all cells by key. Ends the
// accumulation: the next conversion starts a new fill. Returns the cell count, 0
// when the fill outgrew the store (the last cells may be what filled it): it is then
// drawn in bands.
int sort_cells() {
  CellRasterizer& r = cellRasterizer;
  if (!r.rowCounts) return 0;  // no sub-path since the start or the last shutdown
  if ((r.flags & openSubPath) || (r.cell.cover | r.cell.area)) {
    Walk w = begin_walk();
    if (w.flags & openSubPath) {
      w = r.banded || r.limited ? close_sub_path<true>(w) : close_sub_path<false>(w);
    }
    if (w.cellCover | w.cellArea) {
      // Stored, and the new current cell is empty: a second sort stores nothing more.
      store_cell(w);
      clear_cell(w);
    }
    end_walk(w);
  }
  r.flags &= ~accumulating;
  const int n = r.numCells = r.overflowed && !r.banded ? 0 : stored_cell_count();
  if (n == 0) return 0;
  const SortedRows box = sorted_rows();
  return order_cells(n, box.first, box.last) ? n : 0;
}

// Makes room in the full store of a band: sorts its cells and sums those of one key
// into one, as the sweep would. A key whose sums cancel stays: the sweep ends a run
// at every cell, whatever it holds. The band's height and store (see
// rows_per_band) leave at most half the store holding distinct cells, so this frees
// at least half of it. Only when memory ran short of a whole store can it free
// less; then the rest of the band is dropped rather than sorted again and again.
CellSlots compact_cells() {
  CellRasterizer& r = cellRasterizer;
  const CellSlots none{nullptr, nullptr};
  if (r.banded != 1 || r.blockIndex < 0) return none;
  const int n = std::min((r.blockIndex + 1) * cellsPerBlock, cell_limit());  // all full
  // The band's row counters (the first counts row -1).
  const int first = std::clamp(r.bandTop + 1, 0, r.rowsInUse - 1);
  const int last = std::clamp(r.bandBottom + 1, first + 1, r.rowsInUse);
  if (!order_cells(n, first, last)) return r.banded = 2, none;
  std::memset(r.rowCounts + first, 0, sizeof(int) * (last - first));
  int m = 0;
  for (const CoverageCell* c = r.sorted; c != r.sorted + n;) {
    CoverageCell sum = *c;
    while ((++c)->key == sum.key) {  // the sentinel ends the last key
      sum.cover = wrap_add(sum.cover, c->cover);
      sum.area = wrap_add(sum.area, c->area);
    }
    r.blocks[m / cellsPerBlock][m % cellsPerBlock] = sum;
    ++r.rowCounts[std::clamp(sum.y + 1, first, last - 1)];
    ++m;
  }
  if (m > n / 2) r.banded = 2;
  if (m == n) return none;
  r.blockIndex = m / cellsPerBlock;
  return block_slots(r.blockIndex, m % cellsPerBlock);
}

// ---- sweep and plotting ---------------------------------------------------------

// Raw coverage 0..255 of a signed amount in 1/(256 * 512) pixel. Written to compile
// without branches: inside and outside alternate at no foreseeable cell.
template <bool evenOdd, typename T>
inline int raw_coverage(T v) {
  T c = v >> 9;
  c = c < 0 ? -c : c;
  if constexpr (evenOdd) {
    c &= 511;
    c = c > 256 ? 512 - c : c;
  }
  // min(c, 255) by the sign of 255 - c: all ones above 255, which the mask keeps.
  return static_cast<int>((c | ((255 - c) >> (sizeof(T) * 8 - 1))) & 255);
}

// Raw coverage of cover * 512 - area. A 32-bit target sums 64 bits in several
// steps each; every outline short of absurd ones keeps both terms small enough for
// 32 bits, which give the same result.
template <bool evenOdd>
inline int coverage_of(std::int32_t cover, std::int32_t area) {
  if constexpr (sizeof(void*) < 8) {
    if (static_cast<std::uint32_t>(cover) + (1u << 21) < (1u << 22) &&
        static_cast<std::uint32_t>(area) + (1u << 30) < (1u << 31)) {
      return raw_coverage<evenOdd>(cover * 512 - area);
    }
  }
  return raw_coverage<evenOdd>(std::int64_t{cover} * 512 - area);
}

// The pixel routine of the fill: any routine through its pointer, or, when the
// installed routine is one of the edge-pixel routines of the blend layer, that
// routine inlined into the sweep (the same function, without a call per pixel).
struct AnyPixel {
  CoveragePixelRoutine routine;
  void operator()(Color* p, Color color, int alpha) const { routine(p, color, alpha); }
};
template <CoverFormula F>
struct KnownPixel {
  void operator()(Color* p, Color color, int alpha) const { coverPixel<F>(p, color, alpha); }
};

// The row being plotted, with the fill's colour and routines.
//
// Runs go to the routines as soon as they are found, row by row in the order of
// the cells: the same calls, in the same order, as holding each row's runs in a
// list and plotting the list when the row changes, without the list. A clipped
// plotter (setFillClip) also cuts each row to the clip's pieces.
template <class Pixel, bool clipped = false>
class RowPlotter {
 public:
  RowPlotter(Color color, Pixel pixel)
      : color_(color),
        pixel_(pixel),
        run_(cellRasterizer.streamed ? streamedRun(coverageRoutines.run) : coverageRoutines.run),
        viewMaxX_(backBuffer.viewMaxX),
        firstRow_(std::max({cellRasterizer.bandTop, cellRasterizer.limitTop, 0})),
        lastRow_(std::min(
            {cellRasterizer.bandBottom - 1, cellRasterizer.limitBottom - 1, backBuffer.viewMaxY})),
        firstWholeRow_(cellRasterizer.rowsTop),
        lastWholeRow_(cellRasterizer.rowsBottom - 1),
        outsideMaxX_(std::min(cellRasterizer.columnsOutside - 1, backBuffer.viewMaxX)) {}

  // Makes y the row that runs go to; a row outside the view or the band takes none,
  // a row outside the rows plotted whole only its first columns, and of those only
  // the pieces inside the clip.
  void select_row(int y) {
    const bool visible = y >= firstRow_ && y <= lastRow_;
    const bool whole = y >= firstWholeRow_ && y <= lastWholeRow_;
    rowMaxX_ = !visible ? -1 : whole ? viewMaxX_ : outsideMaxX_;
    if constexpr (clipped) {
      rowMinX_ = 0;
      if (rowMaxX_ >= 0) clip_row(y);
    }
    line_ = rowMaxX_ >= min_x() ? reinterpret_cast<Color*>(backBuffer.rowTable[y]) : nullptr;
  }

  // One pixel of the row, skipped outside the view.
  void pixel(int x, int alpha) const {
    if (x >= min_x() && x <= rowMaxX_ && (!clipped || pieceCount_ == 0 || in_pieces(x))) {
      pixel_(line_ + x, color_, alpha);
    }
  }

  // `length` pixels from column x, cut to the view; a run of one pixel goes to the
  // pixel routine. What is longer than the 12 bits of a run's length is plotted in
  // pieces, cut after clipping and never leaving a piece of one pixel: a pixel of
  // a long run must not take the pixel routine's formula. Nor must it when the run
  // is cut again to the columns of a row not plotted whole, or to the clip.
  void run(int x, int length, int alpha) const {
    if (!line_) return;
    int last = x + length - 1;
    if (x > viewMaxX_ || last < 0) return;
    if (x < 0) x = 0;
    if (last > viewMaxX_) last = viewMaxX_;
    if (x == last) {
      pixel(x, alpha);
      return;
    }
    if (!clipped || pieceCount_ == 0) {
      plot_run(std::max(x, min_x()), std::min(last, rowMaxX_), alpha);
      return;
    }
    for (int i = 0; i < pieceCount_; ++i) {
      plot_run(std::max(x, pieces_[i][0]), std::min(last, pieces_[i][1]), alpha);
    }
  }

 private:
  int min_x() const { return clipped ? rowMinX_ : 0; }

  // Columns x .. last through the run routine, in pieces of at most 12 bits.
  void plot_run(int x, int last, int alpha) const {
    int length = last - x + 1;
    if (length < 1) return;
    while (length > maxRunLength) {
      const int piece = std::min(maxRunLength, length - 2);
      run_(line_ + x, color_, piece, alpha);
      x += piece;
      length -= piece;
    }
    run_(line_ + x, color_, length, alpha);
  }

  // Cuts the row's columns rowMinX_ .. rowMaxX_ to the clip's rectangles in row y:
  // one piece narrows the range, several (ordered, overlaps merged, so that no
  // pixel is plotted twice) go to pieces_.
  void clip_row(int y) {
    pieceCount_ = 0;
    for (int i = 0; i < cellRasterizer.clipCount; ++i) {
      const Rect& r = cellRasterizer.clip[i];
      const int from = std::max(r.left, rowMinX_);  // 0 or more: right - 1 cannot overflow
      if (y < r.top || y >= r.bottom || r.right <= from) continue;
      const int to = std::min(r.right - 1, rowMaxX_);
      if (from > to) continue;
      int k = pieceCount_++;
      for (; k > 0 && pieces_[k - 1][0] > from; --k) {
        pieces_[k][0] = pieces_[k - 1][0];
        pieces_[k][1] = pieces_[k - 1][1];
      }
      pieces_[k][0] = from;
      pieces_[k][1] = to;
    }
    int merged = 0;
    for (int i = 0; i < pieceCount_; ++i) {
      if (merged > 0 && pieces_[i][0] <= pieces_[merged - 1][1] + 1) {
        pieces_[merged - 1][1] = std::max(pieces_[merged - 1][1], pieces_[i][1]);
      } else {
        pieces_[merged][0] = pieces_[i][0];
        pieces_[merged][1] = pieces_[i][1];
        ++merged;
      }
    }
    if (merged == 0) {
      rowMaxX_ = -1;
      rowMinX_ = 0;
    } else {
      rowMinX_ = pieces_[0][0];
      rowMaxX_ = pieces_[merged - 1][1];
    }
    pieceCount_ = merged > 1 ? merged : 0;
  }

  bool in_pieces(int x) const {
    for (int i = 0; i < pieceCount_; ++i) {
      if (x >= pieces_[i][0] && x <= pieces_[i][1]) return true;
    }
    return false;
  }

  const Color color_;
  const Pixel pixel_;
  const CoverageRunRoutine run_;
  const int viewMaxX_;
  const int firstRow_, lastRow_;            // the rows plotted: the view's, or the bands'
  const int firstWholeRow_, lastWholeRow_;  // of those, the rows plotted whole
  const int outsideMaxX_;                   // the last column plotted in the others
  Color* line_ = nullptr;
  int rowMinX_ = 0, rowMaxX_ = -1;  // the columns plotted in this row; none when max < min
  int pieceCount_ = 0;              // 0, or the row's pieces when the clip leaves gaps
  int pieces_[CellRasterizer::maxClipRects][2];  // first and last column of each piece
};

// Sweeps the sorted cells from `cell` up to `stop`, from the running cover `cover`:
// equal keys are summed, each touched pixel gets a run of one, and the gap up to the
// next cell a run with the running cover. The gap after a row's last cell reaches to
// the next cell, in whatever row; for a closed outline the running cover is 0 there
// and nothing is plotted.
//
// The sort leaves a sentinel after the last cell: a key no cell has, and the least
// column, so that neither the sum of equal keys nor the gap test needs to look for
// the end.
template <bool evenOdd, class Plotter>
[[gnu::always_inline]] inline void sweep_range(Plotter& row, const CoverageCell* cell,
                                               const CoverageCell* stop, std::int32_t cover) {
  const int* curve = cellRasterizer.curve;
  int y = emptyRow;
  while (cell != stop) {
    const int x = cell->x;
    if (cell->y != y) {
      y = cell->y;
      row.select_row(y);
    }
    const std::int32_t key = cell->key;
    std::int32_t area = cell->area;
    cover = wrap_add(cover, cell->cover);
    while ((++cell)->key == key) {
      area = wrap_add(area, cell->area);
      cover = wrap_add(cover, cell->cover);
    }
    int nextFree = x;
    if (area != 0) {
      const int raw = coverage_of<evenOdd>(cover, area);
      if (raw != 0) row.pixel(x, curve[raw]);
      nextFree = x + 1;
    }
    if (cell->x > nextFree) {
      const int raw = coverage_of<evenOdd>(cover, 0);
      if (raw != 0) row.run(nextFree, cell->x - nextFree, curve[raw]);
    }
  }
}

// One pass over all sorted cells, rows top to bottom.
template <bool evenOdd, class Plotter>
void sweep_downwards(Plotter row) {
  sweep_range<evenOdd>(row, cellRasterizer.sorted, cellRasterizer.sorted + cellRasterizer.numCells,
                       0);
}

// The same runs, rows taken from the bottom up: on a bottom-up surface that plots in
// memory order, which long runs fill about twice as fast. Each row starts from the
// cover sum of the rows above it, the sum the single pass would carry into it, so
// every run and every plotted pixel is the same; only the order of the rows differs,
// and no two rows share a pixel.
//
// Each crossing of a row by a closed outline is matched by one back across it, so
// every row's covers add up to 0 (modulo 2^32, as they are summed) and so do those
// of the rows above: each row starts from 0. That holds for a band too, whose rows
// hold the cells the whole fill has there.
template <bool evenOdd, class Plotter>
void sweep_upwards(Plotter row) {
  const int n = cellRasterizer.numCells;
  const CoverageCell* const first = cellRasterizer.sorted;
  const int* const ends = cellRasterizer.rowStarts;  // after the sort: the end of each row
  const SortedRows rows = sorted_rows();
  for (int i = rows.last - 1; i >= rows.first; --i) {
    const CoverageCell* const begin = first + (i > rows.first ? std::min(ends[i - 1], n) : 0);
    const CoverageCell* const stop = first + std::min(ends[i], n);
    if (begin >= stop) continue;
    sweep_range<evenOdd>(row, begin, stop, 0);
  }
}

// The sweep for the surface's row order, the fill rule, the installed pixel routine
// and the clip (rare: its fills take the routine through its pointer).
template <bool evenOdd, class Plotter>
void sweep_in_memory_order(const Plotter& row) {
  if (backBuffer.rowStep < 0) {
    sweep_upwards<evenOdd>(row);
  } else {
    sweep_downwards<evenOdd>(row);
  }
}
template <bool evenOdd>
void sweep_with_routines(Color color) {
  const CoveragePixelRoutine pixel = coverageRoutines.pixel;
  if (cellRasterizer.clipCount > 0) {
    sweep_in_memory_order<evenOdd>(RowPlotter<AnyPixel, true>(color, AnyPixel{pixel}));
  } else if (pixel == &coverPixel<px::coverCopy>) {
    sweep_in_memory_order<evenOdd>(
        RowPlotter<KnownPixel<px::coverCopy>>(color, KnownPixel<px::coverCopy>{}));
  } else {
    sweep_in_memory_order<evenOdd>(RowPlotter<AnyPixel>(color, AnyPixel{pixel}));
  }
}

// Raw coverage of pixel (x, y) under the sorted cells.
template <bool evenOdd>
int coverage_at(int x, int y) {
  const std::int64_t target = static_cast<std::int64_t>(y) * 65536 + x;
  std::int32_t cover = 0;
  std::int32_t area = 0;
  const CoverageCell* const end = cellRasterizer.sorted + cellRasterizer.numCells;
  for (const CoverageCell* cell = cellRasterizer.sorted; cell != end; ++cell) {
    const std::int64_t key = static_cast<std::int64_t>(cell->y) * 65536 + cell->x;
    if (key > target) break;
    cover = wrap_add(cover, cell->cover);
    if (key == target) area = wrap_add(area, cell->area);
  }
  return coverage_of<evenOdd>(cover, area);
}

// ---- bands ----------------------------------------------------------------------
//
// A fill that outgrew the store is drawn in bands of rows. Each band walks the whole
// outline record again, keeping the cells of its rows only (see render_edge), and
// sorts and sweeps them; a full store is compacted on the way. A band's cells are
// those the whole fill has in its rows, so every row comes out as if the fill had
// fitted the store.

// The fill's columns, as widened while its outline was recorded.
std::int64_t fill_columns() {
  return std::max<std::int64_t>(std::int64_t{cellRasterizer.maxCellX} - cellRasterizer.minCellX + 1,
                                1);
}

// Rows per band: few enough that the distinct cells of a band, one per pixel of its
// rows across the fill's columns, take at most half the store. Compaction then
// always frees half of it.
int rows_per_band() {
  const std::int64_t rows = std::int64_t{store_size()} / 2 / fill_columns();
  return static_cast<int>(std::clamp<std::int64_t>(rows, 1, 1 << 30));
}

// A band's store: the store, or two rows of the fill's columns where a store shrunk
// below that (for tests) could not hold one row's distinct cells twice over.
int band_cells() {
  return static_cast<int>(std::clamp<std::int64_t>(2 * fill_columns(), store_size(),
                                                   std::int64_t{cellsPerBlock} * maxCellBlocks));
}

// Walks the outline record into the cells of rows top .. bottom - 1 and sorts them;
// returns their count.
int collect_band(int top, int bottom) {
  CellRasterizer& r = cellRasterizer;
  r.bandTop = top;
  r.bandBottom = bottom;
  r.banded = 1;
  r.bandCells = band_cells();
  Walk w = begin_walk();
  start_fill(w);
  const std::int32_t* const end = r.outline + r.outlineCount;
  for (const std::int32_t* sub = r.outline; sub != end;) sub = walk_sub_path<true>(w, sub);
  end_walk(w);
  return sort_cells();
}

// Back to walking the whole view.
void end_bands() {
  cellRasterizer.banded = 0;
  cellRasterizer.bandTop = -1;
  cellRasterizer.bandBottom = backBuffer.viewHeight + 1;
}

template <bool evenOdd>
void fill_in_bands(Color color) {
  const int height = backBuffer.viewHeight;
  const int step = rows_per_band();
  for (int top = 0, bottom = 0; top < height; top = bottom) {
    bottom = top + std::min(step, height - top);
    // A band of rows this thread does not plot is not walked.
    if (bottom <= cellRasterizer.limitTop || top >= cellRasterizer.limitBottom) continue;
    if (collect_band(top, bottom) > 0) {
      sweep_with_routines<evenOdd>(color);
    }
  }
  end_bands();
}

// The store may fill while the last sub-path is closed: only then is it known
// whether the fill needs bands.
template <bool evenOdd>
void fill_sorted_or_in_bands(Color color) {
  const int n = cellRasterizer.overflowed ? 0 : sort_cells();
  if (cellRasterizer.overflowed) {
    fill_in_bands<evenOdd>(color);
  } else if (n > 0) {
    sweep_with_routines<evenOdd>(color);
  }
}

void set_rule(int rule) {
  fillRuleState.previousRule = fillRuleState.fillRule;
  fillRuleState.fillRule = rule;
  cellRasterizer.fillRule = rule;
}

}  // namespace

// ---- entry points -----------------------------------------------------------------

void addPoint(float x, float y) {
  PathBuffer& pb = pathBuffer;
  if (pathRotation.enabled) {
    const PathRotation& rot = pathRotation;
    const float dx = x - rot.centreX;
    const float dy = y - rot.centreY;
    const float rx = rot.cosAngle * dx - rot.sinAngle * dy;
    const float ry = rot.sinAngle * dx + rot.cosAngle * dy;
    x = rx + rot.centreX;
    y = ry + rot.centreY;
  }
  // A non-finite point has no place on the view; dropping it keeps the rest drawable.
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  if (pb.count == pb.capacity) {
    if (pb.count >= (1 << 27)) return;  // a gigabyte of points; refuse more
    // The smallest multiple of 4096 bytes strictly above (count + 1) points.
    if (!grow_array(pb.points, pb.capacity, pb.count + 1, 4096 / sizeof(PathPoint))) return;
  }
  if (x > pb.maxX) pb.maxX = x;
  if (x < pb.minX) pb.minX = x;
  if (y > pb.maxY) pb.maxY = y;
  if (y < pb.minY) pb.minY = y;
  pb.points[pb.count++] = {x, y};
}

void addPoints(const float* xs, const float* ys, int count) {
  PathBuffer& pb = pathBuffer;
  if (count <= 0) return;
  // Turned points, or a list near its limit, take the single steps.
  if (pathRotation.enabled || count > (1 << 27) - pb.count) {
    for (int i = 0; i < count; ++i) addPoint(xs[i], ys[i]);
    return;
  }
  if (!grow_array(pb.points, pb.capacity, pb.count + count, 4096 / sizeof(PathPoint))) {
    return;  // out of memory, reported; as addPoint, the points are dropped
  }
  PathPoint* out = pb.points + pb.count;
  float minX = pb.minX, minY = pb.minY, maxX = pb.maxX, maxY = pb.maxY;
  for (int i = 0; i < count; ++i) {
    const float x = xs[i], y = ys[i];
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    maxX = x > maxX ? x : maxX;
    minX = x < minX ? x : minX;
    maxY = y > maxY ? y : maxY;
    minY = y < minY ? y : minY;
    *out++ = {x, y};
  }
  pb.count = static_cast<int>(out - pb.points);
  pb.minX = minX;
  pb.minY = minY;
  pb.maxX = maxX;
  pb.maxY = maxY;
}

void beginPath() { convert_pending_points(); }

void beginPathAt(float x, float y) {
  beginPath();
  addPoint(x, y);
}

void fillPath(Color color, int mode) {
  PathBuffer& pb = pathBuffer;
  const CellRasterizer& r = cellRasterizer;
  // A lone outline wholly above or below the rows this thread plots (setFillBand)
  // shows nothing: its points are dropped unconverted.
  if (!fillRuleState.cellsPending && pb.count > 0 &&
      (pb.maxY < static_cast<float>(r.limitTop) - 0.5f ||
       pb.minY >= static_cast<float>(r.limitBottom) - 0.5f)) {
    pb.clear();
  } else if (fillMonotonePath(color, mode)) {
    return;
  }
  convert_pending_points();
  if (fillRuleState.cellsPending) {
    select_coverage_mode(mode & 0xF);
    if (cellRasterizer.fillRule == 1) {
      fill_sorted_or_in_bands<true>(color);
    } else {
      fill_sorted_or_in_bands<false>(color);
    }
    fillRuleState.cellsPending = 0;
  }
  if (fillRuleState.restoreAfterFill) {
    fillRuleState.restoreAfterFill = 0;
    restoreFillRule();
  }
}

// Kept at 0 or more: the plotter takes 1 from the bottom and the column count.
void setFillRows(int top, int bottom, int columnsOutside) {
  cellRasterizer.rowsTop = std::max(top, 0);
  cellRasterizer.rowsBottom = std::max(bottom, 0);
  cellRasterizer.columnsOutside = std::max(columnsOutside, 0);
}

void clearFillRows() { setFillRows(0, 0x7FFFFFFF); }

// Kept at 0 <= top <= bottom: an empty band plots nothing.
void setFillBand(int top, int bottom) {
  cellRasterizer.limitTop = std::max(top, 0);
  cellRasterizer.limitBottom = std::max(bottom, cellRasterizer.limitTop);
}

void clearFillBand() { setFillBand(0, 0x7FFFFFFF); }

void setFillClip(const Rect* rects, int count) {
  CellRasterizer& r = cellRasterizer;
  r.clipCount = rects && count > 0 && count <= CellRasterizer::maxClipRects ? count : 0;
  for (int i = 0; i < r.clipCount; ++i) r.clip[i] = rects[i];
}

void clearFillClip() { cellRasterizer.clipCount = 0; }

void setFillStreamed(int streamed) { cellRasterizer.streamed = streamed != 0; }

void setFillRule(int rule) { set_rule(rule); }
void setFillRuleNonZero() { set_rule(0); }
void setFillRuleEvenOdd() { set_rule(1); }

void restoreFillRule() {
  fillRuleState.fillRule = fillRuleState.previousRule;
  cellRasterizer.fillRule = fillRuleState.previousRule;
}

void setFillRuleOnce(int rule) {
  set_rule(rule);
  fillRuleState.restoreAfterFill = 1;
}

void setPathRotation(float centreX, float centreY, float angle) {
  PathRotation& rot = pathRotation;
  rot.centreX = centreX;
  rot.centreY = centreY;
  rot.angle = angle;
  rot.enabled = std::fabs(angle) <= 0.00001f ? 0 : 1;
  rot.cosAngle = static_cast<float>(portableCos(angle));
  rot.sinAngle = static_cast<float>(portableSin(angle));
}

void clearPathRotation() { pathRotation.enabled = 0; }

void setCoverageGamma(float g) {
  if (!std::isfinite(g)) return;
  for (int i = 0; i < 256; ++i) {
    double v = 255.0 * portablePow(i / 255.0, g);
    if (!(v >= 0.0)) v = 0.0;
    if (v > 255.0) v = 255.0;
    cellRasterizer.curve[i] = static_cast<int>(v);
  }
}

void setCoverageTable(const int* table) {
  if (!table) return;
  for (int i = 0; i < 256; ++i) cellRasterizer.curve[i] = std::clamp(table[i], 0, 255);
}

// A fill that outgrew the store is walked again for the pixel's row alone; a row
// outside the view then counts as uncovered.
int isPixelCovered(int x, int y) {
  if (!fillRuleState.cellsPending) return 0;
  const int sorted = cellRasterizer.overflowed ? 0 : sort_cells();
  if (cellRasterizer.overflowed) {
    if (y < 0 || y >= backBuffer.viewHeight) return 0;
    const int n = collect_band(y, y + 1);
    end_bands();
    if (n == 0) return 0;
  } else if (sorted == 0) {
    return 0;
  }
  const int raw = cellRasterizer.fillRule == 1 ? coverage_at<true>(x, y) : coverage_at<false>(x, y);
  return raw != 0 ? 1 : 0;
}
