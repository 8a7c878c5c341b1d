// Text rows are rendered once, when added: the font prints the text into the top of
// the view, the strip is grabbed bright, darkened and grabbed dim, and the view is
// put back. Drawing then only blits pictures and lights one zone.

#include "image/mouse_menu.h"

#include <algorithm>
#include <climits>
#include <new>

#include "blend/dispatch.h"
#include "input/input_state.h"
#include "shell/shell.h"
#include "surface/saved_rects.h"
#include "surface/surface.h"

namespace {

constexpr wchar_t constructorMissing[] = L"IMouseSPR : Constructor : Some images - missing";
constexpr wchar_t rowMissing[] = L"IMouseSPR : iAdd : Some images - missing";
constexpr Color barDimTint = 0xFF464646;
constexpr Color rowDimTint = 0xFF7F7F7F;
constexpr Color textDimColour = 0xFF646464;
constexpr Color separatorColour = 0xFF282828;
constexpr Color hoverColour = 0xFF505050;

std::unique_ptr<BaseSPR> loadPicture(const wchar_t* name, Color tint) {
  pendingLoad.tint = tint;
  std::unique_ptr<BaseSPR> p(new (std::nothrow) BaseSPR(name, nullptr, -1, -1));
  pendingLoad.tint = PendingLoad{}.tint;
  return p;
}

int widthOf(const std::unique_ptr<BaseSPR>& p) { return p ? p->width : 0; }

}  // namespace

IMouseSPR::IMouseSPR(const wchar_t* bar3Name, const wchar_t* bar2Name, const wchar_t* bar1Name,
                     const wchar_t* fontName) {
  const wchar_t* names[] = {bar3Name, bar2Name, bar1Name};
  bool missing = false;
  for (int i = 0; i < 3; ++i) {
    bars[2 * i] = loadPicture(names[i], PendingLoad{}.tint);
    missing = missing || !bars[2 * i];
    bars[2 * i + 1] = loadPicture(names[i], barDimTint);
  }
  if (missing) showRuntimeError(constructorMissing);
  rowHeight = bars[menuBar3] ? bars[menuBar3]->height : 0;
  if (fontName) {
    font = std::make_unique<FontSPR>(fontName, nullptr);
    hasFont = 1;
  }
}

// ---- rows ---------------------------------------------------------------------------

int IMouseSPR::addRow(const wchar_t* text, int separator, int gap) {
  if (count >= widgetListLimit || (!separator && !text)) return -1;
  MenuRow& row = rows[count];
  row = MenuRow{};
  row.text = text;
  row.separator = separator;
  spacing[count] = gap != -1 ? gap : count == 0 ? 0 : defaultSpacing;
  if (!separator) iAdd(text, row);
  return count++;
}

int IMouseSPR::AddItem(const wchar_t* text, int id, MenuRowState state, int gap) {
  const int index = addRow(text, 0, gap);
  if (index >= 0) {
    rows[index].id = id;
    rows[index].state = state;
  }
  return index;
}

int IMouseSPR::AddValueItem(const wchar_t* text, int leftId, int middleId, int rightId,
                            MenuRowState state, int gap) {
  const int index = addRow(text, 0, gap);
  if (index >= 0) {
    MenuRow& row = rows[index];
    row.threeZone = 1;
    row.leftId = leftId;
    row.middleId = middleId;
    row.rightId = rightId;
    row.state = state;
  }
  return index;
}

int IMouseSPR::AddSeparator(int gap) { return addRow(nullptr, 1, gap); }

void IMouseSPR::iAdd(const wchar_t* text, MenuRow& row) {
  const BackBuffer& b = backBuffer;
  if (hasFont) {
    // Without a view to print into, a text row has no pictures: only its bar shows.
    if (!font || !b.pixels || b.viewMaxX < 0 || b.viewMaxY < 0) return;
    const int strip = font->glyphHeight;
    pushRect(0, 0, b.viewMaxX, strip);
    fill_rect(0, 0, b.viewMaxX, strip, 0, BLEND_COPY);
    char narrow[narrowTextCapacity];
    font->Print(0, 0, 1, NarrowText(text, narrow));
    font->Draw();
    row.bright = std::make_unique<BaseSPR>();
    row.bright->Grab(font->x0, font->y0, font->x1, font->y1);
    fill_rect(0, 0, b.viewMaxX, strip, textDimColour, BLEND_MULTIPLY);
    row.dim = std::make_unique<BaseSPR>();
    row.dim->Grab(font->x0, font->y0, font->x1, font->y1);
    popRect();
    return;
  }
  row.bright = loadPicture(text, PendingLoad{}.tint);
  if (!row.bright) {
    showRuntimeError(rowMissing);
    return;
  }
  row.dim = loadPicture(text, rowDimTint);
}

// ---- placing -------------------------------------------------------------------------

void IMouseSPR::Place(int px, int py, int placeFlags) {
  x = px;
  y = py;
  flags = placeFlags;
  int widest = 0;
  long long height = 0;
  for (int i = 0; i < count; ++i) {
    widest = std::max(widest, widthOf(rows[i].bright));
    height += spacing[i] + static_cast<long long>(rows[i].separator ? 1 : rowHeight);
  }
  textColumnWidth = widest + 6;
  blockWidth = clampToInt(static_cast<long long>(textColumnWidth) + widthOf(bars[menuBar1]));
  blockHeight = clampToInt(height);
  placeRect(x, y, blockWidth, blockHeight, flags, 0, 1, x0, y0, x1, y1);

  const int mode = flags & drawModeMask;
  long long rowY = y0;
  for (int i = 0; i < count; ++i) {
    MenuRow& row = rows[i];
    rowY += spacing[i];
    row.x = x0;
    row.y = clampToInt(rowY);
    if (row.separator) {
      rowY += 1;
      continue;
    }
    for (auto* p : {row.bright.get(), row.dim.get()}) {
      if (p)
        p->Place(clampToInt(static_cast<long long>(x0) + textColumnWidth - p->width - 6), row.y,
                 mode);
    }
    rowY += rowHeight;
  }
  const int barX = clampToInt(static_cast<long long>(x0) + textColumnWidth);
  for (auto& bar : bars) {
    if (bar) bar->Place(barX, 0, mode);
  }

  // Zones of the three-zone bar: an arrow one row height wide at each end, the middle
  // zone centred with k pixels to spare on each side.
  const BaseSPR* bar3 = bars[menuBar3].get();
  const int bx0 = bar3 && bar3->pixels ? bar3->x0 : barX;
  const int bx1 = bar3 && bar3->pixels ? bar3->x1 : barX - 1;
  const long long h = rowHeight;
  const long long k = ((bar3 ? bar3->width : 0) - 3 * h) / 2;
  leftX0 = bx0;
  leftX1 = clampToInt(bx0 + h - 1);
  rightX0 = clampToInt(bx1 - h + 1);
  rightX1 = bx1;
  middleX0 = clampToInt(bx0 + h + k);
  middleX1 = clampToInt(bx1 - h - k);
  barX0 = bx0;
  barX1 = bx1;
  barY0 = y0;
  barY1 = y1;
}

// ---- drawing ---------------------------------------------------------------------------

void IMouseSPR::lightRow(MenuRow& row, int mouseX) {
  const int top = row.y, bottom = clampToInt(static_cast<long long>(row.y) + rowHeight - 1);
  if (!row.threeZone) {
    const BaseSPR* bar = bars[menuBar1].get();
    if (bar) fill_rect(bar->x0, top, bar->x1, bottom, hoverColour, BLEND_ADD);
    hoverId = row.id;
    return;
  }
  if (mouseX >= barX0 && mouseX <= middleX0) {
    fill_rect(leftX0, top, leftX1, bottom, hoverColour, BLEND_ADD);
    hoverId = row.leftId;
  } else if (mouseX >= middleX0 && mouseX <= middleX1 && row.middleId != 0) {
    fill_rect(middleX0, top, middleX1, bottom, hoverColour, BLEND_ADD);
    hoverId = row.middleId;
  } else if (mouseX >= middleX1 && mouseX <= barX1) {
    fill_rect(rightX0, top, rightX1, bottom, hoverColour, BLEND_ADD);
    hoverId = row.rightId;
  }
}

bool IMouseSPR::mouseOverBar(long long& mx, long long& my) const {
  // In view coordinates, in 64 bits so no view offset wraps them.
  mx = static_cast<long long>(input.x) - backBuffer.viewLeft;
  my = static_cast<long long>(input.y) - backBuffer.viewTop;
  return mx >= barX0 && mx <= barX1 && my >= barY0 && my <= barY1;
}

void IMouseSPR::Draw() {
  const BackBuffer& b = backBuffer;
  if (drawHook) drawHook(x0, y0, x1, y1);
  long long mx, my;
  const bool overBar = mouseOverBar(mx, my);
  mouseInside = !suspended && overBar;
  const int mode = flags & drawModeMask;

  for (int i = 0; i < count; ++i) {
    MenuRow& row = rows[i];
    if (row.separator) {
      if (row.y < 0 || row.y > b.viewMaxY || !b.pixels) continue;
      // Up to the block's last column.
      const long long end =
          std::min<long long>(b.viewMaxX, static_cast<long long>(row.x) + blockWidth - 1);
      for (long long px = row.x < 0 ? (row.x & 1) : row.x; px <= end; px += 2)
        plot_pixel(viewPixel(static_cast<int>(px), row.y), separatorColour, mode);
      continue;
    }
    if (row.state) row.enabled = row.state(*this);
    BaseSPR* text = row.enabled ? row.bright.get() : row.dim.get();
    if (text) text->Draw(-1);
    const int barIndex = (row.threeZone ? (row.middleId != 0 ? menuBar3 : menuBar2) : menuBar1) +
                         (row.enabled ? 0 : 1);
    if (BaseSPR* bar = bars[barIndex].get()) {
      bar->y0 = row.y;
      bar->y1 = clampToInt(static_cast<long long>(row.y) + rowHeight - 1);
      bar->Draw(-1);
    }
    if (mouseInside && row.enabled && my >= row.y &&
        my <= static_cast<long long>(row.y) + rowHeight - 1) {
      mouseInside = 0;
      const int side = hoverAnchor[3];
      hoverAnchor[0] = side < 0 ? x0 - 1 : clampToInt(static_cast<long long>(x1) + 1);
      hoverAnchor[1] = row.y;
      hoverAnchor[2] = clampToInt(static_cast<long long>(row.y) + rowHeight - 1);
      lightRow(row, static_cast<int>(std::clamp<long long>(mx, INT_MIN, INT_MAX)));
    }
  }
  // Over the bar area but no row, or off it: nothing is hovered, so a click there
  // fires nothing. While suspended the id stays, for Release to send its key-up.
  if (mouseInside || (!suspended && !overBar)) hoverId = 0;
}

// ---- mouse buttons ------------------------------------------------------------------------

void IMouseSPR::Press() {
  // The mouse may have left the bar area since the last Draw.
  long long mx, my;
  if (!mouseOverBar(mx, my)) hoverId = 0;
  suspended = 1;
  input.onScreenKeyUp = 0;
  keyDown(hoverId, input.keyLocked[hoverId & 0xFF]);
  if (clickHook) clickHook(hoverAnchor[0], hoverAnchor[1], hoverAnchor[2], hoverAnchor[3]);
}

void IMouseSPR::Release() {
  suspended = 0;
  keyUp(hoverId, input.keyLocked[hoverId & 0xFF]);
  input.onScreenKeyUp = 1;
  hoverId = 0;
  if (clickHook) clickHook(hoverAnchor[0], hoverAnchor[1], hoverAnchor[2], hoverAnchor[3]);
}

void IMouseSPR::Free() {
  for (int i = 0; i < count; ++i) rows[i] = MenuRow{};
  count = 0;
  for (auto& bar : bars) bar.reset();
  font.reset();
  hasFont = 0;
}
