// The registration step and the program start shared by every target.

#include "app/program.h"

#include "input/input_state.h"
#include "shell/pacing.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

// Until the scene exists: a black frame presented until Esc is released.
void placeholderProcess() {
  initPacing(-1, nullptr);
  createBackBuffer();
  while (!input.keyReleased[VK_ESCAPE]) {
    if (backBuffer.pixels) {
      for (int y = 0; y < backBuffer.viewHeight; ++y) {
        Color* row = viewPixel(0, y);
        for (int x = 0; x < backBuffer.viewWidth; ++x) row[x] = backBuffer.clearColour;
      }
    }
    present();
  }
  shutdownDrawing();
}

}  // namespace

void registerApplication() {
  shellConfig.title = L"Tarn : Brinemere";
  backBuffer.clearColour = 0xFF000000;
  setScreenSize(7777777, 1024);
  userCallbacks.process = placeholderProcess;
  shellConfig.helpText = L"\nExit - key Esc  \n\nHelp - key F1  \n\n";
  shellConfig.helpCaption = L"    Quillmark";
  shellConfig.previewText = L"Q u i l l m a r k";
}

int runProgram(Handle instance, int showCommand) {
  registerFramework();
  registerApplication();
  const int code = shellMain(instance, showCommand);
  // A run closed from outside stopped the process before it released the surface.
  releaseBackBuffer();
  return code;
}
