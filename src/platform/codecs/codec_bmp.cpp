// BMP by our own code: the file (14-byte header, then a DIB) and the packed DIB that
// a bitmap resource holds. Decodes 1, 4 and 8-bit palette pictures (4 and 8-bit also
// run-length encoded), 16 and 32-bit pictures with or without bit masks, and 24-bit
// ones, bottom-up or top-down. Encodes opaque pictures as 24-bit and others as 32-bit
// with an alpha mask, or any picture as 8-bit with a palette of at most 256 colours.
//
// NOTE: alpha is never read, not even through an alpha mask: the system's picture
// library reads every bitmap as opaque, and a picture must load the same on every
// target.
//
//   file:  "BM" size reserved offset | header (12, 40, 52, 56, 108 or 124 bytes)
//          [masks after a 40-byte header] [palette] ... bits at offset
//   rows:  bottom row first unless the height is negative; each padded to 4 bytes

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/codecs/codecs.h"
#include "platform/codecs/quantize.h"

namespace emu {
namespace {

constexpr std::uint32_t compressionRgb = 0, compressionRle8 = 1, compressionRle4 = 2,
                        compressionBitfields = 3, compressionAlphaBitfields = 6;

std::uint32_t read16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t read32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

// One colour channel described by a bit mask, widened to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  // False for a mask whose bits are not contiguous.
  bool set(std::uint32_t m) {
    mask = m;
    if (!m) return true;
    shift = std::countr_zero(m);
    bits = std::popcount(m);
    return (m >> shift) == (bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1);
  }
  std::uint32_t read(std::uint32_t pixel) const {
    if (!mask) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    const std::uint32_t top = (1u << bits) - 1;
    return (v * 255 + top / 2) / top;
  }
};

// What the header says, checked.
struct DibLayout {
  std::int64_t width = 0, height = 0;
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = 0;
  Channel red, green, blue;
  std::uint32_t palette[256] = {};
  int paletteSize = 0;
  std::size_t bitsOffset = 0;  // from the start of the DIB
};

// Reads the DIB header at `dib`; `size` counts every byte from the header on. The
// bits are taken to follow the palette.
bool readLayout(const std::uint8_t* dib, std::size_t size, DibLayout& layout) {
  if (size < 12) return false;
  const std::uint32_t headerSize = read32(dib);
  const bool core = headerSize == 12;
  if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124) {
    return false;
  }
  if (size < headerSize) return false;
  std::uint32_t planes;
  if (core) {
    layout.width = read16(dib + 4);
    layout.height = read16(dib + 6);
    planes = read16(dib + 8);
    layout.bitCount = static_cast<int>(read16(dib + 10));
  } else {
    layout.width = static_cast<std::int32_t>(read32(dib + 4));
    layout.height = static_cast<std::int32_t>(read32(dib + 8));
    planes = read16(dib + 12);
    layout.bitCount = static_cast<int>(read16(dib + 14));
    layout.compression = read32(dib + 16);
  }
  if (planes != 1) return false;
  if (layout.height < 0) {
    layout.topDown = true;
    layout.height = -layout.height;
  }
  const int bpp = layout.bitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;

  // Bit masks: inside a 52-byte or longer header, else right after a 40-byte one.
  std::size_t end = headerSize;
  const std::uint32_t c = layout.compression;
  if (c == compressionBitfields || c == compressionAlphaBitfields) {
    if (bpp != 16 && bpp != 32) return false;
    const std::uint8_t* masks = dib + 40;
    if (headerSize == 40) {
      end += c == compressionAlphaBitfields ? 16 : 12;
      if (size < end) return false;
    }
    if (!layout.red.set(read32(masks)) || !layout.green.set(read32(masks + 4)) ||
        !layout.blue.set(read32(masks + 8))) {
      return false;
    }
  } else if (c == compressionRle8 || c == compressionRle4) {
    if (bpp != (c == compressionRle8 ? 8 : 4) || layout.topDown) return false;
  } else if (c != compressionRgb) {
    return false;  // embedded JPEG or PNG bits are not ours to read
  } else if (bpp == 16) {
    layout.red.set(0x7C00);
    layout.green.set(0x03E0);
    layout.blue.set(0x001F);
  } else if (bpp == 32) {
    layout.red.set(0x00FF0000);
    layout.green.set(0x0000FF00);
    layout.blue.set(0x000000FF);
  }

  if (bpp <= 8) {
    std::int64_t count = core ? 0 : read32(dib + 32);
    if (count > (1 << bpp)) return false;
    if (count == 0) count = 1 << bpp;
    const int entry = core ? 3 : 4;
    if (static_cast<std::int64_t>(size - end) < count * entry) return false;
    for (int i = 0; i < count; ++i) {
      const std::uint8_t* e = dib + end + static_cast<std::size_t>(i) * entry;
      layout.palette[i] = 0xFF000000u | (e[2] << 16) | (e[1] << 8) | e[0];
    }
    layout.paletteSize = static_cast<int>(count);
    end += static_cast<std::size_t>(count) * entry;
  }
  layout.bitsOffset = end;
  return end <= size;
}

// Run-length bits, bottom row first. A pair (n, v) repeats v n times (for 4 bits,
// v's two halves alternate); n = 0 escapes: 0 ends the row, 1 ends the picture, 2
// moves right and up by the next two bytes, 3 or more is a literal run of that many
// indices padded to an even byte count. Pixels the runs skip keep palette entry 0.
bool readRunLength(const std::uint8_t* bits, std::size_t size, const DibLayout& layout,
                   PictureData& picture) {
  const bool four = layout.compression == compressionRle4;
  const std::uint32_t ground = layout.paletteSize ? layout.palette[0] : 0xFF000000u;
  std::fill(picture.pixels.begin(), picture.pixels.end(), ground);
  const auto colour = [&](std::uint32_t index) {
    return index < static_cast<std::uint32_t>(layout.paletteSize) ? layout.palette[index]
                                                                  : 0xFF000000u;
  };
  const int width = picture.width, height = picture.height;
  int x = 0, row = 0;  // row counts up from the bottom
  const auto put = [&](std::uint32_t index) {
    if (x < width && row < height) {
      picture.pixels[static_cast<std::size_t>(height - 1 - row) * width + x] = colour(index);
    }
    ++x;
  };
  std::size_t i = 0;
  while (i + 1 < size) {
    const std::uint32_t count = bits[i], value = bits[i + 1];
    i += 2;
    if (count > 0) {
      for (std::uint32_t k = 0; k < count; ++k) {
        put(four ? (k % 2 ? value & 0xF : value >> 4) : value);
      }
    } else if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (i + 1 >= size) return false;
      x += bits[i];
      row += bits[i + 1];
      i += 2;
    } else {
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      if (i + bytes > size) return false;
      for (std::uint32_t k = 0; k < value; ++k) {
        put(four ? (k % 2 ? bits[i + k / 2] & 0xF : bits[i + k / 2] >> 4) : bits[i + k]);
      }
      i += bytes + (bytes & 1);
    }
    if (row >= height) return true;  // past the top: the rest is nothing to draw
  }
  return false;  // the stream ended without its end mark
}

// Decodes the bits after a checked layout. Refuses before allocating when the bits
// are shorter than the rows the header claims.
bool readBits(const std::uint8_t* dib, std::size_t size, const DibLayout& layout,
              PictureData& picture) {
  if (layout.width < 1 || layout.height < 1 || layout.width > maxPictureSide ||
      layout.height > maxPictureSide) {
    return false;
  }
  if (layout.compression == compressionRle8 || layout.compression == compressionRle4) {
    if (!allocatePicture(picture, layout.width, layout.height)) return false;
    if (readRunLength(dib + layout.bitsOffset, size - layout.bitsOffset, layout, picture)) {
      return true;
    }
    picture = PictureData{};
    return false;
  }
  const std::int64_t stride = (layout.width * layout.bitCount + 31) / 32 * 4;
  if (stride * layout.height > static_cast<std::int64_t>(size - layout.bitsOffset)) return false;
  if (!allocatePicture(picture, layout.width, layout.height)) return false;

  const int bpp = layout.bitCount;
  const int width = picture.width;
  for (int y = 0; y < picture.height; ++y) {
    const int sourceRow = layout.topDown ? y : picture.height - 1 - y;
    const std::uint8_t* row = dib + layout.bitsOffset + sourceRow * stride;
    std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * width;
    if (bpp <= 8) {
      const int perByte = 8 / bpp;
      const std::uint32_t valueMask = (1u << bpp) - 1;
      for (int x = 0; x < width; ++x) {
        const int shift = 8 - bpp * (x % perByte + 1);
        const std::uint32_t index = (row[x / perByte] >> shift) & valueMask;
        // An index past the palette reads black, as the system's decoder does.
        out[x] = index < static_cast<std::uint32_t>(layout.paletteSize) ? layout.palette[index]
                                                                        : 0xFF000000u;
      }
    } else if (bpp == 24) {
      for (int x = 0; x < width; ++x, row += 3) {
        out[x] = 0xFF000000u | (row[2] << 16) | (row[1] << 8) | row[0];
      }
    } else {
      const bool wide = bpp == 32;
      for (int x = 0; x < width; ++x) {
        const std::uint32_t v = wide ? read32(row + 4 * x) : read16(row + 2 * x);
        out[x] = 0xFF000000u | (layout.red.read(v) << 16) | (layout.green.read(v) << 8) |
                 layout.blue.read(v);
      }
    }
  }
  return true;
}

void put16(std::uint8_t*& p, std::uint32_t v) {
  *p++ = static_cast<std::uint8_t>(v);
  *p++ = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t*& p, std::uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p, v >> 16);
}

// The 14-byte file header and a 40-byte info header; `colours` 0 counts the whole
// palette of 2^bpp entries.
void putHeaders(std::uint8_t*& p, int width, int height, int bpp, std::uint32_t compression,
                std::uint32_t headerSize, std::uint32_t offset, std::uint64_t fileSize,
                std::uint32_t colours) {
  *p++ = 'B';
  *p++ = 'M';
  put32(p, static_cast<std::uint32_t>(fileSize));
  put32(p, 0);
  put32(p, offset);
  put32(p, headerSize);
  put32(p, static_cast<std::uint32_t>(width));
  put32(p, static_cast<std::uint32_t>(height));  // positive: bottom row first
  put16(p, 1);
  put16(p, static_cast<std::uint32_t>(bpp));
  put32(p, compression);
  put32(p, static_cast<std::uint32_t>(fileSize - offset));
  put32(p, 2835);  // 72 dots per inch
  put32(p, 2835);
  put32(p, colours);
  put32(p, 0);
}

}  // namespace

bool decodeBmp(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  if (!bytes || size < 14 + 12 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  // An offset that points before the palette's end or past the file is ignored:
  // such writers meant the bits to follow the palette.
  const std::uint32_t offset = read32(bytes + 10);
  DibLayout layout;
  const std::uint8_t* dib = bytes + 14;
  const std::size_t dibSize = size - 14;
  if (!readLayout(dib, dibSize, layout)) return false;
  if (offset >= 14 + layout.bitsOffset && offset < size) layout.bitsOffset = offset - 14;
  return readBits(dib, dibSize, layout, picture);
}

bool decodeDib(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  DibLayout layout;
  if (!bytes || !readLayout(bytes, size, layout)) return false;
  return readBits(bytes, size, layout, picture);
}

bool encodeBmp(const PictureData& picture, std::FILE* file) {
  bool opaque = true;
  for (std::uint32_t p : picture.pixels) opaque = opaque && (p >> 24) == 0xFF;
  const int bpp = opaque ? 24 : 32;
  const std::uint32_t headerSize = opaque ? 40 : 108;  // a V4 header carries the alpha mask
  const std::size_t stride = (static_cast<std::size_t>(picture.width) * bpp + 31) / 32 * 4;
  const std::uint32_t offset = 14 + headerSize;
  const std::uint64_t fileSize = offset + static_cast<std::uint64_t>(stride) * picture.height;
  if (fileSize > 0xFFFFFFFFu) return false;

  std::uint8_t header[14 + 108] = {};
  std::uint8_t* p = header;
  putHeaders(p, picture.width, picture.height, bpp, opaque ? compressionRgb : compressionBitfields,
             headerSize, offset, fileSize, 0);
  if (!opaque) {
    put32(p, 0x00FF0000);
    put32(p, 0x0000FF00);
    put32(p, 0x000000FF);
    put32(p, 0xFF000000);
    put32(p, 0x73524742);  // 'sRGB' colour space; end points and gamma stay 0
  }
  if (std::fwrite(header, 1, offset, file) != offset) return false;

  std::vector<std::uint8_t> row(stride, 0);
  for (int y = picture.height - 1; y >= 0; --y) {
    const std::uint32_t* in = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
    std::uint8_t* out = row.data();
    for (int x = 0; x < picture.width; ++x) {
      *out++ = static_cast<std::uint8_t>(in[x]);
      *out++ = static_cast<std::uint8_t>(in[x] >> 8);
      *out++ = static_cast<std::uint8_t>(in[x] >> 16);
      if (!opaque) *out++ = static_cast<std::uint8_t>(in[x] >> 24);
    }
    if (std::fwrite(row.data(), 1, stride, file) != stride) return false;
  }
  return true;
}

bool encodeBmp8(const PictureData& picture, std::FILE* file) {
  if (picture.width < 1 || picture.height < 1 ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    return false;
  }
  const std::size_t stride = (static_cast<std::size_t>(picture.width) + 3) / 4 * 4;
  const std::uint64_t fileSize =
      14 + 40 + 4 * 256 + static_cast<std::uint64_t>(stride) * picture.height;
  if (fileSize > 0xFFFFFFFFu) return false;

  std::uint32_t palette[256] = {};
  int colours = 0, transparent = -1;
  std::vector<std::uint8_t> indices(picture.pixels.size());
  quantize(picture, 256, palette, colours, indices.data(), transparent);

  std::uint8_t header[14 + 40 + 4 * 256] = {};
  std::uint8_t* p = header;
  // All 256 entries (the unused ones black), counted as 0: a resource compiler keeps only
  // the DIB, whose bits must then follow the full palette.
  putHeaders(p, picture.width, picture.height, 8, compressionRgb, 40, sizeof header, fileSize, 0);
  for (int i = 0; i < colours; ++i) put32(p, palette[i]);  // B, G, R, 0
  if (std::fwrite(header, 1, sizeof header, file) != sizeof header) return false;
  std::vector<std::uint8_t> row(stride, 0);
  for (int y = picture.height - 1; y >= 0; --y) {
    std::copy_n(indices.begin() + static_cast<std::ptrdiff_t>(y) * picture.width, picture.width,
                row.begin());
    if (std::fwrite(row.data(), 1, stride, file) != stride) return false;
  }
  return true;
}

}  // namespace emu
