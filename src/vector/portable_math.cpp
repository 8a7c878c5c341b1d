// Portable elementary functions: argument reduction to a small interval, then a
// truncated power series evaluated by Horner's rule. The series are cut where the
// next term is far below half an ulp on the reduced interval.

#include "vector/portable_math.h"

#include <cmath>
#include <limits>

namespace {

// pi / 2 in two parts: the first has 33 significant bits, so k * halfPiHigh is
// exact for |k| < 2^20 and the reduction loses nothing there.
constexpr double halfPiHigh = 1.57079632673412561417e+00;
constexpr double halfPiLow = 6.07710050650619224932e-11;
constexpr double halfPi = 1.57079632679489661923;
constexpr double twoPi = 6.28318530717958647692;
// ln 2 in two parts, the first exact when multiplied by an exponent.
constexpr double ln2High = 6.93147180369123816490e-01;
constexpr double ln2Low = 1.90821492927058770002e-10;
constexpr double ln2 = 6.93147180559945309417e-01;

// 1 / n! for n = 0..20, computed by the compiler.
struct InverseFactorials {
  double value[21];
  constexpr InverseFactorials() : value() {
    double f = 1.0;
    for (int n = 0; n <= 20; ++n) {
      if (n > 1) f *= n;
      value[n] = 1.0 / f;
    }
  }
};
constexpr InverseFactorials inverseFactorial;

// sum over n = from, from + 2, .. 19 or 20 of (-1)^((n - from) / 2) s^((n - from) / 2) / n!.
double alternating_series(double s, int from, int last) {
  double p = 0.0;
  for (int n = last; n >= from; n -= 2) {
    const double term = inverseFactorial.value[n];
    p = p * s + (((n - from) / 2) % 2 ? -term : term);
  }
  return p;
}

// sin r for |r| <= pi / 4; terms up to r^19.
double sin_kernel(double r) { return r * alternating_series(r * r, 1, 19); }

// cos r for |r| <= pi / 4; terms up to r^20.
double cos_kernel(double r) { return alternating_series(r * r, 0, 20); }

// Reduces x to r in [-pi/4, pi/4] with x = r + quadrant * pi / 2 (quadrant mod 4).
// Beyond 2^19 the argument is first folded by fmod (exact, but with a rounded
// 2 pi): such angles only need to be the same everywhere, not accurate.
double reduce_quadrant(double x, int* quadrant) {
  if (!std::isfinite(x)) {
    *quadrant = 0;
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (std::fabs(x) > 524288.0) x = std::fmod(x, twoPi);
  const double k = std::floor(x * (1.0 / halfPi) + 0.5);
  *quadrant = static_cast<int>(k) & 3;
  return (x - k * halfPiHigh) - k * halfPiLow;
}

// atan t for |t| <= tan(pi / 16) ~ 0.199; terms up to t^25.
double atan_kernel(double t) {
  const double s = t * t;
  double p = 0.0;
  for (int n = 25; n >= 3; n -= 2) p = p * s + ((n & 2) ? -1.0 : 1.0) / n;
  return t + t * s * p;
}

// ln m for m in [sqrt(1/2), sqrt(2)]: 2 atanh((m - 1) / (m + 1)), |s| <= 0.172.
double log_kernel(double m) {
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double p = 0.0;
  for (int n = 23; n >= 3; n -= 2) p = p * s2 + 1.0 / n;
  return 2.0 * (s + s * s2 * p);
}

double portable_log(double a) {
  int e = 0;
  double m = std::frexp(a, &e);  // a = m * 2^e, m in [0.5, 1)
  if (m < 0.70710678118654752440) {
    m *= 2.0;
    --e;
  }
  return e * ln2High + (log_kernel(m) + e * ln2Low);
}

double portable_exp(double y) {
  if (y > 709.8) return std::numeric_limits<double>::infinity();
  if (y < -745.2) return 0.0;
  const double k = std::floor(y * (1.0 / ln2) + 0.5);
  const double r = (y - k * ln2High) - k * ln2Low;  // |r| <= ln 2 / 2
  double p = 0.0;
  for (int n = 18; n >= 0; --n) p = p * r + inverseFactorial.value[n];
  return std::ldexp(p, static_cast<int>(k));
}

}  // namespace

double portableSin(double x) {
  int q = 0;
  const double r = reduce_quadrant(x, &q);
  switch (q) {
    case 0:
      return sin_kernel(r);
    case 1:
      return cos_kernel(r);
    case 2:
      return -sin_kernel(r);
    default:
      return -cos_kernel(r);
  }
}

double portableCos(double x) {
  int q = 0;
  const double r = reduce_quadrant(x, &q);
  switch (q) {
    case 0:
      return cos_kernel(r);
    case 1:
      return -sin_kernel(r);
    case 2:
      return -cos_kernel(r);
    default:
      return sin_kernel(r);
  }
}

double portableAtan(double x) {
  if (std::isnan(x)) return x;
  const double a = std::fabs(x);
  // atan a = pi/2 - atan(1/a) above 1; then two halvings of the angle,
  // atan t = 2 atan(t / (1 + sqrt(1 + t^2))), bring it below tan(pi / 16).
  const bool inverted = a > 1.0;
  double t = inverted ? 1.0 / a : a;
  t = t / (1.0 + std::sqrt(1.0 + t * t));
  t = t / (1.0 + std::sqrt(1.0 + t * t));
  double result = 4.0 * atan_kernel(t);
  if (inverted) result = halfPi - result;
  return x < 0 ? -result : result;
}

double portableAsin(double x) {
  if (!(std::fabs(x) <= 1.0)) return std::numeric_limits<double>::quiet_NaN();
  if (std::fabs(x) == 1.0) return x * halfPi;
  return portableAtan(x / std::sqrt((1.0 - x) * (1.0 + x)));
}

double portablePow(double base, double exponent) {
  if (std::isnan(base) || std::isnan(exponent) || base < 0.0) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (exponent == 0.0 || base == 1.0) return 1.0;
  if (exponent == 1.0) return base;
  if (base == 0.0) return exponent > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
  if (std::isinf(base)) return exponent > 0.0 ? base : 0.0;
  return portable_exp(exponent * portable_log(base));
}
