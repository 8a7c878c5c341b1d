// The web target's own PNG and GIF decoders give the same pixels as the codec
// libraries of the other targets, on the program's pictures and on broken copies.

// Built where the codec libraries are (not on Windows, which decodes with GDI+):
// tests/CMakeLists.txt adds the decoders and BRINE_RESOURCES there.
#ifdef BRINE_RESOURCES

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/codecs/codecs.h"
#include "platform/web/pictures.h"

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

}  // namespace

TEST(WebPictures, DecodeAsTheCodecLibrariesDo) {
  const std::string folder = BRINE_RESOURCES;
  const char* files[] = {"load_scr.png",   "type_en_ru.gif",  "demo_digits.png",
                         "demo_strip.png", "demo_tile_a.png", "demo_bar1.png"};
  for (const char* name : files) {
    const std::vector<std::uint8_t> bytes = readFile(folder + "/" + name);
    ASSERT_FALSE(bytes.empty()) << name;
    PictureData expected, decoded;
    ASSERT_TRUE(emu::decodeAny(bytes.data(), bytes.size(), expected)) << name;
    const bool png = bytes[0] == 0x89;
    ASSERT_TRUE(png ? web::decodePng(bytes.data(), bytes.size(), decoded)
                    : web::decodeGif(bytes.data(), bytes.size(), decoded))
        << name;
    EXPECT_EQ(decoded.width, expected.width) << name;
    EXPECT_EQ(decoded.height, expected.height) << name;
    EXPECT_TRUE(decoded.pixels == expected.pixels) << name;
    // Every cut and a flipped byte every 7: refused or decoded, never a crash (the
    // sanitizer runs see reads past the end).
    for (std::size_t cut = 0; cut < bytes.size(); cut += 1 + bytes.size() / 97) {
      PictureData p;
      const bool ok =
          png ? web::decodePng(bytes.data(), cut, p) : web::decodeGif(bytes.data(), cut, p);
      EXPECT_EQ(ok, !p.pixels.empty()) << name << " cut at " << cut;
    }
    std::vector<std::uint8_t> broken = bytes;
    for (std::size_t i = 20; i < broken.size(); i += 7) broken[i] ^= 0x5A;
    PictureData p;
    const bool ok = png ? web::decodePng(broken.data(), broken.size(), p)
                        : web::decodeGif(broken.data(), broken.size(), p);
    EXPECT_EQ(ok, !p.pixels.empty()) << name;
  }
}

#endif  // BRINE_RESOURCES
