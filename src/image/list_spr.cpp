// The layout decodes the flags once into a direction and an alignment, so every
// combination of bits lands in one of the supported layouts.

#include "image/list_spr.h"

#include <algorithm>
#include <climits>
#include <cwchar>

#include "surface/surface.h"

namespace {

int itemWidth(const std::unique_ptr<BaseSPR>& p) { return p ? p->width : 0; }
int itemHeight(const std::unique_ptr<BaseSPR>& p) { return p ? p->height : 0; }

}  // namespace

ListSPR::ListSPR(const wchar_t* name, int gap) { Add(name, nullptr, gap); }

int ListSPR::Add(const wchar_t* name, const wchar_t* maskName, int gap) {
  if (!name || count >= widgetListLimit) return -1;
  items[count] = std::make_unique<BaseSPR>(name, maskName, -1, -1);
  spacing[count] = gap != -1 ? gap : count == 0 ? 0 : defaultSpacing;
  return count++;
}

void ListSPR::Place(int px, int py, int placeFlags) {
  x = px;
  y = py;
  flags = placeFlags;
  const bool column = (flags & (listColumnDown | listColumnUp)) != 0;
  const bool upward = (flags & (listColumnDown | listColumnUp)) == listColumnUp;

  long long along = 0, across = 0;
  for (int i = 0; i < count; ++i) {
    along +=
        spacing[i] + static_cast<long long>(column ? itemHeight(items[i]) : itemWidth(items[i]));
    across = std::max<long long>(across, column ? itemWidth(items[i]) : itemHeight(items[i]));
  }
  blockWidth = clampToInt(column ? across : along);
  blockHeight = clampToInt(column ? along : across);
  placeRect(x, y, blockWidth, blockHeight, flags, 0, 1, x0, y0, x1, y1);

  const BackBuffer& b = backBuffer;
  const int mode = flags & drawModeMask;
  // The cross coordinate and its anchor, the same for every item.
  int cross = 0, crossAnchor = 0;
  if (column) {
    if (flags & listCentreX) {
      cross = clampToInt(x0 + (static_cast<long long>(x1) - x0) / 2 - b.halfViewWidth);
      crossAnchor = anchorCentreX;
    } else if (flags & listRight) {
      cross = clampToInt(static_cast<long long>(b.viewMaxX) - x1);
      crossAnchor = anchorRight;
    } else {
      cross = x0;
    }
  } else {
    switch (flags & listBottom) {
      case listTop:
        cross = y0;
        break;
      case listCentreY:
        cross = clampToInt(y0 + (static_cast<long long>(y1) - y0) / 2 - b.halfViewHeight);
        crossAnchor = anchorCentreY;
        break;
      case listBottom:
        cross = clampToInt(static_cast<long long>(b.viewMaxY) - y1);
        crossAnchor = anchorBottom;
        break;
      default:
        // The block's top: the y given unless a vertical anchor moved the block.
        cross = y0;
        break;
    }
  }
  // The running coordinate counts from the block's start edge, or from the view's
  // far edge for the layouts that grow toward the start.
  const bool fromEnd = column ? upward : (flags & listRightToLeft) != 0;
  const int runAnchor = fromEnd ? (column ? anchorBottom : anchorRight) : 0;
  long long run = column ? (fromEnd ? static_cast<long long>(b.viewMaxY) - y1 : y0)
                         : (fromEnd ? static_cast<long long>(b.viewMaxX) - x1 : x0);
  for (int i = 0; i < count; ++i) {
    run += spacing[i];
    BaseSPR& item = *items[i];
    const int at = clampToInt(run);
    const int itemFlags = mode | crossAnchor | runAnchor;
    if (column) {
      item.Place(cross, at, itemFlags);
      run += item.height;
    } else {
      item.Place(at, cross, itemFlags);
      run += item.width;
    }
  }
}

void ListSPR::Draw(int index) {
  if (index == -1) {
    if (backgroundHook) backgroundHook(x0, y0, x1, y1);
    for (int i = 0; i < count; ++i) items[i]->Draw(-1);
    return;
  }
  if (index < 0 || index >= count) return;
  BaseSPR& item = *items[index];
  const int saved[] = {item.x0, item.y0, item.x1, item.y1, item.width, item.height, item.mode};
  item.Place(x, y, flags);
  if (backgroundHook) backgroundHook(item.x0, item.y0, item.x1, item.y1);
  item.Draw(-1);
  item.x0 = saved[0];
  item.y0 = saved[1];
  item.x1 = saved[2];
  item.y1 = saved[3];
  item.width = saved[4];
  item.height = saved[5];
  item.mode = saved[6];
}

int ListSPR::IndexOf(const wchar_t* name) const {
  if (!name) return -1;
  for (int i = 0; i < count; ++i) {
    if (items[i]->name && std::wcscmp(items[i]->name, name) == 0) return i;
  }
  return -1;
}

void ListSPR::DrawNamed(const wchar_t* name) {
  const int index = IndexOf(name);
  if (index >= 0) Draw(index);
}

void ListSPR::Free() { freePictures(items, count); }
