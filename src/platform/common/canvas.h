// A window's picture on the SDL and headless backends, as tests and the headless
// backend's users read it.
#pragma once

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

}  // namespace emu
