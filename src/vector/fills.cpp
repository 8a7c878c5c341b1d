// Full-view fills and colour utilities. The fills hand whole views to the span and
// rectangle kernels in as few calls as possible: a view as wide as its surface is one
// contiguous block of memory and goes to a single span.

#include "vector/fills.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "blend/dispatch.h"
#include "noise/random.h"
#include "surface/surface.h"

Color borderColour = 0xFF000000u;

namespace {

constexpr std::uint32_t randomMultiplier2 = 282475249u;   // 16807^2 mod 2^32
constexpr std::uint32_t randomMultiplier3 = 1622647863u;  // 16807^3 mod 2^32

bool viewHasPixels() { return backBuffer.firstPixelAddress != nullptr && backBuffer.viewArea > 0; }

Color* firstViewPixel() { return reinterpret_cast<Color*>(backBuffer.firstPixelAddress); }

// Fills the view with one colour: one span when the view is contiguous, else one
// rectangle. Both kernels give the same pixels; the span skips the row walk.
void fillWholeView(Color colour, int mode) {
  const BackBuffer& b = backBuffer;
  if (!viewHasPixels()) return;
  if (b.viewIsFullWidth) {
    fill_span(firstViewPixel(), colour, b.viewArea, mode);
  } else {
    fill_rect(0, 0, b.viewMaxX, b.viewMaxY, colour, mode);
  }
}

int channel(Color c, int shift) { return static_cast<int>((c >> shift) & 0xFFu); }

int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// A channel moved by a random offset trunc(base + 0.5), saturated. Done in double
// so that no amount can overflow an int; for every amount that fits a byte the
// arithmetic is exact, so the order of the terms does not matter.
int offsetChannel(int value, double base) {
  const double v = value + std::trunc(base + 0.5);
  return v < 0.0 ? 0 : (v > 255.0 ? 255 : static_cast<int>(v));
}

}  // namespace

// ---- whole-view fills ----------------------------------------------------------

void fillView(Color colour, int mode) {
  if (!viewHasPixels()) return;
  fill_rect(0, 0, backBuffer.viewWidth, backBuffer.viewHeight, colour, mode);
}

void clearView() { fillWholeView(backBuffer.clearColour, BLEND_COPY); }

void fadeView(std::uint32_t a) {
  const Color alpha = ((1u - a) & 0xFFu) << 24;
  fillWholeView((backBuffer.clearColour & 0x00FFFFFFu) | alpha, BLEND_ALPHA);
}

void fillOutsideView() {
  BackBuffer& b = backBuffer;
  if (!b.pixels || b.surfaceWidth < 1 || b.surfaceHeight < 1) return;
  Color* const start = reinterpret_cast<Color*>(b.pixels);
  Color* const end = start + static_cast<std::ptrdiff_t>(b.surfaceWidth) * b.surfaceHeight;
  b.fullPresentPending = 1;
  if (!viewHasPixels()) {
    std::fill(start, end, borderColour);
    return;
  }
  // Memory order: the block before the view, the gaps between its rows, the block
  // after it. The view's rows lie |rowStep| apart whichever way up the surface is.
  Color* const first = firstViewPixel();
  Color* const last = reinterpret_cast<Color*>(b.lastPixelAddress);
  std::fill(start, first, borderColour);
  std::fill(last + 1, end, borderColour);
  const int gap = b.surfaceWidth - b.viewWidth;
  if (gap > 0) {
    Color* rowEnd = first + b.viewWidth;
    for (int r = 0; r + 1 < b.viewHeight; ++r, rowEnd += b.surfaceWidth) {
      std::fill(rowEnd, rowEnd + gap, borderColour);
    }
  }
}

// ---- colour arithmetic --------------------------------------------------------

Color packRGB(int r, int g, int b) {
  return 0xFF000000u | static_cast<Color>(clampByte(r)) << 16 |
         static_cast<Color>(clampByte(g)) << 8 | static_cast<Color>(clampByte(b));
}

Color lerpColor(Color a, Color b, int w) {
  w = std::clamp(w, 0, 256);
  Color result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int ca = channel(a, shift);
    const int cb = channel(b, shift);
    // Never negative: a * 256 outweighs (b - a) * w for w up to 256.
    const int mixed = (ca * 256 + (cb - ca) * w) >> 8;
    result |= static_cast<Color>(mixed) << shift;
  }
  return result;
}

Color jitterColor(Color c, int amount) {
  if (amount == 0) return c;
  // Three steps at once; each channel reads the seed of its own step.
  const std::uint32_t old = RandomSeed;
  RandomSeed = old * randomMultiplier3;
  const double vr = randomValueOf(RandomSeed);
  const double vg = randomValueOf(old * randomMultiplier2);
  const double vb = randomValueOf(old * randomMultiplier);
  const double a = amount;
  return packRGB(offsetChannel(channel(c, 16), -a + 2.0 * a * vr),
                 offsetChannel(channel(c, 8), -a + 2.0 * a * vg),
                 offsetChannel(channel(c, 0), -a + 2.0 * a * vb));
}

Color jitterGray(Color c, int amount) {
  if (amount == 0) return c;
  const double v = nextRandom();
  const double a = amount;
  const double base = 2.0 * a * v - a;
  return packRGB(offsetChannel(channel(c, 16), base), offsetChannel(channel(c, 8), base),
                 offsetChannel(channel(c, 0), base));
}

// ---- dot mosaic -----------------------------------------------------------------

void drawDotMosaic(int x, int y, int mode, int width, int height, const Color* pixels, int dotSize,
                   int gap, int slant) {
  constexpr int maxDotSize = 65536;
  // Centres further out than this cannot reach any view and would not fit an int.
  constexpr double farCentre = 16777216.0;  // 2^24
  if (!pixels || width < 1 || height < 1 || dotSize < 0 || dotSize > maxDotSize) return;
  if (!viewHasPixels()) return;
  const float r = static_cast<float>(dotSize * 0.5);
  // Wide enough that no pitch or offset below can overflow; exact below 2^53.
  const double pitch = static_cast<double>(dotSize) + gap;
  const double x0 = std::trunc(x + r + 0.501);
  const double y0 = std::trunc(y + r + 0.501);
  for (int i = 0; i < height; ++i) {
    const double rowY = y0 + i * pitch;
    if (std::fabs(rowY) > farCentre) continue;
    // Slant 347 staggers the rows instead: odd rows move half a pitch right.
    const double rowX = slant == 347 ? x0 + (static_cast<std::int64_t>((i & 1) * pitch) >> 1)
                                     : x0 + static_cast<double>(slant) * (height - 1 - i);
    const Color* row = pixels + static_cast<std::ptrdiff_t>(i) * width;
    for (int j = 0; j < width; ++j) {
      const double cx = rowX + j * pitch;
      if (std::fabs(cx) > farCentre) continue;
      fill_disc_aa(static_cast<int>(cx), static_cast<int>(rowY), r, row[j], mode);
    }
  }
}
