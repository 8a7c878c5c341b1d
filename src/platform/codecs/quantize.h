// Median-cut palette for GIF, shared by the Debian-library codecs and the GDI+
// pictures on Windows (which link nothing in common, hence a header). The distinct
// opaque colours, each with its pixel count, are split box by box: the box whose
// colours spread the most (weighted variance) is cut at the weighted median of its
// widest channel, until there are as many boxes as palette entries. Each box's entry
// is its weighted mean, and every colour in a box maps to that entry. A picture with
// few enough colours keeps them all exactly, so it survives a save and load unchanged.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace emu {
namespace quantize_detail {

struct ColourCount {
  std::uint32_t colour;  // 0xRRGGBB
  std::uint32_t count;   // pixels of that colour
  int box;               // palette entry it maps to
};

inline int channel(std::uint32_t colour, int c) { return (colour >> (16 - 8 * c)) & 0xFF; }

// A run [begin, end) of the colour list.
struct Box {
  std::size_t begin, end;
  double spread;  // weighted variance of the widest channel
  int widest;     // 0 red, 1 green, 2 blue
};

inline Box measure(const std::vector<ColourCount>& colours, std::size_t begin, std::size_t end) {
  Box box{begin, end, 0.0, 0};
  double weight = 0, sum[3] = {}, squares[3] = {};
  for (std::size_t i = begin; i < end; ++i) {
    const double w = colours[i].count;
    weight += w;
    for (int c = 0; c < 3; ++c) {
      const double v = channel(colours[i].colour, c);
      sum[c] += w * v;
      squares[c] += w * v * v;
    }
  }
  for (int c = 0; c < 3; ++c) {
    const double variance = squares[c] - sum[c] * sum[c] / weight;
    if (variance > box.spread) {
      box.spread = variance;
      box.widest = c;
    }
  }
  if (end - begin < 2) box.spread = 0;
  return box;
}

// Cuts a box at the weighted median of its widest channel; both halves keep at least
// one colour.
inline std::size_t cut(std::vector<ColourCount>& colours, const Box& box) {
  const int c = box.widest;
  std::sort(colours.begin() + box.begin, colours.begin() + box.end,
            [c](const ColourCount& a, const ColourCount& b) {
              return channel(a.colour, c) < channel(b.colour, c) ||
                     (channel(a.colour, c) == channel(b.colour, c) && a.colour < b.colour);
            });
  std::uint64_t total = 0;
  for (std::size_t i = box.begin; i < box.end; ++i) total += colours[i].count;
  std::uint64_t running = 0;
  std::size_t split = box.begin + 1;
  for (std::size_t i = box.begin; i < box.end - 1; ++i) {
    running += colours[i].count;
    split = i + 1;
    if (2 * running >= total) break;
  }
  return split;
}

inline std::uint32_t meanColour(const std::vector<ColourCount>& colours, const Box& box) {
  double weight = 0, sum[3] = {};
  for (std::size_t i = box.begin; i < box.end; ++i) {
    weight += colours[i].count;
    for (int c = 0; c < 3; ++c)
      sum[c] += static_cast<double>(colours[i].count) * channel(colours[i].colour, c);
  }
  std::uint32_t result = 0;
  for (int c = 0; c < 3; ++c) {
    result = (result << 8) | static_cast<std::uint32_t>(sum[c] / weight + 0.5);
  }
  return result;
}

}  // namespace quantize_detail

// Reduces the opaque colours of `picture` (alpha >= 128) to at most `maxColours`
// palette entries (0xRRGGBB); a picture with no more distinct colours than that keeps
// every colour exactly. `indices` receives one palette index per pixel (row after
// row, packed); pixels with alpha below 128 get `transparentIndex`, an entry of
// colour 0 placed after the colours (-1 when no pixel is transparent). The palette
// holds two entries at least. May throw std::bad_alloc.
inline void quantize(const PictureData& picture, int maxColours, std::uint32_t* palette,
                     int& paletteSize, std::uint8_t* indices, int& transparentIndex) {
  using namespace quantize_detail;
  paletteSize = 0;
  transparentIndex = -1;
  maxColours = std::clamp(maxColours, 2, 256);

  // Distinct opaque colours with their counts: sort, then fold equal runs.
  std::vector<std::uint32_t> opaque;
  bool anyTransparent = false;
  opaque.reserve(picture.pixels.size());
  for (std::uint32_t p : picture.pixels) {
    if ((p >> 24) >= 0x80)
      opaque.push_back(p & 0xFFFFFFu);
    else
      anyTransparent = true;
  }
  std::sort(opaque.begin(), opaque.end());
  std::vector<ColourCount> colours;
  for (std::size_t i = 0; i < opaque.size();) {
    std::size_t j = i;
    while (j < opaque.size() && opaque[j] == opaque[i]) ++j;
    colours.push_back({opaque[i], static_cast<std::uint32_t>(j - i), 0});
    i = j;
  }
  opaque = {};

  const int entries = anyTransparent ? maxColours - 1 : maxColours;
  std::vector<Box> boxes;
  if (!colours.empty()) boxes.push_back(measure(colours, 0, colours.size()));
  while (static_cast<int>(boxes.size()) < entries) {
    auto widest = std::max_element(boxes.begin(), boxes.end(),
                                   [](const Box& a, const Box& b) { return a.spread < b.spread; });
    if (widest->spread <= 0) break;  // every box is a single colour: nothing is lost
    const Box box = *widest;
    const std::size_t split = cut(colours, box);
    *widest = measure(colours, box.begin, split);
    boxes.push_back(measure(colours, split, box.end));
  }

  for (std::size_t b = 0; b < boxes.size(); ++b) {
    palette[b] = meanColour(colours, boxes[b]);
    for (std::size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
      colours[i].box = static_cast<int>(b);
    }
  }
  paletteSize = static_cast<int>(boxes.size());
  if (anyTransparent) {
    transparentIndex = paletteSize;
    palette[paletteSize++] = 0;
  }
  if (paletteSize < 2) palette[paletteSize++] = 0;  // a table holds two entries at least

  // Each pixel finds its colour in the list, sorted by colour again.
  std::sort(colours.begin(), colours.end(),
            [](const ColourCount& a, const ColourCount& b) { return a.colour < b.colour; });
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    const std::uint32_t p = picture.pixels[i];
    if ((p >> 24) < 0x80) {
      indices[i] = static_cast<std::uint8_t>(transparentIndex);
      continue;
    }
    const auto it = std::lower_bound(
        colours.begin(), colours.end(), p & 0xFFFFFFu,
        [](const ColourCount& a, std::uint32_t colour) { return a.colour < colour; });
    indices[i] = static_cast<std::uint8_t>(it->box);
  }
}

}  // namespace emu
