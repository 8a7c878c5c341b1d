// The anti-aliased filled disc and its per-mode routine table. The disc is drawn
// from its centre outwards in symmetric pieces:
//
//          cap row cy-B: solid run once per B, edge pixels further out
//        .--+--+--+--.
//     +--+  |  |  |  +--+   rows cy+-i (i up to the 45-degree diagonal): edge
//     |  |  |  |  |  |  |   pixels at cx+-B, the run between them solid
//  ---+--+--+--o--+--+--+-- axes: row cy solid, the four tips with coverage u
//
// Each piece is a routine chosen once per call by the mode, clipped or not.

#include <cmath>
#include <cstdint>

#include "blend/coverage_pixels.h"
#include "blend/dispatch.h"
#include "blend/kernels.h"
#include "surface/surface.h"

namespace {

inline bool columnInView(int x) {
  return static_cast<unsigned>(x) < static_cast<unsigned>(backBuffer.viewWidth);
}
inline bool rowInView(int y) {
  return static_cast<unsigned>(y) < static_cast<unsigned>(backBuffer.viewHeight);
}

// The routines of one mode: edge pixels weighted by Cover, runs by the span kernel
// of RunMode with the plain colour.
template <CoverFormula Cover, int RunMode>
struct Disc {
  // ---- pieces, unclipped and clipped ----
  static void edge(int x, int y, Color colour, int coverage) {
    coverPixel<Cover>(viewPixel(x, y), colour, coverage);
  }
  static void edgeClipped(int x, int y, Color colour, int coverage) {
    if (columnInView(x) && rowInView(y)) edge(x, y, colour, coverage);
  }
  // The run strictly between columns a and b of row y.
  static void run(int y, int a, int b, Color colour) {
    if (b - a > 1) activeKernels->span[RunMode](viewPixel(a + 1, y), colour, b - a - 1);
  }
  static void runClipped(int y, int a, int b, Color colour) {
    if (!rowInView(y)) return;
    const int start = a + 1 > 0 ? a + 1 : 0;
    const int end = b < backBuffer.viewWidth ? b : backBuffer.viewWidth;
    if (end > start) activeKernels->span[RunMode](viewPixel(start, y), colour, end - start);
  }

  // ---- the table's slots ----
  template <void (*Edge)(int, int, Color, int), void (*Run)(int, int, int, Color)>
  static void ringWith(int left, int right, int innerLeft, int innerRight, int top, int bottom,
                       int innerTop, int innerBottom, Color colour, int coverage, int newRow) {
    Edge(left, innerTop, colour, coverage);
    Edge(right, innerTop, colour, coverage);
    Run(innerTop, left, right, colour);
    Edge(left, innerBottom, colour, coverage);
    Edge(right, innerBottom, colour, coverage);
    Run(innerBottom, left, right, colour);
    if (innerLeft == left) return;
    Edge(innerLeft, top, colour, coverage);
    Edge(innerRight, top, colour, coverage);
    Edge(innerLeft, bottom, colour, coverage);
    Edge(innerRight, bottom, colour, coverage);
    if (!newRow) return;
    Run(top, innerLeft, innerRight, colour);
    Run(bottom, innerLeft, innerRight, colour);
  }

  static void corners(int left, int right, int top, int bottom, Color colour, int coverage) {
    edge(left, top, colour, coverage);
    edge(right, top, colour, coverage);
    edge(left, bottom, colour, coverage);
    edge(right, bottom, colour, coverage);
  }

  static void cornersClipped(int left, int right, int top, int bottom, Color colour, int coverage,
                             int flags) {
    if ((flags & 5) == 5) edge(left, top, colour, coverage);
    if ((flags & 6) == 6) edge(right, top, colour, coverage);
    if ((flags & 9) == 9) edge(left, bottom, colour, coverage);
    if ((flags & 10) == 10) edge(right, bottom, colour, coverage);
  }

  static void axes(int cx, int cy, int left, int right, int top, int bottom, Color colour,
                   int coverage) {
    edge(left, cy, colour, coverage);
    edge(right, cy, colour, coverage);
    edge(cx, top, colour, coverage);
    edge(cx, bottom, colour, coverage);
    run(cy, left, right, colour);
  }

  static void axesClipped(int cx, int cy, int left, int right, int top, int bottom, Color colour,
                          int coverage, int flags) {
    if ((flags & 0x21) == 0x21) edge(left, cy, colour, coverage);
    if ((flags & 0x22) == 0x22) edge(right, cy, colour, coverage);
    if ((flags & 0x14) == 0x14) edge(cx, top, colour, coverage);
    if ((flags & 0x18) == 0x18) edge(cx, bottom, colour, coverage);
    if (flags & 0x20) runClipped(cy, left, right, colour);
  }

  static constexpr DiscRoutines table(int mode) {
    DiscRoutines t{};
    t.disc_ring_clipped = ringWith<edgeClipped, runClipped>;
    t.disc_corners_clipped = cornersClipped;
    t.disc_axes_clipped = axesClipped;
    t.disc_ring = ringWith<edge, run>;
    t.disc_corners = corners;
    t.disc_axes = axes;
    t.disc_point = edge;
    t.mode = mode;
    return t;
  }
};

using CopyDisc = Disc<px::coverCopy, BLEND_COPY>;

}  // namespace

// No mode recorded yet, but the slots already hold Copy, which is what any mode
// without routines of its own draws as: a first call with mode -1 is safe.
DRAWING_STATE DiscRoutines discRoutines = CopyDisc::table(-1);

void select_disc_mode(int mode) {
  if (discRoutines.mode == mode) return;
  switch (mode) {
    case BLEND_ALPHA:
      discRoutines = Disc<px::coverAlpha, BLEND_ALPHA>::table(mode);
      break;
    case BLEND_ADD:
      discRoutines = Disc<px::coverAdd, BLEND_ADD>::table(mode);
      break;
    case BLEND_SUBTRACT:
      discRoutines = Disc<px::coverSubtract, BLEND_SUBTRACT>::table(mode);
      break;
    case BLEND_MULTIPLY:
      discRoutines = Disc<px::coverMultiply, BLEND_MULTIPLY>::table(mode);
      break;
    case BLEND_SCREEN:
      discRoutines = Disc<px::coverScreen, BLEND_SCREEN>::table(mode);
      break;
    default:
      discRoutines = CopyDisc::table(mode);
      break;
  }
}

void fill_disc_aa(int cx, int cy, float radius, Color colour, int mode) {
  select_disc_mode(mode);
  if (std::isnan(radius)) return;
  if (radius > maxDiscRadius) radius = maxDiscRadius;
  const DiscRoutines& t = discRoutines;
  const std::int64_t w = backBuffer.viewWidth, h = backBuffer.viewHeight;
  const float r = radius;

  // A disc no wider than a pixel is one pixel; its coverage grows with the radius.
  if (static_cast<double>(r) <= 0.501) {
    if (columnInView(cx) && rowInView(cy)) {
      const float scaled = r * 510.0f;
      t.disc_point(cx, cy, colour, scaled > 0.0f ? static_cast<int>(scaled) : 0);
    }
    return;
  }

  const float outer = r + 0.5f;
  const int n = static_cast<int>(outer);
  if (cx + static_cast<std::int64_t>(n) < 0 || cy + static_cast<std::int64_t>(n) < 0 ||
      cx - static_cast<std::int64_t>(n) > w - 1 || cy - static_cast<std::int64_t>(n) > h - 1)
    return;
  // From here cx and cy lie within n of the view, so cx +- n and cy +- n fit an int.
  const int flags = (columnInView(cx - n) ? 1 : 0) | (columnInView(cx + n) ? 2 : 0) |
                    (rowInView(cy - n) ? 4 : 0) | (rowInView(cy + n) ? 8 : 0) |
                    (columnInView(cx) ? 16 : 0) | (rowInView(cy) ? 32 : 0);
  const float fraction = outer - static_cast<float>(n);
  const int edgeCoverage = static_cast<int>(fraction * 255.0f);
  const bool clipped = (flags & 15) != 15;

  if (clipped) {
    t.disc_axes_clipped(cx, cy, cx - n, cx + n, cy - n, cy + n, colour, edgeCoverage, flags);
  } else {
    t.disc_axes(cx, cy, cx - n, cx + n, cy - n, cy + n, colour, edgeCoverage);
  }

  const float q = r * r;
  if (r < 1.5f) {
    // Small discs: the four diagonal neighbours get the area of the circle's cap
    // beyond the axes, approximated once.
    int corner = 0;
    if (!(static_cast<double>(q) <= 0.575)) {
      const float a = std::sqrt(q - 0.25f) - 0.5f;
      corner = static_cast<int>(static_cast<double>(a) * 0.7853981633974483 * a * 255);
    }
    if (corner == 0) return;
    if (clipped) {
      t.disc_corners_clipped(cx - n, cx + n, cy - n, cy + n, colour, corner, flags);
    } else {
      t.disc_corners(cx - n, cx + n, cy - n, cy + n, colour, corner);
    }
    return;
  }

  const DiscRingRoutine ring = clipped ? t.disc_ring_clipped : t.disc_ring;
  int prev = n;
  for (int i = 1; i < prev; ++i) {
    const float fi = static_cast<float>(i);
    const float rest = q - fi * fi;
    const float reach = std::sqrt(rest > 0.0f ? rest : 0.0f) + 0.5f;
    const int b = static_cast<int>(reach);
    const float over = reach - static_cast<float>(b);
    const int coverage = static_cast<int>(over * 255.0f);
    ring(cx - b, cx + b, cx - i, cx + i, cy - b, cy + b, cy - i, cy + i, colour, coverage,
         b != prev);
    prev = b;
  }
}
