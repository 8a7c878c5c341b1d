// What the sprite widgets share: lists of at most 256 owned pictures, freed in order
// up to the first empty slot, and float positions turned into ints without wrapping.
#pragma once

#include <cmath>
#include <memory>

#include "image/base_spr.h"

constexpr int widgetListLimit = 256;  // entries of any widget list; the 257th add gives -1

// A widget's own pictures, in order up to the first empty slot.
using OwnedPictures = std::unique_ptr<BaseSPR> (&)[widgetListLimit];

// Frees the pictures in order up to the first empty slot and empties the list.
inline void freePictures(OwnedPictures pictures, int& count) {
  for (auto& p : pictures) {
    if (!p) break;
    p.reset();
  }
  count = 0;
}

// v saturated to the int range.
inline int clampToInt(long long v) {
  return static_cast<int>(v < -2147483648LL ? -2147483648LL : v > 2147483647LL ? 2147483647LL : v);
}

// Truncates toward zero; NaN gives 0 and values past the int range saturate.
inline int truncateToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}
