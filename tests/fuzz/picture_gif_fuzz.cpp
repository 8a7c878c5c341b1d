// GIF through our reader of giflib's records: the first picture on its logical
// screen. Every pixel is a palette colour, opaque, or transparent (alpha 0).

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PictureData picture;
  const bool ok = emu::decodeGif(data, size, picture);
  fuzz::checkDecoded(ok, picture);
  fuzz::forSpreadPixels(picture, [](std::uint32_t p) {
    fuzz::check(p >> 24 == 0 || p >> 24 == 0xFF, "GIF pixel neither opaque nor transparent");
  });
  return 0;
}
