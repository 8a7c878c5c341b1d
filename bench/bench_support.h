// What every benchmark program shares: a back buffer over memory of our own, and
// the medians of per-iteration times taken on this thread's CPU clock.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "blend/dispatch.h"
#include "surface/surface.h"

// Page-aligned memory of width x height pixels, filled with 0x40 so every page is
// touched before timing starts.
struct BenchMemory {
  std::uint8_t* bytes;
  BenchMemory(int width, int height) {
    const std::size_t size = static_cast<std::size_t>(width) * height * 4;
    bytes =
        static_cast<std::uint8_t*>(std::aligned_alloc(4096, (size + 4095) & ~std::size_t{4095}));
    std::memset(bytes, 0x40, size);
  }
  ~BenchMemory() { std::free(bytes); }
  BenchMemory(const BenchMemory&) = delete;
  BenchMemory& operator=(const BenchMemory&) = delete;
};

// The back buffer on such memory, its view the whole surface, the default coverage
// routines installed.
struct BenchSurface {
  BenchMemory memory;
  explicit BenchSurface(int width = 1920, int height = 1080) : memory(width, height) {
    backBuffer.surfaceWidth = width;
    backBuffer.surfaceHeight = height;
    backBuffer.pixels = memory.bytes;
    setView(-1, -1, -1, -1, 0, 1);
    installDefaultCoverageRoutines();
  }
  ~BenchSurface() {
    backBuffer.pixels = nullptr;
    setView(-1, -1, -1, -1, 0, 1);
  }
  BenchSurface(const BenchSurface&) = delete;
  BenchSurface& operator=(const BenchSurface&) = delete;
};

// Milliseconds of CPU time this thread has used (the machine is shared: wall time
// would count other programs' turns).
inline double cpuMs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

inline double median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}
inline double fastest(const std::vector<double>& v) {
  return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
}
