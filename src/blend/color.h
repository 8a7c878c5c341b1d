// Colours and blend modes, the vocabulary of every drawing call.
#pragma once

#include <cstdint>

// 0xAARRGGBB; in memory the bytes blue, green, red, alpha.
using Color = std::uint32_t;

// The mode passed with every drawing call. Any value outside 1..10 draws as Copy.
enum BlendMode : int {
  BLEND_COPY = 1,
  BLEND_ALPHA = 2,
  BLEND_ADD = 3,
  BLEND_SUBTRACT = 4,
  BLEND_MULTIPLY = 5,
  BLEND_AVERAGE = 6,
  BLEND_MIX75 = 7,
  BLEND_MIX25 = 8,
  BLEND_LIGHTEN = 9,
  BLEND_SCREEN = 10,
};
