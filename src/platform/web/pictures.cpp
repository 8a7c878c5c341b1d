// PNG and GIF decoders. Inflate follows the deflate format block by block with
// canonical Huffman tables; PNG undoes the five row filters; GIF reads LZW codes of
// growing width. Every read is bounds-checked, so a broken file fails, never reads
// past its end.

#include "platform/web/pictures.h"

#include "platform/codecs/codecs.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace web {
namespace {

// ---- inflate ----------------------------------------------------------------------

struct BitReader {
  const std::uint8_t* bytes;
  std::size_t size;
  std::size_t at = 0;  // next byte
  std::uint32_t bits = 0;
  int count = 0;  // bits held
  bool failed = false;

  std::uint32_t take(int n) {  // n <= 16, least significant bit first
    while (count < n) {
      if (at >= size) {
        failed = true;
        return 0;
      }
      bits |= std::uint32_t{bytes[at++]} << count;
      count += 8;
    }
    const std::uint32_t v = bits & ((1u << n) - 1);
    bits >>= n;
    count -= n;
    return v;
  }
};

// A canonical Huffman code: symbols by code length, and how many of each length.
struct Huffman {
  std::uint16_t counts[16] = {};
  std::vector<std::uint16_t> symbols;

  bool build(const std::uint8_t* lengths, int n) {
    std::fill(std::begin(counts), std::end(counts), 0);
    for (int i = 0; i < n; ++i) ++counts[lengths[i]];
    counts[0] = 0;
    int left = 1;  // codes still free; over-subscribed sets are refused
    for (int len = 1; len < 16; ++len) {
      left = left * 2 - counts[len];
      if (left < 0) return false;
    }
    std::uint16_t offsets[16] = {};
    for (int len = 1; len < 15; ++len) offsets[len + 1] = offsets[len] + counts[len];
    symbols.assign(n, 0);
    for (int i = 0; i < n; ++i) {
      if (lengths[i]) symbols[offsets[lengths[i]]++] = static_cast<std::uint16_t>(i);
    }
    return true;
  }

  // Bit by bit from the first code of each length; -1 for a code outside the set.
  int decode(BitReader& in) const {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len < 16; ++len) {
      code |= static_cast<int>(in.take(1));
      if (in.failed) return -1;
      const int count = counts[len];
      if (code - first < count) return symbols[index + code - first];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }
};

constexpr std::uint16_t lengthBase[] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                        15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                        67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t lengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t distanceBase[] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t distanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                          6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The literal/length and distance codes of one compressed block into `out`, which
// may grow to `limit` bytes.
bool inflateCodes(BitReader& in, const Huffman& lengths, const Huffman& distances,
                  std::vector<std::uint8_t>& out, std::size_t limit) {
  for (;;) {
    const int symbol = lengths.decode(in);
    if (symbol < 0) return false;
    if (symbol == 256) return true;
    if (symbol < 256) {
      if (out.size() >= limit) return false;
      out.push_back(static_cast<std::uint8_t>(symbol));
      continue;
    }
    const int l = symbol - 257;
    if (l >= 29) return false;
    const std::size_t length = lengthBase[l] + in.take(lengthExtra[l]);
    const int d = distances.decode(in);
    if (d < 0 || d >= 30) return false;
    const std::size_t distance = distanceBase[d] + in.take(distanceExtra[d]);
    if (in.failed || distance > out.size() || out.size() + length > limit) return false;
    for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
  }
}

// A zlib stream (header, deflate blocks; the checksum is not checked) into at most
// `limit` bytes.
bool inflateZlib(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& out,
                 std::size_t limit) {
  if (size < 2 || (bytes[0] & 0x0F) != 8 || ((bytes[0] << 8) | bytes[1]) % 31 != 0 ||
      (bytes[1] & 0x20)) {
    return false;
  }
  BitReader in{bytes + 2, size - 2};
  int last = 0;
  while (!last) {
    last = static_cast<int>(in.take(1));
    const std::uint32_t type = in.take(2);
    if (in.failed) return false;
    if (type == 0) {  // stored: byte-aligned length, its complement, the bytes
      in.bits = 0;
      in.count = 0;
      if (in.at + 4 > in.size) return false;
      const std::size_t n = in.bytes[in.at] | in.bytes[in.at + 1] << 8;
      const std::size_t check = in.bytes[in.at + 2] | in.bytes[in.at + 3] << 8;
      in.at += 4;
      if (n != (~check & 0xFFFF) || in.at + n > in.size || out.size() + n > limit) return false;
      out.insert(out.end(), in.bytes + in.at, in.bytes + in.at + n);
      in.at += n;
      continue;
    }
    Huffman lengths, distances;
    std::uint8_t codeLengths[320] = {};
    if (type == 1) {  // the fixed codes
      std::fill(codeLengths, codeLengths + 144, 8);
      std::fill(codeLengths + 144, codeLengths + 256, 9);
      std::fill(codeLengths + 256, codeLengths + 280, 7);
      std::fill(codeLengths + 280, codeLengths + 288, 8);
      std::fill(codeLengths + 288, codeLengths + 318, 5);
      if (!lengths.build(codeLengths, 288) || !distances.build(codeLengths + 288, 30)) return false;
    } else if (type == 2) {  // dynamic codes, themselves Huffman-coded
      const int nLengths = static_cast<int>(in.take(5)) + 257;
      const int nDistances = static_cast<int>(in.take(5)) + 1;
      const int nCodes = static_cast<int>(in.take(4)) + 4;
      static constexpr std::uint8_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                 11, 4,  12, 3, 13, 2, 14, 1, 15};
      std::uint8_t codeCodes[19] = {};
      for (int i = 0; i < nCodes; ++i) codeCodes[order[i]] = static_cast<std::uint8_t>(in.take(3));
      Huffman codes;
      if (in.failed || nLengths > 286 || nDistances > 30 || !codes.build(codeCodes, 19)) {
        return false;
      }
      for (int i = 0; i < nLengths + nDistances;) {
        const int symbol = codes.decode(in);
        int repeat = 0;
        std::uint8_t value = 0;
        if (symbol < 0) return false;
        if (symbol < 16) {
          codeLengths[i++] = static_cast<std::uint8_t>(symbol);
          continue;
        }
        if (symbol == 16) {
          if (i == 0) return false;
          value = codeLengths[i - 1];
          repeat = 3 + static_cast<int>(in.take(2));
        } else if (symbol == 17) {
          repeat = 3 + static_cast<int>(in.take(3));
        } else {
          repeat = 11 + static_cast<int>(in.take(7));
        }
        if (in.failed || i + repeat > nLengths + nDistances) return false;
        while (repeat--) codeLengths[i++] = value;
      }
      if (codeLengths[256] == 0 || !lengths.build(codeLengths, nLengths) ||
          !distances.build(codeLengths + nLengths, nDistances)) {
        return false;
      }
    } else {
      return false;
    }
    if (!inflateCodes(in, lengths, distances, out, limit)) return false;
  }
  return true;
}

// ---- PNG --------------------------------------------------------------------------

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

int paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes each row's filter in place; `stride` bytes a row after its filter byte.
bool unfilter(std::vector<std::uint8_t>& data, int height, std::size_t stride, int bpp) {
  std::vector<std::uint8_t> previous(stride, 0);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = data.data() + y * (stride + 1);
    const int filter = row[0];
    std::uint8_t* r = row + 1;
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= static_cast<std::size_t>(bpp) ? r[i - bpp] : 0;
      const int b = previous[i];
      const int c = i >= static_cast<std::size_t>(bpp) ? previous[i - bpp] : 0;
      int add = 0;
      switch (filter) {
        case 0:
          break;
        case 1:
          add = a;
          break;
        case 2:
          add = b;
          break;
        case 3:
          add = (a + b) / 2;
          break;
        case 4:
          add = paeth(a, b, c);
          break;
        default:
          return false;
      }
      r[i] = static_cast<std::uint8_t>(r[i] + add);
    }
    std::memcpy(previous.data(), r, stride);
  }
  return true;
}

}  // namespace

bool decodePng(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  if (!bytes || size < 8 || std::memcmp(bytes, "\x89PNG\r\n\x1a\n", 8) != 0) return false;
  std::int64_t width = 0, height = 0;
  int colourType = -1;
  std::vector<std::uint8_t> compressed;
  std::uint32_t palette[256];
  std::fill(std::begin(palette), std::end(palette), 0xFF000000u);
  bool ended = false;
  for (std::size_t at = 8; !ended;) {
    if (at + 12 > size) return false;
    const std::uint32_t length = bigEndian32(bytes + at);
    if (length > size - at - 12) return false;
    const std::uint8_t* type = bytes + at + 4;
    const std::uint8_t* data = bytes + at + 8;
    if (std::memcmp(type, "IHDR", 4) == 0) {
      // 8-bit samples, deflate, the standard filters, no interlace: what we make.
      if (length < 13 || data[8] != 8 || data[10] != 0 || data[11] != 0 || data[12] != 0) {
        return false;
      }
      width = bigEndian32(data);
      height = bigEndian32(data + 4);
      colourType = data[9];
    } else if (std::memcmp(type, "PLTE", 4) == 0) {
      for (std::uint32_t i = 0; i < length / 3 && i < 256; ++i) {
        palette[i] = 0xFF000000u | data[3 * i] << 16 | data[3 * i + 1] << 8 | data[3 * i + 2];
      }
    } else if (std::memcmp(type, "tRNS", 4) == 0 && colourType == 3) {
      for (std::uint32_t i = 0; i < length && i < 256; ++i) {
        palette[i] = (palette[i] & 0x00FFFFFFu) | std::uint32_t{data[i]} << 24;
      }
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      compressed.insert(compressed.end(), data, data + length);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      ended = true;
    }
    at += 12 + length;
  }
  static constexpr int channelsOf[7] = {1, 0, 3, 1, 2, 0, 4};
  if (colourType < 0 || colourType > 6 || channelsOf[colourType] == 0 ||
      !emu::allocatePicture(picture, width, height)) {
    return false;
  }
  const int channels = channelsOf[colourType];
  const std::size_t stride = static_cast<std::size_t>(width) * channels;
  const std::size_t expected = (stride + 1) * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> raw;
  if (!inflateZlib(compressed.data(), compressed.size(), raw, expected) || raw.size() != expected ||
      !unfilter(raw, static_cast<int>(height), stride, channels)) {
    picture = PictureData{};
    return false;
  }
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* s = raw.data() + y * (stride + 1) + 1;
    std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
    for (int x = 0; x < picture.width; ++x, s += channels) {
      switch (colourType) {
        case 0:
          out[x] = 0xFF000000u | s[0] * 0x010101u;
          break;
        case 2:
          out[x] = 0xFF000000u | s[0] << 16 | s[1] << 8 | s[2];
          break;
        case 3:
          out[x] = palette[s[0]];
          break;
        case 4:
          out[x] = std::uint32_t{s[1]} << 24 | s[0] * 0x010101u;
          break;
        default:
          out[x] = std::uint32_t{s[3]} << 24 | s[0] << 16 | s[1] << 8 | s[2];
          break;
      }
    }
  }
  return true;
}

// ---- GIF --------------------------------------------------------------------------

namespace {

// The data sub-blocks from `at` joined into `out`; `at` ends past the terminator.
bool readSubBlocks(const std::uint8_t* bytes, std::size_t size, std::size_t& at,
                   std::vector<std::uint8_t>* out) {
  for (;;) {
    if (at >= size) return false;
    const std::size_t n = bytes[at++];
    if (n == 0) return true;
    if (at + n > size) return false;
    if (out) out->insert(out->end(), bytes + at, bytes + at + n);
    at += n;
  }
}

// LZW codes of `minimum` + 1 bits and more into `count` palette indices.
bool decodeLzw(const std::vector<std::uint8_t>& data, int minimum, std::size_t count,
               std::vector<std::uint8_t>& indices) {
  if (minimum < 2 || minimum > 8) return false;
  const int clear = 1 << minimum, end = clear + 1;
  std::vector<std::uint16_t> prefix(4096);
  std::vector<std::uint8_t> suffix(4096), stack;
  for (int i = 0; i < clear; ++i) suffix[i] = static_cast<std::uint8_t>(i);
  int width = minimum + 1, next = end + 1, previous = -1;
  std::uint8_t first = 0;
  std::uint32_t bits = 0;
  int held = 0;
  indices.clear();
  for (std::size_t at = 0; indices.size() < count;) {
    while (held < width) {
      if (at >= data.size()) return false;
      bits |= std::uint32_t{data[at++]} << held;
      held += 8;
    }
    const int code = static_cast<int>(bits & ((1u << width) - 1));
    bits >>= width;
    held -= width;
    if (code == clear) {
      width = minimum + 1;
      next = end + 1;
      previous = -1;
      continue;
    }
    if (code == end) break;
    int c = code;
    if (previous < 0) {
      if (code >= clear) return false;
      first = static_cast<std::uint8_t>(code);
      indices.push_back(first);
      previous = code;
      continue;
    }
    if (c > next || (c == next && next >= 4096)) return false;
    stack.clear();
    if (c == next) {  // the code being defined: previous string plus its first byte
      stack.push_back(first);
      c = previous;
    }
    while (c >= clear) {
      stack.push_back(suffix[c]);
      c = prefix[c];
    }
    first = static_cast<std::uint8_t>(c);
    stack.push_back(first);
    for (auto it = stack.rbegin(); it != stack.rend() && indices.size() < count; ++it) {
      indices.push_back(*it);
    }
    if (next < 4096) {
      prefix[next] = static_cast<std::uint16_t>(previous);
      suffix[next] = first;
      ++next;
      if (next == 1 << width && width < 12) ++width;
    }
    previous = code;
  }
  return indices.size() == count;
}

}  // namespace

// As the other targets: the first picture on the logical screen (or on its own
// extent when the screen is empty), outside it transparent black, the transparent
// index its palette colour with alpha 0, indices past the palette black.
bool decodeGif(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  if (!bytes || size < 13 ||
      (std::memcmp(bytes, "GIF87a", 6) != 0 && std::memcmp(bytes, "GIF89a", 6) != 0)) {
    return false;
  }
  const int screenWidth = bytes[6] | bytes[7] << 8, screenHeight = bytes[8] | bytes[9] << 8;
  std::size_t at = 13;
  std::uint32_t global[256];
  int globalCount = 0;
  if (bytes[10] & 0x80) {
    globalCount = 2 << (bytes[10] & 7);
    if (at + 3 * globalCount > size) return false;
    for (int i = 0; i < globalCount; ++i, at += 3) {
      global[i] = 0xFF000000u | bytes[at] << 16 | bytes[at + 1] << 8 | bytes[at + 2];
    }
  }
  int transparent = -1;
  for (;;) {
    if (at >= size) return false;
    const std::uint8_t record = bytes[at++];
    if (record == 0x21) {  // extension: keep a graphic control block's transparency
      if (at >= size) return false;
      const std::uint8_t label = bytes[at++];
      if (label == 0xF9 && at + 5 <= size && bytes[at] >= 4) {
        transparent = (bytes[at + 1] & 1) ? bytes[at + 4] : -1;
      }
      if (!readSubBlocks(bytes, size, at, nullptr)) return false;
      continue;
    }
    if (record != 0x2C || at + 9 > size) return false;
    const int left = bytes[at] | bytes[at + 1] << 8, top = bytes[at + 2] | bytes[at + 3] << 8;
    const int width = bytes[at + 4] | bytes[at + 5] << 8;
    const int height = bytes[at + 6] | bytes[at + 7] << 8;
    const std::uint8_t flags = bytes[at + 8];
    at += 9;
    std::uint32_t colours[256];
    int count = globalCount;
    if (flags & 0x80) {
      count = 2 << (flags & 7);
      if (at + 3 * count > size) return false;
      for (int i = 0; i < count; ++i, at += 3) {
        colours[i] = 0xFF000000u | bytes[at] << 16 | bytes[at + 1] << 8 | bytes[at + 2];
      }
    } else {
      std::copy(global, global + globalCount, colours);
    }
    if (count == 0 || width < 1 || height < 1 || width > pictureSideLimit ||
        height > pictureSideLimit || at >= size) {
      return false;
    }
    std::fill(colours + count, colours + 256, 0xFF000000u);
    if (transparent >= 0) colours[transparent] &= 0x00FFFFFFu;
    const int minimum = bytes[at++];
    std::vector<std::uint8_t> data, indices;
    if (!readSubBlocks(bytes, size, at, &data) ||
        !decodeLzw(data, minimum, static_cast<std::size_t>(width) * height, indices)) {
      return false;
    }
    const bool emptyScreen = screenWidth == 0 || screenHeight == 0;
    const int sw = emptyScreen ? left + width : screenWidth;
    const int sh = emptyScreen ? top + height : screenHeight;
    if (left >= sw || top >= sh || !emu::allocatePicture(picture, sw, sh)) return false;
    static const int passStart[] = {0, 4, 2, 1}, passStep[] = {8, 8, 4, 2};
    const bool interlaced = flags & 0x40;
    const std::uint8_t* line = indices.data();
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
      const int start = interlaced ? passStart[pass] : 0, step = interlaced ? passStep[pass] : 1;
      for (int row = start; row < height; row += step, line += width) {
        const int y = top + row;
        if (y >= picture.height) continue;
        std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
        const int n = std::min(width, picture.width - left);
        for (int x = 0; x < n; ++x) out[left + x] = colours[line[x]];
      }
    }
    return true;
  }
}

}  // namespace web
