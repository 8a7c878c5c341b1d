// brinemere: the program on Linux (SDL2).

#include "app/program.h"
#include "platform/sdl/sdl.h"

int main(int argc, char** argv) {
  if (!sdl::start(argc, argv)) return 1;
  const int code = runProgram(0, SW_SHOWNORMAL);
  sdl::stop();
  return code;
}
