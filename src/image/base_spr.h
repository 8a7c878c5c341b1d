// The framework's picture: a width x height array of ARGB words that it owns, loaded
// from a resource or file, copied from pixels or grabbed from the view; placed on the
// view by anchor flags and drawn in a blend mode, at its own size or as a grid of dots.
// Sprite widgets and the bitmap font are built from it.
//
// Loads read the module-wide pending options (tint, pixel size, gap, slant, report
// missing) and reset them; everything here runs on the process thread.
#pragma once

#include <cstdint>

#include "blend/color.h"

// ---- DrawFlags: bits 0-3 blend mode, 4-5 horizontal anchor, 6-7 vertical, 8-9 text --
constexpr int drawModeMask = 0x0F;   // the blend mode's bits
constexpr int anchorRight = 0x10;    // x counts from the right edge of the view
constexpr int anchorCentreX = 0x20;  // x counts from the view's centre
constexpr int anchorBottom = 0x40;   // y counts from the bottom edge
constexpr int anchorCentreY = 0x80;  // y counts from the view's centre

// ---- pending load options: consumed and reset by every load ------------------------
// Options the next load takes, then resets.
struct PendingLoad {
  Color tint = 0xFFFFFFFF;  // low 24 bits not 0xFFFFFF: each channel c * t >> 8
  int pixelSize = 0;        // becomes the picture's, rounded up to odd (0 stays 0)
  int gap = 1;              // becomes the picture's gap between dots
  int slant = 0;            // becomes the picture's slant of the dots
  int reportMissing = 1;    // 0: the next missing picture fails silently, once
};
extern PendingLoad pendingLoad;  // the one record

// Replaces every picture's own mode in Draw and ScrollDraw when not 0.
extern int spriteModeOverride;

// A picture the framework owns, placed and drawn on the view.
class BaseSPR {
 public:
  int width = 0, height = 0;  // its size in pixels
  int mode = 1;               // blend mode used by Draw, 0..15
  int alphaFlag = 0;          // alpha not uniform, or a mask applied: Place promotes Copy to Alpha
  int pixelSize = 0;          // 0: natural size; else the odd size of each dot
  int gap = 1;                // pixels between dots
  int slant = 0;              // row shift of the dots (347: odd rows staggered)
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // where Place put it on the view, inclusive
  Color* pixels = nullptr;             // width x height, top row first, 16-byte aligned
  const wchar_t* name = nullptr;       // borrowed from the caller, null if not loaded by name
  int scrollStep = 0;                  // added to the offset after each ScrollDraw
  int scrollOffset = 0;                // 0 <= offset < scrolled length
  int scrollVertical = 0;              // 0 scrolls columns, 1 rows

  // Zeroes every field, mode 1, gap 1, then Load. Width -1 is the natural size.
  BaseSPR(const wchar_t* name, const wchar_t* maskName, int width, int height);
  BaseSPR() : BaseSPR(nullptr, nullptr, -1, -1) {}
  ~BaseSPR();
  BaseSPR(const BaseSPR&) = delete;
  BaseSPR& operator=(const BaseSPR&) = delete;

  // ---- getting pixels (each returns whether pixels exist) ----
  // A colour picture and/or a mask whose blue byte becomes the alpha; width -1 keeps
  // the natural size, height -1 keeps the aspect. A missing picture shows the error
  // box unless reportMissing was 0.
  bool Load(const wchar_t* name, const wchar_t* maskName, int width, int height);
  bool FromPixels(const Color* source, int width, int height);  // tinted copy
  bool Grab(int x0, int y0, int x1, int y1);  // view rectangle, alpha 0xFF, tinted

  // ---- placing and drawing ----
  void Place(int x, int y, int flags);  // rectangle by the anchor rule; mode = flags & 0xF
  void Draw(int mode);                  // -1 keeps the mode; dots when pixelSize != 0
  void ScrollDraw(int mode);            // wrap-around, then offset += scrollStep

  // ---- reading and changing ----
  Color GetPixel(int column, int row) const;  // clamped to the picture; 0 without pixels
  void Flip(int vertical);                    // rows top to bottom, else each row mirrored
  bool IsMouseOver() const;                   // mouse inside the placed rectangle
  void Free();                                // frees the pixels

  // The placement rule for one point: x from the right or centre, y from the bottom
  // or centre, by flags.
  static void AnchorPoint(int& x, int& y, int flags);

 private:
  void setMode(int requested);
  void consumePending();
  bool allocatePixels(int width, int height);
};

// Left and top of a w x h picture placed at (x, y) by `flags`, dots counted when
// pixelSize is not 0. Shared by everything that places on the view.
void placeRect(int x, int y, int w, int h, int flags, int pixelSize, int gap, int& left, int& top,
               int& right, int& bottom);

// The picture object of the registration step: constructed empty there, destroyed
// at exit. Nothing in this program draws with it.
extern BaseSPR* globalPicture;
void constructGlobalPicture();  // makes it empty (the registration step)

// Blue, green and red each c * t >> 8 with the tint's channels; alpha kept.
Color tintedColour(Color c, Color tint);

// Pending options and override back to their defaults (tests, repeated runs).
void resetPendingLoad();
