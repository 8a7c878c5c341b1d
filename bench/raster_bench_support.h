// Shared by the rasterizer benchmarks and their peers: filled polygons, a stand-in
// for one frame's wave layers, and their fill by our rasterizer.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "vector/path.h"

// One polygon filled with one opaque colour.
struct FilledPolygon {
  std::vector<PathPoint> points;
  Color colour;
};

enum class WaveShape {
  bands,     // each layer a band down to its baseline, as the scene draws them
  toBottom,  // each layer reaching down to the view's bottom edge
};

// A stand-in for one frame's 20 wave layers: the scene's depths, levels and
// amplitudes at force 1.5, with two sums of sines instead of the noise. Each polygon
// spans the whole width with its top edge sampled every 3 pixels, as the scene's
// do: the same points, covered rows and cells per row.
inline std::vector<FilledPolygon> waveLayers(int width, int height, WaveShape shape) {
  const auto bias = [](double t, double k) {
    const double d = 1 - k * t;
    return d == 0 ? 1.0 : 1 - (1 - t) / d;
  };
  const double force = 1.5, v = height - 1;
  std::vector<FilledPolygon> layers;
  for (int i = 0; i < 20; ++i) {
    const double e = i / 19.0;
    const double depth = i == 19 ? 0 : 0.4 - 0.3 * bias((i + 1) / 19.0, 0.7);
    const double level = 0.4 - 0.3 * bias(e, 0.7);
    const double amplitude = 0.8 * bias(e, 0.5) + 0.1;
    const double swing = force * 0.075 * amplitude;
    const float base = shape == WaveShape::bands
                           ? float((force * 0.05 * amplitude + (1 - depth)) * height + 0.5)
                           : float(height);
    FilledPolygon layer;
    layer.points.push_back({0.0f, base});
    for (int x = 0;; x += 3) {
      const double wave =
          std::sin(x * (0.011 - 0.006 * e) + i * 1.7) * 0.7 + std::sin(x * 0.037 + i * 0.9) * 0.3;
      layer.points.push_back({float(x), float(v - (level + swing * wave) * v)});
      if (x > width) break;
    }
    layer.points.push_back({float(width), base});
    const std::uint32_t w = static_cast<std::uint32_t>(e * 240 + 15);
    layer.colour = 0xFF000000u | ((0x20 + w / 4) << 16) | ((0x50 + w / 3) << 8) | (0x90 + w / 3);
    layers.push_back(layer);
  }
  return layers;
}

// One frame's layers through our fill.
inline void fillWaveLayers(const std::vector<FilledPolygon>& layers) {
  for (const FilledPolygon& layer : layers) {
    beginPath();
    for (const PathPoint& p : layer.points) addPoint(p.x, p.y);
    fillPath(layer.colour, 1);
  }
}
