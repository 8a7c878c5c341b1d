// Helpers of the blend tests: kernel sets to compare, seeded pixels that lean to
// the byte values where byte arithmetic breaks, and a back buffer of the tests' own.
#pragma once

#include <cstdint>
#include <vector>

#include "blend/color.h"
#include "blend/kernels.h"
#include "surface/surface.h"

// The vector sets this build and CPU can run; each is checked against scalarKernels.
inline std::vector<const BlendKernels*> vectorKernelSets() {
  std::vector<const BlendKernels*> sets;
  if (const BlendKernels* k = sse2KernelSet()) sets.push_back(k);
  if (const BlendKernels* k = avx2KernelSet()) sets.push_back(k);
  return sets;
}

// Every set, the reference first.
inline std::vector<const BlendKernels*> allKernelSets() {
  std::vector<const BlendKernels*> sets{&scalarKernels};
  for (const BlendKernels* k : vectorKernelSets()) sets.push_back(k);
  return sets;
}

// Reproducible pixels: the test number is the seed.
struct TestRandom {
  std::uint32_t state;
  explicit TestRandom(std::uint32_t seed) : state(seed * 2654435761u + 0x9E3779B9u) {
    if (state == 0) state = 1;
  }
  std::uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
  // Half the bytes are 0x00, 0xFF or their neighbours, the rest anything.
  int byte() {
    static constexpr int edges[] = {0x00, 0xFF, 0x00, 0xFF, 0x01, 0xFE, 0x7F, 0x80};
    const std::uint32_t r = next();
    return (r & 1) ? edges[(r >> 1) & 7] : static_cast<int>((r >> 8) & 0xFF);
  }
  Color pixel() {
    return static_cast<Color>(byte()) | static_cast<Color>(byte()) << 8 |
           static_cast<Color>(byte()) << 16 | static_cast<Color>(byte()) << 24;
  }
  void fill(Color* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) p[i] = pixel();
  }
};

// A block of pixels whose first element sits on a 32-byte boundary, so tests pick
// the alignment of each run themselves.
struct AlignedPixels {
  std::vector<Color> memory;
  Color* data;
  explicit AlignedPixels(std::size_t n) : memory(n + 8) {
    const auto a = reinterpret_cast<std::uintptr_t>(memory.data());
    data = memory.data() + ((32 - (a & 31)) & 31) / 4;
  }
  Color& operator[](std::size_t i) { return data[i]; }
};

// The back buffer over memory of the test's own, the whole surface as the view.
struct TestSurface {
  AlignedPixels pixels;
  TestSurface(int width, int height, int bottomUp = 1)
      : pixels(static_cast<std::size_t>(width) * height) {
    backBuffer.surfaceWidth = width;
    backBuffer.surfaceHeight = height;
    backBuffer.pixels = reinterpret_cast<std::uint8_t*>(pixels.data);
    setView(-1, -1, -1, -1, 0, bottomUp);
  }
  ~TestSurface() {
    backBuffer.pixels = nullptr;
    setView(-1, -1, -1, -1, 0, 1);
  }
  TestSurface(const TestSurface&) = delete;
  TestSurface& operator=(const TestSurface&) = delete;
  std::size_t size() const {
    return static_cast<std::size_t>(backBuffer.surfaceWidth) * backBuffer.surfaceHeight;
  }
  void fill(Color c) {
    for (std::size_t i = 0; i < size(); ++i) pixels[i] = c;
  }
  std::vector<Color> snapshot() { return std::vector<Color>(pixels.data, pixels.data + size()); }
  // Pixel (x, y) of the current view.
  static Color at(int x, int y) { return *viewPixel(x, y); }
};
