// The smallest saver on the Brinemere framework: a golden disc that crosses a
// dark blue sky at thirty frames a second until Esc is released.

#include <brinemere/input/input_state.h>
#include <brinemere/shell/pacing.h>
#include <brinemere/shell/shell.h>
#include <brinemere/surface/surface.h>
#include <brinemere/vector/fills.h>
#include <brinemere/vector/shapes.h>
#ifdef _WIN32
#include <brinemere/platform/win32/win32.h>
#else
#include <brinemere/platform/sdl/sdl.h>
#endif

namespace {

volatile int exitRequested = 0;  // set on the main thread, read on the process thread

// The shell calls this on the main thread for every key release.
void keyReleased() {
  if (input.keyReleased[VK_ESCAPE]) exitRequested = 1;
  resetInput();
}

// The process thread: make the back buffer, draw frames until Esc, release.
void process() {
  initPacing(30, nullptr);  // present() holds each frame to 1/30 s
  createBackBuffer();
  const BackBuffer& view = backBuffer;
  for (int frame = 0; !exitRequested; ++frame) {
    fillView(0xFF102040, BLEND_COPY);
    const float radius = static_cast<float>(view.viewHeight / 5);
    const float x = static_cast<float>(frame * 4 % (view.viewWidth + 400) - 200);
    fillCircle(x, static_cast<float>(view.viewHeight / 2), radius, 0xFFF0C040, BLEND_COPY);
    present();
  }
  shutdownDrawing();
}

// The registration step: what the shell needs before it makes the window.
void registerMinimal() {
  shellConfig.title = L"Minimal saver";
  setScreenSize(7777777, 1024);  // the whole primary screen
  userCallbacks.process = process;
  userCallbacks.onKeyUp = keyReleased;
}

}  // namespace

#ifdef _WIN32
extern "C" int __stdcall wWinMain(void* instance, void*, wchar_t*, int showCommand) {
  win32::install();
  return runApplication(registerMinimal, reinterpret_cast<Handle>(instance), showCommand);
}
#else
int main(int argc, char** argv) {
  if (!sdl::start(argc, argv)) return 1;
  const int code = runApplication(registerMinimal, 0, SW_SHOWNORMAL);
  sdl::stop();
  return code;
}
#endif
