// The polygon fill's inputs as the raster fuzz target reads them from bytes; the
// unit tests feed it random bytes to get the same kinds of outline.
//
// Bytes, read in order (missing bytes read as 0):
//   2 + 2   view width and height, each 1 .. 8192, the height then cut so the view
//           has at most 2^18 pixels (fuzz::viewSize);
//   1       bit 0 the fill rule (0 non-zero, 1 even-odd), bit 1 a top-down surface,
//           bits 2-7 the cell store's size (see shrunkStore());
//   then    commands until the input ends: a byte whose low 3 bits are 0 starts a new
//           sub-path; any other adds a point whose x and y are each decoded by a
//           selector byte: small (2 bytes: -1024 .. 1023 plus 1/32 steps around the
//           view), raw (4 bytes: any float, NaN, infinity and huge ones too), or one
//           of the limits the fill cuts at and values just beyond them.
// At most 64 sub-paths and 4096 points: more adds nothing the fuzzer can find in
// the time a run may take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "byte_reader.h"
#include "reference_raster.h"

struct RasterInput {
  int width = 1, height = 1;
  int rule = 0;          // 0 non-zero, 1 even-odd
  bool topDown = false;  // rows top first in memory
  int store = 0;         // 0 the full store, else 1 .. 63: see shrunkStore()
  std::vector<ReferenceSubPath> path;
};

// The store for a fill of `cells` cells: 1 .. 60 take that many 64ths of them (from a
// single band to as many bands as rows), 61 .. 63 one cell less, exactly as many and
// one more.
inline int shrunkStore(int store, int cells) {
  if (store >= 61) return cells + store - 62 > 0 ? cells + store - 62 : 1;
  const long long part = static_cast<long long>(cells) * store / 64;
  return part > 0 ? static_cast<int>(part) : 1;
}

namespace raster_input {

using fuzz::Bytes;

inline float coordinate(Bytes& in, int side) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  static const float limits[] = {
      32767.0f, -32767.0f, 32766.4f, -32768.6f, 4194303.0f, -4194303.0f, 4194304.5f, -4194305.0f,
      1e9f,     -1e9f,     3.4e38f,  -3.4e38f,  inf,        -inf,        -0.5f,      0.0f};
  const std::uint8_t selector = in.byte();
  switch (selector % 4) {
    case 0: {
      const int v = static_cast<std::int16_t>(in.u16());
      return v / 32.0f + (selector & 4 ? static_cast<float>(side) : 0.0f);
    }
    case 1: {
      const std::uint32_t bits = in.u32();
      float v;
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
    case 2:
      return limits[(selector >> 2) % 16];
    default:
      return static_cast<float>(static_cast<std::int16_t>(in.u16()));
  }
}

}  // namespace raster_input

inline RasterInput decodeRasterInput(const std::uint8_t* data, std::size_t size) {
  using namespace raster_input;
  constexpr int maxSubPaths = 64, maxPoints = 4096;
  Bytes in(data, size);
  RasterInput r;
  const fuzz::ViewSize view = fuzz::viewSize(in);
  r.width = view.width;
  r.height = view.height;
  const std::uint8_t flags = in.byte();
  r.rule = flags & 1;
  r.topDown = (flags & 2) != 0;
  r.store = flags >> 2;
  int points = 0;
  while (!in.empty() && points < maxPoints) {
    const std::uint8_t command = in.byte();
    if (command % 8 == 0 || r.path.empty()) {
      if (static_cast<int>(r.path.size()) == maxSubPaths) break;
      r.path.emplace_back();
      if (command % 8 == 0) continue;
    }
    const float x = coordinate(in, r.width);
    const float y = coordinate(in, r.height);
    r.path.back().push_back({x, y});
    ++points;
  }
  return r;
}
