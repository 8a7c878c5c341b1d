// A window's picture on the SDL and headless backends, as tests and the headless
// backend's users read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace emu {

// A window's picture: top row first, rows packed.
struct Canvas {
  int width = 0;                      // pixels a row
  int height = 0;                     // rows
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, alpha 0xFF
  void resize(int w, int h);          // w x h opaque black; a negative size counts as 0
};

// The hash that golden frames compare across targets: 64-bit FNV-1a over the
// blue, green and red bytes of each pixel, top row first. Alpha is left out, as
// presentation ignores it. `topRow` points at 4-byte pixels; `pitch` is the byte
// step from a row to the one below it (negative for a bottom-up block).
std::uint64_t hashPixels(const std::uint8_t* topRow, std::ptrdiff_t pitch, int width, int height);
std::uint64_t hashCanvas(const Canvas& canvas);  // hashPixels of the whole canvas

}  // namespace emu
