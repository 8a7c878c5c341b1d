// Picture codecs for the SDL and headless backends: Debian's PNG, GIF, JPEG and TIFF
// libraries and our own BMP code in place of the system's picture library. Every
// decoder yields 32-bit ARGB, top row first; every encoder writes one whole file.
//
// Pictures come from files a user names, so every decoder checks the size a header
// claims against the limits below before it allocates, and treats a truncated or
// corrupt stream as a failure that leaves the picture empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

namespace emu {

// Fills the picture entries of `platform` with the codecs below.
void installCodecs(Platform& platform);

// ---- limits -------------------------------------------------------------------
constexpr int maxPictureSide = pictureSideLimit;
constexpr std::int64_t maxPicturePixels = picturePixelLimit;
constexpr std::int64_t maxPictureFileBytes = 1LL << 29;  // 512 MiB read at most

// Sizes the picture to width x height pixels (all zero); false, with the picture
// empty, when a side is below 1, the limits are exceeded or memory is short.
bool allocatePicture(PictureData& picture, std::int64_t width, std::int64_t height);

// ---- decoders: true on success; on false the picture is empty ------------------
bool decodePng(const std::uint8_t* bytes, std::size_t size, PictureData& picture);
bool decodeJpeg(const std::uint8_t* bytes, std::size_t size, PictureData& picture);
bool decodeGif(const std::uint8_t* bytes, std::size_t size, PictureData& picture);
bool decodeTiff(const std::uint8_t* bytes, std::size_t size, PictureData& picture);
bool decodeBmp(const std::uint8_t* bytes, std::size_t size, PictureData& picture);
// A packed DIB (BITMAPINFOHEADER, palette, bits), as a bitmap resource holds it.
bool decodeDib(const std::uint8_t* bytes, std::size_t size, PictureData& picture);
// Chooses the decoder by the bytes' signature.
bool decodeAny(const std::uint8_t* bytes, std::size_t size, PictureData& picture);

// ---- encoders: write the whole picture to an open file; true on success -----------
// Pictures whose alpha is 0xFF everywhere are written without an alpha channel.
bool encodePng(const PictureData& picture, std::FILE* file);
bool encodeJpeg(const PictureData& picture, std::FILE* file, int quality);  // alpha dropped
bool encodeGif(const PictureData& picture, std::FILE* file);  // up to 256 colours, see quantize
bool encodeTiff(const PictureData& picture, std::FILE* file);
bool encodeBmp(const PictureData& picture, std::FILE* file);
// 8 bits per pixel through a palette of the picture's colours, reduced by quantize to
// 256 when there are more; alpha is dropped (below 128 reads black).
bool encodeBmp8(const PictureData& picture, std::FILE* file);

// ---- resample ---------------------------------------------------------------------
// Bicubic resample over premultiplied colour, widened when shrinking so every source
// pixel counts, with mirrored edges (pixel -1 is pixel 0). False when a size is out
// of limits.
bool resampleBicubic(const PictureData& source, int width, int height, PictureData& result);

}  // namespace emu
