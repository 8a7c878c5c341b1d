// The sea frame on the 32-bit Windows build: drawScene on a back buffer of the
// probe's own, as bench/frame.cpp draws it, at 1920x1080 and 3840x2160. Prints the
// median of 200 frames after 20 unmeasured, on the performance counter (wall
// time: run it on an idle core, e.g. under taskset -c 1).
//
// A plain program: Google Benchmark is not built for mingw.
//
//   taskset -c 1 scripts/wine-run build/windows/bench/win32/bench_frame_win32.exe

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "blend/dispatch.h"
#include "sea_bench_setup.h"

// Last: its macros would mangle names in the headers above.
#include <windows.h>

namespace {

constexpr int warmupFrames = 20;
constexpr int measuredFrames = 200;

double counterMs(LONGLONG ticks, LONGLONG frequency) {
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency);
}

// Median milliseconds per frame at width x height; negative when memory ran out.
double frameMs(int width, int height, LONGLONG frequency) {
  const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
  constexpr std::align_val_t page{4096};
  auto* memory = static_cast<std::uint8_t*>(::operator new(bytes, page, std::nothrow));
  if (!memory) return -1.0;
  std::memset(memory, 0x40, bytes);  // every page touched before timing
  backBuffer.surfaceWidth = width;
  backBuffer.surfaceHeight = height;
  backBuffer.pixels = memory;
  setView(-1, -1, -1, -1, 0, 1);
  installDefaultCoverageRoutines();
  setUpSeaBenchScene();
  std::vector<double> times;
  for (int i = 0; i < warmupFrames + measuredFrames; ++i) {
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    drawScene();
    QueryPerformanceCounter(&after);
    if (i >= warmupFrames) times.push_back(counterMs(after.QuadPart - before.QuadPart, frequency));
  }
  backBuffer.pixels = nullptr;
  setView(-1, -1, -1, -1, 0, 1);
  ::operator delete(memory, page);
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) {
    std::fprintf(stderr, "win32 frame: no performance counter\n");
    return 1;
  }
  const double fullHd = frameMs(1920, 1080, frequency.QuadPart);
  const double fourK = frameMs(3840, 2160, frequency.QuadPart);
  if (fullHd < 0.0 || fourK < 0.0) {
    std::fprintf(stderr, "win32 frame: out of memory\n");
    return 1;
  }
  std::printf("win32 frame: 1920x1080 %.2f ms, 3840x2160 %.2f ms (medians of %d frames)\n", fullHd,
              fourK, measuredFrames);
  return 0;
}
