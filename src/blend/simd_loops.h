// The loops shared by the vector kernel sets. A set supplies one instruction
// record: the vector type, its width in pixels, loads and stores of one, two, four
// and a whole vector of pixels, and the lane operations the modes of
// simd_modes.h use; these templates walk spans, rectangles, columns and image
// rows with them.
//
// A long span first writes one, two (and, for eight-pixel vectors, four) pixels
// so that the rest starts on a vector boundary, then goes four vectors per step,
// then two, one, four pixels, two, one. Short spans go four, two, one. Every
// partial step runs the mode's full-vector arithmetic on a partly filled register;
// lanes never mix, so each pixel gets exactly the result it would get in a vector.
// Copy spans, which read nothing, are stored as overlapping whole vectors instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include <emmintrin.h>

#include "blend/kernels.h"
#include "blend/simd_modes.h"

namespace simd {

// Runs at least this long are worth aligning first.
constexpr int alignFrom = 28;
// Plain fills of at least this many pixels bypass the caches (4 MiB, half the last
// level cache; the sky above the waves of a 1920x1080 view), and so do plain spans
// longer than a row of a 1920-pixel view: such rows belong to views whose frame does
// not stay in the cache from one fill to the next. Measured on the frame: the sky of
// 1920x1080 streamed, 4.6-4.8 -> 4.3 ms; 3840x2160 17.5 -> 13.5 ms with the spans;
// spans from 1024 pixels saved 0.7 ms more there but streamed the rows of
// 1920x1080, which lost time. The threshold went from 8 to 4 MiB when the sky left
// out the rows under the waves, which no longer reached it at 1920x1080.
constexpr std::int64_t streamFrom = std::int64_t{1} << 20;
constexpr int streamSpanFrom = 2048;

template <class M>
struct Loops {
  using V = typename M::V;
  static constexpr int L = M::lanes;

  // NOTE: modes that use d twice (Mix25) would otherwise load it twice from
  // memory; measured, that made Mix25's full-view fill 1.3 times slower than
  // Mix75's with AVX2.
  static V inRegister(V v) {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
    asm("" : "+x"(v));
#endif
    return v;
  }

  // ---- one step of a given width: blend d (and s) into d ----
  template <class Mode, V (*Load)(const Color*), void (*Store)(Color*, V)>
  static void solidStep(Color* d, const Mode& m) {
    if constexpr (Mode::readsDestination) {
      Store(d, m.solid(inRegister(Load(d))));
    } else {
      Store(d, m.solid(V()));
    }
  }
  template <class Mode, V (*Load)(const Color*), void (*Store)(Color*, V)>
  static void imageStep(Color* d, const Color* s) {
    if constexpr (Mode::readsDestination) {
      Store(d, Mode::image(Load(d), Load(s)));
    } else {
      Store(d, Mode::image(V(), Load(s)));
    }
  }

  // ---- spans of one colour ----

  // Copy writes the same value wherever it writes, so a span's ends can be stored
  // as whole vectors that overlap the body instead of pixel by pixel: no branch
  // depends on the span's alignment or on its length modulo the vector. On the
  // runs of a frame's wave layers that fills about twice as fast.
  static void copySpan(Color* d, V v, int n) {
    Color* const end = d + n;
    if (n < L) {
      if (L == 8 && n >= 4) {
        M::storeFour(d, v);
        M::storeFour(end - 4, v);
      } else if (n >= 2) {
        M::storeTwo(d, v);
        M::storeTwo(end - 2, v);
      } else if (n == 1) {
        M::storeOne(d, v);
      }
      return;
    }
    M::store(d, v);
    M::store(end - L, v);
    if (n <= 2 * L) return;
    M::store(d + L, v);
    M::store(end - 2 * L, v);
    if (n <= 4 * L) return;
    // The first vector boundary after d: the head store above reaches it.
    auto* p = reinterpret_cast<Color*>((reinterpret_cast<std::uintptr_t>(d) + L * 4) &
                                       ~std::uintptr_t{L * 4 - 1});
    for (Color* const bodyEnd = end - 4 * L; p < bodyEnd; p += 4 * L) {
      M::storeAligned(p, v);
      M::storeAligned(p + L, v);
      M::storeAligned(p + 2 * L, v);
      M::storeAligned(p + 3 * L, v);
    }
    M::store(end - 4 * L, v);
    M::store(end - 3 * L, v);
  }

  template <class Mode>
  static void span(Color* d, const Mode& mode, int n) {
    if constexpr (std::is_same_v<Mode, CopyMode<M>>) {
      copySpan(d, mode.s, n);
      return;
    }
    // A local copy: vector stores may alias anything, so members read through the
    // reference would be reloaded after every store.
    const Mode m = mode;
    if (n >= alignFrom) {
      // Head: single pixels until the destination sits on a vector boundary.
      if (reinterpret_cast<std::uintptr_t>(d) & 4) {
        solidStep<Mode, M::loadOne, M::storeOne>(d, m);
        d += 1;
        n -= 1;
      }
      if (reinterpret_cast<std::uintptr_t>(d) & 8) {
        solidStep<Mode, M::loadTwo, M::storeTwo>(d, m);
        d += 2;
        n -= 2;
      }
      if constexpr (L == 8) {
        if (reinterpret_cast<std::uintptr_t>(d) & 16) {
          solidStep<Mode, M::loadFour, M::storeFour>(d, m);
          d += 4;
          n -= 4;
        }
      }
      // Body: four aligned vectors per step, then two, then one.
      for (; n >= 4 * L; n -= 4 * L, d += 4 * L) {
        solidStep<Mode, M::loadAligned, M::storeAligned>(d, m);
        solidStep<Mode, M::loadAligned, M::storeAligned>(d + L, m);
        solidStep<Mode, M::loadAligned, M::storeAligned>(d + 2 * L, m);
        solidStep<Mode, M::loadAligned, M::storeAligned>(d + 3 * L, m);
      }
      if (n & 2 * L) {
        solidStep<Mode, M::loadAligned, M::storeAligned>(d, m);
        solidStep<Mode, M::loadAligned, M::storeAligned>(d + L, m);
        d += 2 * L;
      }
      if (n & L) {
        solidStep<Mode, M::loadAligned, M::storeAligned>(d, m);
        d += L;
      }
      n &= L - 1;
    }
    // Tail (and short runs): four, two, one.
    for (; n >= 4; n -= 4, d += 4) solidStep<Mode, M::loadFour, M::storeFour>(d, m);
    if (n & 2) {
      solidStep<Mode, M::loadTwo, M::storeTwo>(d, m);
      d += 2;
    }
    if (n & 1) solidStep<Mode, M::loadOne, M::storeOne>(d, m);
  }

  // ---- rows of source pixels: the destination is aligned, the source read as it lies ----
  template <class Mode>
  static void imageRow(Color* d, const Color* s, int n) {
    if (n >= alignFrom) {
      if (reinterpret_cast<std::uintptr_t>(d) & 4) {
        imageStep<Mode, M::loadOne, M::storeOne>(d, s);
        d += 1, s += 1, n -= 1;
      }
      if (reinterpret_cast<std::uintptr_t>(d) & 8) {
        imageStep<Mode, M::loadTwo, M::storeTwo>(d, s);
        d += 2, s += 2, n -= 2;
      }
      if constexpr (L == 8) {
        if (reinterpret_cast<std::uintptr_t>(d) & 16) {
          imageStep<Mode, M::loadFour, M::storeFour>(d, s);
          d += 4, s += 4, n -= 4;
        }
      }
      for (; n >= 2 * L; n -= 2 * L, d += 2 * L, s += 2 * L) {
        imageStep<Mode, M::load, M::storeAligned>(d, s);
        imageStep<Mode, M::load, M::storeAligned>(d + L, s + L);
      }
      if (n & L) {
        imageStep<Mode, M::load, M::storeAligned>(d, s);
        d += L, s += L;
      }
      n &= L - 1;
    }
    for (; n >= 4; n -= 4, d += 4, s += 4) imageStep<Mode, M::loadFour, M::storeFour>(d, s);
    if (n & 2) {
      imageStep<Mode, M::loadTwo, M::storeTwo>(d, s);
      d += 2, s += 2;
    }
    if (n & 1) imageStep<Mode, M::loadOne, M::storeOne>(d, s);
  }

  // ---- the kernel families ----
  template <class Mode>
  static void imageRowsKernel(Color* d, const Color* s, int sourceRowLength, int width, int height,
                              int rowStep) {
    for (int y = 0; y < height; ++y, d = stepRow(d, rowStep), s += sourceRowLength)
      imageRow<Mode>(d, s, width);
  }
  // Modes may declare colours that change nothing; their calls write nothing.
  template <class Mode>
  static bool skips(Color colour) {
    if constexpr (requires { Mode::leavesDestination(colour); }) {
      return Mode::leavesDestination(colour);
    } else {
      return false;
    }
  }
  // A plain fill larger than the caches: its stores bypass them, which saves reading
  // each line before it is written. Smaller fills stay in the cache for the drawing
  // that follows them. Only whole 64-byte lines are streamed: a line streamed in part
  // leaves memory to merge it, which cost more than the cached stores of the ends
  // (1920x1080 frame 2.52-2.61 -> 2.32-2.40 ms, 3840x2160 6.45-6.66 -> 5.78-6.11).
  static void streamRow(Color* d, Color colour, int width) {
    const __m128i v = _mm_set1_epi32(static_cast<int>(colour));
    int i = 0;
    for (; i < width && (reinterpret_cast<std::uintptr_t>(d + i) & 63) != 0; ++i) d[i] = colour;
    for (; i + 16 <= width; i += 16) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(d + i), v);
      _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 4), v);
      _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 8), v);
      _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 12), v);
    }
    for (; i < width; ++i) d[i] = colour;
  }
  template <class Mode>
  static void rectKernel(Color* d, Color colour, int width, int height, int rowStep) {
    if (skips<Mode>(colour)) return;
    if constexpr (!Mode::readsDestination) {
      if (std::int64_t{width} * height >= streamFrom) {
        // Rows in memory order, bottom row first on a bottom-up surface: measured
        // 0.6-1 ms faster of 12-13 at 3840x2160 and 4-5 of 40-46 at 7680x4320.
        if (rowStep < 0) {
          d = reinterpret_cast<Color*>(reinterpret_cast<std::uint8_t*>(d) +
                                       std::ptrdiff_t{rowStep} * (height - 1));
          rowStep = -rowStep;
        }
        for (int y = 0; y < height; ++y, d = stepRow(d, rowStep)) streamRow(d, colour, width);
        _mm_sfence();
        return;
      }
    }
    const Mode m(colour);
    for (int y = 0; y < height; ++y, d = stepRow(d, rowStep)) span(d, m, width);
  }
  static void streamedCopyKernel(Color* d, Color colour, int count) {
    streamRow(d, colour, count);
    _mm_sfence();
  }
  template <class Mode>
  static void spanKernel(Color* d, Color colour, int count) {
    if (skips<Mode>(colour)) return;
    if constexpr (!Mode::readsDestination) {
      if (count >= streamSpanFrom) {
        streamedCopyKernel(d, colour, count);
        return;
      }
    }
    span(d, Mode(colour), count);
  }
  template <class Mode>
  static void columnKernel(Color* d, Color colour, int count, int rowStep) {
    if (skips<Mode>(colour)) return;
    const Mode m(colour);
    for (int y = 0; y < count; ++y, d = stepRow(d, rowStep))
      solidStep<Mode, M::loadOne, M::storeOne>(d, m);
  }
  template <class Mode>
  static void pixelKernel(Color* d, Color colour) {
    if (skips<Mode>(colour)) return;
    solidStep<Mode, M::loadOne, M::storeOne>(d, Mode(colour));
  }
};

// Images have no Screen: a mode record without image() leaves its slot to Copy.
template <class Mode>
concept BlendsImages = requires {
  &Mode::image;
};
template <class Mode, class Copy>
using ImageMode = std::conditional_t<BlendsImages<Mode>, Mode, Copy>;

// One set from the mode records: slot 0 is Copy, then modes 1..10 in order.
template <class Lp, class Copy, class... Modes>
constexpr BlendKernels makeSetFrom(const char* name) {
  return BlendKernels{name,
                      {Lp::template imageRowsKernel<Copy>, Lp::template imageRowsKernel<Copy>,
                       Lp::template imageRowsKernel<ImageMode<Modes, Copy>>...},
                      {Lp::template rectKernel<Copy>, Lp::template rectKernel<Copy>,
                       Lp::template rectKernel<Modes>...},
                      {Lp::template spanKernel<Copy>, Lp::template spanKernel<Copy>,
                       Lp::template spanKernel<Modes>...},
                      {Lp::template columnKernel<Copy>, Lp::template columnKernel<Copy>,
                       Lp::template columnKernel<Modes>...},
                      {Lp::template pixelKernel<Copy>, Lp::template pixelKernel<Copy>,
                       Lp::template pixelKernel<Modes>...},
                      Lp::streamedCopyKernel};
}

// The whole set of one instruction record.
template <class I>
constexpr BlendKernels makeKernelSet(const char* name) {
  return makeSetFrom<Loops<I>, CopyMode<I>, AlphaMode<I>, AddMode<I>, SubtractMode<I>,
                     MultiplyMode<I>, AverageMode<I>, Mix75Mode<I>, Mix25Mode<I>, LightenMode<I>,
                     ScreenMode<I>>(name);
}

}  // namespace simd
