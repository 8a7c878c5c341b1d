// brinemere: the program on Linux (SDL2).

#include "app/program.h"
#include "platform/sdl/sdl.h"
#include "shell/shell.h"
#include "surface/surface.h"

int main(int argc, char** argv) {
  if (!sdl::start(argc, argv)) return 1;
  int code = runProgram(0, SW_SHOWNORMAL);
  // A screen-saver daemon's window took a new size: run again, drawn at that size.
  while (code == 0 && sdl::nextRun()) {
    resetShellState();
    backBuffer = BackBuffer{};
    code = runProgram(0, SW_SHOWNORMAL);
  }
  sdl::stop();
  return code;
}
