// The picture codecs behind the platform record: every save type written and read
// back, files of every kind written by another program, and the resample.

#include <cmath>
#include <string>

#include "picture_io_support.h"

namespace {

using namespace picture_test;

using Codecs = WithPictureLibrary;

PictureData saveAndLoad(const PictureData& source, int format, const std::string& name) {
  const std::string path = tempName(name);
  PictureData back;
  EXPECT_EQ(platform.encodePictureFile(source, wide(path).c_str(), format, -1), 1);
  EXPECT_EQ(platform.decodePictureFile(wide(path).c_str(), back), 1);
  std::remove(path.c_str());
  return back;
}

// ---- round trips ------------------------------------------------------------------

// Bitmaps are read as opaque on every target, as the system's library reads them.
TEST_F(Codecs, LosslessFormatsRoundTripExactly) {
  struct Case {
    int format;
    const char* name;
    bool alpha, keepsAlpha;
  };
  const Case cases[] = {{Png, "rt.png", false, true},  {Png, "rta.png", true, true},
                        {Tiff, "rt.tif", false, true}, {Tiff, "rta.tif", true, true},
                        {Bmp, "rt.bmp", false, true},  {Bmp, "rta.bmp", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PictureData source = rampPicture(37, 21, c.alpha);
    const PictureData back = saveAndLoad(source, c.format, c.name);
    EXPECT_EQ(back.width, source.width);
    EXPECT_EQ(back.height, source.height);
    if (c.keepsAlpha) {
      EXPECT_EQ(back.pixels, source.pixels);
      continue;
    }
    ASSERT_EQ(back.pixels.size(), source.pixels.size());
    for (std::size_t i = 0; i < source.pixels.size(); ++i) {
      ASSERT_EQ(back.pixels[i], source.pixels[i] | 0xFF000000u) << "pixel " << i;
    }
  }
}

// 240 distinct colours: every one kept exactly.
PictureData manyColours() {
  PictureData source = makePicture(40, 6);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 40; ++x) {
      at(source, x, y) = 0xFF000000u | ((x * 6) << 16) | ((y * 40) << 8) | ((x + y) % 3 * 100);
    }
  }
  return source;
}

TEST_F(Codecs, GifKeepsUpTo256Colours) {
  const PictureData source = manyColours();
  EXPECT_EQ(saveAndLoad(source, Gif, "rt.gif").pixels, source.pixels);
}

TEST_F(Codecs, GifKeepsOneTransparentColour) {
  SKIP_ON_WINDOWS("its GIF encoder writes no transparent index");
  PictureData source = manyColours();
  at(source, 5, 2) = 0x00000000u;  // fully transparent pixels keep alpha 0
  at(source, 6, 2) = 0x00000000u;
  const PictureData back = saveAndLoad(source, Gif, "rta.gif");
  ASSERT_EQ(back.pixels.size(), source.pixels.size());
  for (std::size_t i = 0; i < source.pixels.size(); ++i) {
    if (source.pixels[i] >> 24) {
      EXPECT_EQ(back.pixels[i], source.pixels[i]) << "pixel " << i;
    } else {
      EXPECT_EQ(back.pixels[i] >> 24, 0u) << "pixel " << i;
    }
  }
}

// Median cut on a picture of 65 536 colours: every colour lands near its palette
// entry. Tolerance: largest channel error 24, mean 4.
TEST_F(Codecs, GifOfManyColoursStaysClose) {
  const PictureData source = smoothPicture(256, 256);
  const PictureData back = saveAndLoad(source, Gif, "many.gif");
  ASSERT_EQ(back.pixels.size(), source.pixels.size());
  const Difference d = colourDifference(source, back);
  EXPECT_LE(d.largest, 24);
  EXPECT_LE(d.mean, 4.0);
}

// JPEG at the encoder's default quality on a smooth picture. Tolerance: largest
// channel error 12, mean 2; alpha comes back 0xFF.
TEST_F(Codecs, JpegStaysCloseAndDropsAlpha) {
  PictureData source = smoothPicture(64, 48);
  for (std::uint32_t& p : source.pixels) p = (p & 0xFFFFFFu) | 0x80000000u;
  const PictureData back = saveAndLoad(source, Jpeg, "rt.jpg");
  ASSERT_EQ(back.pixels.size(), source.pixels.size());
  const Difference d = colourDifference(source, back);
  EXPECT_LE(d.largest, 12);
  EXPECT_LE(d.mean, 2.0);
  for (std::uint32_t p : back.pixels) ASSERT_EQ(p >> 24, 0xFFu);
}

TEST_F(Codecs, JpegQualityChangesTheFile) {
  SKIP_ON_WINDOWS("its JPEG encoder ignores the quality parameter");
  const PictureData source = smoothPicture(64, 48);
  const std::string low = tempName("q10.jpg"), high = tempName("q95.jpg");
  ASSERT_EQ(platform.encodePictureFile(source, wide(low).c_str(), Jpeg, 10), 1);
  ASSERT_EQ(platform.encodePictureFile(source, wide(high).c_str(), Jpeg, 95), 1);
  EXPECT_LT(readFile(low).size(), readFile(high).size());
  std::remove(low.c_str());
  std::remove(high.c_str());
}

// ---- files written by another program (tests/data/pictures/make.sh) ----------------

std::uint32_t patternPixel(int x, int y, bool withAlpha) {
  const std::uint32_t a = !withAlpha ? 255 : x + y == 3 ? 0 : x + y == 7 ? 128 : 255;
  return (a << 24) | ((16 * x + 8) << 16) | ((32 * y + 16) << 8) | (64 * ((x + y) % 4) + 32);
}

// Compares with the pattern; colour is compared only where alpha is not 0.
void expectPattern(const std::string& name, bool withAlpha, int tolerance) {
  SCOPED_TRACE(name);
  PictureData p;
  ASSERT_EQ(platform.decodePictureFile(wide(dataPath(name)).c_str(), p), 1);
  ASSERT_EQ(p.width, 16);
  ASSERT_EQ(p.height, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const std::uint32_t want = patternPixel(x, y, withAlpha), got = at(p, x, y);
      ASSERT_EQ(got >> 24, want >> 24) << "at " << x << "," << y;
      if (!(want >> 24)) continue;
      for (int shift : {0, 8, 16}) {
        ASSERT_LE(channelDifference(got, want, shift), tolerance)
            << "at " << x << "," << y << std::hex << " got " << got << " want " << want;
      }
    }
  }
}

TEST_F(Codecs, DecodesEveryKindOfFile) {
  for (const char* name : {"rgb.png", "interlaced.png", "palette.png", "rgb.gif", "interlaced.gif",
                           "rgb24.bmp", "palette8.bmp", "rgb.tif", "palette.tif", "tiled.tif"}) {
    expectPattern(name, false, 0);
  }
  for (const char* name : {"alpha.png", "alpha.tif"}) expectPattern(name, true, 0);
  expectPattern("alpha32.bmp", false, 0);  // bitmaps are read as opaque
  // JPEG at quality 95 without chroma subsampling on a pattern of hard edges.
  for (const char* name : {"rgb.jpg", "progressive.jpg"}) expectPattern(name, false, 24);
}

TEST_F(Codecs, DecodesPlanarTiff) {
  SKIP_ON_WINDOWS("it reads no TIFF with separate colour planes");
  expectPattern("planar.tif", false, 0);
}

TEST_F(Codecs, DecodesGifTransparency) {
  PictureData p;
  ASSERT_EQ(platform.decodePictureFile(wide(dataPath("transparent.gif")).c_str(), p), 1);
  ASSERT_EQ(p.pixels.size(), 16u * 8u);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      if (x + y == 3) {
        EXPECT_EQ(at(p, x, y) >> 24, 0u);
      } else {
        EXPECT_EQ(at(p, x, y), patternPixel(x, y, false));
      }
    }
  }
}

TEST_F(Codecs, DecodesFromMemoryAsFromFiles) {
  const std::vector<std::uint8_t> bytes = readFile(dataPath("palette8.bmp"));
  PictureData fromMemory, fromFile;
  ASSERT_EQ(platform.decodePicture(bytes.data(), bytes.size(), fromMemory), 1);
  ASSERT_EQ(platform.decodePictureFile(wide(dataPath("palette8.bmp")).c_str(), fromFile), 1);
  EXPECT_EQ(fromMemory.pixels, fromFile.pixels);
}

// ---- saving ----------------------------------------------------------------------------

TEST_F(Codecs, FailedSaveLeavesNoFile) {
  const std::string path = tempName("empty.png");
  EXPECT_EQ(platform.encodePictureFile(PictureData{}, wide(path).c_str(), Png, -1), 0);
  EXPECT_FALSE(fileExists(path));
  PictureData lying = makePicture(4, 4);
  lying.pixels.resize(3);  // fewer pixels than the size claims
  EXPECT_EQ(platform.encodePictureFile(lying, wide(path).c_str(), Png, -1), 0);
  EXPECT_FALSE(fileExists(path));
  for (int format : {Bmp, Jpeg, Gif, Tiff, Png}) {
    EXPECT_EQ(platform.encodePictureFile(rampPicture(4, 4, false), L"/nonexistent-folder/x.png",
                                         format, -1),
              0);
  }
}

TEST_F(Codecs, SaveReplacesAnExistingFile) {
  const std::string path = tempName("replace.png");
  ASSERT_TRUE(writeFile(path, {1, 2, 3}));
  const PictureData source = rampPicture(5, 3, true);
  const PictureData back = saveAndLoad(source, Png, "replace.png");
  EXPECT_EQ(back.pixels, source.pixels);
}

TEST_F(Codecs, EncodersAreFoundByExactMimeType) {
  for (const wchar_t* type :
       {L"image/bmp", L"image/jpeg", L"image/gif", L"image/tiff", L"image/png"}) {
    EXPECT_GE(platform.findEncoder(type), 0) << std::string(type, type + std::wcslen(type));
  }
  EXPECT_EQ(platform.findEncoder(L"image/PNG"), -1);
  EXPECT_EQ(platform.findEncoder(L"image/png "), -1);
  EXPECT_EQ(platform.findEncoder(L"image/webp"), -1);
}

// ---- resample ---------------------------------------------------------------------------

// A flat picture stays flat at any size: weights sum to one and the mirrored edges
// bring in no black from outside.
TEST_F(Codecs, ResampleKeepsFlatColourToTheEdges) {
  PictureData flat = makePicture(10, 7);
  for (std::uint32_t& p : flat.pixels) p = 0xFFC08040u;
  for (auto [w, h] : {std::pair{23, 3}, {3, 2}, {1, 1}, {10, 40}}) {
    PictureData out;
    ASSERT_EQ(platform.resamplePicture(flat, w, h, out), 1);
    ASSERT_EQ(out.width, w);
    ASSERT_EQ(out.height, h);
    for (std::uint32_t p : out.pixels) {
      ASSERT_EQ(p >> 24, 0xFFu);
      for (int shift : {0, 8, 16}) ASSERT_LE(channelDifference(p, 0xFFC08040u, shift), 1);
    }
  }
}

// One white column in four, shrunk four times: every source column counts, so the
// output is about a quarter white throughout, not samples that hit or miss a stripe.
TEST_F(Codecs, ResampleAveragesWhenShrinking) {
  SKIP_ON_WINDOWS("it samples without widening the filter when shrinking");
  PictureData stripes = makePicture(64, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 64; ++x) at(stripes, x, y) = x % 4 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
  }
  PictureData out;
  ASSERT_EQ(platform.resamplePicture(stripes, 16, 2, out), 1);
  double sum = 0;
  for (std::uint32_t p : out.pixels) {
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 64, 40);
    sum += p & 0xFF;
  }
  EXPECT_NEAR(sum / static_cast<double>(out.pixels.size()), 64.0, 6.0);
}

TEST_F(Codecs, ResampleLendsNoColourFromTransparentPixels) {
  PictureData half = makePicture(8, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) at(half, x, y) = x < 4 ? 0x00FF0000u : 0xFF0000FFu;
  }
  PictureData out;
  ASSERT_EQ(platform.resamplePicture(half, 13, 5, out), 1);
  for (std::uint32_t p : out.pixels) {
    if (p >> 24) {
      EXPECT_LE((p >> 16) & 0xFF, 8u) << std::hex << p;
    }
  }
}

TEST_F(Codecs, ResampleRefusesSizesOutOfRange) {
  const PictureData source = rampPicture(4, 4, false);
  PictureData out;
  EXPECT_EQ(platform.resamplePicture(source, 0, 4, out), 0);
  EXPECT_EQ(platform.resamplePicture(source, 4, -1, out), 0);
  EXPECT_EQ(platform.resamplePicture(source, pictureSideLimit + 1, 1, out), 0);
  EXPECT_EQ(platform.resamplePicture(source, 16384, 16384, out), 0);
  EXPECT_EQ(platform.resamplePicture(PictureData{}, 4, 4, out), 0);
  EXPECT_TRUE(out.pixels.empty());
}

}  // namespace
