// Broken pictures cost what their bytes are worth: a stream cut short fails before
// the picture its header claims is allocated, and a run-length row that never ends
// stays in range. Our own codecs only (the Windows build decodes with the system's
// library), so all of it is left out there.

#ifndef _WIN32

#include <atomic>
#include <cstdlib>
#include <new>

#include <zlib.h>

#include "picture_io_support.h"

namespace {

std::atomic<bool> watching{false};
std::atomic<std::size_t> largest{0};

}  // namespace

// Every allocation of this test program passes here; while a decode is watched, the
// largest single one is kept. GCC takes the free below for a mismatch once the
// matching new is inlined beside it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (watching && size > largest) largest = size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
// The other forms too, so that no block crosses between this pair and the runtime's.
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& n) noexcept {
  return operator new(size, n);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using namespace picture_test;
using Bytes = std::vector<std::uint8_t>;

void put(Bytes& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A GIF with a two-colour table whose picture's data is two bytes: a clear code and
// one pixel, then the end of the data.
Bytes cutGif(int screenW, int screenH, int left, int top, int w, int h) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  put(b, screenW, 2);
  put(b, screenH, 2);
  b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255, 0x2C});
  put(b, left, 2);
  put(b, top, 2);
  put(b, w, 2);
  put(b, h, 2);
  b.insert(b.end(), {0, 2, 2, 0x44, 0x01, 0, 0x3B});
  return b;
}

// A run-length BMP (8 or 4 bits) with a two-entry palette and the given stream.
Bytes runLengthBmp(int w, int h, int bits, const Bytes& stream) {
  Bytes b = {'B', 'M'};
  put(b, 14 + 40 + 8 + static_cast<std::uint32_t>(stream.size()), 4);
  put(b, 0, 4);
  put(b, 14 + 40 + 8, 4);
  put(b, 40, 4);
  put(b, w, 4);
  put(b, h, 4);
  put(b, 1, 2);
  put(b, bits, 2);
  put(b, bits == 8 ? 1 : 2, 4);  // compression
  put(b, static_cast<std::uint32_t>(stream.size()), 4);
  put(b, 0, 4);  // resolution
  put(b, 0, 4);
  put(b, 2, 4);  // colours used
  put(b, 0, 4);
  put(b, 0x000000, 4);
  put(b, 0x00FF8040, 4);
  b.insert(b.end(), stream.begin(), stream.end());
  return b;
}

void putBig(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A PNG of the given size in grey, one bit a pixel, whose data is cut after the two
// bytes that start its one data chunk.
Bytes cutPng(std::uint32_t w, std::uint32_t h) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  putBig(b, w);
  putBig(b, h);
  b.insert(b.end(), {1, 0, 0, 0, 0});
  putBig(b, static_cast<std::uint32_t>(crc32(0, b.data() + 12, 17)));
  b.insert(b.end(), {0, 0, 0, 2, 'I', 'D', 'A', 'T', 0x78, 0x9C});
  return b;
}

using PictureCost = WithPictureLibrary;

}  // namespace

TEST_F(PictureCost, CutStreamsFailBeforeThePictureIsAllocated) {
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"gif 16384 x 4096, data cut", cutGif(16384, 4096, 0, 0, 16384, 4096)},
      {"gif empty screen, picture at x 11520", cutGif(0, 0, 11520, 0, 256, 5632)},
      {"8-bit runs without an end mark", runLengthBmp(16384, 4096, 8, {4, 1, 0, 0, 4, 1})},
      {"4-bit runs without an end mark", runLengthBmp(16384, 4096, 4, {4, 0x11, 0, 0})},
      {"png 16384 x 4096, data cut", cutPng(16384, 4096)},
  };
  for (const auto& c : cases) {
    PictureData picture;
    largest = 0;
    watching = true;
    const int ok = platform.decodePicture(c.bytes.data(), c.bytes.size(), picture);
    watching = false;
    EXPECT_EQ(ok, 0) << c.what;
    EXPECT_LT(largest.load(), std::size_t{1} << 20) << c.what;
  }
}

TEST_F(PictureCost, RunLengthRowThatNeverEndsStaysInRange) {
  // 8.5 M runs of 255 pixels on one row of 8: past 2^31 pixels, then the end mark.
  Bytes stream;
  stream.reserve(17000004);
  for (int i = 0; i < 8500000; ++i) stream.insert(stream.end(), {255, 1});
  stream.insert(stream.end(), {0, 1});
  const Bytes bytes = runLengthBmp(8, 1, 8, stream);
  PictureData picture;
  ASSERT_EQ(platform.decodePicture(bytes.data(), bytes.size(), picture), 1);
  ASSERT_EQ(picture.width, 8);
  ASSERT_EQ(picture.height, 1);
  for (std::uint32_t p : picture.pixels) EXPECT_EQ(p, 0xFFFF8040u);
}

#endif
