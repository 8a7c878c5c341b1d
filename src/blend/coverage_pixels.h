// One anti-aliased edge pixel, weighted by coverage in the way of one mode; shared
// by the polygon coverage routines and the disc routines.
//
// Edge pixels come one at a time (tens of thousands per frame), so each is one
// SSE2 register: the pixel widened to four 16-bit lanes, the formula of
// formulas.h on the lanes, packed back. Byte-wise formulas cost a few dozen
// operations per pixel; the lanes cost about ten. Where the build has no SSE2 the
// formulas themselves are used.
#pragma once

#include "blend/formulas.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using CoverFormula = Color (*)(Color d, Color s, int coverage);

#if defined(__SSE2__)

namespace cover_sse2 {

// ---- one pixel to one register: four bytes as four 16-bit lanes ----
inline __m128i widen(Color c) {
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(c)), _mm_setzero_si128());
}
inline Color narrow(__m128i v) {
  return static_cast<Color>(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
}
inline __m128i lanes(int x) { return _mm_set1_epi16(static_cast<short>(x)); }

// (d*256 + (s - d)*a) >> 8; the sum lies in 0..65280, so the wrap-around of the
// 16-bit product cancels out.
inline __m128i alphaLanes(__m128i d, __m128i s, __m128i a) {
  return _mm_srli_epi16(
      _mm_add_epi16(_mm_slli_epi16(d, 8), _mm_mullo_epi16(_mm_sub_epi16(s, d), a)), 8);
}
// (x*c) >> 8 per lane: the product stays below 65536.
inline __m128i scaleLanes(__m128i x, __m128i c) { return _mm_srli_epi16(_mm_mullo_epi16(x, c), 8); }
// The colour scaled by coverage, back in bytes: (s*c) >> 8.
inline __m128i scaledBytes(Color s, int c) {
  const __m128i v = scaleLanes(widen(s), lanes(c));
  return _mm_packus_epi16(v, v);
}

// ---- the modes, one pixel each ----
inline Color copy(Color d, Color s, int c) {
  return narrow(alphaLanes(widen(d), widen(s), lanes(c)));
}
inline Color alpha(Color d, Color s, int c) {
  return narrow(alphaLanes(widen(d), widen(s), lanes((c * px::alphaOf(s)) >> 8)));
}
inline Color add(Color d, Color s, int c) {
  const __m128i r = _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(d)), scaledBytes(s, c));
  return static_cast<Color>(_mm_cvtsi128_si32(r));
}
inline Color subtract(Color d, Color s, int c) {
  const __m128i r = _mm_subs_epu8(_mm_cvtsi32_si128(static_cast<int>(d)), scaledBytes(s, c));
  return static_cast<Color>(_mm_cvtsi128_si32(r));
}
// The source faded toward white: the Alpha formula from 255 for blue, green and
// red, and from 0 for the alpha lane, which gives (s*c) >> 8 there.
inline Color multiply(Color d, Color s, int c) {
  const __m128i white = _mm_setr_epi16(255, 255, 255, 0, 0, 0, 0, 0);
  const __m128i faded = alphaLanes(white, widen(s), lanes(c));
  return narrow(scaleLanes(widen(d), faded));
}
// 255 - ((255 - d)*(255 - s')) >> 8 with s' = (s*c) >> 8.
inline Color screen(Color d, Color s, int c) {
  const __m128i full = lanes(255);
  const __m128i inverseSource = _mm_sub_epi16(full, scaleLanes(widen(s), lanes(c)));
  const __m128i inverseDestination = _mm_sub_epi16(full, widen(d));
  return narrow(_mm_sub_epi16(full, scaleLanes(inverseDestination, inverseSource)));
}

}  // namespace cover_sse2

#endif

// The form of each formula that runs: its SSE2 form where there is one, else itself.
template <CoverFormula F>
inline constexpr CoverFormula fastForm = F;
#if defined(__SSE2__)
template <>
inline constexpr CoverFormula fastForm<px::coverCopy> = cover_sse2::copy;
template <>
inline constexpr CoverFormula fastForm<px::coverAlpha> = cover_sse2::alpha;
template <>
inline constexpr CoverFormula fastForm<px::coverAdd> = cover_sse2::add;
template <>
inline constexpr CoverFormula fastForm<px::coverSubtract> = cover_sse2::subtract;
template <>
inline constexpr CoverFormula fastForm<px::coverMultiply> = cover_sse2::multiply;
template <>
inline constexpr CoverFormula fastForm<px::coverScreen> = cover_sse2::screen;
#endif

template <CoverFormula F>
void coverPixel(Color* p, Color colour, int coverage) {
  *p = fastForm<F>(*p, colour, coverage);
}
