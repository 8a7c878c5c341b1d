// brinemere-demo: the widget demo on Linux (SDL2), on the same shell as brinemere.

#include "demo/demo_scene.h"
#include "platform/sdl/sdl.h"
#include "shell/shell.h"

int main(int argc, char** argv) {
  if (!sdl::start(argc, argv)) return 1;
  const int code = runApplication(registerDemo, 0, SW_SHOWNORMAL);
  sdl::stop();
  return code;
}
