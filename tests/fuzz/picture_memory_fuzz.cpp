// Pictures decoded from memory, the format chosen by the signature, as resources and
// memory streams reach the decoders: PNG, JPEG, GIF, TIFF and BMP.

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PictureData picture;
  picture.width = 7;  // stale contents must not survive a failure
  picture.pixels.assign(3, 1);
  const bool ok = emu::decodeAny(data, size, picture);
  fuzz::checkDecoded(ok, picture);
  return 0;
}
