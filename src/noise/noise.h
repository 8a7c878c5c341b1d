// Value noise on periodic lattices in one, two and three dimensions: a grid of
// random values in [0, 1] filled once from RandomSeed, sampled anywhere by
// interpolating between the surrounding lattice values.
//
// Interpolation types (the `type` argument of every sampler):
//   0 linear; 1 smoothstep (3 - 2f) f^2;
//   4 linear minus amplitude * hump(f), a trough between lattice points;
//   5 linear plus amplitude * hump(f), a crest between lattice points;
//   anything else linear.
// hump(f) is 0 at both lattice points and 1 halfway between them.
//
// Odd input, all with a safe result:
//   - an init whose lattice is empty (a negative last index) or larger than
//     maxNoiseValues refuses: it returns 0 and leaves the grid empty;
//   - sampling an empty grid returns 0;
//   - a coordinate that is NaN or infinite (also through a zero or non-finite scale)
//     samples as if it were 0 on that axis;
//   - octave counts below 0 act as 0; octaves past the point where their weight
//     underflows to 0 add nothing and are skipped.
#pragma once

#include <vector>

constexpr int maxNoiseValues = 1 << 24;    // largest lattice or table, in floats (64 MB)
constexpr double octaveFactor = 1.7773;    // coordinate growth per octave (1D and 2D)
constexpr float octaveFactor3D = 1.7773f;  // the same, rounded to float, for 3D

// A periodic lattice of n values along one axis.
struct NoiseGrid1D {
  std::vector<float> values;  // n lattice values
  float scale = 1.0f;         // caller units per lattice step
  std::vector<float> table;   // buildTable1D's samples; empty until built
  int last = -1;              // highest index given to init1D
  int n = 0;                  // the period, last + 1
  float period = 0.0f;        // n as a float
};

// A periodic lattice of nx x ny values.
struct NoiseGrid2D {
  std::vector<float> values;             // nx * ny values, (i, j) at i + j * stride
  float scale = 1.0f;                    // caller units per lattice step
  int lastX = -1, lastY = -1;            // highest indices given to init2D
  int stride = 0;                        // = nx
  int nx = 0, ny = 0;                    // the periods, last + 1
  float periodX = 0.0f, periodY = 0.0f;  // the periods as floats
};

// A periodic lattice of nx x ny x nz values.
struct NoiseGrid3D {
  NoiseGrid3D();              // initialised with (10, 10, 10, 10.0): draws 1331 random values
  std::vector<float> values;  // (i, j, k) at i + j * nx + k * nx * ny
  float scale = 1.0f;         // caller units per lattice step
  int lastX = -1, lastY = -1, lastZ = -1;                // highest indices given to init3D
  int nx = 0, ny = 0, nz = 0;                            // the periods, last + 1
  float periodX = 0.0f, periodY = 0.0f, periodZ = 0.0f;  // the periods as floats
};

// The scene's grid: empty until init2D, process thread only.
extern NoiseGrid2D noiseGrid;

// ---- one dimension -------------------------------------------------------
int init1D(NoiseGrid1D& g, int last, float scale);  // 1, or 0 when refused
float value1D(const NoiseGrid1D& g, int index);     // any index, wrapped by n
// The noise at x (caller units), interpolated by `type` with `amplitude`.
float sample1D(const NoiseGrid1D& g, float x, int type, float amplitude);
// The sample at x with amplitude 0, plus `count` octaves with it: for each, the
// coordinate grown by octaveFactor and the weight halved.
float octaves1D(const NoiseGrid1D& g, float x, int count, int type, float amplitude);
// trunc(scale * n + 0.5) samples over one period, mapped to centre +- spread;
// 1, or 0 (table left empty) when that length is negative, not finite or above
// maxNoiseValues.
int buildTable1D(NoiseGrid1D& g, float centre, float spread, int type, float amplitude);
void clear(NoiseGrid1D& g);  // zeroes the values, keeps the size

// ---- two dimensions ------------------------------------------------------
int init2D(NoiseGrid2D& g, int lastX, int lastY, float scale);  // 1, or 0 when refused
// typeX is the horizontal pass's type; -1 means the same as `type`.
float sample2D(const NoiseGrid2D& g, float x, float y, int type, float amplitude, int typeX);
// sample2D plus octaves, as octaves1D.
float octaves2D(const NoiseGrid2D& g, float x, float y, int count, int type, float amplitude,
                int typeX);
void clear(NoiseGrid2D& g);  // zeroes the values, keeps the size

// Many samples along one y: the two lattice rows and the vertical weights are found
// once. Every sample equals sample2D(g, x, y, type, amplitude, typeX) bit for bit,
// odd input included. The row refers to the grid: re-make it after the grid changes.
struct NoiseRow2D {
  const NoiseGrid2D* grid = nullptr;  // null when the grid was empty: samples are 0
  const float* row0 = nullptr;        // lattice rows above and below y
  const float* row1 = nullptr;        // (the one below)
  float t = 0.0f;                     // the vertical pass's weight
  float e = 0.0f;                     // the vertical pass's extra term (types 4 and 5)
  int typeX = 0;                      // the horizontal pass's type (-1 already resolved)
  float amplitude = 0.0f;             // of the horizontal pass
};
// The row of samples at y, for sampleRow2D.
NoiseRow2D noiseRow2D(const NoiseGrid2D& g, float y, int type, float amplitude, int typeX);
float sampleRow2D(const NoiseRow2D& r, float x);  // the sample at x of the row
// out[k] = sampleRow2D(r, xs[k]) for k < count; out may be xs.
void sampleRow2D(const NoiseRow2D& r, const float* xs, float* out, int count);

// ---- three dimensions ----------------------------------------------------
int init3D(NoiseGrid3D& g, int lastX, int lastY, int lastZ, float scale);  // 1 or 0
// The noise at (x, y, z), interpolated by `type` on all three axes.
float sample3D(const NoiseGrid3D& g, float x, float y, float z, int type, float amplitude);
// sample3D plus octaves, the coordinates grown by octaveFactor3D.
float octaves3D(const NoiseGrid3D& g, float x, float y, float z, int count, int type,
                float amplitude);
void clear(NoiseGrid3D& g);  // zeroes the values, keeps the size
