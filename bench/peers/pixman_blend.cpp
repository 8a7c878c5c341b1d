// Our fills, spans and picture blits beside pixman doing the comparable operator
// on the same bytes: SRC fill against Copy, ADD against Add, OVER with a
// translucent colour against Alpha, MULTIPLY and SCREEN against ours. Each case
// reports our time over pixman's ("ours_over_pixman", from median iterations).
// pixman gets its fastest form: all spans of an iteration in one call.

#include <benchmark/benchmark.h>

#include <cstdio>

#if defined(BRINE_HAVE_PIXMAN)

#include <pixman.h>

#include <string>
#include <vector>

#include "blend/dispatch.h"
#include "blend/kernels.h"
#include "blend_bench_support.h"

namespace {

struct Operator {
  int mode;
  pixman_op_t op;
  const char* name;
};
// Alpha is translucent; pixman's colours are premultiplied, ours are not.
constexpr Operator operators[] = {{BLEND_COPY, PIXMAN_OP_SRC, "copy/SRC"},
                                  {BLEND_ADD, PIXMAN_OP_ADD, "add/ADD"},
                                  {BLEND_ALPHA, PIXMAN_OP_OVER, "alpha/OVER"},
                                  {BLEND_MULTIPLY, PIXMAN_OP_MULTIPLY, "multiply/MULTIPLY"},
                                  {BLEND_SCREEN, PIXMAN_OP_SCREEN, "screen/SCREEN"}};

pixman_color_t pixmanColour(Color c) {
  const unsigned a = c >> 24;
  auto channel = [a](unsigned v) { return static_cast<std::uint16_t>(v * a / 255 * 257); };
  return {channel((c >> 16) & 0xFF), channel((c >> 8) & 0xFF), channel(c & 0xFF),
          static_cast<std::uint16_t>(a * 257)};
}

// pixman's view of the back buffer: the same memory, rows top-down in memory, so
// view row y is pixman row height - 1 - y.
struct PixmanTarget {
  pixman_image_t* image;
  PixmanTarget() {
    image = pixman_image_create_bits(PIXMAN_a8r8g8b8, benchWidth, benchHeight,
                                     reinterpret_cast<std::uint32_t*>(backBuffer.pixels),
                                     benchWidth * 4);
  }
  ~PixmanTarget() { pixman_image_unref(image); }
  static std::int16_t row(int y) { return static_cast<std::int16_t>(benchHeight - 1 - y); }
};

void fillView(benchmark::State& state) {
  BenchSurface surface;
  PixmanTarget target;
  const Operator& o = operators[state.range(0)];
  const Color colour = benchColour(o.mode);
  const pixman_color_t pc = pixmanColour(colour);
  const pixman_rectangle16_t all = {0, 0, benchWidth, benchHeight};
  measureAgainstFloor(
      state, double(benchWidth) * benchHeight,
      [&] { fill_rect(0, 0, benchWidth - 1, benchHeight - 1, colour, o.mode); },
      [&] { pixman_image_fill_rectangles(o.op, target.image, &pc, 1, &all); }, "ours_over_pixman");
  state.SetLabel(std::string(o.name) + " " + activeKernels->name);
}
BENCHMARK(fillView)->DenseRange(0, 4)->UseManualTime();

// One span on every row, starting at columns 0..3 in turn.
void spans(benchmark::State& state) {
  BenchSurface surface;
  PixmanTarget target;
  const int length = static_cast<int>(state.range(0));
  const Operator& o = operators[state.range(1)];
  const Color colour = benchColour(o.mode);
  const pixman_color_t pc = pixmanColour(colour);
  std::vector<pixman_rectangle16_t> rects;
  for (int y = 0; y < benchHeight; ++y)
    rects.push_back({static_cast<std::int16_t>(y & 3), PixmanTarget::row(y),
                     static_cast<std::uint16_t>(length), 1});
  measureAgainstFloor(
      state, double(length) * benchHeight,
      [&] {
        for (int y = 0; y < benchHeight; ++y)
          fill_span(viewPixel(y & 3, y), colour, length, o.mode);
      },
      [&] {
        pixman_image_fill_rectangles(o.op, target.image, &pc, static_cast<int>(rects.size()),
                                     rects.data());
      },
      "ours_over_pixman");
  state.SetLabel(std::string(o.name) + " " + activeKernels->name);
}
BENCHMARK(spans)->ArgsProduct({{1, 7, 28, 100, 1920}, {0, 1, 2, 3, 4}})->UseManualTime();

// The 655x214 picture at an odd column; we have no Screen for pictures.
void blitPicture(benchmark::State& state) {
  BenchSurface surface;
  PixmanTarget target;
  const Operator& o = operators[state.range(0)];
  const int w = 655, h = 214, x = 101, y = 300;
  std::vector<Color> picture(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < picture.size(); ++i) {
    // Premultiplied-valid pixels (each colour byte at most the alpha) suit both.
    const Color a = 0x40 + (i * 7 & 0xBF);
    const Color v = static_cast<Color>(i * 2654435761u);
    picture[i] = a << 24 | ((v >> 16 & 0xFF) * a / 255) << 16 | ((v >> 8 & 0xFF) * a / 255) << 8 |
                 (v & 0xFF) * a / 255;
  }
  pixman_image_t* source = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, picture.data(), w * 4);
  measureAgainstFloor(
      state, double(w) * h,
      [&] { blit_image(x, y, x + w - 1, y + h - 1, picture.data(), o.mode, w); },
      [&] {
        pixman_image_composite32(o.op, source, nullptr, target.image, 0, 0, 0, 0, x,
                                 PixmanTarget::row(y + h - 1), w, h);
      },
      "ours_over_pixman");
  pixman_image_unref(source);
  state.SetLabel(std::string(o.name) + " " + activeKernels->name);
}
BENCHMARK(blitPicture)->DenseRange(0, 3)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();

#else

int main() {
  std::puts("pixman was not found at configure time; nothing to compare.");
  return 0;
}

#endif
