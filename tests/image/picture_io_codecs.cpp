// The picture codecs behind the platform record: every save type written and read
// back through the installed backend, with the tolerance each format allows.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace {

// A picture with smooth ramps, hard edges and, optionally, varied alpha.
PictureData testPicture(int width, int height, bool withAlpha) {
  PictureData p;
  p.width = width;
  p.height = height;
  p.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t r = (x * 255) / (width > 1 ? width - 1 : 1);
      const std::uint32_t g = (y * 255) / (height > 1 ? height - 1 : 1);
      const std::uint32_t b = ((x / 4 + y / 4) % 2) ? 0xE0 : 0x20;
      const std::uint32_t a = withAlpha ? (x * 7 + y * 13) % 256 : 0xFF;
      p.pixels[static_cast<std::size_t>(y) * width + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  return p;
}

std::wstring tempPath(const char* name) {
  std::string path = ::testing::TempDir() + "picture_io_" + name;
  return std::wstring(path.begin(), path.end());
}

std::string narrow(const std::wstring& wide) { return std::string(wide.begin(), wide.end()); }

class Codecs : public ::testing::Test {
 protected:
  void SetUp() override { headless::configure({}); }
};

TEST_F(Codecs, LosslessFormatsRoundTripExactly) {
  struct Case {
    int format;
    const char* name;
    bool alpha;
  };
  const Case cases[] = {
      {4, "rt.png", false}, {4, "rta.png", true}, {0, "rt.bmp", false}, {0, "rta.bmp", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PictureData source = testPicture(37, 21, c.alpha);
    const std::wstring path = tempPath(c.name);
    ASSERT_EQ(platform.encodePictureFile(source, path.c_str(), c.format, -1), 1);
    PictureData back;
    ASSERT_EQ(platform.decodePictureFile(path.c_str(), back), 1);
    EXPECT_EQ(back.width, source.width);
    EXPECT_EQ(back.height, source.height);
    EXPECT_EQ(back.pixels, source.pixels);
    std::remove(narrow(path).c_str());
  }
}

TEST_F(Codecs, FailedSaveLeavesNoFile) {
  const PictureData empty;
  const std::wstring path = tempPath("empty.png");
  EXPECT_EQ(platform.encodePictureFile(empty, path.c_str(), 4, -1), 0);
  EXPECT_EQ(std::fopen(narrow(path).c_str(), "rb"), nullptr);
  const std::wstring nowhere = L"/nonexistent-folder/x.png";
  EXPECT_EQ(platform.encodePictureFile(testPicture(4, 4, false), nowhere.c_str(), 4, -1), 0);
}

TEST_F(Codecs, MissingFileIsNotFound) {
  PictureData p;
  EXPECT_EQ(platform.decodePictureFile(tempPath("does-not-exist.png").c_str(), p), 0);
  EXPECT_EQ(p.width, 0);
  EXPECT_TRUE(p.pixels.empty());
}

}  // namespace
