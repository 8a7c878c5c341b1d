// The SSE2 kernel set, byte for byte equal to the scalar reference. The byte-wise
// modes are one instruction per four pixels (saturating add and subtract, rounded
// average, unsigned maximum); Alpha, Multiply and Screen widen two pixels at a time
// to 16-bit lanes, multiply, shift by 8 and pack back with unsigned saturation.
// Leftover pixels go through the same arithmetic in the low lane of a register.

#include "blend/kernels.h"

#if defined(__SSE2__)

#include <emmintrin.h>

#include <cstdint>

#include "blend/simd_loops.h"

namespace {

// ---- tiny helpers by data shape ----------------------------------------------
// Eight 16-bit lanes from the low / high two pixels: each byte b becomes b.
inline __m128i widenLow(__m128i v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
inline __m128i widenHigh(__m128i v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
// The same, each byte b becoming b << 8, ready for a high-half multiply.
inline __m128i widenLowShifted(__m128i v) { return _mm_unpacklo_epi8(_mm_setzero_si128(), v); }
inline __m128i widenHighShifted(__m128i v) { return _mm_unpackhi_epi8(_mm_setzero_si128(), v); }
inline __m128i narrow(__m128i lo, __m128i hi) { return _mm_packus_epi16(lo, hi); }
// Each pixel's alpha byte in all four of its 16-bit lanes.
inline __m128i spreadAlpha(__m128i wide) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
}
inline __m128i allBytes(Color c) { return _mm_set1_epi32(static_cast<int>(c)); }

// (d*256 + (s - d)*a) >> 8 on 16-bit lanes. The sum lies in 0..65280, so the
// wrap-around of the 16-bit products cancels out.
inline __m128i alphaLanes(__m128i d, __m128i s, __m128i a) {
  return _mm_srli_epi16(
      _mm_add_epi16(_mm_slli_epi16(d, 8), _mm_mullo_epi16(_mm_sub_epi16(s, d), a)), 8);
}
// floor(d*s / 256): (d << 8) * s >> 16 is exactly that, in one high-half multiply.
inline __m128i multiplyLanes(__m128i dShifted, __m128i s) { return _mm_mulhi_epu16(dShifted, s); }

// ---- the modes ----------------------------------------------------------------
// Each mode is a record built once per call from the colour: solid(d) blends four
// destination pixels with the colour, image(d, s) four with four source pixels.

// Copy: s, alpha included.
struct CopyMode {
  static constexpr bool readsDestination = false;
  __m128i s;
  explicit CopyMode(Color c) : s(allBytes(c)) {}
  __m128i solid(__m128i) const { return s; }
  static __m128i image(__m128i, __m128i src) { return src; }
};

// Alpha: (d*256 + (s - d)*A) >> 8 with A the source's alpha byte, all four bytes.
// With one colour this is (d*(256 - A) + s*A) >> 8, both terms precomputed.
struct AlphaMode {
  static constexpr bool readsDestination = true;
  __m128i keep, add;
  explicit AlphaMode(Color c)
      : keep(_mm_set1_epi16(static_cast<short>(256 - (c >> 24)))),
        add(_mm_mullo_epi16(widenLow(allBytes(c)), _mm_set1_epi16(static_cast<short>(c >> 24)))) {}
  __m128i solid(__m128i d) const {
    const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(widenLow(d), keep), add), 8);
    const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(widenHigh(d), keep), add), 8);
    return narrow(lo, hi);
  }
  static __m128i image(__m128i d, __m128i src) {
    const __m128i sl = widenLow(src), sh = widenHigh(src);
    return narrow(alphaLanes(widenLow(d), sl, spreadAlpha(sl)),
                  alphaLanes(widenHigh(d), sh, spreadAlpha(sh)));
  }
};

// Add: min(255, d + s) per byte, no carry between bytes.
struct AddMode {
  static constexpr bool readsDestination = true;
  __m128i s;
  explicit AddMode(Color c) : s(allBytes(c)) {}
  __m128i solid(__m128i d) const { return _mm_adds_epu8(d, s); }
  static __m128i image(__m128i d, __m128i src) { return _mm_adds_epu8(d, src); }
};

// Subtract: max(0, d - s), the source taken from the destination.
struct SubtractMode {
  static constexpr bool readsDestination = true;
  __m128i s;
  explicit SubtractMode(Color c) : s(allBytes(c)) {}
  __m128i solid(__m128i d) const { return _mm_subs_epu8(d, s); }
  static __m128i image(__m128i d, __m128i src) { return _mm_subs_epu8(d, src); }
};

// Multiply: floor(d*s / 256).
struct MultiplyMode {
  static constexpr bool readsDestination = true;
  __m128i s;  // the colour's bytes in 16-bit lanes
  explicit MultiplyMode(Color c) : s(widenLow(allBytes(c))) {}
  __m128i solid(__m128i d) const {
    return narrow(multiplyLanes(widenLowShifted(d), s), multiplyLanes(widenHighShifted(d), s));
  }
  static __m128i image(__m128i d, __m128i src) {
    return narrow(multiplyLanes(widenLowShifted(d), widenLow(src)),
                  multiplyLanes(widenHighShifted(d), widenHigh(src)));
  }
};

// Average: (d + s + 1) >> 1, which is exactly the rounded byte average instruction.
struct AverageMode {
  static constexpr bool readsDestination = true;
  __m128i s;
  explicit AverageMode(Color c) : s(allBytes(c)) {}
  __m128i solid(__m128i d) const { return _mm_avg_epu8(d, s); }
  static __m128i image(__m128i d, __m128i src) { return _mm_avg_epu8(d, src); }
};

// Mix75: avg(s, avg(s, d)).
struct Mix75Mode {
  static constexpr bool readsDestination = true;
  __m128i s;
  explicit Mix75Mode(Color c) : s(allBytes(c)) {}
  __m128i solid(__m128i d) const { return _mm_avg_epu8(s, _mm_avg_epu8(s, d)); }
  static __m128i image(__m128i d, __m128i src) { return _mm_avg_epu8(src, _mm_avg_epu8(src, d)); }
};

// Mix25: avg(d, avg(d, s)).
struct Mix25Mode {
  static constexpr bool readsDestination = true;
  __m128i s;
  explicit Mix25Mode(Color c) : s(allBytes(c)) {}
  __m128i solid(__m128i d) const { return _mm_avg_epu8(d, _mm_avg_epu8(d, s)); }
  static __m128i image(__m128i d, __m128i src) { return _mm_avg_epu8(d, _mm_avg_epu8(d, src)); }
};

// Lighten: max(d, s).
struct LightenMode {
  static constexpr bool readsDestination = true;
  __m128i s;
  explicit LightenMode(Color c) : s(allBytes(c)) {}
  __m128i solid(__m128i d) const { return _mm_max_epu8(d, s); }
  static __m128i image(__m128i d, __m128i src) { return _mm_max_epu8(d, src); }
};

// Screen: 255 - floor((255 - d)*(255 - s) / 256); 255 - x is x ^ 0xFF on bytes.
struct ScreenMode {
  static constexpr bool readsDestination = true;
  __m128i inverse;  // 255 - s in 16-bit lanes
  explicit ScreenMode(Color c) : inverse(widenLow(allBytes(~c))) {}
  __m128i solid(__m128i d) const {
    const __m128i ones = _mm_set1_epi32(-1);
    const __m128i n = _mm_xor_si128(d, ones);
    return _mm_xor_si128(narrow(multiplyLanes(widenLowShifted(n), inverse),
                                multiplyLanes(widenHighShifted(n), inverse)),
                         ones);
  }
};

// ---- memory access for the shared loops -----------------------------------------
struct Sse2 {
  using Vector = __m128i;
  static constexpr int lanes = 4;  // pixels per vector
  static Vector loadAligned(const Color* p) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(p));
  }
  static Vector load(const Color* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  }
  static void storeAligned(Color* p, Vector v) {
    _mm_store_si128(reinterpret_cast<__m128i*>(p), v);
  }
  static void store(Color* p, Vector v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static Vector loadFour(const Color* p) { return load(p); }
  static void storeFour(Color* p, Vector v) { store(p, v); }
  static Vector loadTwo(const Color* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  }
  static void storeTwo(Color* p, Vector v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }
  static Vector loadOne(const Color* p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); }
  static void storeOne(Color* p, Vector v) { *p = static_cast<Color>(_mm_cvtsi128_si32(v)); }
};

using Loops = simd::Loops<Sse2>;

constexpr BlendKernels makeSse2Set() {
  return simd::makeKernelSet<Loops, CopyMode, AlphaMode, AddMode, SubtractMode, MultiplyMode,
                             AverageMode, Mix75Mode, Mix25Mode, LightenMode, ScreenMode>("sse2");
}

constinit const BlendKernels sse2Kernels = makeSse2Set();

}  // namespace

const BlendKernels* sse2KernelSet() { return &sse2Kernels; }

#else

const BlendKernels* sse2KernelSet() { return nullptr; }

#endif
