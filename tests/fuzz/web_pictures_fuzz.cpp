// The web target's own PNG and GIF decoders against the codec libraries: no input
// may crash them or read past it, and a GIF both decode must give both the same
// pixels. (PNG is not compared: ours skips the checksums that libpng checks.)

#include "fuzz_support.h"
#include "platform/web/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PictureData ours;
  bool ok = web::decodePng(data, size, ours);
  fuzz::checkDecoded(ok, ours);
  ok = web::decodeGif(data, size, ours);
  fuzz::checkDecoded(ok, ours);
  PictureData theirs;
  if (ok && emu::decodeGif(data, size, theirs)) {
    fuzz::check(
        ours.width == theirs.width && ours.height == theirs.height && ours.pixels == theirs.pixels,
        "the web's GIF decoder differs from giflib's");
  }
  return 0;
}
