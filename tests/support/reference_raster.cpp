// The plain coverage: each edge is cut at every row boundary inside the view; each
// piece adds, to every pixel of its row, the part of the pixel right of it times the
// piece's signed height. That sum over a closed outline is the integral of the
// winding number over the pixel.

#include "reference_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

struct Point {
  double x, y;
};

// The fill's snapping: shift by half a pixel in float, then truncate to 1/256.
double snapped(float v) { return std::trunc(double(v + 0.5f) * 256.0) / 256.0; }

// The mean, over x from lo to hi, of the part of column c right of x, which is
// clamp(c + 1 - x, 0, 1): 1 left of the column, falling linearly across it, 0 past
// it. Summed piece by piece, each linear piece by its midpoint, so that a nearly
// vertical edge loses nothing to cancellation.
double mean_right_part(double c, double lo, double hi) {
  if (!(hi > lo)) return std::clamp(c + 1 - lo, 0.0, 1.0);
  double sum = 0;
  if (lo < c) sum += std::min(hi, c) - lo;
  const double a = std::max(lo, c), b = std::min(hi, c + 1);
  if (b > a) sum += (b - a) * (c + 1 - (a + b) / 2);
  return sum / (hi - lo);
}

class Accumulator {
 public:
  Accumulator(int width, int height)
      : width_(width),
        height_(height),
        area_(std::size_t(width) * height, 0.0),
        fromColumn_(std::size_t(width + 1) * height, 0.0),
        pieces_(std::size_t(width) * height, 0),
        unplaceable_(height, false) {}

  void add_edge(Point a, Point b) {
    if (a.y == b.y) return;  // a horizontal edge has no height
    const double dx = b.x - a.x, dy = b.y - a.y;
    // The error of a point on the line, in pixels, computed from these doubles.
    const double error =
        16 * 0x1p-53 *
        (std::fabs(a.x) + std::fabs(dx) + std::fabs(dx / dy) * (std::fabs(a.y) + std::fabs(dy)));
    const double top = std::max(std::min(a.y, b.y), 0.0);
    const double bottom = std::min(std::max(a.y, b.y), double(height_));
    if (top >= bottom) return;
    const int firstRow = static_cast<int>(std::floor(top));
    const int lastRow = std::min(static_cast<int>(std::ceil(bottom)) - 1, height_ - 1);
    const auto x_at = [&](double y) {
      if (y == a.y) return a.x;
      if (y == b.y) return b.x;
      return a.x + dx * ((y - a.y) / dy);
    };
    for (int row = firstRow; row <= lastRow; ++row) {
      const double y0 = std::max(top, double(row)), y1 = std::min(bottom, double(row + 1));
      if (y0 >= y1) continue;
      if (error > 1.0 / 4096) unplaceable_[row] = true;
      // The piece in the edge's direction.
      const bool down = dy > 0;
      const Point from{x_at(down ? y0 : y1), down ? y0 : y1};
      const Point to{x_at(down ? y1 : y0), down ? y1 : y0};
      add_piece(row, from, to);
    }
  }

  ReferenceCoverage finish(int rule) const {
    ReferenceCoverage out;
    out.width = width_;
    out.height = height_;
    out.raw.resize(area_.size());
    out.tolerance.resize(area_.size());
    for (int y = 0; y < height_; ++y) {
      double running = 0;
      for (int x = 0; x < width_; ++x) {
        const std::size_t i = std::size_t(y) * width_ + x;
        running += fromColumn_[std::size_t(y) * (width_ + 1) + x];
        const double signedArea = (running + area_[i]) * 256.0;
        long long c = std::llabs(static_cast<long long>(std::floor(signedArea)));
        if (rule == 1) {
          c &= 511;
          if (c > 256) c = 512 - c;
        }
        out.raw[i] = static_cast<int>(std::min(c, 255LL));
        out.tolerance[i] = unplaceable_[y] ? -1 : 2 + 2 * pieces_[i];
      }
    }
    return out;
  }

 private:
  // One piece inside a row: from the column of its left end to that of its right
  // end, the exact part right of it; every column further right, its whole height.
  void add_piece(int row, Point from, Point to) {
    const double h = to.y - from.y;
    const double left = std::min(from.x, to.x), right = std::max(from.x, to.x);
    // Columns kept in -1 .. width: what lies beyond acts the same.
    const int firstColumn = static_cast<int>(std::floor(std::clamp(left, -1.0, double(width_))));
    const int lastColumn = static_cast<int>(std::floor(std::clamp(right, -1.0, double(width_))));
    for (int c = std::max(firstColumn, 0); c <= std::min(lastColumn, width_ - 1); ++c) {
      const double part = mean_right_part(c, left, right);
      const std::size_t i = std::size_t(row) * width_ + c;
      area_[i] += h * part;
      ++pieces_[i];
    }
    const int fullFrom = std::max(lastColumn + 1, 0);
    if (fullFrom < width_) fromColumn_[std::size_t(row) * (width_ + 1) + fullFrom] += h;
  }

  int width_, height_;
  std::vector<double> area_;        // per pixel: the parts of the pieces inside it
  std::vector<double> fromColumn_;  // per row: heights that cover every column from here
  std::vector<int> pieces_;         // per pixel: pieces inside it
  std::vector<bool> unplaceable_;   // per row: an edge through it is too far out to place
};

}  // namespace

ReferenceCoverage referenceCoverage(const std::vector<ReferenceSubPath>& path, int width,
                                    int height, int rule) {
  Accumulator sum(width, height);
  for (const ReferenceSubPath& sub : path) {
    std::vector<Point> points;
    for (const PathPoint& p : sub) {
      if (std::isfinite(p.x) && std::isfinite(p.y)) points.push_back({snapped(p.x), snapped(p.y)});
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
      sum.add_edge(points[i], points[(i + 1) % points.size()]);
    }
  }
  return sum.finish(rule);
}
