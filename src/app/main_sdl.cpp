// brinemere: the program on Linux (SDL2).

#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/start_options.h"
#include "platform/sdl/sdl.h"
#include "sea/scene_start.h"
#include "shell/shell.h"
#include "surface/surface.h"

int main(int argc, char** argv) {
  // The start options go to the scene; the rest (run modes, hack options) to SDL.
  std::vector<char*> rest;
  std::string problem;
  if (!takeStartOptions(argc, argv, sceneStart, rest, problem)) {
    std::fprintf(stderr, "brinemere: %s\n  options: %s\n", problem.c_str(),
                 startUsage("-").c_str());
    return 1;
  }
  if (!sdl::start(static_cast<int>(rest.size()), rest.data())) return 1;
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
