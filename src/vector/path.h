// Path points and the anti-aliased polygon fill.
//
// A polygon is drawn in three steps: beginPath, any number of addPoint, fillPath.
// Coordinates are float view pixels, x to the right, y downwards, integer values at
// pixel centres. Several sub-paths may share one fill: each beginPath closes the
// previous one, and the fill rule decides how they combine.
//
// Limits: the points of one fill, kept in 24.8 for as long as the fill is pending,
// take at most 1 GiB (about 2^27 points; a sub-path beyond that is dropped). Edges
// reaching far beyond the view are cut along lines far outside it, so what the view
// shows of them keeps its place and slope.
#pragma once

#include <cstdint>

#include "blend/color.h"
#include "blend/drawing_state.h"
#include "platform/platform.h"

// ---- state records (one instance per drawing thread, see drawing_state.h) ----
// One pending point, in view pixels.
struct PathPoint {
  float x, y;  // the point after the rotation
};

// The pending point list.
struct PathBuffer {
  PathPoint* points = nullptr;  // grows in 4096-byte steps, never shrinks
  int count = 0;                // points in the list
  int capacity = 0;             // in points
  // Box of the points added since the last conversion; reset to +-100000 after each.
  float minX = 0, minY = 0, maxX = 0, maxY = 0;  // (the box)
  // The points converted or dropped: none pending, and an empty box.
  void clear() {
    count = 0;
    minX = minY = 100000.0f;
    maxX = maxY = -100000.0f;
  }
};

// Optional rotation applied to every point as it is added.
struct PathRotation {
  float centreX = 0, centreY = 0;    // the point turned about
  float angle = 0;                   // radians
  int enabled = 0;                   // points are turned while set
  float cosAngle = 1, sinAngle = 0;  // of angle, kept with it so addPoint needs no call
};

// The fill rule and what a one-shot rule must restore.
struct FillRuleState {
  int fillRule = 1;          // 0 non-zero winding, 1 even-odd
  int previousRule = 1;      // the rule before the last change
  int restoreAfterFill = 0;  // set by setFillRuleOnce: shapes leave the fill to fillPath
  int cellsPending = 0;      // a sub-path has become cells that are not yet swept
};

// One pixel cell touched by the outline.
struct CoverageCell {
  std::int16_t x, y;   // pixel column and row
  std::int32_t key;    // x + y * 65536: sorts rows first, then columns
  std::int32_t cover;  // signed height of the edge pieces inside, in 1/256 pixel
  std::int32_t area;   // sum of (twice the piece's mean x inside, 0..512) * its height
};

// The outline store of the rasterizer. A fill needing more cells than the store
// holds is drawn in bands of rows, the outline walked again for each band, so the
// store bounds memory, never the picture.
constexpr int cellsPerBlock = 4096;
constexpr int maxCellBlocks = 1024;  // per fill, or per band of an oversized fill
// The rasterizer's whole state: cell store, outline, sort and sweep buffers.
struct CellRasterizer {
  CoverageCell** blocks = nullptr;  // allocated blocks stay for later fills
  int blockSlots = 0;               // entries of `blocks`, grows by 512
  int blocksAllocated = 0;          // blocks with memory
  int blockIndex = -1;              // block being written, -1 before the first cell
  // The cell being accumulated; it is stored at `next` when the walk leaves it
  // holding cover or area. `next` reaching `limit` opens the next block.
  CoverageCell cell{0x7FFF, 0x7FFF, 0x7FFF7FFF, 0, 0};
  CoverageCell* next = nullptr;   // where the next cell is stored
  CoverageCell* limit = nullptr;  // the end of the block being written
  int numCells = 0;               // cells stored for the current fill or band (set by the sort)
  // The store's size in cells, 1 .. cellsPerBlock * maxCellBlocks. A test hook, not a
  // setting: tests shrink it so that small fills are drawn in many bands.
  int storeCells = cellsPerBlock * maxCellBlocks;
  int bandCells = 0;                // cells a band may store (see rows_per_band)
  int overflowed = 0;               // the fill outgrew the store: it is drawn band by band
  int bandTop = 0, bandBottom = 0;  // rows whose cells are kept: a band's, or -1 .. height
  int banded = 0;                   // walking one band: a full store is compacted
  int limited = 0;                  // walking the rows of setFillBand alone
  // The rows plotted whole, and the columns plotted in the others (setFillRows).
  int rowsTop = 0, rowsBottom = 0x7FFFFFFF, columnsOutside = 0;  // (setFillRows)
  int limitTop = 0, limitBottom = 0x7FFFFFFF;  // rows outside are not plotted (setFillBand)
  static constexpr int maxClipRects = 16;      // the most rectangles a clip takes
  Rect clip[maxClipRects]{};                   // nothing outside them is plotted (setFillClip)
  int clipCount = 0;                           // 0: no clip
  int streamed = 0;                            // plain runs bypass the caches (setFillStreamed)
  // Every sub-path of the current fill in 24.8 after conversion, kept so that bands
  // can walk it again: per sub-path a header (point count, closed flag), then points.
  std::int32_t* outline = nullptr;
  int outlineCount = 0;                               // int32 entries in use
  int outlineCapacity = 0;                            // in int32 entries
  int minCellX = 0x7FFFFFFF, maxCellX = -0x7FFFFFFF;  // maxima hold the last index + 1
  int minCellY = 0x7FFFFFFF, maxCellY = -0x7FFFFFFF;  // rows the same way
  int startX = 0, startY = 0;                         // first point of the sub-path, 24.8
  int curX = 0, curY = 0;                             // current point, 24.8
  int flags = 2;                                      // bit 0 sub-path open, bit 1 accumulating
  int* rowCounts = nullptr;              // stored cells per row from row -1, counted as stored
  int rowCountsCapacity = 0;             // entries of rowCounts
  int rowsInUse = 0;                     // rows counted: -1 .. viewHeight of the views walked
  CoverageCell* sorted = nullptr;        // copies of all cells by row, then column
  int sortedCapacity = 0;                // grows in steps of 16384 cells
  CoverageCell* mergeScratch = nullptr;  // one row's cells, for merging them
  int mergeScratchCapacity = 0;          // in cells
  int* rowStarts = nullptr;              // per counted row: its first sorted cell, then its end
  int rowStartsCapacity = 0;             // entries of rowStarts
  int fillRule = 1;                      // mirror of FillRuleState::fillRule
  int curve[256];                        // raw coverage -> alpha handed to the coverage routines
};

extern DRAWING_STATE PathBuffer pathBuffer;          // the thread's point list
extern DRAWING_STATE PathRotation pathRotation;      // its rotation
extern DRAWING_STATE FillRuleState fillRuleState;    // its fill rule
extern DRAWING_STATE CellRasterizer cellRasterizer;  // its rasterizer

// ---- building and filling ---------------------------------------------------
void beginPath();                    // the pending points become a sub-path
void beginPathAt(float x, float y);  // beginPath, then addPoint
void addPoint(float x, float y);     // non-finite points are dropped
// addPoint for points (xs[i], ys[i]), i < count, with one check of the room left.
void addPoints(const float* xs, const float* ys, int count);
void fillPath(Color color, int mode);  // fills every pending sub-path, mode & 0xF
// fillPath for a lone sub-path whose edges run left to right (monotone_fill.cpp):
// the same pixels without the cell store and its sort. False, drawing nothing, for
// any other outline, and while a clip is set (setFillClip).
bool fillMonotonePath(Color color, int mode);

// Fills plot only view rows top .. bottom - 1, and in the other rows only the first
// `columnsOutside` columns, until the next call: a caller that knows pixels will be
// painted over skips them. The outline is still walked whole, so what is plotted
// comes out exactly as without the limit. Negative values count as 0.
void setFillRows(int top, int bottom, int columnsOutside = 0);
void clearFillRows();  // every row of the view again
// Fills plot nothing outside view rows top .. bottom - 1 until the next call, whatever
// setFillRows says: the band of rows one drawing thread draws. Each row comes out as
// without the band, since the outline is still walked whole.
void setFillBand(int top, int bottom);
void clearFillBand();  // every row of the view again
// Fills plot nothing outside the `count` rectangles (view pixels, right and bottom
// exclusive; they may overlap) until the next call, whatever setFillRows and
// setFillBand say; each pixel inside comes out as without the clip. A fill thus
// redraws the parts of a picture that changed. Past maxClipRects rectangles, or with
// none, nothing is clipped.
void setFillClip(const Rect* rects, int count);
void clearFillClip();  // every pixel of the view again
// Copy fills plot their plain runs past the caches until the next call, for pixels
// that are not in the cache and that nothing reads again soon (a fill over a large
// background that was itself written past them). The pixels are the same.
void setFillStreamed(int streamed);

// ---- fill rule --------------------------------------------------------------
void setFillRule(int rule);      // 0 non-zero, 1 even-odd
void setFillRuleNonZero();       // setFillRule(0)
void setFillRuleEvenOdd();       // setFillRule(1)
void restoreFillRule();          // back to the rule before the last change
void setFillRuleOnce(int rule);  // for the next fillPath; shapes only add outlines

// ---- point rotation ---------------------------------------------------------
void setPathRotation(float centreX, float centreY, float angle);  // |angle| <= 1e-5: off
void clearPathRotation();                                         // points are added as given again

// ---- coverage curve ---------------------------------------------------------
void setCoverageGamma(float g);           // entry i = 255 * (i / 255)^g; non-finite g refused
void setCoverageTable(const int* table);  // 256 entries, each clamped to 0..255
// Whether the curve keeps full coverage whole, so that a copy fill leaves nothing of
// what lay beneath a fully covered pixel (callers skip drawing such pixels first).
inline bool fullCoverageIsWhole() { return cellRasterizer.curve[255] == 255; }

// ---- queries ----------------------------------------------------------------
int isPixelCovered(int x, int y);  // 1 when the pending cells cover the pixel
