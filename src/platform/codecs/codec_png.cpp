// PNG through libpng. Decoding uses the library's simplified reader, which keeps its
// own error recovery; encoding uses the full writer for control over the channels.
//
// Our pixels are 0xAARRGGBB words on a little-endian machine, so in memory each is
// the bytes B, G, R, A: libpng's BGRA order.

#include <png.h>

#include <bit>
#include <csetjmp>

#include "platform/codecs/codecs.h"

static_assert(std::endian::native == std::endian::little, "pixels are read as B, G, R, A bytes");

namespace emu {
namespace {

[[noreturn]] void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

bool isOpaque(const PictureData& picture) {
  for (std::uint32_t p : picture.pixels) {
    if ((p >> 24) != 0xFF) return false;
  }
  return true;
}

// WARNING: libpng leaves by longjmp on any error; nothing with a destructor may live
// in this frame.
bool writeRows(const PictureData& picture, std::FILE* file, bool withAlpha) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8,
               withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  // Drops the fourth byte of every pixel when there is no alpha to keep.
  if (!withAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
  const std::uint32_t* row = picture.pixels.data();
  for (int y = 0; y < picture.height; ++y, row += picture.width) {
    png_write_row(png, reinterpret_cast<png_const_bytep>(row));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool decodePng(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes, size)) return false;
  // Deflate packs at most 1032 bytes into one, and a pixel takes at least a bit: a
  // header claiming more pixels than the file can hold is refused before the picture
  // is allocated.
  const std::uint64_t leastBytes = (std::uint64_t{image.width} * image.height + 7) / 8;
  if (leastBytes > 1032 * std::uint64_t{size} ||
      !allocatePicture(picture, image.width, image.height)) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;
  // finish_read frees the image in every case.
  if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
    picture = PictureData{};
    return false;
  }
  return true;
}

bool encodePng(const PictureData& picture, std::FILE* file) {
  return writeRows(picture, file, !isOpaque(picture));
}

}  // namespace emu
