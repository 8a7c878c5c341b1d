// Text on a canvas for the default preview painter of the SDL and headless backends:
// an opaque box in the background colour with glyphs of a small built-in font.
//
// Each glyph is 5x7 in a 6x8 cell: the sixth column and the eighth row stay blank so
// letters never touch. The box starts with one blank column, so a line of full-width
// glyphs has as much blank on its left as on its right and TA_CENTER centres its ink:
//
//   left = x - box / 2          box = 6 * n + 1 columns, 8 rows from y
//   |.#####.#####.  ...  .#####.|
//    ^ glyph 0 at left + 1, glyph i at left + 1 + 6 * i
//
// Letters with descenders (g j p q y) sit one row higher so they fit the seven rows.
// Characters outside printable ASCII draw as an empty cell: background only.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cwchar>

#include "platform/common/surface_memory.h"

namespace emu {
namespace {

constexpr int glyphColumns = 5, glyphRows = 7;
constexpr int cellWidth = 6, cellHeight = 8;
constexpr std::uint32_t firstGlyph = 0x20, lastGlyph = 0x7E;
constexpr int glyphCount = lastGlyph - firstGlyph + 1;
constexpr int bandGlyphs = 8;  // glyphs side by side in one band of the table below
constexpr int bandCount = (glyphCount + bandGlyphs - 1) / bandGlyphs;

// The font as pictures, eight glyphs a band in code order, one string per glyph row,
// '#' lit, glyphs one space apart. Checked when the program is built (decodeFont).
// clang-format off
constexpr const char* fontBands[bandCount][glyphRows] = {
    //  sp    !     "     #     $     %     &     '
    {"..... ..#.. .#.#. .#.#. ..#.. ##... .##.. ..#..",
     "..... ..#.. .#.#. .#.#. .#### ##..# #..#. ..#..",
     "..... ..#.. ..... ##### #.#.. ...#. #.#.. .....",
     "..... ..#.. ..... .#.#. .###. ..#.. .#... .....",
     "..... ..#.. ..... ##### ..#.# .#... #.#.# .....",
     "..... ..... ..... .#.#. ####. #..## #..#. .....",
     "..... ..#.. ..... .#.#. ..#.. ...## .##.# ....."},
    //  (     )     *     +     ,     -     .     /
    {"...#. .#... ..... ..... ..... ..... ..... .....",
     "..#.. ..#.. ..#.. ..#.. ..... ..... ..... ....#",
     ".#... ...#. #.#.# ..#.. ..... ..... ..... ...#.",
     ".#... ...#. .###. ##### ..... ##### ..... ..#..",
     ".#... ...#. #.#.# ..#.. .##.. ..... ..... .#...",
     "..#.. ..#.. ..#.. ..#.. ..#.. ..... .##.. #....",
     "...#. .#... ..... ..... .#... ..... .##.. ....."},
    //  0     1     2     3     4     5     6     7
    {".###. ..#.. .###. .###. ...#. ##### ..##. #####",
     "#...# .##.. #...# #...# ..##. #.... .#... ....#",
     "#..## ..#.. ....# ....# .#.#. ####. #.... ...#.",
     "#.#.# ..#.. ...#. ..##. #..#. ....# ####. ..#..",
     "##..# ..#.. ..#.. ....# ##### ....# #...# .#...",
     "#...# ..#.. .#... #...# ...#. #...# #...# .#...",
     ".###. .###. ##### .###. ...#. .###. .###. .#..."},
    //  8     9     :     ;     <     =     >     ?
    {".###. .###. ..... ..... ...#. ..... .#... .###.",
     "#...# #...# .##.. .##.. ..#.. ..... ..#.. #...#",
     "#...# #...# .##.. .##.. .#... ##### ...#. ....#",
     ".###. .#### ..... ..... #.... ..... ....# ...#.",
     "#...# ....# .##.. .##.. .#... ##### ...#. ..#..",
     "#...# ...#. .##.. ..#.. ..#.. ..... ..#.. .....",
     ".###. .##.. ..... .#... ...#. ..... .#... ..#.."},
    //  @     A     B     C     D     E     F     G
    {".###. .###. ####. .###. ####. ##### ##### .###.",
     "#...# #...# #...# #...# #...# #.... #.... #...#",
     "#.### #...# #...# #.... #...# #.... #.... #....",
     "#.#.# ##### ####. #.... #...# ####. ####. #.###",
     "#.### #...# #...# #.... #...# #.... #.... #...#",
     "#.... #...# #...# #...# #...# #.... #.... #...#",
     ".###. #...# ####. .###. ####. ##### #.... .####"},
    //  H     I     J     K     L     M     N     O
    {"#...# .###. ..### #...# #.... #...# #...# .###.",
     "#...# ..#.. ...#. #..#. #.... ##.## #...# #...#",
     "#...# ..#.. ...#. #.#.. #.... #.#.# ##..# #...#",
     "##### ..#.. ...#. ##... #.... #.#.# #.#.# #...#",
     "#...# ..#.. ...#. #.#.. #.... #...# #..## #...#",
     "#...# ..#.. #..#. #..#. #.... #...# #...# #...#",
     "#...# .###. .##.. #...# ##### #...# #...# .###."},
    //  P     Q     R     S     T     U     V     W
    {"####. .###. ####. .#### ##### #...# #...# #...#",
     "#...# #...# #...# #.... ..#.. #...# #...# #...#",
     "#...# #...# #...# #.... ..#.. #...# #...# #...#",
     "####. #...# ####. .###. ..#.. #...# #...# #.#.#",
     "#.... #.#.# #.#.. ....# ..#.. #...# #...# #.#.#",
     "#.... #..#. #..#. ....# ..#.. #...# .#.#. #.#.#",
     "#.... .##.# #...# ####. ..#.. .###. ..#.. .#.#."},
    //  X     Y     Z     [     \     ]     ^     _
    {"#...# #...# ##### .###. ..... .###. ..#.. .....",
     "#...# #...# ....# .#... #.... ...#. .#.#. .....",
     ".#.#. .#.#. ...#. .#... .#... ...#. #...# .....",
     "..#.. ..#.. ..#.. .#... ..#.. ...#. ..... .....",
     ".#.#. ..#.. .#... .#... ...#. ...#. ..... .....",
     "#...# ..#.. #.... .#... ....# ...#. ..... .....",
     "#...# ..#.. ##### .###. ..... .###. ..... #####"},
    //  `     a     b     c     d     e     f     g
    {".#... ..... #.... ..... ....# ..... ..##. .....",
     "..#.. ..... #.... ..... ....# ..... .#..# .####",
     "..... .###. ####. .###. .#### .###. .#... #...#",
     "..... ....# #...# #.... #...# #...# ###.. #...#",
     "..... .#### #...# #.... #...# ##### .#... .####",
     "..... #...# #...# #...# #...# #.... .#... ....#",
     "..... .#### ####. .###. .#### .###. .#... .###."},
    //  h     i     j     k     l     m     n     o
    {"#.... ..#.. ...#. #.... .##.. ..... ..... .....",
     "#.... ..... ..... #.... ..#.. ..... ..... .....",
     "#.##. .##.. ..##. #...# ..#.. ##.#. #.##. .###.",
     "##..# ..#.. ...#. #..#. ..#.. #.#.# ##..# #...#",
     "#...# ..#.. ...#. ###.. ..#.. #.#.# #...# #...#",
     "#...# ..#.. #..#. #..#. ..#.. #.#.# #...# #...#",
     "#...# .###. .##.. #...# .###. #.#.# #...# .###."},
    //  p     q     r     s     t     u     v     w
    {"..... ..... ..... ..... .#... ..... ..... .....",
     "####. .#### ..... ..... .#... ..... ..... .....",
     "#...# #...# #.##. .#### ###.. #...# #...# #...#",
     "#...# #...# ##..# #.... .#... #...# #...# #...#",
     "####. .#### #.... .###. .#... #...# #...# #.#.#",
     "#.... ....# #.... ....# .#..# #..## .#.#. #.#.#",
     "#.... ....# #.... ####. ..##. .##.# ..#.. .#.#."},
    //  x     y     z     {     |     }     ~
    {"..... ..... ..... ...## ..#.. ##... .....",
     "..... #...# ..... ..#.. ..#.. ..#.. .....",
     "#...# #...# ##### ..#.. ..#.. ..#.. .#...",
     ".#.#. #...# ...#. .#... ..#.. ...#. #.#.#",
     "..#.. .#### ..#.. ..#.. ..#.. ..#.. ...#.",
     ".#.#. ....# .#... ..#.. ..#.. ..#.. .....",
     "#...# .###. ##### ...## ..#.. ##... ....."},
};
// clang-format on

// One bit mask per glyph row, bit 4 the leftmost column.
using GlyphRows = std::array<std::uint8_t, glyphRows>;

struct DecodedFont {
  std::array<GlyphRows, glyphCount> glyphs{};
  bool wellFormed = true;  // every band row had the right length and only '#', '.', ' '
};

// Reads the bands into masks. Stops at the first malformed row (a short row ends at
// its terminator, which is neither '#', '.' nor ' ', so nothing past it is read).
constexpr DecodedFont decodeFont() {
  DecodedFont font;
  for (int band = 0; band < bandCount; ++band) {
    const int glyphs = std::min(bandGlyphs, glyphCount - band * bandGlyphs);
    for (int row = 0; row < glyphRows; ++row) {
      const char* text = fontBands[band][row];
      int at = 0;
      for (int glyph = 0; glyph < glyphs; ++glyph) {
        if (glyph > 0 && text[at++] != ' ') font.wellFormed = false;
        std::uint8_t bits = 0;
        for (int col = 0; col < glyphColumns && font.wellFormed; ++col) {
          const char c = text[at++];
          if (c != '#' && c != '.') font.wellFormed = false;
          bits = static_cast<std::uint8_t>(bits << 1 | (c == '#' ? 1 : 0));
        }
        if (!font.wellFormed) return font;
        font.glyphs[band * bandGlyphs + glyph][row] = bits;
      }
      if (text[at] != '\0') font.wellFormed = false;
    }
  }
  return font;
}

constexpr DecodedFont font = decodeFont();
static_assert(font.wellFormed, "a row of the font table is malformed");

std::uint32_t fromColorRef(std::uint32_t c) {
  return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// Whether pixel (col, row) of the cell of `ch` is lit; cell columns and rows past the
// glyph, and characters outside the table, are blank.
bool glyphPixel(wchar_t ch, int col, int row) {
  const auto code = static_cast<std::uint32_t>(ch);  // a negative wchar_t lands past the table
  if (code < firstGlyph || code > lastGlyph || col >= glyphColumns || row >= glyphRows) {
    return false;
  }
  return font.glyphs[code - firstGlyph][row] >> (glyphColumns - 1 - col) & 1;
}

}  // namespace

int drawText(Canvas& canvas, int x, int y, const wchar_t* text, std::uint32_t backColour,
             std::uint32_t textColour, std::uint32_t align) {
  if (!text) return 0;
  const std::size_t length = std::wcslen(text);
  // Nothing to draw is success; so is a canvas whose pixels do not cover its size.
  if (length == 0 || canvas.width <= 0 || canvas.height <= 0 ||
      canvas.pixels.size() < static_cast<std::size_t>(canvas.width) * canvas.height) {
    return 1;
  }
  // 64-bit so that huge texts and coordinates near the int limits cannot wrap.
  const std::int64_t box = static_cast<std::int64_t>(length) * cellWidth + 1;
  // TA_CENTER is two bits; any other horizontal alignment draws from x as the left edge.
  const std::int64_t left = (align & TA_CENTER) == TA_CENTER ? x - box / 2 : x;
  const std::int64_t top = y;
  const int col0 = static_cast<int>(std::max<std::int64_t>(left, 0));
  const int col1 = static_cast<int>(std::min<std::int64_t>(left + box, canvas.width));
  const int row0 = static_cast<int>(std::max<std::int64_t>(top, 0));
  const int row1 = static_cast<int>(std::min<std::int64_t>(top + cellHeight, canvas.height));
  const std::uint32_t back = fromColorRef(backColour);
  const std::uint32_t fore = fromColorRef(textColour);
  for (int row = row0; row < row1; ++row) {
    std::uint32_t* out = canvas.pixels.data() + static_cast<std::size_t>(row) * canvas.width;
    const int cellRow = static_cast<int>(row - top);
    for (int col = col0; col < col1; ++col) {
      const std::int64_t offset = col - left - 1;  // from glyph 0's first column
      // offset < 6 * length inside the box, so the index stays within the text.
      const bool lit = offset >= 0 && glyphPixel(text[offset / cellWidth],
                                                 static_cast<int>(offset % cellWidth), cellRow);
      out[col] = lit ? fore : back;
    }
  }
  return 1;
}

}  // namespace emu
