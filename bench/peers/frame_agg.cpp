// The sea's frame next to AGG drawing the same picture in the same run: the sky, the
// disc (with as many outline points as ours) and the frame's 20 wave polygons, taken
// from our own edge sampling so both draw the same outlines. Ours is the whole
// frame: noise and foam included. AGG's time leaves out the noise; a second case
// gives AGG the foam polygons too ("agg_with_foam_ms").
//
// Neither side may profit from or pay for the other's cache state: AGG draws on
// memory of its own of the same size and layout as our back buffer, and the two
// take turns going first, so the runs go ours, AGG, AGG, ours, ours, AGG ... Each
// iteration works out the next frame's outline (not timed), then times both on this
// thread's CPU clock. Who goes first follows its own previous frame, as a saver
// draws frame after frame: "ours_ms", "agg_ms" and "ours_over_agg" are the medians
// of those runs. Who goes second follows the other's frame, whose writes have taken
// the place of its own in the nearer caches: "ours_after_agg_ms", "agg_after_ours_ms"
// and "ours_over_agg_after_other". At 1920x1080 both back buffers fit the 32 MB L3
// cache; at 3840x2160 and 7680x4320 neither does.
//
// AGG runs its fastest form (agg_target.h) with the plain 32-bit pixel format: the
// premultiplied one measured about 14 % slower on this frame and rounds edge pixels
// up to 3 levels apart from it. Clipping in AGG's rasterizer (clip_box) made no
// difference at 1920x1080, so AGG clips where it renders, as for the raster peers.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "frame_bench_support.h"
#include "vector/shapes.h"

#if defined(BRINE_HAVE_AGG)

#include "agg_target.h"

namespace {

using AggPixels = agg::pixfmt_bgra32;

// The scene's frame drawn by AGG from its outline.
void drawWithAgg(AggTarget<AggPixels>& agg, const FrameOutline& frame) {
  agg.clear(skyColour());
  agg.fillCircle(frame.discX, discY(), discRadius,
                 static_cast<unsigned>(arcSegmentCount(discRadius)), discColour());
  agg.fill(frame.polygons);
}

// Share of view pixels where AGG's picture and ours differ by more than 2 in a channel.
double sharePixelsApart(const std::uint8_t* theirs, const std::uint8_t* ours, std::size_t pixels) {
  std::size_t apart = 0;
  for (std::size_t i = 0; i < pixels; ++i) {
    for (int c = 0; c < 4; ++c) {
      const int d = theirs[4 * i + c] - ours[4 * i + c];
      if (d > 2 || d < -2) {
        ++apart;
        break;
      }
    }
  }
  return pixels ? static_cast<double>(apart) / static_cast<double>(pixels) : 0.0;
}

// The frame's wave layers and foam alone, through fillPath as drawWaveLayer fills
// them but without the scene's leaving out of covered rows: our fill against AGG's
// on the same polygons.
void fillPolygons(const std::vector<FilledPolygon>& polygons) {
  for (const FilledPolygon& p : polygons) {
    beginPath();
    for (const PathPoint& point : p.points) addPoint(point.x, point.y);
    fillPath(p.colour, BLEND_COPY);
  }
}

// `aggName` names AGG's counters: "agg", or "agg_with_foam" when it draws the foam.
// With `wavesOnly` both sides draw only the wave polygons (foam included).
void compareFrames(benchmark::State& state, bool aggDrawsFoam, const char* aggName,
                   bool wavesOnly = false) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  SeaBenchScene scene(width, height);
  BenchMemory aggMemory(width, height);
  AggTarget<AggPixels> agg(aggMemory.bytes, width, height);
  FrameOutline next;
  // Each side's times right after its own frame and right after the other's.
  std::vector<double> oursWarm, aggWarm, oursAfterAgg, aggAfterOurs;
  bool aggFirst = false;
  const auto ours = [&next, wavesOnly] { wavesOnly ? fillPolygons(next.polygons) : drawScene(); };
  const auto theirs = [&agg, &next, wavesOnly] {
    wavesOnly ? agg.fill(next.polygons) : drawWithAgg(agg, next);
  };
  for (auto _ : state) {
    outlineNextFrame(next, aggDrawsFoam);
    if (wavesOnly) sampleWaveLayers();  // the phase moves on as the frame moves it
    if (aggFirst) {
      const double t0 = cpuMs();
      theirs();
      const double t1 = cpuMs();
      ours();
      const double t2 = cpuMs();
      aggWarm.push_back(t1 - t0);
      oursAfterAgg.push_back(t2 - t1);
    } else {
      const double t0 = cpuMs();
      ours();
      const double t1 = cpuMs();
      theirs();
      const double t2 = cpuMs();
      oursWarm.push_back(t1 - t0);
      aggAfterOurs.push_back(t2 - t1);
    }
    aggFirst = !aggFirst;
  }
  std::size_t points = 0;
  for (const FilledPolygon& p : next.polygons) points += p.points.size();
  const auto ratio = [](double o, double a) { return a > 0.0 ? o / a : 0.0; };
  const double o = median(oursWarm), a = median(aggWarm);
  const double oc = median(oursAfterAgg), ac = median(aggAfterOurs);
  state.counters["ours_ms"] = o;
  state.counters[std::string(aggName) + "_ms"] = a;
  state.counters["ours_over_" + std::string(aggName)] = ratio(o, a);
  state.counters["ours_after_agg_ms"] = oc;
  state.counters[std::string(aggName) + "_after_ours_ms"] = ac;
  state.counters["ours_over_" + std::string(aggName) + "_after_other"] = ratio(oc, ac);
  state.counters["agg_polygons"] = static_cast<double>(next.polygons.size());
  state.counters["agg_points"] = static_cast<double>(points);
  // Both drew the same last frame; where AGG leaves the foam out, its pixels count too.
  state.counters["pixels_apart"] = sharePixelsApart(aggMemory.bytes, backBuffer.pixels,
                                                    static_cast<std::size_t>(width) * height);
}

void BM_FrameAgainstAgg(benchmark::State& state) { compareFrames(state, false, "agg"); }
BENCHMARK(BM_FrameAgainstAgg)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Args({7680, 4320})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

void BM_FrameAgainstAggWithFoam(benchmark::State& state) {
  compareFrames(state, true, "agg_with_foam");
}
BENCHMARK(BM_FrameAgainstAggWithFoam)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Args({7680, 4320})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// The wave layers and foam of each frame, without the sky, the disc or the scene's
// leaving out of covered rows: the rasterizer alone against AGG's.
void BM_WavesAgainstAgg(benchmark::State& state) { compareFrames(state, true, "agg_waves", true); }
BENCHMARK(BM_WavesAgainstAgg)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Args({7680, 4320})
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
