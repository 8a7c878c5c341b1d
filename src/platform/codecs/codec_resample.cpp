// High-quality bicubic resample, separable: each output row is a weighted sum of
// horizontally resampled source rows, which are made once each and kept in a small
// ring while the output rows that need them are made.
//
// Sample positions are pixel centres: output pixel i sits at source position
// (i + 0.5) * scale - 0.5 with scale = source size / output size. The kernel is the
// cubic with a = -0.5 (it passes through the samples); when shrinking it is
// stretched by the scale so that every source pixel contributes. Edges mirror:
//
//     source   | 2 1 0 | 0 1 2 ... n-1 | n-1 n-2 |
//              mirrored   the picture     mirrored
//
// Colour is filtered premultiplied by alpha, so transparent pixels lend no colour.

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "platform/codecs/codecs.h"

namespace emu {
namespace {

float cubic(float x) {
  x = std::fabs(x);
  if (x < 1.0f) return (1.5f * x - 2.5f) * x * x + 1.0f;
  if (x < 2.0f) return ((-0.5f * x + 2.5f) * x - 4.0f) * x + 2.0f;
  return 0.0f;
}

// Source index of position i on a line of n pixels mirrored at both ends, for any i.
int mirror(long long i, int n) {
  const long long period = 2LL * n;
  long long m = i % period;
  if (m < 0) m += period;
  return static_cast<int>(m < n ? m : period - 1 - m);
}

// For every output position: `taps` source indices and normalised weights.
struct Filter {
  int taps = 0;
  std::vector<int> index;
  std::vector<float> weight;
};

void makeFilter(int sourceSize, int outputSize, Filter& filter) {
  const double scale = static_cast<double>(sourceSize) / outputSize;
  const double stretch = std::max(scale, 1.0);
  const double radius = 2.0 * stretch;
  filter.taps = static_cast<int>(std::ceil(2.0 * radius)) + 1;
  filter.index.assign(static_cast<std::size_t>(outputSize) * filter.taps, 0);
  filter.weight.assign(static_cast<std::size_t>(outputSize) * filter.taps, 0.0f);
  for (int i = 0; i < outputSize; ++i) {
    const double centre = (i + 0.5) * scale - 0.5;
    const long long first = static_cast<long long>(std::floor(centre - radius)) + 1;
    float total = 0.0f;
    int* index = &filter.index[static_cast<std::size_t>(i) * filter.taps];
    float* weight = &filter.weight[static_cast<std::size_t>(i) * filter.taps];
    for (int t = 0; t < filter.taps; ++t) {
      const long long j = first + t;
      index[t] = mirror(j, sourceSize);
      weight[t] = cubic(static_cast<float>((j - centre) / stretch));
      total += weight[t];
    }
    for (int t = 0; t < filter.taps; ++t) weight[t] /= total;
  }
}

// One source row, premultiplied and filtered horizontally: 4 floats a pixel (b g r a).
void filterRow(const std::uint32_t* source, const Filter& filter, int width, float* out) {
  for (int x = 0; x < width; ++x) {
    const int* index = &filter.index[static_cast<std::size_t>(x) * filter.taps];
    const float* weight = &filter.weight[static_cast<std::size_t>(x) * filter.taps];
    float b = 0, g = 0, r = 0, a = 0;
    for (int t = 0; t < filter.taps; ++t) {
      const std::uint32_t p = source[index[t]];
      const float alpha = static_cast<float>(p >> 24);
      const float w = weight[t] * alpha * (1.0f / 255.0f);
      b += w * static_cast<float>(p & 0xFF);
      g += w * static_cast<float>((p >> 8) & 0xFF);
      r += w * static_cast<float>((p >> 16) & 0xFF);
      a += weight[t] * alpha;
    }
    out[4 * x] = b;
    out[4 * x + 1] = g;
    out[4 * x + 2] = r;
    out[4 * x + 3] = a;
  }
}

std::uint32_t toByte(float v) {
  return static_cast<std::uint32_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f);
}

// Back from premultiplied, every colour channel kept within its alpha.
std::uint32_t packPixel(float b, float g, float r, float a) {
  const float alpha = std::clamp(a, 0.0f, 255.0f);
  if (alpha < 0.5f) return 0;
  const float unscale = 255.0f / alpha;
  const std::uint32_t blue = toByte(std::clamp(b, 0.0f, alpha) * unscale);
  const std::uint32_t green = toByte(std::clamp(g, 0.0f, alpha) * unscale);
  const std::uint32_t red = toByte(std::clamp(r, 0.0f, alpha) * unscale);
  return (toByte(alpha) << 24) | (red << 16) | (green << 8) | blue;
}

}  // namespace

bool resampleBicubic(const PictureData& source, int width, int height, PictureData& result) {
  result = PictureData{};
  const int w0 = source.width, h0 = source.height;
  if (w0 < 1 || h0 < 1 ||
      source.pixels.size() != static_cast<std::size_t>(w0) * static_cast<std::size_t>(h0)) {
    return false;
  }
  PictureData out;
  Filter across, down;
  std::vector<float> ring;
  std::vector<int> ringRow;
  try {
    if (!allocatePicture(out, width, height)) return false;
    makeFilter(w0, width, across);
    makeFilter(h0, height, down);
    // Rows needed by one output row span at most `taps` consecutive source rows
    // (mirroring keeps them within such a span), so row s can live in slot s % taps.
    const int slots = down.taps;
    if (static_cast<std::int64_t>(slots) * width > maxPicturePixels) return false;
    ring.assign(static_cast<std::size_t>(slots) * width * 4, 0.0f);
    ringRow.assign(static_cast<std::size_t>(slots), -1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const int slots = down.taps;
  for (int y = 0; y < height; ++y) {
    const int* index = &down.index[static_cast<std::size_t>(y) * slots];
    const float* weight = &down.weight[static_cast<std::size_t>(y) * slots];
    for (int t = 0; t < slots; ++t) {
      const int s = index[t];
      const int slot = s % slots;
      if (ringRow[slot] != s) {
        filterRow(source.pixels.data() + static_cast<std::size_t>(s) * w0, across, width,
                  &ring[static_cast<std::size_t>(slot) * width * 4]);
        ringRow[slot] = s;
      }
    }
    std::uint32_t* row = out.pixels.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      float b = 0, g = 0, r = 0, a = 0;
      for (int t = 0; t < slots; ++t) {
        const float* p = &ring[(static_cast<std::size_t>(index[t] % slots) * width + x) * 4];
        b += weight[t] * p[0];
        g += weight[t] * p[1];
        r += weight[t] * p[2];
        a += weight[t] * p[3];
      }
      row[x] = packPixel(b, g, r, a);
    }
  }
  result = std::move(out);
  return true;
}

}  // namespace emu
