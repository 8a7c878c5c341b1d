// The wave layers. Every value the design rounds to float is stored in a float;
// the rest is computed in double, so the frame is the same on every target.
//
//   row 0      sky
//   ...        layer 0 (far, thin, light) ... layer 19 (near, dark)
//   viewMaxY   a height Y maps to row viewMaxY - Y * viewMaxY

#include "sea/waves.h"

#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "noise/noise.h"
#include "surface/surface.h"
#include "vector/band_threads.h"
#include "vector/fills.h"
#include "vector/path.h"

SharedWord<float> waveForce = 1.5f;
SharedWord<float> waveDirection = -1.0f;
float wavePhase = 347.347f;
SharedWord<int> whiteHorses = 1;
int layerCount = 19;
SharedWord<Color> deepColour = 0;
SharedWord<Color> lightColour = 0;
Color foamWhite = 0xFFFFFFFF;
float discX = 0.0f;
float discRadius = 0.0f;
float wavesTop = 0.0f;

namespace {

constexpr int minimumWaveSamples = 2000;  // covers views up to 5994 pixels wide
constexpr double phaseLimit = 3.47e8;

#if defined(__SSE2__)
// Two floats from memory into the low lanes, and back.
__m128 loadTwo(const float* p) {
  return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}
void storeTwo(float* p, __m128 v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(v));
}
#endif

// The higher of an outline's top so far and a point of it: -inf once a point was
// not a number.
float higherOf(float top, float y) { return y >= top ? top : y == y ? y : -HUGE_VALF; }

// The highest and the lowest point of a layer's sampled edge, in one pass.
struct EdgeRows {
  float highest = HUGE_VALF;  // as higherOf takes it
  double lowest = -HUGE_VAL;
};
EdgeRows edgeRows(const WaveEdge& edge) {
  EdgeRows rows;
  for (int k = 0; k < edge.count; ++k) {
    const float y = edge.ys[k];
    rows.highest = higherOf(rows.highest, y);
    if (!(y <= rows.lowest)) rows.lowest = y;
  }
  return rows;
}

// The top of a layer's outline (its edge's highest point, its base) and its foam.
float layerTop(float edgeTop, const WaveEdge& edge, const FoamRuns& foam) {
  float top = higherOf(edgeTop, edge.base);
  for (std::size_t i = 1; i < foam.points.size(); i += 2) top = higherOf(top, foam.points[i]);
  return top;
}

WaveEdge layerEdge;  // scratch of drawWaveLayer
FoamRuns layerFoam;

// The layers of the frame, sampled before anything is drawn so that the rows they
// will paint over are known, and so that the bands of rows drawn on several threads
// only read them. Kept from frame to frame for their storage.
struct SampledLayer {
  WaveLayerCall call;
  WaveEdge edge;
  FoamRuns foam;                     // none when the foam is off
  int hiddenTop = 0, hiddenEnd = 0;  // rows the layer covers whole but in column 0
  float top = HUGE_VALF;             // its outline's and its foam's highest point
};
std::vector<SampledLayer> sampledLayers;
int sampledCount = 0;
int sampledFoam = 0;  // the foam switch as the frame read it

// The rows a layer polygon covers whole in every column but the first: below its
// lowest crest point and above its base, a row to spare each way against rounding.
// Its left side runs through the middle of column 0, which it only half covers; its
// right side lies beyond the view. The fill is a copy, so nothing beneath shows.
void findHiddenRows(SampledLayer& layer, double lowest) {
  const WaveEdge& edge = layer.edge;
  const int height = backBuffer.viewHeight;
  layer.hiddenTop = layer.hiddenEnd = 0;
  if (edge.count < 2 || !std::isfinite(lowest) || !std::isfinite(edge.base)) return;
  const double top = std::max(std::ceil(lowest + 0.5) + 1.0, 0.0);
  const double end = std::min(std::floor(edge.base + 0.5) - 1.0, static_cast<double>(height));
  if (top >= end) return;
  layer.hiddenTop = static_cast<int>(top);
  layer.hiddenEnd = static_cast<int>(end);
}

// A layer's foam when it has any (foam on and two samples or more), else none.
void findLayerFoam(const WaveEdge& edge, float level, float amplitude, int foamOn, FoamRuns& foam) {
  if (foamOn && edge.count >= 2) {
    findFoam(edge, level, amplitude, foam);
  } else {
    foam.points.clear();
    foam.starts.clear();
  }
}

// The edge's samples, thinned where they lie outside rows top .. bottom - 1: of three
// or more samples in a row wholly above those rows, or wholly below, only the first
// and the last are added. The straight edge between them lies outside the rows as
// well (a y below top - 0.5 is in a row above top, once in 24.8), and every other
// edge stays, so the rows get the same cells: a band of the frame need not build
// the layers' edges that other bands draw.
void addSamplesForRows(const WaveEdge& edge, int top, int bottom) {
  const float* const xs = edge.xs.data();
  const float* const ys = edge.ys.data();
  if (top <= 0 && bottom >= backBuffer.viewHeight) {  // every row: nothing to thin
    addPoints(xs, ys, edge.count);
    return;
  }
  const float above = static_cast<float>(top) - 0.5f, below = static_cast<float>(bottom) - 0.5f;
  const auto side = [&](int k) { return ys[k] < above ? -1 : ys[k] >= below ? 1 : 0; };
  int from = 0;  // the first sample not yet added
  for (int k = 0; k < edge.count;) {
    const int s = side(k);
    int end = k + 1;
    if (s != 0) {
      while (end < edge.count && side(end) == s) ++end;
      if (end - k >= 3) {
        addPoints(xs + from, ys + from, k + 1 - from);
        from = end - 1;
      }
    }
    k = end;
  }
  addPoints(xs + from, ys + from, edge.count - from);
}

// One layer polygon from its sampled edge, then its foam, for rows top .. bottom - 1.
void drawLayerOutline(const WaveEdge& edge, const FoamRuns& foam, Color fillColour,
                      Color foamColour, int top = 0, int bottom = INT_MAX) {
  beginPath();
  addPoint(0.0f, edge.base);
  addSamplesForRows(edge, top, bottom);
  addPoint(static_cast<float>(backBuffer.viewWidth), edge.base);
  fillPath(fillColour, BLEND_COPY);

  for (int p = 0; p < foam.polygons(); ++p) {
    beginPath();
    for (int i = foam.starts[p]; i < foam.starts[p + 1]; ++i) {
      addPoint(foam.points[2 * i], foam.points[2 * i + 1]);
    }
    fillPath(foamColour, BLEND_COPY);
  }
}

}  // namespace

float bias(float t, float k) {
  const float d = static_cast<float>(1.0 - static_cast<double>(k) * t);
  if (d == 0.0f) return 1.0f;
  return static_cast<float>(1.0 - (1.0 - static_cast<double>(t)) / d);
}

LayerParameters layerParameters(int i, int n) {
  LayerParameters p;
  const float e = n > 0 ? static_cast<float>(i) / static_cast<float>(n) : 1.0f;
  if (i == n) {
    p.depth = 0.0f;
  } else {
    const float s = static_cast<float>(i + 1) / static_cast<float>(n);
    p.depth = static_cast<float>(0.4 - 0.3 * bias(s, 0.7f));
  }
  p.level = static_cast<float>(0.4 - 0.3 * bias(e, 0.7f));
  const double denominator = 0.5 * (1.0 - e) + e;
  const double h = denominator == 0.0 ? 0.0 : e / denominator;
  p.stretch = static_cast<float>(1.7 - 1.5 * h);
  p.amplitude = static_cast<float>(0.8 * bias(e, 0.5f) + 0.1);
  p.weight = static_cast<int>(static_cast<double>(e) * 240.0 + 15.0);
  return p;
}

void sampleWaveEdge(float depth, float level, float stretch, float amplitude, float timeY,
                    float shift, WaveEdge& edge) {
  const double force = waveForce;
  const float width = static_cast<float>(backBuffer.viewWidth);
  const float bottom = static_cast<float>(backBuffer.viewMaxY);
  const float x0 = static_cast<float>(2500.0 - 2000.0 * stretch + shift);
  const float span = static_cast<float>(
      static_cast<double>(static_cast<float>(2500.0 + 2000.0 * stretch + shift)) - x0);
  edge.base =
      static_cast<float>((force * 0.05 * amplitude + (1.0 - depth)) * backBuffer.viewHeight + 0.5);
  const float y1 = static_cast<float>(static_cast<double>(timeY) * 1.35 + 1347.0);
  const float y3 = static_cast<float>(static_cast<double>(timeY) + 2347.0);
  const float rippleAmplitude = static_cast<float>(force * amplitude * 0.1);
  const float swellAmplitude = static_cast<float>(force * amplitude * 0.15);
  const double swellScale = force * 0.05 * amplitude;
  const double groundScale = force * 0.075 * amplitude;

  // floor(width / 3) + 2 samples; never fewer slots than a 5994-wide view needs.
  const std::size_t samples = static_cast<std::size_t>(backBuffer.viewWidth) / 3 + 2;
  const std::size_t slots = samples > minimumWaveSamples ? samples : minimumWaveSamples;
  if (edge.heights.size() < slots) {
    edge.heights.resize(slots);
    edge.xs.resize(slots);
    edge.ys.resize(slots);
    edge.ripple.resize(slots);
    edge.swell.resize(slots);
    edge.ground.resize(slots);
  }

  // The sample positions: x = 0, 3, 6, ... up to and including the first beyond the
  // width.
  float* const xs = edge.xs.data();
  int count = 0;
  for (float x = 0.0f;; x = static_cast<float>(x + 3.0)) {
    xs[count++] = x;
    if (x > width) break;
  }

  // Each sample's three noise coordinates, then each noise curve along its own row
  // of the grid, in place. The SSE2 loops do two samples at a time with the same
  // double operations as the single steps, so every lane rounds alike.
  float* const ripple = edge.ripple.data();
  float* const swell = edge.swell.data();
  float* const ground = edge.ground.data();
  const auto coordinates = [&](int k) {
    const float u = static_cast<float>(static_cast<double>(span) * xs[k] / width + x0);
    ripple[k] = static_cast<float>(u * 2.5 / force);
    swell[k] = static_cast<float>(u / force);
    ground[k] = static_cast<float>(u * 0.5 / force);
  };
  int k = 0;
#if defined(__SSE2__)
  {
    const __m128d spanD = _mm_set1_pd(span), widthD = _mm_set1_pd(width);
    const __m128d x0D = _mm_set1_pd(x0), forceD = _mm_set1_pd(force);
    for (; k + 2 <= count; k += 2) {
      const __m128d x = _mm_cvtps_pd(loadTwo(xs + k));
      const __m128d u =
          _mm_cvtps_pd(_mm_cvtpd_ps(_mm_add_pd(_mm_div_pd(_mm_mul_pd(spanD, x), widthD), x0D)));
      storeTwo(ripple + k, _mm_cvtpd_ps(_mm_div_pd(_mm_mul_pd(u, _mm_set1_pd(2.5)), forceD)));
      storeTwo(swell + k, _mm_cvtpd_ps(_mm_div_pd(u, forceD)));
      storeTwo(ground + k, _mm_cvtpd_ps(_mm_div_pd(_mm_mul_pd(u, _mm_set1_pd(0.5)), forceD)));
    }
  }
#endif
  for (; k < count; ++k) coordinates(k);
  sampleRow2D(noiseRow2D(noiseGrid, y1, 1, rippleAmplitude, 4), ripple, ripple, count);
  sampleRow2D(noiseRow2D(noiseGrid, timeY, 1, swellAmplitude, 4), swell, swell, count);
  sampleRow2D(noiseRow2D(noiseGrid, y3, 1, 0.0f, -1), ground, ground, count);

  // The heights and the outline rows.
  float* const ys = edge.ys.data();
  float* const heights = edge.heights.data();
  const auto height = [&](int k) {
    const float p = static_cast<float>((swell[k] + 0.25 * ripple[k]) * swellScale);
    const float y = static_cast<float>(ground[k] * groundScale + (static_cast<double>(p) + level));
    ys[k] = static_cast<float>(bottom - static_cast<double>(y) * bottom);
    heights[k] = y;
  };
  k = 0;
#if defined(__SSE2__)
  {
    const __m128d swellD = _mm_set1_pd(swellScale), groundD = _mm_set1_pd(groundScale);
    const __m128d levelD = _mm_set1_pd(level), bottomD = _mm_set1_pd(bottom);
    for (; k + 2 <= count; k += 2) {
      const __m128d r = _mm_cvtps_pd(loadTwo(ripple + k));
      const __m128d s = _mm_cvtps_pd(loadTwo(swell + k));
      const __m128d g = _mm_cvtps_pd(loadTwo(ground + k));
      const __m128d p = _mm_cvtps_pd(
          _mm_cvtpd_ps(_mm_mul_pd(_mm_add_pd(s, _mm_mul_pd(_mm_set1_pd(0.25), r)), swellD)));
      const __m128 y = _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(g, groundD), _mm_add_pd(p, levelD)));
      storeTwo(ys + k, _mm_cvtpd_ps(_mm_sub_pd(bottomD, _mm_mul_pd(_mm_cvtps_pd(y), bottomD))));
      storeTwo(heights + k, y);
    }
  }
#endif
  for (; k < count; ++k) height(k);
  edge.count = count;
}

void findFoam(const WaveEdge& edge, float level, float amplitude, FoamRuns& runs) {
  runs.points.clear();
  runs.starts.clear();
  if (edge.count < 2) return;
  const double bottom = backBuffer.viewMaxY;
  const double limit = level + (waveForce + 0.1) * (amplitude * 0.075);
  auto surface = [&](int m) {
    runs.points.push_back(static_cast<float>(3.0 * m));
    runs.points.push_back(static_cast<float>(bottom - edge.heights[m] * bottom));
  };
  auto closeRun = [&](int from, int start) {
    for (int m = from; m >= start; --m) surface(m);
  };
  int start = -1;
  const int lastFoamPoint = edge.count - 2;  // the last sample is never a foam point
  for (int j = 0; j <= lastFoamPoint; ++j) {
    const double over = edge.heights[j] - limit;
    const float excess = static_cast<float>(over > 0.0 ? over : 0.0);
    if (excess > 0.0001) {
      if (start < 0) {
        start = j;
        runs.starts.push_back(static_cast<int>(runs.points.size() / 2));
      }
      runs.points.push_back(static_cast<float>(3.0 * j));
      runs.points.push_back(static_cast<float>(bottom - edge.heights[j] * bottom - excess * 200.0));
    } else if (start >= 0) {
      // Back along the water, including this first sample below the limit.
      closeRun(j, start);
      start = -1;
    }
  }
  if (start >= 0) closeRun(lastFoamPoint, start);
  if (!runs.starts.empty()) runs.starts.push_back(static_cast<int>(runs.points.size() / 2));
}

void drawWaveLayer(float depth, float level, float stretch, float amplitude, float timeY,
                   float shift, Color fillColour, Color foamColour) {
  sampleWaveEdge(depth, level, stretch, amplitude, timeY, shift, layerEdge);
  findLayerFoam(layerEdge, level, amplitude, whiteHorses, layerFoam);
  wavesTop = higherOf(wavesTop, layerTop(edgeRows(layerEdge).highest, layerEdge, layerFoam));
  drawLayerOutline(layerEdge, layerFoam, fillColour, foamColour);
}

void sampleWaveLayers() {
  const double direction = waveDirection;
  wavePhase = static_cast<float>(wavePhase + 1.25 * direction);
  if (std::fabs(static_cast<double>(wavePhase)) > phaseLimit) wavePhase = 347.347f;
  discX = static_cast<float>(discX + 0.333 * direction);
  if (-discRadius > discX) {
    discX = static_cast<float>(static_cast<float>(backBuffer.viewWidth) + discRadius);
  }
  sampledCount = std::max(layerCount + 1, 0);
  if (sampledLayers.size() < static_cast<std::size_t>(sampledCount)) {
    sampledLayers.resize(sampledCount);
  }
  sampledFoam = whiteHorses;  // one reading: every layer of the frame agrees
  // Each layer on its own: the drawing threads take every count-th one.
  runOnDrawingThreads([](int index, int count) {
    for (int i = index; i < sampledCount; i += count) {
      SampledLayer& layer = sampledLayers[i];
      const WaveLayerCall& c = layer.call = waveLayerCall(i);
      sampleWaveEdge(c.depth, c.level, c.stretch, c.amplitude, c.timeY, c.shift, layer.edge);
      const EdgeRows rows = edgeRows(layer.edge);
      findHiddenRows(layer, rows.lowest);
      findLayerFoam(layer.edge, c.level, c.amplitude, sampledFoam, layer.foam);
      layer.top = layerTop(rows.highest, layer.edge, layer.foam);
    }
  });
  wavesTop = HUGE_VALF;
  for (int i = 0; i < sampledCount; ++i) wavesTop = higherOf(wavesTop, sampledLayers[i].top);
}

namespace {

// The first row from which every row down to the bottom is covered whole (but in
// column 0) by some layer from `first` on: the stretch of covered rows grows up from
// the bottom while some layer's own stretch reaches into it, in whatever order.
int hiddenByLayersFrom(int first) {
  int from = std::max(backBuffer.viewHeight, 0);
  if (!fullCoverageIsWhole()) return from;
  for (bool grew = true; grew;) {
    grew = false;
    for (int i = first; i < sampledCount; ++i) {
      const SampledLayer& layer = sampledLayers[i];
      if (layer.hiddenTop < from && layer.hiddenEnd >= from) {
        from = layer.hiddenTop;
        grew = true;
      }
    }
  }
  return from;
}

}  // namespace

int wavesHideFrom() { return hiddenByLayersFrom(0); }

NearestCover nearestLayerCover() {
  NearestCover cover;
  cover.from = hiddenByLayersFrom(std::max(sampledCount - 1, 0));
  if (sampledCount > 0) cover.fill = sampledLayers[sampledCount - 1].call.fill;
  return cover;
}

// Each layer and its foam leave out what the layers after them paint over, but for
// column 0, which every layer only half covers.
void drawSampledWaveLayers(int top, int bottom, int keptFrom) {
  for (int i = 0; i < sampledCount; ++i) {
    const SampledLayer& layer = sampledLayers[i];
    setFillRows(0, std::min(hiddenByLayersFrom(i + 1), keptFrom), 1);
    drawLayerOutline(layer.edge, layer.foam, layer.call.fill, layer.call.foam, top, bottom);
  }
  clearFillRows();
}

void drawWaveLayers() {
  sampleWaveLayers();
  drawSampledWaveLayers();
}

WaveLayerCall waveLayerCall(int i) {
  const LayerParameters p = layerParameters(i, layerCount);
  const float e = layerCount > 0 ? static_cast<float>(i) / static_cast<float>(layerCount) : 1.0f;
  WaveLayerCall c;
  c.depth = p.depth;
  c.level = p.level;
  c.stretch = p.stretch;
  c.amplitude = p.amplitude;
  c.timeY = static_cast<float>(1.5 * wavePhase + 700.0 * e);
  c.shift = -wavePhase;
  c.fill = lerpColor(lightColour, deepColour, p.weight);
  c.foam = lerpColor(lightColour, foamWhite, p.weight);
  return c;
}
