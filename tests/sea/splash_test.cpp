// The splash and the preview painters, with pictures of the test's own: where each
// picture lands, the tint and dots of the hint line, the clear colour afterwards,
// and the preview's centring in hosts larger and smaller than its picture.

#include "sea/splash.h"

#include <gtest/gtest.h>

#include "fake_pictures.h"
#include "fake_platform.h"
#include "image/base_spr.h"
#include "image/picture_io.h"
#include "shell/shell.h"
#include "test_view.h"

namespace {

using fake_pictures::solid;

constexpr Color loadColour = 0xFF204060, infoColour = 0xFF608020;

struct Splash : ::testing::Test {
  ShellSandbox sandbox;
  TestView view;
  Splash() {
    resetPictureIo();
    resetPendingLoad();
    fake_pictures::install({{L"LoadScr", solid(655, 214, loadColour)},
                            {L"InfoScr", solid(152, 13, infoColour)},
                            {L"UrlScr", solid(108, 13, 0xFFFFFFFF)},
                            {L"PreviewScr", solid(152, 112, 0xFF3060A0)}});
  }
  ~Splash() override {
    resetPictureIo();
    resetPendingLoad();
  }
};

}  // namespace

TEST_F(Splash, PicturesLandWhereThePlacementRulesPutThem) {
  view.make(1024, 768, 0xFF123456u);
  backBuffer.clearColour = 0xFF000000;
  seaSplashPainter();
  EXPECT_EQ(backBuffer.clearColour, 0xFF000000u);
  EXPECT_EQ(pendingLoad.tint, 0xFFFFFFFFu);  // the hint line took the tint
  EXPECT_TRUE(sandbox.platformFake.boxTexts.empty());
  // Corners of (185, 277)-(839, 490) and (436, 743)-(587, 755), and just outside.
  const struct {
    int x, y;
    Color colour;
  } points[] = {
      {185, 277, loadColour}, {839, 490, loadColour}, {184, 277, 0},
      {839, 491, 0},          {436, 743, infoColour}, {587, 755, infoColour},
      {588, 755, 0},          {436, 742, 0},          {0, 0, 0},
      {1023, 767, 0},         {512, 384, loadColour},
  };
  for (const auto& p : points) EXPECT_EQ(view.at(p.x, p.y), p.colour) << p.x << "," << p.y;
  // The hint line, placed at (405, 506)-(619, 530): white tinted to 169 grey in
  // 1-pixel dots at a 2-pixel pitch, the first centred one pixel in, at (406, 507).
  int lit = 0;
  for (int y = 500; y < 540; ++y) {
    for (int x = 395; x < 630; ++x) {
      const Color c = view.at(x, y);
      if (c == 0) continue;
      ++lit;
      EXPECT_TRUE(x >= 405 && x <= 621 && y >= 506 && y <= 532) << x << "," << y;
      EXPECT_LE(c & 0xFF, 0xA9u);
      EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);  // grey: the tint is the same on each channel
    }
  }
  // A dot's centre pixel is nearly covered: 169 less the disc's edge weighting.
  for (const Color c : {view.at(406, 507), view.at(406 + 2 * 107, 507 + 2 * 12)}) {
    EXPECT_GE(c & 0xFF, 0xA0u);
    EXPECT_LE(c & 0xFF, 0xA9u);
  }
  EXPECT_EQ(view.at(407, 507), 0u);  // the gap between dots
  EXPECT_GE(lit, 108 * 13);
}

TEST_F(Splash, NarrowViewsClipTheLargePicture) {
  view.make(400, 300);
  seaSplashPainter();
  // 200 - 327 = -127: "LoadScr" starts left of the view and ends right of it.
  EXPECT_EQ(view.at(0, 150), loadColour);
  EXPECT_EQ(view.at(399, 150), loadColour);
}

TEST_F(Splash, PreviewIsCentredByItsFixedSize) {
  const struct {
    int width, height, x, y;
  } hosts[] = {{152, 112, 0, 0}, {100, 80, -26, -16}, {300, 200, 74, 44}, {153, 113, 0, 0}};
  for (const auto& h : hosts) {
    int x, y;
    previewOrigin(h.width, h.height, x, y);
    EXPECT_EQ(x, h.x) << h.width;
    EXPECT_EQ(y, h.y) << h.height;
    sandbox.platformFake.calls.clear();
    shell.windowDC = 0xDC;
    shell.previewRect = Rect{0, 0, h.width, h.height};
    seaPreviewPainter();
    const std::vector<std::string> expected = {
        "FillRect 220 0 0 " + std::to_string(h.width) + " " + std::to_string(h.height) + " 4",
        "DrawPicture 220 " + std::to_string(h.x) + " " + std::to_string(h.y) + " 152 112"};
    EXPECT_EQ(sandbox.platformFake.calls, expected);
  }
  EXPECT_EQ(gdiplusUsers, 0);
}
