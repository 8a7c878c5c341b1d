// BMP files and packed DIBs through our own BMP code. A picture that decodes must
// survive our encoder unchanged: the decoder reads every bitmap as opaque, and an
// opaque picture is written as plain 24-bit rows.

#include <cstring>

#include "fuzz_support.h"

namespace {

std::vector<std::uint8_t> encodedBmp(const PictureData& picture) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&buffer, &size);
  fuzz::check(file != nullptr, "open_memstream");
  const bool ok = emu::encodeBmp(picture, file);
  std::fclose(file);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  fuzz::check(ok, "encodeBmp refused a decoded picture");
  return bytes;
}

void checkRoundTrip(const PictureData& picture) {
  fuzz::forSpreadPixels(
      picture, [](std::uint32_t p) { fuzz::check(p >> 24 == 0xFF, "bitmap pixel not opaque"); });
  // Large pictures cost more than they teach; the decode above covered them.
  if (picture.pixels.size() > 1 << 16) return;
  const std::vector<std::uint8_t> bytes = encodedBmp(picture);
  PictureData again;
  fuzz::check(emu::decodeBmp(bytes.data(), bytes.size(), again), "re-encoded bitmap fails");
  fuzz::check(again.width == picture.width && again.height == picture.height &&
                  again.pixels == picture.pixels,
              "re-encoded bitmap decodes differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PictureData picture;
  bool ok = emu::decodeBmp(data, size, picture);
  fuzz::checkDecoded(ok, picture);
  if (ok) checkRoundTrip(picture);
  ok = emu::decodeDib(data, size, picture);
  fuzz::checkDecoded(ok, picture);
  if (ok) checkRoundTrip(picture);
  return 0;
}
