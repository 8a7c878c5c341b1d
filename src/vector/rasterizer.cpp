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
// Pipeline, in the order of this file: fixed-point helpers, the cell store, the
// edge walk, sub-paths and point conversion, the sort, the sweep with plotting,
// and the entry points.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

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
constexpr int emptyRow = 0x7FFF;

// The cell holding a 24.8 coordinate (an arithmetic shift rounds toward -inf).
constexpr int cell_of(int v) { return v >> pixelShift; }

// Modular, so that a cell that cannot hold cover (the row below a 32768-row view)
// has a defined key too.
constexpr std::int32_t cell_key(int x, int y) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(y) << 16) +
                                   static_cast<std::uint32_t>(x));
}

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
  T q = dividend / divisor, r = dividend % divisor;
  if (r < 0) {
    q -= 1;
    r += divisor;
  }
  return {q, r};
}

// Shifted coordinates (x + 0.5) are kept inside these limits before conversion, so
// every cell column fits 16 bits and every fixed-point value fits 32 bits. Columns
// beyond the limit are cut off along a vertical line (see convert_guarded); rows
// beyond +-4 million pixels are clamped, which moves visible edges by far less than
// a 1/256 pixel step.
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

// Frees every work buffer; registered with the drawing shutdown. Pending points and
// cells are dropped with them.
void free_raster_buffers() {
  CellRasterizer& r = ras;
  freeGrownBuffer(pathBuffer.points);
  pathBuffer.points = nullptr;
  pathBuffer.count = pathBuffer.capacity = 0;
  for (int i = 0; i < r.blocksAllocated; ++i) freeAligned(r.blocks[i]);
  freeGrownBuffer(r.blocks);
  freeGrownBuffer(r.sorted);
  freeGrownBuffer(r.rowStarts);
  freeGrownBuffer(r.row.runs);
  r.blocks = nullptr;
  r.blockSlots = r.blocksAllocated = 0;
  r.sorted = nullptr;
  r.sortedCapacity = 0;
  r.rowStarts = nullptr;
  r.rowStartsCapacity = 0;
  r.row.runs = nullptr;
  r.row.capacity = r.row.count = 0;
  r.numCells = 0;
  r.blockIndex = -1;
  r.cell = r.cellLimit = nullptr;
  r.flags = accumulating;
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

// ---- cell store -----------------------------------------------------------------

// Opens the next block for writing, reusing a block of an earlier fill or
// allocating one. False at the block limit (or when memory ran out).
bool open_next_block() {
  CellRasterizer& r = ras;
  const int next = r.blockIndex + 1;
  if (next >= maxCellBlocks) return false;
  if (next >= r.blocksAllocated) {
    if (!grow_array(r.blocks, r.blockSlots, r.blocksAllocated + 1, 512)) return false;
    void* block = allocAligned(sizeof(CoverageCell) * cellsPerBlock, 64, 0);
    if (!block) return false;
    register_release();
    r.blocks[r.blocksAllocated++] = static_cast<CoverageCell*>(block);
  }
  r.blockIndex = next;
  r.cell = r.blocks[next];
  r.cellLimit = r.cell + cellsPerBlock;
  return true;
}

// Stores the current cell by stepping past it; the next slot becomes current. When
// no block can be opened, further cells go to the spare cell and are dropped.
[[gnu::noinline]] CoverageCell* store_at_block_end() {
  CellRasterizer& r = ras;
  const CoverageCell last = *r.cell;
  const bool wasSpare = r.cell == &r.spare;
  if (open_next_block()) {
    if (!wasSpare) return r.cell;  // the last slot of the full block is stored
    *r.cell = last;                // the fill's first cell, held in the spare
    return ++r.cell;
  }
  r.cell = &r.spare;
  r.cellLimit = &r.spare + 1;
  return r.cell;
}
inline CoverageCell* store_current_cell() {
  CellRasterizer& r = ras;
  if (r.cell + 1 < r.cellLimit) return ++r.cell;
  return store_at_block_end();
}

// Cells stored so far in the current fill.
int stored_cell_count() {
  const CellRasterizer& r = ras;
  if (r.blockIndex < 0) return 0;
  if (r.cell == &r.spare) return (r.blockIndex + 1) * cellsPerBlock;
  return r.blockIndex * cellsPerBlock + static_cast<int>(r.cell - r.blocks[r.blockIndex]);
}

// Makes (cx, cy) the current cell, storing the previous one if it holds anything.
inline void select_cell(int cx, int cy) {
  const std::int32_t key = cell_key(cx, cy);
  CoverageCell* c = ras.cell;
  if (key == c->key) return;
  if (c->cover | c->area) c = store_current_cell();
  c->x = static_cast<std::int16_t>(cx);
  c->y = static_cast<std::int16_t>(cy);
  c->key = key;
  c->cover = 0;
  c->area = 0;
}

// Adds a piece's height and area to the current cell.
inline void accumulate(int cover, int area) {
  CoverageCell* c = ras.cell;
  c->cover = wrap_add(c->cover, cover);
  c->area = wrap_add(c->area, area);
}

// ---- edge walk ------------------------------------------------------------------

// The row piece: the part of an edge inside row ey, from (xa, ya) to (xb, yb), ya and
// yb being heights 0..256 inside the row. The current cell is the one holding xa.
//
// Crossing from cell to cell, the height gained per cell is 256 * (yb - ya) / |dx|.
// It is done in integers: the first cell gets floor(p / |dx|) with p its share of
// the width, every further cell `lift` plus one whenever the carried remainder
// `mod` comes round, and the last cell whatever height is left, so the heights add
// up to yb - ya exactly.
void render_row_piece(int ey, int xa, int ya, int xb, int yb) {
  int ex1 = cell_of(xa);
  const int ex2 = cell_of(xb);
  const int fx1 = xa & pixelMask;
  const int fx2 = xb & pixelMask;

  if (ya == yb) {  // horizontal: no cover, only the cell changes
    select_cell(ex2, ey);
    return;
  }
  if (ex1 == ex2) {  // inside one cell
    const int delta = yb - ya;
    accumulate(delta, (fx1 + fx2) * delta);
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
  accumulate(delta, (fx1 + first) * delta);
  ya += delta;
  ex1 += incr;
  select_cell(ex1, ey);

  if (ex1 != ex2) {
    const FloorDiv<int> step = floor_div(pixelOne * (yb - ya + delta), dxAbs);
    const int lift = step.quotient;
    const int rem = step.remainder;
    mod -= dxAbs;
    while (ex1 != ex2) {
      delta = lift;
      mod += rem;
      if (mod >= 0) {
        mod -= dxAbs;
        ++delta;
      }
      accumulate(delta, pixelOne * delta);
      ya += delta;
      ex1 += incr;
      select_cell(ex1, ey);
    }
  }
  delta = yb - ya;
  accumulate(delta, (fx2 + pixelOne - first) * delta);
}

// An edge from (x1, y1) to (x2, y2) in 24.8; the current cell holds (x1, y1).
//
// Vertical clipping keeps rows -1 .. viewHeight. The upper end moves to y = -1 (one
// step above the view), not to 0: a clipped edge then deposits its first piece in
// row -1, which is swept but never plotted, whatever cell is current there. Edges
// are never clipped horizontally; their runs are cut when plotted.
//
// Across rows the same integer stepping as in the row piece applies: x advances by
// floor(256 * dx / dy) per row plus a carried remainder.
void render_edge(int x1, int y1, int x2, int y2) {
  CellRasterizer& r = ras;
  const int bottomLimit = backBuffer.viewHeight * pixelOne;

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
  if (cell_of(y1) < r.minCellY) r.minCellY = cell_of(y1);
  if (cell_of(y2) + 1 > r.maxCellY) r.maxCellY = cell_of(y2) + 1;
  if (swapped) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }

  const int ey1 = cell_of(y1);
  const int ey2 = cell_of(y2);
  const int fy1 = y1 & pixelMask;
  const int fy2 = y2 & pixelMask;

  if (ey1 == ey2) {
    render_row_piece(ey1, x1, fy1, x2, fy2);
    return;
  }
  const bool down = y2 >= y1;
  const int first = down ? pixelOne : 0;
  const int incr = down ? 1 : -1;

  if (x1 == x2) {  // vertical: one cell per row, no row pieces needed
    const int ex = cell_of(x1);
    const int twoFx = (x1 & pixelMask) * 2;
    int delta = first - fy1;
    accumulate(delta, twoFx * delta);
    int row = ey1 + incr;
    select_cell(ex, row);
    const int fullCover = pixelOne * incr;
    const int fullArea = twoFx * fullCover;
    while (row != ey2) {
      r.cell->cover = fullCover;
      r.cell->area = fullArea;
      row += incr;
      select_cell(ex, row);
    }
    delta = fy2 - pixelOne + first;
    accumulate(delta, twoFx * delta);
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
  const FloorDiv<int> head = divide(down ? pixelOne - fy1 : fy1);
  int xFrom = x1 + head.quotient;
  int mod = head.remainder;
  render_row_piece(ey1, x1, fy1, xFrom, first);

  int row = ey1 + incr;
  select_cell(cell_of(xFrom), row);
  if (row != ey2) {
    const FloorDiv<int> step = divide(pixelOne);
    const int lift = step.quotient;
    const int rem = step.remainder;
    mod -= dy;
    while (row != ey2) {
      int delta = lift;
      mod += rem;
      if (mod >= 0) {
        mod -= dy;
        ++delta;
      }
      const int xTo = xFrom + delta;
      render_row_piece(row, xFrom, pixelOne - first, xTo, first);
      xFrom = xTo;
      row += incr;
      select_cell(cell_of(xFrom), row);
    }
  }
  render_row_piece(ey2, xFrom, pixelOne - first, x2, fy2);
}

// ---- sub-paths ------------------------------------------------------------------

// Starts a new fill: the cells of the last one are forgotten (their blocks stay).
void start_fill() {
  CellRasterizer& r = ras;
  r.numCells = 0;
  r.blockIndex = -1;
  r.spare = CoverageCell{0x7FFF, 0x7FFF, cell_key(0x7FFF, 0x7FFF), 0, 0};
  r.cell = &r.spare;
  r.cellLimit = &r.spare + 1;
  r.minCellX = r.minCellY = 0x7FFFFFFF;
  r.maxCellX = r.maxCellY = -0x7FFFFFFF;
  r.flags = accumulating;
}

inline void widen_columns(int cx) {
  if (cx < ras.minCellX) ras.minCellX = cx;
  if (cx + 1 > ras.maxCellX) ras.maxCellX = cx + 1;
}

// A straight edge from the current point to (x, y); the current point moves there.
void line_to(int x, int y) {
  render_edge(ras.curX, ras.curY, x, y);
  ras.curX = x;
  ras.curY = y;
}

void close_sub_path() {
  line_to(ras.startX, ras.startY);
  ras.flags &= ~openSubPath;
}

// Starts a sub-path at (x, y), closing the open one first.
//
// NOTE: a start far above the view selects its column in row -1 rather than its own
// row. Only the first piece of a clipped edge can land in that cell, and that piece
// belongs to row -1; this keeps every cell's row within -1 .. viewHeight.
void move_to(int x, int y) {
  CellRasterizer& r = ras;
  if (!(r.flags & accumulating) || !r.cell) start_fill();
  if (r.flags & openSubPath) close_sub_path();
  const int row = std::max(cell_of(y), -1);
  if (row <= backBuffer.viewMaxY) {
    select_cell(cell_of(x), row);
    if (row < r.minCellY) r.minCellY = row;
    if (row + 1 > r.maxCellY) r.maxCellY = row + 1;
  }
  widen_columns(cell_of(x));
  r.startX = r.curX = x;
  r.startY = r.curY = y;
}

// Next point of the sub-path; identical consecutive points are skipped.
inline void add_edge_to(int x, int y) {
  if (x == ras.curX && y == ras.curY) return;
  widen_columns(cell_of(x));
  line_to(x, y);
  ras.flags |= openSubPath;
}

// ---- converting the point list --------------------------------------------------

// Every point inside the limits: the plain conversion.
void convert_in_range(const PathPoint* points, int count) {
  move_to(to_fixed(points[0].x + 0.5f), to_fixed(points[0].y + 0.5f));
  for (int i = 1; i < count; ++i) {
    add_edge_to(to_fixed(points[i].x + 0.5f), to_fixed(points[i].y + 0.5f));
  }
}

struct ShiftedPoint {
  double x, y;
};

ShiftedPoint shifted_point(PathPoint p) {
  const float x = p.x + 0.5f;
  const float y = std::clamp(p.y + 0.5f, -rowLimit, rowLimit);
  return {x, y};
}

int fixed_column(double x) {
  return static_cast<int>(std::clamp(x, double(minColumnLimit), double(maxColumnLimit)) * 256.0);
}

// An edge between shifted points, cut where it crosses a column limit; the parts
// beyond a limit run along it. That keeps every column inside the view exact:
//
//     limit                    limit
//       |   /                    |   /
//       |  /           ->        |  /
//       | /                      | /
//       |/                       |/
//      /|                        |
//     / |                        |   (the part beyond runs down the limit)
void add_guarded_edge(ShiftedPoint a, ShiftedPoint b) {
  double cuts[2];
  int cutCount = 0;
  const double dx = b.x - a.x;
  for (const double limit : {double(minColumnLimit), double(maxColumnLimit)}) {
    if ((a.x < limit && b.x > limit) || (a.x > limit && b.x < limit)) {
      cuts[cutCount++] = (limit - a.x) / dx;
    }
  }
  if (cutCount == 2 && cuts[0] > cuts[1]) std::swap(cuts[0], cuts[1]);
  for (int i = 0; i < cutCount; ++i) {
    const double y = a.y + (b.y - a.y) * cuts[i];
    add_edge_to(fixed_column(a.x + dx * cuts[i]), static_cast<int>(y * 256.0));
  }
  add_edge_to(fixed_column(b.x), static_cast<int>(b.y * 256.0));
}

// Some point beyond the limits: rows are clamped, columns cut along the limits, and
// the sub-path is closed here, since its closing edge may cross a limit too.
void convert_guarded(const PathPoint* points, int count) {
  const ShiftedPoint start = shifted_point(points[0]);
  move_to(fixed_column(start.x), static_cast<int>(start.y * 256.0));
  ShiftedPoint previous = start;
  for (int i = 1; i < count; ++i) {
    const ShiftedPoint next = shifted_point(points[i]);
    add_guarded_edge(previous, next);
    previous = next;
  }
  add_guarded_edge(previous, start);
  ras.flags &= ~openSubPath;
}

// Turns the pending points into cells, or drops them when they cannot show.
void convert_pending_points() {
  PathBuffer& pb = pathBuffer;
  const BackBuffer& b = backBuffer;
  const bool visible = pb.count >= 2 && !(pb.maxX < -0.5f) && !(pb.minX > b.clipMaxXf) &&
                       !(pb.maxY < -0.5f) && !(pb.minY > b.clipMaxYf);
  if (visible) {
    const float margin = 1.0f;  // the shift by 0.5 must not cross a limit either
    const bool inRange = pb.minX > minColumnLimit + margin && pb.maxX < maxColumnLimit - margin &&
                         pb.minY > -rowLimit + margin && pb.maxY < rowLimit - margin;
    if (inRange) {
      convert_in_range(pb.points, pb.count);
    } else {
      convert_guarded(pb.points, pb.count);
    }
    fillRuleState.cellsPending = 1;
  }
  pb.count = 0;
  pb.minX = pb.minY = 100000.0f;
  pb.maxX = pb.maxY = -100000.0f;
}

// ---- sorting --------------------------------------------------------------------

// Orders the cells of one row by column. Rows are usually nearly in order (edges
// are walked left to right, or cross a row once): insertion sort, until it has moved
// cells more than a few times the row's length; then the library sort takes over.
void sort_row(CoverageCell* cells, int count) {
  int budget = 4 * count + 16;
  for (int i = 1; i < count; ++i) {
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

// Closes the outline, stores the last cell and sorts all cells by key into one
// array: a counting sort by row, then each row by column. Ends the accumulation:
// the next conversion starts a new fill. Returns the cell count.
int sort_cells() {
  CellRasterizer& r = ras;
  if (!r.cell) return 0;  // no sub-path since the start or the last shutdown
  if (r.flags & openSubPath) close_sub_path();
  if (r.cell->cover | r.cell->area) {
    // Stored, and the new current cell is empty: a second sort stores nothing more.
    CoverageCell* next = store_current_cell();
    next->key = cell_key(0x7FFF, 0x7FFF);
    next->cover = next->area = 0;
  }
  r.flags &= ~accumulating;
  const int n = r.numCells = stored_cell_count();
  if (n == 0) return 0;
  // Every cell's row lies in the box; the clamp only keeps a broken box in memory.
  const int rows =
      static_cast<int>(std::clamp<std::int64_t>(std::int64_t(r.maxCellY) - r.minCellY, 1, 65536));
  if (!grow_array(r.sorted, r.sortedCapacity, n, 16384) ||
      !grow_array(r.rowStarts, r.rowStartsCapacity, rows + 1, 4096)) {
    return 0;
  }
  const unsigned lastRow = static_cast<unsigned>(rows - 1);
  const auto row_of = [&](const CoverageCell& c) {
    return std::min(static_cast<unsigned>(c.y - r.minCellY), lastRow);
  };
  int* starts = r.rowStarts;
  std::memset(starts, 0, sizeof(int) * (rows + 1));
  for (int b = 0, left = n; left > 0; ++b, left -= cellsPerBlock) {
    const CoverageCell* block = r.blocks[b];
    for (int i = 0, end = std::min(left, cellsPerBlock); i < end; ++i)
      ++starts[row_of(block[i]) + 1];
  }
  for (int y = 0; y < rows; ++y) starts[y + 1] += starts[y];
  for (int b = 0, left = n; left > 0; ++b, left -= cellsPerBlock) {
    const CoverageCell* block = r.blocks[b];
    for (int i = 0, end = std::min(left, cellsPerBlock); i < end; ++i) {
      r.sorted[starts[row_of(block[i])]++] = block[i];
    }
  }
  // The scatter moved each start to the next row's: sort each row in place.
  for (int y = 0, begin = 0; y < rows; ++y) {
    sort_row(r.sorted + begin, starts[y] - begin);
    begin = starts[y];
  }
  return n;
}

// ---- sweep and plotting ---------------------------------------------------------

// Raw coverage 0..255 of a signed amount in 1/(256 * 512) pixel.
template <bool evenOdd>
inline int coverage_of(std::int64_t v) {
  std::int64_t c = v >> 9;
  if (c < 0) c = -c;
  if constexpr (evenOdd) {
    c &= 511;
    if (c > 256) c = 512 - c;
  }
  return c > 255 ? 255 : static_cast<int>(c);
}

// The coverage routines of the fill, read once.
struct Plotter {
  Color color;
  CoveragePixelRoutine pixel;
  CoverageRunRoutine run;
};

// Plots the held runs of one row through the coverage routines, cut to the view.
void draw_coverage_row(const Plotter& plot) {
  const CoverageRow& row = ras.row;
  const int y = row.row + row.rowOffset;
  if (y < 0 || y > backBuffer.viewMaxY) return;
  Color* line = reinterpret_cast<Color*>(backBuffer.rowTable[y]);
  const int maxX = backBuffer.viewMaxX;
  for (int i = 0; i < row.count; ++i) {
    int x = row.runs[i].x;
    const std::uint32_t word = row.runs[i].word;
    const int alpha = static_cast<int>(word & 0xFF);
    int last = x + static_cast<int>((word >> 8) & 0xFFF) - 1;
    if (x > maxX || last < 0) continue;
    if (x < 0) x = 0;
    if (last > maxX) last = maxX;
    if (last == x) {
      plot.pixel(line + x, plot.color, alpha);
    } else {
      plot.run(line + x, plot.color, last - x + 1, alpha);
    }
  }
}

// Room for the runs of one row of the fill's box.
bool reserve_row() {
  return grow_array(ras.row.runs, ras.row.capacity, ras.maxCellX - ras.minCellX + 2, 1280);
}

// The row being collected, kept in locals while the sweep runs.
class RowCollector {
 public:
  explicit RowCollector(const Plotter& plot)
      : plot_(plot), first_(ras.row.runs), limit_(first_ + ras.row.capacity), out_(first_) {}

  // Holds a run of `length` pixels from column x of row y, plotting the held row
  // first when y is another row.
  void add(int y, int x, int length, int alpha) {
    if (y != y_) {
      flush();
      y_ = y;
    }
    // Runs longer than the word's 12 bits are split. The row cannot fill up within
    // the cell box; should it, the held runs are plotted early.
    while (length > maxRunLength) {
      hold(x, maxRunLength, alpha);
      x += maxRunLength;
      length -= maxRunLength;
    }
    hold(x, length, alpha);
  }

  // Plots the held runs.
  void flush() {
    CoverageRow& row = ras.row;
    row.count = static_cast<int>(out_ - first_);
    row.row = y_;
    row.lastX = row.count ? out_[-1].x + static_cast<int>(out_[-1].word >> 8) : emptyRow;
    draw_coverage_row(plot_);
    row.count = 0;
    out_ = first_;
  }

 private:
  void hold(int x, int length, int alpha) {
    if (out_ == limit_) flush();
    *out_++ = {x, static_cast<std::uint32_t>(length << 8 | alpha)};
  }

  const Plotter& plot_;
  CoverageRun* const first_;
  CoverageRun* const limit_;
  CoverageRun* out_;
  int y_ = emptyRow;
};

// One pass over the sorted cells: equal keys are summed, each touched pixel gets a
// run of one, and the gap up to the next cell a run with the running cover.
template <bool evenOdd>
void sweep_cells(const Plotter& plot) {
  const int* curve = ras.curve;
  const CoverageCell* cell = ras.sorted;
  const CoverageCell* const end = cell + ras.numCells;
  RowCollector row(plot);
  std::int32_t cover = 0;
  while (cell != end) {
    const int x = cell->x;
    const int y = cell->y;
    const std::int32_t key = cell->key;
    std::int32_t area = cell->area;
    cover = wrap_add(cover, cell->cover);
    while (++cell != end && cell->key == key) {
      area = wrap_add(area, cell->area);
      cover = wrap_add(cover, cell->cover);
    }
    int nextFree = x;
    if (area != 0) {
      const int raw = coverage_of<evenOdd>(static_cast<std::int64_t>(cover) * 512 - area);
      if (raw != 0) row.add(y, x, 1, curve[raw]);
      nextFree = x + 1;
    }
    if (cell != end && cell->x > nextFree) {
      const int raw = coverage_of<evenOdd>(static_cast<std::int64_t>(cover) * 512);
      if (raw != 0) row.add(y, nextFree, cell->x - nextFree, curve[raw]);
    }
  }
  row.flush();
}

// Raw coverage of pixel (x, y) under the sorted cells.
template <bool evenOdd>
int coverage_at(int x, int y) {
  const std::int64_t target = static_cast<std::int64_t>(y) * 65536 + x;
  std::int32_t cover = 0;
  std::int32_t area = 0;
  const CoverageCell* const end = ras.sorted + ras.numCells;
  for (const CoverageCell* cell = ras.sorted; cell != end; ++cell) {
    const std::int64_t key = static_cast<std::int64_t>(cell->y) * 65536 + cell->x;
    if (key > target) break;
    cover = wrap_add(cover, cell->cover);
    if (key == target) area = wrap_add(area, cell->area);
  }
  return coverage_of<evenOdd>(static_cast<std::int64_t>(cover) * 512 - area);
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
    if (sort_cells() > 0 && reserve_row()) {
      CoverageRow& row = ras.row;
      row.count = 0;
      row.row = row.lastX = emptyRow;
      const Plotter plot{color, coverageRoutines.pixel, coverageRoutines.run};
      if (ras.fillRule == 1) {
        sweep_cells<true>(plot);
      } else {
        sweep_cells<false>(plot);
      }
      row.count = 0;
      row.row = row.lastX = emptyRow;
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

int isPixelCovered(int x, int y) {
  if (!fillRuleState.cellsPending || sort_cells() == 0) return 0;
  const int raw = ras.fillRule == 1 ? coverage_at<true>(x, y) : coverage_at<false>(x, y);
  return raw != 0 ? 1 : 0;
}
