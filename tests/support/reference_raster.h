// A plain, slow coverage of polygons, to check the rasterizer against: for every
// pixel, the signed area of the outline inside it, integrated exactly in doubles
// edge by edge, with no fixed point, cell store, sort, clipping or bands.
//
// It follows the fill's contract, not its code: points that are not finite are
// dropped, the others are snapped to 1/256 pixel after the half-pixel shift, every
// sub-path is closed, and the fill rule folds each pixel's signed area. Pixel (x, y)
// is the unit square around the point (x, y).
#pragma once

#include <vector>

#include "vector/path.h"

using ReferenceSubPath = std::vector<PathPoint>;

struct ReferenceCoverage {
  int width = 0, height = 0;
  std::vector<int> raw;  // raw coverage 0..255 per pixel, rows top first
  // How far the fill may differ at each pixel: one 1/256 pixel step per edge piece
  // inside it and two more, for the rounding of the fill's integer walk; -1 where an
  // edge through the row lies so far out that doubles cannot place it in the view.
  std::vector<int> tolerance;
  int at(int x, int y) const { return raw[static_cast<std::size_t>(y) * width + x]; }
  int toleranceAt(int x, int y) const { return tolerance[static_cast<std::size_t>(y) * width + x]; }
};

// rule: 0 non-zero, 1 even-odd.
ReferenceCoverage referenceCoverage(const std::vector<ReferenceSubPath>& path, int width,
                                    int height, int rule);
