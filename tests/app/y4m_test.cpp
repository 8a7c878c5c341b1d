// YUV4MPEG2 frames: codes worked out by hand from BT.601 (Kr 0.299, Kb 0.114) in
// studio range, Y = 16 + 219 L / 255, Cb = 128 + 224 (B - L) / (255 * 1.772),
// Cr = 128 + 224 (R - L) / (255 * 1.402), with L = 0.299 R + 0.587 G + 0.114 B.

#include <gtest/gtest.h>

#include "app/y4m.h"

namespace {

TEST(Y4m, ColoursGiveTheBt601StudioCodes) {
  struct Case {
    std::uint32_t argb;
    Yuv expected;
  } cases[] = {
      {0xFFFFFFFF, {235, 128, 128}},  // white: top of the luma range, no chroma
      {0xFF000000, {16, 128, 128}},   // black
      {0x00FF0000, {81, 90, 240}},    // red (81.48, 90.20, 240.00); alpha ignored
      {0xFF00FF00, {145, 54, 34}},    // green (144.55, 53.80, 34.21)
      {0xFF0000FF, {41, 240, 110}},   // blue (40.97, 240.00, 109.79)
      {0xFFEF7B02, {140, 58, 188}},   // the first scheme's sky (139.58, 57.66, 187.59)
  };
  for (const Case& c : cases) {
    const Yuv got = yuvOf(c.argb);
    EXPECT_EQ(got.y, c.expected.y) << std::hex << c.argb;
    EXPECT_EQ(got.cb, c.expected.cb) << std::hex << c.argb;
    EXPECT_EQ(got.cr, c.expected.cr) << std::hex << c.argb;
  }
}

TEST(Y4m, HeaderNamesSizeRateAndChroma) {
  EXPECT_EQ(y4mHeader(1366, 768, 30),
            "YUV4MPEG2 W1366 H768 F30:1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n");
}

// A 3x3 frame: the chroma planes are 2x2, and the edge blocks average only the
// pixels inside the frame.
TEST(Y4m, OddFrameHasRoundedUpChromaOfBlockMeans) {
  const std::uint32_t R = 0xFFFF0000, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;
  const std::uint32_t pixels[9] = {R, R, W,  //
                                   B, B, W,  //
                                   K, W, B};
  std::vector<std::uint8_t> out;
  y4mFrame(pixels, 3, 3, out);
  ASSERT_EQ(out.size(), 6u + 9u + 2u * 4u);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "FRAME\n");
  const std::uint8_t* y = out.data() + 6;
  const std::uint8_t luma[9] = {81, 81, 235, 41, 41, 235, 16, 235, 41};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(y[i], luma[i]) << "pixel " << i;
  const std::uint8_t* cb = y + 9;
  const std::uint8_t* cr = cb + 4;
  // Block (0,0): mean (127.5, 0, 127.5) gives (165.10, 174.89). Blocks (1,0) and
  // (0,1) hold only white and black with white: grey, no chroma. Block (1,1) is blue.
  EXPECT_EQ(cb[0], 165);
  EXPECT_EQ(cr[0], 175);
  EXPECT_EQ(cb[1], 128);
  EXPECT_EQ(cr[1], 128);
  EXPECT_EQ(cb[2], 128);
  EXPECT_EQ(cr[2], 128);
  EXPECT_EQ(cb[3], 240);
  EXPECT_EQ(cr[3], 110);
}

}  // namespace
