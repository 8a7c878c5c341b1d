// A back buffer over memory the test owns: the whole surface as the view, bottom-up
// like the real one, for drawing tests that need no window.
#pragma once

#include <cstdint>
#include <vector>

#include "surface/surface.h"

struct TestView {
  std::vector<Color> memory;
  // Sizes the surface (the width rounds up to 8) and fills it with `colour`.
  void make(int width, int height, Color colour = 0) {
    setScreenSize(width, height);
    memory.assign(static_cast<std::size_t>(backBuffer.surfaceWidth) * backBuffer.surfaceHeight,
                  colour);
    backBuffer.pixels = reinterpret_cast<std::uint8_t*>(memory.data());
    setView(-1, -1, -1, -1, 0, 1);
  }
  Color& at(int x, int y) { return *viewPixel(x, y); }
  // Each pixel a different opaque colour, so any misplaced copy shows.
  void pattern() {
    for (int y = 0; y <= backBuffer.viewMaxY; ++y) {
      for (int x = 0; x <= backBuffer.viewMaxX; ++x) at(x, y) = 0xFF000000u | (y << 12) | x;
    }
  }
};
