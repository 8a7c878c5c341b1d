// Keys reach the demo through the input state's notify hook, so a key sent by the
// menu and the same key from the keyboard take one path. The menu is drawn by the
// process thread; the mouse-button hooks on the main thread open it and press it.

#include "demo/demo_scene.h"

#include <memory>

#include "image/color_ramp.h"
#include "image/list_spr.h"
#include "image/mouse_menu.h"
#include "image/number_spr.h"
#include "image/scroll_spr.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "surface/surface.h"
#include "vector/fills.h"

volatile int demoExitRequested = 0;

namespace {

constexpr int keyReset = 'R';
constexpr Color backgroundColour = 0xFF101820;

std::unique_ptr<IMouseSPR> menu;
volatile int menuOpen = 0;
volatile int menuRequested = 0;  // the right button asked for the menu at (menuX, menuY)
volatile int menuX = 0, menuY = 0;
volatile int counter = 0;
volatile int stripStep = 2;
volatile int stepChanged = 0;

void demoKeyUp(int vk) {
  switch (vk) {
    case VK_ESCAPE:
      demoExitRequested = 1;
      break;
    case keyReset:
      counter = 0;
      break;
    case VK_LEFT:
      stripStep = stripStep - 1;
      stepChanged = 1;
      break;
    case VK_RIGHT:
      stripStep = stripStep + 1;
      stepChanged = 1;
      break;
    default:
      break;
  }
}

void openMenu() {
  menuX = input.x;
  menuY = input.y;
  menuRequested = 1;
}

void pressMenu() {
  if (menuOpen) menu->Press();
}

void releaseMenu() {
  if (!menuOpen) return;
  menu->Release();
  menuOpen = 0;
}

int stepAboveZero(IMouseSPR&) { return stripStep > 0; }

// The menu's bar starts at the mouse, its texts to the left of it.
void placeMenuAtMouse() {
  const BackBuffer& b = backBuffer;
  const int barWidth = menu->bars[menuBar1] ? menu->bars[menuBar1]->width : 0;
  menu->Place(b.viewWidth - (menuX - b.viewLeft) - barWidth, menuY - b.viewTop,
              BLEND_COPY + anchorRight);
}

}  // namespace

void registerDemo() {
  demoExitRequested = 0;
  shellConfig.title = L"Brinemere Demo";
  backBuffer.clearColour = 0xFF000000;
  setScreenSize(7777777, 1024);
  userCallbacks.process = demoProcess;
  splashPainter = nullptr;
}

void demoProcess() {
  createBackBuffer();
  platform.bringToTop(shell.mainWindow);
  const BackBuffer& b = backBuffer;

  NumberSPR number(L"DemoDigits", nullptr);
  number.SetDigits(6);
  number.Place(24, 24, BLEND_COPY);
  ListSPR tiles(L"DemoTileA", -1);
  tiles.defaultSpacing = 12;
  tiles.Add(L"DemoTileB", -1);
  tiles.Add(L"DemoTileC", -1);
  tiles.Place(0, 0, BLEND_COPY + anchorCentreX + anchorCentreY + listCentreY);
  ScrollSPR strips(0, 0, b.viewWidth, b.viewHeight, -1, -1, 0);
  strips.Add(L"DemoStrip", 0, stripStep, BLEND_COPY + scrollBottomEdge);
  ColorRamp ramp;
  ramp.Build(0xFF102040, 0xFF60C0F0, 16, 0.0f);

  menu = std::make_unique<IMouseSPR>(L"DemoBar3", L"DemoBar2", L"DemoBar1", L"TYPE_EN_RU");
  menu->AddValueItem(L"Strip speed", VK_LEFT, 0, VK_RIGHT, nullptr, -1);
  menu->AddItem(L"Reset count", keyReset, stepAboveZero, -1);
  menu->AddSeparator(-1);
  menu->AddItem(L"Exit", VK_ESCAPE, nullptr, -1);

  input.keyUpNotify = demoKeyUp;
  userCallbacks.onRightButtonDown = openMenu;
  userCallbacks.onLeftButtonDown = pressMenu;
  userCallbacks.onLeftButtonUp = releaseMenu;

  int frame = 0;
  while (!demoExitRequested) {
    if (!b.pixels) {
      platform.sleep(33);
      continue;
    }
    if (menuRequested && !menuOpen) {
      placeMenuAtMouse();
      menuRequested = 0;
      menuOpen = 1;
    }
    if (stepChanged) {
      strips.strips[0]->scrollStep = stripStep;
      stepChanged = 0;
    }
    fillView(backgroundColour, BLEND_COPY);
    ramp.FillRows(0, b.viewHeight / 3, b.viewMaxX, b.viewHeight * 2 / 3);
    number.Draw(static_cast<unsigned>(counter));
    tiles.Draw(-1);
    strips.Draw(-1);
    if (menuOpen) menu->Draw();
    present();
    if (++frame % 4 == 0) counter = counter + 1;
  }

  userCallbacks.onRightButtonDown = userCallbacks.onLeftButtonDown = nullptr;
  userCallbacks.onLeftButtonUp = nullptr;
  menuOpen = 0;
  menu->Free();
  menu.reset();
  shutdownDrawing();
}
