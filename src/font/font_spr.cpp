// The bitmap font. Load reads the advances from the markers once; Print and SetText
// measure and place the block at once, so Draw only walks the text again and blits
// one cell per byte, the picture's pixel pointer aimed at that cell for the moment.
//
// Sizes are summed in 64 bits and stored clamped to an int: no letter gap, line gap
// or text length can wrap them, and a glyph whose place lies beyond an int is off
// every view and skipped.

#include "font/font_spr.h"

#include <algorithm>
#include <climits>

namespace {

constexpr Color markerColour = 0xFF00FF;  // compared on the low 24 bits
constexpr char lineFeed = 10;

int clampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

bool fitsInt(long long v) { return v >= INT_MIN && v <= INT_MAX; }

}  // namespace

FontSPR::FontSPR(const wchar_t* pictureName, const wchar_t* maskName) {
  Load(pictureName, maskName);
}

bool FontSPR::Load(const wchar_t* pictureName, const wchar_t* maskName) {
  glyphs = std::make_unique<BaseSPR>(pictureName, maskName, -1, -1);
  cellWidth = glyphHeight = 0;
  std::fill_n(advance, fontCodes, 0);
  BaseSPR& picture = *glyphs;
  if (!picture.pixels || picture.height / fontCodes == 0) return false;

  cellWidth = picture.width;
  glyphHeight = picture.height / fontCodes;
  const Color replacement = picture.pixels[2 * cellWidth - 1];
  for (int c = 0; c < fontCodes; ++c) {
    Color* top = picture.pixels + static_cast<std::size_t>(c) * glyphHeight * cellWidth;
    for (int column = 0; column < cellWidth; ++column) {
      if ((top[column] & 0xFFFFFFu) == markerColour) {
        advance[c] = column;
        top[column] = replacement;
        break;
      }
    }
  }
  return true;
}

void FontSPR::Free() { glyphs.reset(); }

// ---- layout ----------------------------------------------------------------------------

// Line widths are the glyphs' advances plus a letter gap each, less the gap after
// the last glyph; a block is as wide as its widest line. The line-width table holds
// 256 lines: the 256th line feed ends the text for layout and for drawing alike.
void FontSPR::measure() {
  if (!text) {
    blockWidth = blockHeight = 0;
    return;
  }
  long long width = 0, height = glyphHeight, sum = 0;
  lineCount = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p == lineFeed) {
      if (lineCount == fontLineLimit - 1) break;
      sum -= letterGap;
      height += static_cast<long long>(lineGap) + glyphHeight;
      width = std::max(width, sum);
      lineWidth[lineCount++] = clampToInt(sum);
      sum = 0;
    } else {
      sum += static_cast<long long>(advance[*p]) + letterGap;
    }
  }
  sum -= letterGap;
  width = std::max(width, sum);
  lineWidth[lineCount++] = clampToInt(sum);
  blockWidth = clampToInt(width);
  blockHeight = clampToInt(height);
}

void FontSPR::layout() {
  measure();
  const int pixelSize = glyphs ? glyphs->pixelSize : 0;
  const int gap = glyphs ? glyphs->gap : 1;
  placeRect(x, y, blockWidth, blockHeight, flags, pixelSize, gap, x0, y0, x1, y1);
}

void FontSPR::Print(int px, int py, int drawFlags, const char* newText) {
  x = px;
  y = py;
  flags = drawFlags;
  if (newText) text = newText;
  // The mode as given: the alpha promotion of picture placement does not apply.
  if (glyphs) glyphs->mode = drawFlags & drawModeMask;
  if (text && flags > 0) layout();
}

void FontSPR::SetText(const char* newText) {
  text = newText;
  if (glyphs) glyphs->mode = flags & drawModeMask;
  if (text && flags > 0) layout();
}

// ---- drawing ---------------------------------------------------------------------------

void FontSPR::Draw() {
  if (!glyphs || !glyphs->pixels || cellWidth == 0 || glyphHeight == 0 || !text || flags <= 0) {
    return;
  }
  BaseSPR& picture = *glyphs;
  // Each step of the pen is a magnified pixel: a dot and its gap.
  const long long d = picture.pixelSize != 0 ? picture.pixelSize + picture.gap : 1;
  const int align = flags & lineAlignMask;
  const auto lineStart = [&](int k) -> long long {
    if (align == lineAlignRight) return x0 + d * blockWidth - d * lineWidth[k];
    if (align == lineAlignCentre) return x0 + (d * blockWidth) / 2 - (d * lineWidth[k]) / 2;
    return x0;
  };

  Color* const allPixels = picture.pixels;
  const int allHeight = picture.height;
  picture.height = glyphHeight;
  int k = 0;
  long long penX = lineStart(0), penY = y0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p == lineFeed) {
      if (k == fontLineLimit - 1) break;
      penY += d * glyphHeight + lineGap;
      penX = lineStart(++k);
      continue;
    }
    const long long right = penX + d * cellWidth - 1, bottom = penY + d * glyphHeight - 1;
    if (fitsInt(penX) && fitsInt(penY) && fitsInt(right) && fitsInt(bottom)) {
      picture.pixels = allPixels + static_cast<std::size_t>(*p) * glyphHeight * cellWidth;
      picture.x0 = static_cast<int>(penX);
      picture.y0 = static_cast<int>(penY);
      picture.x1 = static_cast<int>(right);
      picture.y1 = static_cast<int>(bottom);
      picture.Draw(-1);
    }
    penX += d * (static_cast<long long>(advance[*p]) + letterGap);
  }
  picture.pixels = allPixels;
  picture.height = allHeight;
}

// ---- wide texts ------------------------------------------------------------------------

char* NarrowText(const wchar_t* wide, char (&buffer)[narrowTextCapacity]) {
  int n = 0;
  for (; wide && wide[n] && n < narrowTextCapacity - 1; ++n) {
    buffer[n] = static_cast<char>(static_cast<unsigned>(wide[n]) & 0xFFu);
  }
  buffer[n] = 0;
  return buffer;
}
