// make_font: turns the glyph text tools/type_en_ru.txt into the font picture
// resources/type_en_ru.gif, checks that a picture still matches the text, and draws
// a sample sheet of every code and of a few lines of text at 1x and 4x.
//
//   make_font tools/type_en_ru.txt resources/type_en_ru.gif [docs/font.png]
//   make_font --check tools/type_en_ru.txt resources/type_en_ru.gif
//
// The picture is 8 x 2560: code c owns rows 10c..10c+9. Four colours, no
// transparency, so the GIF keeps every pixel exactly. The output is the same on every
// run.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codecs/codecs.h"

namespace {

constexpr int cellWidth = 8;
constexpr int glyphHeight = 10;
constexpr int codes = 256;

constexpr std::uint32_t ground = 0xFF000000u;
constexpr std::uint32_t ink = 0xFF707070u;
constexpr std::uint32_t corner = 0xFF303030u;
constexpr std::uint32_t marker = 0xFFFF00FFu;

using Cell = std::array<std::string, glyphHeight>;
using Glyphs = std::array<Cell, codes>;

std::uint32_t colourOf(char c) {
  switch (c) {
    case '#':
      return ink;
    case '+':
      return corner;
    case 'M':
      return marker;
    default:
      return ground;
  }
}

bool isRow(const std::string& line) {
  if (line.size() != cellWidth) return false;
  for (char c : line) {
    if (!std::strchr(".#+M", c)) return false;
  }
  return true;
}

// Reads the glyph text; every code 0..255 once, in order, each with ten rows and one
// marker in its top row. Prints the first fault with its line number.
bool readGlyphs(const char* path, Glyphs& glyphs) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "make_font: cannot read %s\n", path);
    return false;
  }
  std::string line;
  int lineNo = 0, code = -1, row = glyphHeight;
  const auto fail = [&](const char* what) {
    std::fprintf(stderr, "%s:%d: %s\n", path, lineNo, what);
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    if (line.rfind("0x", 0) == 0) {
      if (row != glyphHeight) return fail("the block before has fewer than ten rows");
      const unsigned long value = std::strtoul(line.c_str() + 2, nullptr, 16);
      if (static_cast<int>(value) != code + 1) return fail("codes must run 0x00..0xFF in order");
      code = static_cast<int>(value);
      row = 0;
      continue;
    }
    if (!isRow(line)) return fail("a row is eight of . # + M");
    if (code < 0 || row == glyphHeight) return fail("a row outside a block");
    const std::size_t m = line.find('M');
    if (row == 0 && (m == std::string::npos || line.find('M', m + 1) != std::string::npos)) {
      return fail("the top row holds exactly one M");
    }
    if (row > 0 && m != std::string::npos) return fail("M stands only in the top row");
    glyphs[code][row++] = line;
  }
  if (code != codes - 1 || row != glyphHeight) return fail("the text ends before code 0xFF");
  return true;
}

PictureData fontPicture(const Glyphs& glyphs) {
  PictureData picture;
  emu::allocatePicture(picture, cellWidth, codes * glyphHeight);
  for (int c = 0; c < codes; ++c) {
    for (int r = 0; r < glyphHeight; ++r) {
      for (int x = 0; x < cellWidth; ++x) {
        picture.pixels[(c * glyphHeight + r) * cellWidth + x] = colourOf(glyphs[c][r][x]);
      }
    }
  }
  return picture;
}

int advanceOf(const Cell& cell) { return static_cast<int>(cell[0].find('M')); }

bool writePicture(const PictureData& picture, const char* path, bool png) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) {
    std::fprintf(stderr, "make_font: cannot write %s\n", path);
    return false;
  }
  const bool ok = png ? emu::encodePng(picture, file) : emu::encodeGif(picture, file);
  if (std::fclose(file) != 0 || !ok) {
    std::fprintf(stderr, "make_font: writing %s failed\n", path);
    return false;
  }
  return true;
}

// ---- the sample sheet -------------------------------------------------------------

// Code page 1251 byte of a UTF-8 text holding ASCII, Cyrillic А..я, Ё and ё.
std::string toCodePage(const char* utf8) {
  std::string out;
  for (const auto* p = reinterpret_cast<const unsigned char*>(utf8); *p;) {
    if (*p < 0x80) {
      out += static_cast<char>(*p++);
      continue;
    }
    const unsigned u = ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
    p += 2;
    if (u >= 0x410 && u <= 0x44F) out += static_cast<char>(u - 0x410 + 0xC0);
    if (u == 0x401) out += static_cast<char>(0xA8);
    if (u == 0x451) out += static_cast<char>(0xB8);
  }
  return out;
}

struct Sheet {
  PictureData picture;
  const Glyphs& glyphs;

  void put(int x, int y, std::uint32_t colour) {
    if (x >= 0 && y >= 0 && x < picture.width && y < picture.height) {
      picture.pixels[static_cast<std::size_t>(y) * picture.width + x] = colour;
    }
  }
  // The whole cell at scale s, the marker shown as ground, as the font loads it.
  void cell(int code, int x, int y, int s) {
    for (int r = 0; r < glyphHeight; ++r) {
      for (int c = 0; c < cellWidth; ++c) {
        const char ch = glyphs[code][r][c];
        if (ch == '.' || ch == 'M') continue;
        for (int i = 0; i < s * s; ++i) put(x + c * s + i % s, y + r * s + i / s, colourOf(ch));
      }
    }
  }
  // One line laid out by the advances plus a gap of one pixel.
  void text(const std::string& line, int x, int y, int s) {
    for (unsigned char b : line) {
      cell(b, x, y, s);
      x += (advanceOf(glyphs[b]) + 1) * s;
    }
  }
};

bool writeSample(const Glyphs& glyphs, const char* path) {
  const char* lines[] = {
      "The quick brown fox jumps over the lazy dog. 0123456789",
      "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG! (a+b)*c=[d]/{e}",
      "Съешь же ещё этих мягких французских булок, да выпей чаю.",
      "СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ ФРАНЦУЗСКИХ БУЛОК, ДА ВЫПЕЙ ЧАЮ?",
      "Control Keys: Enter - Color; F1 - hide/show Help; Esc - Exit",
      "#%&<>?@\\^_|~ \"quoted\" x-y ;:, jgpqy Ёё Йй Щщ Ыы Юю Дд Ьь",
  };
  // 16 x 16 codes at 1x and at 4x, then the lines at 1x and at 4x.
  const int scales[2] = {1, 4}, spacing[2] = {4, 8};
  int width = 0, height = 8;
  for (int k = 0; k < 2; ++k) {
    width = 16 * (scales[k] * cellWidth + spacing[k]) + 16;
    height += 16 * (scales[k] * glyphHeight + spacing[k]) + 8;
  }
  for (int s : scales) height += 6 * s * (glyphHeight + 4) + 8;
  for (const char* line : lines) {
    int length = 0;
    for (unsigned char b : toCodePage(line)) length += advanceOf(glyphs[b]) + 1;
    width = std::max(width, 4 * length + 16);
  }
  Sheet sheet{PictureData{}, glyphs};
  if (!emu::allocatePicture(sheet.picture, width, height)) return false;
  for (auto& p : sheet.picture.pixels) p = 0xFF101820u;

  int y = 8;
  for (int k = 0; k < 2; ++k) {
    const int s = scales[k];
    const int stepX = s * cellWidth + spacing[k], stepY = s * glyphHeight + spacing[k];
    for (int code = 0; code < codes; ++code) {
      const int x0 = 8 + (code % 16) * stepX, y0 = y + (code / 16) * stepY;
      // Ground of the cell, then a blue tick under the cell at the advance width.
      for (int i = 0; i < s * cellWidth * s * glyphHeight; ++i) {
        sheet.put(x0 + i % (s * cellWidth), y0 + i / (s * cellWidth), ground);
      }
      sheet.cell(code, x0, y0, s);
      const int tick = x0 + advanceOf(glyphs[code]) * s;
      for (int i = 0; i < s; ++i) sheet.put(tick + i, y0 + s * glyphHeight, 0xFF3060FFu);
    }
    y += 16 * stepY + 8;
  }
  for (int s : scales) {
    for (const char* line : lines) {
      sheet.text(toCodePage(line), 8, y, s);
      y += s * (glyphHeight + 4);
    }
    y += 8;
  }
  return writePicture(sheet.picture, path, true);
}

// ---- the check ----------------------------------------------------------------------

bool checkPicture(const Glyphs& glyphs, const char* path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  PictureData picture;
  if (!emu::decodeGif(bytes.data(), bytes.size(), picture)) {
    std::fprintf(stderr, "make_font: %s is no GIF\n", path);
    return false;
  }
  const PictureData wanted = fontPicture(glyphs);
  if (picture.width != wanted.width || picture.height != wanted.height) {
    std::fprintf(stderr, "make_font: %s is %dx%d, not %dx%d\n", path, picture.width, picture.height,
                 wanted.width, wanted.height);
    return false;
  }
  for (std::size_t i = 0; i < wanted.pixels.size(); ++i) {
    if ((picture.pixels[i] & 0xFFFFFFu) != (wanted.pixels[i] & 0xFFFFFFu)) {
      const int row = static_cast<int>(i) / cellWidth;
      std::fprintf(stderr, "make_font: %s differs from the text at code 0x%02X row %d column %d\n",
                   path, row / glyphHeight, row % glyphHeight, static_cast<int>(i) % cellWidth);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 4 && std::strcmp(argv[1], "--check") == 0;
  if (!check && (argc < 3 || argc > 4)) {
    std::fprintf(stderr,
                 "usage: make_font GLYPHS.txt OUT.gif [SAMPLE.png]\n"
                 "       make_font --check GLYPHS.txt PICTURE.gif\n");
    return 2;
  }
  static Glyphs glyphs;
  if (!readGlyphs(argv[check ? 2 : 1], glyphs)) return 1;
  if (check) return checkPicture(glyphs, argv[3]) ? 0 : 1;
  if (!writePicture(fontPicture(glyphs), argv[2], false)) return 1;
  if (argc == 4 && !writeSample(glyphs, argv[3])) return 1;
  return 0;
}
