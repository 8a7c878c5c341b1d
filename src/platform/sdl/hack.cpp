// Hack options and the frames-per-second overlay. The overlay needs no font: its
// few characters are 3x5 bitmaps drawn as 3x3-pixel squares.

#include "platform/sdl/hack.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sdl {
namespace {

bool isOption(const char* arg, const char* name) {
  if (arg[0] != '-') return false;
  const char* rest = arg[1] == '-' ? arg + 2 : arg + 1;
  return std::strcmp(rest, name) == 0;
}

// A window id in decimal or 0x hex, as X prints them; nothing else may follow.
bool readWindowId(const char* text, std::uint64_t& id) {
  if (!text || !*text || *text == '-' || *text == '+') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text, &end, 0);
  if (errno || end == text || *end || value == 0 || value > 0xFFFFFFFFull) return false;
  id = value;
  return true;
}

// Rows of 3 bits, top first; bit 2 is the left column.
struct Glyph {
  char c;
  unsigned char rows[5];
};
constexpr Glyph glyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'.', {0, 0, 0, 0, 2}}, {':', {0, 2, 0, 2, 0}},
    {'F', {7, 4, 6, 4, 4}}, {'P', {7, 5, 7, 4, 4}}, {'S', {7, 4, 7, 1, 7}}, {' ', {0, 0, 0, 0, 0}},
};
constexpr int scale = 3, advance = 4 * scale, margin = 4;

const Glyph* glyphOf(char c) {
  for (const Glyph& g : glyphs) {
    if (g.c == c) return &g;
  }
  return nullptr;
}

void fill(std::uint32_t* pixels, int width, int height, int pitch, int x0, int y0, int w, int h,
          std::uint32_t colour) {
  for (int y = y0 < 0 ? 0 : y0; y < y0 + h && y < height; ++y) {
    for (int x = x0 < 0 ? 0 : x0; x < x0 + w && x < width; ++x) {
      pixels[static_cast<std::size_t>(y) * pitch + x] = colour;
    }
  }
}

}  // namespace

int readHackOptions(int argc, char** argv, const char* environmentWindow, HackOptions& options,
                    std::string& error) {
  options = HackOptions{};
  bool explicitId = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (isOption(arg, "root")) {
      options.root = true;
    } else if (isOption(arg, "fps")) {
      options.showFps = true;
    } else if (isOption(arg, "window-id")) {
      const char* value = i + 1 < argc ? argv[++i] : nullptr;
      if (!readWindowId(value, options.windowId)) {
        error = std::string("-window-id wants a window id, decimal or 0x hex, not '") +
                (value ? value : "") + "'";
        return -1;
      }
      explicitId = true;
    } else if (arg[0] == '-' && arg[1] != 0) {
      if (!options.root && !options.showFps && !explicitId && i == 1) return 0;
      error =
          std::string("unknown option '") + arg + "' (hack options: -root, -window-id ID, -fps)";
      return -1;
    } else {
      // A word of the program's own command line (/s, /p ...) after a hack option.
      if (i == 1) return 0;
      error = std::string("unexpected argument '") + arg + "' after the hack options";
      return -1;
    }
  }
  if (!options.root && !options.showFps && !explicitId) return 0;
  options.active = true;
  if (!explicitId && environmentWindow && *environmentWindow) {
    if (!readWindowId(environmentWindow, options.windowId)) {
      error = std::string("XSCREENSAVER_WINDOW is not a window id: '") + environmentWindow + "'";
      return -1;
    }
  }
  return 1;
}

void drawFps(std::uint32_t* pixels, int width, int height, int pitch, double fps) {
  char text[32];
  std::snprintf(text, sizeof text, "FPS: %.1f", fps < 0 ? 0.0 : fps > 9999 ? 9999.0 : fps);
  const int length = static_cast<int>(std::strlen(text));
  const int boxW = length * advance + 2 * margin - scale, boxH = 5 * scale + 2 * margin;
  const int left = margin, top = height - margin - boxH;
  fill(pixels, width, height, pitch, left, top, boxW, boxH, 0xFF000000u);
  for (int i = 0; i < length; ++i) {
    const Glyph* g = glyphOf(text[i]);
    if (!g) continue;
    for (int row = 0; row < 5; ++row) {
      for (int col = 0; col < 3; ++col) {
        if (g->rows[row] >> (2 - col) & 1) {
          fill(pixels, width, height, pitch, left + margin + i * advance + col * scale,
               top + margin + row * scale, scale, scale, 0xFFFFFFFFu);
        }
      }
    }
  }
}

}  // namespace sdl
