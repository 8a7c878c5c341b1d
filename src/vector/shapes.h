// Filled shapes: each computes its outline points and fills them with the polygon
// fill, so every shape is anti-aliased, clipped and blended like a hand-built path.
//
// Common frame: shapes with a box are skipped when it lies wholly outside the view
// (unless the point rotation is on); the pending points become a sub-path of their
// own; the outline is added; and the shape is filled unless the one-shot fill rule
// is pending, in which case it stays a sub-path of the next fillPath. A shape with a
// non-finite coordinate or size is skipped.
#pragma once

#include "blend/color.h"

// ---- shared quantities ------------------------------------------------------
int arcSegmentCount(float r);     // points on a full circle of radius r: 12 .. 360, a multiple of 4
float angleOf(float x, float y);  // direction of (x, y) with y down, in [0, 2 pi); 0 for ~(0, 0)

// ---- rectangles and lines ---------------------------------------------------
// The rectangle whose corners are the two points, as a polygon.
void fillPolyRect(float x1, float y1, float x2, float y2, Color color, int mode);
// A line `width` wide with square ends (fillTaperedLine with equal widths).
void fillThickLine(float x1, float y1, float x2, float y2, float width, Color color, int mode);
// A line width1 wide at the first point and width2 at the second.
void fillTaperedLine(float x1, float y1, float x2, float y2, float width1, float width2,
                     Color color, int mode);
// fillThickLine with round ends where asked.
void fillCappedLine(float x1, float y1, float x2, float y2, float width, Color color, int mode,
                    int capEnd, int capStart);  // semicircular ends where the flag is set

// ---- round shapes -----------------------------------------------------------
void fillCircle(float cx, float cy, float r, Color color, int mode);  // centre and radius
// Centre and the radii along x and y.
void fillEllipse(float cx, float cy, float rx, float ry, Color color, int mode);
// The rectangle of the two corners with its corners rounded by `radius`.
void fillRoundRect(float x1, float y1, float x2, float y2, float radius, Color color, int mode);
// The hull of two discs: centres (x1, y1) and (x2, y2), their diameters.
void fillDiscHull(float x1, float y1, float x2, float y2, float diameter1, float diameter2,
                  Color color, int mode);  // both ends round
// arcAtFirst rounds the left disc (the smaller centre x; on a tie the larger disc),
// arcAtSecond the right one, whichever order the discs are given in.
void fillDiscHull(float x1, float y1, float x2, float y2, float diameter1, float diameter2,
                  Color color, int mode, int arcAtFirst, int arcAtSecond);

// ---- free-form shapes (no visibility test) ----------------------------------
// Corners on four rays from the centre; side i bows out by r * b_i. A negative start
// angle stands for pi / 4. At most 4096 points per side.
void fillBulgedQuad(float cx, float cy, float r, Color color, int mode, float k0, float k1,
                    float k2, float k3, float b0, float b1, float b2, float b3, float startAngle);
// A star or blob of `corners` corners (1 .. 65536, others draw nothing), radii and
// bulges alternating between the A and B values, jittered by the random source:
// 2 * corners draws per call. Bulged sides take at most 4096 points each and the
// outline at most 2^20 points in all (fewer per side for many corners: at least 16).
void fillRandomStar(float cx, float cy, float r, int corners, Color color, int mode, float kA,
                    float kB, float bA, float bB, float radiusJitter, float bulgeJitter,
                    float startAngle);
