// Shared by the frame benchmark and its AGG peer: the sea scene set up on a back
// buffer of the benchmark's own, and the outline of a frame (its disc and polygons).
#pragma once

#include <vector>

#include "raster_bench_support.h"
#include "sea_bench_setup.h"
#include "vector/fills.h"

// The scene as initScene leaves it, with a fixed seed, on width x height pixels.
struct SeaBenchScene {
  BenchSurface surface;
  SeaBenchScene(int width, int height) : surface(width, height) { setUpSeaBenchScene(); }
};

// The sky and disc colours and the disc's centre row, as drawScene uses them.
inline Color skyColour() { return lerpColor(deepColour, lightColour, 235); }
inline Color discColour() { return lerpColor(deepColour, lightColour, 255); }
inline float discY() { return static_cast<float>(backBuffer.viewHeight * 0.6); }

// The wave polygons of the frame at the current phase (the one the last
// drawWaveLayers drew), point for point as drawWaveLayer builds them: each layer,
// followed by its foam polygons when `withFoam` (and the scene's foam is on).
inline void collectWavePolygons(std::vector<FilledPolygon>& out, bool withFoam) {
  out.clear();
  WaveEdge edge;
  FoamRuns foam;
  for (int i = 0; i <= layerCount; ++i) {
    const WaveLayerCall c = waveLayerCall(i);
    sampleWaveEdge(c.depth, c.level, c.stretch, c.amplitude, c.timeY, c.shift, edge);
    FilledPolygon layer{{{0.0f, edge.base}}, c.fill};
    for (int k = 0; k < edge.count; ++k) layer.points.push_back({edge.xs[k], edge.ys[k]});
    layer.points.push_back({static_cast<float>(backBuffer.viewWidth), edge.base});
    out.push_back(layer);
    if (!withFoam || !whiteHorses || edge.count < 2) continue;
    findFoam(edge, c.level, c.amplitude, foam);
    for (int p = 0; p < foam.polygons(); ++p) {
      FilledPolygon run{{}, c.foam};
      for (int j = foam.starts[p]; j < foam.starts[p + 1]; ++j) {
        run.points.push_back({foam.points[2 * j], foam.points[2 * j + 1]});
      }
      out.push_back(run);
    }
  }
}

// What the next drawScene will draw, found without drawing: the disc's centre (the
// disc is drawn before the waves move it) and the wave polygons at the phase the
// waves advance to. The scene is left as it was.
struct FrameOutline {
  float discX = 0.0f;
  std::vector<FilledPolygon> polygons;
};
inline void outlineNextFrame(FrameOutline& out, bool withFoam) {
  const float phase = wavePhase, disc = discX;
  const int layers = layerCount;
  out.discX = disc;
  layerCount = -1;  // drawWaveLayers only advances the phase and the disc
  drawWaveLayers();
  layerCount = layers;
  collectWavePolygons(out.polygons, withFoam);
  wavePhase = phase;
  discX = disc;
}
