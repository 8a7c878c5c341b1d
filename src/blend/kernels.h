// Blend kernels: one mode applied to a pixel, a span, a column, a rectangle of one
// colour or rows of source pixels. A kernel set holds one member per mode and
// family, indexed by mode; slot 0 and every value outside 1..10 resolve to Copy.
// Kernels never clip: every pixel they are given lies inside its surface.
#pragma once

#include <cstdint>

#include "blend/color.h"

// Row steps are signed byte distances (negative on a bottom-up surface). Height
// and column count are at least 1; width and span count may be 0.
using ImageRowsKernel = void (*)(Color* destination, const Color* source, int sourceRowLength,
                                 int width, int height, int rowStep);
using RectKernel = void (*)(Color* destination, Color colour, int width, int height, int rowStep);
using SpanKernel = void (*)(Color* destination, Color colour, int count);
using ColumnKernel = void (*)(Color* destination, Color colour, int count, int rowStep);
using PixelKernel = void (*)(Color* destination, Color colour);

constexpr int kernelSlots = 11;

// The pixel one row step away (rowStep in bytes, either sign).
inline Color* stepRow(Color* p, int rowStep) {
  return reinterpret_cast<Color*>(reinterpret_cast<std::uint8_t*>(p) + rowStep);
}

struct BlendKernels {
  const char* name;                        // "scalar", "sse2", "avx2"
  ImageRowsKernel imageRows[kernelSlots];  // slot 10 copies: images have no Screen
  RectKernel rect[kernelSlots];
  SpanKernel span[kernelSlots];
  ColumnKernel column[kernelSlots];
  PixelKernel pixel[kernelSlots];
  // Copy whose stores bypass the caches, for pixels nothing reads again soon; the
  // bytes are Copy's.
  SpanKernel streamedCopy;
};

// Slot of a mode in the colour families: 1..10, anything else Copy.
constexpr int modeSlot(int mode) { return static_cast<unsigned>(mode) - 1u < 10u ? mode : 1; }
// Slot of a mode in the image family: 2..9, anything else (Screen included) Copy.
constexpr int imageModeSlot(int mode) { return static_cast<unsigned>(mode) - 2u < 8u ? mode : 1; }

// ---- kernel sets ------------------------------------------------------------
extern const BlendKernels scalarKernels;   // the reference, always complete
const BlendKernels* sse2KernelSet();       // null where the build has no SSE2
const BlendKernels* avx2KernelSet();       // null unless x86-64 and the CPU has AVX2
extern const BlendKernels* activeKernels;  // the widest set this CPU runs

// ---- the five families, one table look-up per call --------------------------
inline void blend_image_rows(Color* destination, const Color* source, int sourceRowLength,
                             int width, int height, int rowStep, int mode) {
  activeKernels->imageRows[imageModeSlot(mode)](destination, source, sourceRowLength, width, height,
                                                rowStep);
}
inline void blend_rect(Color* destination, Color colour, int width, int height, int rowStep,
                       int mode) {
  activeKernels->rect[modeSlot(mode)](destination, colour, width, height, rowStep);
}
inline void blend_span(Color* destination, Color colour, int count, int mode) {
  activeKernels->span[modeSlot(mode)](destination, colour, count);
}
inline void blend_column(Color* destination, Color colour, int count, int rowStep, int mode) {
  activeKernels->column[modeSlot(mode)](destination, colour, count, rowStep);
}
inline void blend_pixel(Color* destination, Color colour, int mode) {
  activeKernels->pixel[modeSlot(mode)](destination, colour);
}
