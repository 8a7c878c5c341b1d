// Filled shapes as point generators for the polygon fill.
//
// Angles follow the framework's convention: the point at angle a on a circle of
// radius R around (cx, cy) is (cx + R cos a, cy - R sin a), so angles grow
// counter-clockwise on the screen although y points down. Curved outlines take as
// many points as arcSegmentCount finds smooth for their size.

#include "vector/shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "noise/random.h"
#include "surface/surface.h"
#include "vector/path.h"
#include "vector/portable_math.h"

namespace {

constexpr double pi = portablePi;
constexpr int maxPointsPerSide = 4096;  // bulged sides: more would only burn time
constexpr int maxStarCorners = 65536;
// Points of one star outline, all sides together: a million points are a few
// milliseconds of fill; 65536 bulged corners would otherwise make a billion.
constexpr int maxStarPoints = 1 << 20;

float sin_of(float a) { return static_cast<float>(portableSin(a)); }
float cos_of(float a) { return static_cast<float>(portableCos(a)); }

bool all_finite(std::initializer_list<float> values) {
  for (float v : values) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

// The visibility test of the common frame: false when the box lies wholly outside
// the view (strict comparisons, as in the fill). Always true while rotating.
bool box_visible(float minX, float minY, float maxX, float maxY) {
  if (pathRotation.enabled) return true;
  const BackBuffer& b = backBuffer;
  return !(maxX < -0.5f || minX > b.clipMaxXf || maxY < -0.5f || minY > b.clipMaxYf);
}

// The box of a segment widened by r1 at its first and r2 at its second end.
bool segment_visible(float x1, float y1, float x2, float y2, float r1, float r2) {
  return box_visible(std::min(x1 - r1, x2 - r2), std::min(y1 - r1, y2 - r2),
                     std::max(x1 + r1, x2 + r2), std::max(y1 + r1, y2 + r2));
}

// Ends a shape: filled now, unless the one-shot rule collects it for fillPath.
void finish_shape(Color color, int mode) {
  if (!fillRuleState.restoreAfterFill) fillPath(color, mode);
}

// A segment's sideways offset for a half-width r: (u, t) = (dy, dx) / length * r.
// False for a segment too short to have a direction.
struct Offset {
  float u, t;
};
bool segment_direction(float x1, float y1, float x2, float y2, float* dx, float* dy,
                       float* length) {
  *dx = x2 - x1;
  *dy = y2 - y1;
  const float squared = *dx * *dx + *dy * *dy;
  if (squared < 0.00001f) return false;
  *length = std::sqrt(squared);
  return true;
}
Offset offset_for(float dx, float dy, float length, float r) {
  const float u = (dy / length) * r;
  const float t = (dx / length) * r;
  return {u, t};
}

// Adds the points of a chord from a to b bowed out by `bulge` (a parabola, straight
// at both ends): steps j = 0 .. steps - 1, so b itself is left to the next side.
// The outward side is on the left of a -> b for outlines that turn counter-clockwise
// on the screen, as the corners of the free-form shapes do.
void add_bowed_side(float ax, float ay, float bx, float by, float bulge, int steps) {
  const float dx = bx - ax, dy = by - ay;
  const float length = std::sqrt(dx * dx + dy * dy);
  const float nx = length > 0 ? -dy / length : 0.0f;
  const float ny = length > 0 ? dx / length : 0.0f;
  for (int j = 0; j < steps; ++j) {
    const float t = static_cast<float>(j) / static_cast<float>(steps);
    const float s = 2.0f * t - 1.0f;
    const float push = bulge * (1.0f - s * s);
    addPoint(ax + dx * t + nx * push, ay + dy * t + ny * push);
  }
}

// Points of a bowed outline: trunc(arcSegmentCount(r) * factor) + 4, down to a
// multiple of 4, at most `limit` (a multiple of 4).
int bowed_point_count(float r, double factor, int limit) {
  double n = arcSegmentCount(r) * factor + 4.0;
  if (!(n < limit)) n = limit;
  if (n < 4.0) n = 4.0;
  return static_cast<int>(n) & ~3;
}

// Adds the circle's or ellipse's points: four runs of q from the leftmost point,
// with the sines of one quarter mirrored.
void add_oval_points(float cx, float cy, float rx, float ry, int n) {
  const int q = n / 4;
  const float step = static_cast<float>(2.0 * pi / n);
  float s[91];  // q <= 90
  float a = 0.0f;
  for (int k = 0; k <= q; ++k) {
    s[k] = sin_of(a);
    a = static_cast<float>(a + step);
  }
  for (int i = 0; i < q; ++i) addPoint(cx - rx * s[q - i], cy + ry * s[i]);
  for (int i = 0; i < q; ++i) addPoint(cx + rx * s[i], cy + ry * s[q - i]);
  for (int i = 0; i < q; ++i) addPoint(cx + rx * s[q - i], cy - ry * s[i]);
  for (int i = 0; i < q; ++i) addPoint(cx - rx * s[i], cy - ry * s[q - i]);
}

// Adds the half-turn of a cap around (cx, cy): half - 1 points after angle a0.
void add_cap(float cx, float cy, float r, float a0, int half, float step) {
  for (int k = 1; k < half; ++k) {
    const float a = a0 + static_cast<float>(k) * step;
    addPoint(cx + r * cos_of(a), cy - r * sin_of(a));
  }
}

// One disc of the hull: its centre, radius, the angle of its first tangent point and
// the angle of its far-side arc.
struct HullDisc {
  double x, y, radius, first, arc;
};

double disc_x(const HullDisc& d, double a) { return d.x + d.radius * portableCos(a); }
double disc_y(const HullDisc& d, double a) { return d.y - d.radius * portableSin(a); }

// Adds a disc's part of the hull: the arc from its first tangent point (already
// added) down to its second, or only the second point.
void add_hull_arc(const HullDisc& d, int withArc) {
  int m = 0;
  if (withArc) {
    const int hundredths = static_cast<int>(d.arc * 100.0);  // arc <= 2 pi
    m = arcSegmentCount(static_cast<float>(d.radius)) * hundredths / 628;
  }
  // A tiny arc (m = 0) still ends at its second tangent point: a straight cut.
  if (m < 1) m = 1;
  for (int k = 1; k <= m; ++k) {
    const double a = d.first - k * d.arc / m;
    addPoint(static_cast<float>(disc_x(d, a)), static_cast<float>(disc_y(d, a)));
  }
}

}  // namespace

// ---- shared quantities ----------------------------------------------------------

// NOTE: the formula gives 364 at exactly r = 2000; the count is capped at 360 there
// too, as it is for every larger circle.
int arcSegmentCount(float r) {
  if (std::isnan(r) || r < 4) return 12;
  if (r < 7) return 16;
  if (r >= 2000) return 360;
  const float b = static_cast<float>((r - 7.0) / 1993.0);
  const float c = static_cast<float>((1.0 - b) * 0.25 + b);
  const float t = c == 0 ? 0.0f : static_cast<float>(b / c);
  return static_cast<int>(t * 344.0 + 16.0 + 4.0) & ~3;
}

float angleOf(float x, float y) {
  const double ax = std::fabs(x), ay = std::fabs(y);
  const double larger = std::max(ax, ay);
  if (!(larger >= 0.0000001)) return 0.0f;
  double a = portableAtan(std::min(ax, ay) / larger);
  if (ay > ax) a = pi / 2 - a;
  // The convention measures against -y (y points down).
  const bool up = y <= 0, right = x >= 0;
  if (!right && up) a = pi - a;
  if (!right && !up) a = pi + a;
  if (right && !up) a = 2 * pi - a;
  const float result = static_cast<float>(a);
  return result >= static_cast<float>(2 * pi) ? 0.0f : result;
}

// ---- rectangles and lines -------------------------------------------------------

void fillPolyRect(float x1, float y1, float x2, float y2, Color color, int mode) {
  if (!all_finite({x1, y1, x2, y2})) return;
  if (!box_visible(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2))) {
    return;
  }
  beginPath();
  addPoint(x1, y1);
  addPoint(x2, y1);
  addPoint(x2, y2);
  addPoint(x1, y2);
  finish_shape(color, mode);
}

void fillThickLine(float x1, float y1, float x2, float y2, float width, Color color, int mode) {
  fillTaperedLine(x1, y1, x2, y2, width, width, color, mode);
}

void fillTaperedLine(float x1, float y1, float x2, float y2, float width1, float width2,
                     Color color, int mode) {
  if (!all_finite({x1, y1, x2, y2, width1, width2})) return;
  const float r1 = width1 * 0.5f, r2 = width2 * 0.5f;
  if (!segment_visible(x1, y1, x2, y2, r1, r2)) return;
  float dx, dy, length;
  if (!segment_direction(x1, y1, x2, y2, &dx, &dy, &length)) return;  // too short: nothing
  const Offset o1 = offset_for(dx, dy, length, r1);
  const Offset o2 = offset_for(dx, dy, length, r2);
  beginPath();
  addPoint(x1 - o1.u, y1 + o1.t);
  addPoint(x2 - o2.u, y2 + o2.t);
  addPoint(x2 + o2.u, y2 - o2.t);
  addPoint(x1 + o1.u, y1 - o1.t);
  finish_shape(color, mode);
}

void fillCappedLine(float x1, float y1, float x2, float y2, float width, Color color, int mode,
                    int capEnd, int capStart) {
  if (!all_finite({x1, y1, x2, y2, width})) return;
  const float r = width * 0.5f;
  if (!segment_visible(x1, y1, x2, y2, r, r)) return;
  float dx, dy, length;
  if (!segment_direction(x1, y1, x2, y2, &dx, &dy, &length)) {
    fillCircle(x1, y1, r, color, mode);  // both caps meet: a disc
    return;
  }
  const Offset o = offset_for(dx, dy, length, r);
  const int half = arcSegmentCount(r) / 2;
  const float step = static_cast<float>(pi / half);
  beginPath();
  addPoint(x1 - o.u, y1 + o.t);
  addPoint(x2 - o.u, y2 + o.t);
  if (capEnd) add_cap(x2, y2, r, angleOf(-o.u, o.t), half, step);
  addPoint(x2 + o.u, y2 - o.t);
  addPoint(x1 + o.u, y1 - o.t);
  if (capStart) add_cap(x1, y1, r, angleOf(o.u, -o.t), half, step);
  finish_shape(color, mode);
}

// ---- round shapes ---------------------------------------------------------------

void fillCircle(float cx, float cy, float r, Color color, int mode) {
  if (!all_finite({cx, cy, r})) return;
  // Rotating a circle about its own centre changes nothing: rotation is switched off
  // for it, and the visibility test made after all.
  const int rotating = pathRotation.enabled;
  if (rotating && std::fabs(cx - pathRotation.centreX) <= 0.00001f &&
      std::fabs(cy - pathRotation.centreY) <= 0.00001f) {
    pathRotation.enabled = 0;
  }
  if (box_visible(cx - r, cy - r, cx + r, cy + r)) {
    beginPath();
    add_oval_points(cx, cy, r, r, arcSegmentCount(r));
    finish_shape(color, mode);
  }
  pathRotation.enabled = rotating;
}

void fillEllipse(float cx, float cy, float rx, float ry, Color color, int mode) {
  if (!all_finite({cx, cy, rx, ry})) return;
  if (!box_visible(cx - rx, cy - ry, cx + rx, cy + ry)) return;
  beginPath();
  add_oval_points(cx, cy, rx, ry, arcSegmentCount(std::max(rx, ry)));
  finish_shape(color, mode);
}

void fillRoundRect(float x1, float y1, float x2, float y2, float radius, Color color, int mode) {
  if (!all_finite({x1, y1, x2, y2, radius})) return;
  if (!box_visible(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2))) {
    return;
  }
  const int c = arcSegmentCount(radius) / 4 + 1;
  const float step = static_cast<float>(2.0 * pi / (4 * c));
  // Corner centres in outline order: top-left, top-right, bottom-right, bottom-left.
  const float centres[4][2] = {{x1 + radius, y1 + radius},
                               {x2 - radius, y1 + radius},
                               {x2 - radius, y2 - radius},
                               {x1 + radius, y2 - radius}};
  beginPath();
  for (int corner = 0; corner < 4; ++corner) {
    for (int j = corner * c; j <= (corner + 1) * c; ++j) {
      const float a = static_cast<float>(j * step);
      addPoint(centres[corner][0] - radius * cos_of(a), centres[corner][1] - radius * sin_of(a));
    }
  }
  finish_shape(color, mode);
}

void fillDiscHull(float x1, float y1, float x2, float y2, float diameter1, float diameter2,
                  Color color, int mode) {
  fillDiscHull(x1, y1, x2, y2, diameter1, diameter2, color, mode, 1, 1);
}

// The outline runs around the left disc's far side, along one tangent, around the
// right disc's far side and back along the other tangent:
//
//          ___-----------___
//         /  first      2nd  \        each arc is walked from its first tangent
//        |   disc  ----  disc |       point by falling angles to its second
//         \___      ___-----/
//             -----
void fillDiscHull(float x1, float y1, float x2, float y2, float diameter1, float diameter2,
                  Color color, int mode, int arcAtFirst, int arcAtSecond) {
  if (!all_finite({x1, y1, x2, y2, diameter1, diameter2})) return;
  const float r1 = diameter1 * 0.5f, r2 = diameter2 * 0.5f;
  if (!segment_visible(x1, y1, x2, y2, r1, r2)) return;
  const double dx = double(x2) - x1, dy = double(y2) - y1;
  const double squared = dx * dx + dy * dy;
  const double d = squared > 0.0000001 ? std::sqrt(squared) : squared;
  if (r1 >= d + r2) {
    fillCircle(x1, y1, r1, color, mode);
    return;
  }
  if (r2 >= d + r1) {
    fillCircle(x2, y2, r2, color, mode);
    return;
  }
  // phi: how far the tangent points lean towards the smaller disc.
  const double rLarge = std::max(r1, r2), rSmall = std::min(r1, r2);
  const double phi = portableAsin(std::min(1.0, (rLarge - rSmall) / d));
  HullDisc one{x1, y1, r1, 0, r1 >= r2 ? pi + 2 * phi : pi - 2 * phi};
  HullDisc two{x2, y2, r2, 0, r1 >= r2 ? pi - 2 * phi : pi + 2 * phi};
  // Each far-side arc is centred on the direction away from the other disc.
  one.first = angleOf(static_cast<float>(-dx), static_cast<float>(-dy)) + one.arc / 2;
  two.first = angleOf(static_cast<float>(dx), static_cast<float>(dy)) + two.arc / 2;
  // The flags go by place, not by argument order: the first to the left disc.
  const bool oneIsLeft = x1 < x2 || (x1 == x2 && r1 >= r2);
  const HullDisc& left = oneIsLeft ? one : two;
  const HullDisc& right = oneIsLeft ? two : one;
  const int arcLeft = arcAtFirst;
  const int arcRight = arcAtSecond;

  beginPath();
  addPoint(static_cast<float>(disc_x(left, left.first)),
           static_cast<float>(disc_y(left, left.first)));
  add_hull_arc(left, arcLeft);
  addPoint(static_cast<float>(disc_x(right, right.first)),
           static_cast<float>(disc_y(right, right.first)));
  add_hull_arc(right, arcRight);
  finish_shape(color, mode);
}

// ---- free-form shapes -----------------------------------------------------------

void fillBulgedQuad(float cx, float cy, float r, Color color, int mode, float k0, float k1,
                    float k2, float k3, float b0, float b1, float b2, float b3, float startAngle) {
  if (!all_finite({cx, cy, r, k0, k1, k2, k3, b0, b1, b2, b3, startAngle})) return;
  const float k[4] = {k0, k1, k2, k3};
  const float b[4] = {b0, b1, b2, b3};
  const float start = startAngle < 0 ? static_cast<float>(pi / 4) : startAngle;
  float cornerX[4], cornerY[4];
  for (int i = 0; i < 4; ++i) {
    const float a = static_cast<float>(start + i * (pi / 2));
    cornerX[i] = cx - r * k[i] * cos_of(a);
    cornerY[i] = cy + r * k[i] * sin_of(a);
  }
  float largest = 0;
  for (float bulge : b) largest = std::max(largest, std::fabs(bulge));
  const int steps = bowed_point_count(r, 3.0 * largest + 1.0, 4 * maxPointsPerSide) / 4;
  beginPath();
  for (int i = 0; i < 4; ++i) {
    const int next = (i + 1) % 4;
    add_bowed_side(cornerX[i], cornerY[i], cornerX[next], cornerY[next], r * b[i], steps);
  }
  finish_shape(color, mode);
}

void fillRandomStar(float cx, float cy, float r, int corners, Color color, int mode, float kA,
                    float kB, float bA, float bB, float radiusJitter, float bulgeJitter,
                    float startAngle) {
  if (!all_finite({cx, cy, r, kA, kB, bA, bB, radiusJitter, bulgeJitter, startAngle})) return;
  if (corners < 1 || corners > maxStarCorners) return;
  const int n = corners;
  const float largest = std::max(std::fabs(bA), std::fabs(bB));
  const float bulgeHalf = bulgeJitter * 0.5f;
  const float radiusHalf = radiusJitter * 0.5f;
  // Per side at most maxPointsPerSide, and all sides within maxStarPoints.
  const int sideLimit = std::min(maxPointsPerSide, (maxStarPoints / n) & ~3);
  const int perSide = bowed_point_count(r, (largest + bulgeHalf) * 3.0 + 1.0, sideLimit);
  const bool bowed = bA != 0 || bB != 0;
  const double sideAngle = 2.0 * pi / n;
  const double start = startAngle < 0 ? (1.0 - (n & 1) * 0.5) * sideAngle * 0.5 : startAngle;
  // A draw spread over factor +- jitter.
  const auto jittered = [](float factor, float half) {
    return factor + nextRandom() * 2.0f * half - half;
  };

  const float firstRadius = jittered(kA, radiusHalf) * r;
  float radius = firstRadius;
  beginPath();
  for (int s = 1; s <= n; ++s) {
    const float a = static_cast<float>(start + (s - 1) * sideAngle);
    const float aNext = static_cast<float>(start + s * sideAngle);
    const float nextRadius = s == n ? firstRadius : jittered(s % 2 ? kB : kA, radiusHalf) * r;
    const float bulge = jittered(s % 2 ? bA : bB, bulgeHalf) * r;
    const float fromX = cx - radius * cos_of(a), fromY = cy + radius * sin_of(a);
    const float toX = cx - nextRadius * cos_of(aNext), toY = cy + nextRadius * sin_of(aNext);
    add_bowed_side(fromX, fromY, toX, toY, bulge, bowed ? perSide : 1);
    radius = nextRadius;
  }
  finish_shape(color, mode);
}
