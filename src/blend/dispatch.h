// Clipped drawing entry points over the view, and the per-mode routine tables of the
// anti-aliased disc and of the polygon coverage runs. Mode selection happens once
// per call; inner loops carry no mode test.
#pragma once

#include <cstdint>

#include "blend/color.h"

// ---- clipped entry points (view coordinates, inclusive corners) ------------
void fill_rect(int x1, int y1, int x2, int y2, Color colour, int mode);
void blit_image(int x1, int y1, int x2, int y2, const Color* source, int mode, int sourceRowLength);
void copy_rect_out(Color* destination, int x1, int y1, int x2, int y2);  // x1 = -1: whole view
void fill_disc_aa(int cx, int cy, float radius, Color colour, int mode);

// ---- unclipped entry points over pixel addresses inside the view ------------
void plot_pixel(Color* address, Color colour, int mode);
void fill_span(Color* address, Color colour, int count, int mode);
void fill_column(Color* address, Color colour, int count, int mode);  // steps by rowStep
void blit_row(Color* destination, const Color* source, int count, int mode);

// ---- coverage routines used by the polygon rasterizer ----------------------
using CoveragePixelRoutine = void (*)(Color* address, Color colour, int coverage);
using CoverageRunRoutine = void (*)(Color* address, Color colour, int count, int coverage);

struct CoverageRoutines {
  CoveragePixelRoutine pixel;
  CoverageRunRoutine run;
  int mode;  // the mode that filled the pair
};
extern CoverageRoutines coverageRoutines;

void select_coverage_mode(int mode);  // skipped when the recorded mode equals it
void installDefaultCoverageRoutines();  // Copy routines, recorded mode 1

