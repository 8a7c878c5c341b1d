// Keys reach the demo through the input state's notify hook, so a key sent by the
// menu and the same key from the keyboard take one path. The menu is drawn by the
// process thread; the mouse-button hooks on the main thread open it and press it.
// Copying and saving the frame are asked for on the main thread and done by the
// process thread between frames, so they never read a half-drawn picture.

#include "demo/demo_scene.h"

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

#include "font/font_spr.h"
#include "image/color_ramp.h"
#include "image/list_spr.h"
#include "image/mouse_menu.h"
#include "image/number_spr.h"
#include "image/picture_io.h"
#include "image/scroll_spr.h"
#include "input/input_state.h"
#include "io/io.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "surface/surface.h"
#include "vector/fills.h"

volatile int demoExitRequested = 0;
int demoRemembersState = 1;

namespace {

constexpr int keyReset = 'R';
constexpr int keyColours = VK_SPACE;
constexpr Color backgroundColour = 0xFF101820;
constexpr int stripStepLimit = 16;  // either way

// The ramp's colour schemes, top colour and bottom colour.
constexpr Color schemes[][2] = {
    {0xFF102040, 0xFF60C0F0},  // sea
    {0xFF301018, 0xFFF0A050},  // dusk
    {0xFF082010, 0xFF80E090},  // weed
};
constexpr int schemeCount = static_cast<int>(sizeof schemes / sizeof schemes[0]);

// The remembered state: this mark first, then step, scheme and count. A file that
// does not start with the mark, or holds a value out of range, is not ours.
constexpr int settingsMark = 1;
constexpr int defaultStripStep = 2;
constexpr int countLimit = 1000000;  // the six digits shown; the count wraps there

std::unique_ptr<IMouseSPR> menu;
volatile int menuOpen = 0;
volatile int menuRequested = 0;  // the right button asked for the menu at (menuX, menuY)
volatile int menuX = 0, menuY = 0;
volatile int counter = 0;
volatile int stripStep = defaultStripStep;
volatile int stepChanged = 0;
volatile int scheme = 0;
volatile int schemeChanged = 0;
volatile int copyRequested = 0;
volatile int saveRequested = 0;
volatile int escapePressed = 0;
volatile int stateLoaded = 0;  // a run closed before the state was read keeps the file

// Where the last frame was saved, shown for a few seconds at the bottom left.
constexpr std::uint32_t noteMilliseconds = 4000;
std::unique_ptr<FontSPR> noteFont;
std::string noteText;
std::uint32_t noteShownAt = 0;

void demoKeyUp(int vk) {
  switch (vk) {
    case VK_ESCAPE:
      if (escapePressed) demoExitRequested = 1;
      break;
    case keyReset:
      counter = 0;
      break;
    case VK_LEFT:
      if (stripStep > -stripStepLimit) stripStep = stripStep - 1;
      stepChanged = 1;
      break;
    case VK_RIGHT:
      if (stripStep < stripStepLimit) stripStep = stripStep + 1;
      stepChanged = 1;
      break;
    case keyColours:
      scheme = (scheme + 1) % schemeCount;
      schemeChanged = 1;
      break;
    default:
      break;
  }
}

// Ctrl+C and Ctrl+S act on the press: Ctrl may well be let go before the letter.
// Esc ends the demo only on a release after its press here: the Esc that cancels
// the save dialog goes down in the dialog and comes up in our window.
void demoKeyDown(int vk) {
  if (vk == VK_ESCAPE) escapePressed = 1;
  if (!input.keyHeld[VK_CONTROL]) return;
  if (vk == 'C') copyRequested = 1;
  if (vk == 'S') saveRequested = 1;
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

// Values out of range, or a file without the mark, give the defaults for all; so
// does a run that does not remember.
void loadState() {
  if (demoRemembersState) settings_load(nullptr);
  const int mark = settings_read_int(settingsMark);
  const int step = settings_read_int(defaultStripStep);
  const int chosen = settings_read_int(0);
  const int count = settings_read_int(0);
  const bool valid = demoRemembersState && mark == settingsMark && step >= -stripStepLimit &&
                     step <= stripStepLimit && chosen >= 0 && chosen < schemeCount && count >= 0 &&
                     count < countLimit;
  stripStep = valid ? step : defaultStripStep;
  scheme = valid ? chosen : 0;
  counter = valid ? count : 0;
  stateLoaded = 1;
}

void saveState() {
  settings_clear();
  for (const int value : {settingsMark, static_cast<int>(stripStep), static_cast<int>(scheme),
                          static_cast<int>(counter)}) {
    settings_append_int(value);
  }
  settings_save();
}

// Every ordinary end of the run destroys the window: after Esc the process thread
// has finished, after a close from outside it has been stopped, so the state it
// left is whole. A crash never gets here.
void saveStateAtEnd() {
  if (demoRemembersState && stateLoaded) saveState();
}

// The view, top row first, as the clipboard's bitmap wants it: bottom row first.
void copyFrame() {
  const BackBuffer& b = backBuffer;
  clipboard_put_image(b.rowTable[static_cast<std::size_t>(b.viewMaxY)], b.viewWidth, b.viewHeight,
                      -static_cast<std::intptr_t>(b.rowStep));
}

// Says where the frame went, or could not go: on standard error (in the user's
// encoding) and in the picture, in the font's code page.
void announceSave(const wchar_t* path, int saved) {
  std::setlocale(LC_CTYPE, "");
  std::fprintf(stderr, "brinemere-demo: %s the frame to %ls\n", saved ? "saved" : "could not save",
               path);
  noteText = saved ? "Saved to " : "Could not save to ";
  for (const wchar_t* c = path; *c; ++c) {
    noteText += static_cast<char>(cp1251Of(static_cast<char32_t>(*c)));
  }
  if (!noteFont) noteFont = std::make_unique<FontSPR>(L"TYPE_EN_RU", nullptr);
  noteFont->Print(8, 8, BLEND_COPY + anchorBottom, noteText.c_str());
  noteShownAt = platform.timeGetTime();
}

void drawNote() {
  if (!noteFont) return;
  if (platform.timeGetTime() - noteShownAt >= noteMilliseconds) {
    noteFont.reset();
    return;
  }
  noteFont->Draw();
}

// The pictures folder, or the home folder when it is missing.
const wchar_t* pictureFolder() {
  static wchar_t folder[260];
  if (special_folder_path(CSIDL_MYPICTURES, folder) && file_exists(folder)) return folder;
  return special_folder_path(CSIDL_PROFILE, folder) ? folder : nullptr;
}

// A cancelled dialog saves nothing; without a file chooser the frame goes to the
// pictures folder under a dated name.
void saveFrame() {
  const BackBuffer& b = backBuffer;
  const wchar_t* path =
      choose_save_file(L"Save the frame", L".png", L"PNG pictures (*.png)\0*.png\0");
  if (!path && file_dialog_missing())
    path = dated_file_path(pictureFolder(), L"brinemere-demo", L".png");
  if (!path) return;
  AcquireGdiplus();
  saveSettings.saveType = 4;
  const int saved =
      SavePictureAs(path, b.rowTable[0], b.viewWidth, b.viewHeight, b.rowStep, PixelFormat32bppRGB);
  ReleaseGdiplus();
  announceSave(path, saved);
}

}  // namespace

void registerDemo() {
  demoExitRequested = 0;
  escapePressed = 0;
  stateLoaded = 0;
  userCallbacks.onDestroy = saveStateAtEnd;
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
  loadState();

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
  ramp.Build(schemes[scheme][0], schemes[scheme][1], 16, 0.0f);

  menu = std::make_unique<IMouseSPR>(L"DemoBar3", L"DemoBar2", L"DemoBar1", L"TYPE_EN_RU");
  menu->AddValueItem(L"Strip speed", VK_LEFT, 0, VK_RIGHT, nullptr, -1);
  menu->AddItem(L"Reset count", keyReset, stepAboveZero, -1);
  menu->AddItem(L"Colours", keyColours, nullptr, -1);
  menu->AddSeparator(-1);
  menu->AddItem(L"Exit", VK_ESCAPE, nullptr, -1);

  input.keyUpNotify = demoKeyUp;
  input.keyDownNotify = demoKeyDown;
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
    if (schemeChanged) {
      ramp.Build(schemes[scheme][0], schemes[scheme][1], 16, 0.0f);
      schemeChanged = 0;
    }
    fillView(backgroundColour, BLEND_COPY);
    ramp.FillRows(0, b.viewHeight / 3, b.viewMaxX, b.viewHeight * 2 / 3);
    number.Draw(static_cast<unsigned>(counter));
    tiles.Draw(-1);
    strips.Draw(-1);
    drawNote();
    if (menuOpen) menu->Draw();
    present();
    if (copyRequested) {
      copyRequested = 0;
      copyFrame();
    }
    if (saveRequested) {
      saveRequested = 0;
      saveFrame();
    }
    if (++frame % 4 == 0) counter = (counter + 1) % countLimit;
  }

  userCallbacks.onRightButtonDown = userCallbacks.onLeftButtonDown = nullptr;
  userCallbacks.onLeftButtonUp = nullptr;
  menuOpen = 0;
  menu->Free();
  menu.reset();
  shutdownDrawing();
}
