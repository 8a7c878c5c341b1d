// An on-screen menu that the mouse drives and that speaks to the application through
// the keyboard state. Each row is a text (or a picture) on the left and a bar on the
// right; the bar's zones carry virtual-key codes. Hovering lights the zone under the
// mouse, Press sends its key down and Release sends it up, through the key locks, so
// mouse and keyboard share the application's key handling.
#pragma once

#include <memory>

#include "font/font_spr.h"
#include "image/widget_list.h"

class IMouseSPR;
using MenuRowState = int (*)(IMouseSPR& menu);  // asked on every draw: 0 disables the row

struct MenuRow {
  const wchar_t* text = nullptr;  // borrowed; a picture name when the menu has no font
  std::unique_ptr<BaseSPR> bright, dim;
  int threeZone = 0;  // 0: simple row with one id
  int separator = 0;
  int enabled = 1;
  MenuRowState state = nullptr;
  int x = 0, y = 0;
  int id = 0;                                 // simple row
  int leftId = 0, middleId = 0, rightId = 0;  // three-zone row; middle 0 makes two zones
};

// Bars in `bars`: three-, two- and one-zone, each bright then dim.
enum MenuBar { menuBar3, menuBar3Dim, menuBar2, menuBar2Dim, menuBar1, menuBar1Dim, menuBarCount };

class IMouseSPR {
 public:
  int textColumnWidth = 0;
  int blockWidth = 0, blockHeight = 0;
  int rowHeight = 0;  // height of the three-zone bar
  int flags = 0x4001;
  int suspended = 0;
  // x beside the menu, hovered row's top and bottom, side flag (< 0: the left side).
  int hoverAnchor[4] = {0, 0, 0, -1};
  int mouseInside = 0;
  int hoverId = 0;  // 0 = none
  int count = 0;
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
  int barX0 = 0, barY0 = 0, barX1 = -1, barY1 = -1;  // the mouse test's area
  std::unique_ptr<BaseSPR> bars[menuBarCount];
  int leftX0 = 0, leftX1 = -1, middleX0 = 0, middleX1 = -1, rightX0 = 0, rightX1 = -1;
  std::unique_ptr<FontSPR> font;
  int hasFont = 0;
  MenuRow rows[widgetListLimit];
  int spacing[widgetListLimit] = {};
  int defaultSpacing = 4;
  void (*drawHook)(int x0, int y0, int x1, int y1) = nullptr;
  void (*clickHook)(int x, int top, int bottom, int side) = nullptr;
  int x = 0, y = 0;

  // Loads the three bars, each followed by its dim copy, and the font when named.
  IMouseSPR(const wchar_t* bar3Name, const wchar_t* bar2Name, const wchar_t* bar1Name,
            const wchar_t* fontName);
  IMouseSPR(const IMouseSPR&) = delete;
  IMouseSPR& operator=(const IMouseSPR&) = delete;

  // Each gives the row's index, or -1 for a null text or when 256 rows exist.
  // Spacing -1 is the default spacing, 0 for the very first row.
  int AddItem(const wchar_t* text, int id, MenuRowState state, int spacing);
  int AddValueItem(const wchar_t* text, int leftId, int middleId, int rightId, MenuRowState state,
                   int spacing);
  int AddSeparator(int spacing);
  void Place(int x, int y, int flags);
  void Draw();
  // The hovered id's key down (forced by its lock) and up. Ids are key codes, taken
  // modulo 256; the click hook fires after each. Off the bar area nothing is
  // hovered: a press there sends no key.
  void Press();
  void Release();
  void Suspend() { suspended = 1; }
  void Resume() { suspended = 0; }
  void Free();

 private:
  int addRow(const wchar_t* text, int separator, int spacing);
  void iAdd(const wchar_t* text, MenuRow& row);
  void lightRow(MenuRow& row, int mouseX);
  // Whether the mouse lies in the bar area; its position in view coordinates.
  bool mouseOverBar(long long& mx, long long& my) const;
};
