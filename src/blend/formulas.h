// The ten blend modes, one byte at a time: the reference every kernel must match.
// Divisions by 256 are right shifts of non-negative values; avg rounds half up.
#pragma once

#include "blend/color.h"

namespace px {

constexpr int avg(int x, int y) { return (x + y + 1) >> 1; }

// ---- per-byte formulas (d destination, s source, a weight 0..255) ----------
// Alpha: (d*256 + (s - d)*a) >> 8; 256 - a, not 255 - a, so a = 255 keeps 1/256 of d.
constexpr int alphaByte(int d, int s, int a) { return (d * 256 + (s - d) * a) >> 8; }
constexpr int addByte(int d, int s) { return d + s > 255 ? 255 : d + s; }
constexpr int subtractByte(int d, int s) { return d > s ? d - s : 0; }
// Multiply and Screen divide by 256: 255 x 255 gives 254, Screen 0 over 0 gives 1.
constexpr int multiplyByte(int d, int s) { return (d * s) >> 8; }
constexpr int averageByte(int d, int s) { return avg(d, s); }
// Mix75 and Mix25 are two chained rounded averages, not a product by 3/4 or 1/4.
constexpr int mix75Byte(int d, int s) { return avg(s, avg(s, d)); }
constexpr int mix25Byte(int d, int s) { return avg(d, avg(d, s)); }
constexpr int lightenByte(int d, int s) { return d > s ? d : s; }
constexpr int screenByte(int d, int s) { return 255 - (((255 - d) * (255 - s)) >> 8); }

// ---- whole pixels --------------------------------------------------------
constexpr int byteOf(Color c, int i) { return static_cast<int>((c >> (8 * i)) & 0xFF); }
constexpr int alphaOf(Color c) { return byteOf(c, 3); }

// Applies a two-byte formula to each of the four bytes, alpha included.
template <int (*F)(int, int)>
constexpr Color perByte(Color d, Color s) {
  Color r = 0;
  for (int i = 0; i < 4; ++i) r |= static_cast<Color>(F(byteOf(d, i), byteOf(s, i))) << (8 * i);
  return r;
}

// The Alpha formula with an explicit weight on all four bytes.
constexpr Color alphaWeighted(Color d, Color s, int w) {
  Color r = 0;
  for (int i = 0; i < 4; ++i)
    r |= static_cast<Color>(alphaByte(byteOf(d, i), byteOf(s, i), w)) << (8 * i);
  return r;
}

constexpr Color copyPixel(Color, Color s) { return s; }
constexpr Color alphaPixel(Color d, Color s) { return alphaWeighted(d, s, alphaOf(s)); }
constexpr Color addPixel(Color d, Color s) { return perByte<addByte>(d, s); }
constexpr Color subtractPixel(Color d, Color s) { return perByte<subtractByte>(d, s); }
constexpr Color multiplyPixel(Color d, Color s) { return perByte<multiplyByte>(d, s); }
constexpr Color averagePixel(Color d, Color s) { return perByte<averageByte>(d, s); }
constexpr Color mix75Pixel(Color d, Color s) { return perByte<mix75Byte>(d, s); }
constexpr Color mix25Pixel(Color d, Color s) { return perByte<mix25Byte>(d, s); }
constexpr Color lightenPixel(Color d, Color s) { return perByte<lightenByte>(d, s); }
constexpr Color screenPixel(Color d, Color s) { return perByte<screenByte>(d, s); }

// ---- coverage weighting of the anti-aliased primitives (c = 0..255) --------
// Source scaled by coverage, all four bytes: (s*c) >> 8. Add, Subtract, Screen.
constexpr Color scaledByCoverage(Color s, int c) {
  Color r = 0;
  for (int i = 0; i < 4; ++i) r |= static_cast<Color>((byteOf(s, i) * c) >> 8) << (8 * i);
  return r;
}

// Source faded toward white for Multiply: blue, green, red move toward 255 as
// coverage falls; the alpha byte is scaled like the other modes.
constexpr Color fadedToWhite(Color s, int c) {
  Color r = static_cast<Color>((byteOf(s, 3) * c) >> 8) << 24;
  for (int i = 0; i < 3; ++i) r |= static_cast<Color>(alphaByte(255, byteOf(s, i), c)) << (8 * i);
  return r;
}

constexpr Color withAlpha(Color s, int a) {
  return (s & 0x00FFFFFFu) | (static_cast<Color>(a & 0xFF) << 24);
}

// One pixel of an anti-aliased edge, by the mode of the primitive. Copy (and every
// mode without its own routine) moves all four bytes toward the colour by c.
constexpr Color coverCopy(Color d, Color s, int c) { return alphaWeighted(d, s, c); }
constexpr Color coverAlpha(Color d, Color s, int c) {
  return alphaWeighted(d, s, (c * alphaOf(s)) >> 8);
}
constexpr Color coverAdd(Color d, Color s, int c) { return addPixel(d, scaledByCoverage(s, c)); }
constexpr Color coverSubtract(Color d, Color s, int c) {
  return subtractPixel(d, scaledByCoverage(s, c));
}
constexpr Color coverMultiply(Color d, Color s, int c) {
  return multiplyPixel(d, fadedToWhite(s, c));
}
constexpr Color coverScreen(Color d, Color s, int c) {
  return screenPixel(d, scaledByCoverage(s, c));
}

}  // namespace px
