// The AVX2 kernel set: the modes of simd_modes.h on 256-bit registers, eight
// pixels at a time; every byte equals the scalar reference, as the tests check.
// Built on x86-64 only and chosen at run time only when the CPU reports AVX2.
//
// WARNING: everything compiled under the target option below must stay private to
// this file. An inline function shared with other files and emitted here could be
// the copy the linker keeps, and would then run AVX2 code on any CPU.

#include "blend/kernels.h"

// Clang (the fuzz build) has no GCC target pragma: it runs the SSE2 set instead.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)

#include <immintrin.h>

#include <cstdint>
#include <type_traits>

#pragma GCC push_options
#pragma GCC target("avx2")

#include "blend/simd_loops.h"

namespace {

struct Avx2 {
  using V = __m256i;
  using Half = __m128i;
  static constexpr int lanes = 8;  // pixels per register

  // ---- memory; partial loads leave the upper lanes undefined, never stored ----
  static V loadAligned(const Color* p) { return _mm256_load_si256(reinterpret_cast<const V*>(p)); }
  static V load(const Color* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
  static void storeAligned(Color* p, V v) { _mm256_store_si256(reinterpret_cast<V*>(p), v); }
  static void store(Color* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
  static V loadFour(const Color* p) {
    return _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const Half*>(p)));
  }
  static void storeFour(Color* p, V v) {
    _mm_storeu_si128(reinterpret_cast<Half*>(p), _mm256_castsi256_si128(v));
  }
  static V loadTwo(const Color* p) {
    return _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const Half*>(p)));
  }
  static void storeTwo(Color* p, V v) {
    _mm_storel_epi64(reinterpret_cast<Half*>(p), _mm256_castsi256_si128(v));
  }
  static V loadOne(const Color* p) {
    return _mm256_castsi128_si256(_mm_cvtsi32_si128(static_cast<int>(*p)));
  }
  static void storeOne(Color* p, V v) {
    *p = static_cast<Color>(_mm_cvtsi128_si32(_mm256_castsi256_si128(v)));
  }

  // ---- bytes ----
  static V splat(Color c) { return _mm256_set1_epi32(static_cast<int>(c)); }
  static V addSaturate(V a, V b) { return _mm256_adds_epu8(a, b); }
  static V subSaturate(V a, V b) { return _mm256_subs_epu8(a, b); }
  static V average(V a, V b) { return _mm256_avg_epu8(a, b); }
  static V maximum(V a, V b) { return _mm256_max_epu8(a, b); }
  static V invert(V a) { return _mm256_xor_si256(a, _mm256_set1_epi32(-1)); }

  // ---- 16-bit lanes, within each 128-bit half like the SSE2 forms ----
  static V widenLow(V v) { return _mm256_unpacklo_epi8(v, _mm256_setzero_si256()); }
  static V widenHigh(V v) { return _mm256_unpackhi_epi8(v, _mm256_setzero_si256()); }
  static V widenLowShifted(V v) { return _mm256_unpacklo_epi8(_mm256_setzero_si256(), v); }
  static V widenHighShifted(V v) { return _mm256_unpackhi_epi8(_mm256_setzero_si256(), v); }
  static V narrow(V lo, V hi) { return _mm256_packus_epi16(lo, hi); }
  static V spreadAlpha(V w) {
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(w, 0xFF), 0xFF);
  }
  // ---- bytes in place within 16-bit lanes ----
  static constexpr bool hasMultiplyAddBytes = true;
  // Unsigned bytes of w times signed bytes of x, each pair summed to 16 bits.
  static V multiplyAddBytes(V w, V x) { return _mm256_maddubs_epi16(w, x); }
  static V flipTopBits(V v) {
    return _mm256_xor_si256(v, _mm256_set1_epi8(static_cast<char>(0x80)));
  }
  // Bytes 0, 2, ... and 1, 3, ... of each 16-bit lane, as 16-bit values.
  static V evenBytes(V v) { return _mm256_and_si256(v, _mm256_set1_epi16(0x00FF)); }
  static V oddBytes(V v) { return _mm256_srli_epi16(v, 8); }
  // The low bytes of low with the high bytes of high.
  static V withHighBytes(V low, V high) {
    return _mm256_blendv_epi8(low, high, _mm256_set1_epi16(static_cast<short>(0xFF00)));
  }
  static V splat16(int x) { return _mm256_set1_epi16(static_cast<short>(x)); }
  static V add16(V a, V b) { return _mm256_add_epi16(a, b); }
  static V sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V mullo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static V mulhi16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
  static V shiftLeft8(V a) { return _mm256_slli_epi16(a, 8); }
  static V shiftRight8(V a) { return _mm256_srli_epi16(a, 8); }
};

constinit const BlendKernels avx2Kernels = simd::makeKernelSet<Avx2>("avx2");

}  // namespace

#pragma GCC pop_options

const BlendKernels* avx2KernelSet() {
  // May run among the static constructors, before the library's own CPU probe.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? &avx2Kernels : nullptr;
}

#else

const BlendKernels* avx2KernelSet() { return nullptr; }

#endif
