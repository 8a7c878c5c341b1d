// Draws the pictures of the widget demo: the digit strip, three list tiles, the
// scrolling strip and the menu's three bars. Every pixel comes from the shapes
// below; the outputs are committed under resources/.
//
//   make_demo_pictures OUTDIR
//   make_demo_pictures --check DIR   (exit 1 when a committed picture differs)

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/codecs/codecs.h"

namespace {

constexpr std::uint32_t clear = 0x00000000;

struct Canvas {
  PictureData p;
  Canvas(int w, int h, std::uint32_t fill) {
    emu::allocatePicture(p, w, h);
    for (auto& c : p.pixels) c = fill;
  }
  void rect(int x0, int y0, int x1, int y1, std::uint32_t c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (x >= 0 && y >= 0 && x < p.width && y < p.height) p.pixels[y * p.width + x] = c;
  }
};

// Seven segments a..g of a cell 12 x 18 at row offset `top`.
void digit(Canvas& c, int top, int d, std::uint32_t ink) {
  static const char* const lit[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                      "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
  for (const char* s = lit[d]; *s; ++s) {
    switch (*s) {
      case 'a':
        c.rect(3, top + 1, 8, top + 2, ink);
        break;
      case 'b':
        c.rect(9, top + 3, 10, top + 8, ink);
        break;
      case 'c':
        c.rect(9, top + 10, 10, top + 15, ink);
        break;
      case 'd':
        c.rect(3, top + 16, 8, top + 17, ink);
        break;
      case 'e':
        c.rect(1, top + 10, 2, top + 15, ink);
        break;
      case 'f':
        c.rect(1, top + 3, 2, top + 8, ink);
        break;
      case 'g':
        c.rect(3, top + 8, 8, top + 9, ink);
        break;
    }
  }
}

// A bar: dark body, light rim, arrows in the end squares of side h, a dot in the middle.
Canvas bar(int w, int h, bool arrows, bool middle) {
  Canvas c(w, h, 0xFF2C3440);
  c.rect(0, 0, w - 1, 0, 0xFF5A6878);
  c.rect(0, h - 1, w - 1, h - 1, 0xFF1A1E24);
  if (arrows) {
    for (int i = 0; i < h / 2 - 3; ++i) {  // points outward: narrow at the ends
      c.rect(4 + i, h / 2 - 1 - i, 4 + i, h / 2 + i, 0xFFE0E8F0);
      c.rect(w - 5 - i, h / 2 - 1 - i, w - 5 - i, h / 2 + i, 0xFFE0E8F0);
    }
  }
  if (middle) c.rect(w / 2 - 3, h / 2 - 3, w / 2 + 2, h / 2 + 2, 0xFFFFC040);
  return c;
}

bool write(const PictureData& p, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = emu::encodePng(p, f);
  return std::fclose(f) == 0 && ok;
}

std::vector<char> contents(std::FILE* f) {
  std::vector<char> bytes;
  std::rewind(f);
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<char>(c));
  return bytes;
}

// The picture encoded now is byte for byte the file at `path`.
bool same(const PictureData& p, const std::string& path) {
  std::FILE* now = std::tmpfile();
  std::FILE* committed = std::fopen(path.c_str(), "rb");
  const bool ok =
      now && committed && emu::encodePng(p, now) && contents(now) == contents(committed);
  if (now) std::fclose(now);
  if (committed) std::fclose(committed);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: make_demo_pictures OUTDIR | --check DIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[argc - 1]) + "/";

  Canvas digits(12, 18 * 11, clear);  // cell 10 stays clear: the blank
  for (int d = 0; d < 10; ++d) digit(digits, 18 * d, d, 0xFFFFD040);

  Canvas circle(32, 32, clear), square(32, 32, clear), diamond(32, 32, clear);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const double dx = x - 15.5, dy = y - 15.5;
      if (dx * dx + dy * dy <= 15.0 * 15.0) circle.rect(x, y, x, y, 0xFF40C0FF);
      if (std::fabs(dx) + std::fabs(dy) <= 15.5) diamond.rect(x, y, x, y, 0xFFFF6080);
    }
  }
  square.rect(3, 3, 28, 28, 0xFF80E060);

  // Four whole periods of a wave across 512 columns: the strip joins itself when it wraps.
  Canvas strip(512, 24, 0xFF0C2030);
  for (int x = 0; x < 512; ++x) {
    const int crest =
        12 + static_cast<int>(std::lround(6.0 * std::sin(x * 6.283185307179586 / 128)));
    strip.rect(x, crest, x, 23, 0xFF2080B0);
    strip.rect(x, crest, x, crest + 1, 0xFFD0F0FF);
  }

  const Canvas bar3 = bar(120, 16, true, true), bar2 = bar(120, 16, true, false),
               bar1 = bar(120, 16, false, false);
  const struct {
    const PictureData& p;
    const char* name;
  } outputs[] = {{digits.p, "demo_digits.png"}, {circle.p, "demo_tile_a.png"},
                 {square.p, "demo_tile_b.png"}, {diamond.p, "demo_tile_c.png"},
                 {strip.p, "demo_strip.png"},   {bar3.p, "demo_bar3.png"},
                 {bar2.p, "demo_bar2.png"},     {bar1.p, "demo_bar1.png"}};
  for (const auto& o : outputs) {
    if (check && !same(o.p, dir + o.name)) {
      std::fprintf(stderr, "make_demo_pictures: %s%s differs from the drawing\n", dir.c_str(),
                   o.name);
      return 1;
    }
    if (!check && !write(o.p, dir + o.name)) {
      std::fprintf(stderr, "make_demo_pictures: cannot write %s%s\n", dir.c_str(), o.name);
      return 1;
    }
  }
  return 0;
}
