// The golden frames' hash: FNV-1a over blue, green and red of each pixel, top row
// first, alpha left out, checked against FNV-1a of "abcdef" from a plain one.

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/common/surface_memory.h"

TEST(FrameHash, IsFnv1aOverTheColourBytesTopRowFirst) {
  // Two pixels, one a row, stored bottom row first: "abc" on top, "def" below,
  // alphas that must not count.
  const std::uint8_t bottomUp[] = {'d', 'e', 'f', 0x00, 'a', 'b', 'c', 0xFF};
  const std::uint64_t fnvOfAbcdef = 0xd80bda3fbe244a0aull;
  EXPECT_EQ(emu::hashPixels(bottomUp + 4, -4, 1, 2), fnvOfAbcdef);
  emu::Canvas canvas;
  canvas.resize(2, 1);
  canvas.pixels = {0x7F636261u, 0x00666564u};  // 'a' 'b' 'c' then 'd' 'e' 'f', low byte first
  EXPECT_EQ(emu::hashCanvas(canvas), fnvOfAbcdef);
}
