// The mouse menu: row layout, zone bounds, hovering, dim rows, and the forced key
// events that Press and Release send through the key locks.

#include "image/mouse_menu.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_pictures.h"
#include "image/picture_io.h"
#include "input/input_state.h"
#include "sprite_fixture.h"
#include "surface/saved_rects.h"

namespace {

using fake_pictures::solid;

constexpr Color background = 0xFF000000u;
constexpr Color barColour = 0xFF101010u;
constexpr Color litBar = 0xFF606060u;  // + 0x505050 added
constexpr Color dimBar = 0xFF040404u;  // 0x10 * 0x46 >> 8
constexpr Color rowColour = 0xFF202020u;
constexpr Color dimRow = 0xFF0F0F0Fu;  // 0x20 * 0x7F >> 8

int disabled(IMouseSPR&) { return 0; }

std::vector<int> clicks;
void recordClick(int x, int top, int bottom, int side) { clicks = {x, top, bottom, side}; }

struct MouseMenu : SpriteTest {
  std::unique_ptr<IMouseSPR> menu;
  MouseMenu() {
    view.make(200, 100, background);
    fake_pictures::install({{L"Bar3", solid(60, 12, barColour)},
                            {L"Bar2", solid(60, 12, barColour)},
                            {L"Bar1", solid(60, 12, barColour)},
                            {L"Row", solid(20, 12, rowColour)},
                            {L"Short", solid(10, 12, rowColour)}});
    menu = std::make_unique<IMouseSPR>(L"Bar3", L"Bar2", L"Bar1", nullptr);
    // Rows at y 5, separator 21, 24, 40 (disabled), 56: block (10, 5)-(95, 67).
    menu->AddValueItem(L"Row", 0x25, 0x20, 0x27, nullptr, -1);
    menu->AddSeparator(-1);
    menu->AddValueItem(L"Short", 0x25, 0, 0x27, nullptr, 2);  // two zones
    menu->AddItem(L"Row", 0x41, disabled, -1);
    menu->AddItem(L"Row", 0x42, nullptr, -1);
    menu->Place(10, 5, 1);
  }
  ~MouseMenu() override { menu.reset(); }
  void hoverAt(int x, int y) {
    mouseMove(x, y);
    menu->Draw();
  }
};

}  // namespace

TEST_F(MouseMenu, PlacesRowsAndZonesOfASixtyPixelBar) {
  const IMouseSPR& m = *menu;
  EXPECT_EQ(m.rowHeight, 12);
  EXPECT_EQ(m.textColumnWidth, 26);
  EXPECT_EQ(m.blockWidth, 86);
  EXPECT_EQ(m.blockHeight, 63);  // 12 + (4 + 1) + (2 + 12) + (4 + 12) + (4 + 12)
  EXPECT_EQ(m.y1, 67);
  const int rowY[] = {5, 21, 24, 40, 56};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(m.rows[i].y, rowY[i]) << i;
  // Arrows of 12 at each end; k = (60 - 36) / 2 = 12, so the middle runs 24 in.
  EXPECT_EQ(m.barX0, 36);
  EXPECT_EQ(m.barX1, 95);
  EXPECT_EQ(m.leftX1, 47);
  EXPECT_EQ(m.rightX0, 84);
  EXPECT_EQ(m.middleX0, 36 + 24);
  EXPECT_EQ(m.middleX1, 95 - 24);
  EXPECT_EQ(m.rows[0].bright->x0, 10);  // right-aligned in the text column
  EXPECT_EQ(m.rows[2].bright->x0, 20);
  EXPECT_TRUE(sandbox.platformFake.boxTexts.empty());
}

TEST_F(MouseMenu, HoverLightsTheZoneUnderTheMouse) {
  const struct {
    int x, y;
    int hover;            // 0x99: kept from before
    int row, lit0, lit1;  // lit columns on that row's top line; lit0 > lit1: none
  } cases[] = {
      {36, 8, 0x25, 5, 36, 47},   {60, 8, 0x25, 5, 36, 47},  // up to mx0: left
      {61, 8, 0x20, 5, 60, 71},   {71, 8, 0x20, 5, 60, 71}, {72, 8, 0x27, 5, 84, 95},
      {95, 16, 0x27, 5, 84, 95},  {61, 30, 0x99, 24, 1, 0},  // two zones: no middle
      {71, 30, 0x27, 24, 84, 95}, {50, 45, 0, 40, 1, 0},     // disabled: nobody's id
      {50, 60, 0x42, 56, 36, 95},                            // simple row: the whole bar
      {50, 21, 0, 21, 1, 0},                                 // the separator
      {35, 8, 0, 5, 1, 0},        {50, 70, 0, 5, 1, 0},      // off the bar area: none
  };
  for (const auto& c : cases) {
    view.make(200, 100, background);
    menu->hoverId = 0x99;
    hoverAt(c.x, c.y);
    EXPECT_EQ(menu->hoverId, c.hover) << c.x << "," << c.y;
    if (c.row == 21) continue;
    const Color plain = c.row == 40 ? dimBar : barColour;
    for (int x = 36; x <= 95; ++x) {
      const bool lit = x >= c.lit0 && x <= c.lit1;
      ASSERT_EQ(view.at(x, c.row), lit ? litBar : plain) << c.x << "," << c.y << " at " << x;
    }
  }
  hoverAt(36, 8);
  EXPECT_EQ(std::vector<int>(menu->hoverAnchor, menu->hoverAnchor + 4),
            (std::vector<int>{9, 5, 16, -1}));
  // The disabled row is dim, the others bright; the separator dots every second pixel
  // of the block, 10 to 95.
  EXPECT_EQ(view.at(10, 40), dimRow);
  EXPECT_EQ(view.at(10, 56), rowColour);
  for (int x = 8; x <= 99; ++x) {
    const bool dot = x >= 10 && x <= 95 && x % 2 == 0;
    ASSERT_EQ(view.at(x, 21), dot ? 0xFF282828u : background) << x;
  }
}

TEST_F(MouseMenu, PressAndReleaseForceTheHoveredKey) {
  menu->clickHook = recordClick;
  input.keyLocked[0x25] = 1;
  hoverAt(36, 8);
  keyDown(0x25, 0);  // the keyboard cannot press a locked key
  EXPECT_EQ(input.keyHeld[0x25], 0);
  clicks.clear();
  menu->Press();
  EXPECT_EQ(menu->suspended, 1);
  EXPECT_EQ(input.onScreenKeyUp, 0);
  EXPECT_EQ(input.keyHeld[0x25], 1);
  EXPECT_EQ(input.forcedCount, -1);
  EXPECT_EQ(clicks, (std::vector<int>{9, 5, 16, -1}));
  // Suspended: the mouse moves to another zone, nothing lights, the id stays.
  view.make(200, 100, background);
  hoverAt(72, 8);
  EXPECT_EQ(menu->hoverId, 0x25);
  EXPECT_EQ(view.at(84, 5), barColour);
  EXPECT_EQ(view.at(36, 5), barColour);
  menu->Release();
  EXPECT_EQ(menu->suspended, 0);
  EXPECT_EQ(input.keyReleased[0x25], 1);
  EXPECT_EQ(input.keyHeld[0x25], 0);
  EXPECT_EQ(input.forcedCount, 0);
  EXPECT_EQ(input.onScreenKeyUp, 1);
  EXPECT_EQ(menu->hoverId, 0);

  // An unlocked key goes through as an ordinary key event; ids past 255 wrap like
  // key codes, and a press over nothing sends nothing.
  resetInput();
  const int wide = menu->AddItem(L"Row", 0x141, nullptr, -1);
  menu->Place(10, 5, 1);
  const struct {
    int x, y, key, locked, forced;
  } keys[] = {{50, 60, 0x42, 0, 0}, {50, 76, 0x41, 1, -1}, {150, 90, 0, 0, 0}};
  for (const auto& k : keys) {
    input.keyLocked[0x41] = k.locked;
    hoverAt(k.x, k.y);
    menu->Press();
    EXPECT_EQ(input.forcedCount, k.forced) << k.key;
    EXPECT_EQ(input.keyHeld[k.key], k.key ? 1 : 0) << k.key;
    menu->Release();
    EXPECT_EQ(input.forcedCount, 0);
    EXPECT_EQ(input.keyReleased[k.key], k.key ? 1 : 0) << k.key;
  }
  EXPECT_EQ(menu->rows[wide].y, 72);
}

// The mouse comes in window coordinates; the view lies at (20, 10) in the window.
// The menu is placed from the left or, as the demo does, from the right edge of the
// view, and its hover anchor points to the left or the right side of the block.
TEST_F(MouseMenu, HitTestingFollowsTheViewAndTheAnchorSide) {
  view.make(240, 130, background);
  setView(20, 10, 219, 109, 0, 1);  // 200 x 100
  menu->clickHook = recordClick;
  const struct {
    int flags, side;
    int x, y;  // the mouse in the window
    int hover;
    std::vector<int> anchor;  // given to the click hook; {777}: no row set it
  } cases[] = {
      // From the left: block (10, 5)-(95, 67), bar 36..95, as before but moved.
      {1, -1, 20 + 36, 10 + 8, 0x25, {9, 5, 16, -1}},
      {1, 0, 20 + 95, 10 + 60, 0x42, {96, 56, 67, 0}},
      {1, -1, 36, 8, 0, {777}},            // the view's own coordinates: off the menu
      {1, -1, 20 + 35, 10 + 8, 0, {777}},  // one left of the bar
      // From the right edge: left = 200 - 10 - 86 = 104, block (104, 5)-(189, 67),
      // bar 130..189, middle zone 154..165.
      {0x11, -1, 20 + 130, 10 + 5, 0x25, {103, 5, 16, -1}},
      {0x11, 1, 20 + 160, 10 + 16, 0x20, {190, 5, 16, 1}},
      {0x11, 1, 20 + 189, 10 + 67, 0x42, {190, 56, 67, 1}},
      {0x11, 1, 20 + 190, 10 + 67, 0, {777}},
      {0x11, 1, 20 + 60, 10 + 8, 0, {777}},  // where the left-placed bar was
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << std::hex << c.flags << std::dec << " at " << c.x << "," << c.y);
    menu->Place(10, 5, c.flags);
    menu->hoverAnchor[3] = c.side;
    menu->hoverAnchor[0] = 777;
    hoverAt(c.x, c.y);
    EXPECT_EQ(menu->hoverId, c.hover);
    clicks.clear();
    menu->Press();
    EXPECT_EQ(input.keyHeld[c.hover & 0xFF], c.hover ? 1 : 0);
    ASSERT_EQ(clicks.size(), 4u);
    clicks.resize(c.anchor.size());
    EXPECT_EQ(clicks, c.anchor);
    menu->Release();
    resetInput();
  }
}

// Hover "Exit", move off the menu and click before a frame is drawn: nothing fires.
TEST_F(MouseMenu, APressOffTheBarAreaSendsNoKey) {
  hoverAt(50, 60);
  ASSERT_EQ(menu->hoverId, 0x42);
  mouseMove(150, 90);
  menu->Press();
  EXPECT_EQ(input.keyHeld[0x42], 0);
  menu->Release();
  EXPECT_EQ(input.keyReleased[0x42], 0);
}

TEST_F(MouseMenu, FullTablesAndMissingTextsAreRefused) {
  EXPECT_EQ(menu->AddItem(nullptr, 1, nullptr, -1), -1);
  EXPECT_EQ(menu->AddValueItem(nullptr, 1, 2, 3, nullptr, -1), -1);
  while (menu->count < widgetListLimit) ASSERT_GE(menu->AddSeparator(0), 0);
  EXPECT_EQ(menu->AddSeparator(0), -1);
  EXPECT_EQ(menu->AddItem(L"Row", 1, nullptr, 0), -1);
  menu->Place(10, 5, 1);
  hoverAt(50, 99);
  menu->Free();
  EXPECT_EQ(menu->count, 0);
  menu->Place(10, 5, 1);  // without bars or rows: an empty block, nothing drawn
  menu->Draw();
  EXPECT_EQ(menu->blockHeight, 0);
}

TEST_F(MouseMenu, TextRowsAreRenderedBrightAndDimAndTheViewPutBack) {
  // A font of 4 x 2 cells, every glyph white with an advance of 3.
  PictureData glyphs = solid(4, 2 * 256, 0xFFFFFFFF);
  for (int c = 0; c < 256; ++c) glyphs.pixels[static_cast<std::size_t>(c) * 8 + 3] = 0xFFFF00FF;
  fake_pictures::install({{L"Bar3", solid(60, 12, barColour)},
                          {L"Bar2", solid(60, 12, barColour)},
                          {L"Bar1", solid(60, 12, barColour)},
                          {L"Font", glyphs}});
  initSavedRects();
  view.pattern();
  const Color before = view.at(5, 1);
  IMouseSPR texts(L"Bar3", L"Bar2", L"Bar1", L"Font");
  ASSERT_EQ(texts.AddItem(L"ab", 0x41, nullptr, -1), 0);
  const MenuRow& row = texts.rows[0];
  ASSERT_TRUE(row.bright && row.dim);
  EXPECT_EQ(row.bright->width, 7);  // 3 + 1 + 3
  EXPECT_EQ(row.bright->height, 2);
  EXPECT_EQ(row.bright->GetPixel(6, 1), 0xFFFFFFFFu);
  EXPECT_EQ(row.dim->GetPixel(6, 1), 0xFF636363u);  // 255 * 100 >> 8
  EXPECT_EQ(view.at(5, 1), before);
  EXPECT_EQ(savedRects.depth, 0);
  freeSavedRects();
}
