// Broken pictures: every one fails as "not found" (0, picture empty) or, where the
// damage leaves every pixel readable, decodes to the same picture as before. Never a
// crash, a half-read picture or an allocation sized by a lying header. Run under the
// sanitizers too.

#include <random>
#include <string>

#include "image/picture_io.h"
#include "picture_io_support.h"

namespace {

using namespace picture_test;

using BrokenPictures = WithPictureLibrary;

// Measured with Wine 8: its decoders accept cut and lying files and return a
// partial picture, and its bitmap reader crashes (a page fault) on a bitmap whose
// image-size field exceeds the file. The real library is not theirs to stand for.
#define WINE_LAX "it accepts broken files, and crashes on some bitmaps"

struct Sample {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// Small pictures of every kind: our encoders' and the other program's.
std::vector<Sample> samples() {
  std::vector<Sample> all;
  const PictureData opaque = rampPicture(16, 8, false), alpha = rampPicture(16, 8, true);
  const char* names[] = {"ours.bmp", "ours.jpg", "ours.gif", "ours.tif", "ours.png"};
  for (int format : {Bmp, Jpeg, Gif, Tiff, Png}) {
    all.push_back({names[format], encodedBytes(opaque, format)});
    all.push_back({std::string("alpha_") + names[format], encodedBytes(alpha, format)});
  }
  for (const char* name :
       {"rgb.png", "interlaced.png", "palette.png", "alpha.png", "rgb.gif", "interlaced.gif",
        "transparent.gif", "rgb.jpg", "progressive.jpg", "rgb24.bmp", "palette8.bmp", "alpha32.bmp",
        "rgb.tif", "alpha.tif", "palette.tif", "tiled.tif", "planar.tif"}) {
    all.push_back({name, readFile(dataPath(name))});
  }
  for (const Sample& s : all) EXPECT_FALSE(s.bytes.empty()) << s.name;
  return all;
}

// Decodes and checks the outcome is one of the two allowed ones.
int decodeChecked(const std::vector<std::uint8_t>& bytes, PictureData& picture) {
  picture.width = 99;  // stale contents must not survive a failure
  picture.pixels.assign(5, 1);
  const int ok = platform.decodePicture(bytes.data(), bytes.size(), picture);
  if (!ok) {
    EXPECT_EQ(picture.width, 0);
    EXPECT_TRUE(picture.pixels.empty());
  } else {
    EXPECT_GE(picture.width, 1);
    EXPECT_GE(picture.height, 1);
    EXPECT_LE(static_cast<long long>(picture.width) * picture.height, picturePixelLimit);
    EXPECT_EQ(picture.pixels.size(), static_cast<std::size_t>(picture.width) * picture.height);
  }
  return ok;
}

TEST_F(BrokenPictures, TruncatedAnywhereFailsOrLosesNothing) {
  SKIP_ON_WINDOWS(WINE_LAX);
  for (const Sample& s : samples()) {
    PictureData whole, cut;
    ASSERT_EQ(decodeChecked(s.bytes, whole), 1) << s.name;
    int failures = 0;
    for (std::size_t length = 0; length < s.bytes.size(); ++length) {
      const std::vector<std::uint8_t> head(s.bytes.begin(), s.bytes.begin() + length);
      if (!decodeChecked(head, cut)) {
        ++failures;
        continue;
      }
      ASSERT_EQ(cut.pixels, whole.pixels) << s.name << " cut to " << length << " bytes";
    }
    // Cutting into the pixel data must fail: at least the second half of the file
    // minus a trailer of a few bytes.
    EXPECT_GE(failures, static_cast<int>(s.bytes.size() / 2)) << s.name;
  }
}

TEST_F(BrokenPictures, CorruptBytesNeverCrash) {
  SKIP_ON_WINDOWS(WINE_LAX);
  int test = 0;
  for (const Sample& s : samples()) {
    for (int round = 0; round < 150; ++round, ++test) {
      std::mt19937 random(static_cast<std::uint32_t>(test));
      std::vector<std::uint8_t> bytes = s.bytes;
      const int changes = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < changes; ++i) {
        bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
      }
      PictureData picture;
      SCOPED_TRACE(s.name + " seed " + std::to_string(test));
      decodeChecked(bytes, picture);
    }
  }
}

// ---- headers that lie ------------------------------------------------------------------

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void putBig32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}
void putLittle(std::uint8_t* p, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putBig16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

void expectNotFound(const std::vector<std::uint8_t>& bytes, const std::string& what) {
  PictureData picture;
  EXPECT_EQ(decodeChecked(bytes, picture), 0) << what;
}

// The image header chunk follows the 8-byte signature: length, "IHDR", width, height.
TEST_F(BrokenPictures, PngSizesOutOfRangeAreRefused) {
  const std::vector<std::uint8_t> good = encodedBytes(rampPicture(16, 8, false), Png);
  for (auto [w, h] : {std::pair{0u, 8u},
                      {16u, 0u},
                      {20000u, 1u},
                      {16384u, 16384u},
                      {0x7FFFFFFFu, 0x7FFFFFFFu},
                      {0xFFFFFFFFu, 1u}}) {
    std::vector<std::uint8_t> bytes = good;
    putBig32(&bytes[16], w);
    putBig32(&bytes[20], h);
    putBig32(&bytes[29], crc32(&bytes[12], 17));  // a valid chunk, so the size is what fails
    expectNotFound(bytes, "png " + std::to_string(w) + "x" + std::to_string(h));
  }
}

TEST_F(BrokenPictures, BmpHeadersThatLieAreRefused) {
  SKIP_ON_WINDOWS(WINE_LAX);
  const std::vector<std::uint8_t> good = encodedBytes(rampPicture(16, 8, false), Bmp);
  const std::vector<std::uint8_t> palette = readFile(dataPath("palette8.bmp"));
  struct Patch {
    const std::vector<std::uint8_t>* base;
    std::size_t offset;
    std::uint32_t value;
    int bytes;
    const char* what;
  };
  const Patch patches[] = {
      {&good, 18, 0, 4, "width 0"},
      {&good, 22, 0, 4, "height 0"},
      {&good, 18, 0x7FFFFFFF, 4, "huge width"},
      {&good, 22, 0x80000000u, 4, "most negative height"},
      {&good, 18, 20000, 4, "width past the limit"},
      {&good, 18, 17, 4, "rows longer than the data"},
      {&good, 26, 2, 2, "two planes"},
      {&good, 28, 7, 2, "seven bits a pixel"},
      {&good, 14, 99, 4, "unknown header size"},
      {&good, 14, 0xFFFFFFFFu, 4, "header larger than the file"},
      {&good, 30, 4, 4, "embedded JPEG"},
      {&good, 30, 3, 4, "bit masks for 24 bits"},
      {&palette, 46, 0xFFFFFFFFu, 4, "palette of 4 G entries"},
      {&palette, 22, 0xFFFFFFF8u, 4, "run-length picture top-down"},
  };
  for (const Patch& p : patches) {
    std::vector<std::uint8_t> bytes = *p.base;
    putLittle(&bytes[p.offset], p.value, p.bytes);
    expectNotFound(bytes, p.what);
  }
  // The bits' offset may point anywhere: past the end, the picture is refused.
  std::vector<std::uint8_t> bytes = good;
  putLittle(&bytes[10], static_cast<std::uint32_t>(bytes.size()) - 4, 4);
  expectNotFound(bytes, "bits past the end");
}

// Logical screen width and height at bytes 6 and 8; the picture descriptor after
// the colour table and any extensions.
TEST_F(BrokenPictures, GifSizesOutOfRangeAreRefused) {
  SKIP_ON_WINDOWS(WINE_LAX);
  const std::vector<std::uint8_t> good = encodedBytes(rampPicture(16, 8, false), Gif);
  std::vector<std::uint8_t> bytes = good;
  putLittle(&bytes[6], 0xFFFF, 2);
  putLittle(&bytes[8], 0xFFFF, 2);
  expectNotFound(bytes, "gif screen 65535 x 65535");

  const std::size_t table = 3u << ((good[10] & 7) + 1);
  std::size_t descriptor = 13 + table;
  while (good[descriptor] == 0x21) {  // skip extensions
    std::size_t i = descriptor + 2;
    while (good[i]) i += good[i] + 1;
    descriptor = i + 1;
  }
  ASSERT_EQ(good[descriptor], 0x2C);
  bytes = good;
  putLittle(&bytes[descriptor + 5], 0, 2);
  expectNotFound(bytes, "gif picture 0 wide");
  bytes = good;
  putLittle(&bytes[descriptor + 1], 16, 2);
  expectNotFound(bytes, "gif picture beside the screen");
  bytes = good;
  putLittle(&bytes[6], 0, 2);
  putLittle(&bytes[8], 0, 2);
  putLittle(&bytes[descriptor + 5], 0xFFFF, 2);
  putLittle(&bytes[descriptor + 7], 0xFFFF, 2);
  expectNotFound(bytes, "gif empty screen, huge picture");
}

TEST_F(BrokenPictures, JpegSizesOutOfRangeAreRefused) {
  const std::vector<std::uint8_t> good = encodedBytes(rampPicture(16, 8, false), Jpeg);
  std::size_t frame = 2;
  while (frame + 4 < good.size() && !(good[frame] == 0xFF && good[frame + 1] == 0xC0)) {
    frame += 2 + (good[frame + 2] << 8 | good[frame + 3]);
  }
  ASSERT_LT(frame + 9, good.size());
  for (auto [w, h] : {std::pair{0u, 8u}, {16u, 0u}, {0xFFFFu, 0xFFFFu}, {20000u, 8u}}) {
    std::vector<std::uint8_t> bytes = good;
    putBig16(&bytes[frame + 5], h);
    putBig16(&bytes[frame + 7], w);
    expectNotFound(bytes, "jpeg " + std::to_string(w) + "x" + std::to_string(h));
  }
}

// Finds a tag of the first directory of a little-endian TIFF; the offset of its value.
std::size_t tiffTagValue(const std::vector<std::uint8_t>& bytes, std::uint16_t tag) {
  const std::size_t directory = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | bytes[7] << 24;
  const std::size_t count = bytes[directory] | bytes[directory + 1] << 8;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = directory + 2 + 12 * i;
    if ((bytes[entry] | bytes[entry + 1] << 8) == tag) return entry + 8;
  }
  return 0;
}

TEST_F(BrokenPictures, TiffSizesOutOfRangeAreRefused) {
  for (const std::vector<std::uint8_t>& good :
       {encodedBytes(rampPicture(16, 8, false), Tiff), readFile(dataPath("palette.tif"))}) {
    const std::size_t width = tiffTagValue(good, 256), height = tiffTagValue(good, 257);
    ASSERT_NE(width, 0u);
    ASSERT_NE(height, 0u);
    for (auto [w, h] : {std::pair{0u, 8u}, {16u, 0u}, {0xFFFFu, 0xFFFFu}, {20000u, 8u}}) {
      std::vector<std::uint8_t> bytes = good;
      putLittle(&bytes[width], w, 2);  // short or long: the low half is enough below 65536
      putLittle(&bytes[height], h, 2);
      expectNotFound(bytes, "tiff " + std::to_string(w) + "x" + std::to_string(h));
    }
  }
}

TEST_F(BrokenPictures, NoPictureAtAllIsNotFound) {
  expectNotFound({}, "nothing");
  expectNotFound({'B', 'M'}, "a signature alone");
  expectNotFound({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0}, "a gif screen alone");
  expectNotFound(std::vector<std::uint8_t>(64, 0), "zeros");
  expectNotFound({'h', 'e', 'l', 'l', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}, "text");
  PictureData picture;
  EXPECT_EQ(platform.decodePicture(nullptr, 100, picture), 0);
}

// Through the module: a broken file on disk is a name that is not found.
TEST_F(BrokenPictures, BrokenFileLeavesTheSlotEmpty) {
  resetPictureIo();
  std::vector<std::uint8_t> bytes = encodedBytes(rampPicture(16, 8, false), Png);
  bytes.resize(bytes.size() / 2);
  const std::string path = tempName("half.png"), empty = tempName("empty.png");
  ASSERT_TRUE(writeFile(path, bytes));
  ASSERT_TRUE(writeFile(empty, {}));
  PictureData pixels;
  EXPECT_EQ(LoadPicturePixels(wide(path).c_str(), -1, 0, pixels), 0);
  EXPECT_EQ(LoadPicturePixels(wide(empty).c_str(), -1, 0, pixels), 0);
  EXPECT_EQ(pictureSlot.picture.width, 0);
  EXPECT_EQ(gdiplusUsers, 0);
  std::remove(path.c_str());
  std::remove(empty.c_str());
}

}  // namespace
