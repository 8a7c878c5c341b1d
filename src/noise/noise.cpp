// Value-noise lattices. A sample wraps its coordinates into the lattice's period,
// takes the surrounding lattice values and interpolates axis by axis with a shaped
// fraction plus an optional extra term (the hump of types 4 and 5).
//
// Every intermediate is a float and is stored as one, in the order written, so the
// same seed gives the same samples bit for bit on every target.

#include "noise/noise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "noise/random.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

NoiseGrid2D noiseGrid;

namespace {

// Wraps a lattice coordinate into [0, period). fmod is exact, so the only rounding
// is adding the period back to a negative remainder; when a tiny remainder rounds
// up to the period itself the index would fall one past the lattice, and the
// coordinate is taken as 0 instead. NaN and infinities (fmod gives NaN) also give 0.
// Coordinates already inside skip fmod, which would return them unchanged.
float wrap(float u, float period) {
  if (!(u >= 0.0f && u < period)) {
    u = std::fmod(u, period);
    if (u < 0.0f) u += period;
    if (!(u < period)) u = 0.0f;
  }
  return u;
}

// A wrapped coordinate split into lattice index, following index and fraction.
struct Cell {
  int i;    // in [0, n)
  int i1;   // i + 1, or 0 past the last index
  float f;  // in [0, 1)
};

Cell locate(float coordinate, float scale, float period, int n) {
  const float u = wrap(coordinate / scale, period);
  Cell c;
  c.i = static_cast<int>(u);
  c.f = u - static_cast<float>(c.i);
  c.i1 = c.i + 1 == n ? 0 : c.i + 1;
  return c;
}

// 0 at f = 0 and f -> 1, 1 at f = 0.5: a smooth bump between two lattice points,
// made of two mirrored smoothstep halves.
float hump(float f) {
  const float rising = f + 0.5f;
  const float falling = 2.0f - rising;
  // Both halves computed and one picked: a select rather than a branch, which the
  // fraction's randomness would mispredict half the time.
  const float x = rising < 1.0f ? rising : falling;
  return (6.0f - 4.0f * x) * x * x - 1.0f;
}

// The shaped fraction and the extra term of one interpolation pass.
struct Shape {
  float t;
  float e;
};

Shape shape(float f, int type, float amplitude) {
  switch (type) {
    case 1:
      return {(3.0f - 2.0f * f) * f * f, 0.0f};
    case 4:
      return {f, -(amplitude * hump(f))};
    case 5:
      return {f, amplitude * hump(f)};
    default:
      return {f, 0.0f};
  }
}

float interpolate(float a, float b, Shape s) {
  const float r = a + (b - a) * s.t + s.e;
  return r;
}

// Lattice sizes are refused when a last index is negative or the lattice would
// exceed maxNoiseValues; the product is formed in 64 bits so it cannot overflow.
bool latticeFits(std::int64_t count) { return count >= 1 && count <= maxNoiseValues; }

// The octave sum shared by every dimension: base + sum of weight_k * sample_k with
// weights 1/2, 1/4, ... `advance` scales the coordinates before each octave.
template <typename Advance, typename Sample>
float sumOctaves(float base, int count, Advance advance, Sample sample) {
  float result = base;
  float weight = 1.0f;
  // Once the weight has underflowed to 0 the rest adds nothing: stopping there also
  // bounds the work of an absurd count.
  for (int k = 0; k < count && weight != 0.0f; ++k) {
    advance();
    weight *= 0.5f;
    const float s = sample();
    result += s * weight;
  }
  return result;
}

float growOctave(float c) { return static_cast<float>(static_cast<double>(c) * octaveFactor); }

}  // namespace

// ---- one dimension -------------------------------------------------------

int init1D(NoiseGrid1D& g, int last, float scale) {
  g = NoiseGrid1D{};
  const std::int64_t n = static_cast<std::int64_t>(last) + 1;
  if (last < 0 || !latticeFits(n)) return 0;
  g.scale = scale;
  g.last = last;
  g.n = static_cast<int>(n);
  g.period = static_cast<float>(g.n);
  g.values.resize(static_cast<std::size_t>(n));
  for (float& v : g.values) v = nextRandom();
  return 1;
}

float value1D(const NoiseGrid1D& g, int index) {
  if (g.n <= 0) return 0.0f;
  // Widened so that the magnitude of INT_MIN exists.
  std::int64_t i = index;
  if (i < 0) i = g.n - (-i % g.n);
  return g.values[static_cast<std::size_t>(i % g.n)];
}

float sample1D(const NoiseGrid1D& g, float x, int type, float amplitude) {
  if (g.values.empty()) return 0.0f;
  const Cell c = locate(x, g.scale, g.period, g.n);
  return interpolate(g.values[c.i], g.values[c.i1], shape(c.f, type, amplitude));
}

float octaves1D(const NoiseGrid1D& g, float x, int count, int type, float amplitude) {
  return sumOctaves(
      sample1D(g, x, type, 0.0f), count, [&] { x = growOctave(x); },
      [&] { return sample1D(g, x, type, amplitude); });
}

int buildTable1D(NoiseGrid1D& g, float centre, float spread, int type, float amplitude) {
  g.table.clear();
  const double length = std::trunc(static_cast<double>(g.scale) * g.n + 0.5);
  if (!(length >= 0.0 && length <= maxNoiseValues)) return 0;
  g.table.resize(static_cast<std::size_t>(length));
  const float low = centre - spread;
  const float range = 2.0f * spread;
  for (std::size_t i = 0; i < g.table.size(); ++i) {
    const float s = sample1D(g, static_cast<float>(i), type, amplitude);
    g.table[i] = low + range * s;
  }
  return 1;
}

void clear(NoiseGrid1D& g) { std::fill(g.values.begin(), g.values.end(), 0.0f); }

// ---- two dimensions ------------------------------------------------------

int init2D(NoiseGrid2D& g, int lastX, int lastY, float scale) {
  g = NoiseGrid2D{};
  const std::int64_t nx = static_cast<std::int64_t>(lastX) + 1;
  const std::int64_t ny = static_cast<std::int64_t>(lastY) + 1;
  if (lastX < 0 || lastY < 0 || !latticeFits(nx * ny)) return 0;
  g.scale = scale;
  g.lastX = lastX;
  g.lastY = lastY;
  g.nx = g.stride = static_cast<int>(nx);
  g.ny = static_cast<int>(ny);
  g.periodX = static_cast<float>(g.nx);
  g.periodY = static_cast<float>(g.ny);
  g.values.resize(static_cast<std::size_t>(nx * ny));
  // x outermost: with a given seed this order fixes the whole lattice.
  for (int i = 0; i < g.nx; ++i)
    for (int j = 0; j < g.ny; ++j)
      g.values[i + static_cast<std::size_t>(j) * g.stride] = nextRandom();
  return 1;
}

float sample2D(const NoiseGrid2D& g, float x, float y, int type, float amplitude, int typeX) {
  if (g.values.empty()) return 0.0f;
  const Cell cx = locate(x, g.scale, g.periodX, g.nx);
  const Cell cy = locate(y, g.scale, g.periodY, g.ny);
  const float* row0 = g.values.data() + static_cast<std::size_t>(cy.i) * g.stride;
  const float* row1 = g.values.data() + static_cast<std::size_t>(cy.i1) * g.stride;
  // Vertical pass on both columns, then the horizontal pass between them.
  const Shape sy = shape(cy.f, type, amplitude);
  const float left = interpolate(row0[cx.i], row1[cx.i], sy);
  const float right = interpolate(row0[cx.i1], row1[cx.i1], sy);
  const Shape sx = shape(cx.f, typeX == -1 ? type : typeX, amplitude);
  return interpolate(left, right, sx);
}

NoiseRow2D noiseRow2D(const NoiseGrid2D& g, float y, int type, float amplitude, int typeX) {
  NoiseRow2D r;
  if (g.values.empty()) return r;
  const Cell cy = locate(y, g.scale, g.periodY, g.ny);
  const Shape sy = shape(cy.f, type, amplitude);
  r.grid = &g;
  r.row0 = g.values.data() + static_cast<std::size_t>(cy.i) * g.stride;
  r.row1 = g.values.data() + static_cast<std::size_t>(cy.i1) * g.stride;
  r.t = sy.t;
  r.e = sy.e;
  r.typeX = typeX == -1 ? type : typeX;
  r.amplitude = amplitude;
  return r;
}

namespace {

// The horizontal half of sample2D, the vertical pass's weights taken from the row.
template <int TypeX>
float sampleAlongRow(const NoiseRow2D& r, float x) {
  const NoiseGrid2D& g = *r.grid;
  const Cell cx = locate(x, g.scale, g.periodX, g.nx);
  const Shape sy{r.t, r.e};
  const float left = interpolate(r.row0[cx.i], r.row1[cx.i], sy);
  const float right = interpolate(r.row0[cx.i1], r.row1[cx.i1], sy);
  return interpolate(left, right, shape(cx.f, TypeX, r.amplitude));
}

#if defined(__SSE2__)

// Truncation of lanes that lie within the int range. WebAssembly's translation of
// _mm_cvttps_epi32 converts lane by lane to mimic x86 on out-of-range lanes; its own
// saturating truncation gives the same ints in range at one instruction.
inline __m128i truncateInRange(__m128 v) {
#if defined(__wasm_simd128__)
  return (__m128i)wasm_i32x4_trunc_sat_f32x4((v128_t)v);  // bit casts of vectors
#else
  return _mm_cvttps_epi32(v);
#endif
}

// wrap() on four lanes, those marked inside left as they are. Below 2^23 the
// remainder fmod would give is found without it: n = trunc(|u| / period) is the
// true quotient's integer part (a float just below a multiple k * period divides to
// at least half a float step below k, so the rounded quotient never reaches k), and
// |u| - n * period is exact (n * period is an integer below 2^24, and the difference
// of two floats within a factor of two of each other is exact). The sign is u's, as
// fmod's (a negative multiple of the period gives -0). Larger and non-finite lanes
// go through wrap() one by one.
__m128 wrapFour(__m128 u, __m128 inside, float periodX) {
  const __m128 period = _mm_set1_ps(periodX);
  const __m128 sign = _mm_set1_ps(-0.0f);
  const __m128 zero = _mm_setzero_ps();
  const __m128 magnitude = _mm_andnot_ps(sign, u);
  const __m128 small = _mm_cmplt_ps(magnitude, _mm_set1_ps(8388608.0f));  // false for NaN
  const __m128 quotient = _mm_div_ps(_mm_and_ps(small, magnitude), period);
  const __m128 n = _mm_cvtepi32_ps(truncateInRange(quotient));
  __m128 r = _mm_sub_ps(magnitude, _mm_mul_ps(n, period));
  r = _mm_or_ps(r, _mm_and_ps(sign, u));
  // The steps of wrap() after fmod: a negative remainder moves up by the period, and
  // one that rounds up to the period itself becomes 0.
  r = _mm_add_ps(r, _mm_and_ps(_mm_cmplt_ps(r, zero), period));
  r = _mm_and_ps(r, _mm_cmplt_ps(r, period));
  __m128 wrapped = _mm_or_ps(_mm_and_ps(inside, u), _mm_andnot_ps(inside, r));
  const int done = _mm_movemask_ps(_mm_or_ps(inside, small));
  if (done != 0xF) {
    alignas(16) float lanes[4], original[4];
    _mm_store_ps(lanes, wrapped);
    _mm_store_ps(original, u);
    for (int l = 0; l < 4; ++l) {
      if (!(done & (1 << l))) lanes[l] = wrap(original[l], periodX);
    }
    wrapped = _mm_load_ps(lanes);
  }
  return wrapped;
}

// Four samples at once with the very float operations of sampleAlongRow, lane by
// lane, so every lane gets the same bits. Coordinates outside the period are wrapped
// one by one through wrap(); the lattice values are fetched one by one, or, given
// `mixed` (the vertical pass done for every lattice column), their mixes.
template <int TypeX>
__m128 sampleFourAlongRow(const NoiseRow2D& r, __m128 x, const float* mixed) {
  const NoiseGrid2D& g = *r.grid;
  __m128 u = _mm_div_ps(x, _mm_set1_ps(g.scale));
  const __m128 period = _mm_set1_ps(g.periodX);
  const __m128 inside = _mm_and_ps(_mm_cmpge_ps(u, _mm_setzero_ps()), _mm_cmplt_ps(u, period));
  if (_mm_movemask_ps(inside) != 0xF) u = wrapFour(u, inside, g.periodX);
  const __m128i i = truncateInRange(u);
  const __m128 f = _mm_sub_ps(u, _mm_cvtepi32_ps(i));
  const __m128i next = _mm_add_epi32(i, _mm_set1_epi32(1));
  const __m128i i1 = _mm_andnot_si128(_mm_cmpeq_epi32(next, _mm_set1_epi32(g.nx)), next);
  alignas(16) std::int32_t at[4], at1[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(at), i);
  _mm_store_si128(reinterpret_cast<__m128i*>(at1), i1);
  // interpolate(a, b, {t, e}) = (a + (b - a) * t) + e, e added even when 0 (it turns
  // -0 into +0 exactly as the single sample does).
  const auto mix = [](__m128 a, __m128 b, __m128 t, __m128 e) {
    return _mm_add_ps(_mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), t)), e);
  };
  __m128 left, right;
  if (mixed) {
    left = _mm_setr_ps(mixed[at[0]], mixed[at[1]], mixed[at[2]], mixed[at[3]]);
    right = _mm_setr_ps(mixed[at1[0]], mixed[at1[1]], mixed[at1[2]], mixed[at1[3]]);
  } else {
    const float* const row0 = r.row0;
    const float* const row1 = r.row1;
    const __m128 a0 = _mm_setr_ps(row0[at[0]], row0[at[1]], row0[at[2]], row0[at[3]]);
    const __m128 b0 = _mm_setr_ps(row1[at[0]], row1[at[1]], row1[at[2]], row1[at[3]]);
    const __m128 a1 = _mm_setr_ps(row0[at1[0]], row0[at1[1]], row0[at1[2]], row0[at1[3]]);
    const __m128 b1 = _mm_setr_ps(row1[at1[0]], row1[at1[1]], row1[at1[2]], row1[at1[3]]);
    const __m128 ty = _mm_set1_ps(r.t), ey = _mm_set1_ps(r.e);
    left = mix(a0, b0, ty, ey);
    right = mix(a1, b1, ty, ey);
  }
  __m128 tx = f, ex = _mm_setzero_ps();
  if constexpr (TypeX == 1) {
    tx = _mm_mul_ps(_mm_mul_ps(_mm_sub_ps(_mm_set1_ps(3.0f), _mm_mul_ps(_mm_set1_ps(2.0f), f)), f),
                    f);
  } else if constexpr (TypeX == 4 || TypeX == 5) {
    const __m128 rising = _mm_add_ps(f, _mm_set1_ps(0.5f));
    const __m128 falling = _mm_sub_ps(_mm_set1_ps(2.0f), rising);
    const __m128 low = _mm_cmplt_ps(rising, _mm_set1_ps(1.0f));
    const __m128 h = _mm_or_ps(_mm_and_ps(low, rising), _mm_andnot_ps(low, falling));
    const __m128 hump = _mm_sub_ps(
        _mm_mul_ps(_mm_mul_ps(_mm_sub_ps(_mm_set1_ps(6.0f), _mm_mul_ps(_mm_set1_ps(4.0f), h)), h),
                   h),
        _mm_set1_ps(1.0f));
    ex = _mm_mul_ps(_mm_set1_ps(r.amplitude), hump);
    if constexpr (TypeX == 4) ex = _mm_xor_ps(ex, _mm_set1_ps(-0.0f));  // negated
  }
  return mix(left, right, tx, ex);
}

#endif

// The vertical pass depends on the lattice column alone. With more samples than
// columns it is done once per column, and each sample fetches two values, not four.
constexpr int maxMixedColumns = 256;

template <int TypeX>
void sampleAlongRow(const NoiseRow2D& r, const float* xs, float* out, int count) {
  int k = 0;
#if defined(__SSE2__)
  const int columns = r.grid->nx;
  float mixed[maxMixedColumns];
  const bool premixed = columns <= maxMixedColumns && count >= columns;
  if (premixed) {
    const Shape sy{r.t, r.e};
    for (int i = 0; i < columns; ++i) mixed[i] = interpolate(r.row0[i], r.row1[i], sy);
  }
  for (; k + 4 <= count; k += 4) {
    _mm_storeu_ps(out + k,
                  sampleFourAlongRow<TypeX>(r, _mm_loadu_ps(xs + k), premixed ? mixed : nullptr));
  }
#endif
  for (; k < count; ++k) out[k] = sampleAlongRow<TypeX>(r, xs[k]);
}

}  // namespace

float sampleRow2D(const NoiseRow2D& r, float x) {
  if (!r.grid) return 0.0f;
  switch (r.typeX) {
    case 1:
      return sampleAlongRow<1>(r, x);
    case 4:
      return sampleAlongRow<4>(r, x);
    case 5:
      return sampleAlongRow<5>(r, x);
    default:
      return sampleAlongRow<0>(r, x);
  }
}

void sampleRow2D(const NoiseRow2D& r, const float* xs, float* out, int count) {
  if (!r.grid) {
    for (int k = 0; k < count; ++k) out[k] = 0.0f;
    return;
  }
  // One loop per type, so the loops carry no type test.
  switch (r.typeX) {
    case 1:
      return sampleAlongRow<1>(r, xs, out, count);
    case 4:
      return sampleAlongRow<4>(r, xs, out, count);
    case 5:
      return sampleAlongRow<5>(r, xs, out, count);
    default:
      return sampleAlongRow<0>(r, xs, out, count);
  }
}

float octaves2D(const NoiseGrid2D& g, float x, float y, int count, int type, float amplitude,
                int typeX) {
  return sumOctaves(
      sample2D(g, x, y, type, 0.0f, -1), count,
      [&] {
        x = growOctave(x);
        y = growOctave(y);
      },
      [&] { return sample2D(g, x, y, type, amplitude, typeX); });
}

void clear(NoiseGrid2D& g) { std::fill(g.values.begin(), g.values.end(), 0.0f); }

// ---- three dimensions ----------------------------------------------------

NoiseGrid3D::NoiseGrid3D() { init3D(*this, 10, 10, 10, 10.0f); }

int init3D(NoiseGrid3D& g, int lastX, int lastY, int lastZ, float scale) {
  g.values.clear();
  g.values.shrink_to_fit();
  g.lastX = g.lastY = g.lastZ = -1;
  g.nx = g.ny = g.nz = 0;
  g.periodX = g.periodY = g.periodZ = 0.0f;
  const std::int64_t nx = static_cast<std::int64_t>(lastX) + 1;
  const std::int64_t ny = static_cast<std::int64_t>(lastY) + 1;
  const std::int64_t nz = static_cast<std::int64_t>(lastZ) + 1;
  // Checked pairwise so that the triple product cannot overflow either.
  if (lastX < 0 || lastY < 0 || lastZ < 0 || !latticeFits(nx * ny) || !latticeFits(nx * ny * nz))
    return 0;
  g.scale = scale;
  g.lastX = lastX;
  g.lastY = lastY;
  g.lastZ = lastZ;
  g.nx = static_cast<int>(nx);
  g.ny = static_cast<int>(ny);
  g.nz = static_cast<int>(nz);
  g.periodX = static_cast<float>(g.nx);
  g.periodY = static_cast<float>(g.ny);
  g.periodZ = static_cast<float>(g.nz);
  g.values.resize(static_cast<std::size_t>(nx * ny * nz));
  const std::size_t plane = static_cast<std::size_t>(nx * ny);
  for (int i = 0; i < g.nx; ++i)
    for (int j = 0; j < g.ny; ++j)
      for (int k = 0; k < g.nz; ++k)
        g.values[i + static_cast<std::size_t>(j) * g.nx + k * plane] = nextRandom();
  return 1;
}

float sample3D(const NoiseGrid3D& g, float x, float y, float z, int type, float amplitude) {
  if (g.values.empty()) return 0.0f;
  const Cell cx = locate(x, g.scale, g.periodX, g.nx);
  const Cell cy = locate(y, g.scale, g.periodY, g.ny);
  const Cell cz = locate(z, g.scale, g.periodZ, g.nz);
  const std::size_t plane = static_cast<std::size_t>(g.nx) * g.ny;
  const float* z0 = g.values.data() + cz.i * plane;
  const float* z1 = g.values.data() + cz.i1 * plane;
  const std::size_t r0 = static_cast<std::size_t>(cy.i) * g.nx;
  const std::size_t r1 = static_cast<std::size_t>(cy.i1) * g.nx;
  // Along z for the four (x, y) corners, then along x on both rows, then along y.
  const Shape sz = shape(cz.f, type, amplitude);
  const float p00 = interpolate(z0[r0 + cx.i], z1[r0 + cx.i], sz);
  const float p10 = interpolate(z0[r0 + cx.i1], z1[r0 + cx.i1], sz);
  const float p01 = interpolate(z0[r1 + cx.i], z1[r1 + cx.i], sz);
  const float p11 = interpolate(z0[r1 + cx.i1], z1[r1 + cx.i1], sz);
  const Shape sx = shape(cx.f, type, amplitude);
  const float q0 = interpolate(p00, p10, sx);
  const float q1 = interpolate(p01, p11, sx);
  return interpolate(q0, q1, shape(cy.f, type, amplitude));
}

float octaves3D(const NoiseGrid3D& g, float x, float y, float z, int count, int type,
                float amplitude) {
  return sumOctaves(
      sample3D(g, x, y, z, type, 0.0f), count,
      [&] {
        x = x * octaveFactor3D;
        y = y * octaveFactor3D;
        z = z * octaveFactor3D;
      },
      [&] { return sample3D(g, x, y, z, type, amplitude); });
}

void clear(NoiseGrid3D& g) { std::fill(g.values.begin(), g.values.end(), 0.0f); }
