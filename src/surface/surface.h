// The back buffer: one 32-bit surface that every drawing routine writes through the
// view rectangle and that is copied to the main window once per frame.
#pragma once

#include <cstdint>
#include <vector>

#include "blend/color.h"
#include "platform/platform.h"
#include "shell/shared_word.h"

// The surface and its view; one process-wide record, drawn by the process thread.
struct BackBuffer {
  // ---- surface ----
  int surfaceWidth = 0;            // pixels per row, also the pitch; a multiple of 8
  int surfaceHeight = 0;           // rows
  std::uint8_t* pixels = nullptr;  // first byte of pixel memory (page-aligned DIB)
  int bottomUp = 1;                // 1: the bottom row comes first in memory
  Color clearColour = 0;           // colour of a cleared surface
  int fullScreen = 0;              // the last setScreenSize asked for the whole screen
  int surfaceMatchesWindow = 0;    // presentation happens only while set
  int fullPresentPending = 0;      // the next present copies the whole surface
  int pacingEnabled = 1;           // present paces the frame first
  // Changes whenever the surface or the view is replaced, so that a frame loop can
  // tell the pixels it drew last are still in place.
  std::uint32_t serial = 0;

  // ---- view (inclusive surface rectangle, y from the top; -1 = whole surface) ----
  int viewLeft = -1, viewTop = -1, viewRight = -1, viewBottom = -1;  // its surface corners
  int viewWidth = 0, viewHeight = 0;                                 // its size in pixels
  int viewMaxX = -1, viewMaxY = -1;               // the last column and row: size - 1
  int halfViewWidth = 0, halfViewHeight = 0;      // size / 2, truncated
  int viewArea = 0;                               // width x height
  int rowStep = 0;                                // bytes from one view row to the one below
  std::vector<std::uint8_t*> rowTable;            // entry y: address of view pixel (0, y)
  std::uint8_t* firstPixelAddress = nullptr;      // lowest address of a view pixel
  std::uint8_t* lastPixelAddress = nullptr;       // highest address of a view pixel
  float clipMaxXf = -0.5f, clipMaxYf = -0.5f;     // vector culling limits
  int viewIsFullWidth = 0, viewIsFullHeight = 0;  // the view spans the surface that way

  // ---- what the frame changed ----
  // present() shows the whole view unless the frame's drawing vouched, through
  // beginChangedRects and markChanged, that nothing else differs from the frame
  // shown last; every frame starts out whole again.
  static constexpr int maxChangedRects = 16;
  int changedCount = -1;                 // -1: the whole view; else the entries below
  Rect changedRects[maxChangedRects]{};  // view pixels, right and bottom exclusive
  int screenCurrent = 0;                 // the last present showed all it was asked to
  // The main thread painted the window from the surface, perhaps halfway through a
  // frame: the next present shows the whole view.
  SharedWord<int> repainted = 0;

  // ---- platform objects ----
  // Memory context holding the DIB section. WM_PAINT reads it on the main thread:
  // it is published only once the pixels are ready and cleared before they are
  // freed.
  SharedWord<Handle> surface = 0;
};

extern BackBuffer backBuffer;  // the one back buffer

// Called after every setView but the one inside setScreenSize; null by default.
extern void (*onViewChange)();

// The splash: painter hook, its timer slot and the minimum time it stays.
extern void (*splashPainter)();
extern int splashTimerSlot;            // the timer that ends the splash's minimum time
constexpr int splashMinimumMs = 1000;  // how long the splash stays at least

// ---- size, view, life cycle ----------------------------------------------
void setScreenSize(int width, int height);  // width 7777777 asks for the whole screen
// The view becomes the surface rectangle of the two corners (any order; x1 = -1:
// the whole surface), clipped to the surface; alignTo8 rounds left, top, right + 1
// and bottom + 1 down to multiples of 8. The row table follows.
void setView(int x1, int y1, int x2, int y2, int alignTo8, int bottomUp);
int createDibSection();    // 1 or 0
int createBackBuffer();    // 1 or 0; draws the splash if one is set
void releaseBackBuffer();  // frees the surface; WM_PAINT then paints nothing
void present();            // paces, then copies the view (or what changed) to the window
// The frame's drawing vouches that only what it marks next differs from the frame
// shown last (see BackBuffer::changedCount).
void beginChangedRects();
// View pixels x0..x1, y0..y1 (inclusive, any order) changed; clipped to the view.
// Past maxChangedRects the frame shows the whole view.
void markChanged(int x0, int y0, int x1, int y1);
void waitForSplash();    // until the splash's minimum time is over
void shutdownDrawing();  // releases the surface and drawing buffers

// Registers a routine that shutdownDrawing calls to free a drawing subsystem's work
// buffers, those of the thread that calls it (at most 16; the rest are ignored).
// Any drawing thread may register.
void addDrawingShutdownHook(void (*hook)());
// Frees the calling thread's drawing buffers: every hook, on this thread. A drawing
// thread's last call; shutdownDrawing makes it for the thread that ends the run.
void releaseDrawingBuffers();

// The byte count rounded down to whole 16-byte blocks. The mask has the count's own
// width: a 32-bit ~15u would also clear every bit above 31 of a 64-bit count.
template <typename Count>
constexpr Count wholeBlockBytes(Count bytes) {
  return bytes & ~Count{15};
}

// Address of view pixel (x, y); the caller keeps (x, y) inside the view.
inline Color* viewPixel(int x, int y) {
  return reinterpret_cast<Color*>(backBuffer.rowTable[y]) + x;
}
