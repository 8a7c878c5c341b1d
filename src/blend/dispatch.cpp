// The clipped rectangle and image entry points, the copy out of the view, and the
// unclipped per-address calls. Each picks its kernel once, by a table look-up.

#include "blend/dispatch.h"

#include <cstdint>
#include <cstring>

#include "blend/kernels.h"
#include "surface/surface.h"

void fill_rect(int x1, int y1, int x2, int y2, Color colour, int mode) {
  const BackBuffer& b = backBuffer;
  if (x1 < 0) x1 = 0;
  if (x2 > b.viewMaxX) x2 = b.viewMaxX;
  if (y1 < 0) y1 = 0;
  if (y2 > b.viewMaxY) y2 = b.viewMaxY;
  if (x1 > x2 || y1 > y2) return;
  // Rows in memory order: each pixel is blended on its own, so the order changes
  // nothing but the speed (walking a bottom-up surface downwards costs twice the time).
  const bool upwards = b.rowStep < 0;
  Color* first = viewPixel(x1, upwards ? y2 : y1);
  const int step = upwards ? -b.rowStep : b.rowStep;
  if (x1 == x2) {
    blend_column(first, colour, y2 - y1 + 1, step, mode);
  } else {
    blend_rect(first, colour, x2 - x1 + 1, y2 - y1 + 1, step, mode);
  }
}

void blit_image(int x1, int y1, int x2, int y2, const Color* source, int mode,
                int sourceRowLength) {
  const BackBuffer& b = backBuffer;
  if (!source) return;
  // 64-bit so that extreme corners cannot overflow the unclipped width or the skip.
  std::int64_t rowLength = sourceRowLength;
  if (sourceRowLength == -1) rowLength = static_cast<std::int64_t>(x2) - x1 + 1;
  if (rowLength < 0 || rowLength > INT32_MAX) return;
  std::int64_t skipColumns = 0, skipRows = 0;
  if (x1 < 0) {
    skipColumns = -static_cast<std::int64_t>(x1);
    x1 = 0;
  }
  if (x2 > b.viewMaxX) x2 = b.viewMaxX;
  if (y1 < 0) {
    skipRows = -static_cast<std::int64_t>(y1);
    y1 = 0;
  }
  if (y2 > b.viewMaxY) y2 = b.viewMaxY;
  // Tested before moving the source so that no pointer is formed past the image.
  if (x1 > x2 || y1 > y2) return;
  source += skipRows * rowLength + skipColumns;
  blend_image_rows(viewPixel(x1, y1), source, static_cast<int>(rowLength), x2 - x1 + 1, y2 - y1 + 1,
                   b.rowStep, mode);
}

void copy_rect_out(Color* destination, int x1, int y1, int x2, int y2) {
  const BackBuffer& b = backBuffer;
  if (x1 == -1) {
    if (!b.firstPixelAddress) return;
    const std::size_t rowBytes = static_cast<std::size_t>(b.viewWidth) * sizeof(Color);
    const std::ptrdiff_t pitch = b.rowStep < 0 ? -b.rowStep : b.rowStep;
    const std::uint8_t* row = b.firstPixelAddress;
    for (int y = 0; y < b.viewHeight; ++y, row += pitch, destination += b.viewWidth)
      std::memcpy(destination, row, rowBytes);
    return;
  }
  if (x1 < 0 || y1 < 0 || x2 > b.viewMaxX || y2 > b.viewMaxY || x1 > x2 || y1 > y2) return;
  const int width = x2 - x1 + 1;
  for (int y = y1; y <= y2; ++y, destination += width)
    std::memcpy(destination, viewPixel(x1, y), static_cast<std::size_t>(width) * sizeof(Color));
}

void plot_pixel(Color* address, Color colour, int mode) { blend_pixel(address, colour, mode); }

void fill_span(Color* address, Color colour, int count, int mode) {
  if (count > 0) blend_span(address, colour, count, mode);
}

void fill_column(Color* address, Color colour, int count, int mode) {
  if (count > 0) blend_column(address, colour, count, backBuffer.rowStep, mode);
}

void blit_row(Color* destination, const Color* source, int count, int mode) {
  if (count > 0) blend_image_rows(destination, source, count, count, 1, 0, mode);
}
