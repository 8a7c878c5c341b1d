// What the picture tests share: test pictures, temporary files and comparisons.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/platform.h"

// The Windows build decodes and encodes with the system's picture library, which
// the tests run under Wine; where Wine's copy falls short of the real one, a case
// proves our own codecs only.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) GTEST_SKIP() << "Wine's picture library: " << why
#else
#define SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif

namespace picture_test {

// Save formats of platform.encodePictureFile.
enum Format { Bmp = 0, Jpeg = 1, Gif = 2, Tiff = 3, Png = 4 };

inline PictureData makePicture(int width, int height) {
  PictureData p;
  p.width = width;
  p.height = height;
  p.pixels.assign(static_cast<std::size_t>(width) * height, 0u);
  return p;
}

inline std::uint32_t& at(PictureData& p, int x, int y) {
  return p.pixels[static_cast<std::size_t>(y) * p.width + x];
}
inline std::uint32_t at(const PictureData& p, int x, int y) {
  return p.pixels[static_cast<std::size_t>(y) * p.width + x];
}

// Ramps, a fine checker and, when asked, alpha varying over the whole range.
inline PictureData rampPicture(int width, int height, bool withAlpha) {
  PictureData p = makePicture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t r = x * 255 / (width > 1 ? width - 1 : 1);
      const std::uint32_t g = y * 255 / (height > 1 ? height - 1 : 1);
      const std::uint32_t b = ((x / 4 + y / 4) % 2) ? 0xE0 : 0x20;
      const std::uint32_t a = withAlpha ? (x * 7 + y * 13) % 256 : 0xFF;
      at(p, x, y) = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  return p;
}

// A smooth picture with many colours, the kind lossy formats are made for.
inline PictureData smoothPicture(int width, int height) {
  PictureData p = makePicture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t r = x * 255 / (width - 1);
      const std::uint32_t g = y * 255 / (height - 1);
      const std::uint32_t b = (x + y) * 255 / (width + height - 2);
      at(p, x, y) = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  return p;
}

inline int channelDifference(std::uint32_t a, std::uint32_t b, int shift) {
  return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
}

// Largest and mean difference of red, green and blue over two same-sized pictures.
struct Difference {
  int largest = 0;
  double mean = 0;
};
inline Difference colourDifference(const PictureData& a, const PictureData& b) {
  Difference d;
  long long total = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int c = channelDifference(a.pixels[i], b.pixels[i], shift);
      d.largest = std::max(d.largest, c);
      total += c;
    }
  }
  d.mean = a.pixels.empty() ? 0 : static_cast<double>(total) / (3.0 * a.pixels.size());
  return d;
}

inline std::string tempName(const std::string& name) {
  return ::testing::TempDir() + "brine_picture_" + name;
}
inline std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

inline bool fileExists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

inline std::vector<std::uint8_t> readFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  std::uint8_t buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

inline bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// The bytes of `picture` saved in `format` by the installed backend.
inline std::vector<std::uint8_t> encodedBytes(const PictureData& picture, int format) {
  const std::string path = tempName("encoded.tmp");
  std::vector<std::uint8_t> bytes;
  if (platform.encodePictureFile(picture, wide(path).c_str(), format, -1)) bytes = readFile(path);
  std::remove(path.c_str());
  return bytes;
}

inline std::string dataPath(const std::string& name) {
  return std::string(BRINE_TEST_DATA) + "/pictures/" + name;
}

// On the headless backend with the picture library running for the whole test, as
// a user of the module would keep it.
class WithPictureLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::configure({});
    ASSERT_EQ(platform.startPictures(), 1);
  }
  void TearDown() override { platform.stopPictures(); }
};

}  // namespace picture_test
