// The registration step and the program start shared by every target.

#include "app/program.h"

#include "sea/sea_scene.h"
#include "shell/shell.h"
#include "surface/surface.h"

void registerApplication() { registerSea(); }

void withoutSplash() { splashPainter = nullptr; }

int runProgram(Handle instance, int showCommand, void (*adjust)()) {
  registerFramework();
  registerApplication();
  if (adjust) adjust();
  const int code = shellMain(instance, showCommand);
  // A run closed from outside stopped the process before it released the surface.
  releaseBackBuffer();
  return code;
}
