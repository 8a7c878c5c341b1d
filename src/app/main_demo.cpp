// brinemere-demo: the widget demo on Linux (SDL2), on the same shell as brinemere.

#include "demo/demo_scene.h"
#include "platform/sdl/sdl.h"
#include "shell/shell.h"
#include "surface/surface.h"

int main(int argc, char** argv) {
  if (!sdl::start(argc, argv)) return 1;
  registerFramework();
  registerDemo();
  const int code = shellMain(0, SW_SHOWNORMAL);
  releaseBackBuffer();
  sdl::stop();
  return code;
}
