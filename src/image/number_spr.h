// A number shown in right-aligned digit cells, drawn from one picture: a vertical
// strip of 11 equal cells, the digits 0 to 9 and, last, the blank cell that leading
// positions show.
#pragma once

#include <memory>

#include "image/base_spr.h"

constexpr int numberCells = 11;        // digits 0..9 and the blank
constexpr int numberBlankCell = 10;    // the cell of leading positions
constexpr int numberDigitLimit = 256;  // SetDigits keeps n within 0 .. 256

// A number in digit cells of one picture.
class NumberSPR {
 public:
  int blockWidth = 0, blockHeight = 0;   // digits x advance, cell height
  int advance = 0;                       // picture width + 2
  int cellHeight = 0;                    // picture height / 11
  int mode = 1;                          // blend mode of the last Place
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // the placed block
  int digits = 2;                        // positions shown
  std::unique_ptr<BaseSPR> picture;      // the strip of cells

  NumberSPR(const wchar_t* pictureName, const wchar_t* maskName);  // two digits, then Load
  NumberSPR(const NumberSPR&) = delete;
  NumberSPR& operator=(const NumberSPR&) = delete;

  // Replaces the picture (natural size) and derives the cell sizes. A missing picture
  // or one under 11 rows leaves cell height 0, and Draw then draws nothing.
  void Load(const wchar_t* pictureName, const wchar_t* maskName);
  void SetDigits(int n);  // positions shown, kept within 0 .. 256
  // mode = flags & 0xF; the block placed by the anchor rule with the picture's dots.
  void Place(int x, int y, int flags);
  // The value's last `digits` decimal digits from the block's bottom-right corner
  // leftward; leading positions, and every position of 0, show the blank cell.
  void Draw(unsigned value);
  void Free();  // frees the picture; Draw then draws nothing
};
