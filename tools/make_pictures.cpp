// make_pictures: draws the pictures of the splash and the preview and writes them,
// the same bytes on every run:
//
//   load_scr.png     655x214 the name beside a round sea emblem, with alpha
//   info_scr.bmp     152x13  the keys to press, in the small pixel font below
//   url_scr.bmp      108x13  a short line, shown magnified as a grid of dots
//   preview_scr.bmp  152x112 a frame of the scene, reduced to 256 colours
//
//   make_pictures [--scene FRAME.png] [--splash SHOT.png] OUTDIR
//
// The preview is made only when a 152x112 frame of the scene is given (the
// `pictures` build target renders one with brinemere-render); --splash also draws
// the start-up screen as the program shows it, for the documentation. Shapes are outlines
// of our own filled by the framework's anti-aliased rasterizer, one coverage mask
// per layer; the layers are then composited here in floating point.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "blend/color.h"
#include "blend/dispatch.h"
#include "platform/codecs/codecs.h"
#include "surface/surface.h"
#include "vector/fills.h"
#include "vector/path.h"

namespace {

constexpr double pi = 3.14159265358979323846;

// ---- outlines -------------------------------------------------------------------
// Pixel edges lie on integers here: pixel (0, 0) is the square (0, 0)-(1, 1).

struct Point {
  double x, y;
};
using Polygon = std::vector<Point>;

// Polygons united by the non-zero rule, so each is stored turning the same way.
struct Shape {
  std::vector<Polygon> parts;
  void add(Polygon polygon) {
    double area = 0;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
      area += polygon[j].x * polygon[i].y - polygon[i].x * polygon[j].y;
    }
    if (area < 0) std::reverse(polygon.begin(), polygon.end());
    parts.push_back(std::move(polygon));
  }
};

Polygon box(double x1, double y1, double x2, double y2) {
  return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
}

// Points of an elliptic arc from angle a0 to a1 (degrees, y down: 90 is the bottom).
void arcPoints(Polygon& out, double cx, double cy, double rx, double ry, double a0, double a1) {
  const int steps = std::max(8, static_cast<int>(std::abs(a1 - a0) / 2));
  for (int i = 0; i <= steps; ++i) {
    const double a = (a0 + (a1 - a0) * i / steps) * pi / 180;
    out.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
}

Polygon ellipse(double cx, double cy, double rx, double ry) {
  Polygon p;
  arcPoints(p, cx, cy, rx, ry, 0, 358);
  return p;
}

// A horizontal bar from x1 to x2 with round ends, its middle at y.
Polygon capsule(double x1, double x2, double y, double thickness) {
  Polygon p;
  const double r = thickness / 2;
  arcPoints(p, x2 - r, y, r, r, -90, 90);
  arcPoints(p, x1 + r, y, r, r, 90, 270);
  return p;
}

// A stroke of the given width along an elliptic arc (its centre line), cut square
// at both ends.
Polygon arcBand(double cx, double cy, double rx, double ry, double width, double a0, double a1) {
  Polygon p;
  arcPoints(p, cx, cy, rx + width / 2, ry + width / 2, a0, a1);
  arcPoints(p, cx, cy, rx - width / 2, ry - width / 2, a1, a0);
  return p;
}

// The region between two curves over [x1, x2]: from top(x) down to bottom(x).
Polygon band(double x1, double x2, const std::function<double(double)>& top,
             const std::function<double(double)>& bottom) {
  Polygon p;
  const int steps = std::max(8, static_cast<int>((x2 - x1) / 1.5));
  for (int i = 0; i <= steps; ++i) {
    const double x = x1 + (x2 - x1) * i / steps;
    p.push_back({x, top(x)});
  }
  for (int i = steps; i >= 0; --i) {
    const double x = x1 + (x2 - x1) * i / steps;
    p.push_back({x, bottom(x)});
  }
  return p;
}

// ---- coverage by the framework's rasterizer -------------------------------------

struct Mask {
  int width = 0, height = 0;
  std::vector<double> alpha;  // 0..1, row after row
  double at(int x, int y) const { return alpha[static_cast<std::size_t>(y) * width + x]; }
};

// Makes `memory` the back buffer, rows top first, with a view of width x height.
int attach(std::vector<Color>& memory, int width, int height) {
  const int pitch = (width + 7) / 8 * 8;  // surfaces are a multiple of 8 pixels wide
  memory.assign(static_cast<std::size_t>(pitch) * height, 0);
  backBuffer.surfaceWidth = pitch;
  backBuffer.surfaceHeight = height;
  backBuffer.pixels = reinterpret_cast<std::uint8_t*>(memory.data());
  setView(0, 0, width - 1, height - 1, 0, 0);
  return pitch;
}

void detach() {
  backBuffer.pixels = nullptr;
  setView(-1, -1, -1, -1, 0, 1);
}

Mask cover(const Shape& shape, int width, int height) {
  std::vector<Color> memory;
  const int pitch = attach(memory, width, height);
  int curve[256];
  std::copy(std::begin(cellRasterizer.curve), std::end(cellRasterizer.curve), curve);
  setCoverageGamma(1.0f);  // coverage in proportion to the area covered
  setFillRuleNonZero();
  for (const Polygon& polygon : shape.parts) {
    beginPath();
    // The rasterizer puts integers at pixel centres.
    for (const Point& p : polygon)
      addPoint(static_cast<float>(p.x - 0.5), static_cast<float>(p.y - 0.5));
  }
  fillPath(0xFFFFFFFFu, BLEND_COPY);
  setCoverageTable(curve);
  detach();

  Mask mask{width, height, std::vector<double>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Inside runs are written as 255, edge pixels as at most 254.
      const int v = memory[static_cast<std::size_t>(y) * pitch + x] & 0xFF;
      mask.alpha[static_cast<std::size_t>(y) * width + x] = v >= 254 ? 1.0 : v / 255.0;
    }
  }
  return mask;
}

// ---- compositing ------------------------------------------------------------------

struct Rgb {
  double r, g, b;  // 0..255
};
Rgb hex(std::uint32_t c) {
  return {double(c >> 16 & 0xFF), double(c >> 8 & 0xFF), double(c & 0xFF)};
}
Rgb mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Premultiplied colour and alpha per pixel.
struct Canvas {
  int width, height;
  std::vector<Rgb> colour;
  std::vector<double> alpha;
  Canvas(int w, int h)
      : width(w),
        height(h),
        colour(std::size_t(w) * h, Rgb{0, 0, 0}),
        alpha(std::size_t(w) * h, 0) {}

  // Paints colourAt(x, y) through the mask (source over).
  void paint(const Mask& mask, const std::function<Rgb(double, double)>& colourAt,
             double opacity = 1.0) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const double a = mask.at(x, y) * opacity;
        if (a <= 0) continue;
        const std::size_t i = std::size_t(y) * width + x;
        const Rgb c = colourAt(x + 0.5, y + 0.5);
        colour[i] = {c.r * a + colour[i].r * (1 - a), c.g * a + colour[i].g * (1 - a),
                     c.b * a + colour[i].b * (1 - a)};
        alpha[i] = a + alpha[i] * (1 - a);
      }
    }
  }
  void paint(const Shape& shape, const std::function<Rgb(double, double)>& colourAt,
             double opacity = 1.0) {
    paint(cover(shape, width, height), colourAt, opacity);
  }
  void paint(const Shape& shape, Rgb c, double opacity = 1.0) {
    paint(
        shape, [c](double, double) { return c; }, opacity);
  }

  // Straight (not premultiplied) ARGB, as the codecs take it.
  PictureData picture() const {
    PictureData p;
    p.width = width;
    p.height = height;
    p.pixels.resize(colour.size());
    for (std::size_t i = 0; i < colour.size(); ++i) {
      const double a = alpha[i];
      const auto byte = [](double v) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L));
      };
      const std::uint32_t a8 = byte(a * 255);
      if (a8 == 0) continue;
      p.pixels[i] = a8 << 24 | byte(colour[i].r / a) << 16 | byte(colour[i].g / a) << 8 |
                    byte(colour[i].b / a);
    }
    return p;
  }
};

// ---- the name, drawn as strokes ---------------------------------------------------
// A geometric face: round letters are circles, arches are half ellipses. Every
// letter adds its strokes at pen x and returns its width. Stems, bars and widths
// fall on whole pixels, so straight edges stay sharp at their natural size.

struct Face {
  double xHeight, capHeight, stroke, overshoot, baseline;
};

double letterB(Shape& s, const Face& f, double x) {
  const double w = f.stroke, top = f.baseline - f.capHeight, bottom = f.baseline;
  const double yTop = top + w / 2, yBottom = bottom - w / 2;
  const double yMid = std::round(top + f.capHeight * 0.46 - w / 2) + w / 2;
  const double r1 = (yMid - yTop) / 2, r2 = (yBottom - yMid) / 2;
  const double x1 = x + std::round(f.capHeight * 0.36), x2 = x + std::round(f.capHeight * 0.38);
  s.add(box(x, top, x + w, bottom));
  s.add(box(x, yTop - w / 2, x1, yTop + w / 2));
  s.add(box(x, yMid - w / 2, std::max(x1, x2), yMid + w / 2));
  s.add(box(x, yBottom - w / 2, x2, yBottom + w / 2));
  s.add(arcBand(x1, yTop + r1, r1, r1, w, -90, 90));
  s.add(arcBand(x2, yMid + r2, r2, r2, w, -90, 90));
  return std::round(x2 + r2 + w / 2 - x);
}

// An arch from a stem at x to one at x + width, springing from the x-height.
void arch(Shape& s, const Face& f, double x, double width, double a1 = 360) {
  const double w = f.stroke, rx = (width - w) / 2, ry = rx * 1.05;
  const double cy = f.baseline - f.xHeight - f.overshoot + ry + w / 2;
  s.add(arcBand(x + width / 2, cy, rx, ry, w, 180, a1));
  if (a1 >= 360) s.add(box(x + width - w, cy, x + width, f.baseline));
}

double stem(Shape& s, const Face& f, double x) {
  s.add(box(x, f.baseline - f.xHeight, x + f.stroke, f.baseline));
  return f.stroke;
}

double letterN(Shape& s, const Face& f, double x) {
  const double width = std::round(f.xHeight * 0.86);
  stem(s, f, x);
  arch(s, f, x, width);
  return width;
}

double letterM(Shape& s, const Face& f, double x) {
  const double width = std::round(f.xHeight * 0.74);
  stem(s, f, x);
  arch(s, f, x, width);
  arch(s, f, x + width - f.stroke, width);
  return 2 * width - f.stroke;
}

double letterR(Shape& s, const Face& f, double x) {
  const double width = std::round(f.xHeight * 0.80);
  stem(s, f, x);
  arch(s, f, x, width, 292);
  return std::round(width * 0.66);
}

double letterI(Shape& s, const Face& f, double x) {
  stem(s, f, x);
  const double d = f.stroke * 1.25;
  s.add(ellipse(x + f.stroke / 2, f.baseline - f.xHeight - f.stroke * 0.75 - d / 2, d / 2, d / 2));
  return f.stroke;
}

double letterE(Shape& s, const Face& f, double x) {
  const double r = f.xHeight / 2 + f.overshoot, w = f.stroke;
  const double cx = x + r, cy = f.baseline - f.xHeight / 2;
  const double bar = std::round(w * 0.86), barTop = std::round(cy - bar / 2);
  // The bowl runs on below the bar's bottom edge, so the two meet without a notch.
  const double below = std::asin((barTop + bar - cy) / (r - w)) * 180 / pi;
  s.add(arcBand(cx, cy, r - w / 2, r - w / 2, w, 48, 360 + below));
  s.add(box(x + w / 2, barTop, cx + r - w / 2, barTop + bar));
  return std::round(2 * r);
}

// The name with its letters spaced by their sides: less room beside round sides.
Shape wordmark(const Face& f, double x, double& width) {
  Shape s;
  struct Letter {
    double (*draw)(Shape&, const Face&, double);
    double left, right;  // side bearings in units of the stroke
  };
  const Letter b{letterB, 0, 0.55}, r{letterR, 1.0, -0.1}, i{letterI, 1.0, 1.0},
      n{letterN, 1.0, 1.0}, e{letterE, 0.55, 0.45}, m{letterM, 1.0, 1.0};
  const Letter name[] = {b, r, i, n, e, m, e, r, e};
  const double start = x;
  const double tracking = f.stroke * 0.4;
  for (std::size_t k = 0; k < std::size(name); ++k) {
    if (k > 0) x += std::round((name[k - 1].right + name[k].left) * f.stroke * 0.55 + tracking);
    x += name[k].draw(s, f, x);
  }
  width = x - start;
  return s;
}

// ---- the emblem: a low sun over the sea, in a disc ----------------------------------

void emblem(Canvas& canvas, double cx, double cy, double radius) {
  const double left = cx - radius - 2, right = cx + radius + 2, bottom = cy + radius + 2;
  const double horizon = cy + radius * 0.16;
  Canvas inside(canvas.width, canvas.height);
  Shape all;
  all.add(box(left, cy - radius - 2, right, bottom));
  const Rgb skyTop = hex(0xB8325A), skyLow = hex(0xFF9A3C);
  inside.paint(all, [&](double, double y) {
    const double t = std::clamp((y - (cy - radius)) / (horizon - (cy - radius)), 0.0, 1.0);
    return mix(skyTop, skyLow, std::pow(t, 1.3));
  });

  Shape sun;
  sun.add(ellipse(cx + radius * 0.08, horizon, radius * 0.48, radius * 0.48));
  inside.paint(sun, [&](double, double y) {
    return mix(hex(0xFFF0C0), hex(0xFFC468), (y - (horizon - radius * 0.48)) / (radius * 0.48));
  });

  // Waves, far to near, each darker, with a pale crest where it rises.
  const Rgb water[] = {hex(0x9A2E4C), hex(0x6E1A42), hex(0x4A0C32)};
  const double level[] = {0.0, 0.26, 0.55}, amplitude[] = {0.035, 0.06, 0.08};
  const double cycles[] = {3.2, 2.3, 1.6}, phase[] = {0.1, 0.45, 0.8};
  for (int k = 0; k < 3; ++k) {
    const auto top = [&, k](double x) {
      const double u = (x - cx) / radius;
      return horizon +
             radius * (level[k] + amplitude[k] * std::sin(2 * pi * (cycles[k] * u / 2 + phase[k])));
    };
    Shape body;
    body.add(band(left, right, top, [&](double) { return bottom; }));
    inside.paint(body, water[k]);
    if (k == 0) {
      // The sun's road on the far water: glints that shorten and fade with distance
      // from the horizon.
      for (int j = 0; j < 4; ++j) {
        Shape glint;
        const double y = horizon + radius * (0.07 + 0.09 * j), half = radius * (0.30 - 0.06 * j);
        const double sx = cx + radius * 0.08;
        glint.add(capsule(sx - half, sx + half, y, radius * 0.045));
        inside.paint(glint, hex(0xFFC070), 0.9 - 0.16 * j);
      }
    }
    Shape crest;
    const double thick = radius * (0.03 + 0.012 * k);
    crest.add(band(left, right, top, [&, k](double x) {
      const double u = (x - cx) / radius;
      const double lift = std::cos(2 * pi * (cycles[k] * u / 2 + phase[k]));  // rising side
      return top(x) + thick * std::max(0.0, 0.2 + 0.8 * lift);
    }));
    inside.paint(crest, hex(0xFFE6C8), 0.9);
  }

  Shape disc;
  disc.add(ellipse(cx, cy, radius, radius));
  const Mask m = cover(disc, canvas.width, canvas.height);
  canvas.paint(m, [&](double x, double y) {
    const std::size_t i = std::size_t(y) * canvas.width + std::size_t(x);
    return inside.colour[i];
  });
}

PictureData splashPicture() {
  const int width = 655, height = 214;
  Canvas canvas(width, height);
  Face face{47, 64, 10, 1.1, 0};
  const double radius = 62, gap = 32;
  double nameWidth = 0;
  wordmark(face, 0, nameWidth);  // measure first
  const double total = 2 * radius + gap + nameWidth;
  const double left = std::round((width - total) / 2), centreY = height / 2.0;
  face.baseline = std::round(centreY + face.capHeight / 2);
  emblem(canvas, left + radius, centreY, radius);
  const Shape name = wordmark(face, left + 2 * radius + gap, nameWidth);
  const double top = face.baseline - face.capHeight;
  canvas.paint(name, [&](double, double y) {
    return mix(hex(0xFFFFFF), hex(0xFFD2A0), (y - top) / face.capHeight);
  });
  return canvas.picture();
}

// ---- the pixel fonts ---------------------------------------------------------------
// Glyphs as rows of text, '#' for ink. In the small font rows 0 to 6 reach from the
// capital top to the baseline, rows 7 and 8 hold the descenders and lower case
// starts at row 2. The bold font is lower case only, 7 rows high with stems two
// pixels wide, for a line that is shown magnified as dots.

struct Glyph {
  char c;
  const char* rows[9];
};

// clang-format off
const Glyph smallFont[] = {
    {'F', {"####", "#...", "#...", "###.", "#...", "#...", "#...", "", ""}},
    {'E', {"####", "#...", "#...", "###.", "#...", "#...", "####", "", ""}},
    {'1', {".#.", "##.", ".#.", ".#.", ".#.", ".#.", "###", "", ""}},
    {'c', {"", "", ".###", "#...", "#...", "#...", ".###", "", ""}},
    {'e', {"", "", ".##.", "#..#", "####", "#...", ".###", "", ""}},
    {'h', {"#...", "#...", "###.", "#..#", "#..#", "#..#", "#..#", "", ""}},
    {'i', {"#", "", "#", "#", "#", "#", "#", "", ""}},
    {'l', {"##", ".#", ".#", ".#", ".#", ".#", ".#", "", ""}},
    {'p', {"", "", "###.", "#..#", "#..#", "#..#", "###.", "#...", "#..."}},
    {'s', {"", "", ".###", "#...", ".##.", "...#", "###.", "", ""}},
    {'t', {"", ".#.", "###", ".#.", ".#.", ".#.", "..#", "", ""}},
    {'x', {"", "", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "", ""}},
};

const Glyph boldFont[] = {
    {'a', {".####.", "....##", ".#####", "##..##", "##..##", "##..##", ".#####"}},
    {'c', {".#####", "##....", "##....", "##....", "##....", "##....", ".#####"}},
    {'e', {".####.", "##..##", "##..##", "######", "##....", "##....", ".#####"}},
    {'n', {"#####.", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##"}},
    {'r', {"##.###", "####..", "##....", "##....", "##....", "##....", "##...."}},
    {'s', {".#####", "##....", "##....", ".####.", "....##", "....##", "#####."}},
    {'v', {"##..##", "##..##", "##..##", "##..##", ".####.", ".####.", "..##.."}},
};
// clang-format on

struct PixelFont {
  const Glyph* glyphs;
  std::size_t count;
  int spacing;  // between glyphs
  int space;    // width of a space
};
const PixelFont small{smallFont, std::size(smallFont), 1, 3};
const PixelFont bold{boldFont, std::size(boldFont), 2, 6};

const Glyph* findGlyph(const PixelFont& font, char c) {
  for (std::size_t i = 0; i < font.count; ++i) {
    if (font.glyphs[i].c == c) return &font.glyphs[i];
  }
  return nullptr;
}

int glyphWidth(const Glyph& g) {
  std::size_t width = 0;
  for (const char* row : g.rows) width = std::max(width, row ? std::strlen(row) : 0);
  return static_cast<int>(width);
}

int textWidth(const PixelFont& font, const std::string& text) {
  int width = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const Glyph* g = findGlyph(font, text[k]);
    width += g ? glyphWidth(*g) : font.space;
    if (k + 1 < text.size()) width += font.spacing;
  }
  return width;
}

// A palette picture being drawn: opaque pixels, black ground.
struct PixelPicture {
  PictureData data;
  PixelPicture(int w, int h) {
    data.width = w;
    data.height = h;
    data.pixels.assign(std::size_t(w) * h, 0xFF000000u);
  }
  void set(int x, int y, std::uint32_t c) {
    if (x >= 0 && y >= 0 && x < data.width && y < data.height)
      data.pixels[std::size_t(y) * data.width + x] = 0xFF000000u | c;
  }
};

// Draws `text` with the font's row 0 at picture row `top`; colourOfRow gives each
// font row's colour. Returns the x after the last glyph.
int drawText(PixelPicture& p, const PixelFont& font, const std::string& text, int x, int top,
             const std::function<std::uint32_t(int)>& colourOfRow) {
  for (char c : text) {
    if (c == ' ') {
      x += font.space + font.spacing;
      continue;
    }
    const Glyph* g = findGlyph(font, c);
    if (!g) {
      std::fprintf(stderr, "make_pictures: no glyph for '%c'\n", c);
      std::exit(1);
    }
    for (int row = 0; row < 9; ++row) {
      for (int col = 0; g->rows[row] && g->rows[row][col]; ++col) {
        if (g->rows[row][col] == '#') p.set(x + col, top + row, colourOfRow(row));
      }
    }
    x += glyphWidth(*g) + font.spacing;
  }
  return x - font.spacing;
}

std::uint32_t packed(Rgb c) {
  return std::uint32_t(std::lround(c.r)) << 16 | std::uint32_t(std::lround(c.g)) << 8 |
         std::uint32_t(std::lround(c.b));
}

// A key drawn as a rounded cap around its label; returns the x after it.
int drawKey(PixelPicture& p, const std::string& label, int x) {
  const int w = textWidth(small, label) + 6, h = p.data.height;
  for (int y = 0; y < h; ++y) {
    for (int k = 0; k < w; ++k) {
      const bool edgeX = k == 0 || k == w - 1, edgeY = y == 0 || y == h - 1;
      if (edgeX && edgeY) continue;  // rounded corners
      p.set(x + k, y, edgeX || edgeY ? 0x5C6B82 : y > h / 2 ? 0x1A202C : 0x222A38);
    }
  }
  // A lighter top edge gives the cap some relief.
  for (int k = 1; k < w - 1; ++k) p.set(x + k, 0, 0x7E8DA4);
  drawText(p, small, label, x + 3, 3, [](int) { return 0xFFFFFFu; });
  return x + w;
}

PictureData infoPicture() {
  PixelPicture p(152, 13);
  const auto label = [](int) { return 0xBCC8D8u; };
  const int keyGap = 4, pairGap = 12;
  const int total = textWidth(small, "F1") + 6 + keyGap + textWidth(small, "help") + pairGap +
                    textWidth(small, "Esc") + 6 + keyGap + textWidth(small, "exit");
  int x = (p.data.width - total) / 2;
  x = drawKey(p, "F1", x) + keyGap;
  x = drawText(p, small, "help", x, 3, label) + pairGap;
  x = drawKey(p, "Esc", x) + keyGap;
  drawText(p, small, "exit", x, 3, label);
  return p.data;
}

// Shown as dots at twice the size and dimmed to two thirds: bold and bright.
PictureData urlPicture() {
  PixelPicture p(108, 13);
  const std::string line = "screen saver";
  const int x = (p.data.width - textWidth(bold, line)) / 2;
  drawText(p, bold, line, x, 3,
           [](int row) { return packed(mix(hex(0xFFFFFF), hex(0xFFC890), row / 6.0)); });
  return p.data;
}

// ---- files ------------------------------------------------------------------------------

bool write(const std::string& path, const PictureData& picture,
           bool (*encode)(const PictureData&, std::FILE*)) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
    return false;
  }
  const bool ok = encode(picture, file);
  if (std::fclose(file) != 0 || !ok) {
    std::fprintf(stderr, "make_pictures: writing %s failed\n", path.c_str());
    return false;
  }
  return true;
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    std::fprintf(stderr, "make_pictures: cannot read %s\n", path.c_str());
    return false;
  }
  std::uint8_t chunk[65536];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  std::fclose(file);
  return true;
}

// A picture file of the expected size, decoded as the program decodes it.
bool readPicture(const std::string& path, int width, int height, PictureData& picture) {
  std::vector<std::uint8_t> bytes;
  if (!readFile(path, bytes)) return false;
  if (!emu::decodeAny(bytes.data(), bytes.size(), picture)) {
    std::fprintf(stderr, "make_pictures: %s is not a picture we can read\n", path.c_str());
    return false;
  }
  if (picture.width != width || picture.height != height) {
    std::fprintf(stderr, "make_pictures: %s is %dx%d, not %dx%d\n", path.c_str(), picture.width,
                 picture.height, width, height);
    return false;
  }
  return true;
}

// The start-up screen on a 1024x768 view, drawn from the written files the way the
// program places them: the name centred, the keys 12 rows above the bottom, the
// line 16 rows below the name, dimmed to 170/256 and drawn as dots at a pitch of 2.
bool writeSplash(const std::string& dir, const std::string& path) {
  PictureData load, info, url;
  if (!readPicture(dir + "/load_scr.png", 655, 214, load) ||
      !readPicture(dir + "/info_scr.bmp", 152, 13, info) ||
      !readPicture(dir + "/url_scr.bmp", 108, 13, url)) {
    return false;
  }
  for (std::uint32_t& p : url.pixels) {
    std::uint32_t tinted = p & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) tinted |= ((p >> shift & 0xFF) * 170 >> 8) << shift;
    p = tinted;
  }
  const int width = 1024, height = 768;
  std::vector<Color> memory;
  const int pitch = attach(memory, width, height);
  std::fill(memory.begin(), memory.end(), 0xFF000000u);
  const int loadLeft = width / 2 - 655 / 2, loadTop = height / 2 - 214 / 2;
  blit_image(loadLeft, loadTop, loadLeft + 654, loadTop + 213, load.pixels.data(), BLEND_ALPHA, -1);
  const int infoLeft = width / 2 - 152 / 2, infoTop = height - 12 - 13;
  blit_image(infoLeft, infoTop, infoLeft + 151, infoTop + 12, info.pixels.data(), BLEND_COPY, -1);
  drawDotMosaic(width / 2 - 215 / 2, loadTop + 213 + 16, BLEND_COPY, 108, 13, url.pixels.data(), 1,
                1, 0);
  detach();
  PictureData shot;
  shot.width = width;
  shot.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      shot.pixels.push_back(memory[std::size_t(y) * pitch + x] | 0xFF000000u);
    }
  }
  return write(path, shot, emu::encodePng);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, scene, splash;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--scene" || arg == "--splash") && i + 1 < argc) {
      (arg == "--scene" ? scene : splash) = argv[++i];
    } else if (dir.empty() && !arg.empty() && arg[0] != '-') {
      dir = arg;
    } else {
      dir.clear();
      break;
    }
  }
  if (dir.empty()) {
    std::fprintf(stderr,
                 "usage: make_pictures [--scene FRAME.png] [--splash SHOT.png] OUTDIR\n"
                 "  --scene   a 152x112 frame of the scene, written as the preview picture\n"
                 "  --splash  also writes the start-up screen on a 1024x768 view\n");
    return 2;
  }
  bool ok = write(dir + "/load_scr.png", splashPicture(), emu::encodePng) &&
            write(dir + "/info_scr.bmp", infoPicture(), emu::encodeBmp8) &&
            write(dir + "/url_scr.bmp", urlPicture(), emu::encodeBmp8);
  if (ok && !scene.empty()) {
    PictureData frame;
    ok = readPicture(scene, 152, 112, frame) &&
         write(dir + "/preview_scr.bmp", frame, emu::encodeBmp8);
  }
  if (ok && !splash.empty()) ok = writeSplash(dir, splash);
  return ok ? 0 : 1;
}
