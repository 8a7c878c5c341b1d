// The back buffer's memory for the SDL and headless backends: a page-aligned,
// bottom-up 32-bit pixel block like a DIB section, and the copy of a rectangle of
// it into a top-down canvas (the window's picture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/common/canvas.h"
#include "platform/platform.h"

namespace emu {

struct Surface {
  int width = 0, height = 0;
  std::uint8_t* pixels = nullptr;  // bottom row first, width * 4 bytes a row
  Handle handle = 0;               // a serial number, never reused, so a stale handle finds nothing
};

Handle createSurface(Handle windowDC, int width, int height, void** pixels);
// Waits for every LockedSurface in use, then frees the surface.
void releaseSurface(Handle surface);

// A surface read under the surfaces' lock. WM_PAINT on the main thread may still
// hold a handle that the process thread is releasing: the release waits until this
// copy is done, and a handle already released (or never made) gives no surface.
class LockedSurface {
 public:
  explicit LockedSurface(Handle surface);
  const Surface* operator->() const { return surface_; }
  const Surface& operator*() const { return *surface_; }
  explicit operator bool() const { return surface_ != nullptr; }

 private:
  std::unique_lock<std::mutex> lock_;
  const Surface* surface_ = nullptr;
};

// A BitBlt's block: width x height pixels from (sourceX, sourceY) of a source to
// (x, y) of a target, y from the top on both.
struct CopyBlock {
  int sourceX, sourceY, x, y, width, height;
};
// The block clipped to a source and a target of the given sizes: both origins move
// together, so each copied pixel keeps its partner. Width and height are 0 when
// nothing is left; any int arguments are safe.
CopyBlock clipCopyBlock(CopyBlock block, int sourceWidth, int sourceHeight, int targetWidth,
                        int targetHeight);

// Copies (sourceX, sourceY, width, height) of the surface, y from the top, to
// (x, y) of the canvas, clipped to both; alpha is ignored (kept 0xFF on screen).
void copyToCanvas(const Surface& surface, int sourceX, int sourceY, int width, int height,
                  Canvas& canvas, int x, int y);

// platform.encodeSurfaceFile for these surfaces: the surface turned top row first,
// alpha 0xFF, through platform.encodePictureFile. Also used by the headless backend
// on Windows, whose pictures come from GDI+.
int encodeSurfaceFile(Handle surface, const wchar_t* path, int format, int quality);

// platform.drawPicture on a canvas: source over by the picture's alpha, clipped.
void drawPictureOnCanvas(Canvas& canvas, const PictureData& picture, int x, int y);

// FillRect with a stock brush on a canvas.
void fillCanvas(Canvas& canvas, const Rect& rect, int stockBrush);

// platform.fillRectStock, textOut and drawPicture for a backend whose device contexts
// are canvases: `canvasOf` finds a context's canvas (null when it is none).
void installCanvasPainting(Platform& platform, Canvas* (*canvasOf)(Handle dc));

}  // namespace emu

namespace emu {
// TextOutW in opaque mode with the given colours (0x00BBGGRR) and alignment
// (TA_CENTER centres on x, else x is the left edge; y is the top): a box of 6 * n + 1
// by 8 pixels with 5x7 glyphs of the backends' built-in font, clipped to the canvas.
// Characters outside printable ASCII are empty cells. 0 for a null text, else 1.
int drawText(Canvas& canvas, int x, int y, const wchar_t* text, std::uint32_t backColour,
             std::uint32_t textColour, std::uint32_t align);
}  // namespace emu
