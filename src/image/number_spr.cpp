// Each digit is drawn by aiming the picture's pixel pointer at its cell for a moment
// and drawing the picture one cell tall; the pointer and height are put back after.

#include "image/number_spr.h"

#include <algorithm>
#include <climits>

NumberSPR::NumberSPR(const wchar_t* pictureName, const wchar_t* maskName) {
  Load(pictureName, maskName);
}

void NumberSPR::Load(const wchar_t* pictureName, const wchar_t* maskName) {
  picture = std::make_unique<BaseSPR>(pictureName, maskName, -1, -1);
  advance = picture->width + 2;
  cellHeight = picture->height / numberCells;
  SetDigits(digits);
}

void NumberSPR::SetDigits(int n) {
  digits = std::clamp(n, 0, numberDigitLimit);
  // At most 256 x (16384 + 2): far inside an int.
  blockWidth = digits * advance;
  blockHeight = cellHeight;
}

void NumberSPR::Place(int x, int y, int flags) {
  mode = flags & drawModeMask;
  const int p = picture ? picture->pixelSize : 0, g = picture ? picture->gap : 1;
  placeRect(x, y, blockWidth, blockHeight, flags, p, g, x0, y0, x1, y1);
}

void NumberSPR::Draw(unsigned value) {
  if (!picture || !picture->pixels || cellHeight == 0 || x1 < x0) return;
  BaseSPR& cells = *picture;
  Color* const allPixels = cells.pixels;
  const int allHeight = cells.height;
  cells.height = cellHeight;

  const long long p = cells.pixelSize, g = cells.gap;
  const long long step = p != 0 ? (advance - 1LL) * (p + g) : advance;
  const long long drawnHeight = p != 0 ? cellHeight * (p + g) : cellHeight;
  long long x = x1 - step + 1;
  const long long y = y1 - drawnHeight + 1;
  const int cellMode = mode == BLEND_COPY && cells.alphaFlag ? BLEND_ALPHA : mode;
  for (int i = 0; i < digits; ++i) {
    const int cell = value == 0 ? numberBlankCell : static_cast<int>(value % 10);
    // A position beyond an int is off every view: skipped, never wrapped.
    if (x >= INT_MIN && x <= INT_MAX && y >= INT_MIN && y <= INT_MAX) {
      cells.pixels = allPixels + static_cast<std::size_t>(cell) * cellHeight * cells.width;
      cells.mode = cellMode;
      cells.Place(static_cast<int>(x), static_cast<int>(y), cellMode);
      cells.Draw(-1);
    }
    x -= step;
    value /= 10;
  }
  cells.pixels = allPixels;
  cells.height = allHeight;
}

void NumberSPR::Free() {
  if (picture) picture->Free();
}
