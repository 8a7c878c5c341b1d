// The ten modes on vector registers, written once for every vector kernel set.
// A set supplies an instruction record I: the vector type V and byte and 16-bit
// lane operations (SSE2 on 128 bits, AVX2 on 256). The byte-wise modes are one
// instruction per register (saturating add and subtract, rounded average, unsigned
// maximum); Alpha, Multiply and Screen widen to 16-bit lanes, multiply, shift by
// 8 and pack back with unsigned saturation.
//
// Each mode is a record built once per call from the colour: solid(d) blends a
// register of destination pixels with the colour, image(d, s) with source pixels.
// Widening and packing work within each 128-bit half, so the halves never mix.
//
// NOTE: include this header only where I's operations are available, that is
// after the target options of the file that instantiates it.
#pragma once

#include <type_traits>

#include "blend/color.h"

namespace simd {

// ---- shared 16-bit lane arithmetic ------------------------------------------------
// (d*256 + (s - d)*a) >> 8. The sum lies in 0..65280, so the wrap-around of the
// 16-bit products cancels out.
template <class I>
typename I::V alphaLanes(typename I::V d, typename I::V s, typename I::V a) {
  return I::shiftRight8(I::add16(I::shiftLeft8(d), I::mullo16(I::sub16(s, d), a)));
}

// floor(d*s / 256): with d widened as d << 8, the high half of the 16-bit product
// (d << 8) * s is exactly that, in one instruction.
template <class I>
typename I::V multiplyLanes(typename I::V dShifted, typename I::V s) {
  return I::mulhi16(dShifted, s);
}

// ---- the byte-wise modes: one instruction (or two) per register -------------------
// Bytes::apply(d, s) is the mode on whole registers.
template <class I, class Bytes>
struct ByteWiseMode {
  using V = typename I::V;
  static constexpr bool readsDestination = true;
  V s;
  explicit ByteWiseMode(Color c) : s(I::splat(c)) {}
  V solid(V d) const { return Bytes::apply(d, s); }
  static V image(V d, V src) { return Bytes::apply(d, src); }
};

// Add: min(255, d + s), saturating per byte; no carry crosses bytes.
template <class I>
struct AddBytes {
  static typename I::V apply(typename I::V d, typename I::V s) { return I::addSaturate(d, s); }
};
template <class I>
using AddMode = ByteWiseMode<I, AddBytes<I>>;

// Subtract: max(0, d - s), the source taken from the destination.
template <class I>
struct SubtractBytes {
  static typename I::V apply(typename I::V d, typename I::V s) { return I::subSaturate(d, s); }
};
template <class I>
using SubtractMode = ByteWiseMode<I, SubtractBytes<I>>;

// Average: (d + s + 1) >> 1, exactly the rounded byte-average instruction.
template <class I>
struct AverageBytes {
  static typename I::V apply(typename I::V d, typename I::V s) { return I::average(d, s); }
};
template <class I>
using AverageMode = ByteWiseMode<I, AverageBytes<I>>;

// Mix75: avg(s, avg(s, d)), two rounded averages.
template <class I>
struct Mix75Bytes {
  static typename I::V apply(typename I::V d, typename I::V s) {
    return I::average(s, I::average(s, d));
  }
};
template <class I>
using Mix75Mode = ByteWiseMode<I, Mix75Bytes<I>>;

// Mix25: avg(d, avg(d, s)).
template <class I>
struct Mix25Bytes {
  static typename I::V apply(typename I::V d, typename I::V s) {
    return I::average(d, I::average(d, s));
  }
};
template <class I>
using Mix25Mode = ByteWiseMode<I, Mix25Bytes<I>>;

// Lighten: max(d, s).
template <class I>
struct LightenBytes {
  static typename I::V apply(typename I::V d, typename I::V s) { return I::maximum(d, s); }
};
template <class I>
using LightenMode = ByteWiseMode<I, LightenBytes<I>>;

// ---- Copy and the multiplying modes -----------------------------------------------
// Copy: s, alpha included; the destination is never read.
template <class I>
struct CopyMode {
  using V = typename I::V;
  static constexpr bool readsDestination = false;
  V s;
  explicit CopyMode(Color c) : s(I::splat(c)) {}
  V solid(V) const { return s; }
  static V image(V, V src) { return src; }
};

// Alpha: (d*256 + (s - d)*A) >> 8 with A the source's alpha byte, on all four
// bytes. Source pixels carry their own A, so they widen to 16-bit lanes.
template <class I>
struct AlphaImage {
  using V = typename I::V;
  static constexpr bool readsDestination = true;
  static V image(V d, V src) {
    const V sl = I::widenLow(src), sh = I::widenHigh(src);
    return I::narrow(alphaLanes<I>(I::widenLow(d), sl, I::spreadAlpha(sl)),
                     alphaLanes<I>(I::widenHigh(d), sh, I::spreadAlpha(sh)));
  }
  // With one colour the weight is fixed, and A = 0 changes nothing: such calls
  // write nothing at all.
  static bool leavesDestination(Color c) { return (c >> 24) == 0; }
};

// One colour, widened: (d*keep + s*A) >> 8 with keep = 256 - A and s*A fixed.
template <class I>
struct AlphaWidenedMode : AlphaImage<I> {
  using V = typename I::V;
  V keep, add;  // 16-bit lanes
  explicit AlphaWidenedMode(Color c)
      : keep(I::splat16(256 - static_cast<int>(c >> 24))),
        add(I::mullo16(I::widenLow(I::splat(c)), I::splat16(static_cast<int>(c >> 24)))) {}
  V solid(V d) const {
    return I::narrow(I::shiftRight8(I::add16(I::mullo16(I::widenLow(d), keep), add)),
                     I::shiftRight8(I::add16(I::mullo16(I::widenHigh(d), keep), add)));
  }
};

// One colour, in place, where I has the byte multiply-add (unsigned bytes times
// signed bytes, pairs summed to 16 bits). Once A > 0, keep = 256 - A fits a byte;
// d is biased to the signed d - 128 and 128*keep folded into the constant, so the
// even and odd bytes of each 16-bit lane cost one multiply-add each, with no
// unpacking. The sum d*keep + s*A lies in 0..65280, so the wrap-around of the
// 16-bit constant cancels out. The odd bytes' sum already holds its result in the
// high byte; only the even ones need a shift.
template <class I>
struct AlphaInPlaceMode : AlphaImage<I> {
  using V = typename I::V;
  V weightEven, weightOdd, addEven, addOdd;
  explicit AlphaInPlaceMode(Color c) {
    const int a = static_cast<int>(c >> 24), keep = (256 - a) & 0xFF;
    weightEven = I::splat16(keep);
    weightOdd = I::splat16(keep << 8);
    const V sa = I::splat16(a), bias = I::splat16(128 * keep);
    addEven = I::add16(I::mullo16(I::evenBytes(I::splat(c)), sa), bias);
    addOdd = I::add16(I::mullo16(I::oddBytes(I::splat(c)), sa), bias);
  }
  V solid(V d) const {
    const V biased = I::flipTopBits(d);
    const V even = I::add16(I::multiplyAddBytes(weightEven, biased), addEven);
    const V odd = I::add16(I::multiplyAddBytes(weightOdd, biased), addOdd);
    return I::withHighBytes(I::shiftRight8(even), odd);
  }
};

template <class I>
using AlphaMode =
    std::conditional_t<I::hasMultiplyAddBytes, AlphaInPlaceMode<I>, AlphaWidenedMode<I>>;

// Multiply: floor(d*s / 256).
template <class I>
struct MultiplyMode {
  using V = typename I::V;
  static constexpr bool readsDestination = true;
  V s;  // the colour's bytes in 16-bit lanes
  explicit MultiplyMode(Color c) : s(I::widenLow(I::splat(c))) {}
  V solid(V d) const {
    return I::narrow(multiplyLanes<I>(I::widenLowShifted(d), s),
                     multiplyLanes<I>(I::widenHighShifted(d), s));
  }
  static V image(V d, V src) {
    return I::narrow(multiplyLanes<I>(I::widenLowShifted(d), I::widenLow(src)),
                     multiplyLanes<I>(I::widenHighShifted(d), I::widenHigh(src)));
  }
};

// Screen: 255 - floor((255 - d)*(255 - s) / 256), where 255 - x is x ^ 0xFF. Only
// colours: images have no Screen.
template <class I>
struct ScreenMode {
  using V = typename I::V;
  static constexpr bool readsDestination = true;
  V inverse;  // 255 - s in 16-bit lanes
  explicit ScreenMode(Color c) : inverse(I::widenLow(I::splat(~c))) {}
  V solid(V d) const {
    const V n = I::invert(d);
    return I::invert(I::narrow(multiplyLanes<I>(I::widenLowShifted(n), inverse),
                               multiplyLanes<I>(I::widenHighShifted(n), inverse)));
  }
};

}  // namespace simd
