// Shared by the frame benchmark and its AGG peer: the sea scene set up on a back
// buffer of the benchmark's own, the polygons of one frame, and CPU-time helpers.
#pragma once

#include <algorithm>
#include <ctime>
#include <vector>

#include "noise/noise.h"
#include "noise/random.h"
#include "raster_bench_support.h"
#include "sea/sea_scene.h"
#include "sea/waves.h"
#include "vector/fills.h"

// The scene as initScene leaves it, with a fixed seed, on width x height pixels.
struct SeaBenchScene {
  RasterBenchSurface surface;
  SeaBenchScene(int width, int height) : surface(width, height) {
    resetScene();
    RandomSeed = 4242u;
    init2D(noiseGrid, 50, 50, 100.0f);
    nextScheme();
    discX = static_cast<float>(backBuffer.viewWidth * 0.75);
    discRadius = static_cast<float>(backBuffer.viewHeight / 2);
  }
};

// The sky and disc colours and the disc's centre row, as drawScene uses them.
inline Color skyColour() { return lerpColor(deepColour, lightColour, 235); }
inline Color discColour() { return lerpColor(deepColour, lightColour, 255); }
inline float discY() { return static_cast<float>(backBuffer.viewHeight * 0.6); }

// One filled polygon of a frame.
struct FramePolygon {
  std::vector<PathPoint> points;
  Color colour;
};

// The wave and foam polygons of the frame at the current phase (the one the last
// drawWaveLayers drew), point for point as drawWaveLayer builds them.
inline void collectWavePolygons(std::vector<FramePolygon>& out) {
  out.clear();
  WaveEdge edge;
  FoamRuns foam;
  for (int i = 0; i <= layerCount; ++i) {
    const WaveLayerCall c = waveLayerCall(i);
    sampleWaveEdge(c.depth, c.level, c.stretch, c.amplitude, c.timeY, c.shift, edge);
    FramePolygon layer{{{0.0f, edge.base}}, c.fill};
    for (int k = 0; k < edge.count; ++k) layer.points.push_back({edge.xs[k], edge.ys[k]});
    layer.points.push_back({static_cast<float>(backBuffer.viewWidth), edge.base});
    out.push_back(layer);
    if (!whiteHorses || edge.count < 2) continue;
    findFoam(edge, c.level, c.amplitude, foam);
    for (int p = 0; p < foam.polygons(); ++p) {
      FramePolygon run{{}, c.foam};
      for (int j = foam.starts[p]; j < foam.starts[p + 1]; ++j) {
        run.points.push_back({foam.points[2 * j], foam.points[2 * j + 1]});
      }
      out.push_back(run);
    }
  }
}

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
