// Device contexts, painting and the back buffer on GDI.
//
// The back buffer is a memory context holding a 32-bit bottom-up DIB section. Its
// handle is the memory context itself: the window procedure may BitBlt from it on
// the main thread while the process thread releases it, and a stale GDI handle
// only makes that BitBlt fail, where a pointer to a freed record would crash.

#include "platform/win32/backend.h"

#include <windows.h>

namespace win32 {
namespace {

// What releasing a surface needs besides its context.
struct SurfaceRecord {
  HDC dc;
  HBITMAP dib;
  HGDIOBJ previousBitmap;
};
constexpr int maxSurfaces = 8;

struct GdiState {
  SurfaceRecord surfaces[maxSurfaces];  // guarded by the kill gate
  PAINTSTRUCT paint;                    // main thread: one paint at a time
};
GdiState state;

HDC hdc(Handle h) { return reinterpret_cast<HDC>(h); }
HWND hwnd(Handle h) { return reinterpret_cast<HWND>(h); }

// ---- device contexts and painting -------------------------------------------

Handle getDC(Handle window) { return reinterpret_cast<Handle>(GetDC(hwnd(window))); }

int releaseDC(Handle window, Handle dc) { return ReleaseDC(hwnd(window), hdc(dc)); }

Handle beginPaint(Handle window) {
  return reinterpret_cast<Handle>(BeginPaint(hwnd(window), &state.paint));
}

void endPaint(Handle window) { EndPaint(hwnd(window), &state.paint); }

// A brush index outside the stock ones gets no brush, and FillRect fails.
int fillRectStock(Handle dc, const Rect& rect, int stockBrush) {
  if (stockBrush < WHITE_BRUSH || stockBrush > BLACK_BRUSH) return 0;
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  return FillRect(hdc(dc), &r, static_cast<HBRUSH>(GetStockObject(stockBrush))) ? 1 : 0;
}

int textOut(Handle dc, int x, int y, const wchar_t* text, std::uint32_t backColour,
            std::uint32_t textColour, std::uint32_t align) {
  if (!text) return 0;
  SetBkColor(hdc(dc), backColour);
  SetTextColor(hdc(dc), textColour);
  SetTextAlign(hdc(dc), align);
  return TextOutW(hdc(dc), x, y, text, lstrlenW(text)) ? 1 : 0;
}

// ---- the back buffer -----------------------------------------------------------

// In the order the shell relies on: header, memory context, DIB section selected
// into it, then the stock white brush selected and at once put back.
Handle createSurface(Handle windowDC, int width, int height, void** pixels) {
  *pixels = nullptr;
  if (width <= 0 || height <= 0) return 0;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);  // 40
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: bottom row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;

  GateGuard gate;
  SurfaceRecord* record = nullptr;
  for (SurfaceRecord& r : state.surfaces) {
    if (!r.dc) {
      record = &r;
      break;
    }
  }
  if (!record) return 0;
  const HDC dc = CreateCompatibleDC(hdc(windowDC));
  if (!dc) return 0;
  void* bits = nullptr;
  const HBITMAP dib = CreateDIBSection(hdc(windowDC), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    DeleteDC(dc);
    return 0;
  }
  const HGDIOBJ previousBitmap = SelectObject(dc, dib);
  SelectObject(dc, SelectObject(dc, GetStockObject(WHITE_BRUSH)));
  *record = SurfaceRecord{dc, dib, previousBitmap};
  *pixels = bits;
  return reinterpret_cast<Handle>(dc);
}

// A handle that is not a live surface is ignored.
void releaseSurface(Handle surface) {
  GateGuard gate;
  for (SurfaceRecord& r : state.surfaces) {
    if (r.dc && r.dc == hdc(surface)) {
      SelectObject(r.dc, r.previousBitmap);
      DeleteObject(r.dib);
      DeleteDC(r.dc);
      r = SurfaceRecord{};
      return;
    }
  }
}

// GDI batches calls per thread: GdiFlush makes the copy happen before we return,
// so the frame is on screen and the process thread may write the DIB again.
int bitBlt(Handle dc, int x, int y, int width, int height, Handle surface, int sourceX,
           int sourceY) {
  GateGuard gate;
  const BOOL done = BitBlt(hdc(dc), x, y, width, height, hdc(surface), sourceX, sourceY, SRCCOPY);
  GdiFlush();
  return done ? 1 : 0;
}

// One flush for the whole frame.
int presentRects(Handle dc, Handle surface, const Rect* rects, int count) {
  GateGuard gate;
  BOOL done = TRUE;
  for (int i = 0; i < count; ++i) {
    const Rect& r = rects[i];
    done &= BitBlt(hdc(dc), r.left, r.top, r.right - r.left, r.bottom - r.top, hdc(surface), r.left,
                   r.top, SRCCOPY)
                ? TRUE
                : FALSE;
  }
  GdiFlush();
  return done ? 1 : 0;
}

}  // namespace

void installGdi(Platform& p) {
  p.getDC = getDC;
  p.releaseDC = releaseDC;
  p.beginPaint = beginPaint;
  p.endPaint = endPaint;
  p.fillRectStock = fillRectStock;
  p.textOut = textOut;
  p.createSurface = createSurface;
  p.releaseSurface = releaseSurface;
  p.bitBlt = bitBlt;
  p.presentRects = presentRects;
}

}  // namespace win32
