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
// Each row is swept once, left to right, keeping the running sum of the covers seen
// so far. Every pixel between two cells is covered by that running sum; a pixel with
// a cell is covered by running cover * 512 - area, which counts only the part right
// of its pieces. Both are in units of 1/(256 * 512) pixel; shifting by 9 gives
// 0..256. For a closed outline the covers of each row add up to 0, so every row
// starts from 0.
//
// The fill rule turns the signed sum into coverage: non-zero takes its absolute
// value; even-odd folds it modulo 512, so a region covered twice comes out empty.
//
// The dense store
// ---------------
// Cells are summed where they belong: one slot per pixel of a band of rows, and a
// bit per slot saying that a cell was stored there. No cell list and no sort: the
// sweep finds a row's cells in column order by scanning its bits, and plots what it
// finds as the same runs, with the same boundaries, as a sorted cell list would
// (a stored cell always ends a run, even one whose sums cancel out). The band is
// cleared as it is swept. The walk still gathers each cell in registers while it
// stays inside it, so a slot is written once per visit, not once per piece.
//
// Columns left of the view share one slot, as do those right of it: nothing there
// is plotted, and only their covers matter to the view, as a sum.
//
// 24.8 fixed point
// ----------------
// Coordinates become integers in 1/256 pixel: X = trunc((x + 0.5) * 256). The top
// 24 bits are the cell, the low 8 the position inside it. The caller's integer
// coordinates are pixel centres; adding 0.5 puts the pixel's left edge at the
// cell's left edge, so a pixel's centre lies in the middle of its cell.
//
// Pipeline, in the order of this file: fixed-point helpers, the dense store and the
// walk's state, the edge walk, sub-paths and the outline record, the sweep with
// plotting, bands, and the entry points. Points become the outline record as each
// sub-path ends; the record is walked band by band when the fill is drawn.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "blend/coverage_pixels.h"
#include "blend/dispatch.h"
#include "surface/memory.h"
#include "surface/surface.h"
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

// The cell holding a 24.8 coordinate (an arithmetic shift rounds toward -inf).
constexpr int cell_of(int v) { return v >> pixelShift; }

// Modular, so that a cell that cannot hold cover (the row below a 32768-row view)
// has a defined key too.
constexpr std::int32_t cell_key(int x, int y) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(y) << 16) +
                                   static_cast<std::uint32_t>(x));
}

// The current cell before the first one is selected: a key no selected cell has.
constexpr std::int32_t emptyKey = cell_key(0x7FFF, 0x7FFF);

// Wrap-around sums: only absurd outlines (many thousands of edges through one
// pixel) get near the limits of 32 bits, and they must not be undefined.
constexpr std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Floor division: quotient rounded toward -inf and a remainder 0 <= rem < divisor.
// The edge walk carries the remainder from cell to cell, so it must not go negative.
// 32-bit where the operands allow: a 64-bit division costs several times more.
template <typename T>
struct FloorDiv {
  T quotient, remainder;
};
template <typename T>
constexpr FloorDiv<T> floor_div(T dividend, T divisor) {
  const T q = dividend / divisor, r = dividend % divisor;
  const T borrow = r < 0 ? 1 : 0;  // a flag, not a branch: either sign is as likely
  return {q - borrow, r + (divisor & -borrow)};
}

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

PathBuffer pathBuffer;
PathRotation pathRotation;
FillRuleState fillRuleState;
constinit CellRasterizer cellRasterizer = initial_rasterizer();

namespace {

CellRasterizer& ras = cellRasterizer;

// ---- work buffers ---------------------------------------------------------------

// Frees every work buffer; registered with the drawing shutdown. A pending fill is
// dropped with them.
void free_raster_buffers() {
  CellRasterizer& r = ras;
  freeGrownBuffer(pathBuffer.points);
  pathBuffer.points = nullptr;
  pathBuffer.count = pathBuffer.capacity = 0;
  freeAligned(r.cells);
  freeAligned(r.touched);
  freeGrownBuffer(r.outline);
  r.cells = nullptr;
  r.touched = nullptr;
  r.cellCapacity = r.touchedCapacity = 0;
  r.outline = nullptr;
  r.outlineCount = r.outlineCapacity = 0;
  r.minRow = 0x7FFFFFFF;
  r.maxRow = -0x7FFFFFFF;
  r.flags = 0;
  fillRuleState.cellsPending = 0;
}

// Registers the release once, at the first allocation.
void register_release() {
  static bool registered = false;
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

// ---- the dense store ------------------------------------------------------------

// Replaces a zeroed block by a larger zeroed one. Its contents are all zero between
// bands, so nothing needs keeping. False when memory ran out (already reported).
template <typename T>
bool grow_zeroed(T*& block, int& capacity, std::int64_t needed) {
  if (needed <= capacity) return true;
  freeAligned(block);
  block = nullptr;
  capacity = 0;
  if (needed > 0x7FFFFFFF / static_cast<std::int64_t>(sizeof(T))) return false;
  void* fresh = allocAligned(sizeof(T) * static_cast<std::size_t>(needed), 64, 1);
  if (!fresh) return false;
  register_release();
  block = static_cast<T*>(fresh);
  capacity = static_cast<int>(needed);
  return true;
}

// Rows per band: as many as the store's budget holds at the view's width, at least
// one.
int rows_per_band() {
  const int stride = backBuffer.viewWidth + 2;
  return std::max(ras.bandCells / stride, 1);
}

// Makes the store hold `rows` rows of the view's width. False when memory ran out.
bool reserve_band(int rows) {
  CellRasterizer& r = ras;
  r.stride = backBuffer.viewWidth + 2;
  r.wordsPerRow = (r.stride + 63) / 64;
  return grow_zeroed(r.cells, r.cellCapacity, std::int64_t{rows} * r.stride) &&
         grow_zeroed(r.touched, r.touchedCapacity, std::int64_t{rows} * r.wordsPerRow);
}

// ---- the walk's state -----------------------------------------------------------

// What the edge walk changes, held in a local record while the outline is walked.
// Every cell store could alias a global record, so the compiler would reload and
// rewrite it around each store; a local record lives in registers.
struct Walk {
  // The current cell, gathered here while the walk stays inside it: key = y * 65536
  // + x, modulo 2^32.
  std::int32_t cellKey, cellCover, cellArea;
  CoverageCell* cells;     // the band's first row, from column -1
  std::uint64_t* touched;  // the bits of the band's first row
  int stride, wordsPerRow;
  int bandTop;              // first row of the band
  unsigned bandRows;        // rows of the band
  int lastColumn;           // the view's width: the column standing for all right of it
  int firstUsed, lastUsed;  // band rows that received cells
  int startX, startY, curX, curY;
  int flags;
  int bottomLimit;  // row after the view in 24.8: edges are clipped there
  int viewMaxY;     // last row of the view
};

// Makes the current cell the empty one that no selected cell matches.
inline void clear_cell(Walk& w) {
  w.cellKey = emptyKey;
  w.cellCover = w.cellArea = 0;
}

// Adds the current cell to its slot and marks the slot, when its row is in the
// band; the rows around it are never plotted.
inline void store_cell(Walk& w) {
  const auto x = static_cast<std::int16_t>(w.cellKey);
  const auto y = static_cast<std::int16_t>(
      (static_cast<std::uint32_t>(w.cellKey) - static_cast<std::uint32_t>(x)) >> 16);
  const int row = y - w.bandTop;
  if (static_cast<unsigned>(row) >= w.bandRows) return;
  const int column = std::clamp<int>(x, -1, w.lastColumn) + 1;
  CoverageCell& c = w.cells[static_cast<std::size_t>(row) * w.stride + column];
  c.cover = wrap_add(c.cover, w.cellCover);
  c.area = wrap_add(c.area, w.cellArea);
  w.touched[static_cast<std::size_t>(row) * w.wordsPerRow + (column >> 6)] |= std::uint64_t{1}
                                                                              << (column & 63);
  w.firstUsed = std::min(w.firstUsed, row);
  w.lastUsed = std::max(w.lastUsed, row);
}

// Makes (cx, cy) the current cell, storing the previous one if it holds anything.
inline void select_cell(Walk& w, int cx, int cy) {
  const std::int32_t key = cell_key(cx, cy);
  if (key == w.cellKey) return;
  if (w.cellCover | w.cellArea) store_cell(w);
  w.cellKey = key;
  w.cellCover = 0;
  w.cellArea = 0;
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
  select_cell(w, ex1, ey);

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
      select_cell(w, ex1, ey);
    }
  }
  delta = yb - ya;
  accumulate(w, delta, (fx2 + pixelOne - first) * delta);
}

// An edge from (x1, y1) to (x2, y2) in 24.8; the current cell holds (x1, y1).
//
// Vertical clipping keeps the rows of the view and the row above it. The upper end
// moves one step above the view's top, not onto it: a clipped edge then deposits
// its first piece in the row above, which is never plotted, whatever cell is
// current there. Edges are never clipped horizontally; their runs are cut when
// plotted. Only the view clips: the band keeps the cells of its rows, so the cells
// of a row are the same whichever band holds it.
//
// Across rows the same integer stepping as in the row piece applies: x advances by
// floor(256 * dx / dy) per row plus a carried remainder.
[[gnu::always_inline]] inline void render_edge(Walk& w, int x1, int y1, int x2, int y2) {
  const int topLimit = 0;
  const int bottomLimit = w.bottomLimit;

  const bool swapped = y1 > y2;
  if (swapped) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  if (y2 < topLimit || y1 >= bottomLimit) return;
  if (y1 < topLimit - 1) {
    x1 = x2 +
         static_cast<int>(static_cast<std::int64_t>(x1 - x2) * (y2 - (topLimit - 1)) / (y2 - y1));
    y1 = topLimit - 1;
  }
  if (y2 > bottomLimit) {
    x2 = x1 + static_cast<int>(static_cast<std::int64_t>(x2 - x1) * (bottomLimit - y1) / (y2 - y1));
    y2 = bottomLimit;
  }
  // An edge with no row in the band keeps none of its cells: only the current cell
  // moves to its end, as its walk would leave it.
  if (cell_of(y2) < w.bandTop || cell_of(y1) - w.bandTop >= static_cast<int>(w.bandRows)) {
    if (swapped) {
      select_cell(w, cell_of(x1), cell_of(y1));
    } else {
      select_cell(w, cell_of(x2), cell_of(y2));
    }
    return;
  }
  if (swapped) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }

  const int ey1 = cell_of(y1);
  const int ey2 = cell_of(y2);
  const int fy1 = y1 & pixelMask;
  const int fy2 = y2 & pixelMask;

  if (ey1 == ey2) {
    render_row_piece(w, ey1, x1, fy1, x2, fy2);
    return;
  }
  const bool down = y2 >= y1;
  const int first = down ? pixelOne : 0;
  const int incr = down ? 1 : -1;
  // The band's first row in the walk's direction, and the first row beyond it. Rows
  // before the band are stepped over in one go, at the x the walk would reach; the
  // walk stops at the row beyond, leaving the current cell at the edge's end.
  const int bandFirst = down ? w.bandTop : w.bandTop + static_cast<int>(w.bandRows) - 1;
  const int bandEnd = down ? w.bandTop + static_cast<int>(w.bandRows) : w.bandTop - 1;
  int row = ey1 + incr;
  const int skipped = (bandFirst - row) * incr;  // rows after the first, before the band

  if (x1 == x2) {  // vertical: one cell per row, no row pieces needed
    const int ex = cell_of(x1);
    const int twoFx = (x1 & pixelMask) * 2;
    int delta = first - fy1;
    accumulate(w, delta, twoFx * delta);
    if (skipped > 0) row = bandFirst;
    select_cell(w, ex, row);
    const int fullCover = pixelOne * incr;
    const int fullArea = twoFx * fullCover;
    while (row != ey2) {
      if (row == bandEnd) return select_cell(w, ex, ey2);
      w.cellCover = fullCover;
      w.cellArea = fullArea;
      row += incr;
      select_cell(w, ex, row);
    }
    delta = fy2 - pixelOne + first;
    accumulate(w, delta, twoFx * delta);
    return;
  }

  // General edge. x moves by `head` over the first row and `step` per further row;
  // with 16-bit columns dx may reach 2^24, so the products may need 64 bits.
  //
  // The x where the walk enters the row m + 1 rows after the first is
  // x1 + floor((head's factor + 256 * m) * dx / dy): the carried remainder makes the
  // per-row steps add up to exactly that. The jump to the band uses it directly.
  const int dx = x2 - x1;
  const int dy = down ? y2 - y1 : y1 - y2;
  const bool narrow = dx > -(1 << 22) && dx < (1 << 22);
  const auto divide = [narrow, dx, dy](int factor) {  // floor(factor * dx / dy)
    if (narrow) return floor_div(factor * dx, dy);
    const FloorDiv<std::int64_t> d = floor_div(std::int64_t{factor} * dx, std::int64_t{dy});
    return FloorDiv<int>{static_cast<int>(d.quotient), static_cast<int>(d.remainder)};
  };
  const int headFactor = down ? pixelOne - fy1 : fy1;
  const FloorDiv<int> head = divide(headFactor);
  int xFrom = x1 + head.quotient;
  int mod = head.remainder;
  render_row_piece(w, ey1, x1, fy1, xFrom, first);

  if (skipped > 0) {
    const std::int64_t factor = headFactor + std::int64_t{pixelOne} * skipped;
    const FloorDiv<std::int64_t> at = floor_div(factor * dx, std::int64_t{dy});
    xFrom = x1 + static_cast<int>(at.quotient);
    mod = static_cast<int>(at.remainder);
    row = bandFirst;
  }
  select_cell(w, cell_of(xFrom), row);
  if (row != ey2) {
    const FloorDiv<int> step = divide(pixelOne);
    const int lift = step.quotient;
    const int rem = step.remainder;
    mod -= dy;
    while (row != ey2) {
      if (row == bandEnd) return select_cell(w, cell_of(x2), ey2);
      mod += rem;
      const int carry = mod >= 0;
      const int xTo = xFrom + lift + carry;
      mod -= dy & -carry;
      render_row_piece(w, row, xFrom, pixelOne - first, xTo, first);
      xFrom = xTo;
      row += incr;
      select_cell(w, cell_of(xFrom), row);
    }
  }
  render_row_piece(w, ey2, xFrom, pixelOne - first, x2, fy2);
}

// ---- sub-paths ------------------------------------------------------------------

// The recorded rows are widened once per point list, from its least and greatest y
// (the conversion to cells is monotonic), not point by point.
inline void widen_rows(int cy) {
  if (cy < ras.minRow) ras.minRow = cy;
  if (cy > ras.maxRow) ras.maxRow = cy;
}

// A straight edge from the current point to (x, y); the current point moves there.
[[gnu::always_inline]] inline void line_to(Walk& w, int x, int y) {
  render_edge(w, w.curX, w.curY, x, y);
  w.curX = x;
  w.curY = y;
}

// Closes the open sub-path: out of line, once per sub-path, and by value so that
// the caller's record stays in registers.
[[gnu::noinline]] Walk close_sub_path(Walk w) {
  line_to(w, w.startX, w.startY);
  w.flags &= ~openSubPath;
  return w;
}

// Starts a sub-path at (x, y), closing the open one first.
//
// NOTE: a start far above the view selects its column in the row above the view
// rather than its own row. Only the first piece of a clipped edge can land in that
// cell, and that piece belongs to the row above, which is never plotted.
inline void move_to(Walk& w, int x, int y) {
  if (w.flags & openSubPath) w = close_sub_path(w);
  const int row = std::max(cell_of(y), -1);
  if (row <= w.viewMaxY) select_cell(w, cell_of(x), row);
  w.startX = w.curX = x;
  w.startY = w.curY = y;
}

// Next point of the sub-path; identical consecutive points are skipped.
[[gnu::always_inline]] inline void add_edge_to(Walk& w, int x, int y) {
  if (x == w.curX && y == w.curY) return;
  line_to(w, x, y);
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
    CellRasterizer& r = ras;
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
    ras.outlineCount = static_cast<int>(next_ - ras.outline);
    return header_;
  }

 private:
  std::int32_t* header_ = nullptr;
  std::int32_t* next_ = nullptr;
};

// Walks one recorded sub-path; returns the next one. The walk's record is copied
// in and out: a local copy stays in registers, which the cell stores could alias
// if it were reached through a reference.
const std::int32_t* walk_sub_path(Walk& walk, const std::int32_t* sub) {
  Walk w = walk;
  const int count = sub[0];
  const bool closed = sub[1] != 0;
  const std::int32_t* p = sub + headerEntries;
  move_to(w, p[0], p[1]);
  for (int i = 1; i < count; ++i) add_edge_to(w, p[2 * i], p[2 * i + 1]);
  if (closed) w.flags &= ~openSubPath;
  walk = w;
  return p + 2 * count;
}

// Every point inside the limits: the plain conversion. minY and maxY are the
// least and greatest y of the points.
void record_in_range(OutlineWriter& out, const PathPoint* points, int count, float minY,
                     float maxY) {
  for (int i = 0; i < count; ++i) {
    out.add(to_fixed(points[i].x + 0.5f), to_fixed(points[i].y + 0.5f));
  }
  widen_rows(cell_of(to_fixed(minY + 0.5f)));
  widen_rows(cell_of(to_fixed(maxY + 0.5f)));
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
  widen_rows(cell_of(fy));
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
// A cut is placed from the nearer end point, by the fraction of the edge measured
// from that end: from the farther one, a point of a huge edge near its small end
// would round to somewhere else entirely.
void add_guarded_edge(OutlineWriter& out, ShiftedPoint a, ShiftedPoint b) {
  struct Cut {
    double fromA, fromB;  // fractions of the edge from a and from b
    bool nearA() const { return fromA <= fromB; }
  };
  Cut cuts[4];
  int cutCount = 0;
  const auto cut_at = [&](double av, double bv, double limit) {
    if ((av < limit && bv > limit) || (av > limit && bv < limit)) {
      cuts[cutCount++] = {(limit - av) / (bv - av), (limit - bv) / (av - bv)};
    }
  };
  cut_at(a.x, b.x, minColumnLimit);
  cut_at(a.x, b.x, maxColumnLimit);
  cut_at(a.y, b.y, -rowLimit);
  cut_at(a.y, b.y, rowLimit);
  // In order along the edge (at most four: insertion).
  const auto before = [](const Cut& p, const Cut& q) {
    if (p.nearA() != q.nearA()) return p.nearA();
    return p.nearA() ? p.fromA < q.fromA : p.fromB > q.fromB;
  };
  for (int i = 1; i < cutCount; ++i) {
    for (int j = i; j > 0 && before(cuts[j], cuts[j - 1]); --j) std::swap(cuts[j - 1], cuts[j]);
  }
  for (int i = 0; i < cutCount; ++i) {
    const Cut& c = cuts[i];
    if (c.nearA()) {
      add_limited(out, a.x + (b.x - a.x) * c.fromA, a.y + (b.y - a.y) * c.fromA);
    } else {
      add_limited(out, b.x + (a.x - b.x) * c.fromB, b.y + (a.y - b.y) * c.fromB);
    }
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
    record_in_range(out, pb.points, pb.count, pb.minY, pb.maxY);
    return out.finish(false);
  }
  // Each edge gains at most four cut points; the closing edge is added too.
  if (!out.reserve(5 * (std::int64_t{pb.count} + 1))) return nullptr;
  record_guarded(out, pb.points, pb.count);
  return out.finish(true);
}

// Records the pending points as a sub-path of the fill, or drops them when they
// cannot show. The record is walked when the fill is drawn.
void convert_pending_points() {
  PathBuffer& pb = pathBuffer;
  const BackBuffer& b = backBuffer;
  const bool visible = pb.count >= 2 && !(pb.maxX < -0.5f) && !(pb.minX > b.clipMaxXf) &&
                       !(pb.maxY < -0.5f) && !(pb.minY > b.clipMaxYf);
  if (visible) {
    CellRasterizer& r = ras;
    if (!(r.flags & accumulating)) {  // a new fill
      r.outlineCount = 0;
      r.minRow = 0x7FFFFFFF;
      r.maxRow = -0x7FFFFFFF;
      r.flags = accumulating;
    }
    if (record_sub_path(pb)) fillRuleState.cellsPending = 1;
  }
  pb.count = 0;
  pb.minX = pb.minY = 100000.0f;
  pb.maxX = pb.maxY = -100000.0f;
}

// ---- sweep and plotting ---------------------------------------------------------

// Raw coverage 0..255 of a signed amount in 1/(256 * 512) pixel. Written to compile
// without branches: inside and outside alternate at no foreseeable cell.
template <bool evenOdd>
inline int coverage_of(std::int64_t v) {
  std::int64_t c = v >> 9;
  c = c < 0 ? -c : c;
  if constexpr (evenOdd) {
    c &= 511;
    c = c > 256 ? 512 - c : c;
  }
  // min(c, 255) by the sign of 255 - c: all ones above 255, which the mask keeps.
  return static_cast<int>((c | ((255 - c) >> 63)) & 255);
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
// list and plotting the list when the row changes, without the list.
template <class Pixel>
class RowPlotter {
 public:
  RowPlotter(Color color, Pixel pixel)
      : color_(color),
        pixel_(pixel),
        run_(coverageRoutines.run),
        viewMaxX_(backBuffer.viewMaxX),
        firstRow_(std::max(ras.bandTop, 0)),
        lastRow_(std::min(ras.bandBottom - 1, backBuffer.viewMaxY)) {}

  // Makes y the row that runs go to; a row outside the view or the band takes none.
  void select_row(int y) {
    const bool visible = y >= firstRow_ && y <= lastRow_;
    line_ = visible ? reinterpret_cast<Color*>(backBuffer.rowTable[y]) : nullptr;
    width_ = visible ? viewMaxX_ + 1 : 0;
  }

  // One pixel of the row, skipped outside the view.
  void pixel(int x, int alpha) const {
    if (static_cast<unsigned>(x) < static_cast<unsigned>(width_)) pixel_(line_ + x, color_, alpha);
  }

  // `length` pixels from column x, cut to the view; a run of one pixel goes to the
  // pixel routine. What is longer than the 12 bits of a run's length is plotted in
  // pieces, cut after clipping and never leaving a piece of one pixel: a pixel of
  // a long run must not take the pixel routine's formula.
  void run(int x, int length, int alpha) const {
    if (!line_) return;
    int last = x + length - 1;
    if (x > viewMaxX_ || last < 0) return;
    if (x < 0) x = 0;
    if (last > viewMaxX_) last = viewMaxX_;
    length = last - x + 1;
    while (length > maxRunLength) {
      const int piece = std::min(maxRunLength, length - 2);
      run_(line_ + x, color_, piece, alpha);
      x += piece;
      length -= piece;
    }
    if (length == 1) {
      pixel_(line_ + x, color_, alpha);
    } else {
      run_(line_ + x, color_, length, alpha);
    }
  }

 private:
  const Color color_;
  const Pixel pixel_;
  const CoverageRunRoutine run_;
  const int viewMaxX_;
  const int firstRow_, lastRow_;  // the rows plotted: the view's, or the band's
  Color* line_ = nullptr;
  int width_ = 0;  // viewWidth on a visible row, 0 elsewhere
};

// Sweeps one row of the band: its marked cells in column order, found by scanning
// the row's bits, each cleared as it is read. A cell's pixel gets a run of one when
// its area is not 0; the gap up to the next cell gets a run with the running cover.
// A cell always ends the gap before it, even one whose sums cancel out, so the runs
// are those a sorted list of the cells gives. After the row's last cell the running
// cover is 0 (a row's covers add up to 0) and nothing is left to plot.
template <bool evenOdd, class Pixel>
[[gnu::always_inline]] inline void sweep_row(RowPlotter<Pixel>& plot, CoverageCell* cells,
                                             std::uint64_t* words, int wordCount) {
  const int* curve = ras.curve;
  std::int32_t cover = 0;
  int gapFrom = 0;  // first pixel after the last cell's own
  int gapRaw = 0;   // raw coverage of the gap after the last cell
  for (int i = 0; i < wordCount; ++i) {
    std::uint64_t bits = words[i];
    if (!bits) continue;
    words[i] = 0;
    do {
      const int column = i * 64 + std::countr_zero(bits);
      bits &= bits - 1;
      const int x = column - 1;
      if (gapRaw != 0 && x > gapFrom) plot.run(gapFrom, x - gapFrom, curve[gapRaw]);
      CoverageCell& cell = cells[column];
      cover = wrap_add(cover, cell.cover);
      const std::int32_t area = cell.area;
      cell = {0, 0};
      gapFrom = x;
      if (area != 0) {
        const int raw = coverage_of<evenOdd>(static_cast<std::int64_t>(cover) * 512 - area);
        if (raw != 0) plot.pixel(x, curve[raw]);
        gapFrom = x + 1;
      }
      gapRaw = coverage_of<evenOdd>(static_cast<std::int64_t>(cover) * 512);
    } while (bits);
  }
}

// Sweeps the rows of a walked band that received cells, in memory order: on a
// bottom-up surface from the bottom up, which long runs fill about twice as fast.
// Rows share no pixel and each starts from a running cover of 0, so the order
// changes nothing else.
template <bool evenOdd, class Pixel>
void sweep_band(const Walk& w, Color color, Pixel pixel) {
  RowPlotter<Pixel> plot(color, pixel);
  const auto sweep = [&](int row) {
    plot.select_row(w.bandTop + row);
    sweep_row<evenOdd>(plot, w.cells + static_cast<std::size_t>(row) * w.stride,
                       w.touched + static_cast<std::size_t>(row) * w.wordsPerRow, w.wordsPerRow);
  };
  if (backBuffer.rowStep < 0) {
    for (int row = w.lastUsed; row >= w.firstUsed; --row) sweep(row);
  } else {
    for (int row = w.firstUsed; row <= w.lastUsed; ++row) sweep(row);
  }
}

// Raw coverage of the band's first row at view column x, 0 <= x < width; clears the
// row.
template <bool evenOdd>
int coverage_at(const Walk& w, int x) {
  std::int32_t cover = 0, area = 0;
  for (int i = 0; i < w.wordsPerRow; ++i) {
    for (std::uint64_t bits = w.touched[i]; bits; bits &= bits - 1) {
      const int column = i * 64 + std::countr_zero(bits);
      CoverageCell& cell = w.cells[column];
      if (column <= x + 1) cover = wrap_add(cover, cell.cover);
      if (column == x + 1) area = cell.area;
      cell = {0, 0};
    }
    w.touched[i] = 0;
  }
  return coverage_of<evenOdd>(static_cast<std::int64_t>(cover) * 512 - area);
}

// ---- bands ----------------------------------------------------------------------
//
// A fill is drawn in bands of as many rows as the store holds (one band for most
// fills). Each band walks the whole outline record again and keeps the cells of
// its rows. The walk is the same for every band, whatever rows it keeps (the view
// clips the edges, never the band), so the cells and the picture do not depend on
// where bands begin.

// Walks the outline record into the cells of rows top .. bottom - 1, closing the
// last sub-path.
Walk walk_band(int top, int bottom) {
  CellRasterizer& r = ras;
  r.bandTop = top;
  r.bandBottom = bottom;
  Walk w{emptyKey,
         0,
         0,
         r.cells,
         r.touched,
         r.stride,
         r.wordsPerRow,
         top,
         static_cast<unsigned>(bottom - top),
         backBuffer.viewWidth,
         0x7FFFFFFF,
         -1,
         0,
         0,
         0,
         0,
         0,
         backBuffer.viewHeight * pixelOne,
         backBuffer.viewHeight - 1};
  const std::int32_t* const end = r.outline + r.outlineCount;
  for (const std::int32_t* sub = r.outline; sub != end;) sub = walk_sub_path(w, sub);
  if (w.flags & openSubPath) w = close_sub_path(w);
  if (w.cellCover | w.cellArea) store_cell(w);
  return w;
}

// The recorded fill, band by band over the rows it reaches in the view; bands in
// memory order too.
template <bool evenOdd, class Pixel>
void fill_in_bands(Color color, Pixel pixel) {
  ras.bandsSwept = 0;
  const int first = std::max(ras.minRow, 0);
  const int last = std::min(ras.maxRow, backBuffer.viewHeight - 1);
  if (first > last) return;
  const int step = std::min(rows_per_band(), last - first + 1);
  if (!reserve_band(step)) return;
  const int bands = (last - first) / step + 1;
  const bool upwards = backBuffer.rowStep < 0;
  for (int i = 0; i < bands; ++i) {
    const int top = first + (upwards ? bands - 1 - i : i) * step;
    const Walk w = walk_band(top, std::min(top + step, last + 1));
    if (w.firstUsed <= w.lastUsed) sweep_band<evenOdd>(w, color, pixel);
    ++ras.bandsSwept;
  }
}

// The fill with the installed pixel routine, inlined when it is the Copy one.
template <bool evenOdd>
void fill_with_routines(Color color) {
  const CoveragePixelRoutine pixel = coverageRoutines.pixel;
  if (pixel == &coverPixel<px::coverCopy>) {
    fill_in_bands<evenOdd>(color, KnownPixel<px::coverCopy>{});
  } else {
    fill_in_bands<evenOdd>(color, AnyPixel{pixel});
  }
}

void set_rule(int rule) {
  fillRuleState.previousRule = fillRuleState.fillRule;
  fillRuleState.fillRule = rule;
  ras.fillRule = rule;
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

void beginPath() { convert_pending_points(); }

void beginPathAt(float x, float y) {
  beginPath();
  addPoint(x, y);
}

void fillPath(Color color, int mode) {
  convert_pending_points();
  if (fillRuleState.cellsPending) {
    select_coverage_mode(mode & 0xF);
    ras.flags &= ~accumulating;  // the next sub-path starts a new fill
    if (ras.fillRule == 1) {
      fill_with_routines<true>(color);
    } else {
      fill_with_routines<false>(color);
    }
    fillRuleState.cellsPending = 0;
  }
  if (fillRuleState.restoreAfterFill) {
    fillRuleState.restoreAfterFill = 0;
    restoreFillRule();
  }
}

void setFillRule(int rule) { set_rule(rule); }
void setFillRuleNonZero() { set_rule(0); }
void setFillRuleEvenOdd() { set_rule(1); }

void restoreFillRule() {
  fillRuleState.fillRule = fillRuleState.previousRule;
  ras.fillRule = fillRuleState.previousRule;
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
    ras.curve[i] = static_cast<int>(v);
  }
}

void setCoverageTable(const int* table) {
  if (!table) return;
  for (int i = 0; i < 256; ++i) ras.curve[i] = std::clamp(table[i], 0, 255);
}

// The pending fill is walked for the pixel's row alone. As a fill does, the query
// ends the recording: a later sub-path starts a new fill.
int isPixelCovered(int x, int y) {
  if (!fillRuleState.cellsPending) return 0;
  ras.flags &= ~accumulating;
  if (x < 0 || x >= backBuffer.viewWidth || y < 0 || y >= backBuffer.viewHeight) return 0;
  if (!reserve_band(1)) return 0;
  const Walk w = walk_band(y, y + 1);
  const int raw = ras.fillRule == 1 ? coverage_at<true>(w, x) : coverage_at<false>(w, x);
  return raw != 0 ? 1 : 0;
}
