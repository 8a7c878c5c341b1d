// Back-buffer memory and canvas copies for the SDL and headless backends.

#include "platform/common/surface_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace emu {
namespace {

constexpr std::size_t pageSize = 4096;

std::uint32_t stockColour(int brush) {
  switch (brush) {
    case WHITE_BRUSH:
      return 0xFFFFFFFF;
    case GRAY_BRUSH:
      return 0xFF808080;
    case DKGRAY_BRUSH:
      return 0xFF404040;
    default:
      return 0xFF000000;
  }
}

// Every surface made and not yet released, under one lock (see LockedSurface).
struct LiveSurfaces {
  std::mutex mutex;
  std::vector<Surface*> surfaces;
};

LiveSurfaces& live() {
  static LiveSurfaces l;
  return l;
}

}  // namespace

void Canvas::resize(int w, int h) {
  width = std::max(w, 0);
  height = std::max(h, 0);
  pixels.assign(static_cast<std::size_t>(width) * height, 0xFF000000);
}

Handle createSurface(Handle, int width, int height, void** pixels) {
  if (width <= 0 || height <= 0 || width > 32768 || height > 32768) return 0;
  const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
  const std::size_t rounded = (bytes + pageSize - 1) / pageSize * pageSize;
  // Aligned operator new rather than aligned_alloc: Windows' C runtime has none.
  void* memory = ::operator new (rounded, std::align_val_t{pageSize}, std::nothrow);
  if (!memory) return 0;
  std::memset(memory, 0, rounded);  // a new DIB section is zeroed
  Surface* s = new (std::nothrow) Surface{width, height, static_cast<std::uint8_t*>(memory)};
  if (!s) {
    ::operator delete (memory, std::align_val_t{pageSize});
    return 0;
  }
  {
    LiveSurfaces& l = live();
    std::lock_guard lock(l.mutex);
    // Not the record's address: memory freed by a release may come back for the next
    // surface, and a paint still holding the old handle would then copy the new one.
    static Handle lastHandle = 0;
    s->handle = ++lastHandle;
    try {
      l.surfaces.push_back(s);
    } catch (const std::bad_alloc&) {
      ::operator delete (memory, std::align_val_t{pageSize});
      delete s;
      return 0;
    }
  }
  *pixels = memory;
  return s->handle;
}

void releaseSurface(Handle surface) {
  Surface* s = nullptr;
  {
    LiveSurfaces& l = live();
    std::lock_guard lock(l.mutex);
    const auto at = std::find_if(l.surfaces.begin(), l.surfaces.end(),
                                 [surface](const Surface* x) { return x->handle == surface; });
    if (at == l.surfaces.end()) return;
    s = *at;
    l.surfaces.erase(at);
  }
  ::operator delete (s->pixels, std::align_val_t{pageSize});
  delete s;
}

LockedSurface::LockedSurface(Handle surface) : lock_(live().mutex) {
  const std::vector<Surface*>& all = live().surfaces;
  const auto at = std::find_if(all.begin(), all.end(),
                               [surface](const Surface* x) { return x->handle == surface; });
  if (at != all.end()) surface_ = *at;
}

namespace {

// One axis: past the negative parts of both origins, then no further than either
// limit. In 64 bits, so no int argument overflows.
void clipAxis(int& source, int& target, int& size, int sourceLimit, int targetLimit) {
  std::int64_t s = source, t = target, n = size;
  const std::int64_t skip = std::max({std::int64_t{0}, -s, -t});
  s += skip;
  t += skip;
  n = std::min({n - skip, sourceLimit - s, targetLimit - t});
  if (n <= 0) {
    size = 0;
    return;
  }
  source = static_cast<int>(s);
  target = static_cast<int>(t);
  size = static_cast<int>(n);
}

}  // namespace

CopyBlock clipCopyBlock(CopyBlock block, int sourceWidth, int sourceHeight, int targetWidth,
                        int targetHeight) {
  clipAxis(block.sourceX, block.x, block.width, sourceWidth, targetWidth);
  clipAxis(block.sourceY, block.y, block.height, sourceHeight, targetHeight);
  if (block.width == 0 || block.height == 0) block.width = block.height = 0;
  return block;
}

void copyToCanvas(const Surface& surface, int sourceX, int sourceY, int width, int height,
                  Canvas& canvas, int x, int y) {
  const CopyBlock b = clipCopyBlock({sourceX, sourceY, x, y, width, height}, surface.width,
                                    surface.height, canvas.width, canvas.height);
  if (b.width == 0) return;
  const std::size_t pitch = static_cast<std::size_t>(surface.width) * 4;
  for (int row = 0; row < b.height; ++row) {
    const int sy = b.sourceY + row;
    const std::uint32_t* from =
        reinterpret_cast<const std::uint32_t*>(surface.pixels + (surface.height - 1 - sy) * pitch) +
        b.sourceX;
    std::uint32_t* to =
        canvas.pixels.data() + static_cast<std::size_t>(b.y + row) * canvas.width + b.x;
    for (int i = 0; i < b.width; ++i) to[i] = from[i] | 0xFF000000u;
  }
}

void fillCanvas(Canvas& canvas, const Rect& rect, int stockBrush) {
  const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
  const int right = std::min(rect.right, canvas.width),
            bottom = std::min(rect.bottom, canvas.height);
  const std::uint32_t colour = stockColour(stockBrush);
  for (int y = top; y < bottom; ++y) {
    std::fill_n(canvas.pixels.data() + static_cast<std::size_t>(y) * canvas.width + left,
                std::max(right - left, 0), colour);
  }
}

void drawPictureOnCanvas(Canvas& canvas, const PictureData& picture, int x, int y) {
  if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) return;
  const CopyBlock b = clipCopyBlock({0, 0, x, y, picture.width, picture.height}, picture.width,
                                    picture.height, canvas.width, canvas.height);
  for (int row = 0; row < b.height; ++row) {
    const std::uint32_t* from = picture.pixels.data() +
                                static_cast<std::size_t>(b.sourceY + row) * picture.width +
                                b.sourceX;
    std::uint32_t* to =
        canvas.pixels.data() + static_cast<std::size_t>(b.y + row) * canvas.width + b.x;
    for (int i = 0; i < b.width; ++i) {
      // (s * a + d * (255 - a)) / 255 rounded, per channel; the screen stays opaque.
      const std::uint32_t s = from[i], d = to[i], a = s >> 24;
      std::uint32_t out = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t c = ((s >> shift) & 0xFF) * a + ((d >> shift) & 0xFF) * (255 - a);
        out |= ((c + 127) / 255) << shift;
      }
      to[i] = out;
    }
  }
}

std::uint64_t hashPixels(const std::uint8_t* topRow, std::ptrdiff_t pitch, int width, int height) {
  std::uint64_t h = 14695981039346656037ull;  // the FNV offset basis
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = topRow + y * pitch;
    for (int x = 0; x < width; ++x, p += 4) {
      for (int b = 0; b < 3; ++b) {
        h ^= p[b];
        h *= 1099511628211ull;
      }
    }
  }
  return h;
}

std::uint64_t hashCanvas(const Canvas& canvas) {
  return hashPixels(reinterpret_cast<const std::uint8_t*>(canvas.pixels.data()),
                    static_cast<std::ptrdiff_t>(canvas.width) * 4, canvas.width, canvas.height);
}

namespace {
Canvas* (*paintedCanvas)(Handle dc) = nullptr;
}  // namespace

void installCanvasPainting(Platform& p, Canvas* (*canvasOf)(Handle dc)) {
  paintedCanvas = canvasOf;
  p.fillRectStock = [](Handle dc, const Rect& rect, int brush) {
    Canvas* canvas = paintedCanvas(dc);
    if (!canvas) return 0;
    fillCanvas(*canvas, rect, brush);
    return 1;
  };
  p.textOut = [](Handle dc, int x, int y, const wchar_t* text, std::uint32_t back,
                 std::uint32_t fore, std::uint32_t align) {
    Canvas* canvas = paintedCanvas(dc);
    return canvas ? drawText(*canvas, x, y, text, back, fore, align) : 0;
  };
  p.drawPicture = [](Handle dc, const PictureData& picture, int x, int y) {
    Canvas* canvas = paintedCanvas(dc);
    if (!canvas) return 0;
    drawPictureOnCanvas(*canvas, picture, x, y);
    return 1;
  };
}

}  // namespace emu
