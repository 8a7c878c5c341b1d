// Helpers shared by the fuzz targets: turning the fuzzer's bytes into arguments and
// checking what a decoder hands back. A broken promise aborts, which libFuzzer
// reports as a finding with the input that caused it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "byte_reader.h"
#include "platform/codecs/codecs.h"

namespace fuzz {

// Stops the run with a message: the fuzzer records the input as a crash.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline void check(bool condition, const char* what) {
  if (!condition) fail(what);
}

// The bytes cut at every zero byte, as a command line reaches main.
inline std::vector<std::string> splitAtZeros(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      parts.emplace_back();
    else
      parts.back() += static_cast<char>(data[i]);
  }
  return parts;
}

// What every decoder promises: a picture within the limits whose pixel count
// matches its size, or an empty picture on failure.
inline void checkDecoded(bool ok, const PictureData& picture) {
  if (!ok) {
    check(picture.width == 0 && picture.height == 0 && picture.pixels.empty(),
          "a failed decode left a picture behind");
    return;
  }
  check(picture.width >= 1 && picture.height >= 1, "decoded picture has an empty side");
  check(picture.width <= emu::maxPictureSide && picture.height <= emu::maxPictureSide,
        "decoded picture is wider or taller than the limit");
  const std::int64_t count = std::int64_t{picture.width} * picture.height;
  check(count <= emu::maxPicturePixels, "decoded picture has more pixels than the limit");
  check(picture.pixels.size() == static_cast<std::size_t>(count),
        "decoded pixel count differs from width x height");
}

// Calls `look` with up to 65536 pixels spread evenly over the picture, the first and
// the last among them: a loop over all 64 M pixels a header may claim would take
// the fuzzer's seconds, not the decoder's.
template <class Look>
void forSpreadPixels(const PictureData& picture, Look look) {
  const std::size_t n = picture.pixels.size();
  if (n == 0) return;
  const std::size_t step = n <= 65536 ? 1 : (n - 1) / 65535;
  for (std::size_t i = 0; i < n; i += step) look(picture.pixels[i]);
  look(picture.pixels[n - 1]);
}

}  // namespace fuzz
