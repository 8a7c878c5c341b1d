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
  // The hint line, placed at (405, 506)-(619, 530): 108 x 13 dots of size 1 at a
  // pitch of 2, the first centred at trunc(405 + 0.5 + 0.501) = 406, 507. A dot of
  // radius 0.5 is one pixel of coverage trunc(0.5 x 510) = 255, drawn in copy mode
  // as the Alpha formula with that weight over the cleared 0: white tinted to
  // 255 x 170 >> 8 = 169 gives 169 x 255 >> 8 = 168, alpha 255 x 255 >> 8 = 254.
  for (int y = 500; y < 540; ++y) {
    for (int x = 395; x < 630; ++x) {
      const bool dot = x >= 406 && x <= 406 + 2 * 107 && (x - 406) % 2 == 0 && y >= 507 &&
                       y <= 507 + 2 * 12 && (y - 507) % 2 == 0;
      ASSERT_EQ(view.at(x, y), dot ? 0xFEA8A8A8u : 0u) << x << "," << y;
    }
  }
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
