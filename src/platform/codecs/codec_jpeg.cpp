// JPEG through libjpeg-turbo. Its extended colour spaces read and write our
// 0xAARRGGBB words (bytes B, G, R, A in memory) directly; CMYK pictures are turned
// into RGB here. A stream that the library calls corrupt or cut short is a failure,
// even where the library would go on and fill the rest with grey.
//
// WARNING: the library leaves by longjmp on any error, so the functions that call it
// hold nothing with a destructor; its row buffers come from its own memory pool.

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <bit>
#include <csetjmp>
#include <cstring>

#include "platform/codecs/codecs.h"

static_assert(std::endian::native == std::endian::little, "pixels are B, G, R, A bytes");

namespace emu {
namespace {

struct ErrorJump {
  jpeg_error_mgr manager;  // first, so the library's pointer to it is ours too
  std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

// Level -1 is a warning about corrupt or missing data: we fail rather than show
// a half-grey picture. Trace messages (levels 0 and up) are dropped.
void onMessage(j_common_ptr info, int level) {
  if (level < 0) onError(info);
}

void useErrorJump(jpeg_error_mgr& manager) {
  jpeg_std_error(&manager);
  manager.error_exit = onError;
  manager.emit_message = onMessage;
}

// Adobe writes CMYK inverted (0 = full ink); other writers do not.
std::uint32_t fromCmyk(const JSAMPLE* p, bool inverted) {
  std::uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
  if (!inverted) {
    c = 255 - c;
    m = 255 - m;
    y = 255 - y;
    k = 255 - k;
  }
  const std::uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Library memory above this fails the decode (progressive pictures keep every
// coefficient of the picture).
constexpr long maxLibraryMemory = 768L << 20;

}  // namespace

bool decodeJpeg(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  if (!bytes || size == 0 || size > 0xFFFFFFFFu) return false;
  jpeg_decompress_struct info;
  ErrorJump error;
  std::memset(&info, 0, sizeof info);
  info.err = &error.manager;
  useErrorJump(error.manager);
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    picture = PictureData{};
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = maxLibraryMemory;
  jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  // The size is checked before the library allocates for the whole picture.
  if (!allocatePicture(picture, info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(&info);
  if (static_cast<int>(info.output_width) != picture.width ||
      static_cast<int>(info.output_height) != picture.height) {
    jpeg_destroy_decompress(&info);
    picture = PictureData{};
    return false;
  }
  JSAMPARRAY cmykRow = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                        JPOOL_IMAGE, info.output_width * 4, 1)
                            : nullptr;
  while (info.output_scanline < info.output_height) {
    std::uint32_t* out =
        picture.pixels.data() + static_cast<std::size_t>(info.output_scanline) * picture.width;
    if (!cmyk) {
      JSAMPROW row = reinterpret_cast<JSAMPROW>(out);
      jpeg_read_scanlines(&info, &row, 1);
      continue;
    }
    jpeg_read_scanlines(&info, cmykRow, 1);
    for (int x = 0; x < picture.width; ++x) {
      out[x] = fromCmyk(cmykRow[0] + 4 * x, info.saw_Adobe_marker);
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool encodeJpeg(const PictureData& picture, std::FILE* file, int quality) {
  jpeg_compress_struct info;
  ErrorJump error;
  std::memset(&info, 0, sizeof info);
  info.err = &error.manager;
  useErrorJump(error.manager);
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 4;
  info.in_color_space = JCS_EXT_BGRX;  // the alpha byte is skipped
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality < 0 ? 0 : quality > 100 ? 100 : quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    // The library only reads the rows it is given.
    auto* row = const_cast<std::uint32_t*>(picture.pixels.data()) +
                static_cast<std::size_t>(info.next_scanline) * picture.width;
    JSAMPROW sample = reinterpret_cast<JSAMPROW>(row);
    jpeg_write_scanlines(&info, &sample, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace emu
