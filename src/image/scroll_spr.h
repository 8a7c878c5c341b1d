// Wrap-around scrolling strips placed along the edges of a view rectangle, each
// resampled to the rectangle's scale when it is added.
#pragma once

#include <memory>

#include "image/widget_list.h"

// ---- which edge a strip runs along (flags & 0xF000; anything else is the left edge)
constexpr int scrollEdgeMask = 0xF000;    // the flags' edge bits
constexpr int scrollRightEdge = 0x1000;   // scrolls vertically
constexpr int scrollTopEdge = 0x4000;     // scrolls horizontally
constexpr int scrollBottomEdge = 0x8000;  // scrolls horizontally

// Strips that scroll with wrap-around along a view rectangle's edges.
class ScrollSPR {
 public:
  int count = 0;                                     // strips in the list
  float xScale = 0.0f, yScale = 0.0f;                // view size / logical size; 0 = no scaling
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;              // the view rectangle, inclusive
  std::unique_ptr<BaseSPR> strips[widgetListLimit];  // the strips in order

  // An empty list with its view rectangle (SetView).
  ScrollSPR(int x, int y, int w, int h, int logicalWidth, int logicalHeight, int flags);
  ScrollSPR(const ScrollSPR&) = delete;
  ScrollSPR& operator=(const ScrollSPR&) = delete;

  // Places the view rectangle (a negative side counts as 0). Logical width -1, or
  // any width <= 0, leaves both scales 0; logical height -1, or <= 0, takes the x
  // scale for y.
  void SetView(int x, int y, int w, int h, int logicalWidth, int logicalHeight, int flags);
  // Index of the new strip, or -1 for a null name or a full list.
  int Add(const wchar_t* name, const wchar_t* maskName, int position, int step, int flags);
  // Add without a mask.
  int Add(const wchar_t* name, int position, int step, int flags) {
    return Add(name, nullptr, position, step, flags);
  }
  void SetDirection(int v);  // last strip: -1 toggles, 0 horizontal, other values vertical
  void Draw(int index);      // -1 every strip, else that strip; other indexes nothing
  void Free();               // frees every strip; the list is empty
};
