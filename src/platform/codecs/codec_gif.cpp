// GIF through giflib. Decoding reads the first picture record by record (never the
// library's read-everything call, which sizes its buffers from untrusted headers)
// onto the logical screen: pixels outside the picture are transparent black, the
// transparent index keeps its palette colour with alpha 0. Encoding writes one
// picture, or a looping film of whole frames, each with a median-cut palette
// (quantize.h).

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/codecs/codecs.h"
#include "platform/codecs/quantize.h"

namespace emu {
namespace {

struct MemoryReader {
  const std::uint8_t* bytes;
  std::size_t size;
  std::size_t position;
};

int readMemory(GifFileType* gif, GifByteType* out, int wanted) {
  auto* reader = static_cast<MemoryReader*>(gif->UserData);
  const std::size_t left = reader->size - reader->position;
  const std::size_t n = std::min(left, static_cast<std::size_t>(wanted < 0 ? 0 : wanted));
  std::memcpy(out, reader->bytes + reader->position, n);
  reader->position += n;
  return static_cast<int>(n);
}

int writeFile(GifFileType* gif, const GifByteType* bytes, int count) {
  auto* file = static_cast<std::FILE*>(gif->UserData);
  return static_cast<int>(std::fwrite(bytes, 1, static_cast<std::size_t>(count), file));
}

// Closes a decoder on every way out.
struct DecoderHandle {
  GifFileType* gif;
  ~DecoderHandle() {
    int error = 0;
    if (gif) DGifCloseFile(gif, &error);
  }
};

// Skips the data sub-blocks of an extension, keeping the transparent index of a
// graphic control block.
bool readExtension(GifFileType* gif, int& transparent) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
    transparent = (block[1] & 1) ? block[4] : -1;
  }
  while (block) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

// Whether the current picture has a palette and sides within the limits.
bool imageUsable(const GifFileType* gif) {
  const GifImageDesc& desc = gif->Image;
  return (desc.ColorMap || gif->SColorMap) && desc.Width >= 1 && desc.Height >= 1 &&
         desc.Width <= maxPictureSide && desc.Height <= maxPictureSide;
}

// The picture's palette indices, row by row in the order they come. The buffer grows
// with the rows actually decoded, so a cut stream fails before anything is sized by
// the header (a 44-byte file may claim a 64 M pixel screen).
bool readRows(GifFileType* gif, std::vector<GifPixelType>& rows) {
  const int width = gif->Image.Width;
  for (int k = 0; k < gif->Image.Height; ++k) {
    const std::size_t at = static_cast<std::size_t>(k) * width;
    rows.resize(at + width);
    if (DGifGetLine(gif, rows.data() + at, width) == GIF_ERROR) return false;
  }
  return true;
}

// Puts the colours of the rows read into `picture` at the picture's place on the
// screen.
void placeRows(const GifFileType* gif, int transparent, const std::vector<GifPixelType>& rows,
               PictureData& picture) {
  const GifImageDesc& desc = gif->Image;
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  std::uint32_t colours[256];
  for (int i = 0; i < 256; ++i) {
    if (i < map->ColorCount) {
      const GifColorType& c = map->Colors[i];
      colours[i] = 0xFF000000u | (c.Red << 16) | (c.Green << 8) | c.Blue;
    } else {
      colours[i] = 0xFF000000u;  // an index past the palette reads black
    }
  }
  if (transparent >= 0) colours[transparent] &= 0x00FFFFFFu;

  // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every
  // 4th from 2, every 2nd from 1.
  static const int passStart[] = {0, 4, 2, 1}, passStep[] = {8, 8, 4, 2};
  const int passes = desc.Interlace ? 4 : 1;
  const GifPixelType* line = rows.data();
  for (int pass = 0; pass < passes; ++pass) {
    const int start = desc.Interlace ? passStart[pass] : 0;
    const int step = desc.Interlace ? passStep[pass] : 1;
    for (int row = start; row < desc.Height; row += step, line += desc.Width) {
      const int y = desc.Top + row;
      if (y >= picture.height) continue;
      std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
      const int count = std::min(desc.Width, picture.width - desc.Left);
      for (int x = 0; x < count; ++x) out[desc.Left + x] = colours[line[x]];
    }
  }
}

}  // namespace

bool decodeGif(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  MemoryReader reader{bytes, bytes ? size : 0, 0};
  int error = 0;
  DecoderHandle handle{DGifOpen(&reader, readMemory, &error)};
  GifFileType* gif = handle.gif;
  if (!gif) return false;
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
    if (type == EXTENSION_RECORD_TYPE) {
      if (!readExtension(gif, transparent)) return false;
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif) == GIF_ERROR || !imageUsable(gif)) return false;
      std::vector<GifPixelType> rows;
      if (!readRows(gif, rows)) return false;
      const GifImageDesc& desc = gif->Image;
      // The logical screen, or the picture's own extent when the screen is empty.
      std::int64_t width = gif->SWidth, height = gif->SHeight;
      if (width < 1 || height < 1) {
        width = std::int64_t{desc.Left} + desc.Width;
        height = std::int64_t{desc.Top} + desc.Height;
      }
      if (desc.Left < 0 || desc.Top < 0 || desc.Left >= width || desc.Top >= height ||
          !allocatePicture(picture, width, height)) {
        picture = PictureData{};
        return false;
      }
      placeRows(gif, transparent, rows, picture);
      return true;
    } else {
      return false;  // the end came before any picture
    }
  }
}

namespace {

// One picture's palette through quantize.h, as a colour table of a power of two
// entries (at least two) and one index per pixel. Null when memory is short.
ColorMapObject* paletteOf(const PictureData& picture, std::vector<std::uint8_t>& indices,
                          int& transparent) {
  std::uint32_t palette[256];
  int paletteSize = 0;
  indices.resize(picture.pixels.size());
  quantize(picture, 256, palette, paletteSize, indices.data(), transparent);
  int bits = 1;
  while ((1 << bits) < paletteSize) ++bits;
  GifColorType colours[256] = {};
  for (int i = 0; i < paletteSize; ++i) {
    colours[i] = GifColorType{static_cast<GifByteType>(palette[i] >> 16),
                              static_cast<GifByteType>(palette[i] >> 8),
                              static_cast<GifByteType>(palette[i])};
  }
  return GifMakeMapObject(1 << bits, colours);
}

// A graphic control block (disposal `disposal`, delay in 1/100 s, transparent
// index or -1), then the picture with its own colour table.
bool putPicture(GifFileType* gif, const PictureData& picture, int disposal, int delay,
                const ColorMapObject* map, bool localMap, int transparent,
                const std::vector<std::uint8_t>& indices) {
  bool ok = true;
  if (transparent >= 0 || delay > 0 || disposal > 0) {
    const GifByteType control[4] = {
        static_cast<GifByteType>(disposal << 2 | (transparent >= 0 ? 1 : 0)),
        static_cast<GifByteType>(delay & 0xFF), static_cast<GifByteType>(delay >> 8 & 0xFF),
        static_cast<GifByteType>(transparent >= 0 ? transparent : 0)};
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
  }
  ok = ok && EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false,
                              localMap ? map : nullptr) == GIF_OK;
  for (int y = 0; ok && y < picture.height; ++y) {
    ok = EGifPutLine(gif,
                     const_cast<GifPixelType*>(indices.data()) +
                         static_cast<std::size_t>(y) * picture.width,
                     picture.width) == GIF_OK;
  }
  return ok;
}

}  // namespace

bool encodeGif(const PictureData& picture, std::FILE* file) {
  if (picture.width > 0xFFFF || picture.height > 0xFFFF) return false;
  std::vector<std::uint8_t> indices;
  int transparent = -1;
  ColorMapObject* map = paletteOf(picture, indices, transparent);
  int error = 0;
  GifFileType* gif = EGifOpen(file, writeFile, &error);
  if (!gif) {
    GifFreeMapObject(map);
    return false;
  }
  bool ok = map != nullptr;
  EGifSetGifVersion(gif, true);
  ok = ok &&
       EGifPutScreenDesc(gif, picture.width, picture.height, map->BitsPerPixel, 0, map) == GIF_OK;
  ok = ok && putPicture(gif, picture, 0, 0, map, false, transparent, indices);
  ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  GifFreeMapObject(map);
  return ok;
}

struct GifAnimation {
  GifFileType* gif;
  int width, height;
  bool ok;
};

GifAnimation* openGifAnimation(std::FILE* file, int width, int height) {
  if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF) return nullptr;
  int error = 0;
  GifFileType* gif = EGifOpen(file, writeFile, &error);
  if (!gif) return nullptr;
  EGifSetGifVersion(gif, true);
  // No global table: every frame brings its own palette. The application block
  // makes viewers loop the film for ever (count 0).
  static const GifByteType loop[3] = {1, 0, 0};
  bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) == GIF_OK;
  ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK;
  ok = ok && EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK;
  ok = ok && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK;
  ok = ok && EGifPutExtensionTrailer(gif) == GIF_OK;
  return new GifAnimation{gif, width, height, ok};
}

bool addGifFrame(GifAnimation* animation, const PictureData& frame, int delay) {
  if (!animation || !animation->ok) return false;
  if (frame.width != animation->width || frame.height != animation->height) {
    animation->ok = false;
    return false;
  }
  std::vector<std::uint8_t> indices;
  int transparent = -1;
  ColorMapObject* map = paletteOf(frame, indices, transparent);
  // Each frame covers the whole screen, so it is left in place (disposal 1).
  animation->ok =
      map && putPicture(animation->gif, frame, 1, delay, map, true, transparent, indices);
  GifFreeMapObject(map);
  return animation->ok;
}

bool closeGifAnimation(GifAnimation* animation) {
  if (!animation) return false;
  int error = 0;
  const bool ok = EGifCloseFile(animation->gif, &error) == GIF_OK && animation->ok;
  delete animation;
  return ok;
}

}  // namespace emu
