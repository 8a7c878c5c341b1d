// The sea's wave layers: twenty filled polygons whose top edges are sums of
// noise curves sampled every 3 pixels, with optional foam on the crests.
#pragma once

#include <climits>
#include <vector>

#include "blend/color.h"
#include "shell/shared_word.h"

// ---- scene state read here (written by the key handler on the main thread) ----
extern SharedWord<float> waveForce;      // 1.0 .. 3.0: wave height and frequency
extern SharedWord<float> waveDirection;  // +1 or -1: sign of the phase and disc drift
extern float wavePhase;                  // advanced by 1.25 * direction per frame
extern SharedWord<int> whiteHorses;      // foam on (1) or off (0)
extern int layerCount;                   // layers 0 .. layerCount are drawn
extern SharedWord<Color> deepColour;     // near water
extern SharedWord<Color> lightColour;    // far water and sky
extern Color foamWhite;                  // what the foam mixes towards
extern float discX;                      // the disc's centre, drifted here
extern float discRadius;
// The highest point (least y) the layers sampled last (or drawWaveLayer since) put
// into any outline: no layer or foam draws above its row. -inf when a point was not
// a number.
extern float wavesTop;

// 1 - (1 - t) / (1 - k t); 1 where the float value of 1 - k t is exactly 0.
float bias(float t, float k);

// The parameters of layer i of n + 1 (i = 0 farthest).
struct LayerParameters {
  float depth, level, stretch, amplitude;
  int weight;  // 15 for the farthest layer, 255 for the nearest
};
LayerParameters layerParameters(int i, int n);

// One layer's top edge: sample points and their heights (fractions of the view
// height from the bottom row).
struct WaveEdge {
  std::vector<float> xs, ys;
  std::vector<float> heights;                // grows past 2000 samples for views over 5994 wide
  std::vector<float> ripple, swell, ground;  // scratch: each curve's noise per sample
  int count = 0;                             // samples taken
  float base = 0.0f;                         // the baseline row of the layer polygon
};

// Samples the edge of one layer into `edge` (reusing its storage).
void sampleWaveEdge(float depth, float level, float stretch, float amplitude, float timeY,
                    float shift, WaveEdge& edge);

// The foam polygons of one sampled edge: points as x, y pairs one after another;
// polygon p has the points from starts[p] to starts[p + 1] (exclusive, in pairs).
struct FoamRuns {
  std::vector<float> points;
  std::vector<int> starts;  // one more entry than polygons
  int polygons() const { return starts.empty() ? 0 : static_cast<int>(starts.size()) - 1; }
};
void findFoam(const WaveEdge& edge, float level, float amplitude, FoamRuns& runs);

void drawWaveLayer(float depth, float level, float stretch, float amplitude, float timeY,
                   float shift, Color fillColour, Color foamColour);
void drawWaveLayers();  // one frame: sampleWaveLayers, then drawSampledWaveLayers

// A frame in two steps, so that what lies under the waves need not be drawn:
// sampleWaveLayers advances the phase and the disc and samples every layer's edge
// and foam;
// wavesHideFrom then gives the first row from which every row down to the bottom
// will be painted over whole, in every column but the first, by some layer (the
// view's height when none is); drawSampledWaveLayers draws the sampled layers, each
// leaving out what the later ones paint over. It only reads what was sampled, so
// bands of rows may draw it on several threads at once; a band that plots only rows
// top .. bottom - 1 (setFillBand) says so, and the layers' outlines are built for them.
// Rows from `keptFrom` down are drawn in column 0 alone: a caller whose view still
// holds the last frame, and knows the nearest layer painted them whole in the same
// colour then and now (NearestCover), leaves the rest as it is.
void sampleWaveLayers();
int wavesHideFrom();
void drawSampledWaveLayers(int top = 0, int bottom = INT_MAX, int keptFrom = INT_MAX);

// Where the nearest layer alone paints every row from `from` to the bottom whole in
// its `fill`, in every column but the first (from is the view's height when it
// does not); such rows look the same in any two frames that agree on it.
struct NearestCover {
  int from = 0;
  Color fill = 0;
};
NearestCover nearestLayerCover();

// What drawWaveLayers hands layer i at the current phase and colours (the frame
// benchmarks replay single steps of a frame with it).
struct WaveLayerCall {
  float depth, level, stretch, amplitude, timeY, shift;
  Color fill, foam;
};
WaveLayerCall waveLayerCall(int i);
