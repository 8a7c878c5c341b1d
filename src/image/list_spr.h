// Pictures laid out one after the other in a row or a column, each with a gap before
// it, the block placed by the anchor rule and each picture aligned inside it.
#pragma once

#include <memory>

#include "image/widget_list.h"

// ---- layout flags (bits 0-3 blend mode, 4-7 the block's anchors) ------------------
constexpr int listColumnDown = 0x4000;   // a column from the top
constexpr int listColumnUp = 0x8000;     // a column stacked upward from the bottom edge
constexpr int listCentreX = 0x100;       // column: each item centred horizontally
constexpr int listRight = 0x200;         // column: each item against the right edge
constexpr int listRightToLeft = 0x1000;  // row: laid from the right edge leftward
constexpr int listTop = 0x400;           // row: each item against the top edge
constexpr int listCentreY = 0x800;       // row: each item centred vertically
constexpr int listBottom = 0xC00;        // row: each item against the bottom edge
// Combinations outside these: 0x4000 with 0x8000 is a column from the top; 0x300 in
// a column centres; 0x2000 is ignored (a row is left to right unless 0x1000 is set).

// A row or column of pictures, placed and drawn as one block.
class ListSPR {
 public:
  int blockWidth = 0, blockHeight = 0;              // the laid-out block
  int flags = 0x4001;                               // the layout flags of the last Place
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;             // the placed block
  int count = 0;                                    // items in the list
  int defaultSpacing = 4;                           // what spacing -1 gives
  std::unique_ptr<BaseSPR> items[widgetListLimit];  // the pictures in order
  int spacing[widgetListLimit] = {};                // gap before each item
  // Called before drawing with the rectangle drawn over (inclusive); may be null.
  void (*backgroundHook)(int x0, int y0, int x1, int y1) = nullptr;
  int x = 0, y = 0;  // position of the last Place

  ListSPR(const wchar_t* name, int spacing);  // a list holding that picture
  ListSPR(const ListSPR&) = delete;
  ListSPR& operator=(const ListSPR&) = delete;

  // Index of the new item, or -1 for a null name or a full list (nothing changes).
  // Spacing -1 is the default spacing, 0 for the very first item.
  int Add(const wchar_t* name, const wchar_t* maskName, int spacing);
  // Add without a mask.
  int Add(const wchar_t* name, int spacing) { return Add(name, nullptr, spacing); }
  // Measures, places the block and every item.
  void Place(int x, int y, int flags);
  // -1: the hook with the block, then every item. An item's index: that item alone at
  // the list's (x, y) and flags, the hook with its rectangle first; its placement is
  // put back after. Any other index draws nothing.
  void Draw(int index);
  int IndexOf(const wchar_t* name) const;  // exact, case-sensitive; -1 when none
  void DrawNamed(const wchar_t* name);     // Draw(IndexOf(name)) when it is there
  void Free();                             // frees every picture; the list is empty
};
