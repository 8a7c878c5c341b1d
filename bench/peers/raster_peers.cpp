// The wave layers of one frame filled by our rasterizer, by AGG (agg_target.h) and by
// Cairo (an image surface), on the same polygons and the same memory, at 1920x1080
// and 3840x2160, for both stand-in shapes of the layers.
// Each iteration times all three in turn, in thread CPU time (the machine is shared:
// wall time would count other programs' turns); the counters are the median times
// and our median time over each peer's ("ours_over_agg", "ours_over_cairo").

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "raster_bench_support.h"

#if defined(BRINE_HAVE_AGG) && defined(BRINE_HAVE_CAIRO)

#include <cairo.h>

#include "agg_target.h"

namespace {

// Cairo's pixel centres lie at half-integers, as AGG's; ours at integers.
constexpr double centre = aggCentre;

struct CairoTarget {
  cairo_surface_t* surface;
  cairo_t* context;
  CairoTarget(int width, int height) {
    surface = cairo_image_surface_create_for_data(backBuffer.pixels, CAIRO_FORMAT_ARGB32, width,
                                                  height, width * 4);
    context = cairo_create(surface);
  }
  ~CairoTarget() {
    cairo_destroy(context);
    cairo_surface_destroy(surface);
  }
  void fill(const std::vector<FilledPolygon>& layers) {
    for (const FilledPolygon& layer : layers) {
      cairo_new_path(context);
      cairo_move_to(context, layer.points[0].x + centre, layer.points[0].y + centre);
      for (std::size_t i = 1; i < layer.points.size(); ++i) {
        cairo_line_to(context, layer.points[i].x + centre, layer.points[i].y + centre);
      }
      cairo_close_path(context);
      const Color c = layer.colour;
      cairo_set_source_rgb(context, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                           (c & 0xFF) / 255.0);
      cairo_fill(context);
    }
    cairo_surface_flush(surface);
  }
};

void BM_WaveLayersAgainstPeers(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  BenchSurface surface(width, height);
  const auto layers = waveLayers(width, height, static_cast<WaveShape>(state.range(2)));
  AggTarget<agg::pixfmt_bgra32> agg(backBuffer.pixels, width, height);
  CairoTarget cairo(width, height);
  std::vector<double> ours, aggTimes, cairoTimes;
  for (auto _ : state) {
    const double t0 = cpuMs();
    fillWaveLayers(layers);
    const double t1 = cpuMs();
    agg.fill(layers);
    const double t2 = cpuMs();
    cairo.fill(layers);
    const double t3 = cpuMs();
    ours.push_back(t1 - t0);
    aggTimes.push_back(t2 - t1);
    cairoTimes.push_back(t3 - t2);
  }
  const double o = median(ours), a = median(aggTimes), c = median(cairoTimes);
  state.counters["ours_ms"] = o;
  state.counters["agg_ms"] = a;
  state.counters["cairo_ms"] = c;
  state.counters["ours_over_agg"] = o / a;
  state.counters["ours_over_cairo"] = o / c;
}
BENCHMARK(BM_WaveLayersAgainstPeers)
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();

#else

int main() {
  std::puts("raster peers: AGG or Cairo not found, nothing to compare");
  return 0;
}

#endif
