// The sea's frame next to AGG drawing the same picture: the sky, the disc (with as
// many outline points as ours) and the frame's wave and foam polygons, taken from
// our own edge sampling so both draw the same outlines. AGG runs its scanline
// rasterizer with the packed scanline and a solid renderer on our memory, clipped
// to the view. Its time leaves out the noise; ours is the whole frame, noise
// included.
// Each iteration draws our frame, collects that frame's polygons (not timed) and
// lets AGG draw them, in thread CPU time; the counters are the medians and
// "ours_over_agg", our median over AGG's.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "frame_bench_support.h"
#include "vector/shapes.h"

#if defined(BRINE_HAVE_AGG)

#include <agg_ellipse.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_p.h>

namespace {

// AGG's pixel centres lie at half-integers; ours at integers.
constexpr double centre = 0.5;

agg::rgba8 aggColour(Color c) {
  return agg::rgba8((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, c >> 24);
}

struct AggFrame {
  using PixelFormat = agg::pixfmt_bgra32;
  using Base = agg::renderer_base<PixelFormat>;
  agg::rendering_buffer buffer;
  PixelFormat pixels;
  Base base;
  agg::renderer_scanline_aa_solid<Base> solid;
  agg::rasterizer_scanline_aa<> rasterizer;
  agg::scanline_p8 scanline;
  // A negative stride: view row 0 is the last row in memory, as in our back buffer.
  AggFrame(int width, int height)
      : buffer(backBuffer.pixels, width, height, -width * 4),
        pixels(buffer),
        base(pixels),
        solid(base) {
    rasterizer.clip_box(0, 0, width, height);
  }
  void fill(const std::vector<PathPoint>& points, Color colour) {
    rasterizer.reset();
    rasterizer.move_to_d(points[0].x + centre, points[0].y + centre);
    for (std::size_t i = 1; i < points.size(); ++i) {
      rasterizer.line_to_d(points[i].x + centre, points[i].y + centre);
    }
    solid.color(aggColour(colour));
    agg::render_scanlines(rasterizer, scanline, solid);
  }
  void draw(float discCentreX, const std::vector<FramePolygon>& waves) {
    base.clear(aggColour(skyColour()));
    rasterizer.reset();
    agg::ellipse disc(discCentreX + centre, discY() + centre, discRadius, discRadius,
                      static_cast<unsigned>(arcSegmentCount(discRadius)));
    rasterizer.add_path(disc);
    solid.color(aggColour(discColour()));
    agg::render_scanlines(rasterizer, scanline, solid);
    for (const FramePolygon& p : waves) fill(p.points, p.colour);
  }
};

void BM_FrameAgainstAgg(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  SeaBenchScene scene(width, height);
  AggFrame agg(width, height);
  std::vector<FramePolygon> polygons;
  std::vector<double> ours, aggTimes;
  std::size_t points = 0;
  for (auto _ : state) {
    const float discBefore = discX;
    const double t0 = cpuMs();
    drawScene();
    const double t1 = cpuMs();
    collectWavePolygons(polygons);
    const double t2 = cpuMs();
    agg.draw(discBefore, polygons);
    const double t3 = cpuMs();
    ours.push_back(t1 - t0);
    aggTimes.push_back(t3 - t2);
    points = 0;
    for (const FramePolygon& p : polygons) points += p.points.size();
  }
  const double o = median(ours), a = median(aggTimes);
  state.counters["ours_ms"] = o;
  state.counters["agg_ms"] = a;
  state.counters["ours_over_agg"] = a > 0.0 ? o / a : 0.0;
  state.counters["polygons"] = static_cast<double>(polygons.size());
  state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_FrameAgainstAgg)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();

#else

int main() {
  std::puts("frame peer: AGG not found, nothing to compare");
  return 0;
}

#endif
