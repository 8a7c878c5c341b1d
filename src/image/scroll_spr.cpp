// Strips are resampled through the picture module's pending scale factors; the
// ratios that the resize leaves behind scale the strip's position the same way.

#include "image/scroll_spr.h"

#include <algorithm>

#include "image/picture_io.h"
#include "surface/surface.h"

ScrollSPR::ScrollSPR(int x, int y, int w, int h, int logicalWidth, int logicalHeight, int flags) {
  SetView(x, y, w, h, logicalWidth, logicalHeight, flags);
}

void ScrollSPR::SetView(int x, int y, int w, int h, int logicalWidth, int logicalHeight,
                        int flags) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  placeRect(x, y, w, h, flags, 0, 1, x0, y0, x1, y1);
  if (logicalWidth <= 0) {
    xScale = yScale = 0.0f;
    return;
  }
  xScale = static_cast<float>(w) / static_cast<float>(logicalWidth);
  yScale = logicalHeight > 0 ? static_cast<float>(h) / static_cast<float>(logicalHeight) : xScale;
}

int ScrollSPR::Add(const wchar_t* name, const wchar_t* maskName, int position, int step,
                   int flags) {
  if (!name || count >= widgetListLimit) return -1;
  pictureScale.scaleX = xScale;
  pictureScale.scaleY = yScale;
  pictureScale.ratioX = pictureScale.ratioY = 1.0f;
  const int viewWidth = static_cast<int>(std::max(0LL, static_cast<long long>(x1) - x0 + 1));
  auto strip = std::make_unique<BaseSPR>(name, maskName, viewWidth, -1);
  // A picture that was not found leaves the factors pending: they must not reach
  // the next load.
  pictureScale.scaleX = pictureScale.scaleY = 0.0f;
  const double rx = pictureScale.ratioX, ry = pictureScale.ratioY;

  const BackBuffer& b = backBuffer;
  const int m = flags & drawModeMask;
  switch (flags & scrollEdgeMask) {
    case scrollRightEdge:
      strip->Place(truncateToInt(position * rx + (static_cast<double>(b.viewMaxX) - x1)), 0,
                   m + anchorRight + anchorCentreY);
      strip->scrollVertical = 1;
      break;
    case scrollTopEdge:
      strip->Place(0, truncateToInt(position * ry + y0), m + anchorCentreX);
      strip->scrollVertical = 0;
      break;
    case scrollBottomEdge:
      strip->Place(0, truncateToInt((static_cast<double>(b.viewMaxY) - y1) + position * ry),
                   m + anchorBottom + anchorCentreX);
      strip->scrollVertical = 0;
      break;
    default:
      strip->Place(truncateToInt(position * rx + x0), 0, m + anchorCentreY);
      strip->scrollVertical = 1;
      break;
  }
  strip->scrollStep = step;
  strips[count] = std::move(strip);
  return count++;
}

void ScrollSPR::SetDirection(int v) {
  if (count == 0) return;
  BaseSPR& strip = *strips[count - 1];
  strip.scrollVertical = v == -1 ? !strip.scrollVertical : v != 0;
}

void ScrollSPR::Draw(int index) {
  if (index == -1) {
    for (int i = 0; i < count; ++i) strips[i]->ScrollDraw(-1);
  } else if (index >= 0 && index < count) {
    strips[index]->ScrollDraw(-1);
  }
}

void ScrollSPR::Free() { freePictures(strips, count); }
