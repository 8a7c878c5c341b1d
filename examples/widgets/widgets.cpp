// Pictures, the bitmap font and the mouse menu: a checkered tile made from pixels
// in the middle of the view, a line of text above it, and a menu that the right
// button opens at the mouse. Its rows send keys, as the keyboard would: "Swap
// colours" sends Space, "Exit" sends Esc.

#include <memory>
#include <vector>

#include <brinemere/font/font_spr.h>
#include <brinemere/image/base_spr.h>
#include <brinemere/image/mouse_menu.h>
#include <brinemere/input/input_state.h>
#include <brinemere/shell/pacing.h>
#include <brinemere/shell/shell.h>
#include <brinemere/surface/surface.h>
#include <brinemere/vector/fills.h>
#ifdef _WIN32
#include <brinemere/platform/win32/win32.h>
#else
#include <brinemere/platform/sdl/sdl.h>
#endif

namespace {

constexpr Color background = 0xFF101820, gold = 0xFFF0C040, teal = 0xFF208080;
constexpr int tileSize = 96, squareSize = 16;

std::unique_ptr<IMouseSPR> menu;
volatile int menuRequested = 0, menuOpen = 0, menuX = 0, menuY = 0;
volatile int swapRequested = 0, exitRequested = 0;

// Keys from the keyboard and from the menu both arrive here (main thread).
void keyReleased(int vk) {
  if (vk == VK_ESCAPE) exitRequested = 1;
  if (vk == VK_SPACE) swapRequested = 1;
}

// The mouse hooks run on the main thread; the process thread draws the menu.
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

void makeTile(BaseSPR& tile, Color a, Color b) {
  std::vector<Color> pixels(tileSize * tileSize);
  for (int y = 0; y < tileSize; ++y)
    for (int x = 0; x < tileSize; ++x)
      pixels[y * tileSize + x] = (x / squareSize + y / squareSize) % 2 ? b : a;
  tile.FromPixels(pixels.data(), tileSize, tileSize);
  tile.Place(0, 0, BLEND_COPY | anchorCentreX | anchorCentreY);
}

void process() {
  initPacing(30, nullptr);
  createBackBuffer();
  const BackBuffer& view = backBuffer;
  BaseSPR tile;
  makeTile(tile, gold, teal);
  int swapped = 0;
  FontSPR font(L"TYPE_EN_RU", nullptr);
  font.Print(0, 40, BLEND_ADD | anchorCentreX, "Right button: the menu");
  menu = std::make_unique<IMouseSPR>(L"MenuBar3", L"MenuBar2", L"MenuBar1", L"TYPE_EN_RU");
  menu->AddItem(L"Swap colours", VK_SPACE, nullptr, -1);
  menu->AddItem(L"Exit", VK_ESCAPE, nullptr, -1);
  input.keyUpNotify = keyReleased;
  userCallbacks.onRightButtonDown = openMenu;
  userCallbacks.onLeftButtonDown = pressMenu;
  userCallbacks.onLeftButtonUp = releaseMenu;

  while (!exitRequested) {
    if (menuRequested && !menuOpen) {
      // The bar starts at the mouse, the texts to the left of it.
      const int barWidth = menu->bars[menuBar1] ? menu->bars[menuBar1]->width : 0;
      menu->Place(view.viewWidth - menuX - barWidth, menuY, BLEND_COPY | anchorRight);
      menuRequested = 0;
      menuOpen = 1;
    }
    if (swapRequested) {
      swapped = !swapped;
      makeTile(tile, swapped ? teal : gold, swapped ? gold : teal);
      swapRequested = 0;
    }
    fillView(background, BLEND_COPY);
    tile.Draw(-1);
    font.Draw();
    if (menuOpen) menu->Draw();
    present();
  }

  userCallbacks.onRightButtonDown = userCallbacks.onLeftButtonDown = nullptr;
  userCallbacks.onLeftButtonUp = nullptr;
  menuOpen = 0;
  menu->Free();
  menu.reset();
  shutdownDrawing();
}

void registerWidgets() {
  shellConfig.title = L"Widgets example";
  setScreenSize(7777777, 1024);
  userCallbacks.process = process;
}

}  // namespace

#ifdef _WIN32
extern "C" int __stdcall wWinMain(void* instance, void*, wchar_t*, int showCommand) {
  win32::install();
  return runApplication(registerWidgets, reinterpret_cast<Handle>(instance), showCommand);
}
#else
int main(int argc, char** argv) {
  if (!sdl::start(argc, argv)) return 1;
  const int code = runApplication(registerWidgets, 0, SW_SHOWNORMAL);
  sdl::stop();
  return code;
}
#endif
