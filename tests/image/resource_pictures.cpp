// The pictures the program carries for its splash and preview: each is found under
// its name and type, stored in the format and depth the loaders expect, and
// decodes to its fixed size through the platform's decoders. Also the 8-bit bitmap
// writer that stores the small ones.

#include <cwchar>
#include <set>

#include "picture_io_support.h"
#ifndef _WIN32
#include "platform/codecs/codecs.h"
#endif

namespace {

using namespace picture_test;

using ResourcePictures = WithPictureLibrary;

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
std::uint32_t littleEndian32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
}

TEST_F(ResourcePictures, EachHasItsFormatSizeAndDepth) {
  const auto* bitmapType = reinterpret_cast<const wchar_t*>(std::uintptr_t{2});
  struct Case {
    const wchar_t* name;
    bool png;  // else an 8-bit bitmap
    std::uint32_t width, height;
  };
  const Case cases[] = {{L"LoadScr", true, 655, 214},
                        {L"InfoScr", false, 152, 13},
                        {L"UrlScr", false, 108, 13},
                        {L"PreviewScr", false, 152, 112}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::wcslen(c.name)));
    std::size_t size = 0;
    const std::uint8_t* bytes =
        platform.findResource(c.name, c.png ? L"BINARYDATA" : bitmapType, size);
    ASSERT_NE(bytes, nullptr);
    ASSERT_GT(size, 54u);
    if (c.png) {
      // Signature, then the header chunk: size, 8 bits per channel, colour with alpha.
      EXPECT_EQ(bigEndian32(bytes), 0x89504E47u);
      EXPECT_EQ(bigEndian32(bytes + 12), 0x49484452u);  // "IHDR"
      EXPECT_EQ(bigEndian32(bytes + 16), c.width);
      EXPECT_EQ(bigEndian32(bytes + 20), c.height);
      EXPECT_EQ(bytes[24], 8);
      EXPECT_EQ(bytes[25], 6);
    } else {
      // A whole file: "BM", then the info header with 8 bits per pixel, bottom row first.
      EXPECT_EQ(bytes[0], 'B');
      EXPECT_EQ(bytes[1], 'M');
      EXPECT_EQ(littleEndian32(bytes + 18), c.width);
      EXPECT_EQ(littleEndian32(bytes + 22), c.height);
      EXPECT_EQ(bytes[28] | bytes[29] << 8, 8);
    }

    PictureData picture;
    ASSERT_EQ(platform.decodePicture(bytes, size, picture), 1);
    EXPECT_EQ(picture.width, static_cast<int>(c.width));
    EXPECT_EQ(picture.height, static_cast<int>(c.height));
    std::set<std::uint32_t> colours(picture.pixels.begin(), picture.pixels.end());
    EXPECT_GT(colours.size(), 4u) << "a picture holds more than a few flat colours";
#ifndef _WIN32
    // On Windows this call reads the module's own resources, which only the program
    // and the Win32 tests embed.
    if (!c.png) {
      PictureData resource;
      ASSERT_EQ(platform.decodeBitmapResource(c.name, resource), 1);
      EXPECT_EQ(resource.pixels, picture.pixels);
    }
#endif
    if (c.png) {
      // Transparent around the design, opaque inside it, partly covered at its edges:
      // the alpha is not uniform, so the picture blends where it is placed.
      int clear = 0, solid = 0, partial = 0;
      for (std::uint32_t p : picture.pixels) {
        const std::uint32_t a = p >> 24;
        clear += a == 0;
        solid += a == 0xFF;
        partial += a != 0 && a != 0xFF;
      }
      EXPECT_EQ(at(picture, 0, 0) >> 24, 0u);
      EXPECT_GT(clear, 0);
      EXPECT_GT(solid, 0);
      EXPECT_GT(partial, 0);
    }
  }
}

#ifndef _WIN32
// Few colours survive exactly, many are reduced to 256; the bits follow the whole
// palette, so the DIB alone (what a resource compiler keeps) reads the same.
TEST(EightBitBitmaps, KeepFewColoursAndReduceMany) {
  struct Case {
    int width, height;
    bool exact;
  };
  for (const Case& c : {Case{13, 7, true}, Case{61, 40, false}}) {
    PictureData source = makePicture(c.width, c.height);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        // 91 colours in the small case, 2440 in the large one.
        at(source, x, y) = 0xFF000000u | (x * 4) << 16 | (y * 6) << 8 | ((x + y) % 2) * 0xFF;
      }
    }
    const std::string path = tempName("eight_bit.bmp");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(emu::encodeBmp8(source, file));
    std::fclose(file);
    const std::vector<std::uint8_t> bytes = readFile(path);
    std::remove(path.c_str());
    ASSERT_GT(bytes.size(), 14u + 40 + 1024);
    EXPECT_EQ(bytes[28], 8);
    EXPECT_EQ(littleEndian32(bytes.data() + 10), 14u + 40 + 1024);

    PictureData fromFile, fromDib;
    ASSERT_TRUE(emu::decodeBmp(bytes.data(), bytes.size(), fromFile));
    ASSERT_TRUE(emu::decodeDib(bytes.data() + 14, bytes.size() - 14, fromDib));
    EXPECT_EQ(fromDib.pixels, fromFile.pixels);
    ASSERT_EQ(fromFile.width, c.width);
    ASSERT_EQ(fromFile.height, c.height);
    if (c.exact) {
      EXPECT_EQ(fromFile.pixels, source.pixels);
    } else {
      const std::set<std::uint32_t> colours(fromFile.pixels.begin(), fromFile.pixels.end());
      EXPECT_LE(colours.size(), 256u);
      EXPECT_LT(colourDifference(source, fromFile).mean, 6.0);
    }
  }
  PictureData empty;
  std::FILE* sink = std::tmpfile();
  ASSERT_NE(sink, nullptr);
  EXPECT_FALSE(emu::encodeBmp8(empty, sink)) << "nothing to write";
  std::fclose(sink);
}
#endif

}  // namespace
