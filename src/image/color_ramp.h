// A colour ramp: a list of colours read from a picture one pixel wide or built
// between two colours, sampled at any number of levels and filled down the rows of
// a rectangle.
#pragma once

#include <vector>

#include "blend/color.h"

constexpr int colorRampLimit = 16384;  // colours at most (the tallest picture)

// A column of colours, spread over rows or sampled by level.
class ColorRamp {
 public:
  int count = 0;              // colours in the ramp
  std::vector<Color> colors;  // top first
  Color tint = 0xFFFFFFFF;    // multiplied into the colours that FillRows writes

  ColorRamp() = default;
  explicit ColorRamp(const wchar_t* pictureName);  // LoadFile(pictureName)

  // Empties the ramp, then reads the picture's column top to bottom (alpha forced
  // opaque). A picture of another width, or none, shows the run-time error box and
  // leaves the ramp empty. An empty or null name does nothing more. True with colours.
  bool LoadFile(const wchar_t* pictureName);
  // Copies `n` colours; null, n < 1 or n > colorRampLimit empty the ramp and give false.
  bool SetColors(const Color* source, int n);
  // n colours from a to b; curve 0 is even. n < 1 (or above the limit) empties the
  // ramp and gives false; n = 1 gives just a.
  bool Build(Color a, Color b, int n, float curve);
  // Level `index` of `levels` levels spread over the ramp. The index is kept within
  // 0 .. levels - 1; fewer than three levels (unless equal to the count) blend
  // nothing: level 0 is the first colour, level 1 of 2 the last. An empty ramp gives 0.
  Color Sample(int index, int levels) const;
  // Rows y0 .. y1, columns x0 .. x1, clipped to the view, each row its level of the
  // ramp spread over the rows, tinted. y0, x1 and y1 all 0: the view inset by x0.
  void FillRows(int x0, int y0, int x1, int y1) const;
  void Free();  // empties the ramp
};
