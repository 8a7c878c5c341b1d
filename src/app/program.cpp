// The registration step and the program start shared by every target.

#include "app/program.h"

#include "sea/sea_scene.h"
#include "surface/surface.h"

void registerApplication() { registerSea(); }

void withoutSplash() { splashPainter = nullptr; }

int runProgram(Handle instance, int showCommand, void (*adjust)()) {
  return runApplication(registerApplication, instance, showCommand, adjust);
}
