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

// One row: its text's bright and dim pictures, and the keys it sends.
struct MenuRow {
  const wchar_t* text = nullptr;              // borrowed; a picture name when the menu has no font
  std::unique_ptr<BaseSPR> bright;            // the text as drawn when the row is enabled
  std::unique_ptr<BaseSPR> dim;               // the same, darker, when disabled
  int threeZone = 0;                          // 0: simple row with one id
  int separator = 0;                          // 1: a one-pixel line, no text
  int enabled = 1;                            // from the state function at the last draw
  MenuRowState state = nullptr;               // asked on every draw; null: always enabled
  int x = 0;                                  // where the row's bar starts on the view
  int y = 0;                                  // the row's top on the view
  int id = 0;                                 // simple row
  int leftId = 0, middleId = 0, rightId = 0;  // three-zone row; middle 0 makes two zones
};

// Bars in `bars`: three-, two- and one-zone, each bright then dim.
enum MenuBar {
  menuBar3,     // three zones (value rows)
  menuBar3Dim,  // its disabled copy
  menuBar2,     // two zones (value rows without a middle)
  menuBar2Dim,  // its disabled copy
  menuBar1,     // one zone (simple rows)
  menuBar1Dim,  // its disabled copy
  menuBarCount  // bars in all
};

// The menu: rows of text beside bars, placed as one block, lit under the mouse.
class IMouseSPR {
 public:
  int textColumnWidth = 0;  // the widest text and a 6-pixel gap
  int blockWidth = 0;       // the whole block: texts and bars
  int blockHeight = 0;      // every row, separator and spacing
  int rowHeight = 0;        // height of the three-zone bar
  int flags = 0x4001;       // DrawFlags of the last Place
  int suspended = 0;        // 1 between Press and Release: nothing lights up
  // x beside the menu, hovered row's top and bottom, side flag (< 0: the left side).
  int hoverAnchor[4] = {0, 0, 0, -1};
  int mouseInside = 0;                               // the mouse is over the bars at the last draw
  int hoverId = 0;                                   // 0 = none
  int count = 0;                                     // rows, separators included
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;              // the placed block, inclusive
  int barX0 = 0, barY0 = 0, barX1 = -1, barY1 = -1;  // the mouse test's area
  std::unique_ptr<BaseSPR> bars[menuBarCount];       // indexed by MenuBar
  int leftX0 = 0, leftX1 = -1;        // the three-zone bar's left zone, view x inclusive
  int middleX0 = 0, middleX1 = -1;    // its middle zone
  int rightX0 = 0, rightX1 = -1;      // its right zone
  std::unique_ptr<FontSPR> font;      // the rows' font; null: texts name pictures
  int hasFont = 0;                    // a font was named and loaded
  MenuRow rows[widgetListLimit];      // the rows in order
  int spacing[widgetListLimit] = {};  // pixels above each row
  int defaultSpacing = 4;             // what spacing -1 gives
  // Called after each draw with the block's rectangle (inclusive); may be null.
  void (*drawHook)(int x0, int y0, int x1, int y1) = nullptr;
  // Called after Press and Release with hoverAnchor's four values; may be null.
  void (*clickHook)(int x, int top, int bottom, int side) = nullptr;
  int x = 0, y = 0;  // the position given to the last Place

  // Loads the three bars, each followed by its dim copy, and the font when named.
  IMouseSPR(const wchar_t* bar3Name, const wchar_t* bar2Name, const wchar_t* bar1Name,
            const wchar_t* fontName);
  IMouseSPR(const IMouseSPR&) = delete;
  IMouseSPR& operator=(const IMouseSPR&) = delete;

  // Each gives the row's index, or -1 for a null text or when 256 rows exist.
  // Spacing -1 is the default spacing, 0 for the very first row.
  int AddItem(const wchar_t* text, int id, MenuRowState state, int spacing);
  // A row whose bar has zones: left, middle (0: none) and right, each its own key.
  int AddValueItem(const wchar_t* text, int leftId, int middleId, int rightId, MenuRowState state,
                   int spacing);
  int AddSeparator(int spacing);  // a line between rows; the row's index or -1
  // Lays the rows out and places the block by the anchor rule; mode = flags & 0xF.
  void Place(int x, int y, int flags);
  void Draw();  // the rows, lit under the mouse; the hovered id is found here
  // The hovered id's key down (forced by its lock) and up. Ids are key codes, taken
  // modulo 256; the click hook fires after each. Off the bar area nothing is
  // hovered: a press there sends no key.
  void Press();
  void Release();                    // the key up of Press, then the menu lights up again
  void Suspend() { suspended = 1; }  // nothing lights up until Resume
  void Resume() { suspended = 0; }   // lighting up again
  void Free();                       // frees every picture and the font

 private:
  int addRow(const wchar_t* text, int separator, int spacing);
  void iAdd(const wchar_t* text, MenuRow& row);
  void lightRow(MenuRow& row, int mouseX);
  // Whether the mouse lies in the bar area; its position in view coordinates.
  bool mouseOverBar(long long& mx, long long& my) const;
};
