// The stack of saved view rectangles: overlays save the pixels under them before
// drawing and put them back afterwards, newest first. One process-wide stack whose
// blocks lie back to back in one growing, 16-byte-aligned store.
#pragma once

#include <cstdint>

#include "blend/color.h"

constexpr int savedRectLimit = 256;                      // rectangles at most
constexpr std::uint32_t savedRectStoreBytes = 0xA0000;   // 655,360: the first store
constexpr std::uint32_t savedRectGrowthBytes = 0xA0000;  // slack added when it grows

// One saved rectangle.
struct SavedRect {
  int x1, y1, x2, y2;  // clipped, inclusive view corners as saved
};

// The stack and its store.
struct SavedRectStack {
  int depth = 0;                                     // saved rectangles, 0 .. 256
  SavedRect rects[savedRectLimit] = {};              // entry i: the rectangle of push i
  Color* blocks[savedRectLimit] = {};                // entry i: its first pixel in the store
  std::uint8_t* store = nullptr;                     // allocAligned, 16-byte aligned
  std::uint32_t usedBytes = 0;                       // bytes of the store in use
  std::uint32_t capacityBytes = 0;                   // bytes of the store
  std::uint32_t growthBytes = savedRectGrowthBytes;  // slack added when it grows
};
extern SavedRectStack savedRects;  // the one stack

// ---- the store (registration step) ------------------------------------------
void initSavedRects();  // frees any store, allocates 655,360 bytes, empties the stack
void freeSavedRects();  // frees the store (also done at exit)

// ---- push and pop -------------------------------------------------------------
// Saves the view pixels of (x1, y1)-(x2, y2), clipped to the view. 0 when 256 are
// saved already or the store would pass 4 GiB (nothing changes); otherwise 1, also
// for a rectangle wholly outside the view (then nothing is saved).
int pushRect(int x1, int y1, int x2, int y2);
int popRects(int all);  // 1 restores every rectangle newest first, 0 only the newest
int popRect();          // 0 on an empty stack, else restores the newest and returns 1
int popAllRects();      // 0 on an empty stack, else restores all, empties it, returns 1
