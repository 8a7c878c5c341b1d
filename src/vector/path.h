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

// ---- state records (one global instance each) -------------------------------
struct PathPoint {
  float x, y;
};

// The pending point list.
struct PathBuffer {
  PathPoint* points = nullptr;  // grows in 4096-byte steps, never shrinks
  int count = 0;                // points in the list
  int capacity = 0;             // in points
  // Box of the points added since the last conversion; reset to +-100000 after each.
  float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// Optional rotation applied to every point as it is added.
struct PathRotation {
  float centreX = 0, centreY = 0;
  float angle = 0;  // radians
  int enabled = 0;
  float cosAngle = 1, sinAngle = 0;  // of angle, kept with it so addPoint needs no call
};

struct FillRuleState {
  int fillRule = 1;          // 0 non-zero winding, 1 even-odd
  int previousRule = 1;      // the rule before the last change
  int restoreAfterFill = 0;  // set by setFillRuleOnce: shapes leave the fill to fillPath
  int cellsPending = 0;      // a sub-path has become cells that are not yet swept
};

// The sums of one pixel cell in the dense store: what the outline's pieces inside
// the pixel leave there.
struct CoverageCell {
  std::int32_t cover;  // signed height of the edge pieces inside, in 1/256 pixel
  std::int32_t area;   // sum of (twice the piece's mean x inside, 0..512) * its height
};

// The rasterizer's state. A fill is recorded as an outline first; the outline is
// then walked once per band of rows into a dense store of one cell per pixel of the
// band (plus a column left and right of the view for everything beyond it), and
// each band is swept and cleared before the next. The store's size bounds memory,
// never the picture.
constexpr int defaultBandCells = 1 << 18;  // 2 MiB of cells: 136 rows of 1920
struct CellRasterizer {
  CoverageCell* cells = nullptr;     // band rows x stride cells, all zero between bands
  std::uint64_t* touched = nullptr;  // a bit per cell: a piece was stored there
  int cellCapacity = 0;              // cells allocated
  int touchedCapacity = 0;           // words allocated
  int bandCells = defaultBandCells;  // cells a band may use (at least one row's)
  int stride = 0;                    // cells per row: view width + 2 (columns -1 .. width)
  int wordsPerRow = 0;               // touched words per row
  int bandTop = 0, bandBottom = 0;   // rows of the band being walked
  int bandsSwept = 0;                // bands the last fill was drawn in
  // Every sub-path of the current fill in 24.8 after conversion: per sub-path a
  // header (point count, closed flag), then the points.
  std::int32_t* outline = nullptr;
  int outlineCount = 0;                           // int32 entries in use
  int outlineCapacity = 0;                        // in int32 entries
  int minRow = 0x7FFFFFFF, maxRow = -0x7FFFFFFF;  // rows the outline reaches
  int flags = 0;                                  // bit 1: a fill is being recorded
  int fillRule = 1;                               // mirror of FillRuleState::fillRule
  int curve[256];  // raw coverage -> alpha handed to the coverage routines
};

extern PathBuffer pathBuffer;
extern PathRotation pathRotation;
extern FillRuleState fillRuleState;
extern CellRasterizer cellRasterizer;

// ---- building and filling ---------------------------------------------------
void beginPath();                      // the pending points become a sub-path
void beginPathAt(float x, float y);    // beginPath, then addPoint
void addPoint(float x, float y);       // non-finite points are dropped
void fillPath(Color color, int mode);  // fills every pending sub-path, mode & 0xF

// ---- fill rule --------------------------------------------------------------
void setFillRule(int rule);  // 0 non-zero, 1 even-odd
void setFillRuleNonZero();
void setFillRuleEvenOdd();
void restoreFillRule();          // back to the rule before the last change
void setFillRuleOnce(int rule);  // for the next fillPath; shapes only add outlines

// ---- point rotation ---------------------------------------------------------
void setPathRotation(float centreX, float centreY, float angle);  // |angle| <= 1e-5: off
void clearPathRotation();

// ---- coverage curve ---------------------------------------------------------
void setCoverageGamma(float g);           // entry i = 255 * (i / 255)^g; non-finite g refused
void setCoverageTable(const int* table);  // 256 entries, each clamped to 0..255

// ---- queries ----------------------------------------------------------------
int isPixelCovered(int x, int y);  // 1 when the pending fill covers the pixel; 0 outside the view
