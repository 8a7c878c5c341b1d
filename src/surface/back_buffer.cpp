// The back buffer: its size request, the view with its row table, creation with
// the splash hand-over, presentation and release.
//
// Memory is bottom-up like a DIB with a positive height, so view row y of a
// full view lies at pixels + (surfaceHeight - 1 - y) * pitch. Drawing code only
// ever goes through rowTable and rowStep, never through bottomUp.

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

#include "blend/drawing_state.h"
#include "shell/pacing.h"
#include "shell/shell.h"
#include "surface/surface.h"

BackBuffer backBuffer;
void (*onViewChange)() = nullptr;
void (*splashPainter)() = nullptr;
int splashTimerSlot = -1;

namespace {

bool viewChangeArmed = false;
constexpr int maxShutdownHooks = 16;
// Drawing threads register their first buffers while the others draw.
std::mutex shutdownHookLock;
void (*shutdownHooks[maxShutdownHooks])() = {};
int shutdownHookCount = 0;

constexpr int fullScreenRequest = 7777777;

}  // namespace

void setScreenSize(int width, int height) {
  BackBuffer& b = backBuffer;
  if (width == fullScreenRequest) {
    width = platform.getSystemMetrics(SM_CXSCREEN);
    height = platform.getSystemMetrics(SM_CYSCREEN);
    b.fullScreen = 1;
  } else {
    b.fullScreen = 0;
  }
  // A bad request must not reach the allocator as a negative or absurd size.
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  if (width > 32768) width = 32768;
  if (height > 32768) height = 32768;
  width = (width + 7) & ~7;
  shellConfig.windowWidth = b.surfaceWidth = width;
  shellConfig.windowHeight = b.surfaceHeight = height;
  if (b.pixels) {
    viewChangeArmed = false;
    setView(b.viewLeft, b.viewTop, b.viewRight, b.viewBottom, 0, b.bottomUp);
  }
}

void setView(int x1, int y1, int x2, int y2, int alignTo8, int bottomUp) {
  BackBuffer& b = backBuffer;
  int left, top, right, bottom;
  if (x1 == -1) {
    left = 0;
    top = 0;
    right = b.surfaceWidth - 1;
    bottom = b.surfaceHeight - 1;
  } else {
    left = x1 < x2 ? x1 : x2;
    right = x1 < x2 ? x2 : x1;
    top = y1 < y2 ? y1 : y2;
    bottom = y1 < y2 ? y2 : y1;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > b.surfaceWidth - 1) right = b.surfaceWidth - 1;
    if (bottom > b.surfaceHeight - 1) bottom = b.surfaceHeight - 1;
    // A rectangle wholly outside the surface collapses onto its nearest edge.
    if (left > right) left = right;
    if (top > bottom) top = bottom;
  }
  if (alignTo8) {
    left &= ~7;
    top &= ~7;
    right = ((right + 1) & ~7) - 1;
    bottom = ((bottom + 1) & ~7) - 1;
  }
  ++b.serial;
  b.viewLeft = left;
  b.viewTop = top;
  b.viewRight = right;
  b.viewBottom = bottom;
  b.bottomUp = bottomUp;
  b.viewWidth = right - left + 1;
  b.viewHeight = bottom - top + 1;
  if (b.viewWidth < 0) b.viewWidth = 0;
  if (b.viewHeight < 0) b.viewHeight = 0;
  b.viewMaxX = b.viewWidth - 1;
  b.viewMaxY = b.viewHeight - 1;
  b.halfViewWidth = b.viewWidth / 2;
  b.halfViewHeight = b.viewHeight / 2;
  b.viewArea = b.viewWidth * b.viewHeight;
  const int pitch = b.surfaceWidth * 4;
  b.rowStep = (1 - 2 * bottomUp) * pitch;
  b.clipMaxXf = static_cast<float>(b.viewMaxX) + 0.5f;
  b.clipMaxYf = static_cast<float>(b.viewMaxY) + 0.5f;
  b.changedCount = -1;
  b.viewIsFullWidth = b.viewWidth == b.surfaceWidth;
  b.viewIsFullHeight = b.viewHeight == b.surfaceHeight;
  b.surfaceMatchesWindow =
      b.surfaceWidth == shellConfig.windowWidth && b.surfaceHeight == shellConfig.windowHeight;

  b.rowTable.assign(b.viewHeight > 0 ? b.viewHeight : 0, nullptr);
  if (b.pixels && b.viewHeight > 0 && b.viewWidth > 0) {
    std::ptrdiff_t first;
    if (bottomUp) {
      first = (static_cast<std::ptrdiff_t>(b.surfaceHeight - top - 1) * b.surfaceWidth + left) * 4;
    } else {
      first = (static_cast<std::ptrdiff_t>(top) * b.surfaceWidth + left) * 4;
    }
    std::uint8_t* row = b.pixels + first;
    for (int y = 0; y < b.viewHeight; ++y, row += b.rowStep) b.rowTable[y] = row;
    if (bottomUp) {
      b.firstPixelAddress = b.rowTable[b.viewMaxY];
      b.lastPixelAddress = b.rowTable[0] + 4 * b.viewMaxX;
    } else {
      b.firstPixelAddress = b.rowTable[0];
      b.lastPixelAddress = b.rowTable[b.viewMaxY] + 4 * b.viewMaxX;
    }
  } else {
    b.firstPixelAddress = b.lastPixelAddress = nullptr;
  }

  if (viewChangeArmed && onViewChange) onViewChange();
  viewChangeArmed = true;
}

namespace {

// Releases the old surface and makes a new one, not yet published to WM_PAINT; 0
// on failure.
Handle makeSurface() {
  BackBuffer& b = backBuffer;
  releaseBackBuffer();
  void* bits = nullptr;
  Handle surface = platform.createSurface(shell.windowDC, shellConfig.windowWidth,
                                          shellConfig.windowHeight, &bits);
  if (!surface || !bits) {
    if (surface) platform.releaseSurface(surface);
    return 0;
  }
  b.pixels = static_cast<std::uint8_t*>(bits);
  b.screenCurrent = 0;
  return surface;
}

}  // namespace

int createDibSection() {
  const Handle surface = makeSurface();
  backBuffer.surface = surface;
  return surface ? 1 : 0;
}

int createBackBuffer() {
  BackBuffer& b = backBuffer;
  const Handle pending = makeSurface();
  if (!pending) return 0;
  setView(b.viewLeft, b.viewTop, b.viewRight, b.viewBottom, 0, b.bottomUp);
  if (splashPainter) {
    b.surface = pending;
    splashPainter();
    if (splashTimerSlot >= 0) {
      // Started by hand rather than through setUserTimer so the callback stays.
      platform.setTimer(shell.mainWindow, timerIdBase + splashTimerSlot, splashMinimumMs);
      timerSlots[splashTimerSlot].timerActive = 1;
      timerSlots[splashTimerSlot].timerAutoKill = 1;
    }
  } else {
    // Whole 16-byte blocks: the DIB is page-aligned and the pitch a multiple of 32.
    const std::size_t bytes = wholeBlockBytes(static_cast<std::size_t>(shellConfig.windowWidth) *
                                              shellConfig.windowHeight * 4);
    Color* p = reinterpret_cast<Color*>(b.pixels);
    for (std::size_t i = 0; i < bytes / 4; ++i) p[i] = b.clearColour;
    b.surface = pending;  // WM_PAINT may copy it from here on
  }
  return 1;
}

void releaseBackBuffer() {
  BackBuffer& b = backBuffer;
  // Cleared before it is freed: a WM_PAINT that comes later sees no surface. One
  // that loaded the handle just before is still copying; the backend's release
  // waits for that copy.
  const Handle surface = b.surface.exchange(0);
  b.pixels = nullptr;
  ++b.serial;
  if (surface) platform.releaseSurface(surface);
}

void present() {
  BackBuffer& b = backBuffer;
  if (b.pacingEnabled) {
    adaptRate();
    startFrameClock();
  }
  const int changed = b.changedCount;
  b.changedCount = -1;
  const int repainted = b.repainted.exchange(0);
  const int shownBefore = b.screenCurrent;
  b.screenCurrent = 0;
  if (!b.surface || !b.surfaceMatchesWindow) return;
  Rect whole{b.viewLeft, b.viewTop, b.viewLeft + b.viewWidth, b.viewTop + b.viewHeight};
  const Rect* rects = &whole;
  int count = 1;
  if (b.fullPresentPending) {
    whole = Rect{0, 0, b.surfaceWidth, b.surfaceHeight};
    b.fullPresentPending = 0;
  } else if (changed >= 0 && shownBefore && !repainted) {
    // The changed rectangles, moved from the view to the surface.
    for (int i = 0; i < changed; ++i) {
      Rect& r = b.changedRects[i];
      r = Rect{r.left + b.viewLeft, r.top + b.viewTop, r.right + b.viewLeft, r.bottom + b.viewTop};
    }
    rects = b.changedRects;
    count = changed;
  }
  b.screenCurrent = platform.presentRects(shell.windowDC, b.surface, rects, count) != 0;
}

void beginChangedRects() { backBuffer.changedCount = 0; }

void markChanged(int x0, int y0, int x1, int y1) {
  BackBuffer& b = backBuffer;
  if (b.changedCount < 0) return;
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, b.viewMaxX);
  y1 = std::min(y1, b.viewMaxY);
  if (x0 > x1 || y0 > y1) return;
  if (b.changedCount == BackBuffer::maxChangedRects) {
    b.changedCount = -1;
    return;
  }
  b.changedRects[b.changedCount++] = Rect{x0, y0, x1 + 1, y1 + 1};
}

void waitForSplash() {
  if (!splashPainter || splashTimerSlot < 0) return;
  while (timerSlots[splashTimerSlot].timerActive) platform.sleep(100);
}

namespace {

// Frees the buffers of a thread that drew when the thread ends, however it ends: a
// process thread stopped from outside never reaches shutdownDrawing, and with the
// drawing state per thread nothing else could reach its buffers afterwards.
struct ThreadBuffers {
  ~ThreadBuffers() { releaseDrawingBuffers(); }
};

}  // namespace

void addDrawingShutdownHook(void (*hook)()) {
  if constexpr (drawingStatePerThread) {
    static thread_local ThreadBuffers buffers;
    (void)buffers;
  }
  const std::lock_guard<std::mutex> lock(shutdownHookLock);
  for (int i = 0; i < shutdownHookCount; ++i) {
    if (shutdownHooks[i] == hook) return;
  }
  if (shutdownHookCount < maxShutdownHooks) shutdownHooks[shutdownHookCount++] = hook;
}

void releaseDrawingBuffers() {
  const std::lock_guard<std::mutex> lock(shutdownHookLock);
  for (int i = 0; i < shutdownHookCount; ++i) shutdownHooks[i]();
}

void shutdownDrawing() {
  releaseDrawingBuffers();
  releaseBackBuffer();
  backBuffer.pixels = nullptr;
  releasePacing();
}
