// The scalar kernel set: the reference the vector sets are tested against, and the
// set used where no vector set is built. Every kernel is a plain loop over the
// per-pixel formulas of formulas.h.

#include "blend/formulas.h"
#include "blend/kernels.h"

namespace {

using PixelFormula = Color (*)(Color d, Color s);

template <PixelFormula F>
void imageRows(Color* d, const Color* s, int sourceRowLength, int width, int height, int rowStep) {
  for (int y = 0; y < height; ++y, d = stepRow(d, rowStep), s += sourceRowLength)
    for (int x = 0; x < width; ++x) d[x] = F(d[x], s[x]);
}

template <PixelFormula F>
void span(Color* d, Color colour, int count) {
  for (int x = 0; x < count; ++x) d[x] = F(d[x], colour);
}

template <PixelFormula F>
void rect(Color* d, Color colour, int width, int height, int rowStep) {
  for (int y = 0; y < height; ++y, d = stepRow(d, rowStep)) span<F>(d, colour, width);
}

template <PixelFormula F>
void column(Color* d, Color colour, int count, int rowStep) {
  for (int y = 0; y < count; ++y, d = stepRow(d, rowStep)) *d = F(*d, colour);
}

template <PixelFormula F>
void pixel(Color* d, Color colour) {
  *d = F(*d, colour);
}

template <PixelFormula... F>
constexpr BlendKernels makeSet(const char* name) {
  return BlendKernels{name,           {imageRows<F>...}, {rect<F>...},       {span<F>...},
                      {column<F>...}, {pixel<F>...},     span<px::copyPixel>};
}

// Slot 0 is Copy; images have no Screen, so their slot 10 copies too.
constexpr BlendKernels makeScalarSet() {
  BlendKernels k = makeSet<px::copyPixel, px::copyPixel, px::alphaPixel, px::addPixel,
                           px::subtractPixel, px::multiplyPixel, px::averagePixel, px::mix75Pixel,
                           px::mix25Pixel, px::lightenPixel, px::screenPixel>("scalar");
  k.imageRows[10] = imageRows<px::copyPixel>;
  return k;
}

}  // namespace

constinit const BlendKernels scalarKernels = makeScalarSet();
