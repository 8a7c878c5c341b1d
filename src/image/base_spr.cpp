// The picture object. Pixels come from the picture module's decode slot, a caller's
// array or the view, always through one copy that applies the pending tint; drawing
// goes through the clipped image blit or the dot mosaic.
//
// Every size is checked against the decoder's limits and every placement is worked
// out in 64 bits, so no picture, magnification or coordinate can wrap an int.

#include "image/base_spr.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "blend/dispatch.h"
#include "image/picture_io.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "surface/memory.h"
#include "surface/surface.h"
#include "vector/fills.h"

PendingLoad pendingLoad;
int spriteModeOverride = 0;
BaseSPR* globalPicture = nullptr;

namespace {

constexpr wchar_t missingPicture[] = L"BaseSPR : Load : JPG, GIF, PNG or BMP Resource Not Found";
constexpr wchar_t missingMask[] = L"JPG, GIF, PNG or BMP Resource Not Found";

// Dots larger than this are refused (the picture draws at its own size): with the
// picture limits below, every magnified extent then stays far inside an int.
constexpr int maxPixelSize = 4095;
constexpr int maxGap = 4096;

std::unique_ptr<BaseSPR> globalPictureOwner;

bool sizeAllowed(long long width, long long height) {
  return width >= 1 && height >= 1 && width <= pictureSideLimit && height <= pictureSideLimit &&
         width * height <= picturePixelLimit;
}

bool tintPending() { return (pendingLoad.tint & 0xFFFFFFu) != 0xFFFFFFu; }

// Copies `count` words, tinted when a tint is pending.
void copyTinted(Color* to, const Color* from, std::size_t count) {
  if (!tintPending()) {
    std::memcpy(to, from, count * sizeof(Color));
    return;
  }
  const Color tint = pendingLoad.tint;
  for (std::size_t i = 0; i < count; ++i) to[i] = tintedColour(from[i], tint);
}

int alphaNotUniform(const Color* pixels, std::size_t count) {
  const Color first = pixels[0] >> 24;
  for (std::size_t i = 1; i < count; ++i) {
    if (pixels[i] >> 24 != first) return 1;
  }
  return 0;
}

int roundUpToOdd(int size) { return size == 0 ? 0 : size | 1; }

// a mod m in 0 .. m - 1 for any a and m > 0.
int wrapOffset(long long a, int m) {
  const long long r = a % m;
  return static_cast<int>(r < 0 ? r + m : r);
}

bool fitsInt(long long v) { return v >= INT32_MIN && v <= INT32_MAX; }

// A far corner for blit_image: past the int range it is past every view, and the
// explicit row length keeps the source rows right whatever the corner.
int farCorner(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

Color tintedColour(Color c, Color tint) {
  const auto channel = [&](int shift) {
    return (((c >> shift) & 0xFFu) * ((tint >> shift) & 0xFFu) >> 8) << shift;
  };
  return (c & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

// ---- placement ---------------------------------------------------------------------------

namespace {

// One axis of the placement rule: v counted from the start, from the end (end - v)
// or from the centre (v + centre), chosen by the axis's two flag bits.
long long anchorAxis(long long v, int flags, int fromEnd, int fromCentre, long long end,
                     long long centre) {
  const int axis = flags & (fromEnd | fromCentre);
  if (axis == fromEnd) return end - v;
  if (axis == fromCentre) return v + centre;
  return v;
}

}  // namespace

void placeRect(int x, int y, int w, int h, int flags, int pixelSize, int gap, int& left, int& top,
               int& right, int& bottom) {
  const BackBuffer& b = backBuffer;
  long long width = w, height = h;
  if (pixelSize != 0) {
    width = width * (static_cast<long long>(pixelSize) + gap) - gap;
    height = height * (static_cast<long long>(pixelSize) + gap) - gap;
  }
  const long long l = anchorAxis(x, flags, anchorRight, anchorCentreX, b.viewWidth - width,
                                 b.viewWidth / 2 - width / 2);
  const long long t = anchorAxis(y, flags, anchorBottom, anchorCentreY, b.viewHeight - height,
                                 b.viewHeight / 2 - height / 2);
  const long long r = l + width - 1, btm = t + height - 1;
  // A rectangle beyond an int is refused: it comes out empty and draws nothing.
  if (!fitsInt(l) || !fitsInt(t) || !fitsInt(r) || !fitsInt(btm)) {
    left = top = 0;
    right = bottom = -1;
    return;
  }
  left = static_cast<int>(l);
  top = static_cast<int>(t);
  right = static_cast<int>(r);
  bottom = static_cast<int>(btm);
}

// Saturates instead of wrapping for points near the ends of the int range.
void BaseSPR::AnchorPoint(int& x, int& y, int flags) {
  const BackBuffer& b = backBuffer;
  x = farCorner(anchorAxis(x, flags, anchorRight, anchorCentreX, b.viewMaxX, b.halfViewWidth));
  y = farCorner(anchorAxis(y, flags, anchorBottom, anchorCentreY, b.viewMaxY, b.halfViewHeight));
}

// ---- life cycle --------------------------------------------------------------------------

BaseSPR::BaseSPR(const wchar_t* pictureName, const wchar_t* maskName, int w, int h) {
  Load(pictureName, maskName, w, h);
}

BaseSPR::~BaseSPR() { Free(); }

void BaseSPR::Free() {
  freeAligned(pixels);
  pixels = nullptr;
}

bool BaseSPR::allocatePixels(int w, int h) {
  Free();
  width = height = 0;
  if (!sizeAllowed(w, h)) return false;
  pixels = static_cast<Color*>(allocAligned(
      static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * sizeof(Color), 16, 0));
  if (!pixels) return false;
  width = w;
  height = h;
  return true;
}

void BaseSPR::setMode(int requested) {
  mode = requested & drawModeMask;
  if (mode == BLEND_COPY && alphaFlag) mode = BLEND_ALPHA;
}

void BaseSPR::consumePending() {
  const PendingLoad p = pendingLoad;
  // Out-of-range dots or gaps are refused: the picture draws at its own size.
  // Dots need a pitch of at least one pixel, or the picture would fold onto itself.
  const bool usable = p.pixelSize >= 0 && p.pixelSize <= maxPixelSize && p.gap <= maxGap &&
                      p.gap >= -maxPixelSize &&
                      (p.pixelSize == 0 || roundUpToOdd(p.pixelSize) + p.gap >= 1);
  pixelSize = usable ? roundUpToOdd(p.pixelSize) : 0;
  gap = usable ? p.gap : 1;
  slant = p.slant;
  pendingLoad = PendingLoad{};
}

// ---- loading -----------------------------------------------------------------------------

namespace {

enum class Opened { Found, Missing, Silent };

// Opens `name` into the decode slot, resized when width is not -1, and locks it; a
// missing picture releases the library and is reported, or passed over silently once.
Opened openLocked(const wchar_t* name, int w, int h, const wchar_t* missingText) {
  AcquireGdiplus();
  if (OpenPicture(name)) {
    if (w != -1) ResizePicture(w, h);
    LockPicture();
    return Opened::Found;
  }
  ReleaseGdiplus();
  if (!pendingLoad.reportMissing) {
    pendingLoad.reportMissing = 1;
    return Opened::Silent;
  }
  showRuntimeError(missingText);
  return Opened::Missing;
}

void closeLocked() {
  UnlockPicture();
  ClosePicture();
  ReleaseGdiplus();
}

}  // namespace

bool BaseSPR::Load(const wchar_t* pictureName, const wchar_t* maskName, int w, int h) {
  Free();
  width = height = 0;
  name = nullptr;
  alphaFlag = 0;

  if (pictureName) {
    const Opened opened = openLocked(pictureName, w, h, missingPicture);
    if (opened == Opened::Silent) return false;
    if (opened == Opened::Found) {
      if (allocatePixels(pictureSlot.width, pictureSlot.height)) {
        const std::size_t count = static_cast<std::size_t>(width) * height;
        copyTinted(pixels, pictureSlot.pixels, count);
        alphaFlag = alphaNotUniform(pixels, count);
      }
      name = pictureName;
      closeLocked();
    }
  }

  if (maskName) {
    const Opened opened = openLocked(maskName, w, h, missingMask);
    if (opened == Opened::Silent) return false;
    if (opened == Opened::Found) {
      alphaFlag = 1;
      const int mw = pictureSlot.width, mh = pictureSlot.height;
      const Color* mask = pictureSlot.pixels;
      if (pixels) {
        // Matched by position: where a mask of another size does not reach, the
        // picture is hidden (alpha 0), and no index leaves either array.
        for (int row = 0; row < height; ++row) {
          Color* out = pixels + static_cast<std::size_t>(row) * width;
          for (int col = 0; col < width; ++col) {
            const Color alpha = row < mh && col < mw
                                    ? (mask[static_cast<std::size_t>(row) * mw + col] & 0xFFu) << 24
                                    : 0u;
            out[col] = (out[col] & 0x00FFFFFFu) | alpha;
          }
        }
      } else if (allocatePixels(mw, mh)) {
        const std::size_t count = static_cast<std::size_t>(mw) * mh;
        copyTinted(pixels, mask, count);
        for (std::size_t i = 0; i < count; ++i) pixels[i] |= 0xFF000000u;
      }
      if (!name) name = maskName;
      closeLocked();
    }
  }

  consumePending();
  return pixels != nullptr;
}

bool BaseSPR::FromPixels(const Color* source, int w, int h) {
  Free();
  width = height = 0;
  alphaFlag = 0;
  if (source && allocatePixels(w, h)) {
    const std::size_t count = static_cast<std::size_t>(w) * h;
    copyTinted(pixels, source, count);
    alphaFlag = alphaNotUniform(pixels, count);
  }
  pendingLoad.tint = PendingLoad{}.tint;
  return pixels != nullptr;
}

bool BaseSPR::Grab(int left, int top, int right, int bottom) {
  Free();
  width = height = 0;
  alphaFlag = 0;
  const BackBuffer& b = backBuffer;
  const long long w = static_cast<long long>(right) - left + 1;
  const long long h = static_cast<long long>(bottom) - top + 1;
  if (b.pixels && allocatePixels(static_cast<int>(std::min<long long>(w, INT32_MAX)),
                                 static_cast<int>(std::min<long long>(h, INT32_MAX)))) {
    // Pixels outside the view are opaque black: only the view is ever read.
    std::fill_n(pixels, static_cast<std::size_t>(width) * height, 0xFF000000u);
    const int fromX = std::max(left, 0), toX = std::min(right, b.viewMaxX);
    const int fromY = std::max(top, 0), toY = std::min(bottom, b.viewMaxY);
    const Color tint = tintPending() ? pendingLoad.tint : 0xFFFFFFFFu;
    for (int y = fromY; y <= toY && fromX <= toX; ++y) {
      const Color* in = viewPixel(fromX, y);
      Color* out = pixels + static_cast<std::size_t>(y - top) * width + (fromX - left);
      for (int x = 0; x <= toX - fromX; ++x) {
        const Color c = in[x] | 0xFF000000u;
        out[x] = tint == 0xFFFFFFFFu ? c : tintedColour(c, tint);
      }
    }
  }
  pendingLoad.tint = PendingLoad{}.tint;
  return pixels != nullptr;
}

// ---- placing and drawing --------------------------------------------------------------------

void BaseSPR::Place(int x, int y, int flags) {
  if (!pixels) return;
  setMode(flags);
  placeRect(x, y, width, height, flags, pixelSize, gap, x0, y0, x1, y1);
}

void BaseSPR::Draw(int requested) {
  if (!pixels) return;
  if (requested != -1) setMode(requested);
  const int used = spriteModeOverride != 0 ? spriteModeOverride : mode;
  if (x1 < x0 || y1 < y0) return;
  if (pixelSize != 0) {
    drawDotMosaic(x0, y0, used, width, height, pixels, pixelSize, gap, slant);
    return;
  }
  // The rectangle as Place left it, but never wider or taller than the pixels: a
  // picture reloaded at a smaller size after its Place must not be over-read.
  const long long right = x0 + std::min<long long>(static_cast<long long>(x1) - x0, width - 1);
  const long long bottom = y0 + std::min<long long>(static_cast<long long>(y1) - y0, height - 1);
  blit_image(x0, y0, farCorner(right), farCorner(bottom), pixels, used, width);
}

void BaseSPR::ScrollDraw(int requested) {
  if (!pixels) return;
  if (requested != -1) setMode(requested);
  const int used = spriteModeOverride != 0 ? spriteModeOverride : mode;
  const int length = scrollVertical ? height : width;
  // The scroll uses the picture's own size from (x0, y0); an offset set from outside
  // the range is brought back into it first.
  const int e = wrapOffset(scrollOffset, length);
  if (x1 >= x0 && y1 >= y0) {
    const long long right = static_cast<long long>(x0) + width - 1;
    const long long bottom = static_cast<long long>(y0) + height - 1;
    if (scrollVertical) {
      blit_image(x0, y0, farCorner(right), farCorner(bottom - e),
                 pixels + static_cast<std::size_t>(e) * width, used, width);
      if (e > 0) {
        blit_image(x0, farCorner(bottom - e + 1), farCorner(right), farCorner(bottom), pixels, used,
                   width);
      }
    } else {
      blit_image(x0, y0, farCorner(right - e), farCorner(bottom), pixels + e, used, width);
      if (e > 0) {
        blit_image(farCorner(right - e + 1), y0, farCorner(right), farCorner(bottom), pixels, used,
                   width);
      }
    }
  }
  scrollOffset = wrapOffset(static_cast<long long>(e) + scrollStep, length);
}

// ---- reading and changing -----------------------------------------------------------------

Color BaseSPR::GetPixel(int column, int row) const {
  if (!pixels) return 0;
  column = std::clamp(column, 0, width - 1);
  row = std::clamp(row, 0, height - 1);
  return pixels[static_cast<std::size_t>(row) * width + column];
}

void BaseSPR::Flip(int vertical) {
  if (!pixels) return;
  const auto row = [&](int i) { return pixels + static_cast<std::size_t>(i) * width; };
  if (vertical) {
    for (int i = 0; i < height / 2; ++i)
      std::swap_ranges(row(i), row(i) + width, row(height - 1 - i));
  } else {
    for (int i = 0; i < height; ++i) std::reverse(row(i), row(i) + width);
  }
}

bool BaseSPR::IsMouseOver() const {
  if (!pixels) return false;
  const BackBuffer& b = backBuffer;
  const long long mx = input.x, my = input.y;
  return mx >= static_cast<long long>(x0) + b.viewLeft &&
         mx <= static_cast<long long>(x1) + b.viewLeft &&
         my >= static_cast<long long>(y0) + b.viewTop &&
         my <= static_cast<long long>(y1) + b.viewTop;
}

// ---- module state ---------------------------------------------------------------------------

void constructGlobalPicture() {
  globalPicture = nullptr;
  globalPictureOwner = std::make_unique<BaseSPR>(nullptr, nullptr, -1, -1);
  globalPicture = globalPictureOwner.get();
}

void resetPendingLoad() {
  pendingLoad = PendingLoad{};
  spriteModeOverride = 0;
}
