// Blend kernels at full-screen size: rectangle fills of the whole view, spans of
// several lengths, a 655x214 picture and a large anti-aliased disc, each against
// memset of the same bytes.

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "blend/dispatch.h"
#include "blend/kernels.h"
#include "blend_bench_support.h"

namespace {

// The view is contiguous (full surface width), so one memset covers it.
void fillView(benchmark::State& state) {
  BenchSurface surface;
  const int mode = static_cast<int>(state.range(0));
  const Color colour = benchColour(mode);
  const std::size_t bytes = static_cast<std::size_t>(benchWidth) * benchHeight * 4;
  measureAgainstFloor(
      state, double(benchWidth) * benchHeight,
      [&] { fill_rect(0, 0, benchWidth - 1, benchHeight - 1, colour, mode); },
      [&] { std::memset(backBuffer.firstPixelAddress, 0x40, bytes); });
  state.SetLabel(std::string(modeName(mode)) + " " + activeKernels->name);
}
BENCHMARK(fillView)->DenseRange(1, 10)->UseManualTime();

// One span on every row of the view, starting at columns 0..3 in turn.
void spans(benchmark::State& state) {
  BenchSurface surface;
  const int length = static_cast<int>(state.range(0));
  const int mode = static_cast<int>(state.range(1));
  const Color colour = benchColour(mode);
  measureAgainstFloor(
      state, double(length) * benchHeight,
      [&] {
        for (int y = 0; y < benchHeight; ++y) fill_span(viewPixel(y & 3, y), colour, length, mode);
      },
      [&] {
        for (int y = 0; y < benchHeight; ++y)
          std::memset(viewPixel(y & 3, y), 0x40, static_cast<std::size_t>(length) * 4);
      });
  state.SetLabel(std::string(modeName(mode)) + " " + activeKernels->name);
}
BENCHMARK(spans)->ArgsProduct({{1, 7, 28, 100, 1920}, {1, 2, 3, 5}})->UseManualTime();

// The splash picture's size, drawn at an odd column so the rows start unaligned.
void blitPicture(benchmark::State& state) {
  BenchSurface surface;
  const int mode = static_cast<int>(state.range(0));
  const int w = 655, h = 214, x = 101, y = 300;
  std::vector<Color> picture(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < picture.size(); ++i)
    picture[i] = static_cast<Color>(i * 2654435761u) | 0x40000000u;
  measureAgainstFloor(
      state, double(w) * h,
      [&] { blit_image(x, y, x + w - 1, y + h - 1, picture.data(), mode, w); },
      [&] {
        for (int row = y; row < y + h; ++row)
          std::memset(viewPixel(x, row), 0x40, static_cast<std::size_t>(w) * 4);
      });
  state.SetLabel(std::string(modeName(mode)) + " " + activeKernels->name);
}
BENCHMARK(blitPicture)->DenseRange(1, 10)->UseManualTime();

// A disc of radius 540 in the middle of the view; the floor writes its rows.
void largeDisc(benchmark::State& state) {
  BenchSurface surface;
  const int mode = static_cast<int>(state.range(0));
  const int cx = benchWidth / 2, cy = benchHeight / 2, r = 540;
  std::vector<int> halfWidths;
  double pixels = 0;
  for (int dy = -r; dy < r; ++dy) {
    const int half = static_cast<int>(std::sqrt(double(r) * r - double(dy) * dy));
    halfWidths.push_back(half);
    pixels += 2 * half + 1;
  }
  measureAgainstFloor(
      state, pixels, [&] { fill_disc_aa(cx, cy, float(r), benchColour(mode), mode); },
      [&] {
        for (int dy = -r; dy < r; ++dy) {
          const int half = halfWidths[dy + r];
          std::memset(viewPixel(cx - half, cy + dy), 0x40,
                      static_cast<std::size_t>(2 * half + 1) * 4);
        }
      });
  state.SetLabel(std::string(modeName(mode)) + " " + activeKernels->name);
}
BENCHMARK(largeDisc)->Arg(1)->Arg(2)->Arg(5)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
