// The bitmap font: one picture holding a fixed-height cell per character code
// 0..255, stacked top to bottom, each cell's advance width marked by a magenta pixel
// in its top row. A text of 8-bit codes is laid out as one block (lines split at
// line feeds), placed on the view by the picture anchors and drawn glyph by glyph,
// each glyph a whole cell blitted in the font's blend mode.
#pragma once

#include <memory>

#include "image/base_spr.h"

// ---- DrawFlags bits 8-9: how each line sits inside the block -----------------------
constexpr int lineAlignMask = 0x300;    // the line alignment's bits
constexpr int lineAlignCentre = 0x100;  // each line centred in the block
constexpr int lineAlignRight = 0x200;   // 0 and 0x300 align left

constexpr int fontCodes = 256;           // cells in the picture, advances in the table
constexpr int fontLineLimit = 256;       // lines laid out at most; the rest is cut off
constexpr int narrowTextCapacity = 256;  // bytes of a NarrowText buffer, terminator included

// A bitmap font and the block of text it last laid out.
class FontSPR {
 public:
  int blockWidth = 0, blockHeight = 0;  // the laid-out block at scale 1
  int cellWidth = 0;                    // the picture's width
  int glyphHeight = 0;                  // the picture's height / 256
  int flags = -1;                       // DrawFlags of the last Print
  int lineCount = 0;                    // lines of the last layout, at most 256
  int lineGap = 0;                      // extra pixels between lines
  int letterGap = 1;                    // extra pixels after every glyph
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;   // the placed block on the view, inclusive
  const char* text = nullptr;           // the caller's zero-terminated text, borrowed
  int advance[fontCodes] = {};          // advance width of each code
  int lineWidth[fontLineLimit] = {};    // width of each line of the last layout
  std::unique_ptr<BaseSPR> glyphs;      // the whole font picture
  int x = 0, y = 0;                     // position given to the last Print

  // Everything zero or null, flags -1, letter gap 1, line gap 0, then Load.
  FontSPR(const wchar_t* pictureName, const wchar_t* maskName);
  FontSPR(const FontSPR&) = delete;
  FontSPR& operator=(const FontSPR&) = delete;

  // Replaces the picture and derives cell size and advances from it, overwriting
  // each marker with the replacement colour (row 1, last column of cell 0). The old
  // advances are forgotten first; a missing picture, or one under 256 rows (no
  // cells), derives nothing and later Draws draw nothing. True when cells exist.
  bool Load(const wchar_t* pictureName, const wchar_t* maskName);

  // Stores x, y, flags and the text (a null text keeps the held one), sets the
  // glyphs' blend mode to flags & 0xF as it is, then lays out and places the block
  // when a text is held and flags > 0.
  void Print(int x, int y, int flags, const char* text);
  // Stores the text, null included, and lays out as Print does with the stored
  // x, y and flags.
  void SetText(const char* text);
  // Draws the held text in the placed block. Draws nothing without cells, without a
  // text, or after a Print with flags <= 0 (nothing was laid out then).
  void Draw();
  // Frees the glyph picture; Draw then draws nothing. The owner deletes the font.
  void Free();

 private:
  void measure();
  void layout();
};

// The low byte of each wide character of `wide`, terminator included, into `buffer`.
// Texts longer than 255 characters are cut there; the buffer is always terminated.
// A null text gives the empty text. Returns the buffer.
char* NarrowText(const wchar_t* wide, char (&buffer)[narrowTextCapacity]);
