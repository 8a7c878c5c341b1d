// The program start shared by every program and target: the framework's
// registration, the application's, an optional adjustment, then the shell.

#include "app/program.h"

#include "shell/shell.h"
#include "surface/surface.h"

int runApplication(void (*registerApp)(), Handle instance, int showCommand, void (*adjust)()) {
  registerFramework();
  registerApp();
  if (adjust) adjust();
  const int code = shellMain(instance, showCommand);
  // A run closed from outside stopped the process before it released the surface.
  releaseBackBuffer();
  return code;
}
