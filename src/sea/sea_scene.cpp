// The sea scene: set-up, the frame, the colour schemes and the keys.
//
// The key handler runs on the main thread and the frame loop on the process
// thread; they share single 32-bit words without a lock, so a change takes
// effect wherever the frame happens to be.

#include "sea/sea_scene.h"

#include "input/input_state.h"
#include "noise/noise.h"
#include "noise/random.h"
#include "platform/platform.h"
#include "sea/help_panel.h"
#include "sea/splash.h"
#include "sea/waves.h"
#include "shell/pacing.h"
#include "shell/shell.h"
#include "surface/surface.h"
#include "vector/fills.h"
#include "vector/shapes.h"

volatile int schemeIndex = 1;
volatile int helpFrames = 0;
volatile int exitRequested = 0;

void resetScene() {
  schemeIndex = 1;
  helpFrames = 0;
  helpDrawn = 0;
  exitRequested = 0;
  waveForce = 1.5f;
  waveDirection = -1.0f;
  wavePhase = 347.347f;
  whiteHorses = 1;
  layerCount = 19;
  foamWhite = 0xFFFFFFFF;
}

void nextScheme() {
  const int next = (schemeIndex + 1) & 3;
  schemeIndex = next;
  deepColour = schemeColours[next][0];
  lightColour = schemeColours[next][1];
}

void initScene() {
  initPacing(-1, nullptr);
  backBuffer.pacingEnabled = 1;
  RandomSeed = 0xFFFFFFFFu;
  RandomSeed = platform.timeGetTime() & 0x7FFF;
  createBackBuffer();
  platform.bringToTop(shell.mainWindow);
  waitForSplash();
  createHelpFont();
  userCallbacks.onKeyUp = seaKeyHandler;
  nextScheme();
  discX = static_cast<float>(backBuffer.viewWidth * 0.75);
  discRadius = static_cast<float>(backBuffer.viewHeight / 2);
  init2D(noiseGrid, 50, 50, 100.0f);
  resetInput();
}

void drawScene() {
  const Color deep = deepColour;
  const Color light = lightColour;
  fillView(lerpColor(deep, light, 235), BLEND_COPY);
  fillCircle(discX, static_cast<float>(backBuffer.viewHeight * 0.6), discRadius,
             lerpColor(deep, light, 255), BLEND_COPY);
  drawWaveLayers();
}

void drawFrame() {
  drawScene();
  drawHelpPanel();
  present();
  restoreHelpBackground();
}

void seaProcess() {
  initScene();
  // Without a surface there is nothing to draw on; wait for Esc like a frame would.
  while (!exitRequested) {
    if (backBuffer.pixels) {
      drawFrame();
    } else {
      platform.sleep(33);
    }
  }
  releaseHelpFont();
  shutdownDrawing();
}

void seaKeyHandler() {
  const volatile int* released = input.keyReleased;
  if (released[VK_SPACE]) whiteHorses = 1 - whiteHorses;
  if (released[VK_UP]) {
    float force = static_cast<float>(waveForce + 0.25);
    if (force > 3.0f) force = 3.0f;
    waveForce = force;
  }
  if (released[VK_DOWN]) {
    float force = static_cast<float>(waveForce - 0.25);
    if (force < 1.0f) force = 1.0f;
    waveForce = force;
  }
  if (released[VK_RETURN]) nextScheme();
  if (released[VK_LEFT]) waveDirection = 1.0f;
  if (released[VK_RIGHT]) waveDirection = -1.0f;
  if (released[VK_F1]) helpFrames = helpFrames != 0 ? 0 : 250;
  exitRequested = released[VK_ESCAPE];
  resetInput();
}

void registerSea() {
  resetScene();
  shellConfig.title = L"Tarn : Brinemere";
  backBuffer.clearColour = 0xFF000000;
  setScreenSize(7777777, 1024);
  userCallbacks.process = seaProcess;
  shellConfig.helpText = L"\nExit - key Esc  \n\nHelp - key F1  \n\n";
  shellConfig.helpCaption = L"    Quillmark";
  shellConfig.previewText = L"Q u i l l m a r k";
  shellConfig.previewPainter = seaPreviewPainter;
  splashPainter = seaSplashPainter;
}
