// The one way every decoder sizes a picture: checked against the limits, and memory
// running out fails the picture instead of the program. A file of its own so that
// targets without the codec libraries (the web) can decode with the same rules.

#include <new>

#include "platform/codecs/codecs.h"

namespace emu {

bool allocatePicture(PictureData& picture, std::int64_t width, std::int64_t height) {
  picture = PictureData{};
  if (width < 1 || height < 1 || width > maxPictureSide || height > maxPictureSide ||
      width * height > maxPicturePixels) {
    return false;
  }
  try {
    picture.pixels.assign(static_cast<std::size_t>(width * height), 0u);
  } catch (const std::bad_alloc&) {
    return false;
  }
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  return true;
}

}  // namespace emu
