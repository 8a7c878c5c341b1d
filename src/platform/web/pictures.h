// Picture decoding for the web target, which has none of the codec libraries: PNG
// (zlib's deflate, 8-bit samples, no interlace) and GIF (the first picture on its
// logical screen), with the same results as the other targets' codecs give for them.
// Portable code, so the native tests compare it with those codecs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace web {

// 0xAARRGGBB top row first; false (picture empty) for anything broken, unsupported
// or beyond pictureSideLimit / picturePixelLimit.
bool decodePng(const std::uint8_t* bytes, std::size_t size, PictureData& picture);
bool decodeGif(const std::uint8_t* bytes, std::size_t size, PictureData& picture);

}  // namespace web
