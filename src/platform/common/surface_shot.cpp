// A surface of createSurface saved as a picture file, for the backends whose
// surfaces are plain memory blocks (SDL, and headless on every system).

#include <new>

#include "platform/common/surface_memory.h"

namespace emu {

// The surface is bottom-up; its alpha bytes mean nothing on screen.
int encodeSurfaceFile(Handle surface, const wchar_t* path, int format, int quality) {
  const Surface* s = surfaceOf(surface);
  if (!s || !s->pixels || !platform.encodePictureFile || s->width > pictureSideLimit ||
      s->height > pictureSideLimit ||
      static_cast<long long>(s->width) * s->height > picturePixelLimit) {
    return 0;
  }
  PictureData picture;
  try {
    picture.pixels.resize(static_cast<std::size_t>(s->width) * s->height);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  picture.width = s->width;
  picture.height = s->height;
  for (int y = 0; y < s->height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(s->pixels) +
                      static_cast<std::size_t>(s->height - 1 - y) * s->width;
    std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * s->width;
    for (int x = 0; x < s->width; ++x) out[x] = row[x] | 0xFF000000u;
  }
  return platform.encodePictureFile(picture, path, format, quality);
}

}  // namespace emu
