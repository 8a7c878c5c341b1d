// The SSE2 kernel set: the modes of simd_modes.h on 128-bit registers, four pixels
// at a time, byte for byte equal to the scalar reference. SSE2 is the baseline of
// every build and the only vector path on 32-bit x86.

#include "blend/kernels.h"

#if defined(__SSE2__)

#include <emmintrin.h>

#include <cstdint>

#include "blend/simd_loops.h"

namespace {

struct Sse2 {
  using V = __m128i;
  static constexpr int lanes = 4;  // pixels per register

  // ---- memory ----
  static V loadAligned(const Color* p) { return _mm_load_si128(reinterpret_cast<const V*>(p)); }
  static V load(const Color* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
  static void storeAligned(Color* p, V v) { _mm_store_si128(reinterpret_cast<V*>(p), v); }
  static void store(Color* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
  static V loadFour(const Color* p) { return load(p); }
  static void storeFour(Color* p, V v) { store(p, v); }
  static V loadTwo(const Color* p) { return _mm_loadl_epi64(reinterpret_cast<const V*>(p)); }
  static void storeTwo(Color* p, V v) { _mm_storel_epi64(reinterpret_cast<V*>(p), v); }
  static V loadOne(const Color* p) { return _mm_cvtsi32_si128(static_cast<int>(*p)); }
  static void storeOne(Color* p, V v) { *p = static_cast<Color>(_mm_cvtsi128_si32(v)); }

  // ---- bytes ----
  static V splat(Color c) { return _mm_set1_epi32(static_cast<int>(c)); }
  static V addSaturate(V a, V b) { return _mm_adds_epu8(a, b); }
  static V subSaturate(V a, V b) { return _mm_subs_epu8(a, b); }
  static V average(V a, V b) { return _mm_avg_epu8(a, b); }
  static V maximum(V a, V b) { return _mm_max_epu8(a, b); }
  static V invert(V a) { return _mm_xor_si128(a, _mm_set1_epi32(-1)); }

  // ---- 16-bit lanes: the low or high two pixels of each 128-bit half ----
  static V widenLow(V v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
  static V widenHigh(V v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
  // Each byte b as b << 8, ready for a high-half multiply.
  static V widenLowShifted(V v) { return _mm_unpacklo_epi8(_mm_setzero_si128(), v); }
  static V widenHighShifted(V v) { return _mm_unpackhi_epi8(_mm_setzero_si128(), v); }
  static V narrow(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
  // Each pixel's alpha in all four of its lanes.
  static V spreadAlpha(V w) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, 0xFF), 0xFF); }
  // No byte multiply-add before SSSE3: Alpha widens to 16-bit lanes.
  static constexpr bool hasMultiplyAddBytes = false;
  static V splat16(int x) { return _mm_set1_epi16(static_cast<short>(x)); }
  static V add16(V a, V b) { return _mm_add_epi16(a, b); }
  static V sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  static V mullo16(V a, V b) { return _mm_mullo_epi16(a, b); }
  static V mulhi16(V a, V b) { return _mm_mulhi_epu16(a, b); }
  static V shiftLeft8(V a) { return _mm_slli_epi16(a, 8); }
  static V shiftRight8(V a) { return _mm_srli_epi16(a, 8); }
};

constinit const BlendKernels sse2Kernels = simd::makeKernelSet<Sse2>("sse2");

}  // namespace

const BlendKernels* sse2KernelSet() { return &sse2Kernels; }

#else

const BlendKernels* sse2KernelSet() { return nullptr; }

#endif
