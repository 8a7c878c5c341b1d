// Clipped drawing entry points over the view, and the per-mode routine tables of the
// anti-aliased disc and of the polygon coverage runs. Mode selection happens once
// per call; inner loops carry no mode test.
#pragma once

#include <cstdint>

#include "blend/color.h"
#include "blend/drawing_state.h"

// ---- clipped entry points (view coordinates, inclusive corners) ------------
// Corners are never swapped: x1 > x2 or y1 > y2 is empty.
void fill_rect(int x1, int y1, int x2, int y2, Color colour, int mode);
// Top-left source pixel at (x1, y1); row length -1 means x2 - x1 + 1. Other row
// lengths below 0 and a null source draw nothing.
void blit_image(int x1, int y1, int x2, int y2, const Color* source, int mode, int sourceRowLength);
// Rows y1..y2 of columns x1..x2, packed; x1 = -1 copies the whole view in memory
// order (bottom row first on a bottom-up surface). Not clipped: a rectangle that is
// not inside the view copies nothing.
void copy_rect_out(Color* destination, int x1, int y1, int x2, int y2);
// Anti-aliased filled disc. A NaN radius draws nothing, a negative one draws the
// centre with coverage 0, radii above maxDiscRadius draw as maxDiscRadius.
void fill_disc_aa(int cx, int cy, float radius, Color colour, int mode);
constexpr float maxDiscRadius = 1.0e6f;  // the largest radius drawn

// ---- unclipped entry points over pixel addresses inside the view ------------
// Copy for any mode outside 2..10, and for 10 in blit_row. Counts <= 0 draw nothing.
void plot_pixel(Color* address, Color colour, int mode);
void fill_span(Color* address, Color colour, int count, int mode);    // count pixels to the right
void fill_column(Color* address, Color colour, int count, int mode);  // steps by rowStep
void blit_row(Color* destination, const Color* source, int count, int mode);  // count pixels

// ---- routines of the anti-aliased disc ---------------------------------------
// Edge pixels get the coverage weighting of the table's mode, filled runs the span
// kernel with the plain colour. Coordinates are view pixels; the unclipped slots
// trust them, the clipped ones test each pixel and cut each run to the view.
// Clip flags, set when inside: bit 0 cx - n < W, bit 1 cx + n < W, bit 2 cy - n < H,
// bit 3 cy + n < H, bit 4 cx < W, bit 5 cy < H (compared unsigned).
using DiscRingRoutine = void (*)(int left, int right, int innerLeft, int innerRight, int top,
                                 int bottom, int innerTop, int innerBottom, Color colour,
                                 int coverage, int newRow);
// The four symmetric edge pixels (left or right, top or bottom) with coverage,
// each tested against the view.
using DiscCornersClippedRoutine = void (*)(int left, int right, int top, int bottom, Color colour,
                                           int coverage, int clipFlags);
// Row cy solid and the four tips on the axes with coverage, clipped to the view.
using DiscAxesClippedRoutine = void (*)(int cx, int cy, int left, int right, int top, int bottom,
                                        Color colour, int coverage, int clipFlags);
// The four symmetric edge pixels, unclipped.
using DiscCornersRoutine = void (*)(int left, int right, int top, int bottom, Color colour,
                                    int coverage);
// Row cy solid and the four tips on the axes, unclipped.
using DiscAxesRoutine = void (*)(int cx, int cy, int left, int right, int top, int bottom,
                                 Color colour, int coverage);
// One pixel at (x, y) with coverage.
using DiscPointRoutine = void (*)(int x, int y, Color colour, int coverage);

// The disc's routines for one mode.
struct DiscRoutines {
  DiscRingRoutine disc_ring_clipped;               // a ring's rows, clipped
  DiscCornersClippedRoutine disc_corners_clipped;  // corners, clipped
  DiscAxesClippedRoutine disc_axes_clipped;        // axis pixels, clipped
  DiscRingRoutine disc_ring;                       // a ring's rows, inside the view
  DiscCornersRoutine disc_corners;                 // corners, inside the view
  DiscAxesRoutine disc_axes;                       // axis pixels, inside the view
  DiscPointRoutine disc_point;                     // one pixel
  int mode;  // the mode that filled the slots; -1 before the first selection
};
extern DRAWING_STATE DiscRoutines discRoutines;  // the selected mode's routines, per thread

void select_disc_mode(int mode);  // skipped when the recorded mode equals it

// ---- coverage routines used by the polygon rasterizer ----------------------
// Call select_coverage_mode first, then the pixel routine for a run of one pixel
// and the run routine for longer runs, with addresses inside the view and
// coverage 0..255.
using CoveragePixelRoutine = void (*)(Color* address, Color colour, int coverage);
// `count` pixels to the right, all with the same coverage.
using CoverageRunRoutine = void (*)(Color* address, Color colour, int count, int coverage);

// The rasterizer's routines for one mode.
struct CoverageRoutines {
  CoveragePixelRoutine pixel;  // runs of one pixel
  CoverageRunRoutine run;      // longer runs
  int mode;                    // the mode that filled the pair
};
extern DRAWING_STATE CoverageRoutines coverageRoutines;  // the selected mode's pair, per thread

void select_coverage_mode(int mode);  // skipped when the recorded mode equals it
// The twin of a run routine whose plain runs bypass the caches: Copy's has one;
// the others (modes that read what they write over, a caller's own routines) are
// their own.
CoverageRunRoutine streamedRun(CoverageRunRoutine run);
void installDefaultCoverageRoutines();  // Copy routines, recorded mode 1
