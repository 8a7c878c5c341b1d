// Sample and FillRows share one mapping from a level to a colour, which is where the
// short ramps are made safe.

#include "image/color_ramp.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "image/base_spr.h"
#include "image/picture_io.h"
#include "shell/shell.h"
#include "surface/surface.h"
#include "vector/fills.h"

namespace {

constexpr wchar_t notOneWide[] = L"File for Gradient not 1 pixel width";
constexpr wchar_t notFound[] = L"JPG or BMP Resource Not Found";

}  // namespace

ColorRamp::ColorRamp(const wchar_t* pictureName) { LoadFile(pictureName); }

void ColorRamp::Free() {
  colors.clear();
  colors.shrink_to_fit();
  count = 0;
}

bool ColorRamp::LoadFile(const wchar_t* pictureName) {
  Free();
  if (!pictureName || !*pictureName) return false;
  AcquireGdiplus();
  if (OpenPictureResource(pictureName)) {
    if (LockPicture()) {
      if (pictureSlot.width == 1 && pictureSlot.height <= colorRampLimit) {
        colors.assign(pictureSlot.pixels, pictureSlot.pixels + pictureSlot.height);
        for (Color& c : colors) c |= 0xFF000000u;
        count = pictureSlot.height;
      } else {
        showRuntimeError(notOneWide);
      }
      UnlockPicture();
    }
  } else {
    showRuntimeError(notFound);
  }
  ClosePicture();
  ReleaseGdiplus();
  return count > 0;
}

bool ColorRamp::SetColors(const Color* source, int n) {
  Free();
  if (!source || n < 1 || n > colorRampLimit) return false;
  colors.assign(source, source + n);
  count = n;
  return true;
}

bool ColorRamp::Build(Color a, Color b, int n, float curve) {
  Free();
  if (n < 1 || n > colorRampLimit) return false;
  colors.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const float d = n == 1 ? 0.0f : static_cast<float>(i) / static_cast<float>(n - 1);
    const float e = 1.0f - d * curve;
    const float f = e == 0.0f ? 1.0f : 1.0f - (1.0f - d) / e;
    // lerpColor clamps the weight to 0..256; this only keeps the conversion defined.
    const float w = f * 255.0f + 0.5f;
    const int weight = std::isnan(w) ? 0 : static_cast<int>(std::clamp(w, -1.0f, 257.0f));
    colors[static_cast<std::size_t>(i)] = lerpColor(a, b, weight);
  }
  count = n;
  return true;
}

Color ColorRamp::Sample(int index, int levels) const {
  const int n = count;
  if (n == 0) return 0;
  if (levels == n) return colors[static_cast<std::size_t>(std::clamp(index, 0, n - 1))];
  if (levels < 2) return colors[0];
  const long long i = std::clamp(index, 0, levels - 1);
  const long long t = i * (n - 1);
  const long long k = std::min<long long>(t / (levels - 1), n - 1);
  if (n >= 256 || k + 1 == n || levels == 2) return colors[static_cast<std::size_t>(k)];
  const long long w = (t % (levels - 1)) * 255 / (levels - 2);
  return lerpColor(colors[static_cast<std::size_t>(k)], colors[static_cast<std::size_t>(k + 1)],
                   static_cast<int>(std::min<long long>(w, 256)));
}

void ColorRamp::FillRows(int left, int top, int right, int bottom) const {
  const BackBuffer& b = backBuffer;
  if (count == 0 || !b.pixels || b.viewMaxX < 0 || b.viewMaxY < 0) return;
  if (top == 0 && right == 0 && bottom == 0) {
    top = left;
    right = static_cast<int>(
        std::clamp<long long>(static_cast<long long>(b.viewMaxX) - left, INT_MIN, INT_MAX));
    bottom = static_cast<int>(
        std::clamp<long long>(static_cast<long long>(b.viewMaxY) - left, INT_MIN, INT_MAX));
  }
  const long long rows = static_cast<long long>(bottom) - top + 1;
  // Levels past an int are spread like the int's largest; rows that far are off the view.
  const int levels = static_cast<int>(std::min<long long>(rows, 2147483647LL));
  const int fromX = std::max(left, 0), toX = std::min(right, b.viewMaxX);
  const int fromY = std::max(top, 0), toY = std::min(bottom, b.viewMaxY);
  for (int y = fromY; y <= toY && fromX <= toX; ++y) {
    const Color c = tintedColour(
        Sample(static_cast<int>(std::min<long long>(static_cast<long long>(y) - top, levels - 1)),
               levels),
        tint);
    std::fill(viewPixel(fromX, y), viewPixel(fromX, y) + (toX - fromX + 1), c);
  }
}
