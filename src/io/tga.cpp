// 24-bit uncompressed TGA, one row at a time, on the current-file stream. The
// caller supplies rows in file order (the header says the first row is the
// bottom one); pixels are stored as blue, green, red.
//
//   offset 0..11   0, 0, 2 (true colour), nine zero bytes (no colour map, origin 0)
//          12..15  width, height (16-bit little-endian)
//          16, 17  24 bits per pixel, descriptor 0
//          18..    rows of width x 3 bytes

#include <cstring>

#include "io/io.h"
#include "platform/platform.h"
#include "surface/memory.h"

namespace {

constexpr std::size_t headerSize = 18;

struct TgaState {
  int width;              // of the open file, 0 when none
  std::uint8_t* bytes;    // one row as stored
  std::uint32_t* pixels;  // one row as handed out (reading only)
};
TgaState tga;

void freeRows() {
  freeAligned(tga.bytes);
  freeAligned(tga.pixels);
  tga = TgaState{};
}

// A begin ends whatever TGA is still open, reading or writing, so no row buffer
// is lost.
void endAny() {
  if (tga.width) stream_close();
  freeRows();
}

}  // namespace

int tga_begin_write(const wchar_t* path, int width, int height) {
  endAny();
  if (width < 1 || width > tgaSideLimit || height < 1 || height > tgaSideLimit) return 0;
  if (!stream_open_write(path)) return 0;
  const auto rowBytes = static_cast<std::size_t>(width) * 3;
  tga.bytes = static_cast<std::uint8_t*>(allocAligned(rowBytes + 1, 16, 1));
  if (!tga.bytes) {
    stream_close();
    return 0;
  }
  std::uint8_t header[headerSize] = {0, 0, 2};  // the rest zero
  header[12] = static_cast<std::uint8_t>(width);
  header[13] = static_cast<std::uint8_t>(width >> 8);
  header[14] = static_cast<std::uint8_t>(height);
  header[15] = static_cast<std::uint8_t>(height >> 8);
  header[16] = 24;
  if (stream_write(header, headerSize) != headerSize) {
    stream_close();
    freeRows();
    return 0;
  }
  tga.width = width;
  return 1;
}

std::size_t tga_write_row(const std::uint32_t* row) {
  if (!tga.width || tga.pixels || !row) return 0;
  std::uint8_t* out = tga.bytes;
  for (int x = 0; x < tga.width; ++x, out += 3) {
    out[0] = static_cast<std::uint8_t>(row[x]);
    out[1] = static_cast<std::uint8_t>(row[x] >> 8);
    out[2] = static_cast<std::uint8_t>(row[x] >> 16);
  }
  return stream_write(tga.bytes, static_cast<std::size_t>(tga.width) * 3);
}

void tga_end_write() {
  if (!tga.width || tga.pixels) return;
  stream_close();
  freeRows();
}

int tga_begin_read(const wchar_t* path, int* width, int* height) {
  endAny();
  std::uint64_t fileSize = 0;
  if (!width || !height || !path || !platform.fileStatus(path, fileSize)) return 0;
  if (!stream_open_read(path)) return 0;
  std::uint8_t header[headerSize] = {};
  const bool whole = stream_read(header, headerSize) == headerSize;
  const int w = header[12] | header[13] << 8;
  const int h = header[14] | header[15] << 8;
  // A header that claims more rows than the file holds is refused here, so no
  // caller loops over rows that cannot come.
  const auto claimed = static_cast<std::uint64_t>(w) * 3 * static_cast<std::uint64_t>(h);
  if (!whole || w == 0 || h == 0 || fileSize < headerSize || claimed > fileSize - headerSize) {
    stream_close();
    return 0;
  }
  const auto count = static_cast<std::size_t>(w);
  tga.bytes = static_cast<std::uint8_t*>(allocAligned(count * 3 + 4, 16, 1));
  tga.pixels = static_cast<std::uint32_t*>(allocAligned(count * 4 + 4, 16, 1));
  if (!tga.bytes || !tga.pixels) {
    stream_close();
    freeRows();
    return 0;
  }
  tga.width = w;
  *width = w;
  *height = h;
  return 1;
}

const std::uint32_t* tga_read_row() {
  if (!tga.width || !tga.pixels) return nullptr;
  const auto count = static_cast<std::size_t>(tga.width) * 3;
  if (stream_read(tga.bytes, count) != count) return nullptr;
  const std::uint8_t* in = tga.bytes;
  for (int x = 0; x < tga.width; ++x, in += 3) {
    tga.pixels[x] = 0xFF000000u | static_cast<std::uint32_t>(in[2]) << 16 |
                    static_cast<std::uint32_t>(in[1]) << 8 | in[0];
  }
  return tga.pixels;
}

void tga_end_read() {
  if (!tga.width || !tga.pixels) return;
  stream_close();
  freeRows();
}
