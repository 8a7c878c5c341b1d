// Text on a canvas for the default preview painter of the SDL and headless
// backends. For now only the opaque background box of the text is drawn.

#include <algorithm>
#include <cwchar>

#include "platform/common/surface_memory.h"

namespace emu {
namespace {

constexpr int glyphWidth = 6;   // 5 columns and a gap
constexpr int glyphHeight = 8;  // 7 rows and a gap

std::uint32_t fromColorRef(std::uint32_t c) {
  return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

}  // namespace

int drawText(Canvas& canvas, int x, int y, const wchar_t* text, std::uint32_t backColour,
             std::uint32_t, std::uint32_t align) {
  if (!text) return 0;
  const int width = static_cast<int>(std::wcslen(text)) * glyphWidth;
  if (align & TA_CENTER) x -= width / 2;
  const std::uint32_t back = fromColorRef(backColour);
  for (int row = std::max(y, 0); row < std::min(y + glyphHeight, canvas.height); ++row) {
    for (int col = std::max(x, 0); col < std::min(x + width, canvas.width); ++col) {
      canvas.pixels[static_cast<std::size_t>(row) * canvas.width + col] = back;
    }
  }
  return 1;
}

}  // namespace emu
